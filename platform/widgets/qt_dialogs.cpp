#include "platform/widgets/qt_dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/text_limits.h"

namespace platform {

QString MessageTextForDisplay(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar(13), QChar(10));
  return shown;
}

namespace {

struct TButtonMap {
  TMsgDlgBtn Flag;
  QMessageBox::StandardButton Button;
  TModalResult Result;
};

constexpr TButtonMap kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesToAll, mrAll},
    {mbHelp, QMessageBox::Help, mrNone},
};

QMessageBox::Icon IconFor(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtWarning:
      return QMessageBox::Warning;
    case TMsgDlgType::mtError:
      return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
      return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// While a dialog waits for the user the normal pointer shows, whatever hourglass the program
// has up for the work around it; the hourglass comes back when the dialog closes.
class TUserWaits {
 public:
  TUserWaits() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~TUserWaits() { QApplication::restoreOverrideCursor(); }
  TUserWaits(const TUserWaits&) = delete;
  TUserWaits& operator=(const TUserWaits&) = delete;
};

}  // namespace

QWidget* TQtDialogs::Owner() const {
  // A dialog shows over the window the user is working in (the main window or an archive
  // browser); the main window when none of ours is active.
  QWidget* active = QApplication::activeWindow();
  return active ? active : FParent;
}

int TQtDialogs::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext) {
  if ((buttons & ~unsigned(mbHelp | mbDefaultNo)) == 0) buttons |= mbOK;
  QMessageBox box(IconFor(kind), CaptionFor(kind), MessageTextForDisplay(text), QMessageBox::NoButton,
                  Owner());
  for (const auto& map : kButtons)
    if (buttons & map.Flag) box.addButton(map.Button);
  if (buttons & mbAll)
    box.button(QMessageBox::YesToAll)->setText(QCoreApplication::translate("Dialogs", "&All"));
  // The first of Yes, OK takes Enter; Cancel, then Abort, then No takes Esc and the close box:
  // backing out of a question that offers to stop must stop, not answer it.
  if ((buttons & mbDefaultNo) && (buttons & mbNo))
    box.setDefaultButton(QMessageBox::No);
  else if (buttons & mbYes)
    box.setDefaultButton(QMessageBox::Yes);
  else if (buttons & mbOK)
    box.setDefaultButton(QMessageBox::Ok);
  if (buttons & mbCancel)
    box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons & mbAbort)
    box.setEscapeButton(QMessageBox::Abort);
  else if (buttons & mbNo)
    box.setEscapeButton(QMessageBox::No);
  else if (buttons & mbOK)
    box.setEscapeButton(QMessageBox::Ok);

  const TUserWaits waiting;
  for (;;) {
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    if (clicked == QMessageBox::Help) {
      if (OnHelp) OnHelp(helpContext);
      continue;
    }
    for (const auto& map : kButtons)
      if (map.Button == clicked) return map.Result;
    return mrCancel;
  }
}

namespace {

void Prepare(QFileDialog& dialog, const TFileDialogRequest& request) {
  dialog.setWindowTitle(request.Title);
  if (!request.InitialDir.isEmpty()) dialog.setDirectory(request.InitialDir);
  if (!request.Filter.isEmpty()) dialog.setNameFilter(request.Filter);
  if (!request.DefaultExt.isEmpty()) dialog.setDefaultSuffix(request.DefaultExt);
  if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
}

// The open dialog, which with UseAddButton becomes the Add Files chooser: files and folders
// alike. A plain file dialog opens a chosen folder instead of returning it, and renames its Open
// button after what is selected. There every way of accepting (the button, Enter, a double-click
// on a file) returns what is selected, folders included, and the button reads "Add" whatever is
// selected; a double-click on a folder still opens it to look inside.
class TOpenDialog : public QFileDialog {
 public:
  explicit TOpenDialog(QWidget* parent) : QFileDialog(parent) {}

  // Once the request is set up: the dialog's own widgets, with an Add button of ours in place
  // of its Open button, which it would rename.
  void UseAddButton();
  QStringList Chosen() const { return FAdd ? FChosen : selectedFiles(); }
  void accept() override;

 private:
  QStringList SelectedInView() const;
  void UpdateAddButton();

  QPushButton* FAdd = nullptr;
  QStringList FChosen;
};

QStringList TOpenDialog::SelectedInView() const {
  // The list and the details view share one selection.
  QStringList selected;
  if (auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView")))
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
      selected << index.data(QFileSystemModel::FilePathRole).toString();
  return selected;
}

void TOpenDialog::UseAddButton() {
  setOption(QFileDialog::DontUseNativeDialog, true);
  auto* box = findChild<QDialogButtonBox*>();
  QPushButton* open = box ? box->button(QDialogButtonBox::Open) : nullptr;
  auto* view = findChild<QAbstractItemView*>(QStringLiteral("listView"));
  auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!open || !view || !name) return;
  box->removeButton(open);
  delete open;
  // Its role makes the box's accepted signal, which the dialog answers with accept().
  FAdd = box->addButton(QCoreApplication::translate("Dialogs", "&Add"), QDialogButtonBox::AcceptRole);
  FAdd->setDefault(true);
  connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdateAddButton(); });
  connect(name, &QLineEdit::textChanged, this, [this] { UpdateAddButton(); });
  UpdateAddButton();
}

void TOpenDialog::UpdateAddButton() {
  // Something to add: a selection, or a typed name (one that names nothing is told on Add).
  auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  FAdd->setEnabled(!SelectedInView().isEmpty() || (name && !name->text().trimmed().isEmpty()));
}

void TOpenDialog::accept() {
  if (!FAdd) {
    QFileDialog::accept();
    return;
  }
  // What is selected in the folder's view, folders included (the dialog's own answer leaves
  // folders out); otherwise what was typed.
  QStringList chosen = SelectedInView();
  if (chosen.isEmpty()) chosen = selectedFiles();
  if (chosen.isEmpty()) return;
  for (const QString& path : chosen)
    if (!QFileInfo::exists(path)) {
      // A typed name that names nothing: let the dialog say so its own way.
      QFileDialog::accept();
      return;
    }
  FChosen = chosen;
  QDialog::accept();
}

}  // namespace

bool TQtDialogs::OpenFileDialog(const TFileDialogRequest& request, QStringList& files) {
  TOpenDialog dialog(Owner());
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (request.MultiSelect)
    dialog.setFileMode(QFileDialog::ExistingFiles);
  else
    dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (request.FoldersToo) dialog.UseAddButton();
  const TUserWaits waiting;
  if (dialog.exec() != QDialog::Accepted) return false;
  files = dialog.Chosen();
  return !files.isEmpty();
}

bool TQtDialogs::SaveFileDialog(const TFileDialogRequest& request, QString& file) {
  QFileDialog dialog(Owner());
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
  const TUserWaits waiting;
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  file = dialog.selectedFiles().constFirst();
  return true;
}

bool TQtDialogs::SelectDirectory(const QString& caption, QString& directory) {
  TFolderChooser chooser(*this, caption, directory, Owner());
  const TUserWaits waiting;
  if (chooser.exec() != QDialog::Accepted) return false;
  directory = chooser.Folder();
  return true;
}

int TQtDialogs::PasswordQuery(const QString& caption, const QString& prompt, QString& password,
                              int maxBytes) {
  QDialog dialog(Owner());
  dialog.setWindowTitle(caption);
  auto* label = new QLabel(prompt, &dialog);
  auto* edit = new QLineEdit(&dialog);
  label->setBuddy(edit);
  edit->setEchoMode(QLineEdit::Password);
  edit->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
  edit->setMaxLength(maxBytes);
  // The limit is in bytes: a password of wide characters stops where the engine would cut it.
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, maxBytes](const QString& text) {
    const QString cut = CutToBytes(text, maxBytes);
    if (cut != text) edit->setText(cut);
  });
  // OK, Cancel (this file only) and Abort (the whole operation).
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Abort, &dialog);
  bool stop = false;
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(buttons->button(QDialogButtonBox::Abort), &QPushButton::clicked, &dialog,
                   [&dialog, &stop] {
                     stop = true;
                     dialog.reject();
                   });
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(label);
  layout->addWidget(edit);
  layout->addWidget(buttons);
  edit->setFocus();
  const TUserWaits waiting;
  if (dialog.exec() != QDialog::Accepted) return stop ? mrAbort : mrCancel;
  password = CutToBytes(edit->text(), maxBytes);
  return mrOk;
}

TFolderChooser::TFolderChooser(TDialogs& dialogs, const QString& caption, const QString& start,
                               QWidget* parent)
    : QDialog(parent), FDialogs(dialogs) {
  setWindowTitle(caption.isEmpty() ? tr("Select Directory") : caption);
  resize(420, 380);
  FModel = new QFileSystemModel(this);
  FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  FModel->setRootPath(QDir::rootPath());
  FTree = new QTreeView(this);
  FTree->setModel(FModel);
  for (int column = 1; column < FModel->columnCount(); ++column) FTree->hideColumn(column);
  FTree->header()->hide();
  FEdit = new QLineEdit(this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  auto* treeLabel = new QLabel(tr("&Folders:"), this);
  treeLabel->setBuddy(FTree);
  layout->addWidget(treeLabel);
  layout->addWidget(FTree, 1);
  auto* nameLabel = new QLabel(tr("&Directory name:"), this);
  nameLabel->setBuddy(FEdit);
  layout->addWidget(nameLabel);
  layout->addWidget(FEdit);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFolderChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TFolderChooser::reject);
  connect(FTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) { TreeCurrentChanged(index); });
  // The tree learns a folder's children only as they are read; show the start folder once its
  // parent is known.
  connect(FModel, &QFileSystemModel::directoryLoaded, this, [this] {
    if (!FTree->hasFocus()) ShowInTree(Folder());
  });
  SetFolder(start.isEmpty() ? QDir::currentPath() : start);
  // Typing starts in the name line, holding the start folder: keys typed into the tree would
  // search it and move the choice without a word.
  FEdit->setFocus();
  FEdit->selectAll();
}

QString TFolderChooser::Folder() const {
  const QString typed = FEdit->text().trimmed();
  if (typed.isEmpty()) return QString();
  return QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(typed)));
}

void TFolderChooser::SetFolder(const QString& folder) {
  FEdit->setText(folder);
  ShowInTree(Folder());
}

void TFolderChooser::ShowInTree(const QString& folder) {
  // Show the nearest folder that exists, so a typed new folder still has its context.
  QString existing = folder;
  while (!existing.isEmpty() && !QFileInfo(existing).isDir()) {
    const QString up = QFileInfo(existing).path();
    if (up == existing) break;
    existing = up;
  }
  const QModelIndex index = FModel->index(existing);
  if (!index.isValid()) return;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) FTree->expand(up);
  // The name line stays as typed: the tree follows it, never the other way round here.
  FTree->setCurrentIndex(index);
  FTree->scrollTo(index);
}

void TFolderChooser::TreeCurrentChanged(const QModelIndex& index) {
  // Only the user's own moves in the tree choose a folder; the tree settling on its own does not.
  if (index.isValid() && FTree->hasFocus()) FEdit->setText(QDir::toNativeSeparators(FModel->filePath(index)));
}

void TFolderChooser::accept() {
  const QString folder = Folder();
  if (folder.isEmpty()) return;
  const QFileInfo info(folder);
  if (info.exists() && !info.isDir()) {
    FDialogs.MessageDlg(tr("\"%1\" is not a directory.").arg(folder), TMsgDlgType::mtError, mbOK);
    return;
  }
  if (!info.exists()) {
    if (FDialogs.MessageDlg(tr("The specified directory does not exist. Create it?"),
                            TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
      return;
    if (!QDir().mkpath(folder)) {
      FDialogs.MessageDlg(tr("Unable to create the directory \"%1\".").arg(folder), TMsgDlgType::mtError,
                          mbOK);
      return;
    }
  }
  QDialog::accept();
}

}  // namespace platform
