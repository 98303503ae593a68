// Moving a file to the Trash after asking.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

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

  void aFileTheTrashCannotTakeIsReported() {
    testing_support::TScriptedDialogs dialogs;
    dialogs.MessageAnswers = {platform::mrYes};
    const QString path = QDir::tempPath() + "/vanished.zip";
    QVERIFY(!platform::MoveFileToTrash(path, dialogs));
    QCOMPARE(dialogs.Messages().size(), 2);
    QCOMPARE(dialogs.Messages()[1], "Error: Unable to move \"" + path + "\" to the Trash.");
  }
};

PARCELIX_GUI_TEST_MAIN(TestTrash)
#include "test_trash.moc"
