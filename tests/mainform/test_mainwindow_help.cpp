// The Help menu, the About box and the close sequence.
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "common/test_environment.h"
#include "test_mainwindow_rig.h"

class TestMainWindowHelp : public QObject {
  Q_OBJECT

 private slots:
  void helpCommandsReachTheViewer() {
    TWindowRig rig;
    const QString file = QStringLiteral("/opt/parcelix/bin/Parcelix.hlp");
    rig.Action("HelpTopics1")->trigger();
    rig.Action("Searchforhelpon1")->trigger();
    rig.Action("HowtoUseHelp2")->trigger();
    rig.Action("QuickStartTutorial1")->trigger();
    QCOMPARE(rig.Help.Requests.size(), 4);
    for (const auto& request : rig.Help.Requests) QCOMPARE(request.File, file);
    QCOMPARE(rig.Help.Requests[0].Command, platform::HELP_FINDER);
    QCOMPARE(rig.Help.Requests[1].Command, platform::HELP_PARTIALKEY);
    QCOMPARE(rig.Help.Requests[1].Keyword, QString());
    QCOMPARE(rig.Help.Requests[2].Command, platform::HELP_HELPONHELP);
    QCOMPARE(rig.Help.Requests[3].Command, platform::HELP_CONTEXT);
    QCOMPARE(rig.Help.Requests[3].Context, 1036);
    QVERIFY(rig.Dialogs.Prompts.isEmpty());
  }

  void f1OpensContentsFromTheWindow() {
    TWindowRig rig;
    rig.Window->show();
    rig.Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Window.get()));
    QTest::keyClick(rig.Window.get(), Qt::Key_F1);
    QCOMPARE(rig.Help.Requests.size(), 1);
    QCOMPARE(rig.Help.Requests[0].Command, platform::HELP_FINDER);
  }

  void f1OnAHighlightedMenuItemShowsItsTopic_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("context");
    QTest::newRow("Open Archive") << "FileMn"
                                  << "FileOpenMn" << int(platform::HELP_CONTEXT) << 1026;
    QTest::newRow("Fix Normal") << "FileFixMn"
                                << "FixNormal1" << int(platform::HELP_CONTEXT) << 1018;
    QTest::newRow("Add") << "EditMn"
                         << "EditAddMn" << int(platform::HELP_CONTEXT) << 1001;
    QTest::newRow("Multidisk") << "OptionsMn"
                               << "MultidiskmodeMn" << int(platform::HELP_CONTEXT) << 1041;
    QTest::newRow("Exit, no topic") << "FileMn"
                                    << "FileExitMn" << int(platform::HELP_FINDER) << 0;
  }

  void f1OnAHighlightedMenuItemShowsItsTopic() {
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(int, command);
    QFETCH(int, context);
    TWindowRig rig;
    rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    rig.Window->show();
    QMenu* opened = rig.Menu(menu.toLatin1().constData());
    opened->popup(rig.Window->mapToGlobal(QPoint(0, 0)));
    QTest::qWait(1);
    opened->setActiveAction(rig.Action(item.toLatin1().constData()));
    QTest::keyClick(opened, Qt::Key_F1);
    QCOMPARE(rig.Help.Requests.size(), 1);
    QCOMPARE(int(rig.Help.Requests[0].Command), command);
    QCOMPARE(rig.Help.Requests[0].Context, context);
    QVERIFY(!opened->isVisible());
  }

  void f1OnADisabledItemUnderTheMouseShowsItsTopic() {
    TWindowRig rig;  // no archive: Copy Archive is disabled
    rig.Window->show();
    QMenu* file = rig.Menu("FileMn");
    file->popup(rig.Window->mapToGlobal(QPoint(0, 0)));
    QTest::qWait(1);
    QAction* copy = rig.Action("CopyArchive1");
    QVERIFY(!copy->isEnabled());
    QTest::mouseMove(file, file->actionGeometry(copy).center());
    QTest::keyClick(file, Qt::Key_F1);
    QCOMPARE(rig.Help.Requests.size(), 1);
    QCOMPARE(rig.Help.Requests[0].Command, platform::HELP_CONTEXT);
    QCOMPARE(rig.Help.Requests[0].Context, 1024);
  }

  void readMeOpensTheDocumentOrFallsBackToTheTextFile() {
    TWindowRig found({"Parcelix"}, QStringLiteral("/opt/parcelix/bin/"));
    found.Action("ReadMeFile1")->trigger();
    QCOMPARE(found.Shell.Requests.size(), 1);
    QCOMPARE(found.Shell.Requests[0].Verb, QStringLiteral("open"));
    QCOMPARE(found.Shell.Requests[0].File, QStringLiteral("/opt/parcelix/bin/README.DOC"));
    QCOMPARE(found.Shell.Requests[0].Parameters, QString());

    TWindowRig missing;
    missing.Shell.Results = {2, 2};  // no README.DOC; the fallback's outcome is ignored
    missing.Action("ReadMeFile1")->trigger();
    QCOMPARE(missing.Shell.Requests.size(), 2);
    QCOMPARE(missing.Shell.Requests[1].File, QStringLiteral("notepad.exe"));
    QCOMPARE(missing.Shell.Requests[1].Parameters, QStringLiteral("/opt/parcelix/bin/README.TXT"));
    QCOMPARE(missing.Shell.Requests[1].Directory, QString());
    QVERIFY(missing.Dialogs.Prompts.isEmpty());

    TWindowRig boundary;
    boundary.Shell.Results = {32};  // 32 is still a failure
    boundary.Action("ReadMeFile1")->trigger();
    QCOMPARE(boundary.Shell.Requests.size(), 2);
  }

  void aboutBoxShowsNameVersionAndClosesWithEscape() {
    TWindowRig rig;
    rig.Window->show();
    QString title, text;
    bool okFocused = false, okDefault = false;
    QTimer::singleShot(0, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      title = box->windowTitle();
      for (QLabel* label : box->findChildren<QLabel*>()) text += label->text() + "\n";
      auto* ok = box->findChild<QPushButton*>(QStringLiteral("OKBtn"));
      okFocused = ok && box->focusWidget() == ok;
      okDefault = ok && ok->isDefault() && ok->text() == QStringLiteral("OK");
      QTest::keyClick(box, Qt::Key_Escape);
    });
    rig.Action("HelpAboutMn")->trigger();
    QCOMPARE(title, QStringLiteral("About Parcelix"));
    QVERIFY(text.contains(QStringLiteral("Parcelix Compression Utility")));
    QVERIFY(text.contains(QStringLiteral("Version 2.0")));
    QVERIFY(okFocused);
    QVERIFY(okDefault);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(rig.Window->findChildren<QDialog*>().isEmpty());  // released after use
  }

  void closeDeletesTheTemporaryViewFiles() {
    TWindowRig rig;
    rig.Window->show();
    const QString temp = QDir::tempPath();
    QStringList made;
    for (const char* name : {"a.txt", "b.doc"}) {
      QFile file(temp + "/" + name);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("viewed");
      made << file.fileName();
    }
    QFile keep(temp + "/not-listed.txt");
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.close();
    rig.Window->TempFiles = {made[0], temp + "/already-gone.txt", made[1]};

    rig.Action("FileExitMn")->trigger();
    QVERIFY(!rig.Window->isVisible());
    QVERIFY(!QFile::exists(made[0]));
    QVERIFY(!QFile::exists(made[1]));
    QVERIFY(QFile::exists(keep.fileName()));
    QVERIFY(rig.Dialogs.Prompts.isEmpty());
  }

  void closingDuringAnOperationWaitsForItsEnd() {
    TWindowRig rig;
    rig.Window->show();
    const QString viewed = QDir::tempPath() + "/in-use.txt";
    QFile file(viewed);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    rig.Window->TempFiles = {viewed};

    rig.Window->SetBusy(false);
    rig.Window->close();  // the close box, pressed while the engine calls back
    QVERIFY(rig.Window->isVisible());
    QVERIFY(QFile::exists(viewed));
    QVERIFY(!rig.Window->MainXz->Abort);

    rig.Window->SetBusy(true);
    QTRY_VERIFY(!rig.Window->isVisible());
    QVERIFY(!QFile::exists(viewed));
  }
};

PARCELIX_GUI_TEST_MAIN(TestMainWindowHelp)
#include "test_mainwindow_help.moc"
