// The desktop's dialogs: which answer Esc and the close box give, the pointer while a dialog
// waits, the folder chooser's start, folders in the file chooser, the password box.
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
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

}  // namespace

class TestQtDialogs : public QObject {
  Q_OBJECT

 private slots:
  void escapeAndTheCloseBoxBackOut_data() {
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes/no/abort, Esc") << unsigned(mbYes | mbNo | mbAbort) << false << int(mrAbort);
    QTest::newRow("yes/no/abort, close box") << unsigned(mbYes | mbNo | mbAbort) << true << int(mrAbort);
    QTest::newRow("yes/no/cancel, Esc") << unsigned(mbYesNoCancel) << false << int(mrCancel);
    QTest::newRow("yes/no, Esc") << unsigned(mbYesNo) << false << int(mrNo);
    QTest::newRow("ok, Esc") << unsigned(mbOK) << false << int(mrOk);
  }

  void escapeAndTheCloseBoxBackOut() {
    QFETCH(unsigned, buttons);
    QFETCH(bool, closeBox);
    QFETCH(int, answer);
    TQtDialogs dialogs;
    WhenModal([closeBox](QWidget* box) {
      if (closeBox) box->close();
      else QTest::keyClick(box, Qt::Key_Escape);
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

  void theAddFilesChooserReturnsAFolder() {
    QTemporaryDir folder;
    QVERIFY(QDir().mkpath(folder.path() + "/pick me"));
    TQtDialogs dialogs;
    TFileDialogRequest request;
    request.Title = "Add Files";
    request.InitialDir = folder.path();
    request.MultiSelect = true;
    request.FoldersToo = true;
    const QString wanted = folder.path() + "/pick me";
    WhenModal([wanted](QWidget* widget) {
      // Clicks the folder in the list once the dialog has read it (it reads in the background),
      // then Add; gives up so the test fails rather than waits.
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      auto* poll = new QTimer(dialog);
      QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, wanted, tries = 0]() mutable {
        auto* view = dialog->findChild<QAbstractItemView*>("listView");
        auto* model = dialog->findChild<QFileSystemModel*>();
        const QModelIndex index = model ? model->index(wanted) : QModelIndex();
        if (index.isValid()) {
          poll->stop();
          view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
          dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
        } else if (++tries > 250) {
          poll->stop();
          dialog->reject();
        }
      });
      poll->start(20);
    });
    QStringList files;
    QVERIFY(dialogs.OpenFileDialog(request, files));
    QCOMPARE(files, QStringList{folder.path() + "/pick me"});
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
      for (const QChar c : typed) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
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
