#!/usr/bin/env bash
# Installs the build into a scratch prefix with `cmake --install` and checks what was installed:
# the desktop entry and the AppStream metadata pass their validators, every file is in place,
# the entry registers as the handler of ZIP archives, nothing points back into the build or the
# prefix (the tree is moved before use), and the moved program and tools work.
#   install_test.sh BUILD_DIR APP_ID APP_DIR
set -euo pipefail
build="$(cd "$1" && pwd -P)"
id="$2"
appdir="$3"

work="$(mktemp -d)"
xvfb_pid=""
program_pid=""
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 30); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null || true
}
cleanup() {
  if [ -n "$program_pid" ]; then stop "$program_pid"; fi
  if [ -n "$xvfb_pid" ]; then stop "$xvfb_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A space in the prefix: the desktop entry has to quote the launcher's path.
prefix="$work/pre fix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install: $(cat "$work/install.log")"
entry="$prefix/share/applications/$id.desktop"

# Every file, the launcher a relative link, each PNG icon square at its size.
expected=(bin/parcelix bin/zipeng bin/unzeng
  "$appdir/Parcelix" "$appdir/libzipeng32.so" "$appdir/libunzeng32.so" "$appdir/Parcelix.hlp" "$appdir/README.TXT"
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/zipeng.1 share/man/man1/unzeng.1)
if [ -e "$build/bin/ProgMan" ]; then expected+=("$appdir/ProgMan"); fi
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for file in "${expected[@]}"; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
link="$(readlink "$prefix/bin/parcelix")"
[ "${link:0:1}" != / ] && [ "$prefix/bin/$link" -ef "$prefix/$appdir/Parcelix" ] ||
  fail "bin/parcelix is not a relative link to the program: $link"
python3 - "$prefix/share/icons/hicolor" "$id" "${sizes[@]}" <<'PY'
import struct, sys
root, name, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
for n in sizes:
    with open(f"{root}/{n}x{n}/apps/{name}.png", "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (n, n):
        sys.exit(f"FAIL: the {n}x{n} icon is not a {n} by {n} PNG")
PY

# The validators: no error and no warning. validate-tree also checks that the metadata's
# launchable is installed beside it.
out="$(desktop-file-validate "$entry" 2>&1)" && [ -z "$out" ] || fail "desktop-file-validate: $out"
grep -qxF "Exec=\"$prefix/bin/parcelix\" %f" "$entry" || fail "Exec does not name the launcher: $(grep ^Exec= "$entry")"
grep -qxF "Icon=$id" "$entry" || fail "the entry's icon is not the installed one: $(grep ^Icon= "$entry")"
# appstreamcli fails on warnings as well as errors.
out="$(appstreamcli validate-tree --no-net "$prefix" 2>&1)" || fail "appstreamcli validate-tree: $out"

for page in zipeng unzeng; do
  out="$(groff -man -Tutf8 -ww "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)"
  [ -z "$out" ] || fail "manual page $page.1: $out"
done

# Registered in a private desktop, the entry opens ZIP archives.
desk=(env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
  XDG_DATA_DIRS=/usr/share)
mkdir -p "$work/home" "$work/data/applications" "$work/config"
cp "$entry" "$work/data/applications/"
"${desk[@]}" update-desktop-database "$work/data/applications"
grep -qE "^application/zip=(.*;)?$id\.desktop;" "$work/data/applications/mimeinfo.cache" ||
  fail "update-desktop-database did not list the entry for application/zip"
"${desk[@]}" xdg-mime default "$id.desktop" application/zip
answer="$("${desk[@]}" xdg-mime query default application/zip)"
[ "$answer" = "$id.desktop" ] || fail "xdg-mime answers '$answer' for application/zip"

# The tree moved elsewhere: nothing may lead back into the build or to the first prefix.
moved="$work/moved"
cp -a "$prefix" "$moved"
rm -rf "$prefix"
for file in "$moved/bin/parcelix" "$moved/bin/zipeng" "$moved/bin/unzeng" "$moved/$appdir"/*; do
  readelf -h "$file" >/dev/null 2>&1 || continue
  while read -r path; do
    [[ "$path" == '$ORIGIN'* ]] || fail "$file has the library path $path"
  done < <(readelf -d "$file" | sed -n 's/.*(R[UN]*PATH).*\[\(.*\)\]/\1/p' | tr ':' '\n')
  libs="$(env -u LD_LIBRARY_PATH ldd "$file")"
  if grep -qF -e "not found" -e "$build" -e "$work/pre fix" <<<"$libs"; then fail "ldd $file: $libs"; fi
done
if found="$(grep -rlF "$build" "$moved")"; then fail "files naming the build folder: $found"; fi

# The moved tools find their libraries: an archive written by one, listed by the other.
mkdir -p "$work/content"
printf 'first\n' >"$work/content/one.txt"
printf 'second\n' >"$work/content/two.txt"
(cd "$work/content" && env -u LD_LIBRARY_PATH "$moved/bin/zipeng" "$work/tools.zip" one.txt >"$work/zipeng.out") ||
  fail "zipeng: $(cat "$work/zipeng.out")"
env -u LD_LIBRARY_PATH "$moved/bin/unzeng" -v "$work/tools.zip" >"$work/unzeng.out" || fail "unzeng: $(cat "$work/unzeng.out")"
grep -q "^80	one.txt	6	" "$work/unzeng.out" || fail "unzeng did not list the entry: $(cat "$work/unzeng.out")"

# The moved program with an archive made by zip: on a virtual screen when there is one.
(cd "$work/content" && zip -q "$work/sample.zip" one.txt two.txt)
display=""
if command -v Xvfb >/dev/null; then
  # -noreset: the server must stay up between the two runs below, not reset when one ends.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] && display=":$(head -n 1 "$work/display")"
fi
mkdir -p "$work/run-config" "$work/run-data" "$work/tmp"
run=(env -u LD_LIBRARY_PATH HOME="$work/home" XDG_CONFIG_HOME="$work/run-config" XDG_DATA_HOME="$work/run-data"
  TMPDIR="$work/tmp")
if [ -n "$display" ]; then run+=(DISPLAY="$display" QT_QPA_PLATFORM=xcb); else run+=(QT_QPA_PLATFORM=offscreen); fi

# It ends by itself once the window has painted the listing; an error box would keep it waiting.
status=0
timeout 60 "${run[@]}" PARCELIX_QUIT_WHEN_SHOWN=1 "$moved/bin/parcelix" "$work/sample.zip" >"$work/run.log" 2>&1 ||
  status=$?
[ "$status" -eq 0 ] || fail "the installed program ended with status $status: $(cat "$work/run.log")"
if grep -qiE "cannot load|could not (load|find)|error while loading" "$work/run.log"; then fail "the program said: $(cat "$work/run.log")"; fi

# Seen as the desktop sees it: the window titled with the archive, no error box beside it, and
# the window class that the entry's StartupWMClass names.
if [ -n "$display" ] && command -v xdotool >/dev/null && command -v xprop >/dev/null; then
  "${run[@]}" "$moved/bin/parcelix" "$work/sample.zip" >"$work/shown.log" 2>&1 &
  program_pid=$!
  window=""
  for _ in $(seq 300); do
    window="$(DISPLAY="$display" xdotool search --onlyvisible --name '^sample\.zip ' 2>/dev/null | head -n 1)" || true
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] || fail "no window titled with the archive's name: $(cat "$work/shown.log")"
  if DISPLAY="$display" xdotool search --onlyvisible --name '^(Error|Warning)$' >/dev/null 2>&1; then
    fail "the program showed an error box"
  fi
  class="$(DISPLAY="$display" xprop -id "$window" WM_CLASS)"
  wanted="$(sed -n 's/^StartupWMClass=//p' "$moved/share/applications/$id.desktop")"
  [[ "$class" == *"\"$wanted\""* ]] || fail "window class $class, the entry names $wanted"
fi
echo "installed tree checked"
