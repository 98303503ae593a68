// What the main window shows: status bar geometry, View toggles and hints in panel 0.
#include <QEnterEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

#include "common/test_environment.h"
#include "test_mainwindow_rig.h"

namespace {

void Enter(QWidget* widget) {
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
  QApplication::sendEvent(widget, &enter);
}

void Leave(QWidget* widget) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(widget, &leave);
}

}  // namespace

class TestMainWindowView : public QObject {
  Q_OBJECT

 private slots:
  void resizePlacesPanelAndProgressBar_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("barWidth");
    QTest::newRow("400") << 400 << 260 << 264 << 113;
    QTest::newRow("444") << 444 << 260 << 264 << 157;
    QTest::newRow("445") << 445 << 265 << 270 << 153;
    QTest::newRow("600") << 600 << 420 << 425 << 153;
  }

  void resizePlacesPanelAndProgressBar() {
    QFETCH(int, width);
    QFETCH(int, panel);
    QFETCH(int, left);
    QFETCH(int, barWidth);
    TWindowRig rig;
    rig.Window->show();
    // The width that counts is the outer one, frame included.
    const int frame = rig.Window->frameGeometry().width() - rig.Window->width();
    rig.Window->resize(width - frame, 300);
    QTRY_COMPARE(rig.Window->frameGeometry().width(), width);
    auto* bar = rig.Find<QProgressBar>("ProgressBar2");
    auto* status = rig.Find<QStatusBar>("StatusBar1");
    QCOMPARE(rig.Find<QLabel>("StatusPanel0")->width(), panel);
    QCOMPARE(bar->geometry(), QRect(left, status->geometry().top() + 4, barWidth, 13));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
  }

  void textLabelsToggleButtonSizes() {
    TWindowRig rig;
    rig.Window->show();
    auto* toolbar = rig.Find<QWidget>("ToolBar");
    QList<QToolButton*> buttons;
    for (const char* name : {"SpdBtnNew", "ToolButton4", "SpdBtnClose", "SpdBtnAdd", "SpdBtnExtract",
                             "SpdBtnRemove", "SpdBtnView", "ToolButton10", "AbortSB"})
      buttons << rig.Find<QToolButton>(name);

    rig.Action("MnTextLabels")->trigger();
    QVERIFY(!rig.Action("MnTextLabels")->isChecked());
    QCOMPARE(toolbar->height(), 38);
    for (QToolButton* button : buttons) {
      QCOMPARE(button->size(), QSize(38, 38));
      QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    rig.Action("MnTextLabels")->trigger();
    QVERIFY(rig.Action("MnTextLabels")->isChecked());
    QCOMPARE(toolbar->height(), 52);
    const int width = buttons.first()->width();
    QVERIFY(width >= 40);
    for (QToolButton* button : buttons) {
      QCOMPARE(button->height(), 52);
      QCOMPARE(button->width(), width);  // one width for all, wide enough for every caption
      QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) <= width);
      QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    }
  }

  void statusBarAndToolbarToggles() {
    TWindowRig rig;
    rig.Window->show();
    auto* status = rig.Find<QWidget>("StatusBar1");
    auto* progress = rig.Find<QWidget>("ProgressBar2");
    auto* toolbar = rig.Find<QWidget>("ToolBar");

    rig.Action("MnStatusbar")->trigger();
    QVERIFY(!rig.Action("MnStatusbar")->isChecked());
    QVERIFY(!status->isVisible());
    QVERIFY(!progress->isVisible());
    rig.Action("MnStatusbar")->trigger();
    QVERIFY(status->isVisible());
    QVERIFY(progress->isVisible());

    rig.Action("MnDisplayButtons")->trigger();
    QVERIFY(!rig.Action("MnDisplayButtons")->isChecked());
    QVERIFY(!toolbar->isVisible());
    // Settings apply the toggles by calling the handlers: each call flips the mark.
    rig.Window->MnDisplayButtonsClick(nullptr);
    QVERIFY(rig.Action("MnDisplayButtons")->isChecked());
    QVERIFY(toolbar->isVisible());
  }

  void hintsReachPanelZero() {
    TWindowRig rig;
    rig.Window->show();
    auto* panel = rig.Find<QLabel>("StatusPanel0");

    Enter(rig.Find<QToolButton>("SpdBtnNew"));
    QCOMPARE(panel->text(), QStringLiteral("Create a new ZIP file"));
    Leave(rig.Find<QToolButton>("SpdBtnNew"));
    Enter(rig.Find<QToolButton>("AbortSB"));  // disabled buttons still explain themselves
    QCOMPARE(panel->text(), QStringLiteral("Abort the current process"));

    // A part of the window with no hint of its own, nor an enclosing one: nothing.
    Enter(rig.Find<QWidget>("ToolBar"));
    QCOMPARE(panel->text(), QString());

    // Over the list its hint shows, also over its inner parts.
    rig.List()->setStatusTip(QStringLiteral("3 Entries, 1,024 Bytes, 512 Bytes."));
    Enter(rig.List()->viewport());
    QCOMPARE(panel->text(), QStringLiteral("3 Entries, 1,024 Bytes, 512 Bytes."));
    rig.List()->setStatusTip(QString());
    Enter(rig.List()->viewport());
    QCOMPARE(panel->text(), QString());

    // A highlighted menu item shows its hint.
    QMenu* file = rig.Menu("FileMn");
    file->popup(rig.Window->mapToGlobal(QPoint(0, 0)));
    QTest::qWait(1);
    file->setActiveAction(rig.Action("FileOpenMn"));
    QCOMPARE(panel->text(), QStringLiteral("Open an existing Archive file."));
    file->setActiveAction(rig.Action("FileTestMn"));
    QCOMPARE(panel->text(), QStringLiteral("Test the selected Archive file"));
    // A disabled item (no archive is open) is not highlighted, yet its hint shows.
    QAction* rename = rig.Action("RenameArchive1");
    QVERIFY(!rename->isEnabled());
    QTest::mouseMove(file, file->actionGeometry(rename).center());
    QTRY_COMPARE(panel->text(), QStringLiteral("Rename or move the Open Archive "));
    file->hide();

    // So does an item of the context menu.
    rig.Window->MainXz->ZipFileName = QStringLiteral("/data/a.zip");
    QMenu* popup = rig.Find<QMenu>("PopupMenu1");
    popup->popup(rig.Window->mapToGlobal(QPoint(20, 20)));
    QTest::qWait(1);
    popup->setActiveAction(rig.Action("AddFile1"));
    QCOMPARE(panel->text(), QStringLiteral("Add files to current Archive file."));
    popup->hide();

    // The status bar's panels stay in place while hints come and go.
    QVERIFY(panel->isVisible());
    QVERIFY(rig.Find<QLabel>("StatusPanel1")->isVisible());
  }
};

PARCELIX_GUI_TEST_MAIN(TestMainWindowView)
#include "test_mainwindow_view.moc"
