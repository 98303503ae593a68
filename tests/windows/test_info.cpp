// The archive information and comment dialog against the real libraries: the facts shown, the
// comment read and written, Esc and Enter, a missing archive, and the main window's commands.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "../mainform/test_mainwindow_rig.h"
#include "common/test_environment.h"
#include "engine/zip_engine.h"
#include "windows/info.h"

namespace {

// Runs a short Python script with zipfile, an independent reader and writer.
QString Python(const QString& script, const QStringList& arguments) {
  QProcess python;
  python.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + arguments);
  if (!python.waitForFinished(60000) || python.exitCode() != 0) return QStringLiteral("<failed>");
  return QString::fromUtf8(python.readAllStandardOutput());
}

// Entries of Sizes bytes each, stored (exact packed sizes) or deflated from random bytes (which
// grow), with an archive comment.
bool MakeArchive(const QString& path, const QList<int>& sizes, bool stored, const QString& comment) {
  QString script = QStringLiteral(
      "import zipfile, os, sys\n"
      "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED if sys.argv[2] == 's' else "
      "zipfile.ZIP_DEFLATED)\n"
      "z.comment = sys.argv[3].encode()\n");
  for (int index = 0; index < sizes.size(); ++index)
    script += QStringLiteral("z.writestr('f%1.bin', os.urandom(%2))\n").arg(index).arg(sizes[index]);
  script += QStringLiteral("z.close()\n");
  return Python(script, {path, stored ? QStringLiteral("s") : QStringLiteral("d"), comment}) != "<failed>";
}

QString StoredComment(const QString& path) {
  return Python(QStringLiteral(
                    "import zipfile, sys\nsys.stdout.write(zipfile.ZipFile(sys.argv[1]).comment.decode())\n"),
                {path});
}

QString Text(TFrmArchiveInfo& info, const char* name) {
  return info.findChild<QLabel*>(QLatin1String(name))->text();
}

}  // namespace

class TestInfo : public QObject {
  Q_OBJECT

  QTemporaryDir FDir;
  QString FArchive;
  TZipEngine FEngine;

 private slots:
  void init() {
    FArchive = FDir.filePath(QStringLiteral("facts.zip"));
    QFile::remove(FArchive);
    FEngine.ZipFileName = FArchive;
    FEngine.MultidiskMode = false;
  }

  void compressionFigures() {
    QCOMPARE(CompressionText(3000, 750), QStringLiteral("75%"));
    QCOMPARE(CompressionText(1000, 1100), QStringLiteral("-10%"));
    QCOMPARE(CompressionText(3, 1), QStringLiteral("67%"));
    QCOMPARE(CompressionText(1000, 1004), QStringLiteral("0%"));  // never "-0%"
    QCOMPARE(CompressionText(0, 0), QStringLiteral("0%"));        // empty entries: nothing saved
    QCOMPARE(CompressionText(0, 22), QStringLiteral("0%"));
    // Sizes beyond 32 bits add up without wrapping.
    QCOMPARE(CompressionText(8'000'000'000LL, 2'000'000'000LL), QStringLiteral("75%"));
  }

  void dateAndTimeText() {
    const QDateTime midnight(QDate(2021, 3, 4), QTime(0, 0, 1));
    QCOMPARE(FileDateTimeText(midnight), QLocale::system().toString(QDate(2021, 3, 4), QLocale::ShortFormat));
    const QDateTime afternoon(QDate(2021, 3, 4), QTime(15, 6, 7));
    QCOMPARE(FileDateTimeText(afternoon),
             QLocale::system().toString(QDate(2021, 3, 4), QLocale::ShortFormat) + " " +
                 QLocale::system().toString(QTime(15, 6, 6), QLocale::LongFormat));
  }

  void factsOfAStoredArchive() {
    QVERIFY(MakeArchive(FArchive, {1000, 1000, 1000}, true, QStringLiteral("Release 1.2")));
    TFrmArchiveInfo info(FEngine, false);
    info.show();
    QCOMPARE(info.windowTitle(), QStringLiteral("Archive Information"));
    QCOMPARE(Text(info, "LbFile"), FArchive);
    // The file on disk, headers and all, not the sum of the entries.
    QCOMPARE(Text(info, "LbSize"), QString::number(QFileInfo(FArchive).size()));
    QVERIFY(QFileInfo(FArchive).size() > 3000);
    QCOMPARE(Text(info, "LbFiles"), QStringLiteral("3"));
    QCOMPARE(Text(info, "LbCompression"), QStringLiteral("0%"));
    QCOMPARE(Text(info, "LbDate"), FileDateTimeText(QFileInfo(FArchive).lastModified()));
    QCOMPARE(Text(info, "LbComment"), QStringLiteral("Release 1.2"));
    QVERIFY(info.findChild<QLabel*>("LbComment")->isVisible());
    QVERIFY(!info.findChild<QLineEdit*>("EdComment")->isVisible());
    QVERIFY(!(info.windowFlags() & Qt::WindowStaysOnTopHint));
    info.findChild<QPushButton*>("Button1")->click();
    QVERIFY(!info.isVisible());
  }

  void grownEntriesShowANegativeFigureAndOnTopIsKept() {
    QVERIFY(MakeArchive(FArchive, {5, 5}, false, QString()));
    TFrmArchiveInfo info(FEngine, true);
    QVERIFY(Text(info, "LbCompression").startsWith(u'-'));
    QVERIFY(info.windowFlags() & Qt::WindowStaysOnTopHint);
  }

  void escapeLeavesTheCommentAlone() {
    QVERIFY(MakeArchive(FArchive, {100}, true, QStringLiteral("old words")));
    const QDateTime before = QFileInfo(FArchive).lastModified();
    TFrmArchiveInfo info(FEngine, false);
    info.Tag = 1;
    info.show();
    auto* edit = info.findChild<QLineEdit*>("EdComment");
    QVERIFY(edit->isVisible() && !info.findChild<QLabel*>("LbComment")->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("old words"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QVERIFY(!info.isVisible());
    QVERIFY(!info.CommentWriteFailed());
    QCOMPARE(StoredComment(FArchive), QStringLiteral("old words"));
    QCOMPARE(QFileInfo(FArchive).lastModified(), before);  // nothing was written
  }

  void enterWritesANewCommentCutTo255Bytes() {
    QVERIFY(MakeArchive(FArchive, {100, 200}, true, QStringLiteral("old")));
    TFrmArchiveInfo info(FEngine, false);
    info.Tag = 1;
    info.show();
    auto* edit = info.findChild<QLineEdit*>("EdComment");
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("New comment "));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!info.isVisible());
    QVERIFY(!info.CommentWriteFailed());
    QCOMPARE(StoredComment(FArchive), QStringLiteral("New comment "));
    QCOMPARE(
        Python("import zipfile,sys\nprint(zipfile.ZipFile(sys.argv[1]).testzip())", {FArchive}).trimmed(),
        QStringLiteral("None"));

    // Two-byte characters: the edit holds no more than the archive can keep, cut between them.
    TFrmArchiveInfo again(FEngine, false);
    again.Tag = 1;
    again.show();
    auto* edit2 = again.findChild<QLineEdit*>("EdComment");
    edit2->clear();
    for (int typed = 0; typed < 200; ++typed)
      QTest::sendKeyEvent(QTest::Click, edit2, Qt::Key_unknown, QString(QChar(0xE9)), Qt::NoModifier);
    QCOMPARE(edit2->text(), QString(127, QChar(0xE9)));
    QTest::keyClick(edit2, Qt::Key_Return);
    QCOMPARE(StoredComment(FArchive), QString(127, QChar(0xE9)));
  }

  void aMissingArchive() {
    TFrmArchiveInfo info(FEngine, false);
    info.Tag = 1;
    info.show();
    QCOMPARE(Text(info, "LbSize"), QStringLiteral("Unavailable"));
    QCOMPARE(Text(info, "LbDate"), QStringLiteral("Unavailable"));
    QCOMPARE(Text(info, "LbFiles"), QStringLiteral("0"));
    QCOMPARE(Text(info, "LbCompression"), QStringLiteral("0%"));
    auto* edit = info.findChild<QLineEdit*>("EdComment");
    QVERIFY(edit->text().startsWith(QStringLiteral("Error #")));
    // The error text left as it is writes nothing.
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!info.CommentWriteFailed());
    QVERIFY(!QFile::exists(FArchive));
    // A changed comment that cannot be written is known as such, not taken for done.
    TFrmArchiveInfo again(FEngine, false);
    again.Tag = 1;
    again.show();
    again.findChild<QLineEdit*>("EdComment")->setText(QStringLiteral("lost?"));
    again.Button1Click();
    QVERIFY(again.CommentWriteFailed());
    QVERIFY(!QFile::exists(FArchive));
  }

  void multidiskModeWritesNothingAndSaysNothing() {
    QVERIFY(MakeArchive(FArchive, {10}, true, QStringLiteral("kept")));
    FEngine.MultidiskMode = true;
    TFrmArchiveInfo info(FEngine, false);
    info.Tag = 1;
    info.show();
    info.findChild<QLineEdit*>("EdComment")->setText(QStringLiteral("changed"));
    info.Button1Click();
    QVERIFY(!info.CommentWriteFailed());
    QCOMPARE(StoredComment(FArchive), QStringLiteral("kept"));
  }

  void theMainWindowCommands() {
    QVERIFY(MakeArchive(FArchive, {10, 20}, true, QStringLiteral("menu")));
    TWindowRig rig;
    rig.Window->show();
    rig.Window->OpenZipFile(FArchive);
    QString seen;
    bool hourglass = false;
    // The dialog runs its own loop; the engine's callbacks also process events before it is
    // shown, so wait for it to be the modal window.
    auto answer = [&](const QString& typed) {
      auto* poll = new QTimer(this);
      connect(poll, &QTimer::timeout, this, [&, typed, poll] {
        auto* info = qobject_cast<TFrmArchiveInfo*>(QApplication::activeModalWidget());
        if (!info) return;
        poll->deleteLater();
        poll->stop();
        hourglass = QApplication::overrideCursor() != nullptr;
        seen = info->findChild<QLabel*>("LbFiles")->text();
        if (!typed.isNull()) info->findChild<QLineEdit*>("EdComment")->setText(typed);
        info->findChild<QPushButton*>("Button1")->click();
      });
      poll->start(10);
    };
    // Reading the facts is a busy period: a toolbar button cannot start a second engine call
    // from inside the listing's callbacks.
    int busyWhileReading = -1;
    bool newEnabled = true;
    QTimer::singleShot(0, this, [&] {
      busyWhileReading = BusyCount;
      newEnabled = rig.Find<QToolButton>("SpdBtnNew")->isEnabled();
    });
    answer(QString());
    rig.Action("ArchiveInformation1")->trigger();
    QCOMPARE(busyWhileReading, 1);
    QVERIFY(!newEnabled);
    QCOMPARE(seen, QStringLiteral("2"));
    QVERIFY(!hourglass);  // only while the facts were read
    QVERIFY(!QApplication::overrideCursor());

    answer(QStringLiteral("from the menu"));
    rig.Action("AddComment1")->trigger();
    QVERIFY(!hourglass);
    QCOMPARE(StoredComment(FArchive), QStringLiteral("from the menu"));
    QVERIFY(rig.Dialogs.Messages().isEmpty());

    // The archive vanished behind the window's back: the lost comment is reported.
    QVERIFY(QFile::remove(FArchive));
    answer(QStringLiteral("nowhere"));
    rig.Action("AddComment1")->trigger();
    QCOMPARE(rig.Dialogs.Messages(),
             QStringList{"Error: Could not access the Zip file or one of the files to process."});
  }
};

PARCELIX_GUI_TEST_MAIN(TestInfo)
#include "test_info.moc"
