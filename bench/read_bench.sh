#!/usr/bin/env bash
# Read-side benchmark: unzeng against unzip and 7zz, in one run, on the same archives.
#   listing  the 100,000-entry archive   (unzeng -v   | unzip -l   | 7zz l)
#   testing  the ~200 MB mixed archive   (unzeng -t   | unzip -tq  | 7zz t)
#   extract  the ~200 MB mixed archive   (unzeng -o   | unzip -qo  | 7zz x -y), into a folder on
#            the disk and, when /dev/shm is writable, into one in memory: on a slow disk every
#            tool waits for the same writes, and only the memory case shows the tools' own cost
# Each command runs RUNS times (default 5); the table gives the median wall time, the peak
# resident memory, and each peer's ratio to unzeng (above 1: unzeng is faster / smaller).
# Usage: bench/read_bench.sh [BUILD_BIN_DIR] [CORPUS_DIR]
#   defaults: build/bin and /tmp/parcelix-corpus (made by bench/make_corpus.sh when missing)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
corpus="${2:-${TMPDIR:-/tmp}/parcelix-corpus}"
runs="${RUNS:-5}"
[ -x "$bin/unzeng" ] || { echo "no unzeng in $bin (build the unzeng_cli target)" >&2; exit 1; }
"$root/bench/make_corpus.sh" "$corpus" >/dev/null
scratch="$(mktemp -d "${TMPDIR:-/tmp}/parcelix-bench-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

shm=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm="$(mktemp -d /dev/shm/parcelix-bench-XXXXXX)"
  trap 'rm -rf "$scratch" "$shm"' EXIT
fi

python3 - "$bin/unzeng" "$corpus" "$scratch" "$runs" "$shm" <<'PY'
import os, shutil, statistics, subprocess, sys, time

unzeng, corpus, scratch, runs, shm = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]
tiny = os.path.join(corpus, "tiny.zip")
mixed = os.path.join(corpus, "mixed.zip")
out = os.path.join(scratch, "out")

def measure(argv, folder):
    """Median wall seconds and peak resident MiB over the runs; output goes to /dev/null and
    `folder`, when given, is emptied before each run (not timed)."""
    times, peaks = [], []
    for _ in range(runs):
        if folder:
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(folder)
        start = time.perf_counter()
        with open(os.devnull, "wb") as null:
            proc = subprocess.Popen(argv, stdout=null, stderr=null)
            _, status, usage = os.wait4(proc.pid, 0)
        times.append(time.perf_counter() - start)
        peaks.append(usage.ru_maxrss / 1024.0)
        code = os.waitstatus_to_exitcode(status)
        if code != 0:
            print("  warning: %s exited with %d" % (" ".join(argv[:2]), code), file=sys.stderr)
    return statistics.median(times), max(peaks)

cases = [
    ("list 100k entries", None, {
        "unzeng": [unzeng, "-v", tiny],
        "unzip": ["unzip", "-l", tiny],
        "7zz": ["7zz", "l", tiny]}),
    ("test mixed", None, {
        "unzeng": [unzeng, "-t", mixed],
        "unzip": ["unzip", "-tq", mixed],
        "7zz": ["7zz", "t", mixed]}),
]
def extract_case(name, folder):
    return (name, folder, {
        "unzeng": [unzeng, "-o", mixed, "-d", folder],
        "unzip": ["unzip", "-qo", mixed, "-d", folder],
        "7zz": ["7zz", "x", "-y", "-o" + folder, mixed]})
cases.append(extract_case("extract mixed", out))
if shm:
    cases.append(extract_case("extract mixed shm", os.path.join(shm, "out")))

print("%d runs each; %s" % (runs, time.strftime("%Y-%m-%d %H:%M:%S")))
print("%-18s %-7s %9s %9s %11s %11s" % ("case", "tool", "median s", "peak MiB", "time ratio", "mem ratio"))
for name, folder, tools in cases:
    results = {}
    for tool, argv in tools.items():
        if shutil.which(argv[0]) is None and not os.path.exists(argv[0]):
            continue
        results[tool] = measure(argv, folder)
    base_t, base_m = results["unzeng"]
    for tool, (t, m) in results.items():
        print("%-18s %-7s %9.3f %9.1f %10.2fx %10.2fx" % (name, tool, t, m, t / base_t, m / base_m))
PY
