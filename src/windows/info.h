// TFrmArchiveInfo: facts about the open archive (name, size, entries, compression, file date)
// and its comment, which comment mode lets the user edit. Created for one use, shown modally.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

namespace Ui {
class FrmArchiveInfo;
}

class TZipEngine;

class TFrmArchiveInfo : public QDialog {
  Q_OBJECT

 public:
  // Reads the facts through Engine at once; OnTop keeps the dialog above other windows.
  TFrmArchiveInfo(TZipEngine& Engine, bool OnTop, QWidget* Owner = nullptr);
  ~TFrmArchiveInfo() override;

  // 0 shows the facts, 1 also edits the comment. Set before the dialog is shown.
  int Tag = 0;

  // True when OK wrote a changed comment and the archive did not take it.
  bool CommentWriteFailed() const { return FCommentWriteFailed; }

  // The dialog's OK button (also Enter and Esc).
  void Button1Click();

 protected:
  void showEvent(QShowEvent* Event) override;
  void reject() override;

 private:
  void FormCreate(bool OnTop);
  void FormShow();

  std::unique_ptr<Ui::FrmArchiveInfo> ui;
  TZipEngine& FEngine;
  bool FShown = false;
  bool FCommentWriteFailed = false;
};

// The figures the dialog shows, kept apart so that their rules can be checked on their own.
// Compression in whole percent with thousands separators and "%"; no bytes at all is 0%.
QString CompressionText(std::int64_t SizeTotal, std::int64_t PackedTotal);
// A file time to two seconds as the short date and the long time; the time is left out at
// exactly midnight.
QString FileDateTimeText(const QDateTime& Stamp);
// Text cut to the comment's 255 bytes without splitting a character.
QString CutComment(const QString& Text);
