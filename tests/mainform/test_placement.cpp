// Window placement: the stored text's rules, a round trip through the settings file, unusable
// texts, a rectangle off every screen, the maximised state and a settings file that cannot be
// written.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "settings/placement.h"
#include "test_mainwindow_rig.h"

class TestPlacement : public QObject {
  Q_OBJECT

 private slots:
  void init() { RemoveIni(); }

  void textFormatAndParsingRules() {
    TWindowPlacementRecord record;
    record.Left = 187;
    record.Top = 132;
    record.Right = 518;
    record.Bottom = 507;
    QCOMPARE(FormatPlacement(record), QStringLiteral("0,1,-1,-1,-1,-1,187,132,518,507"));
    // Ten long numbers are cut to 40 characters on writing, and again on reading.
    record.Left = -2000000000;
    record.Right = 2000000000;
    const QString longText = FormatPlacement(record);
    QCOMPARE(longText.size(), 40);
    QCOMPARE(longText, QStringLiteral("0,1,-1,-1,-1,-1,-2000000000,132,20000000"));

    auto parsed = ParsePlacement(QStringLiteral("0,3,-1,-1,-1,-1,10,20,410,320"));
    QVERIFY(parsed);
    QCOMPARE(parsed->ShowCmd, 3);
    QCOMPARE(QRect(parsed->Left, parsed->Top, parsed->Right - parsed->Left, parsed->Bottom - parsed->Top),
             QRect(10, 20, 400, 300));
    // The cut last field keeps whatever number remains of it.
    parsed = ParsePlacement(QStringLiteral("0,1,-1,-1,-1,-1,100,200,4100,00000050009"));
    QVERIFY(parsed);
    QCOMPARE(parsed->Bottom, 5000);
    // Empty fields read as 0.
    parsed = ParsePlacement(QStringLiteral(",,,,,,,,50,60"));
    QVERIFY(parsed);
    QCOMPARE(parsed->ShowCmd, 0);
    QCOMPARE(parsed->Right, 50);
  }

  void unusableTextsRestoreNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("garbage without commas") << QStringLiteral("garbage");
    QTest::newRow("short") << QStringLiteral("0,1,-1,-1");
    QTest::newRow("right not right of left") << QStringLiteral("0,1,-1,-1,-1,-1,500,20,500,320");
    QTest::newRow("no height") << QStringLiteral("0,1,-1,-1,-1,-1,10,320,400,20");
    QTest::newRow("letters in a field") << QStringLiteral("0,1,-1,-1,-1,-1,1x,20,400,320");
    QTest::newRow("beyond 32 bits") << QStringLiteral("0,1,-1,-1,-1,-1,0,0,99999999999,9");
    QTest::newRow("eleven fields") << QStringLiteral("0,1,-1,-1,-1,-1,10,20,400,320,5");
    QTest::newRow("lone sign") << QStringLiteral("0,1,-1,-1,-1,-1,-,20,400,320");
  }
  void unusableTextsRestoreNothing() {
    QFETCH(QString, text);
    QVERIFY(!ParsePlacement(text));
    QSize designed;
    {
      TWindowRig first;
      first.Window->show();
      designed = first.Window->geometry().size();
    }
    QVERIFY(WriteIni("[Screens]\nMainFormFm=" + text + "\n"));
    TWindowRig rig;
    rig.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
    QCOMPARE(rig.Window->geometry().size(), designed);
    QVERIFY(!rig.Window->isMaximized() && !rig.Window->isMinimized());
  }

  void firstStartThenRoundTrip() {
    {
      TWindowRig rig;
      rig.Window->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
      QCOMPARE(IniValue("Screens", "MainFormFm"), QStringLiteral("<none>"));
      // Wide enough for every toolbar button with its caption and all seven column headers.
      QWidget* toolbar = rig.Find<QWidget>("ToolBar");
      for (QToolButton* button : toolbar->findChildren<QToolButton*>())
        QVERIFY2(toolbar->rect().contains(QRect(button->mapTo(toolbar, QPoint(0, 0)), button->size())),
                 qPrintable(button->text()));
      QVERIFY(rig.List()->header()->sectionViewportPosition(6) + 40 < rig.List()->viewport()->width());
      rig.Window->setGeometry(60, 70, 500, 400);
      rig.Window->close();
    }
    const QStringList fields = IniValue("Screens", "MainFormFm").split(',');
    QCOMPARE(fields.size(), 10);
    QCOMPARE(fields.mid(0, 6), (QStringList{"0", "1", "-1", "-1", "-1", "-1"}));
    {
      TWindowRig rig;
      rig.Window->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
      QCOMPARE(rig.Window->geometry(), QRect(60, 70, 500, 400));
    }
  }

  void aMaximisedWindowReopensMaximisedOverItsNormalRectangle() {
    {
      TWindowRig rig;
      rig.Window->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
      rig.Window->setGeometry(40, 50, 420, 310);
      rig.Window->showMaximized();
      QTRY_VERIFY(rig.Window->isMaximized());
    }
    QVERIFY(IniValue("Screens", "MainFormFm").startsWith(QStringLiteral("0,3,")));
    TWindowRig rig;
    rig.Window->show();
    QTRY_VERIFY(rig.Window->isMaximized());
    QCOMPARE(rig.Window->normalGeometry(), QRect(40, 50, 420, 310));
  }

  void aRectangleOffEveryScreenComesBackOntoThePrimary() {
    QVERIFY(WriteIni("[Screens]\nMainFormFm=0,1,-1,-1,-1,-1,-9000,-9000,-8600,-8700\n"));
    TWindowRig rig;
    rig.Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(primary.contains(rig.Window->frameGeometry()));
    QCOMPARE(rig.Window->frameGeometry().size(), QSize(400, 300));

    // Too large for the screen as well: made to fit it.
    const QRect fitted =
        FitOntoScreens(QRect(90000, 0, 5000, 4000), {QRect(0, 0, 800, 600)}, QRect(0, 0, 800, 560));
    QCOMPARE(fitted, QRect(0, 0, 800, 560));
    // Partly on a second screen: left as it is.
    const QRect partly(1500, 100, 400, 300);
    QCOMPARE(FitOntoScreens(partly, {QRect(0, 0, 800, 600), QRect(800, 0, 800, 600)}, QRect(0, 0, 800, 600)),
             partly);
  }

  void twoWindowsKeepTheirOwnKeys() {
    QVERIFY(WriteIni("[Screens]\nFrmBrowse=0,1,-1,-1,-1,-1,1,2,303,204\n"));
    {
      TWindowRig rig;
      rig.Window->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
    }
    QCOMPARE(IniValue("Screens", "FrmBrowse"), QStringLiteral("0,1,-1,-1,-1,-1,1,2,303,204"));
    QVERIFY(IniValue("Screens", "MainFormFm").startsWith(QStringLiteral("0,1,")));
  }

  void aWindowNeverShownWritesNothing() {
    { TWindowRig rig; }
    QCOMPARE(IniValue("Screens", "MainFormFm"), QStringLiteral("<none>"));
  }

  void aSettingsFileThatCannotBeWritten() {
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    const QString blocker = QDir::tempPath() + "/placement-blocker";
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_HOME", (blocker + "/config").toLocal8Bit());
    const QString path = platform::ProfileFilePath("PARCELIX.INI");
    QStringList messages;
    {
      TWindowRig rig;
      rig.Window->show();
      QVERIFY(QTest::qWaitForWindowExposed(rig.Window.get()));
      rig.Action("SaveSettingsonExit1")->setChecked(false);
      rig.Window->close();
      rig.Window.reset();
      messages = rig.Dialogs.Messages();
    }
    qputenv("XDG_CONFIG_HOME", home);
    QFile::remove(blocker);
    QCOMPARE(messages, QStringList{"Error: Unable to write to " + path});
  }
};

PARCELIX_GUI_TEST_MAIN(TestPlacement)
#include "test_placement.moc"
