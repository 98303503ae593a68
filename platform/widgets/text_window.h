// A plain read-only window that shows a text file: where no desktop program will open a file
// as text, the program still shows it in a window of its own.
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace platform {

class TTextWindow : public QPlainTextEdit {
  Q_OBJECT
 public:
  // Reads the file at once; the window deletes itself when closed.
  explicit TTextWindow(const QString& file);

  // Files beyond this are shown up to it, with a note at the end.
  static constexpr qint64 kShownBytes = 16 * 1024 * 1024;
};

}  // namespace platform
