#!/usr/bin/env bash
# Archive browser benchmark: the time from choosing a folder of ARCHIVES archives (each with one
# small entry and a comment, some with commas) to the filled, sorted and painted list, and the
# longest time the window's event loop was kept from answering meanwhile.
#   A small driver, compiled here against the build's libraries, opens the browser from the main
#   window (offscreen) and answers its folder chooser; nothing in the program is made for it.
#   Median of RUNS fills (default 5).
# Usage: bench/browser_bench.sh [BUILD_DIR] [ARCHIVES] [RUNS]
#   BUILD_DIR  a configured Release build with windows_test_browser built (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
archives="${2:-500}"
runs="${3:-5}"
for lib in parcelix_ui parcelix_engine parcelix_support parcelix_platform_widgets parcelix_platform_core \
           parcelix_module parcelix_test_common; do
  [ -f "$build/lib/lib$lib.a" ] || { echo "no lib$lib.a in $build/lib (build windows_test_browser)" >&2; exit 1; }
done
[ -f "$build/bin/libunzeng32.so" ] || { echo "no engine library in $build/bin" >&2; exit 1; }

work="$(mktemp -d)"
[ -z "${KEEP:-}" ] || echo "kept: $work" >&2
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/archives" "$work/config" "$work/tmp"

python3 - "$work/archives" "$archives" <<'PY'
import sys, zipfile
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    # Names in no particular order, so the list has sorting to do.
    n = (i * 7919) % count
    with zipfile.ZipFile(f"{folder}/archive{n:05d}.zip", "w") as z:
        z.writestr("readme.txt", f"archive {n}\n" * 20)
        z.comment = (f"Release {n}, build {n * 3}, notes" if n % 3 == 0 else f"Archive number {n}").encode()
PY

cat > "$work/driver.cpp" <<'CPP'
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "mainform/test_mainwindow_rig.h"
#include "windows/browser.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const int runs = std::atoi(argv[2]);
  TWindowRig rig;
  rig.Window->show();
  QList<double> fills;
  qint64 longestBlock = 0;
  int rows = 0;
  for (int run = 0; run < runs; ++run) {
    auto* browser = new TFrmBrowse(*rig.Window);
    browser->show();
    QCoreApplication::processEvents();
    rig.Dialogs.FolderAnswers.push_back(folder);
    QElapsedTimer clock;
    clock.start();
    browser->SpdBtnBrowseClick();
    while (browser->Reading()) {
      QElapsedTimer step;
      step.start();
      QCoreApplication::processEvents();
      longestBlock = std::max(longestBlock, step.elapsed());
    }
    browser->repaint();
    fills << clock.nsecsElapsed() / 1e9;
    rows = browser->findChild<QAbstractItemView*>("FilesLb")->model()->rowCount();
    browser->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  std::sort(fills.begin(), fills.end());
  std::printf("browser fill of %d archives: median %.3f s (min %.3f, max %.3f over %d runs); "
              "longest the window waited for a step: %lld ms\n",
              rows, fills[fills.size() / 2], fills.front(), fills.back(), runs, static_cast<long long>(longestBlock));
  return 0;
}
CPP

libs=()
for lib in parcelix_ui parcelix_engine parcelix_support parcelix_platform_widgets parcelix_platform_core \
           parcelix_module parcelix_test_common; do
  libs+=("$build/lib/lib$lib.a")
done
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -fPIC -I"$root/src" -I"$root" -I"$root/tests" -I"$root/libs/zipeng/include" \
  $(pkg-config --cflags Qt6Widgets Qt6Test) "$work/driver.cpp" -o "$work/driver" \
  -Wl,--start-group "${libs[@]}" -Wl,--end-group $(pkg-config --libs Qt6Widgets Qt6Test) -ldl

XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/config" TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen \
  LC_ALL=C.UTF-8 LD_LIBRARY_PATH="$build/bin" "$work/driver" "$work/archives" "$runs" 2>/dev/null
