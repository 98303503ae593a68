// This run's private folder for copies out of archives: owner-only, swept after a crash but
// never while its run lives; copies lose executable bits; what counts as a program.
#include <sys/stat.h>
#include <utime.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include "common/test_environment.h"
#include "platform/run_folder.h"

using namespace platform;

namespace {

void Write(const QString& path, const QByteArray& content, QFile::Permissions permissions) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
  file.close();
  QVERIFY(file.setPermissions(permissions));
}

unsigned ModeOf(const QString& path) {
  struct stat st {};
  stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 07777;
}

}  // namespace

class TestRunFolder : public QObject {
  Q_OBJECT

 private slots:
  void aRunFolderIsPrivateAndGoesWithItsRun() {
    QString path;
    {
      TRunFolder folder(QDir::tempPath(), "parcelix-view-");
      QVERIFY(folder.IsValid());
      path = folder.Path();
      QVERIFY(QFileInfo(path).fileName().startsWith("parcelix-view-"));
      QCOMPARE(ModeOf(path), 0700u);
      Write(path + "/copy.txt", "x", QFile::ReadOwner);
    }
    QVERIFY(!QFileInfo::exists(path));
  }

  // A killed run leaves its folder with a mark nobody holds; a living run's folder, one of
  // another name, and a young folder without a mark (a run making it now) stay.
  void theSweepTakesOnlyWhatEndedRunsLeft() {
    const QString parent = QDir::tempPath() + "/sweep";
    QVERIFY(QDir().mkpath(parent));
    TRunFolder living(parent, "parcelix-view-");
    QVERIFY(QDir().mkpath(parent + "/parcelix-view-killed"));
    Write(parent + "/parcelix-view-killed/.in-use", "", QFile::ReadOwner | QFile::WriteOwner);
    Write(parent + "/parcelix-view-killed/left.txt", "x", QFile::ReadOwner);
    QVERIFY(QDir().mkpath(parent + "/parcelix-view-young"));
    QVERIFY(QDir().mkpath(parent + "/parcelix-view-old"));
    const QByteArray old = QFile::encodeName(parent + "/parcelix-view-old");
    utimbuf longAgo{1000000000, 1000000000};
    QCOMPARE(utime(old.constData(), &longAgo), 0);
    QVERIFY(QDir().mkpath(parent + "/someone-else"));
    QVERIFY(QFile::link(parent + "/someone-else", parent + "/parcelix-view-link"));

    SweepAbandonedRunFolders(parent, "parcelix-view-");
    QStringList left = QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    left.removeOne(QFileInfo(living.Path()).fileName());
    QCOMPARE(left, (QStringList{"parcelix-view-link", "parcelix-view-young", "someone-else"}));
    QVERIFY(QFileInfo::exists(living.Path() + "/.in-use"));
  }

  void copiesLoseTheirExecutableBits() {
    TRunFolder folder(QDir::tempPath(), "parcelix-view-");
    QVERIFY(QDir().mkpath(folder.Path() + "/1"));
    const QString copy = folder.Path() + "/1/readme.txt";
    Write(copy, "#!/bin/sh\ntouch marker\n",
          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
              QFile::ExeOther);
    RemoveExecutableBits(folder.Path());
    QCOMPARE(ModeOf(copy) & 0111, 0u);
    QCOMPARE(ModeOf(folder.Path() + "/1") & 0100, 0100u);  // folders stay enterable
  }

  void aProgramIsAnExecutableImageOrScript_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("program");
    QTest::newRow("script with the bit") << QByteArray("#!/bin/sh\necho\n") << true << true;
    QTest::newRow("ELF with the bit") << QByteArray(
                                             "\x7f"
                                             "ELF\x02\x01\x01",
                                             7)
                                      << true << true;
    QTest::newRow("text with the bit") << QByteArray("Dear reader\n") << true << false;
    QTest::newRow("PDF with the bit") << QByteArray("%PDF-1.4\n") << true << false;
    QTest::newRow("script without the bit") << QByteArray("#!/bin/sh\necho\n") << false << false;
    QTest::newRow("empty with the bit") << QByteArray() << true << false;
  }
  void aProgramIsAnExecutableImageOrScript() {
    QFETCH(QByteArray, content);
    QFETCH(bool, executable);
    QFETCH(bool, program);
    const QString path = QDir::tempPath() + "/candidate";
    Write(path, content,
          QFile::ReadOwner | QFile::WriteOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    QCOMPARE(IsProgramFile(path), program);
  }

  void theSystemTempFolderIsTmpdirWithoutItsTrailingSlash_data() {
    QTest::addColumn<QByteArray>("tmpdir");
    QTest::addColumn<QString>("folder");
    QTest::newRow("not set") << QByteArray() << "/tmp";
    QTest::newRow("plain") << QByteArray("/var/scratch") << "/var/scratch";
    QTest::newRow("trailing slash") << QByteArray("/var/scratch/") << "/var/scratch";
    QTest::newRow("root") << QByteArray("/") << "/";
  }
  void theSystemTempFolderIsTmpdirWithoutItsTrailingSlash() {
    QFETCH(QByteArray, tmpdir);
    QFETCH(QString, folder);
    const QByteArray kept = qgetenv("TMPDIR");
    if (tmpdir.isEmpty())
      qunsetenv("TMPDIR");
    else
      qputenv("TMPDIR", tmpdir);
    const QString found = SystemTempFolder();
    qputenv("TMPDIR", kept);
    QCOMPARE(found, folder);
  }
};

PARCELIX_CORE_TEST_MAIN(TestRunFolder)
#include "test_run_folder.moc"
