#!/usr/bin/env bash
# Installs the build into a scratch prefix with `cmake --install`, and as a packager stages it with
# DESTDIR, and checks what was installed: the desktop entry and the AppStream metadata pass their
# validators, every file is in place,
# the entry registers as the handler of ZIP archives, nothing points back into the build or the
# prefix (the tree is moved before use), and the moved program and tools work. The file-manager
# actions are checked against their formats and each one's command line is run from the moved tree.
#   install_test.sh BUILD_DIR APP_ID APP_DIR VERSION
set -euo pipefail
build="$(cd "$1" && pwd -P)"
id="$2"
appdir="$3"
version="$4"

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

# The installed files under ROOT (the prefix, or the prefix inside a DESTDIR stage), whose desktop
# entry must start LAUNCHER: every file is in place and both validators pass.
check_tree() {
  local root="$1" launcher="$2" entry="$1/share/applications/$id.desktop" meta="$1/share/metainfo/$id.metainfo.xml"
  # Every file, the launcher a relative link, each PNG icon square at its size.
  local expected=(bin/parcelix bin/zipeng bin/unzeng
    "$appdir/Parcelix" "$appdir/libzipeng32.so" "$appdir/libunzeng32.so" "$appdir/Parcelix.hlp" "$appdir/README.TXT"
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg"
    share/parcelix/screenshots/main-window.png share/doc/parcelix/LICENSE share/doc/parcelix/README.md
    share/man/man1/zipeng.1 share/man/man1/unzeng.1 share/man/man1/parcelix.1 "${actions[@]}")
  if [ -e "$build/bin/ProgMan" ]; then expected+=("$appdir/ProgMan"); fi
  local size file out page
  for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
  for file in "${expected[@]}"; do
    [ -e "$root/$file" ] || fail "not installed: $file"
  done
  local link
  link="$(readlink "$root/bin/parcelix")"
  [ "${link:0:1}" != / ] && [ "$root/bin/$link" -ef "$root/$appdir/Parcelix" ] ||
    fail "bin/parcelix is not a relative link to the program: $link"
  python3 - "$root/share/icons/hicolor" "$id" "${sizes[@]}" <<'PY'
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
  local quoted="$launcher"
  if [[ "$launcher" == *" "* ]]; then quoted="\"$launcher\""; fi
  grep -qxF "Exec=$quoted %f" "$entry" || fail "Exec does not name the launcher: $(grep ^Exec= "$entry")"
  grep -qxF "TryExec=$launcher" "$entry" || fail "TryExec does not name the launcher: $(grep ^TryExec= "$entry")"
  grep -qxF "Icon=$id" "$entry" || fail "the entry's icon is not the installed one: $(grep ^Icon= "$entry")"
  grep -qxF "StartupNotify=true" "$entry" || fail "the entry does not ask for startup notification"
  grep -qE "^Keywords=([^;]+;)+$" "$entry" || fail "the entry has no keywords: $(grep ^Keywords= "$entry")"
  # appstreamcli fails on warnings as well as errors.
  out="$(appstreamcli validate-tree --no-net "$root" 2>&1)" || fail "appstreamcli validate-tree: $out"
  # Pedantic: the one remark left is the id's capital letter, which the desktop entry's name, the
  # window's desktop file name and the window class all share.
  out="$(appstreamcli validate --pedantic --no-net "$meta" 2>&1)" || fail "appstreamcli validate --pedantic: $out"
  if grep -E '^\s*[EWIP]: ' <<<"$out" | grep -qv 'cid-contains-uppercase-letter'; then
    fail "appstreamcli validate --pedantic: $out"
  fi
  # The release is the project's version; the screenshot is the installed picture, at its size.
  python3 - "$meta" "$version" "$root/share/parcelix/screenshots" <<'PY'
import struct, sys, xml.etree.ElementTree as ET
meta, version, shots = sys.argv[1:]
root = ET.parse(meta).getroot()
releases = [r.get("version") for r in root.iter("release")]
if releases[:1] != [version]:
    sys.exit(f"FAIL: the newest release is {releases[:1]}, the project's version {version}")
images = list(root.iter("image"))
if not images:
    sys.exit("FAIL: the metadata shows no screenshot")
for image in images:
    url = image.text.strip()
    if not url.startswith("https://"):
        sys.exit(f"FAIL: a screenshot's address is not https: {url}")
    with open(f"{shots}/{url.rsplit('/', 1)[-1]}", "rb") as f:
        head = f.read(24)
    size = struct.unpack(">II", head[16:24])
    if head[:8] != b"\x89PNG\r\n\x1a\n" or size != (int(image.get("width")), int(image.get("height"))):
        sys.exit(f"FAIL: {url} is {size}, the metadata says {image.get('width')}x{image.get('height')}")
PY

  check_actions "$root" "$launcher"

  for page in "$root"/share/man/man1/*.1; do
    out="$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)"
    [ -z "$out" ] || fail "manual page ${page##*/}: $out"
  done
}

# The file-manager actions: the freedesktop.org format, KDE's service menus (executable, or
# Dolphin does not trust them) and Nemo's.
actions=(share/file-manager/actions/parcelix-extract-here.desktop share/file-manager/actions/parcelix-extract-to.desktop
  share/file-manager/actions/parcelix-compress.desktop share/kio/servicemenus/parcelix-extract.desktop
  share/kio/servicemenus/parcelix-compress.desktop share/nemo/actions/parcelix-extract-here.nemo_action
  share/nemo/actions/parcelix-extract-to.nemo_action share/nemo/actions/parcelix-compress.nemo_action)

# The command line of one action (the file, and the action's group for a service menu) with FILES
# in place of %F, one argument a line, as its file manager makes it.
action_command() {
  python3 - "$@" <<'PY'
import configparser, shlex, sys
path, group, files = sys.argv[1], sys.argv[2], sys.argv[3:]
parser = configparser.RawConfigParser(delimiters=("=",), comment_prefixes=("#",), strict=True)
parser.optionxform = str
parser.read(path, encoding="utf-8")
exec_line = parser[group]["Exec"]
if path.endswith(".nemo_action"):
    # Nemo puts each path in the quotes Quote names, then splits the line as a shell would.
    quote = {"double": '"', "single": "'"}[parser[group]["Quote"]]
    line = exec_line.replace("%F", " ".join(quote + f + quote for f in files)).replace("%%", "%")
    args = shlex.split(line.replace("\\\\", "\\"))
else:
    # The desktop entry rules: the string's escapes, then the quoting, %F a list of arguments.
    args = []
    for word in shlex.split(exec_line.replace("\\\\", "\\")):
        args += files if word == "%F" else [word.replace("%%", "%")]
print("\n".join(args))
PY
}

# Each action file under ROOT against its format, naming LAUNCHER.
check_actions() {
  local root="$1" launcher="$2" file out copy="$work/validate.desktop"
  for file in "${actions[@]}"; do
    case "$file" in
      share/kio/*)
        [ -x "$root/$file" ] || fail "$file is not executable: Dolphin would not offer it"
        # The validator knows only application entries: the service menu is checked as one.
        sed 's/^Type=Service$/Type=Application/' "$root/$file" >"$copy"
        out="$(desktop-file-validate "$copy" 2>&1)" && [ -z "$out" ] || fail "desktop-file-validate $file: $out"
        ;;
    esac
  done
  python3 - "$root" "$launcher" "${actions[@]}" <<'PY' || exit 1
import configparser, sys
root, launcher, files = sys.argv[1], sys.argv[2], sys.argv[3:]
zip_types = ["application/zip", "application/x-zip-compressed", "application/x-zip"]
def fail(message):
    sys.exit(f"FAIL: {message}")
def read(path):
    parser = configparser.RawConfigParser(delimiters=("=",), comment_prefixes=("#",), strict=True)
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return parser
def types(value, path):
    if not value.endswith(";"):
        fail(f"{path}: a list must end with ';': {value}")
    return value[:-1].split(";")
for name in files:
    path = f"{root}/{name}"
    entry = read(path)
    first = open(path, encoding="utf-8").readline().strip()
    extract = "extract" in name
    if name.endswith(".nemo_action"):
        if first != "[Nemo Action]":
            fail(f"{name}: the first group is {first}")
        action = entry["Nemo Action"]
        for key in ("Name", "Exec", "Selection", "Quote"):
            if key not in action:
                fail(f"{name}: no {key}")
        if action["Selection"] != "notnone":
            fail(f"{name}: Selection={action['Selection']}")
        wanted = ("Mimetypes", zip_types) if extract else ("Extensions", ["any"])
        if wanted[0] not in action or types(action[wanted[0]], name) != wanted[1]:
            fail(f"{name}: {wanted[0]} should be {wanted[1]}")
        commands = [action["Exec"]]
    elif "/file-manager/" in name:
        desktop = entry["Desktop Entry"]
        if first != "[Desktop Entry]" or desktop.get("Type") != "Action" or not desktop.get("Name"):
            fail(f"{name}: not a Type=Action entry with a Name")
        commands = []
        for profile in types(desktop["Profiles"], name):
            group = f"X-Action-Profile {profile}"
            if group not in entry:
                fail(f"{name}: no group [{group}]")
            if entry[group].get("SelectionCount") != ">0":
                fail(f"{name}: SelectionCount is not >0")
            mimes = types(entry[group]["MimeTypes"], name)
            if mimes != (zip_types if extract else ["all/all"]):
                fail(f"{name}: MimeTypes {mimes}")
            commands.append(entry[group]["Exec"])
    else:
        desktop = entry["Desktop Entry"]
        if desktop.get("Type") != "Service":
            fail(f"{name}: not a Type=Service entry")
        mimes = types(desktop["MimeType"], name)
        if mimes != (zip_types if extract else ["application/octet-stream", "inode/directory"]):
            fail(f"{name}: MimeType {mimes}")
        commands = [entry[f"Desktop Action {a}"]["Exec"] for a in types(desktop["Actions"], name)]
    quoted = f'"{launcher}"' if " " in launcher else launcher
    for command in commands:
        if not command.startswith(quoted + " --") or not command.endswith(" -- %F"):
            fail(f"{name}: Exec does not run the launcher on the selection: {command}")
PY
}

# A space in the prefix: the desktop entry has to quote the launcher's path.
prefix="$work/pre fix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install: $(cat "$work/install.log")"
sizes=(16 24 32 48 64 128 256)
entry="$prefix/share/applications/$id.desktop"
check_tree "$prefix" "$prefix/bin/parcelix"

# Staged as a packager stages it: the files under DESTDIR, the entry naming the final prefix, and
# nothing that names the stage.
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$work/stage.log" 2>&1 ||
  fail "DESTDIR=... cmake --install --prefix /usr: $(cat "$work/stage.log")"
[ -z "$(find "$stage" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "staged outside usr: $(ls "$stage")"
check_tree "$stage/usr" /usr/bin/parcelix
if found="$(grep -rlF "$stage" "$stage")"; then fail "staged files naming the stage: $found"; fi

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
# Each action's command line from the moved tree, on archives made by zip and by 7zz and on files
# to compress: what it makes, and status 0. Extract To asks for its folder, which is typed into the
# chooser on the virtual screen; without one it is left out.
mkdir -p "$work/acts/tree/sub" "$work/acts/zip" "$work/acts/7zz" "$work/acts/to" "$work/acts/files"
printf 'alpha\n' >"$work/acts/tree/a.txt"
head -c 100000 /dev/urandom >"$work/acts/tree/sub/b.bin"
(cd "$work/acts" && zip -qr zip/tree.zip tree && 7zz a -bso0 -bsp0 7zz/tree.zip tree >/dev/null)
printf 'one\n' >"$work/acts/files/one.txt"
printf 'two\n' >"$work/acts/files/two.txt"
run_action() {
  local file="$1" group="$2"
  shift 2
  local command=()
  mapfile -t command < <(action_command "$moved/$file" "$group" "$@")
  [ "${command[0]}" = "$prefix/bin/parcelix" ] || fail "$file runs ${command[0]}"
  command[0]="$moved/bin/parcelix"
  timeout 60 "${run[@]}" "${command[@]}" >"$work/action.log" 2>&1
}
for maker in zip 7zz; do
  for file in share/file-manager/actions/parcelix-extract-here.desktop share/kio/servicemenus/parcelix-extract.desktop \
    share/nemo/actions/parcelix-extract-here.nemo_action; do
    group="Desktop Entry"
    case "$file" in
      *.nemo_action) group="Nemo Action" ;;
      share/kio/*) group="Desktop Action extractHere" ;;
      share/file-manager/*) group="X-Action-Profile selection" ;;
    esac
    status=0
    run_action "$file" "$group" "$work/acts/$maker/tree.zip" || status=$?
    [ "$status" -eq 0 ] || fail "$file on the $maker archive: status $status: $(cat "$work/action.log")"
    cmp -s "$work/acts/$maker/tree/sub/b.bin" "$work/acts/tree/sub/b.bin" && [ -f "$work/acts/$maker/tree/a.txt" ] ||
      fail "$file on the $maker archive: $(cd "$work/acts/$maker" && find . | sort)"
    rm -rf "$work/acts/$maker/tree"
  done
done
for file in share/file-manager/actions/parcelix-compress.desktop share/kio/servicemenus/parcelix-compress.desktop \
  share/nemo/actions/parcelix-compress.nemo_action; do
  group="Desktop Entry"
  case "$file" in
    *.nemo_action) group="Nemo Action" ;;
    share/kio/*) group="Desktop Action compress" ;;
    share/file-manager/*) group="X-Action-Profile selection" ;;
  esac
  status=0
  run_action "$file" "$group" "$work/acts/files/one.txt" "$work/acts/files/two.txt" || status=$?
  [ "$status" -eq 0 ] || fail "$file: status $status: $(cat "$work/action.log")"
  [ "$(unzip -Z1 "$work/acts/files/files.zip" | sort | tr '\n' ' ')" = "one.txt two.txt " ] ||
    fail "$file made: $(unzip -l "$work/acts/files/files.zip" 2>&1)"
  rm "$work/acts/files/files.zip"
done
if [ -n "$display" ] && command -v xdotool >/dev/null; then
  for file in share/file-manager/actions/parcelix-extract-to.desktop share/kio/servicemenus/parcelix-extract.desktop \
    share/nemo/actions/parcelix-extract-to.nemo_action; do
    group="X-Action-Profile selection"
    case "$file" in
      *.nemo_action) group="Nemo Action" ;;
      share/kio/*) group="Desktop Action extractTo" ;;
    esac
    run_action "$file" "$group" "$work/acts/zip/tree.zip" &
    action_pid=$!
    chooser=""
    for _ in $(seq 300); do
      chooser="$(DISPLAY="$display" xdotool search --onlyvisible --name '^Extract To$' 2>/dev/null | head -n 1)" || true
      [ -n "$chooser" ] && break
      sleep 0.1
    done
    [ -n "$chooser" ] || fail "$file showed no folder chooser: $(cat "$work/action.log")"
    DISPLAY="$display" xdotool windowfocus --sync "$chooser" key --clearmodifiers ctrl+a type --delay 5 "$work/acts/to"
    DISPLAY="$display" xdotool key --clearmodifiers Return
    status=0
    wait "$action_pid" || status=$?
    [ "$status" -eq 0 ] || fail "$file: status $status: $(cat "$work/action.log")"
    cmp -s "$work/acts/to/tree/sub/b.bin" "$work/acts/tree/sub/b.bin" || fail "$file: $(cd "$work/acts" && find to | sort)"
    rm -rf "$work/acts/to/tree"
  done
fi
echo "installed tree checked"
