// Program start: the application titled "Parcelix", the main window, the message loop.
#include <QApplication>
#include <QTimer>

#include "mainform/mainform.h"
#include "mainform/toolbar_images.h"
#include "platform/widgets/help_viewer.h"
#include "platform/widgets/qt_dialogs.h"
#include "platform/widgets/qt_shell.h"
#include "support/translations.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // The application's title; the taskbar shows the main window's title, which says more.
  QApplication::setApplicationName(QStringLiteral("Parcelix"));
  // Lets the desktop match the running window to its installed entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.parcelix.Parcelix"));
  QApplication::setWindowIcon(ProgramIcon());
  InstallTranslations(application);

  platform::TQtDialogs dialogs;
  platform::THelpViewer help;
  platform::TQtShell shell;
  TMainFormServices services{dialogs, help, shell, QApplication::arguments(),
                             QApplication::applicationDirPath()};
  TMainFormFm mainForm(services);
  dialogs.SetParent(&mainForm);
  dialogs.OnHelp = [&](int context) {
    if (context > 0) help.WinHelp(mainForm.HelpFile, platform::HELP_CONTEXT, context);
  };
  mainForm.show();
  // For the listing benchmark: end as soon as the window has painted the archive named on the
  // command line, without saving anything.
  if (qEnvironmentVariableIsSet("PARCELIX_QUIT_WHEN_SHOWN"))
    QTimer::singleShot(0, &mainForm, [&mainForm] {
      mainForm.repaint();
      QApplication::exit(0);
    });
  return application.exec();
}
