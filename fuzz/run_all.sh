#!/usr/bin/env bash
# The fuzz step of scripts/test. For each target: every input in fuzz/regressions/<target>/ (the
# crashes found so far) runs once, then the target fuzzes its corpus for SECONDS (default 30).
# Usage: fuzz/run_all.sh BUILD_DIR [SECONDS]; BUILD_DIR is a build with PARCELIX_FUZZ=ON whose
# corpora fuzz/make_seeds.sh has made. Targets run side by side, one per core (FUZZ_JOBS to
# change that). A new crash is saved as BUILD_DIR/crashes/<target>-*: add it to
# fuzz/regressions/<target>/ with its fix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
seconds="${2:-30}"
jobs="${FUZZ_JOBS:-$(nproc)}"
mkdir -p "$build/crashes" "$build/logs"

# target, corpus folder, libFuzzer options (as in fuzz/README.md)
runs=(
  "reader corpus -max_len=65536 -timeout=10"
  "repair corpus-repair -max_len=262144 -timeout=20"
  "extract corpus-extract -max_len=65536 -timeout=10"
  "writer corpus-writer -max_len=4096 -timeout=30"
)

fuzz_one() {
  local target="$1" corpus="$2" options="$3"
  local binary="$build/bin/fuzz_$target" log="$build/logs/fuzz_$target.log"
  local regressions="$root/fuzz/regressions/$target"
  # shellcheck disable=SC2206  # the options are words
  local common=($options -rss_limit_mb=2048 "-artifact_prefix=$build/crashes/$target-")

  local inputs=()
  if [ -d "$regressions" ]; then
    while IFS= read -r -d '' file; do inputs+=("$file"); done \
      < <(find "$regressions" -type f ! -name '*.md' -print0 | sort -z)
  fi
  if [ ${#inputs[@]} -gt 0 ] && ! "$binary" "${common[@]}" "${inputs[@]}" > "$log.regressions" 2>&1; then
    tail -n 40 "$log.regressions"
    echo "fuzz_$target fails on a regression input (log: $log.regressions)" >&2
    return 1
  fi
  if ! "$binary" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
       "$build/$corpus" > "$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target found a crash: $build/crashes/ (log: $log)" >&2
    return 1
  fi
  echo "fuzz_$target: ${#inputs[@]} regression inputs, then $(grep -Eo 'number_of_executed_units: *[0-9]+' "$log" \
    | grep -Eo '[0-9]+$') runs in ${seconds} s over $corpus: no crash"
}

failed=0
running=0
for run in "${runs[@]}"; do
  read -r target corpus options <<< "$run"
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  fuzz_one "$target" "$corpus" "$options" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit "$failed"
