// The filter line at work on a large archive: for each key typed into the filter line, and then
// for each Backspace that takes the text away again, the time from the key press until the list
// is painted with the rows it leaves. The real window over the real libraries, offscreen, with
// dialogs that answer nothing (a prompt would be a fault here) and no help or shell.
//
// Usage: filter_bench ARCHIVE [TEXT]      (TEXT: what is typed, "file1" by default)
// Prints a line per key ("type 'f': 12.3 ms, 100000 of 100000 rows shown") and a summary line
//   keys N median_ms M max_ms X rows R
// where R is the number of rows listed. Exit status 1 when the archive shows no rows.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/scripted_dialogs.h"
#include "mainform/mainform.h"
#include "platform/help.h"
#include "platform/shell.h"

namespace {

class TNoHelp : public platform::THelp {
 public:
  bool WinHelp(const QString&, platform::THelpCommand, int, const QString&) override { return false; }
};

class TNoShell : public platform::TShell {
 public:
  int ShellExecute(const QString&, const QString&, const QString&, const QString&, int) override {
    return platform::SE_ERR_NOASSOC;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: filter_bench ARCHIVE [TEXT]\n");
    return 2;
  }
  const QString typed = arguments.size() > 2 ? arguments[2] : QStringLiteral("file1");

  testing_support::TScriptedDialogs dialogs;
  TNoHelp help;
  TNoShell shell;
  TMainFormFm window(TMainFormServices{
      dialogs, help, shell, {QStringLiteral("Parcelix"), arguments[1]}, QApplication::applicationDirPath()});
  window.show();
  QApplication::processEvents();
  auto* list = window.findChild<QTreeView*>(QStringLiteral("ListView"));
  auto* line = window.findChild<QLineEdit*>(QStringLiteral("FilterLine"));
  auto* open = window.findChild<QAction*>(QStringLiteral("EditFilter1"));
  if (!list || !line || !open) {
    std::fprintf(stderr, "filter_bench: the window has no list, filter line or filter command\n");
    return 1;
  }
  const int total = list->model()->rowCount();
  if (total == 0) {
    std::fprintf(stderr, "filter_bench: %s shows no rows\n", qPrintable(arguments[1]));
    return 1;
  }
  open->trigger();
  window.repaint();

  std::vector<double> times;
  // One key as the user presses it: the event, whatever it posts, and the window painted.
  const auto press = [&](int key, const QString& text, const char* what) {
    QElapsedTimer clock;
    clock.start();
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(line, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(line, &up);
    QApplication::processEvents();
    window.repaint();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    times.push_back(ms);
    std::printf("%s '%s': %.1f ms, %d of %d rows shown\n", what, qPrintable(line->text()), ms,
                list->model()->rowCount(), total);
  };
  for (const QChar c : typed) press(Qt::Key_unknown, QString(c), "type");
  for (qsizetype i = 0; i < typed.size(); ++i) press(Qt::Key_Backspace, QString(), "erase");

  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  std::printf("keys %zu median_ms %.1f max_ms %.1f rows %d\n", n, median, sorted.back(), total);
  if (!dialogs.Messages().isEmpty())
    std::fprintf(stderr, "filter_bench: the window said: %s\n", qPrintable(dialogs.Messages().join(" | ")));
  return 0;
}
