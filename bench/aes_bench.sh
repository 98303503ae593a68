#!/usr/bin/env bash
# Testing an AES-256 archive: unzeng against 7zz in one run, on the same archive.
#   The mixed corpus (bench/make_corpus.sh) packed by 7zz with AES-256, then tested with
#   `unzeng -P PW -t` and `7zz t -pPW`. Median wall time of RUNS runs (default 5) and the ratio
#   7zz / unzeng (above 1: unzeng is faster).
# Usage: bench/aes_bench.sh [BUILD_BIN_DIR] [CORPUS_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
corpus="${2:-${TMPDIR:-/tmp}/parcelix-corpus}"
runs="${RUNS:-5}"
[ -x "$bin/unzeng" ] || { echo "no unzeng in $bin (build the unzeng_cli target)" >&2; exit 1; }
"$root/bench/make_corpus.sh" "$corpus" >/dev/null
archive="$corpus/mixed-aes256.zip"
if [ ! -f "$archive" ]; then
  (cd "$corpus/mixed" && 7zz a -tzip -mem=AES256 -pbench-password "$archive.part" . >/dev/null)
  mv "$archive.part" "$archive"
fi

python3 - "$bin/unzeng" "$archive" "$runs" <<'PY'
import statistics, subprocess, sys, time
unzeng, archive, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

def median(argv):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        done = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
        if done.returncode != 0:
            sys.exit(f"failed: {' '.join(argv)}")
    return statistics.median(times)

ours = median([unzeng, "-P", "bench-password", "-t", archive])
peer = median(["7zz", "t", "-pbench-password", archive])
print(f"test AES-256 mixed archive: unzeng {ours:.3f} s, 7zz t {peer:.3f} s, ratio {peer / ours:.2f}x")
PY
