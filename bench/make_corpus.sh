#!/usr/bin/env bash
# Builds the benchmark corpus from files already on this machine, no download:
#   OUTDIR/mixed/     about 200 MB: C headers (text) and shared libraries (binary)
#   OUTDIR/tiny/      100,000 tiny files in 100 folders
#   OUTDIR/mixed.zip  OUTDIR/tiny.zip   made by zip at its default level
# Usage: bench/make_corpus.sh OUTDIR      (what already exists is kept, so reruns are quick)
set -euo pipefail
out="${1:?usage: make_corpus.sh OUTDIR}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
budget=$((200 * 1024 * 1024))

if [ ! -f "$out/mixed/.complete" ]; then
  rm -rf "$out/mixed"
  mkdir -p "$out/mixed/include" "$out/mixed/lib"
  # Text: the system headers, links resolved; a few dangling links are simply left out.
  cp -rL /usr/include/. "$out/mixed/include/" 2>/dev/null || true
  used=$(du -sb "$out/mixed" | cut -f1)
  # Binary: shared libraries in name order until the budget is reached.
  for f in $(ls /usr/lib/x86_64-linux-gnu/*.so* 2>/dev/null | sort); do
    [ -f "$f" ] || continue
    size=$(stat -Lc %s "$f")
    [ $((used + size)) -gt $budget ] && continue
    cp -L "$f" "$out/mixed/lib/" 2>/dev/null || continue
    used=$((used + size))
  done
  touch "$out/mixed/.complete"
fi

if [ ! -f "$out/tiny/.complete" ]; then
  rm -rf "$out/tiny"
  python3 - "$out/tiny" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(100):
    folder = os.path.join(root, "d%03d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(1000):
        with open(os.path.join(folder, "f%04d.txt" % f), "w") as fh:
            fh.write("file %d of folder %d\n" % (f, d))
PY
  touch "$out/tiny/.complete"
fi

if [ ! -f "$out/mixed.zip" ]; then
  (cd "$out/mixed" && zip -qr "$out/mixed.zip.part" . -x .complete && mv "$out/mixed.zip.part" "$out/mixed.zip")
fi
if [ ! -f "$out/tiny.zip" ]; then
  (cd "$out/tiny" && zip -qr "$out/tiny.zip.part" . -x .complete && mv "$out/tiny.zip.part" "$out/tiny.zip")
fi
echo "corpus in $out: mixed $(du -sh "$out/mixed" | cut -f1), tiny $(find "$out/tiny" -type f | wc -l) files"
