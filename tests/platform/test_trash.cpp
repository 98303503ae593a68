// Moving a file to the Trash after asking.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUrl>

#include "common/scripted_dialogs.h"
#include "common/test_environment.h"
#include "platform/trash.h"

class TestTrash : public QObject {
  Q_OBJECT

 private slots:
  void asksThenMovesTheFileToTheTrash() {
    const QString path = QDir::tempPath() + "/old.zip";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("zip");
    file.close();

    testing_support::TScriptedDialogs dialogs;
    dialogs.MessageAnswers = {platform::mrNo};
    QVERIFY(!platform::MoveFileToTrash(path, dialogs));
    QVERIFY(QFile::exists(path));
    QCOMPARE(dialogs.Messages(), QStringList{"Confirm: Do you want to move \"" + path + "\" to the Trash?"});

    dialogs.MessageAnswers = {platform::mrYes};
    QVERIFY(platform::MoveFileToTrash(path, dialogs));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/old.zip"));
  }

  // A new account has no Trash yet: it is made owner-only where the desktop looks for it, the
  // record names where the file came from, and nothing is written beside the program's folder.
  void theHomeTrashIsMadeWhenMissingAndNothingLandsElsewhere() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QDir(data + "/Trash").removeRecursively();
    const QString work = QDir::tempPath() + "/work";
    QVERIFY(QDir().mkpath(work));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work);
    const QString saved = work + "/.saved-copy";
    QFile file(saved);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QString trashedAs;
    QVERIFY(platform::MoveToTrash(saved, work + "/my archive%.zip", &trashedAs));
    QDir::setCurrent(previous);
    QCOMPARE(trashedAs, data + "/Trash/files/my archive%.zip");
    QVERIFY(QFile::exists(trashedAs) && !QFile::exists(saved));
    for (const char* folder : {"/Trash", "/Trash/files", "/Trash/info"}) {
      struct stat st {};
      QCOMPARE(stat(QFile::encodeName(data + folder).constData(), &st), 0);
      QCOMPARE(st.st_mode & 0777, 0700u);
    }
    QFile info(data + "/Trash/info/my archive%.zip.trashinfo");
    QVERIFY(info.open(QIODevice::ReadOnly));
    const QString record = QString::fromUtf8(info.readAll());
    QVERIFY2(record.startsWith("[Trash Info]\nPath=" + QUrl::toPercentEncoding(work, "/") +
                               "/my%20archive%25.zip\n"
                               "DeletionDate="),
             qPrintable(record));
    QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  }

  // A second file of the same name neither replaces the first nor its record.
  void aSecondFileOfTheSameNameGetsANameOfItsOwn() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QDir(data + "/Trash").removeRecursively();
    QStringList placed;
    for (const QByteArray& content : {QByteArray("first"), QByteArray("second")}) {
      const QString path = QDir::tempPath() + "/same.zip";
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content);
      file.close();
      QString trashedAs;
      QVERIFY(platform::MoveToTrash(path, path, &trashedAs));
      placed << trashedAs;
    }
    QCOMPARE(placed, QStringList({data + "/Trash/files/same.zip", data + "/Trash/files/same.2.zip"}));
    QFile first(placed[0]);
    QVERIFY(first.open(QIODevice::ReadOnly));
    QCOMPARE(first.readAll(), QByteArray("first"));
    QVERIFY(QFile::exists(data + "/Trash/info/same.2.zip.trashinfo"));
  }

  // A Trash folder that is a link planted by someone else is never written through.
  void aTrashThatIsALinkIsRefused() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QDir(data + "/Trash").removeRecursively();
    const QString elsewhere = QDir::tempPath() + "/elsewhere";
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QFile::link(elsewhere, data + "/Trash"));
    const QString path = QDir::tempPath() + "/kept.zip";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    platform::MoveToTrash(path, path);
    QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QFile::remove(data + "/Trash");
  }

  void aFileTheTrashCannotTakeIsReported() {
    testing_support::TScriptedDialogs dialogs;
    dialogs.MessageAnswers = {platform::mrYes};
    const QString path = QDir::tempPath() + "/vanished.zip";
    QVERIFY(!platform::MoveFileToTrash(path, dialogs));
    QCOMPARE(dialogs.Messages().size(), 2);
    QCOMPARE(dialogs.Messages()[1], "Error: Unable to move \"" + path + "\" to the Trash.");
  }
};

PARCELIX_CORE_TEST_MAIN(TestTrash)
#include "test_trash.moc"
