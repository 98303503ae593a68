// The dialog interface on Qt: message boxes, file dialogs and a folder chooser that can
// create the folder the user typed.
#pragma once

#include <QDialog>
#include <functional>

#include "platform/dialogs.h"

class QLineEdit;
class QTreeView;
class QFileSystemModel;
class QModelIndex;

namespace platform {

class TQtDialogs : public TDialogs {
 public:
  explicit TQtDialogs(QWidget* parent = nullptr) : FParent(parent) {}

  int MessageDlg(const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons, int helpContext = 0) override;
  bool OpenFileDialog(const TFileDialogRequest& request, QStringList& files) override;
  bool SaveFileDialog(const TFileDialogRequest& request, QString& file) override;
  bool SelectDirectory(const QString& caption, QString& directory) override;
  int PasswordQuery(const QString& caption, const QString& prompt, QString& password, int maxBytes) override;

  // Runs when the Help button of a message is pressed, with the message's help context.
  std::function<void(int)> OnHelp;
  void SetParent(QWidget* parent) { FParent = parent; }

 private:
  QWidget* Owner() const;

  QWidget* FParent;
};

// A message text as shown: character 13 (alone or before a line feed) becomes a line break.
QString MessageTextForDisplay(const QString& text);

// The folder chooser: a tree of folders and a line where a folder can be typed. A typed folder
// that does not exist is offered for creation through `dialogs` before the chooser closes.
class TFolderChooser : public QDialog {
  Q_OBJECT
 public:
  TFolderChooser(TDialogs& dialogs, const QString& caption, const QString& start, QWidget* parent = nullptr);
  QString Folder() const;
  void SetFolder(const QString& folder);

  void accept() override;

 private:
  void TreeCurrentChanged(const QModelIndex& index);
  void ShowInTree(const QString& folder);

  TDialogs& FDialogs;
  QLineEdit* FEdit;
  QTreeView* FTree;
  QFileSystemModel* FModel;
};

}  // namespace platform
