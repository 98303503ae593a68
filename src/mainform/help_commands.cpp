// The Help menu's commands, F1 on a highlighted menu item, and the About box.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "mainform/mainform.h"
#include "ui_mainform.h"
#include "windows/about.h"

void TMainFormFm::HelpTopics1Click(QObject* /*Sender*/) {
  FServices.Help.WinHelp(HelpFile, platform::HELP_FINDER, 0);
}

void TMainFormFm::Searchforhelpon1Click(QObject* /*Sender*/) {
  // An empty keyword opens the search with nothing typed.
  FServices.Help.WinHelp(HelpFile, platform::HELP_PARTIALKEY, 0, QString());
}

void TMainFormFm::HowtoUseHelp2Click(QObject* /*Sender*/) {
  FServices.Help.WinHelp(HelpFile, platform::HELP_HELPONHELP, 0);
}

void TMainFormFm::QuickStartTutorial1Click(QObject* /*Sender*/) {
  FServices.Help.WinHelp(HelpFile, platform::HELP_CONTEXT, 1036);
}

void TMainFormFm::ReadMeFile1Click(QObject* /*Sender*/) {
  QString folder = FServices.ProgramDir;
  if (folder.endsWith('/')) folder.chop(1);
  const int result = FServices.Shell.ShellExecute(QStringLiteral("open"), folder + "/README.DOC", QString(),
                                                  QString(), platform::SW_SHOWNORMAL);
  if (result <= 32)
    FServices.Shell.ShellExecute(QStringLiteral("open"), QLatin1String(platform::kTextEditorProgram),
                                 folder + "/README.TXT", QString(), platform::SW_SHOWNORMAL);
}

void TMainFormFm::HelpAboutMnClick(QObject* /*Sender*/) {
  TFrmAbout about(this);
  about.exec();
}

// F1 while a menu item is highlighted shows that item's topic; the menu closes first, as it
// would for any command. Items without a topic show the contents.
bool TMainFormFm::HandleMenuHelpKey(QObject* Watched, QEvent* Event) {
  auto* menu = qobject_cast<QMenu*>(Watched);
  if (!menu) return false;
  if (Event->type() == QEvent::MouseMove) {
    // Disabled items still explain themselves and still have their topic.
    QAction* item = menu->actionAt(static_cast<QMouseEvent*>(Event)->position().toPoint());
    FMenuItemUnderMouse = item;
    // The menu clears the hint when it handles this move itself, so show it afterwards.
    if (item && !item->isEnabled() && !item->isSeparator())
      QMetaObject::invokeMethod(
          this, [this, tip = item->statusTip()] { DisplayHint(tip); }, Qt::QueuedConnection);
    return false;
  }
  if (Event->type() == QEvent::Hide) FMenuItemUnderMouse = nullptr;
  if (Event->type() != QEvent::ShortcutOverride && Event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(Event);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
  if (Event->type() == QEvent::ShortcutOverride) {
    // Keep the window's F1 shortcut (Contents) from firing while a menu has the keyboard.
    Event->accept();
    return true;
  }
  QAction* item = menu->activeAction();
  if (!item && FMenuItemUnderMouse && menu->actions().contains(FMenuItemUnderMouse))
    item = FMenuItemUnderMouse;
  const int context = item ? item->property("helpContext").toInt() : 0;
  for (int depth = 0; depth < 16 && QApplication::activePopupWidget(); ++depth)
    QApplication::activePopupWidget()->close();
  if (context > 0)
    FServices.Help.WinHelp(HelpFile, platform::HELP_CONTEXT, context);
  else
    FServices.Help.WinHelp(HelpFile, platform::HELP_FINDER, 0);
  return true;
}
