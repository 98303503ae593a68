// The help file's reader on its own, without the viewer's window: damaged files, body lines and
// line ends, search, and files that cannot be read.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "common/test_environment.h"
#include "help_file_sample.h"
#include "platform/help_file.h"

using platform::HelpFile;

class TestHelpFile : public QObject {
  Q_OBJECT

 private slots:
  void damagedFilesAreRefused_data();
  void damagedFilesAreRefused();
  void bodyLinesAndLineEnds();
  void searchFindsTopicsHoldingEveryWord();
  void filesThatCannotBeReadAreTold();
};

void TestHelpFile::damagedFilesAreRefused_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("another file") << QByteArray("<html><body>help</body></html>\n");
  QTest::newRow("topic without end") << QByteArray("#PARCELIX-HELP 1\n#TOPIC 1001\n#TITLE A\n<p>x</p>\n");
  QTest::newRow("topic runs into the next")
      << QByteArray("#PARCELIX-HELP 1\n#TOPIC 1001\n<p>x</p>\n#TOPIC 1002\n<p>y</p>\n#END\n");
  QTest::newRow("same topic twice") << QByteArray("#PARCELIX-HELP 1\n#TOPIC 7\n#END\n#TOPIC 7\n#END\n");
  QTest::newRow("bad topic number") << QByteArray("#PARCELIX-HELP 1\n#TOPIC -3\n#END\n");
  QTest::newRow("contents skips a level") << QByteArray("#PARCELIX-HELP 1\n#CONTENTS\n1\t0\tA\n3\t5\tB\n");
  QTest::newRow("contents line cut") << QByteArray("#PARCELIX-HELP 1\n#CONTENTS\n1\t0\n");
  QTest::newRow("index without topics") << QByteArray("#PARCELIX-HELP 1\n#INDEX\nadd\t\n");
  QTest::newRow("index with words") << QByteArray("#PARCELIX-HELP 1\n#INDEX\nadd\tone two\n");
  QTest::newRow("text outside a topic") << QByteArray("#PARCELIX-HELP 1\n<p>stray</p>\n");
  QTest::newRow("not UTF-8") << QByteArray("#PARCELIX-HELP 1\n#TOPIC 1\n\xff\xfe\n#END\n");
}

void TestHelpFile::damagedFilesAreRefused() {
  QFETCH(QByteArray, data);
  HelpFile file;
  QCOMPARE(file.loadData(smallHelpFile()), HelpFile::Status::Ok);
  QCOMPARE(file.loadData(data, "/x/Parcelix.hlp"), HelpFile::Status::Damaged);
  QVERIFY(!file.errorText().isEmpty());
  // Nothing of the earlier file survives a failed load.
  QVERIFY(!file.topic(1001));
  QVERIFY(file.contents().isEmpty());
  QVERIFY(file.index().isEmpty());
  QCOMPARE(file.path(), QString("/x/Parcelix.hlp"));
}

void TestHelpFile::bodyLinesAndLineEnds() {
  // A body line that starts with '#' is stored with one more; CR LF line ends are read too.
  QByteArray data = smallHelpFile("<p>one</p>\n##define is not a directive\n<p>two</p>");
  data.replace("\n", "\r\n");
  HelpFile file;
  QCOMPARE(file.loadData(data), HelpFile::Status::Ok);
  QCOMPARE(file.topic(1001)->html, QString("<p>one</p>\n#define is not a directive\n<p>two</p>"));
  QCOMPARE(file.topic(1001)->keywords, QStringList({"add", "files"}));
  QCOMPARE(file.index().size(), 2);
  QCOMPARE(file.index()[1].contexts, QList<int>({1001, 1017}));
  QCOMPARE(file.keywordsMatching("iles").size(), 1);
  QCOMPARE(file.keywordsMatching("").size(), 2);
}

void TestHelpFile::searchFindsTopicsHoldingEveryWord() {
  HelpFile file;
  QCOMPARE(file.loadData(smallHelpFile()), HelpFile::Status::Ok);
  QCOMPARE(file.search("FOLDER"), QList<int>({1017}));
  QCOMPARE(file.search("Extract files"), QList<int>({1017}));
  QCOMPARE(file.search("files").size(), 2);
  QCOMPARE(file.search("files folder"), QList<int>({1017}));  // every word must occur
  QVERIFY(file.search("   ").isEmpty());
  QVERIFY(file.search("nowhere").isEmpty());
  QCOMPARE(HelpFile::plainText("<p>A &amp; B&nbsp;&lt;C&gt; &#65;&#x42;</p>"), QString("A & B <C> AB"));
}

void TestHelpFile::filesThatCannotBeReadAreTold() {
  QTemporaryDir dir;
  const QString good = dir.filePath("good.hlp");
  QFile out(good);
  QVERIFY(out.open(QIODevice::WriteOnly));
  QVERIFY(out.write(smallHelpFile()) > 0);
  out.close();

  // A file too large to be ours is refused by its size, without reading it (a sparse file).
  const QString huge = dir.filePath("huge.hlp");
  QFile big(huge);
  QVERIFY(big.open(QIODevice::WriteOnly));
  QVERIFY(big.resize(HelpFile::kMaxFileSize + 1));
  big.close();

  const struct {
    QString path;
    HelpFile::Status status;
  } cases[] = {
      {dir.filePath("absent.hlp"), HelpFile::Status::Missing},
      {dir.path(), HelpFile::Status::Missing},  // a folder is no file
      {huge, HelpFile::Status::Damaged},
  };
  for (const auto& c : cases) {
    HelpFile file;
    QCOMPARE(file.load(good), HelpFile::Status::Ok);
    QCOMPARE(file.load(c.path), c.status);
    QVERIFY2(!file.errorText().isEmpty(), qPrintable(c.path));
    QVERIFY(!file.isLoaded());
    QVERIFY(!file.topic(1001));  // nothing of the earlier file is left
    QCOMPARE(file.path(), c.path);
  }
}

PARCELIX_CORE_TEST_MAIN(TestHelpFile)
#include "test_help_file.moc"
