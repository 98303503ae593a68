// The small window a file-manager action shows while it works: which archive, which entry, a
// bar for the bytes done, and Abort, which stops the engine at its next message.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;
class TZipEngine;

class TActionProgress : public QWidget {
  Q_OBJECT

 public:
  explicit TActionProgress(QWidget* Parent = nullptr);

  // The engine that Abort stops; set before each operation.
  void Attach(TZipEngine* Engine) { FEngine = Engine; }
  // A new task ("Extracting "a.zip" (1 of 3)") of TotalBytes bytes; the bar starts empty.
  void Begin(const QString& Task, std::int64_t TotalBytes);
  // The engine has moved on to the entry Name of Size bytes; the one before is done.
  void Entry(const QString& Name, std::int64_t Size);
  // How far the current entry has come, in percent.
  void EntryPercent(int Percent);
  // True once the user asked to stop, with Abort or by closing the window.
  bool AbortRequested() const { return FAbortRequested; }

  QString TaskText() const;
  QString EntryText() const;
  int Permille() const;
  QPushButton* AbortButton() const { return FAbort; }

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  void RequestAbort();
  void ShowBytes();

  TZipEngine* FEngine = nullptr;
  bool FAbortRequested = false;
  std::int64_t FTotal = 0;
  std::int64_t FDone = 0;     // bytes of the entries finished
  std::int64_t FCurrent = 0;  // size of the entry under way
  std::int64_t FPartial = 0;  // bytes of it done
  QLabel* FTask;
  QLabel* FEntry;
  QProgressBar* FBar;
  QPushButton* FAbort;
};
