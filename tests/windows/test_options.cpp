// The configuration dialog, driven through the window's Configuration command: what it shows,
// what OK and Cancel leave in the settings and the engine, the byte limits, help, and staying on
// top.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <iterator>

#include "../mainform/archive_fixture.h"
#include "../mainform/test_mainwindow_rig.h"
#include "common/test_environment.h"
#include "settings/options.h"
#include "settings/settings.h"

namespace {

template <class T>
T* Control(QWidget& dialog, const char* name) {
  T* found = dialog.findChild<T*>(QLatin1String(name));
  if (!found) qFatal("no control named %s", name);
  return found;
}

// Runs the command with Act working on the open dialog; Act closes it. False when no dialog
// showed or Act left it open (it is then cancelled, so the test goes on).
bool Configure(TWindowRig& rig, const std::function<void(TFrmConfiguration&)>& act) {
  bool seen = false;
  bool leftOpen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<TFrmConfiguration*>(QApplication::activeModalWidget());
    if (!dialog) return;
    poll.stop();
    seen = true;
    act(*dialog);
    if (dialog->isVisible()) {
      leftOpen = true;
      dialog->done(QDialog::Rejected);
    }
  });
  poll.start(5);
  rig.Action("Configuration1")->trigger();
  return seen && !leftOpen;
}

void Press(QWidget& dialog, Qt::Key key) {
  // Shortcuts go by the active window and its focus, not by the widget a key event is sent to: a
  // key sent before the dialog is active could meet the main window's list shortcuts (Return).
  dialog.activateWindow();
  static_cast<void>(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(Control<QLineEdit>(dialog, "EdTempFolder"), key);
}

// Types each character as its own key press, wide characters included.
void Type(QWidget* edit, const QString& text) {
  for (qsizetype at = 0; at < text.size(); ++at) {
    const qsizetype length = text[at].isHighSurrogate() ? 2 : 1;
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text.mid(at, length));
    QApplication::sendEvent(edit, &press);
    at += length - 1;
  }
}

struct TCheckBoxSetting {
  const char* Name;
  bool TMainFormFm::*Field;
};
const TCheckBoxSetting kCheckBoxes[] = {
    {"CkBxOnTop", &TMainFormFm::OnTop},
    {"CkBxUseTemp", &TMainFormFm::UseTempFile},
    {"CkBxRemove", &TMainFormFm::ConfirmRemove},
    {"CkBxAdd", &TMainFormFm::ConfirmAdd},
    {"CkBxExtract", &TMainFormFm::ConfirmExtract},
    {"CkBxClearDisk", &TMainFormFm::ClearDisk},
    {"CkBxIncludeHidden", &TMainFormFm::IncludeHidden},
    {"CkBxMoveFiles", &TMainFormFm::MoveFiles},
    {"CkBxStorePath", &TMainFormFm::StorePath},
    {"CkBxRecurse", &TMainFormFm::Recurse},
    {"CkBxExtractPath", &TMainFormFm::ExtractPath},
    {"CkBxCloseBrowser", &TMainFormFm::CloseBrowser},
};

std::int32_t& IntSetting(TMainFormFm& w, const QString& key) {
  if (key == "CompressionLevel") return w.CompressionLevel;
  if (key == "MouseAction") return w.MouseAction;
  if (key == "ExtractMethod") return w.ExtractMethod;
  return w.Overwrite;
}

// What the control of an integer setting shows: the slider's position or the selected item.
int Shown(TFrmConfiguration& dialog, const QString& key) {
  if (key == "CompressionLevel") return Control<QSlider>(dialog, "TrackBar1")->value();
  if (key == "MouseAction") {
    const char* const items[] = {"RdBtnMouseView", "RdBtnMouseExtract", "RdBtnMouseRemove"};
    for (int index = 0; index < 3; ++index)
      if (Control<QRadioButton>(dialog, items[index])->isChecked()) return index;
    return -1;
  }
  return Control<QComboBox>(dialog, key == "ExtractMethod" ? "CmExtractMethod" : "CmOverwrite")
      ->currentIndex();
}

QVariantList Settings(const TMainFormFm& w) {
  return {w.LastDirectory,
          w.CompressionLevel,
          w.ConfirmRemove,
          w.ConfirmExtract,
          w.ConfirmAdd,
          w.TempFolder,
          w.OnTop,
          w.UseTempFile,
          w.Password,
          w.CloseBrowser,
          w.MouseAction,
          w.ClearDisk,
          w.IncludeHidden,
          w.MoveFiles,
          w.StorePath,
          w.Recurse,
          w.StoredExt,
          w.Overwrite,
          w.DefaultExtractPath,
          w.ExtractPath,
          w.ExtractMethod,
          w.ActiveColumn};
}

QVariantList Engine(const TZipEngine& e) {
  return {int(e.Compression), e.ClearDisks, e.UseTempFile,        e.TempPath, e.StoredExtensions,
          e.Recurse,          e.MoveFiles,  e.IncludeHiddenFiles, e.Password};
}

bool Topmost(QWidget& widget) {
  return widget.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

}  // namespace

class TestOptions : public QObject {
  Q_OBJECT

 private slots:
  void init() { RemoveIni(); }

  // One check box set among cleared ones must show alone; toggling every box must then clear
  // only its own setting and set all the others, so a box wired to a neighbour's setting shows.
  void checkBoxesEditTheirOwnSetting_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<bool>("toggle");
    for (int box = 0; box < int(std::size(kCheckBoxes)); ++box) {
      QTest::addRow("%s untouched", kCheckBoxes[box].Name) << box << false;
      QTest::addRow("%s toggled", kCheckBoxes[box].Name) << box << true;
    }
  }
  void checkBoxesEditTheirOwnSetting() {
    QFETCH(int, box);
    QFETCH(bool, toggle);
    TWindowRig rig;
    TMainFormFm& w = *rig.Window;
    for (const auto& each : kCheckBoxes) w.*each.Field = false;
    w.*kCheckBoxes[box].Field = true;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      for (int each = 0; each < int(std::size(kCheckBoxes)); ++each) {
        QCheckBox* control = Control<QCheckBox>(dialog, kCheckBoxes[each].Name);
        QVERIFY2(control->isChecked() == (each == box), kCheckBoxes[each].Name);
        if (toggle) control->click();
      }
      Press(dialog, Qt::Key_Return);
    }));
    for (int each = 0; each < int(std::size(kCheckBoxes)); ++each)
      QVERIFY2(w.*kCheckBoxes[each].Field == ((each == box) != toggle), kCheckBoxes[each].Name);
    const TZipEngine& e = *w.MainXz;
    QCOMPARE((QList<bool>{e.ClearDisks, e.UseTempFile, e.Recurse, e.MoveFiles, e.IncludeHiddenFiles}),
             (QList<bool>{w.ClearDisk, w.UseTempFile, w.Recurse, w.MoveFiles, w.IncludeHidden}));
  }

  // Every setting of section "Settings" has its control, but for those the window changes itself
  // (LastDirectory, ActiveColumn and the look); OK without a change keeps each where it was.
  void everySettingHasAControlThatKeepsIt_data() {
    QTest::addColumn<int>("row");
    for (int row = 0; row < int(SettingsTable().size()); ++row) {
      const TSettingKey& key = SettingsTable()[row];
      if (QByteArray(key.Section) == "Settings") QTest::newRow(key.Key) << row;
    }
  }
  void everySettingHasAControlThatKeepsIt() {
    using S = TStoredSettings;
    QFETCH(int, row);
    const TSettingKey& key = SettingsTable()[row];
    const QStringList ownedByTheWindow{"LastDirectory", "ActiveColumn", "Toolbar", "StatusBar", "TextLabels"};
    QCOMPARE(key.Control == nullptr, ownedByTheWindow.contains(key.Key));
    if (!key.Control) return;

    TWindowRig rig;
    S values;
    static_cast<TSettings&>(values) = *rig.Window;
    const S defaults = DefaultSettings();
    // Away from the default, and within what the controls show.
    VisitField(
        key, [&](bool S::*field) { values.*field = !(defaults.*field); },
        [&](std::int32_t S::*field) { values.*field = defaults.*field == 0 ? 1 : defaults.*field - 1; },
        [&](QString S::*field) { values.*field = QString("/") + key.Key; });
    static_cast<TSettings&>(*rig.Window) = values;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      QVERIFY(dialog.findChild<QWidget*>(key.Control));
      Press(dialog, Qt::Key_Return);
    }));
    S kept;
    static_cast<TSettings&>(kept) = *rig.Window;
    const QVariant before = VisitField(key, [&](auto field) { return QVariant::fromValue(values.*field); });
    const QVariant after = VisitField(key, [&](auto field) { return QVariant::fromValue(kept.*field); });
    QCOMPARE(after, before);
  }

  void editedValuesReachTheSettingsAndTheEngine() {
    TWindowRig rig;
    TMainFormFm& w = *rig.Window;
    w.CompressionLevel = 5;
    w.TempFolder = "/var/tmp";
    w.Password = "old";
    w.StoredExt = ".ZIP";
    w.DefaultExtractPath = "/home/u/out";
    w.Overwrite = 0;
    w.ExtractMethod = 1;
    w.MouseAction = 2;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      QCOMPARE(Control<QTabWidget>(dialog, "PageControl1")->currentWidget()->objectName(), "PageOptions");
      QCOMPARE((QStringList{Control<QLineEdit>(dialog, "EdTempFolder")->text(),
                            Control<QLineEdit>(dialog, "EdPassword")->text(),
                            Control<QLineEdit>(dialog, "EdStoredExt")->text(),
                            Control<QLineEdit>(dialog, "EdDefaultExtractPath")->text()}),
               (QStringList{"/var/tmp", "old", ".ZIP", "/home/u/out"}));
      QCOMPARE((QList<int>{Shown(dialog, "CompressionLevel"), Shown(dialog, "Overwrite"),
                           Shown(dialog, "ExtractMethod"), Shown(dialog, "MouseAction")}),
               (QList<int>{5, 0, 1, 2}));
      Control<QSlider>(dialog, "TrackBar1")->setValue(3);
      Control<QLineEdit>(dialog, "EdTempFolder")->setText("/srv/scratch");
      Control<QLineEdit>(dialog, "EdPassword")->setText("s3cret");
      Control<QLineEdit>(dialog, "EdStoredExt")->setText(".GZ;.7Z");
      Control<QLineEdit>(dialog, "EdDefaultExtractPath")->setText("/data/out");
      Control<QComboBox>(dialog, "CmOverwrite")->setCurrentIndex(1);
      Control<QComboBox>(dialog, "CmExtractMethod")->setCurrentIndex(2);
      Control<QRadioButton>(dialog, "RdBtnMouseExtract")->click();
      Control<QPushButton>(dialog, "Button2")->click();
    }));
    QCOMPARE((QList<int>{w.CompressionLevel, w.Overwrite, w.ExtractMethod, w.MouseAction}),
             (QList<int>{3, 1, 2, 1}));
    QCOMPARE((QStringList{w.TempFolder, w.Password, w.StoredExt, w.DefaultExtractPath}),
             (QStringList{"/srv/scratch", "s3cret", ".GZ;.7Z", "/data/out"}));
    QCOMPARE(int(w.MainXz->Compression), 3);
    QCOMPARE((QStringList{w.MainXz->TempPath, w.MainXz->Password, w.MainXz->StoredExtensions}),
             (QStringList{"/srv/scratch", "s3cret", ".GZ;.7Z"}));
    QCOMPARE(w.MainXz->Overwrite, zowAlways);
  }

  void numbersShowAndStoreWithinTheirRange_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("kept");
    QTest::newRow("level 0") << "CompressionLevel" << 0 << 0 << 0;
    QTest::newRow("level 8") << "CompressionLevel" << 8 << 8 << 8;
    QTest::newRow("level 9 at the high end") << "CompressionLevel" << 9 << 8 << 8;
    QTest::newRow("level -3 at the low end") << "CompressionLevel" << -3 << 0 << 0;
    QTest::newRow("mouse 0") << "MouseAction" << 0 << 0 << 0;
    QTest::newRow("mouse 7 selects the last") << "MouseAction" << 7 << 2 << 2;
    QTest::newRow("mouse -1 selects none") << "MouseAction" << -1 << -1 << -1;
    QTest::newRow("method 2") << "ExtractMethod" << 2 << 2 << 2;
    QTest::newRow("method 5 selects none") << "ExtractMethod" << 5 << -1 << -1;
    QTest::newRow("overwrite 0") << "Overwrite" << 0 << 0 << 0;
    QTest::newRow("overwrite 7 becomes prompt") << "Overwrite" << 7 << -1 << 2;
    QTest::newRow("overwrite -4 becomes prompt") << "Overwrite" << -4 << -1 << 2;
  }
  void numbersShowAndStoreWithinTheirRange() {
    QFETCH(QString, key);
    QFETCH(int, stored);
    QFETCH(int, shown);
    QFETCH(int, kept);
    TWindowRig rig;
    IntSetting(*rig.Window, key) = stored;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      QCOMPARE(Shown(dialog, key), shown);
      Press(dialog, Qt::Key_Return);
    }));
    QCOMPARE(IntSetting(*rig.Window, key), kept);
    if (key == "CompressionLevel") QCOMPARE(int(rig.Window->MainXz->Compression), kept);
  }

  void tempFolderLosesOneTrailingSlash_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");  // null: left as shown
    QTest::addColumn<QString>("kept");
    QTest::newRow("plain") << "/var/tmp" << QString() << "/var/tmp";
    QTest::newRow("one slash") << "/var/tmp/" << QString() << "/var/tmp";
    QTest::newRow("two slashes lose one") << "/var/tmp//" << QString() << "/var/tmp/";
    QTest::newRow("the root stays the root") << "/" << QString() << "/";
    QTest::newRow("typed") << "/var/tmp"
                           << "/srv/work/"
                           << "/srv/work";
    QTest::newRow("cleared") << "/var/tmp"
                             << ""
                             << "";
  }
  void tempFolderLosesOneTrailingSlash() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    TWindowRig rig;
    rig.Window->TempFolder = stored;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      auto* edit = Control<QLineEdit>(dialog, "EdTempFolder");
      QCOMPARE(edit->text(), stored);
      if (!typed.isNull()) {
        edit->clear();
        Type(edit, typed);
      }
      Press(dialog, Qt::Key_Return);
    }));
    QCOMPARE(rig.Window->TempFolder, kept);
    QCOMPARE(rig.Window->MainXz->TempPath, kept);
  }

  void cancelKeepsEverythingButReappliesOverwrite_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Esc") << true;
  }
  void cancelKeepsEverythingButReappliesOverwrite() {
    QFETCH(bool, escape);
    TWindowRig rig;
    rig.Window->show();
    TMainFormFm& w = *rig.Window;
    w.Overwrite = 0;
    w.MainXz->Overwrite = zowAlways;  // out of step, so the re-application shows
    const QVariantList settings = Settings(w);
    const QVariantList engine = Engine(*w.MainXz);
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      for (const auto& box : kCheckBoxes) Control<QCheckBox>(dialog, box.Name)->click();
      Control<QSlider>(dialog, "TrackBar1")->setValue(1);
      for (const char* edit : {"EdTempFolder", "EdPassword", "EdStoredExt", "EdDefaultExtractPath"})
        Control<QLineEdit>(dialog, edit)->setText("/changed/");
      Control<QComboBox>(dialog, "CmOverwrite")->setCurrentIndex(1);
      Control<QComboBox>(dialog, "CmExtractMethod")->setCurrentIndex(2);
      Control<QRadioButton>(dialog, "RdBtnMouseRemove")->click();
      if (escape)
        Press(dialog, Qt::Key_Escape);
      else
        Control<QPushButton>(dialog, "Button1")->click();
    }));
    QCOMPARE(Settings(w), settings);
    QCOMPARE(Engine(*w.MainXz), engine);
    QCOMPARE(w.MainXz->Overwrite, zowNever);
    QVERIFY(!Topmost(w));
  }

  void passwordIsLimitedTo80Bytes_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    const QString e(QChar(0xE9));  // two bytes in UTF-8
    QTest::newRow("stored too long is shown cut") << QString(100, 'p') << "" << QString(80, 'p');
    QTest::newRow("a wide character is not split") << "a" + e.repeated(50) << ""
                                                   << "a" + e.repeated(39);
    QTest::newRow("typing past the limit") << "" << QString(85, 'x') << QString(80, 'x');
    QTest::newRow("a wide character that does not fit")
        << QString(78, 'x') << e + e + "y" << QString(78, 'x') + e;
    QTest::newRow("a four-byte character that does not fit")
        << QString(77, 'x') << QString::fromUtf8("\xF0\x9F\x94\x91") + "yz" << QString(77, 'x') + "yz";
  }
  void passwordIsLimitedTo80Bytes() {
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    TWindowRig rig;
    rig.Window->Password = stored;
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      auto* edit = Control<QLineEdit>(dialog, "EdPassword");
      QCOMPARE(edit->echoMode(), QLineEdit::Password);
      edit->end(false);
      Type(edit, typed);
      QCOMPARE(edit->text(), kept);
      Press(dialog, Qt::Key_Return);
    }));
    QCOMPARE(rig.Window->Password, kept);
    QCOMPARE(rig.Window->MainXz->Password, kept);
  }

  void helpButtonAndF1_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("pageContext");
    QTest::newRow("Options") << 0 << 1007;
    QTest::newRow("Add Options") << 1 << 1005;
    QTest::newRow("Extract Options") << 2 << 1006;
    QTest::newRow("Password") << 3 << 1009;
    QTest::newRow("Other") << 4 << 1008;
  }
  void helpButtonAndF1() {
    QFETCH(int, page);
    QFETCH(int, pageContext);
    TWindowRig rig;
    rig.Window->show();
    QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      auto* pages = Control<QTabWidget>(dialog, "PageControl1");
      pages->setCurrentIndex(page);
      Control<QPushButton>(dialog, "Button3")->click();
      QVERIFY(dialog.isVisible());  // help leaves the dialog open
      QTest::keyClick(pages->currentWidget(), Qt::Key_F1);
      Press(dialog, Qt::Key_Escape);
    }));
    QCOMPARE(rig.Help.Requests.size(), 2);
    for (const TRecordedHelp& request : rig.Help.Requests) {
      QCOMPARE(request.File, rig.Window->HelpFile);
      QCOMPARE(request.Command, platform::HELP_CONTEXT);
    }
    QCOMPARE((QList<int>{rig.Help.Requests[0].Context, rig.Help.Requests[1].Context}),
             (QList<int>{1010, pageContext}));
  }

  // The dialog opens topmost with the setting on. Ticking "Always on Top" raises the window at
  // once, and clearing it returns the window to the normal order at once; it stays shown.
  void onTopAppliesAtOnce() {
    TWindowRig rig;
    TMainFormFm& w = *rig.Window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (const bool wanted : {true, false}) {
      QVERIFY(Configure(rig, [&](TFrmConfiguration& dialog) {
        QCOMPARE(Topmost(dialog), !wanted);
        Control<QCheckBox>(dialog, "CkBxOnTop")->setChecked(wanted);
        Press(dialog, Qt::Key_Return);
      }));
      QCOMPARE(w.OnTop, wanted);
      QCOMPARE(Topmost(w), wanted);
      QVERIFY(w.isVisible());
    }
  }
};

PARCELIX_GUI_TEST_MAIN(TestOptions)
#include "test_options.moc"
