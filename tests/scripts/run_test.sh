#!/usr/bin/env bash
# scripts/run builds everything README.md says is in build/bin afterwards: the program, its two
# engine libraries, ProgMan, the zipeng and unzeng tools, the help file and README.TXT. The
# script runs from a copy of its folder, with a setup that does nothing and a cmake that records
# its calls; this build's own Ninja files then tell what the targets it named produce.
#   run_test.sh SOURCE_DIR BUILD_DIR NINJA
set -euo pipefail
source_dir="$1"
build="$2"
ninja="$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

mkdir -p "$work/tree/scripts" "$work/path"
cp "$source_dir/scripts/run" "$work/tree/scripts/run"
printf '#!/bin/sh\nexit 0\n' >"$work/tree/scripts/setup"
# Each call is one line of arguments; a build leaves a program that notes it was started.
cat >"$work/path/cmake" <<STUB
#!/bin/sh
printf '%s\n' "\$*" >>"$work/calls"
mkdir -p "$work/tree/build/bin"
printf '#!/bin/sh\necho "\$@" >"$work/started"\n' >"$work/tree/build/bin/Parcelix"
chmod +x "$work/tree/build/bin/Parcelix"
STUB
chmod +x "$work/tree/scripts/run" "$work/tree/scripts/setup" "$work/path/cmake"

PATH="$work/path:$PATH" "$work/tree/scripts/run" some.zip >/dev/null || fail "scripts/run failed"
[ "$(cat "$work/started" 2>/dev/null)" = "some.zip" ] || fail "scripts/run did not start the program with its argument"

# The words after --target up to the next option, over every build call.
targets="$(awk '/--build/ { on = 0; for (i = 1; i <= NF; ++i) { if ($i == "--target") { on = 1; continue }
                                                                 if ($i ~ /^-/) on = 0; else if (on) print $i } }' \
             "$work/calls")"
[ -n "$targets" ] || fail "scripts/run names no target: $(cat "$work/calls")"
# shellcheck disable=SC2086
commands="$("$ninja" -C "$build" -t commands $targets)" || fail "unknown targets: $targets"
for made in Parcelix libzipeng32.so libunzeng32.so ProgMan zipeng unzeng; do
  # A library is linked under its full version (libzipeng32.so.2.0.0), the plain name a link to it.
  grep -Eq -- "-o bin/$made(\.[0-9.]+)?( |\$)" <<<"$commands" || fail "bin/$made is not built by: $targets"
done
for copied in Parcelix.hlp README.TXT; do
  grep -q -- "bin/$copied" <<<"$commands" || fail "bin/$copied is not made by: $targets"
done
echo "scripts/run builds:" $targets
