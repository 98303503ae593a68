// The Qt dialogs: message boxes as the user sees them and the folder chooser's creation offer.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common/scripted_dialogs.h"
#include "common/test_environment.h"
#include "platform/widgets/qt_dialogs.h"

using namespace platform;

class TestQtDialogs : public QObject {
  Q_OBJECT

  // Runs `inspect` on the message box once it is shown, then presses `button` in it.
  static void AnswerNextBox(QMessageBox::StandardButton button,
                            std::function<void(QMessageBox*)> inspect) {
    QTimer::singleShot(0, [=] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      inspect(box);
      if (QAbstractButton* target = box->button(button)) target->click();
      else box->reject();
    });
  }

 private slots:
  void messageTextTurnsCarriageReturnsIntoLineBreaks() {
    QCOMPARE(MessageTextForDisplay("one\rtwo"), QStringLiteral("one\ntwo"));
    QCOMPARE(MessageTextForDisplay("one\r\ntwo"), QStringLiteral("one\ntwo"));
    QCOMPARE(MessageTextForDisplay("plain"), QStringLiteral("plain"));
  }

  void messageBoxHasTheKindsCaptionIconAndButtons() {
    TQtDialogs dialogs;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString allCaption;
    AnswerNextBox(QMessageBox::No, [&](QMessageBox* box) {
      caption = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      allCaption = box->button(QMessageBox::YesToAll)->text();
    });
    const int answer = dialogs.MessageDlg("Replace \"a.txt\"?\rIt exists.", TMsgDlgType::mtConfirmation,
                                          mbYesNoCancel | mbAll);
    QCOMPARE(answer, int(mrNo));
    QCOMPARE(allCaption, QStringLiteral("&All"));
    QCOMPARE(caption, QStringLiteral("Confirm"));
    QCOMPARE(text, QStringLiteral("Replace \"a.txt\"?\nIt exists."));
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll);

    AnswerNextBox(QMessageBox::Ok, [&](QMessageBox* box) {
      caption = box->windowTitle();
      icon = box->icon();
    });
    QCOMPARE(dialogs.MessageDlg("Disk full.", TMsgDlgType::mtError, mbOK), int(mrOk));
    QCOMPARE(caption, QStringLiteral("Error"));
    QCOMPARE(icon, QMessageBox::Critical);
  }

  void closingAMessageBoxOtherwiseAnswersCancel() {
    TQtDialogs dialogs;
    QTimer::singleShot(0, [] {
      if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(dialogs.MessageDlg("Abort?", TMsgDlgType::mtWarning, mbOKCancel), int(mrCancel));
  }

  void helpButtonAsksForTheTopicAndKeepsTheBoxOpen() {
    TQtDialogs dialogs;
    int topic = 0;
    dialogs.OnHelp = [&](int context) { topic = context; };
    QTimer::singleShot(0, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      box->button(QMessageBox::Help)->click();
      QTimer::singleShot(0, [] {
        auto* again = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (again) again->button(QMessageBox::Ok)->click();
      });
    });
    QCOMPARE(dialogs.MessageDlg("Text", TMsgDlgType::mtInformation, mbOK | mbHelp, 1039), int(mrOk));
    QCOMPARE(topic, 1039);
  }

  void folderChooserOffersToCreateATypedFolder() {
    QTemporaryDir root;
    const QString wanted = root.path() + "/new/deeper/folder";
    testing_support::TScriptedDialogs prompts;

    prompts.MessageAnswers = {mrNo};
    TFolderChooser declined(prompts, "Extract to", root.path());
    declined.SetFolder(wanted);
    declined.accept();
    QCOMPARE(declined.result(), int(QDialog::Rejected));
    QVERIFY(!QFileInfo::exists(root.path() + "/new"));
    QCOMPARE(prompts.Messages(),
             QStringList{"Confirm: The specified directory does not exist. Create it?"});
    QCOMPARE(prompts.Prompts.last().Buttons, unsigned(mbYesNo));

    prompts.Clear();
    prompts.MessageAnswers = {mrYes};
    TFolderChooser agreed(prompts, "Extract to", root.path());
    agreed.SetFolder(wanted);
    agreed.accept();
    QCOMPARE(agreed.result(), int(QDialog::Accepted));
    QVERIFY(QFileInfo(wanted).isDir());
    QCOMPARE(agreed.Folder(), wanted);
    QCOMPARE(prompts.Prompts.size(), 1);

    prompts.Clear();
    TFolderChooser existing(prompts, "Extract to", wanted);
    existing.accept();
    QCOMPARE(existing.result(), int(QDialog::Accepted));
    QVERIFY(prompts.Prompts.isEmpty());
  }

  void folderChooserRefusesAFileAndAnUncreatableFolder() {
    QTemporaryDir root;
    QFile file(root.path() + "/plain");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    testing_support::TScriptedDialogs prompts;

    TFolderChooser onFile(prompts, "Extract to", file.fileName());
    onFile.accept();
    QCOMPARE(onFile.result(), int(QDialog::Rejected));
    QCOMPARE(prompts.Prompts.size(), 1);
    QCOMPARE(prompts.Prompts[0].Caption, QStringLiteral("Error"));

    // Under a file, no folder can be made: told, nothing accepted.
    prompts.Clear();
    prompts.MessageAnswers = {mrYes};
    TFolderChooser underFile(prompts, "Extract to", file.fileName() + "/sub");
    underFile.accept();
    QCOMPARE(underFile.result(), int(QDialog::Rejected));
    QCOMPARE(prompts.Prompts.size(), 2);
    QCOMPARE(prompts.Prompts[1].Caption, QStringLiteral("Error"));
  }
};

PARCELIX_GUI_TEST_MAIN(TestQtDialogs)
#include "test_qt_dialogs.moc"
