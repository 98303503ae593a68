#!/usr/bin/env bash
# Listing benchmark: the main window opening a 100,000-entry archive named on its command line,
# listing it, sorting it and painting it (offscreen), against `unzip -l` on the same archive.
# Usage: bench/list_view_bench.sh [BIN_DIR] [ENTRIES] [RUNS]
#   BIN_DIR  folder holding Parcelix and the engine libraries (default: build/bin)
# Prints the median wall time of each and the ratio Parcelix / unzip -l per sort column.
set -euo pipefail

BIN_DIR=${1:-build/bin}
ENTRIES=${2:-100000}
RUNS=${3:-5}
PROGRAM="$BIN_DIR/Parcelix"
[ -x "$PROGRAM" ] || { echo "no program at $PROGRAM" >&2; exit 1; }
command -v unzip >/dev/null || { echo "unzip is needed" >&2; exit 1; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
ARCHIVE="$WORK/list$ENTRIES.zip"

python3 - "$ARCHIVE" "$ENTRIES" <<'PY'
import sys, zipfile
path, count = sys.argv[1], int(sys.argv[2])
with zipfile.ZipFile(path, 'w', zipfile.ZIP_STORED) as z:
    for i in range(count):
        # Names, dates and sizes in no particular order, so every sort has work to do.
        n = (i * 7919) % count
        info = zipfile.ZipInfo('dir%03d/file%07d.txt' % (n % 500, n),
                               (1990 + n % 30, 1 + n % 12, 1 + n % 28, n % 24, n % 60, (n % 30) * 2))
        z.writestr(info, b'x' * (n % 64))
PY

# Median wall time in milliseconds of RUNS runs of the given command.
median_ms() {
  local times=()
  for _ in $(seq "$RUNS"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p "$XDG_CONFIG_HOME"

unzip_ms=$(median_ms unzip -l "$ARCHIVE")
echo "entries: $ENTRIES, runs: $RUNS"
echo "unzip -l: ${unzip_ms} ms"
for column in 0:Name 1:Date 3:Size 6:Path; do
  index=${column%%:*}
  printf '[Settings]\nActiveColumn=%s\n' "$index" > "$XDG_CONFIG_HOME/PARCELIX.INI"
  ms=$(PARCELIX_QUIT_WHEN_SHOWN=1 median_ms "$PROGRAM" "$ARCHIVE")
  ratio=$(awk -v a="$ms" -v b="$unzip_ms" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }')
  echo "Parcelix, sorted by ${column#*:}: ${ms} ms (ratio ${ratio})"
done
