#!/usr/bin/env bash
# Write-side benchmark: zipeng against zip and 7zz, in one run, on the same files.
#   add mixed     the ~200 MB mixed tree at level 6   (zipeng -r -6 | zip -6 -r -q | 7zz a -tzip -mx6)
#   delete 10     ten entries from zip's mixed.zip     (zipeng -d   | zip -d -q)
#   add one -g    one small file to that archive       (zipeng -g   | zipeng (rewrite) | zip -q)
# Each command runs RUNS times (default 5) on a fresh copy made outside the timing; the table
# gives the median wall time, the median processor time (user + system: on a machine shared with
# other work the wall time of a program using several cores suffers most), the peak resident
# memory, each peer's ratio to zipeng (above 1: zipeng is faster), and the archive sizes.
# Usage: bench/write_bench.sh [BUILD_BIN_DIR] [CORPUS_DIR]
#   defaults: build/bin and /tmp/parcelix-corpus (made by bench/make_corpus.sh when missing)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
corpus="${2:-${TMPDIR:-/tmp}/parcelix-corpus}"
runs="${RUNS:-5}"
[ -x "$bin/zipeng" ] || { echo "no zipeng in $bin (build the zipeng_cli target)" >&2; exit 1; }
"$root/bench/make_corpus.sh" "$corpus" >/dev/null
scratch="$(mktemp -d "${TMPDIR:-/tmp}/parcelix-wbench-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

python3 - "$bin/zipeng" "$corpus" "$scratch" "$runs" <<'PY'
import os, shutil, statistics, subprocess, sys, time, zipfile

zipeng, corpus, scratch, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
mixed_dir = os.path.join(corpus, "mixed")
mixed_zip = os.path.join(corpus, "mixed.zip")
target = os.path.join(scratch, "out.zip")
small = os.path.join(scratch, "small.txt")
with open(small, "w") as f:
    f.write("one small file\n")

names = sorted(i.filename for i in zipfile.ZipFile(mixed_zip).infolist() if not i.is_dir())
victims = names[len(names) // 3: len(names) // 3 + 10]

def fresh(copy_from):
    if os.path.exists(target):
        os.remove(target)
    if copy_from:
        shutil.copyfile(copy_from, target)
        os.sync()

def measure(argv, copy_from, cwd=None):
    """Median wall and processor seconds, peak resident MiB and the archive's size."""
    times, cpus, peaks = [], [], []
    for _ in range(runs):
        fresh(copy_from)
        start = time.perf_counter()
        with open(os.devnull, "wb") as null:
            proc = subprocess.Popen(argv, stdout=null, stderr=null, cwd=cwd)
            _, status, usage = os.wait4(proc.pid, 0)
        times.append(time.perf_counter() - start)
        cpus.append(usage.ru_utime + usage.ru_stime)
        peaks.append(usage.ru_maxrss / 1024.0)
        code = os.waitstatus_to_exitcode(status)
        if code != 0:
            print("  warning: %s exited with %d" % (" ".join(argv[:2]), code), file=sys.stderr)
    return statistics.median(times), statistics.median(cpus), max(peaks), os.path.getsize(target)

cases = [
    ("add mixed -6", None, mixed_dir, {
        "zipeng": [zipeng, "-r", "-6", target, "."],
        "zip": ["zip", "-6", "-r", "-q", target, "."],
        "7zz": ["7zz", "a", "-tzip", "-mx6", target, "."]}),
    ("delete 10", mixed_zip, None, {
        "zipeng": [zipeng, "-d", target] + victims,
        "zip": ["zip", "-d", "-q", target] + victims}),
    ("add one small", mixed_zip, scratch, {
        "zipeng": [zipeng, "-g", target, "small.txt"],
        "rewrite": [zipeng, target, "small.txt"],
        "zip": ["zip", "-q", target, "small.txt"]}),
]

print("%d runs each; %s; %d cores" % (runs, time.strftime("%Y-%m-%d %H:%M:%S"), os.cpu_count()))
print("%-14s %-8s %9s %8s %9s %11s %10s %10s %12s" % ("case", "tool", "median s", "cpu s", "peak MiB",
      "time ratio", "cpu ratio", "mem ratio", "archive B"))
for name, copy_from, cwd, tools in cases:
    results = {}
    for tool, argv in tools.items():
        if shutil.which(argv[0]) is None and not os.path.exists(argv[0]):
            continue
        results[tool] = measure(argv, copy_from, cwd)
    base_t, base_c, base_m, _ = results["zipeng"]
    for tool, (t, c, m, size) in results.items():
        print("%-14s %-8s %9.3f %8.3f %9.1f %10.2fx %9.2fx %9.2fx %12d" % (
            name, tool, t, c, m, t / base_t, c / max(base_c, 1e-3), m / base_m, size))
PY
