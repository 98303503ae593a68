// The settings file: defaults on a first start and what a first save writes, the reading rules,
// a round trip of every setting and of every key of the table, when saving happens, and a file
// that cannot be written.
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QSet>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "archive_fixture.h"
#include "common/test_environment.h"
#include "settings/settings.h"
#include "test_mainwindow_rig.h"

namespace {

QList<int> Widths(TWindowRig& rig) {
  QList<int> widths;
  for (int column = 0; column < 7; ++column) widths << rig.List()->columnWidth(column);
  return widths;
}

// The "key=value" lines of each section of the settings file, in file order.
QMap<QString, QStringList> IniSections() {
  QFile file(platform::ProfileFilePath("PARCELIX.INI"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QMap<QString, QStringList> sections;
  QString section;
  for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith('['))
      section = line.mid(1, line.indexOf(']') - 1);
    else
      sections[section] << line;
  }
  return sections;
}

using S = TStoredSettings;

// The value of Key in Settings, as text.
QString Shown(const TSettingKey& key, const S& settings) {
  return VisitField(
      key, [&](bool S::*field) { return QString(settings.*field ? "true" : "false"); },
      [&](std::int32_t S::*field) { return QString::number(settings.*field); },
      [&](QString S::*field) { return settings.*field; });
}

// Key's field set away from its default, to a value told apart by Step.
void SetAway(const TSettingKey& key, S& settings, int step) {
  const S defaults = DefaultSettings();
  VisitField(
      key, [&](bool S::*field) { settings.*field = !(defaults.*field); },
      [&](std::int32_t S::*field) {
        // Within the key's limits: a value beyond them is read back as the default.
        std::int32_t value = defaults.*field + step;
        if (value > key.Highest || value < key.Lowest)
          value = defaults.*field == key.Lowest ? key.Highest : key.Lowest;
        settings.*field = value;
      },
      [&](QString S::*field) { settings.*field = QStringLiteral("/%1/\u00e9").arg(key.Key); });
}

}  // namespace

class TestSettingsStore : public QObject {
  Q_OBJECT

 private slots:
  void init() { RemoveIni(); }

  void firstStartWithoutASettingsFile() {
    TWindowRig rig;
    rig.Window->show();
    TMainFormFm& w = *rig.Window;
    QVERIFY(w.ConfirmAdd && w.ConfirmExtract && w.ConfirmRemove);
    QCOMPARE(w.CompressionLevel, 6);
    QCOMPARE(w.MainXz->Compression, 6);
    QCOMPARE(w.Overwrite, 2);
    QCOMPARE(w.MainXz->Overwrite, zowAsk);
    QVERIFY(w.ClearDisk && w.IncludeHidden && w.StorePath);
    QVERIFY(!w.OnTop && !w.UseTempFile && !w.MoveFiles && !w.Recurse && !w.ExtractPath && !w.CloseBrowser);
    QCOMPARE(w.StoredExt, QStringLiteral(".ZIP;.LZH;.ARC;.ARJ;.ZOO"));
    QCOMPARE(w.MainXz->StoredExtensions, w.StoredExt);
    QCOMPARE(w.MouseAction, 0);
    QCOMPARE(w.ActiveColumn, 0);
    QVERIFY(rig.Action("SortbyName")->isChecked());
    QVERIFY(w.LastDirectory.isEmpty());
    // The system's temporary folder, without its trailing "/".
    QCOMPARE(w.TempFolder, qEnvironmentVariable("TMPDIR"));
    QCOMPARE(w.MainXz->TempPath, qEnvironmentVariable("TMPDIR"));
    QVERIFY(rig.Find<QFrame>("ToolBar")->isVisible());
    QVERIFY(rig.Find<QStatusBar>("StatusBar1")->isVisible());
    QVERIFY(rig.Action("MnDisplayButtons")->isChecked() && rig.Action("MnTextLabels")->isChecked() &&
            rig.Action("MnStatusbar")->isChecked());
    QCOMPARE(rig.Find<QToolButton>("SpdBtnNew")->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(Widths(rig), (QList<int>{90, 62, 60, 60, 60, 38, 1096}));
    QVERIFY(rig.Action("SaveSettingsonExit1")->isChecked());
    // Loading writes nothing.
    QVERIFY(!QFile::exists(platform::ProfileFilePath("PARCELIX.INI")));
  }

  // In the order written, each with its default; an empty LastDirectory is not written, and
  // TempFolder holds the system's temporary folder the load put there.
  void aFirstSaveWritesEveryKeyWithItsDefault() {
    TWindowRig rig;
    rig.Action("SaveSettingsNow1")->trigger();
    const QMap<QString, QStringList> sections = IniSections();
    QCOMPARE(sections.keys(), (QStringList{"Columns", "Settings"}));
    QCOMPARE(sections["Settings"], (QStringList{"CompressionLevel=6",
                                                "ConfirmRemove=1",
                                                "ConfirmExtract=1",
                                                "ConfirmAdd=1",
                                                "TempFolder=" + qEnvironmentVariable("TMPDIR"),
                                                "OnTop=0",
                                                "UseTempFile=0",
                                                "Password=",
                                                "Encryption=0",
                                                "CloseBrowser=0",
                                                "MouseAction=0",
                                                "ClearDisk=1",
                                                "IncludeHidden=1",
                                                "MoveFiles=0",
                                                "StorePath=1",
                                                "Recurse=0",
                                                "StoredExt=.ZIP;.LZH;.ARC;.ARJ;.ZOO",
                                                "Overwrite=2",
                                                "DefaultExtractPath=",
                                                "ExtractPath=0",
                                                "ExtractMethod=0",
                                                "ActiveColumn=0",
                                                "StatusBar=1",
                                                "TextLabels=1",
                                                "Toolbar=1"}));
    QCOMPARE(sections["Columns"],
             (QStringList{"Name=90", "Date=62", "Time=60", "Size=60", "Packed=60", "Ratio=38", "Path=1096"}));
  }

  // Every key of the table, set away from its default, comes back from the file as it went in.
  // No two keys share a name or a field: changing one key's field changes that key alone.
  void everyKeyOfTheTableComesBackAsWritten() {
    const S defaults = DefaultSettings();
    S written = defaults;
    QSet<QString> names;
    for (const TSettingKey& key : SettingsTable()) {
      names << QString(key.Section) + '/' + key.Key;
      SetAway(key, written, names.size());
      S alone = defaults;
      SetAway(key, alone, names.size());
      for (const TSettingKey& other : SettingsTable())
        QVERIFY2((Shown(other, alone) != Shown(other, defaults)) == (&other == &key),
                 qPrintable(QString(key.Key) + " and " + other.Key));
    }
    QCOMPARE(names.size(), int(SettingsTable().size()));

    testing_support::TScriptedDialogs dialogs;
    QVERIFY(WriteSettings(written, dialogs));
    QVERIFY(dialogs.Messages().isEmpty());
    const S read = ReadSettings();
    for (const TSettingKey& key : SettingsTable()) QVERIFY2(Shown(key, read) == Shown(key, written), key.Key);
  }

  void readingRules() {
    QVERIFY(
        WriteIni("[Settings]\n"
                 "CompressionLevel=0x8\n"
                 "ConfirmAdd=5\n"
                 "ConfirmRemove=0\n"
                 "ConfirmExtract=nonsense\n"
                 "Overwrite=-1\n"
                 "TempFolder=/var/tmp/work//\n"
                 "Password=" +
                 QString(100, 'p') +
                 "\n"
                 "ActiveColumn=9\n"
                 "MouseAction=$10\n"
                 "ExtractMethod=12abc\n"
                 "StoredExt=" +
                 QString(300, 'e') +
                 "\n"
                 "[Columns]\nPath=-5\nName=0X20\n"));
    TWindowRig rig;
    TMainFormFm& w = *rig.Window;
    QCOMPARE(w.CompressionLevel, 8);
    QCOMPARE(w.MainXz->Compression, 8);
    QVERIFY(w.ConfirmAdd);
    QVERIFY(!w.ConfirmRemove);
    QVERIFY(w.ConfirmExtract);  // not a number: the default
    QCOMPARE(w.Overwrite, 2);
    QCOMPARE(w.MainXz->Overwrite, zowAsk);
    QCOMPARE(w.TempFolder, QStringLiteral("/var/tmp/work/"));  // only the last "/" goes
    QCOMPARE(w.MainXz->TempPath, w.TempFolder);
    QCOMPARE(w.Password, QString(80, 'p'));
    QCOMPARE(w.MainXz->Password, QString(80, 'p'));
    QCOMPARE(w.ActiveColumn, 9);
    QVERIFY(rig.Action("SortbyName")->isChecked());  // 9 checks nothing
    QCOMPARE(w.MouseAction, 16);
    QCOMPARE(w.ExtractMethod, 0);
    QCOMPARE(w.StoredExt.size(), 255);
    QCOMPARE(rig.List()->columnWidth(0), 32);
    QCOMPARE(rig.List()->columnWidth(6), 1096);  // a width that would hide the column

    // Saved again: booleans as 1 and 0, the password as its first 80 characters.
    rig.Action("SaveSettingsNow1")->trigger();
    QCOMPARE(IniValue("Settings", "ConfirmAdd"), QStringLiteral("1"));
    QCOMPARE(IniValue("Settings", "ConfirmExtract"), QStringLiteral("1"));
    QCOMPARE(IniValue("Settings", "Password"), QString(80, 'p'));
    QCOMPARE(IniValue("Settings", "CompressionLevel"), QStringLiteral("8"));
    QCOMPARE(IniValue("Settings", "Overwrite"), QStringLiteral("2"));
  }

  void longPathsComeBackWhole() {
    // 3,000 bytes, beyond the usual 1,023-byte read, with two-byte characters across the border.
    const QString path = "/" + QString(1000, QChar(0xE9)) + "/" + QString(997, 'd');
    QVERIFY(WriteIni("[Settings]\nLastDirectory=" + path + "\nTempFolder=" + path +
                     "\nDefaultExtractPath=" + path + "\n[OpenedFiles]\nMRU1=" + path + "/a.zip\n"));
    TWindowRig rig;
    QCOMPARE(rig.Window->LastDirectory, path);
    QCOMPARE(rig.Window->TempFolder, path);
    QCOMPARE(rig.Window->DefaultExtractPath, path);
    // Opening the recent archive reads its name again: the message names the whole path.
    QAction* recent = nullptr;
    for (QAction* action : rig.Menu("FileMn")->actions())
      if (action->property("recentItem").toBool()) recent = action;
    QVERIFY(recent);
    recent->trigger();
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Information: The archive file, " + path +
                         "/a.zip, Cannot be located.  Please select another archive."});
  }

  void overwriteValuesReachTheEngine_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("mode");
    QTest::newRow("never") << "0" << int(zowNever);
    QTest::newRow("always") << "1" << int(zowAlways);
    QTest::newRow("ask") << "2" << int(zowAsk);
    QTest::newRow("out of range leaves the engine's own") << "7" << int(zowAsk);
  }

  void overwriteValuesReachTheEngine() {
    QFETCH(QString, stored);
    QFETCH(int, mode);
    QVERIFY(WriteIni("[Settings]\nOverwrite=" + stored + "\n"));
    TWindowRig rig;
    QCOMPARE(int(rig.Window->MainXz->Overwrite), mode);
  }

  void everySettingSurvivesARoundTrip() {
    {
      TWindowRig rig;
      rig.Window->show();
      TMainFormFm& w = *rig.Window;
      w.LastDirectory = "/data/zips";
      w.CompressionLevel = 3;
      w.ConfirmRemove = w.ConfirmExtract = w.ConfirmAdd = false;
      w.TempFolder = "/var/tmp";
      w.OnTop = true;
      w.UseTempFile = true;
      w.Password = "s3cret";
      w.CloseBrowser = true;
      w.MouseAction = 2;
      w.ClearDisk = w.IncludeHidden = w.StorePath = false;
      w.MoveFiles = w.Recurse = w.ExtractPath = true;
      w.StoredExt = ".GZ;.7Z";
      w.Overwrite = 1;
      w.DefaultExtractPath = "/data/out";
      w.ExtractMethod = 2;
      rig.Action("SortbyPackedSize")->trigger();
      rig.Action("MnDisplayButtons")->trigger();
      rig.Action("MnStatusbar")->trigger();
      rig.Action("MnTextLabels")->trigger();
      for (int column = 0; column < 7; ++column) rig.List()->setColumnWidth(column, 20 + column);
      rig.Window->close();  // "Save Settings on Exit" is checked
    }
    TWindowRig rig;
    rig.Window->show();
    TMainFormFm& w = *rig.Window;
    QCOMPARE(w.LastDirectory, QStringLiteral("/data/zips"));
    QCOMPARE(w.CompressionLevel, 3);
    QCOMPARE(w.MainXz->Compression, 3);
    QVERIFY(!w.ConfirmRemove && !w.ConfirmExtract && !w.ConfirmAdd);
    QCOMPARE(w.TempFolder, QStringLiteral("/var/tmp"));
    QVERIFY(w.OnTop);
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(w.UseTempFile && w.MainXz->UseTempFile);
    QCOMPARE(w.MainXz->Password, QStringLiteral("s3cret"));
    QVERIFY(w.CloseBrowser);
    QCOMPARE(w.MouseAction, 2);
    QVERIFY(!w.ClearDisk && !w.MainXz->ClearDisks && !w.IncludeHidden && !w.MainXz->IncludeHiddenFiles);
    QVERIFY(!w.StorePath);
    QVERIFY(w.MoveFiles && w.MainXz->MoveFiles && w.Recurse && w.MainXz->Recurse && w.ExtractPath);
    QCOMPARE(w.MainXz->StoredExtensions, QStringLiteral(".GZ;.7Z"));
    QCOMPARE(w.MainXz->Overwrite, zowAlways);
    QCOMPARE(w.DefaultExtractPath, QStringLiteral("/data/out"));
    QCOMPARE(w.ExtractMethod, 2);
    QCOMPARE(w.ActiveColumn, 4);
    QVERIFY(rig.Action("SortbyPackedSize")->isChecked());
    QVERIFY(!rig.Action("MnDisplayButtons")->isChecked());
    QVERIFY(!rig.Find<QFrame>("ToolBar")->isVisible());
    QVERIFY(!rig.Find<QStatusBar>("StatusBar1")->isVisible());
    QCOMPARE(rig.Find<QToolButton>("SpdBtnNew")->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(Widths(rig), (QList<int>{20, 21, 22, 23, 24, 25, 26}));
  }

  void savingOnlyWhenItShould() {
    QVERIFY(WriteIni("[Settings]\nLastDirectory=/kept\n"));
    TWindowRig rig;
    rig.Window->LastDirectory.clear();
    rig.Window->CompressionLevel = 1;
    rig.Action("SaveSettingsonExit1")->trigger();  // the mark toggles off
    QVERIFY(!rig.Action("SaveSettingsonExit1")->isChecked());
    rig.Window->close();
    QCOMPARE(IniValue("Settings", "CompressionLevel"), QStringLiteral("<none>"));

    rig.Action("SaveSettingsNow1")->trigger();
    QCOMPARE(IniValue("Settings", "CompressionLevel"), QStringLiteral("1"));
    QCOMPARE(IniValue("Settings", "LastDirectory"), QStringLiteral("/kept"));  // empty: untouched
    QCOMPARE(IniValue("Columns", "Path"), QStringLiteral("1096"));
    QCOMPARE(IniValue("Settings", "Toolbar"), QStringLiteral("1"));
    QVERIFY(rig.Dialogs.Messages().isEmpty());
  }

  void aSettingsFileThatCannotBeWritten() {
    QVERIFY(WriteIni("[Settings]\nCompressionLevel=4\n"));
    // The settings folder lies under a plain file, so no write can succeed, whoever runs this.
    const QByteArray home = qgetenv("XDG_CONFIG_HOME");
    const QString blocker = QDir::tempPath() + "/blocker";
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CONFIG_HOME", (blocker + "/config").toLocal8Bit());
    const QString path = platform::ProfileFilePath("PARCELIX.INI");
    TWindowRig rig;
    rig.Window->CompressionLevel = 9;
    rig.Action("SaveSettingsNow1")->trigger();
    qputenv("XDG_CONFIG_HOME", home);
    QFile::remove(blocker);
    // One message: the keys after the failing one are not tried.
    QCOMPARE(rig.Dialogs.Messages(), QStringList{"Error: Unable to write to " + path});
    QCOMPARE(IniValue("Settings", "CompressionLevel"), QStringLiteral("4"));
  }
};

PARCELIX_GUI_TEST_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
