#!/usr/bin/env bash
# The differential suite's full sweep: every entry size around the engine's buffer boundaries
# (0, 1, 64 KiB, 1 MiB, 16 MiB, 32 MiB, each -1/+0/+1) with every kind of content, in archives
# from zip, 7zz, bsdtar and Python's zipfile, plus every damage point for repair. Takes about ten
# minutes on two cores and about 1.5 GB of scratch space under $TMPDIR.
# Usage: bench/differential_sweep.sh [BUILD_BIN_DIR] [--only TEXT] [--keep]
#   default BUILD_BIN_DIR: build/bin
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then bin="$1"; shift; fi
exec python3 "$root/tests/differential/differential.py" --bin "$bin" --full "$@"
