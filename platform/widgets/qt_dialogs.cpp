#include "platform/widgets/qt_dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeView>
#include <QVBoxLayout>

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
    {mbYes, QMessageBox::Yes, mrYes},         {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},            {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},   {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::YesToAll, mrAll},
    {mbHelp, QMessageBox::Help, mrNone},
};

QMessageBox::Icon IconFor(TMsgDlgType kind) {
  switch (kind) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int TQtDialogs::MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons,
                           int helpContext) {
  if ((buttons & ~unsigned(mbHelp)) == 0) buttons |= mbOK;
  QMessageBox box(IconFor(kind), CaptionFor(kind), MessageTextForDisplay(text),
                  QMessageBox::NoButton, FParent);
  for (const auto& map : kButtons)
    if (buttons & map.Flag) box.addButton(map.Button);
  if (buttons & mbAll) box.button(QMessageBox::YesToAll)->setText(QStringLiteral("&All"));
  // The first of Yes, OK takes Enter; Cancel, then No, takes Esc.
  if (buttons & mbYes) box.setDefaultButton(QMessageBox::Yes);
  else if (buttons & mbOK) box.setDefaultButton(QMessageBox::Ok);
  if (buttons & mbCancel) box.setEscapeButton(QMessageBox::Cancel);
  else if (buttons & mbNo) box.setEscapeButton(QMessageBox::No);
  else if (buttons & mbOK) box.setEscapeButton(QMessageBox::Ok);

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

}  // namespace

bool TQtDialogs::OpenFileDialog(const TFileDialogRequest& request, QStringList& files) {
  QFileDialog dialog(FParent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (request.MultiSelect) dialog.setFileMode(QFileDialog::ExistingFiles);
  else dialog.setFileMode(request.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  files = dialog.selectedFiles();
  return true;
}

bool TQtDialogs::SaveFileDialog(const TFileDialogRequest& request, QString& file) {
  QFileDialog dialog(FParent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  file = dialog.selectedFiles().constFirst();
  return true;
}

bool TQtDialogs::SelectDirectory(const QString& caption, QString& directory) {
  TFolderChooser chooser(*this, caption, directory, FParent);
  if (chooser.exec() != QDialog::Accepted) return false;
  directory = chooser.Folder();
  return true;
}

TFolderChooser::TFolderChooser(TDialogs& dialogs, const QString& caption, const QString& start,
                               QWidget* parent)
    : QDialog(parent), FDialogs(dialogs) {
  setWindowTitle(caption.isEmpty() ? QStringLiteral("Select Directory") : caption);
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
  layout->addWidget(new QLabel(QStringLiteral("&Folders:"), this));
  layout->addWidget(FTree, 1);
  auto* nameLabel = new QLabel(QStringLiteral("&Directory name:"), this);
  nameLabel->setBuddy(FEdit);
  layout->addWidget(nameLabel);
  layout->addWidget(FEdit);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFolderChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TFolderChooser::reject);
  connect(FTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) { TreeCurrentChanged(index); });
  SetFolder(start.isEmpty() ? QDir::currentPath() : start);
}

QString TFolderChooser::Folder() const {
  const QString typed = FEdit->text().trimmed();
  if (typed.isEmpty()) return QString();
  return QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(typed)));
}

void TFolderChooser::SetFolder(const QString& folder) {
  FEdit->setText(folder);
  // Show the nearest folder that exists, so a typed new folder still has its context.
  QString existing = Folder();
  while (!existing.isEmpty() && !QFileInfo(existing).isDir()) {
    const QString up = QFileInfo(existing).path();
    if (up == existing) break;
    existing = up;
  }
  const QModelIndex index = FModel->index(existing);
  if (index.isValid()) {
    // Showing the folder in the tree must not overwrite the name typed.
    const QSignalBlocker blocker(FTree->selectionModel());
    FTree->setCurrentIndex(index);
    FTree->scrollTo(index);
  }
}

void TFolderChooser::TreeCurrentChanged(const QModelIndex& index) {
  if (index.isValid()) FEdit->setText(QDir::toNativeSeparators(FModel->filePath(index)));
}

void TFolderChooser::accept() {
  const QString folder = Folder();
  if (folder.isEmpty()) return;
  const QFileInfo info(folder);
  if (info.exists() && !info.isDir()) {
    FDialogs.MessageDlg("\"" + folder + "\" is not a directory.", TMsgDlgType::mtError, mbOK);
    return;
  }
  if (!info.exists()) {
    if (FDialogs.MessageDlg(QStringLiteral("The specified directory does not exist. Create it?"),
                            TMsgDlgType::mtConfirmation, mbYesNo) != mrYes)
      return;
    if (!QDir().mkpath(folder)) {
      FDialogs.MessageDlg("Unable to create the directory \"" + folder + "\".",
                          TMsgDlgType::mtError, mbOK);
      return;
    }
  }
  QDialog::accept();
}

}  // namespace platform
