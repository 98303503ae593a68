// The desktop's dialogs: message boxes as the user sees them (caption, icon, buttons, line
// breaks, Help) and which answer Esc and the close box give, the pointer while a dialog waits,
// the folder chooser's start and its offer to create a typed folder, the Add Files chooser
// (folders, Enter, double-click, its button), the password box.
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "common/scripted_dialogs.h"
#include "common/test_environment.h"
#include "platform/widgets/qt_dialogs.h"

using namespace platform;

namespace {

// Runs `act` on the modal dialog once it is up; the dialog's own loop is running by then.
void WhenModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    poll->stop();
    poll->deleteLater();
    act(modal);
  });
  poll->start(10);
}

// Runs `act` with the item of `path` in the file chooser's view (its list or its details,
// whichever shows) once the chooser has read its folder (it reads in the background) and laid
// the item out; gives up by closing the chooser, so a test fails rather than waits.
void WhenListed(QFileDialog* dialog, const QString& path,
                std::function<void(QAbstractItemView*, const QModelIndex&)> act) {
  auto* poll = new QTimer(dialog);
  QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, path, act, tries = 0]() mutable {
    QAbstractItemView* view = nullptr;
    for (const char* name : {"listView", "treeView"})
      if (auto* shown = dialog->findChild<QAbstractItemView*>(name); shown && shown->isVisible())
        view = shown;
    auto* model = dialog->findChild<QFileSystemModel*>();
    const QModelIndex index = model ? model->index(path) : QModelIndex();
    if (view && index.isValid() && view->visualRect(index).isValid()) {
      poll->stop();
      poll->deleteLater();
      act(view, index);
    } else if (++tries > 250) {
      poll->stop();
      dialog->reject();
    }
  });
  poll->start(20);
}

// The button the user sees for accepting the chooser.
QPushButton* AcceptButton(QFileDialog* dialog) {
  for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) {
    const auto role = dialog->findChild<QDialogButtonBox*>()->buttonRole(button);
    if (button->isVisibleTo(dialog) && role == QDialogButtonBox::AcceptRole)
      return qobject_cast<QPushButton*>(button);
  }
  return nullptr;
}

void Click(QAbstractItemView* view, const QModelIndex& index) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

TFileDialogRequest AddFilesRequest(const QString& folder) {
  TFileDialogRequest request;
  request.Title = "Add Files";
  request.Filter = "All files (*)";
  request.InitialDir = folder;
  request.MultiSelect = true;
  request.FoldersToo = true;
  return request;
}

bool Touch(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

}  // namespace

class TestQtDialogs : public QObject {
  Q_OBJECT

 private slots:
  void messageTextTurnsCarriageReturnsIntoLineBreaks() {
    QCOMPARE(MessageTextForDisplay("one\rtwo"), QStringLiteral("one\ntwo"));
    QCOMPARE(MessageTextForDisplay("one\r\ntwo"), QStringLiteral("one\ntwo"));
    QCOMPARE(MessageTextForDisplay("plain"), QStringLiteral("plain"));
  }

  // Each kind has its caption and icon; the buttons asked for, and no others (OK when none is).
  void messageBoxHasTheKindsCaptionIconAndButtons_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("confirmation") << int(TMsgDlgType::mtConfirmation) << unsigned(mbYesNoCancel | mbAll)
                                  << "Confirm" << int(QMessageBox::Question)
                                  << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel |
                                         QMessageBox::YesToAll)
                                  << int(QMessageBox::No) << int(mrNo);
    QTest::newRow("error") << int(TMsgDlgType::mtError) << unsigned(mbOK) << "Error"
                           << int(QMessageBox::Critical) << int(QMessageBox::Ok) << int(QMessageBox::Ok)
                           << int(mrOk);
    QTest::newRow("warning") << int(TMsgDlgType::mtWarning) << unsigned(mbAbort | mbRetry | mbIgnore)
                             << "Warning" << int(QMessageBox::Warning)
                             << int(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore)
                             << int(QMessageBox::Retry) << int(mrRetry);
    QTest::newRow("information, no button asked")
        << int(TMsgDlgType::mtInformation) << 0u << "Information" << int(QMessageBox::Information)
        << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(mrOk);
    QTest::newRow("information with Help")
        << int(TMsgDlgType::mtInformation) << unsigned(mbHelp) << "Information"
        << int(QMessageBox::Information) << int(QMessageBox::Ok | QMessageBox::Help) << int(QMessageBox::Ok)
        << int(mrOk);
  }

  void messageBoxHasTheKindsCaptionIconAndButtons() {
    QFETCH(int, kind);
    QFETCH(unsigned, buttons);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(int, shown);
    QFETCH(int, press);
    QFETCH(int, answer);
    TQtDialogs dialogs;
    QString seenCaption, seenText, allCaption;
    int seenIcon = -1, seenButtons = -1;
    WhenModal([&, press](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      seenCaption = box->windowTitle();
      seenText = box->text();
      seenIcon = box->icon();
      seenButtons = int(box->standardButtons());
      if (QAbstractButton* all = box->button(QMessageBox::YesToAll)) allCaption = all->text();
      box->button(QMessageBox::StandardButton(press))->click();
    });
    QCOMPARE(dialogs.MessageDlg("Replace \"a.txt\"?\rIt exists.", TMsgDlgType(kind), buttons), answer);
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenText, QStringLiteral("Replace \"a.txt\"?\nIt exists."));
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, shown);
    if (buttons & mbAll) QCOMPARE(allCaption, QStringLiteral("&All"));
  }

  void helpButtonAsksForTheTopicAndKeepsTheBoxOpen() {
    TQtDialogs dialogs;
    QList<int> topics;
    dialogs.OnHelp = [&topics](int context) { topics << context; };
    WhenModal([](QWidget* widget) {
      qobject_cast<QMessageBox*>(widget)->button(QMessageBox::Help)->click();
      WhenModal([](QWidget* again) { qobject_cast<QMessageBox*>(again)->button(QMessageBox::Ok)->click(); });
    });
    QCOMPARE(dialogs.MessageDlg("Text", TMsgDlgType::mtInformation, mbOK | mbHelp, 1039), int(mrOk));
    QCOMPARE(topics, QList<int>{1039});
  }

  void escapeAndTheCloseBoxBackOut_data() {
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes/no/abort, Esc") << unsigned(mbYes | mbNo | mbAbort) << false << int(mrAbort);
    QTest::newRow("yes/no/abort, close box") << unsigned(mbYes | mbNo | mbAbort) << true << int(mrAbort);
    QTest::newRow("yes/no/cancel, Esc") << unsigned(mbYesNoCancel) << false << int(mrCancel);
    QTest::newRow("ok/cancel, Esc") << unsigned(mbOKCancel) << false << int(mrCancel);
    QTest::newRow("yes/no, Esc") << unsigned(mbYesNo) << false << int(mrNo);
    QTest::newRow("ok, Esc") << unsigned(mbOK) << false << int(mrOk);
  }

  void escapeAndTheCloseBoxBackOut() {
    QFETCH(unsigned, buttons);
    QFETCH(bool, closeBox);
    QFETCH(int, answer);
    TQtDialogs dialogs;
    WhenModal([closeBox](QWidget* box) {
      if (closeBox)
        box->close();
      else
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(dialogs.MessageDlg("Replace?", TMsgDlgType::mtConfirmation, buttons), answer);
  }

  // The program's hourglass stays up around the work; the dialogs show the normal pointer and
  // hand the hourglass back when they close.
  void dialogsShowTheNormalPointerWhileTheyWait() {
    QTemporaryDir folder;
    TQtDialogs dialogs;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QList<Qt::CursorShape> seen;
    auto look = [&seen](QWidget* dialog) {
      seen << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor);
      if (auto* input = qobject_cast<QDialog*>(dialog)) input->reject();
    };
    WhenModal(look);
    dialogs.MessageDlg("Text", TMsgDlgType::mtInformation, mbOK);
    QStringList files;
    QString file;
    TFileDialogRequest request;
    request.InitialDir = folder.path();
    WhenModal(look);
    dialogs.OpenFileDialog(request, files);
    WhenModal(look);
    dialogs.SaveFileDialog(request, file);
    WhenModal(look);
    dialogs.SelectDirectory("Select Directory", file = folder.path());
    WhenModal(look);
    dialogs.PasswordQuery("Password", "Enter it:", file, 80);
    QCOMPARE(seen, QList<Qt::CursorShape>(5, Qt::ArrowCursor));
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
  }

  // Typing starts in the name line, which holds the start folder; the tree shows that folder
  // and keys never reach the tree's search.
  void theFolderChooserStartsInItsNameLine() {
    QTemporaryDir folder;
    const QString start = folder.path() + "/deep/er";
    QVERIFY(QDir().mkpath(start));
    TQtDialogs dialogs;
    TFolderChooser chooser(dialogs, "Select Directory", start);
    chooser.show();
    QVERIFY(QTest::qWaitForWindowActive(&chooser));
    auto* edit = chooser.findChild<QLineEdit*>();
    auto* tree = chooser.findChild<QTreeView*>();
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(edit->text(), start);
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    QTRY_COMPARE(model->filePath(tree->currentIndex()), start);
    QLabel* treeLabel = nullptr;
    for (QLabel* label : chooser.findChildren<QLabel*>())
      if (label->text() == "&Folders:") treeLabel = label;
    QVERIFY(treeLabel && treeLabel->buddy() == tree);  // "&" marks Alt+F, it is not shown

    QTest::keyClicks(QApplication::focusWidget(), folder.path() + "/typed");
    QTest::qWait(50);  // the tree may finish reading meanwhile
    QCOMPARE(chooser.Folder(), folder.path() + "/typed");
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
    QCOMPARE(prompts.Messages(), QStringList{"Confirm: The specified directory does not exist. Create it?"});
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
    QVERIFY(Touch(root.path() + "/plain"));
    const QString file = root.path() + "/plain";
    testing_support::TScriptedDialogs prompts;

    TFolderChooser onFile(prompts, "Extract to", file);
    onFile.accept();
    QCOMPARE(onFile.result(), int(QDialog::Rejected));
    QCOMPARE(prompts.Prompts.size(), 1);
    QCOMPARE(prompts.Prompts[0].Caption, QStringLiteral("Error"));

    // Under a file, no folder can be made: told, nothing accepted.
    prompts.Clear();
    prompts.MessageAnswers = {mrYes};
    TFolderChooser underFile(prompts, "Extract to", file + "/sub");
    underFile.accept();
    QCOMPARE(underFile.result(), int(QDialog::Rejected));
    QCOMPARE(prompts.Prompts.size(), 2);
    QCOMPARE(prompts.Prompts[1].Caption, QStringLiteral("Error"));
  }

  void theAddFilesChooserReturnsAFolder() {
    QTemporaryDir folder;
    const QString wanted = folder.path() + "/pick me";
    QVERIFY(QDir().mkpath(wanted));
    TQtDialogs dialogs;
    WhenModal([wanted](QWidget* widget) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      WhenListed(dialog, wanted, [dialog](QAbstractItemView* view, const QModelIndex& index) {
        Click(view, index);
        AcceptButton(dialog)->click();
      });
    });
    QStringList files;
    QVERIFY(dialogs.OpenFileDialog(AddFilesRequest(folder.path()), files));
    QCOMPARE(files, QStringList{wanted});
  }

  // Enter on a selected file, or a double-click on it, adds that file; the button keeps the
  // caption it had before anything was selected.
  void theAddFilesChooserAddsTheFileEnterOrADoubleClickPicks_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("double-click") << "double-click";
    QTest::newRow("name typed, Enter") << "typed";
  }

  void theAddFilesChooserAddsTheFileEnterOrADoubleClickPicks() {
    QFETCH(QString, how);
    QTemporaryDir folder;
    const QString wanted = folder.path() + "/a.txt";
    QVERIFY(Touch(wanted));
    QVERIFY(Touch(folder.path() + "/b.txt"));
    TQtDialogs dialogs;
    QStringList captions;
    WhenModal([&captions, wanted, how](QWidget* widget) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      WhenListed(dialog, wanted, [&captions, dialog, how](QAbstractItemView* view, const QModelIndex& index) {
        captions << AcceptButton(dialog)->text();
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (how == "typed")
          QTest::keyClicks(name, "a.txt");
        else
          Click(view, index);
        captions << AcceptButton(dialog)->text();
        if (how == "double-click")
          QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        else
          QTest::keyClick(how == "typed" ? static_cast<QWidget*>(name) : view, Qt::Key_Return);
        if (dialog->isVisible()) dialog->reject();  // not taken: fail, do not wait
      });
    });
    QStringList files;
    const bool chosen = dialogs.OpenFileDialog(AddFilesRequest(folder.path()), files);
    QCOMPARE(files, QStringList{wanted});
    QVERIFY(chosen);
    QCOMPARE(captions, QStringList(2, "&Add"));
  }

  // A double-click on a folder opens it, the chooser stays up with its button unchanged, and a
  // file inside can be added from there.
  void aDoubleClickOnAFolderInTheAddFilesChooserOpensIt() {
    QTemporaryDir folder;
    const QString sub = folder.path() + "/sub";
    QVERIFY(QDir().mkpath(sub));
    QVERIFY(Touch(sub + "/inner.txt"));
    TQtDialogs dialogs;
    QStringList captions;
    QString opened;
    WhenModal([&captions, &opened, sub](QWidget* widget) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      WhenListed(dialog, sub,
                 [&captions, &opened, dialog, sub](QAbstractItemView* view, const QModelIndex& index) {
                   Click(view, index);
                   captions << AcceptButton(dialog)->text();
                   QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                   if (!dialog->isVisible()) return;
                   opened = dialog->directory().absolutePath();
                   WhenListed(dialog, sub + "/inner.txt",
                              [&captions, dialog](QAbstractItemView* inner, const QModelIndex& file) {
                                Click(inner, file);
                                captions << AcceptButton(dialog)->text();
                                QTest::mouseDClick(inner->viewport(), Qt::LeftButton, {},
                                                   inner->visualRect(file).center());
                                if (dialog->isVisible()) dialog->reject();
                              });
                 });
    });
    QStringList files;
    const bool chosen = dialogs.OpenFileDialog(AddFilesRequest(folder.path()), files);
    QCOMPARE(opened, sub);
    QCOMPARE(files, QStringList{sub + "/inner.txt"});
    QVERIFY(chosen);
    QCOMPARE(captions, QStringList(2, "&Add"));
  }

  void thePasswordIsMaskedAndStopsAt80Bytes_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::newRow("ASCII") << QString(100, 'p') << QString(80, 'p');
    QTest::newRow("two-byte characters") << QString(50, QChar(0xE9)) << QString(40, QChar(0xE9));
  }

  void thePasswordIsMaskedAndStopsAt80Bytes() {
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    TQtDialogs dialogs;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    WhenModal([&echo, typed](QWidget* widget) {
      auto* edit = widget->findChild<QLineEdit*>();
      echo = edit->echoMode();
      for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
      qobject_cast<QDialog*>(widget)->accept();
    });
    QString password;
    QVERIFY(dialogs.PasswordQuery("Password", "Enter the password:", password, 80));
    QCOMPARE(echo, QLineEdit::Password);
    QCOMPARE(password, answer);
  }
};

PARCELIX_GUI_TEST_MAIN(TestQtDialogs)
#include "test_qt_dialogs.moc"
