#!/usr/bin/env bash
# Rows dragged out of the window onto another program's window on an X display, as a user drags
# them (xdotool moves the pointer; the two programs talk the X drag-and-drop protocol): what
# arrives is the archive's files byte for byte, a folder as a folder, nothing executable, in a
# folder of the user's alone that goes when Parcelix closes.
# Arguments: the Parcelix program, the drop target (drop_target.cpp). Status 77: no X server here.
set -euo pipefail
parcelix="$1"
target="$2"
for tool in Xvfb xdotool zip; do
  command -v "$tool" > /dev/null || { echo "$tool is not installed"; exit 77; }
done
work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2> /dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$work/home" "$work/tmp" "$work/src/docs/sub"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb
printf 'alpha\n' > "$work/src/docs/a.txt"
head -c 300000 /dev/urandom > "$work/src/docs/sub/b.bin"
printf '#!/bin/sh\necho ran > "$HOME/ran"\n' > "$work/src/top.sh"
chmod 755 "$work/src/top.sh"
(cd "$work/src" && zip -q -r "$work/tree.zip" docs top.sh)

Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -n 1 "$work/display")"

"$parcelix" "$work/tree.zip" > "$work/parcelix.log" 2>&1 &
pids+=("$!")
"$target" > "$work/dropped" 2> "$work/target.log" &
pids+=("$!")
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^tree\.zip' | head -n 1)" ||
  fail "no window: $(cat "$work/parcelix.log")"
drop="$(timeout 30 xdotool search --sync --onlyvisible --name '^Drop target$' | head -n 1)" ||
  fail "no drop target"
xdotool windowmove --sync "$window" 0 0
xdotool windowmove --sync "$drop" 700 100
sleep 0.5

# Every row selected (a click in the list, Home, Shift+End), then a row dragged onto the target.
# The press lands on the third of the five rows, so a header a few pixels taller or shorter
# under other fonts still leaves it on a row.
a_row=(30 124)
xdotool mousemove --window "$window" "${a_row[@]}" click 1
sleep 0.3
xdotool key Home shift+End
sleep 0.3
xdotool mousemove --window "$window" "${a_row[@]}" mousedown 1
for x in 40 60 100 200 350 500 650 800 880 890; do
  xdotool mousemove "$x" 250
  sleep 0.15
done
sleep 0.5
xdotool mousemove 900 260
sleep 0.5
xdotool mouseup 1
for _ in $(seq 100); do
  [ "$(wc -l < "$work/dropped")" -ge 2 ] && break
  sleep 0.1
done

# One URL per top-level item: the folder (its rows inside are not carried twice) and the script.
mapfile -t files < "$work/dropped"
[ "${#files[@]}" -eq 2 ] || fail "dropped: ${files[*]:-nothing}"
[ "$(basename "${files[0]}")" = docs ] && [ "$(basename "${files[1]}")" = top.sh ] || fail "dropped: ${files[*]}"
diff -r "$work/src/docs" "${files[0]}" || fail "the folder differs"
cmp "$work/src/top.sh" "${files[1]}" || fail "the script differs"
[ ! -x "${files[1]}" ] || fail "the dragged copy is executable"
case "${files[0]}" in "$work/tmp/"*) ;; *) fail "dragged from ${files[0]}" ;; esac
private="$(dirname "$(dirname "${files[0]}")")"
[ "$(stat -c %a "$private")" = 700 ] || fail "the drag folder is open to others"
[ ! -e "$HOME/ran" ] || fail "the script ran"

xdotool windowfocus --sync "$window" key ctrl+q
for _ in $(seq 100); do
  kill -0 "${pids[1]}" 2> /dev/null || break
  sleep 0.1
done
[ ! -e "$private" ] || fail "the drag folder is still there after closing"
echo "dragged and dropped: ${files[*]}"
