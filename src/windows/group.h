// TFrmCreateGroup: extracts every entry of the open archive into a folder and asks the desktop's
// program group service ("ProgMan") for a group with one item per file. Created for one use,
// shown modally.
#pragma once

#include <QDialog>
#include <memory>

#include "platform/dde_client.h"

namespace Ui {
class FrmCreateGroup;
}

class TWindowOwner;

class TFrmCreateGroup : public QDialog {
  Q_OBJECT

 public:
  // Fills the two edits from Owner's archive and settings.
  explicit TFrmCreateGroup(TWindowOwner& Owner);
  ~TFrmCreateGroup() override;

  void BtnOkClick();
  void BtnCancelClick();

  // The conversation with the service, open only while OK runs.
  platform::TDdeClientConv DdeClient;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  void FormCreate();

  std::unique_ptr<Ui::FrmCreateGroup> ui;
  TWindowOwner& FOwner;
};

// The name a group and its folder take from an archive: its file name cut before the first "."
// (a leading "." does not count); a name without one is taken whole.
QString GroupBaseName(const QString& ArchiveName);
