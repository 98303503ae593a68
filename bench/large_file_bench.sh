#!/usr/bin/env bash
# Large files: zipeng against zip at level 6 on four 75 MB files of mixed content (runs of the
# system headers as text, of shared libraries as binary, and of random bytes), the case where
# zipeng compresses each file in blocks on all cores while zip uses one.
#   zipeng -r -6 out.zip .      against      zip -6 -r -q out.zip .
# The two run alternately (ours, theirs, ours, theirs, ...) RUNS times each (default 3), so a
# machine shared with other work slows both alike. Printed: the median wall and processor
# times, the peak resident memory (/usr/bin/time -f %M), the archive sizes, and zip's time and
# size over ours (time ratio above 1: zipeng is faster; size ratio above 1: zipeng is smaller).
# Both archives are checked with unzip -t.
# Usage: bench/large_file_bench.sh [BUILD_BIN_DIR] [FILES_DIR]
#   defaults: build/bin and ${TMPDIR:-/tmp}/parcelix-large (made when missing, kept for reruns)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "${1:-$root/build/bin}" && pwd)"
files="${2:-${TMPDIR:-/tmp}/parcelix-large}"
runs="${RUNS:-3}"
[ -x "$bin/zipeng" ] || { echo "no zipeng in $bin (build the zipeng_cli and zipeng32 targets)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

if [ ! -f "$files/.complete" ]; then
  rm -rf "$files"
  mkdir -p "$files"
  python3 - "$files" <<'PY'
import os, random, sys
out = sys.argv[1]
def pool(paths, limit):
    data = bytearray()
    for p in paths:
        try:
            with open(p, "rb") as f:
                data += f.read()
        except OSError:
            continue
        if len(data) >= limit:
            break
    return bytes(data)
headers = sorted(os.path.join(d, f) for d, _, fs in os.walk("/usr/include") for f in fs)
libdir = "/usr/lib/x86_64-linux-gnu"
libs = sorted(os.path.join(libdir, f) for f in os.listdir(libdir) if ".so" in f) if os.path.isdir(libdir) else []
text = pool(headers, 64 << 20)
binary = pool(libs, 64 << 20) or text
size = 75_000_000
for k in range(4):
    rng = random.Random(k)
    data = bytearray()
    while len(data) < size:
        n = rng.randint(256 << 10, 4 << 20)
        kind = rng.random()
        if kind < 0.5:
            src = text
        elif kind < 0.9:
            src = binary
        else:
            data += rng.randbytes(n // 4)
            continue
        at = rng.randrange(0, max(1, len(src) - n))
        data += src[at:at + n]
    with open(os.path.join(out, "large%d.bin" % k), "wb") as f:
        f.write(data[:size])
PY
  touch "$files/.complete"
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/parcelix-lbench-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

# One timed run: appends "wall user+system peakKiB size" to $scratch/$1.
run() {
  local tool="$1"; shift
  rm -f "$scratch/$tool.zip"
  (cd "$files" && /usr/bin/time -f "%e %U %S %M" -o "$scratch/time" "$@" >/dev/null)
  read -r wall user sys peak < "$scratch/time"
  echo "$wall $(awk "BEGIN{print $user + $sys}") $peak $(stat -c %s "$scratch/$tool.zip")" >> "$scratch/$tool.runs"
}

for ((i = 0; i < runs; i++)); do
  run zipeng "$bin/zipeng" -r -6 "$scratch/zipeng.zip" .   # hidden files (.complete) left out
  run zip zip -6 -r -q "$scratch/zip.zip" . -x .complete
done
for tool in zipeng zip; do
  unzip -tq "$scratch/$tool.zip" >/dev/null || { echo "$tool.zip does not test clean" >&2; exit 1; }
done

python3 - "$scratch" "$runs" "$(nproc)" <<'PY'
import statistics, sys
scratch, runs, cores = sys.argv[1], int(sys.argv[2]), sys.argv[3]
res = {}
for tool in ("zipeng", "zip"):
    rows = [list(map(float, l.split())) for l in open("%s/%s.runs" % (scratch, tool))]
    res[tool] = (statistics.median(r[0] for r in rows), statistics.median(r[1] for r in rows),
                 max(r[2] for r in rows) / 1024.0, int(rows[-1][3]))
print("four 75 MB files, level 6; %d runs each, alternating; %s cores" % (runs, cores))
print("%-7s %9s %8s %9s %12s" % ("tool", "median s", "cpu s", "peak MiB", "archive B"))
for tool, (t, c, m, size) in res.items():
    print("%-7s %9.2f %8.2f %9.1f %12d" % (tool, t, c, m, size))
zt, zc, _, zs = res["zip"]
ot, oc, _, osz = res["zipeng"]
print("zip / zipeng: time %.2fx, processor time %.2fx, archive size %.4fx" % (zt / ot, zc / oc, zs / osz))
PY
