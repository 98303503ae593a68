// Private profile files: where a name lands, how values are found, what a write keeps, and that a
// failed write leaves the old file whole.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "common/test_environment.h"
#include "platform/profile.h"

using platform::GetPrivateProfileString;
using platform::kProfileBufferLength;
using platform::ProfileFilePath;
using platform::WritePrivateProfileString;

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& content) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(content), content.size());
}

QString read(const QString& section, const QString& key, const QString& file,
             const QString& fallback = QStringLiteral("<default>")) {
  return GetPrivateProfileString(section, key, fallback, kProfileBufferLength, file);
}

// True when this process can create a file in `folder` (root ignores a folder's permissions).
bool canCreateIn(const QString& folder) {
  QFile probe(folder + "/probe");
  const bool created = probe.open(QIODevice::WriteOnly);
  if (created) probe.remove();
  return created;
}

}  // namespace

class TestProfile : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir FDir;
  QString path(const QString& name) const { return FDir.filePath(name); }

 private slots:
  void init() { QVERIFY(FDir.isValid()); }

  void bareNameLivesInConfigFolder() {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString config = path("fresh/config");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QCOMPARE(ProfileFilePath("PARCELIX.INI"), config + "/PARCELIX.INI");
    QCOMPARE(ProfileFilePath(path("x/PARCELIX.INI")), path("x/PARCELIX.INI"));

    // The folder is created by the first write, private to its owner.
    QVERIFY(!QFileInfo::exists(config));
    QCOMPARE(read("Settings", "ConfirmAdd", "PARCELIX.INI", "1"), QString("1"));
    QVERIFY(!QFileInfo::exists(config));
    QVERIFY(WritePrivateProfileString("Settings", "ConfirmAdd", "0", "PARCELIX.INI"));
    QCOMPARE(readAll(config + "/PARCELIX.INI"), QByteArray("[Settings]\nConfirmAdd=0\n"));
    QCOMPARE(QFileInfo(config).permissions() & 0x0077, QFile::Permissions());
    QCOMPARE(read("Settings", "ConfirmAdd", "PARCELIX.INI"), QString("0"));

    // A name with a folder is used as given; that folder is not created.
    QVERIFY(!WritePrivateProfileString("Settings", "A", "1", path("missing/PARCELIX.INI")));
    QVERIFY(!QFileInfo::exists(path("missing")));

    // Unset or relative: the home folder's .config.
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(ProfileFilePath("PARCELIX.INI"), QDir::homePath() + "/.config/PARCELIX.INI");
    qputenv("XDG_CONFIG_HOME", "relative/folder");
    QCOMPARE(ProfileFilePath("PARCELIX.INI"), QDir::homePath() + "/.config/PARCELIX.INI");
    qputenv("XDG_CONFIG_HOME", saved);
  }

  void missingPartsGiveTheDefault() {
    const QString file = path("defaults.ini");
    QCOMPARE(read("Settings", "ConfirmAdd", file), QString("<default>"));
    writeAll(file,
             "stray=before any section\n"
             "[Settings]\n"
             "NoEquals\n"
             "=nameless\n"
             "Empty=\n"
             "; Commented=1\n"
             "[Other]\n"
             "Key=x\n");
    QCOMPARE(read("Settings", "stray", file), QString("<default>"));
    QCOMPARE(read("Settings", "Missing", file), QString("<default>"));
    QCOMPARE(read("Nowhere", "Key", file), QString("<default>"));
    QCOMPARE(read("Settings", "Key", file), QString("<default>"));
    QCOMPARE(read("Settings", "NoEquals", file), QString("<default>"));
    QCOMPARE(read("Settings", "; Commented", file), QString("<default>"));
    QCOMPARE(read("Settings", "", file), QString("<default>"));
    QCOMPARE(read("Settings", "Empty", file), QString());
    // A folder in the file's place reads as no file.
    QVERIFY(QDir().mkpath(path("folder.ini")));
    QCOMPARE(read("Settings", "Key", path("folder.ini")), QString("<default>"));
  }

  void namesMatchWithoutCaseAndBlanks() {
    const QString file = path("case.ini");
    writeAll(file,
             "  [ settings ]  \n\t confirmADD =  5  \nQuoted=\" a b \"\nSingle='x'\n"
             "Odd=\"x'\nEq=a=b\n");
    QCOMPARE(read("Settings", "ConfirmAdd", file), QString("5"));
    QCOMPARE(read("SETTINGS", " confirmadd ", file), QString("5"));
    QCOMPARE(read("Settings", "Quoted", file), QString(" a b "));
    QCOMPARE(read("Settings", "Single", file), QString("x"));
    QCOMPARE(read("Settings", "Odd", file), QString("\"x'"));
    QCOMPARE(read("Settings", "Eq", file), QString("a=b"));
  }

  void writeKeepsEveryOtherLine() {
    const QString file = path("keep.ini");
    const QByteArray before =
        "; Parcelix settings\n"
        "[Settings]\n"
        "CompressionLevel=6\n"
        "  ConfirmAdd = 1   ; indented\n"
        "# note\n"
        "\n"
        "[Columns]\n"
        "Name=90\n"
        "Path=1096";  // no line end on the last line
    writeAll(file, before);

    QVERIFY(WritePrivateProfileString("settings", "confirmadd", "0", file));
    QVERIFY(WritePrivateProfileString("Settings", "OnTop", "1", file));
    QVERIFY(WritePrivateProfileString("Columns", "Date", "62", file));
    QVERIFY(WritePrivateProfileString("Screens", "MainFormFm", "0,1,-1,-1,-1,-1,1,2,3,4", file));
    QCOMPARE(readAll(file), QByteArray("; Parcelix settings\n"
                                       "[Settings]\n"
                                       "CompressionLevel=6\n"
                                       "  ConfirmAdd=0\n"
                                       "OnTop=1\n"
                                       "# note\n"
                                       "\n"
                                       "[Columns]\n"
                                       "Name=90\n"
                                       "Path=1096\n"
                                       "Date=62\n"
                                       "\n"
                                       "[Screens]\n"
                                       "MainFormFm=0,1,-1,-1,-1,-1,1,2,3,4\n"));

    // Writing what is already there leaves the file untouched.
    const QDateTime stamp = QFileInfo(file).lastModified();
    QFile::setPermissions(file, QFile::ReadOwner);
    QVERIFY(WritePrivateProfileString("Settings", "OnTop", "1", file));
    QCOMPARE(QFileInfo(file).lastModified(), stamp);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
  }

  void duplicatesTakeTheFirst() {
    const QString file = path("dup.ini");
    writeAll(file,
             "[OpenedFiles]\nMRU1=first\nMRU1=second\n[Other]\nMRU2=other\n"
             "[openedfiles]\nMRU1=third\nMRU2=later\n");
    QCOMPARE(read("OpenedFiles", "MRU1", file), QString("first"));
    QCOMPARE(read("OpenedFiles", "MRU2", file), QString("later"));
    QVERIFY(WritePrivateProfileString("OpenedFiles", "MRU1", "new", file));
    QVERIFY(WritePrivateProfileString("OpenedFiles", "MRU2", "new2", file));
    QVERIFY(WritePrivateProfileString("OpenedFiles", "MRU3", "new3", file));
    QCOMPARE(readAll(file), QByteArray("[OpenedFiles]\nMRU1=new\nMRU1=second\nMRU3=new3\n"
                                       "[Other]\nMRU2=other\n"
                                       "[openedfiles]\nMRU1=third\nMRU2=new2\n"));
  }

  void crlfAndByteOrderMarkAreKept() {
    const QString file = path("dos.ini");
    writeAll(file, "\xEF\xBB\xBF[Settings]\r\nTempFolder=/tmp\r\n\r\n[Columns]\r\nName=90\r\n");
    QCOMPARE(read("Settings", "TempFolder", file), QString("/tmp"));
    QCOMPARE(read("Columns", "Name", file), QString("90"));
    QVERIFY(WritePrivateProfileString("Settings", "TempFolder", "/var/tmp", file));
    QVERIFY(WritePrivateProfileString("Settings", "OnTop", "0", file));
    QVERIFY(WritePrivateProfileString("Screens", "FrmBrowse", "1", file));
    QCOMPARE(readAll(file), QByteArray("\xEF\xBB\xBF[Settings]\r\nTempFolder=/var/tmp\r\n"
                                       "OnTop=0\r\n"
                                       "\r\n[Columns]\r\nName=90\r\n"
                                       "\r\n[Screens]\r\nFrmBrowse=1\r\n"));
    // A key on the first line, right behind the mark, is replaced without losing the mark.
    writeAll(file,
             "\xEF\xBB\xBF"
             "A=1\n[S]\nK=1\n");
    QVERIFY(WritePrivateProfileString("S", "K", "2", file));
    QCOMPARE(readAll(file), QByteArray("\xEF\xBB\xBF"
                                       "A=1\n[S]\nK=2\n"));
  }

  void readIsCutToTheBuffer() {
    const QString file = path("long.ini");
    const QString longValue = QString(1500, u'x');
    QVERIFY(WritePrivateProfileString("Settings", "Password", longValue, file));
    QCOMPARE(read("Settings", "Password", file), QString(1023, u'x'));
    QCOMPARE(GetPrivateProfileString("Settings", "Password", "", 81, file), QString(80, u'x'));
    QCOMPARE(GetPrivateProfileString("Settings", "Password", "", 1, file), QString());
    QCOMPARE(GetPrivateProfileString("Settings", "Password", "", 0, file), QString());
    QCOMPARE(GetPrivateProfileString("Settings", "None", "abcdef", 4, file), QString("abc"));

    // A cut never splits a character: "é" is two bytes, "€" three.
    QVERIFY(WritePrivateProfileString("Settings", "Accents", "aé€b", file));
    QCOMPARE(GetPrivateProfileString("Settings", "Accents", "", 3, file), QString("a"));
    QCOMPARE(GetPrivateProfileString("Settings", "Accents", "", 4, file), QString("aé"));
    QCOMPARE(GetPrivateProfileString("Settings", "Accents", "", 6, file), QString("aé"));
    QCOMPARE(GetPrivateProfileString("Settings", "Accents", "", 7, file), QString("aé€"));
    QCOMPARE(GetPrivateProfileString("Settings", "None", "€€", 6, file), QString("€"));
  }

  void valuesReadBackAsWritten_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "C:/Data/report.zip";
    QTest::newRow("empty") << "";
    QTest::newRow("leading and trailing blanks") << "  secret  ";
    QTest::newRow("tab") << "\tpass";
    QTest::newRow("enclosed in quotes") << "\"quoted\"";
    QTest::newRow("enclosed in single quotes") << "'x'";
    QTest::newRow("one quote") << "\"";
    QTest::newRow("equals and semicolons") << "a=b;c #d [e]";
    QTest::newRow("unicode") << "/home/zoë/Архив.zip";
  }
  void valuesReadBackAsWritten() {
    QFETCH(QString, value);
    const QString file = path("values.ini");
    QVERIFY(WritePrivateProfileString("Settings", "Value", value, file));
    QVERIFY(WritePrivateProfileString("Settings", "After", "kept", file));
    QCOMPARE(read("Settings", "Value", file), value);
    QCOMPARE(read("Settings", "After", file), QString("kept"));
  }

  void unsafeNamesAndValuesAreRefused_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("line break in value") << "S"
                                         << "K"
                                         << "a\n[Settings]\nPassword=x";
    QTest::newRow("carriage return in value") << "S"
                                              << "K"
                                              << "a\rb";
    QTest::newRow("NUL in value") << "S"
                                  << "K" << QString("a") + QChar(0) + "b";
    QTest::newRow("empty section") << " "
                                   << "K"
                                   << "v";
    QTest::newRow("bracket in section") << "S]x"
                                        << "K"
                                        << "v";
    QTest::newRow("line break in section") << "S\nT"
                                           << "K"
                                           << "v";
    QTest::newRow("empty key") << "S"
                               << ""
                               << "v";
    QTest::newRow("equals in key") << "S"
                                   << "K=J"
                                   << "v";
    QTest::newRow("key like a section") << "S"
                                        << "[K]"
                                        << "v";
    QTest::newRow("key like a comment") << "S"
                                        << ";K"
                                        << "v";
    QTest::newRow("line break in key") << "S"
                                       << "K\nJ"
                                       << "v";
  }
  void unsafeNamesAndValuesAreRefused() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = path("refused.ini");
    const QByteArray before = "[S]\nK=old\n";
    writeAll(file, before);
    QVERIFY(!WritePrivateProfileString(section, key, value, file));
    QCOMPARE(readAll(file), before);
  }

  void permissionsAreKeptAndNewFilesPrivate() {
    const QString existing = path("shared.ini");
    writeAll(existing, "[S]\nK=1\n");
    const QFile::Permissions shared =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(existing, shared));
    QVERIFY(WritePrivateProfileString("S", "K", "2", existing));
    QCOMPARE(QFileInfo(existing).permissions(), shared);

    const QString fresh = path("fresh.ini");
    QVERIFY(WritePrivateProfileString("S", "Password", "x", fresh));
    QCOMPARE(QFileInfo(fresh).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
  }

  void writeThroughSymbolicLink() {
    const QString target = path("real.ini");
    const QString link = path("link.ini");
    writeAll(target, "[S]\nK=1\n");
    QVERIFY(QFile::link(target, link));
    QVERIFY(WritePrivateProfileString("S", "K", "2", link));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), QByteArray("[S]\nK=2\n"));
  }

  void everyReadSeesTheFile() {
    const QString file = path("nocache.ini");
    QVERIFY(WritePrivateProfileString("S", "K", "1", file));
    QCOMPARE(read("S", "K", file), QString("1"));
    writeAll(file, "[S]\nK=changed elsewhere\n");
    QCOMPARE(read("S", "K", file), QString("changed elsewhere"));
    QVERIFY(!QFileInfo::exists(file + ".lock"));
  }

  void concurrentWritersLoseNothing() {
    // Several running copies of the program writing their own keys into one file.
    const QString file = path("shared-by-many.ini");
    constexpr int kWriters = 3;
    constexpr int kKeys = 15;
    QList<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
      const pid_t child = fork();
      QVERIFY(child >= 0);
      if (child == 0) {
        bool ok = true;
        for (int key = 0; key < kKeys; ++key)
          ok = WritePrivateProfileString("Screens", QString("W%1K%2").arg(writer).arg(key),
                                         QString::number(key), file) &&
               ok;
        _exit(ok ? 0 : 1);
      }
      children.append(child);
    }
    for (pid_t child : children) {
      int status = 0;
      QCOMPARE(waitpid(child, &status, 0), child);
      QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int writer = 0; writer < kWriters; ++writer)
      for (int key = 0; key < kKeys; ++key)
        QCOMPARE(read("Screens", QString("W%1K%2").arg(writer).arg(key), file), QString::number(key));
  }

  void readOnlyFileIsLeftAlone() {
    const QString file = path("readonly.ini");
    const QByteArray before = "[S]\nK=1\n";
    writeAll(file, before);
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(!WritePrivateProfileString("S", "K", "2", file));
    QVERIFY(!WritePrivateProfileString("S", "New", "2", file));
    QCOMPARE(readAll(file), before);
    QCOMPARE(read("S", "K", file), QString("1"));
  }

  void unwritableFolderFails() {
    // A "folder" that is a file cannot hold the profile.
    writeAll(path("plainfile"), "x");
    QVERIFY(!WritePrivateProfileString("S", "K", "2", path("plainfile/PARCELIX.INI")));

    const QString folder = path("locked");
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + "/PARCELIX.INI";
    writeAll(file, "[S]\nK=1\n");
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool privileged = canCreateIn(folder);
    const bool replaced = WritePrivateProfileString("S", "K", "2", file);
    const bool created = WritePrivateProfileString("S", "K", "2", folder + "/new.ini");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (privileged) QSKIP("this user may write into read-only folders");
    QVERIFY(!replaced);
    QVERIFY(!created);
    QCOMPARE(readAll(file), QByteArray("[S]\nK=1\n"));
    QVERIFY(!QFileInfo::exists(folder + "/new.ini"));
  }

  void fullDiskKeepsTheOldFile() {
    const QString folder = path("full");
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + "/PARCELIX.INI";
    const QByteArray before = "[Settings]\nTempFolder=/tmp\n";
    writeAll(file, before);

    // A file size limit makes every write past 64 bytes fail as a full disk would.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = WritePrivateProfileString("Settings", "StoredExt", QString(200, u'e'), file);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_DFL);

    QVERIFY(!written);
    QCOMPARE(readAll(file), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"PARCELIX.INI"});
  }

  void hugeAndBinaryFilesAreSafe() {
    // Larger than any profile: defaults, and a write that would have to load it fails.
    const QString huge = path("huge.ini");
    {
      QFile file(huge);
      QVERIFY(file.open(QIODevice::WriteOnly));
      QVERIFY(file.write("[S]\nK=1\n") > 0);
      QVERIFY(file.resize(platform::kProfileSizeLimit + 1));  // sparse: costs no disk
    }
    QCOMPARE(read("S", "K", huge), QString("<default>"));
    QVERIFY(!WritePrivateProfileString("S", "K", "2", huge));
    QCOMPARE(QFileInfo(huge).size(), platform::kProfileSizeLimit + 1);

    // Random bytes (NULs, lone CRs, broken UTF-8) are kept around a new section.
    const QString binary = path("binary.ini");
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator generator(42);
    for (char& byte : noise) byte = static_cast<char>(generator.bounded(256));
    writeAll(binary, noise);
    QCOMPARE(read("Parcelix", "K", binary), QString("<default>"));
    QVERIFY(WritePrivateProfileString("Parcelix", "K", "v", binary));
    QCOMPARE(read("Parcelix", "K", binary), QString("v"));
    QVERIFY(readAll(binary).startsWith(noise));
  }
};

int main(int argc, char** argv) {
  testing_support::TTestEnvironment environment;
  QCoreApplication application(argc, argv);
  TestProfile test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_profile.moc"
