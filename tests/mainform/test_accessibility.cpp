// What a screen reader finds: every control a user can operate in the main window, its context
// menu and each dialog and prompt carries a name in the accessibility tree, taken from its
// caption, its label or its hint, and its hint as its description; the names follow the texts
// when the language changes.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "common/test_environment.h"
#include "platform/help_file.h"
#include "platform/widgets/help_viewer.h"
#include "platform/widgets/qt_dialogs.h"
#include "platform/widgets/text_window.h"
#include "settings/options.h"
#include "support/accessible_names.h"
#include "test_mainwindow_rig.h"
#include "windows/about.h"
#include "windows/browser.h"
#include "windows/group.h"
#include "windows/info.h"

namespace {

// The roles of elements a user operates. The cells of lists and tables are their content, named
// by what they show, and are not walked.
bool Operated(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::ScrollBar:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
    case QAccessible::PageTab:
    case QAccessible::MenuItem:
    case QAccessible::HotkeyField:
    case QAccessible::Link:
      return true;
    default:
      return false;
  }
}

bool HoldsContent(QAccessible::Role role) {
  return role == QAccessible::List || role == QAccessible::Tree || role == QAccessible::Table;
}

QString Describe(QAccessibleInterface* element) {
  QObject* object = element->object();
  return QStringLiteral("role 0x%1 %2 %3")
      .arg(int(element->role()), 0, 16)
      .arg(object ? QLatin1String(object->metaObject()->className()) : QLatin1String("-"),
           object ? object->objectName() : QString());
}

// Walks the tree below element and lists each operated element without a name.
void FindUnnamed(QAccessibleInterface* element, const QString& path, QStringList& unnamed, int& operated,
                 int depth = 0) {
  if (!element || !element->isValid() || depth > 40) return;
  const QString here = path + QStringLiteral(" > ") + Describe(element);
  if (Operated(element->role()) && element->role() != QAccessible::Separator) {
    ++operated;
    if (element->text(QAccessible::Name).trimmed().isEmpty()) unnamed << here;
  }
  if (HoldsContent(element->role())) return;
  for (int index = 0; index < element->childCount(); ++index)
    FindUnnamed(element->child(index), here, unnamed, operated, depth + 1);
}

// The unnamed operated elements of window; fails when the walk found nothing to look at.
QStringList Unnamed(QObject* window) {
  QStringList unnamed;
  int operated = 0;
  FindUnnamed(QAccessible::queryAccessibleInterface(window), window->objectName(), unnamed, operated);
  if (operated == 0) unnamed << QStringLiteral("%1: no operated element found").arg(window->objectName());
  return unnamed;
}

void ShowAndSettle(QWidget& window) {
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCoreApplication::processEvents();
}

// Runs open, which shows a modal prompt; Look sees the prompt while it is up, then it is closed.
void WhileModal(const std::function<void()>& open, const std::function<void(QWidget&)>& look) {
  bool seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* prompt = QApplication::activeModalWidget();
    if (!prompt || !prompt->isVisible()) return;
    poll.stop();
    seen = true;
    QCoreApplication::processEvents();
    look(*prompt);
    if (auto* dialog = qobject_cast<QDialog*>(prompt))
      dialog->reject();
    else
      prompt->close();
  });
  poll.start(10);
  open();
  QVERIFY2(seen, "no prompt was shown");
}

}  // namespace

class TestAccessibility : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallAccessibleNames(*qApp); }

  void mainWindowAndItsContextMenu() {
    TWindowRig rig;
    rig.AddRows(3);
    ShowAndSettle(*rig.Window);
    QStringList unnamed = Unnamed(rig.Window.get());
    rig.Window->PopupMenu1->popup(rig.Window->mapToGlobal(QPoint(20, 80)));
    QCoreApplication::processEvents();
    unnamed << Unnamed(rig.Window->PopupMenu1);
    rig.Window->PopupMenu1->hide();
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
  }

  // The toolbar's buttons speak their captions, with their hints as descriptions, also when the
  // captions are not shown; menu items speak their captions without the accelerator mark.
  void toolbarButtonsAndMenuItems_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::newRow("new") << "SpdBtnNew"
                         << "New ZIP"
                         << "Create a new ZIP file";
    QTest::newRow("open") << "ToolButton4"
                          << "Open ZIP"
                          << "Open an existing ZIP file";
    QTest::newRow("remove") << "SpdBtnRemove"
                            << "Remove"
                            << "Remove files from the open ZIP file";
    QTest::newRow("view") << "SpdBtnView"
                          << "View File"
                          << "View the contents of the selected file";
    QTest::newRow("configure") << "ToolButton10"
                               << "Configure"
                               << "Configure Parcelix";
    QTest::newRow("abort, disabled") << "AbortSB"
                                     << "Abort"
                                     << "Abort the current process";
  }
  void toolbarButtonsAndMenuItems() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    TWindowRig rig;
    ShowAndSettle(*rig.Window);
    for (bool captions : {true, false}) {
      if (rig.Action("MnTextLabels")->isChecked() != captions) rig.Action("MnTextLabels")->trigger();
      auto* button = rig.Find<QToolButton>(control.toLatin1().constData());
      QAccessibleInterface* element = QAccessible::queryAccessibleInterface(button);
      QCOMPARE(element->text(QAccessible::Name), name);
      QCOMPARE(element->text(QAccessible::Description), description);
      QCOMPARE(button->accessibleName(), name);
    }
    QAccessibleInterface* exitItem = nullptr;
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(rig.Menu("FileMn"));
    for (int index = 0; index < menu->childCount(); ++index)
      if (menu->child(index)->object() == rig.Action("FileExitMn")) exitItem = menu->child(index);
    QVERIFY(exitItem);
    QCOMPARE(exitItem->text(QAccessible::Name), QStringLiteral("Exit"));
  }

  void everyDialog_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("configuration") << 0;
    QTest::newRow("about") << 1;
    QTest::newRow("archive information") << 2;
    QTest::newRow("archive browser") << 3;
    QTest::newRow("program group") << 4;
    QTest::newRow("folder chooser") << 5;
    QTest::newRow("help") << 6;
    QTest::newRow("text window") << 7;
  }
  void everyDialog() {
    QFETCH(int, which);
    TWindowRig rig;
    TMainFormFm& main = *rig.Window;
    platform::HelpFile noHelp;
    std::unique_ptr<QWidget> window;
    switch (which) {
      case 0:
        window = std::make_unique<TFrmConfiguration>(main);
        break;
      case 1:
        window = std::make_unique<TFrmAbout>();
        break;
      case 2:
        window = std::make_unique<TFrmArchiveInfo>(main.Engine(), false);
        break;
      case 3:
        window = std::make_unique<TFrmBrowse>(main);
        break;
      case 4:
        window = std::make_unique<TFrmCreateGroup>(main);
        break;
      case 5:
        window = std::make_unique<platform::TFolderChooser>(rig.Dialogs, QStringLiteral("Select Directory"),
                                                            QStringLiteral("/"));
        break;
      case 6:
        window = std::make_unique<platform::HelpWindow>(noHelp);
        break;
      default: {
        window.reset(new platform::TTextWindow(QStringLiteral("/nonexistent/notes.txt")));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
      }
    }
    ShowAndSettle(*window);
    const QStringList unnamed = Unnamed(window.get());
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
  }

  // Edits, combo boxes and sliders take the label that captions them, their hint the description.
  void controlsTakeTheirLabels_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("edit with a buddy") << 0 << "EdTempFolder"
                                       << "Temp File Folder:";
    QTest::newRow("combo box with a buddy") << 0 << "CmOverwrite"
                                            << "Overwrite Existing File Method:";
    QTest::newRow("slider in a group") << 0 << "TrackBar1"
                                       << "Compression Level:";
    QTest::newRow("edit beside its caption in a grid") << 2 << "EdComment"
                                                       << "Comment:";
    QTest::newRow("edit with a buddy, other dialog") << 4 << "Edit2"
                                                     << "Program Group Name:";
  }
  void controlsTakeTheirLabels() {
    QFETCH(int, which);
    QFETCH(QString, control);
    QFETCH(QString, name);
    TWindowRig rig;
    std::unique_ptr<QWidget> window;
    if (which == 0) window = std::make_unique<TFrmConfiguration>(*rig.Window);
    if (which == 2) window = std::make_unique<TFrmArchiveInfo>(rig.Window->Engine(), true);
    if (which == 4) window = std::make_unique<TFrmCreateGroup>(*rig.Window);
    ShowAndSettle(*window);
    auto* widget = window->findChild<QWidget*>(control);
    QVERIFY(widget);
    QCOMPARE(widget->accessibleName(), name);
    // On Linux a combo box speaks its current choice as its name and its label through a relation.
    if (!qobject_cast<QComboBox*>(widget))
      QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    if (!widget->toolTip().isEmpty())
      QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description),
               widget->toolTip().simplified());
  }

  // The prompts the dialog layer shows: messages, the password question, the file dialogs.
  void everyPrompt_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("message") << 0;
    QTest::newRow("password") << 1;
    QTest::newRow("open file") << 2;
    QTest::newRow("save file") << 3;
    QTest::newRow("folder") << 4;
  }
  void everyPrompt() {
    QFETCH(int, which);
    platform::TQtDialogs dialogs;
    QStringList unnamed;
    const auto look = [&unnamed](QWidget& prompt) { unnamed = Unnamed(&prompt); };
    WhileModal(
        [&] {
          QString text;
          QStringList files;
          platform::TFileDialogRequest request;
          request.Title = QStringLiteral("Open");
          request.Filter = QStringLiteral("ZIP files (*.zip);;All files (*)");
          request.InitialDir = QDir::tempPath();
          switch (which) {
            case 0:
              dialogs.MessageDlg(QStringLiteral("Replace \"a.txt\"?"), platform::TMsgDlgType::mtConfirmation,
                                 platform::mbYesNoCancel | platform::mbAll | platform::mbHelp, 1000);
              break;
            case 1:
              dialogs.PasswordQuery(QStringLiteral("Password"), QStringLiteral("&Password for \"a.txt\":"),
                                    text, 80);
              break;
            case 2:
              dialogs.OpenFileDialog(request, files);
              break;
            case 3:
              dialogs.SaveFileDialog(request, text);
              break;
            default:
              text = QDir::tempPath();
              dialogs.SelectDirectory(QStringLiteral("Select Directory"), text);
          }
        },
        look);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
  }

  // A name or description derived here follows its text when the window takes new texts, as it
  // does for a change of language; one that the window set itself is left alone.
  void namesFollowANewLanguage() {
    TWindowRig rig;
    TFrmCreateGroup dialog(*rig.Window);
    ShowAndSettle(dialog);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BtnOk"));
    QVERIFY(edit && ok);
    QLabel* label = nullptr;
    for (QLabel* candidate : dialog.findChildren<QLabel*>())
      if (candidate->buddy() == edit) label = candidate;
    QVERIFY(label);
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("BtnCancel"));
    cancel->setAccessibleName(QStringLiteral("Set by the window"));

    label->setText(QStringLiteral("&Entpacken nach:"));
    ok->setText(QStringLiteral("&Übernehmen"));
    ok->setToolTip(QStringLiteral("Die Gruppe anlegen"));
    cancel->setText(QStringLiteral("Abbrechen"));
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&dialog, &change);
    QCoreApplication::processEvents();

    QCOMPARE(edit->accessibleName(), QStringLiteral("Entpacken nach:"));
    QCOMPARE(ok->accessibleName(), QStringLiteral("Übernehmen"));
    QCOMPARE(ok->accessibleDescription(), QStringLiteral("Die Gruppe anlegen"));
    QCOMPARE(cancel->accessibleName(), QStringLiteral("Set by the window"));
  }

  // A hint that follows what a control shows is read again when the control takes the focus.
  void aControlIsNamedAgainWhenFocused() {
    TWindowRig rig;
    ShowAndSettle(*rig.Window);
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    rig.List()->setStatusTip(QStringLiteral("3 Entries, 120 Bytes, 80 Bytes."));
    rig.Find<QToolButton>("SpdBtnNew")->setFocus();
    rig.List()->setFocus();
    QCOMPARE(rig.List()->accessibleDescription(), QStringLiteral("3 Entries, 120 Bytes, 80 Bytes."));
    QCOMPARE(rig.List()->accessibleName(), rig.Window->windowTitle());
  }
};

PARCELIX_GUI_TEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
