// The keys desktop programs share, beside the bound shortcuts: Delete removes the selected
// entries, Enter does what a double click does, Ctrl+Q ends the program, and Escape closes the
// program's own text window. Each reaches the one action and handler of its command.
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "platform/widgets/text_window.h"
#include "test_mainwindow_rig.h"

namespace {

// What a key led to, as the first thing the user was asked or shown.
QString Outcome(TWindowRig& rig) {
  if (!rig.Window->isVisible()) return QStringLiteral("closed");
  if (!rig.Shell.Requests.isEmpty())
    return QStringLiteral("viewed ") + QFileInfo(rig.Shell.Requests[0].File).fileName();
  const QStringList messages = rig.Dialogs.Messages();
  if (messages.isEmpty()) return QStringLiteral("nothing");
  if (messages[0].contains(QStringLiteral("Remove the selected file(s)")))
    return QStringLiteral("remove question");
  if (messages[0].contains(QStringLiteral("Extract the selected file(s)")))
    return QStringLiteral("extract question");
  return messages[0];
}

}  // namespace

class TestKeyboard : public QObject {
  Q_OBJECT

  QString FArchive;

 private slots:
  void initTestCase() {
    FArchive = QDir::tempPath() + QStringLiteral("/keys/two.zip");
    QVERIFY(MakeZip(FArchive, {{"alpha.txt", 40}, {"beta.txt", 50}}));
  }

  // The bound shortcut stays the first (the one the menu shows); the new key follows it.
  void shortcutsOfTheActions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("keys");
    QTest::newRow("Remove") << "EditDeleteMn"
                            << "Ctrl+R, Del";
    QTest::newRow("Exit") << "FileExitMn"
                          << "Ctrl+Q";
    QTest::newRow("Close Archive, bound") << "FileCloseMn"
                                          << "Ctrl+C";
    QTest::newRow("View, bound") << "EditView1"
                                 << "Ctrl+V";
    QTest::newRow("Contents, bound") << "HelpTopics1"
                                     << "F1";
    QTest::newRow("Remove File, context menu") << "RemoveFile1"
                                               << "Ctrl+R";
    QTest::newRow("Enter in the list") << "ListViewEnter"
                                       << "Return, Enter";
  }
  void shortcutsOfTheActions() {
    QFETCH(QString, action);
    QFETCH(QString, keys);
    TWindowRig rig;
    QStringList shown;
    for (const QKeySequence& key : rig.Action(action.toLatin1().constData())->shortcuts())
      shown << key.toString(QKeySequence::PortableText);
    QCOMPARE(shown.join(QStringLiteral(", ")), keys);
  }

  void keysRunTheirCommands_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("mouseAction");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("outcome");
    const int none = Qt::NoModifier;
    QTest::newRow("Delete removes") << int(Qt::Key_Delete) << none << 0 << false << "remove question";
    QTest::newRow("Ctrl+R still removes")
        << int(Qt::Key_R) << int(Qt::ControlModifier) << 0 << false << "remove question";
    QTest::newRow("Return views (double click views)")
        << int(Qt::Key_Return) << none << 0 << false << "viewed beta.txt";
    QTest::newRow("keypad Enter extracts (double click extracts)")
        << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1 << false << "extract question";
    QTest::newRow("Return removes (double click removes)")
        << int(Qt::Key_Return) << none << 2 << false << "remove question";
    QTest::newRow("Ctrl+Q exits") << int(Qt::Key_Q) << int(Qt::ControlModifier) << 0 << false << "closed";
    QTest::newRow("Delete refused while busy") << int(Qt::Key_Delete) << none << 0 << true << "nothing";
    QTest::newRow("Return refused while busy") << int(Qt::Key_Return) << none << 2 << true << "nothing";
  }
  void keysRunTheirCommands() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, mouseAction);
    QFETCH(bool, busy);
    QFETCH(QString, outcome);
    TWindowRig rig;
    rig.Window->show();
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    rig.Window->OpenZipFile(FArchive);
    QCOMPARE(rig.Model()->rowCount(), 2);
    for (int row = 0; row < 2; ++row)
      if (rig.Model()->Row(row).Path == QLatin1String("beta.txt"))
        rig.List()->selectionModel()->select(rig.Model()->index(row, 0),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
    rig.Window->MouseAction = mouseAction;
    rig.Window->ConfirmRemove = true;
    rig.Window->ConfirmExtract = true;
    rig.Dialogs.DefaultAnswer = platform::mrNo;  // every question declined: the archive stays
    rig.Dialogs.Clear();
    rig.List()->setFocus();
    if (busy) rig.Window->SetBusy(false);

    QTest::keyClick(rig.List(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(Outcome(rig), outcome);
    if (busy) rig.Window->SetBusy(true);
  }

  // Enter anywhere else in the window is not a double click on the list.
  void enterOutsideTheListDoesNothing() {
    TWindowRig rig;
    rig.Window->show();
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    QSignalSpy entered(rig.Action("ListViewEnter"), &QAction::triggered);
    auto* button = rig.Find<QWidget>("SpdBtnNew");
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    QCOMPARE(entered.size(), 0);
    rig.List()->setFocus();
    QTest::keyClick(rig.List(), Qt::Key_Return);
    QCOMPARE(entered.size(), 1);
  }

  void escapeClosesTheTextWindow() {
    QFile notes(QDir::tempPath() + QStringLiteral("/notes.txt"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("some words\n") > 0);
    notes.close();
    QPointer<platform::TTextWindow> window = new platform::TTextWindow(notes.fileName());
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(window.isNull());  // closed, and deleted as it deletes itself on closing
  }
};

PARCELIX_GUI_TEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
