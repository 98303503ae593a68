// Telling a file written anew from one left alone, within the same clock tick.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdio>

#include "common/test_environment.h"
#include "platform/file_identity.h"

namespace {

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestFileIdentity : public QObject {
  Q_OBJECT

 private slots:
  void replacedCreatedAndUntouchedFiles() {
    const QString dir = QDir::tempPath() + "/identity";
    QDir(dir).removeRecursively();
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + "/file.txt";

    QVERIFY(!platform::IdentifyFile(path).IsFile);
    QVERIFY(!platform::IdentifyFile(dir).IsFile);  // a folder is no file to open
    QVERIFY(Write(path, "first"));
    const platform::TFileIdentity first = platform::IdentifyFile(path);
    QVERIFY(first.IsFile);
    QVERIFY(first == platform::IdentifyFile(path));

    // A file renamed over it at once is another file, even when no clock tick has passed.
    QVERIFY(Write(dir + "/next.txt", "first"));
    QVERIFY(::rename(QFile::encodeName(dir + "/next.txt").constData(), QFile::encodeName(path).constData()) ==
            0);
    QVERIFY(!(first == platform::IdentifyFile(path)));
  }
};

PARCELIX_CORE_TEST_MAIN(TestFileIdentity)
#include "test_file_identity.moc"
