// Program start: the application titled "Parcelix", the main window, the message loop; or one of
// the file-manager actions, without the main window.
#include <QApplication>
#include <QTimer>

#include "actions/file_manager_actions.h"
#include "mainform/command_line.h"
#include "mainform/mainform.h"
#include "mainform/toolbar_images.h"
#include "parcelix_version.h"
#include "platform/widgets/help_viewer.h"
#include "platform/widgets/qt_dialogs.h"
#include "platform/widgets/qt_shell.h"
#include "support/accessible_names.h"
#include "support/translations.h"

int main(int argc, char* argv[]) {
  // --help, --version and a refused option are answered before anything needs a display.
  QStringList given;
  for (int index = 0; index < argc; ++index) given.append(QString::fromLocal8Bit(argv[index]));
  if (const int status = AnswerCommandLine(ParseCommandLine(given)); status >= 0) return status;

  QApplication application(argc, argv);
  // The application's title; the taskbar shows the main window's title, which says more.
  QApplication::setApplicationName(QStringLiteral("Parcelix"));
  QApplication::setApplicationVersion(QStringLiteral(PARCELIX_VERSION));
  // Lets the desktop match the running window to its installed entry.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.parcelix.Parcelix"));
  QApplication::setWindowIcon(ProgramIcon());
  InstallTranslations(application);
  InstallAccessibleNames(application);

  platform::TQtDialogs dialogs;
  // Qt has taken its own options out: a file-manager action works on the names left, and is
  // refused when none is.
  const TCommandLine commandLine = ParseCommandLine(QApplication::arguments());
  if (const int status = AnswerCommandLine(commandLine); status >= 0) return status;
  if (IsFileManagerAction(commandLine.Action)) return RunFileManagerAction(commandLine, dialogs);
  platform::THelpViewer help;
  platform::TQtShell shell;
  // Qt has taken its own options (-platform, -style ...) out; the names after them, without the
  // "--" that ended the options, name the archive.
  TMainFormServices services{dialogs, help, shell, WindowArguments(QApplication::arguments()),
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
