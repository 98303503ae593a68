#!/usr/bin/env bash
# Every speed row in one run: our engines and window against the common tools on the same files,
# ours and the peers' runs alternating, so that a busy moment on the machine hits both sides.
#   list     a 100,000-entry archive            unzeng -v        | unzip -l, unzip -Z1
#   window   Parcelix opening that archive, and one of 1,000,000 entries (offscreen, quits
#            once the rows are painted)
#   filter   one keystroke in the filter line over 100,000 rows, until painted (filter_bench)
#   extract  the mixed corpus archive            unzeng -o -d     | unzip -o -q -d, bsdtar -x
#   test     the mixed corpus archive            unzeng -t        | unzip -tq (target 7x)
#   aes      that corpus packed by 7zz with AES-256, tested  unzeng -P -t | 7zz t (target 2x)
#   extract  100,000 tiny files                  unzeng -o -d     | unzip, 7zz x, bsdtar -x, and
#            the file system's floor (floor_probe: the same files created with the fewest calls)
#   compress four 75 MiB files at level 6        zipeng -r -6     | zip -6 -r -q
#   delete   10 entries of the mixed archive     zipeng -d        | zip -d -q
# Prints a Markdown table (median wall time, ratio peer / ours, peak resident memory) for
# bench/RESULTS.md on standard output; progress goes to standard error.
#
# Usage: bench/speed_bench.sh [BUILD_DIR] [RUNS]
#   BUILD_DIR  build folder whose bin/ holds Parcelix, zipeng, unzeng and the engine libraries
#              (default: build); a bin folder itself is accepted too
#   RUNS       runs of every command (default 5; 1 with QUICK=1)
# Environment:
#   QUICK=1     10,000 entries and files (100,000 for the large window row), two files of 8 MiB,
#               one run: checks the script itself
#   CORPUS=DIR  folder holding mixed.zip (default /tmp/corpus; made by make_corpus.sh if missing)
#   KEEP=1      keep the work folder (under TMPDIR, else /tmp)
#   ROWS="..."  only these rows, of: list window filter extract_mixed test_mixed test_aes extract_tiny
#               compress delete
#               (default all); inputs no chosen row needs are not made
# Commands live in arrays reached by name, and backquotes in table text are Markdown:
# shellcheck disable=SC2034,SC2016
set -euo pipefail
export LC_ALL=C.UTF-8  # a decimal point in EPOCHREALTIME and awk, the same sort order everywhere

root="$(cd "$(dirname "$0")/.." && pwd)"
quick="${QUICK:-0}"
if [[ $quick == 1 ]]; then
  entries=10000 big_entries=100000 tiny_files=10000 pack_files=2 pack_mib=8 default_runs=1
else
  entries=100000 big_entries=1000000 tiny_files=100000 pack_files=4 pack_mib=75 default_runs=5
fi
runs="${2:-${RUNS:-$default_runs}}"
corpus="${CORPUS:-/tmp/corpus}"
window_target_s=0.15                       # at 100,000 entries
big_window_target_s=1.0 big_window_target_mib=128  # at 1,000,000 entries

die() {
  echo "speed_bench: $*" >&2
  exit 1
}
say() { echo "speed_bench: $*" >&2; }

[[ $runs =~ ^[1-9][0-9]*$ ]] || die "RUNS must be a positive whole number, not '$runs'"
all_rows="list window filter extract_mixed test_mixed test_aes extract_tiny compress delete"
chosen_rows="${ROWS:-$all_rows}"
for row in $chosen_rows; do
  [[ " $all_rows " == *" $row "* ]] || die "no row '$row' (rows: $all_rows)"
done
wants() {  # wants ROW...: whether any of these rows is chosen
  local row
  for row; do [[ " $chosen_rows " == *" $row "* ]] && return 0; done
  return 1
}

# --- Tools ---------------------------------------------------------------------------------

build="${1:-$root/build}"
[[ -d $build ]] || die "no build folder $build"
bin="$(cd "$build" && pwd)"
[[ -x $bin/bin/unzeng ]] && bin="$bin/bin"
for program in unzeng zipeng libunzeng32.so libzipeng32.so Parcelix filter_bench floor_probe; do
  [[ -e $bin/$program ]] ||
    die "no $program in $bin (build the targets unzeng_cli zipeng_cli unzeng32 zipeng32 Parcelix filter_bench floor_probe)"
done

need() {  # need COMMAND PACKAGE
  command -v "$1" >/dev/null || die "$1 is missing (Debian package $2)"
}
need zip zip
need unzip unzip
need 7zz 7zip
need bsdtar libarchive-tools
need python3 python3
need timeout coreutils
[[ -x /usr/bin/time ]] || die "/usr/bin/time is missing (Debian package time)"

# --- Work folder and inputs ----------------------------------------------------------------

work="$(mktemp -d "${TMPDIR:-/tmp}/speed-bench-XXXXXX")"
cleanup() {
  if [[ ${KEEP:-0} == 1 ]]; then
    say "work folder kept: $work"
  else
    say "removing the work folder"
    rm -rf "$work"
  fi
}
trap cleanup EXIT
cd "$work"
list_zip="$work/list.zip"
big_zip="$work/big.zip"
tiny_zip="$work/tiny.zip"
pack="$work/pack"
out="$work/out"
new_zip="$work/new.zip"
del_zip="$work/del.zip"
mkdir -p "$pack" "$out" "$work/config" "$work/aside"

if wants extract_mixed test_mixed test_aes delete; then
  if [[ ! -f $corpus/mixed.zip ]]; then
    say "building the corpus in $corpus (bench/make_corpus.sh, a few minutes)"
    "$root/bench/make_corpus.sh" "$corpus" >&2
  fi
  mixed_zip="$(cd "$corpus" && pwd)/mixed.zip"
fi
# Only the inputs of the chosen rows are made.
wants list window filter || entries=0
wants window || big_entries=0
wants extract_tiny || tiny_files=0
wants compress || pack_files=0

say "making the inputs in $work"
python3 - "$work" "$entries" "$big_entries" "$tiny_files" "$pack_files" "$pack_mib" <<'PY'
import os, random, sys, zipfile

work, entries, big_entries, tiny_files, pack_files, pack_mib = sys.argv[1], *map(int, sys.argv[2:])
rng = random.Random(20261208)  # the same inputs, and so the same archive sizes, every time
letters = "etaoinshrdlucmfwypvbgkjqxz"
words = ["".join(rng.choices(letters, weights=range(26, 0, -1), k=rng.randint(2, 10)))
         for _ in range(4000)]

# Listing: stored entries whose names, dates and sizes come in no particular order.
for name, count in (("list.zip", entries), ("big.zip", big_entries)):
    with zipfile.ZipFile(os.path.join(work, name), "w", zipfile.ZIP_STORED) as z:
        for i in range(count):
            n = (i * 7919) % count
            info = zipfile.ZipInfo("dir%03d/file%07d.txt" % (n % 500, n),
                                   (1990 + n % 30, 1 + n % 12, 1 + n % 28, n % 24, n % 60, (n % 30) * 2))
            z.writestr(info, b"x" * (n % 64))

# Extraction: small deflated text files in 100 folders, other names than the listing's.
per_folder = max(1, tiny_files // 100)
with zipfile.ZipFile(os.path.join(work, "tiny.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(tiny_files):
        text = "note %d\n%s\n" % (i, " ".join(rng.choices(words, k=rng.randint(3, 40))))
        z.writestr("box%03d/note%06d.txt" % (i // per_folder, i), text)
# The same files for floor_probe: path, NUL, size (8 bytes, little-endian), bytes.
with zipfile.ZipFile(os.path.join(work, "tiny.zip")) as z, open(os.path.join(work, "tiny.manifest"), "wb") as m:
    for info in z.infolist():
        data = z.read(info)
        m.write(info.filename.encode() + b"\0" + len(data).to_bytes(8, "little") + data)

# Compression: text-like (log lines, about 2.4:1 at level 6) and random-like files in turn.
def text_chunk(first_line):
    lines = []
    for n in range(first_line, first_line + 2000):
        lines.append("%09d %02d:%02d:%02d %-5s worker-%d %s id=%d\n" % (
            n, n // 3600 % 24, n // 60 % 60, n % 60,
            rng.choice(("INFO", "INFO", "INFO", "DEBUG", "WARN", "ERROR")), rng.randrange(16),
            " ".join(rng.choices(words, k=rng.randint(4, 14))), rng.randrange(1 << 20)))
    return "".join(lines).encode()

size = pack_mib << 20
for k in range(1, pack_files + 1):
    text = k % 2 == 1
    with open(os.path.join(work, "pack", ("text%d.log" if text else "data%d.bin") % k), "wb") as f:
        written = line = 0
        while written < size:
            chunk = text_chunk(line) if text else rng.randbytes(1 << 20)
            line += 2000
            chunk = chunk[:size - written]
            f.write(chunk)
            written += len(chunk)
PY

aes_password=bench-password
aes_zip="$corpus/mixed-aes256.zip"  # shared with aes_bench.sh
if wants test_aes && [[ ! -f $aes_zip ]]; then
  say "packing the corpus with AES-256 (7zz)"
  (cd "$corpus/mixed" && 7zz a -tzip -mem=AES256 "-p$aes_password" "$aes_zip.part" . -x!.complete >/dev/null)
  mv "$aes_zip.part" "$aes_zip"
fi

mapfile -t pack_names < <(cd "$pack" && ls)
mixed_bytes=0 mixed_files=0
if wants extract_mixed delete; then
  mapfile -t mixed_names < <(unzip -Z1 "$mixed_zip")
  mixed_entries=${#mixed_names[@]}
  mixed_files=$(printf '%s\n' "${mixed_names[@]}" | grep -vc '/$')
  mixed_bytes=$(unzip -l "$mixed_zip" | awk 'END { print $1 }')
  # Ten files spread over the archive; no wildcard characters, which zip -d would expand.
  mapfile -t victims < <(printf '%s\n' "${mixed_names[@]}" | grep -v '/$' | grep -v '[][*?]' |
    awk '{ name[NR] = $0 } END { for (k = 0; k < 10; k++) print name[int((2 * k + 1) * NR / 20) + 1] }')
  ((${#victims[@]} == 10)) || die "$mixed_zip holds fewer than 10 plain file names"
fi

# Outputs stay until the end (see set_aside below), so the runs need room for all of them.
need_kib=$((runs * (3 * (mixed_bytes / 1024 + 2 * mixed_files) + 16 * tiny_files
  + 2 * 1024 * pack_files * pack_mib + 2 * $( (wants extract_mixed delete && stat -c %s "$mixed_zip") || echo 0) / 1024)))
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
((free_kib > need_kib)) ||
  die "about $((need_kib >> 20)) GiB needed under $(dirname "$work"), $((free_kib >> 20)) GiB free (set TMPDIR)"

# --- Measuring -----------------------------------------------------------------------------

declare -A times peak size  # per command array: wall microseconds of each run, peak KiB, bytes

# describe TOOL: the command held in the array named TOOL, as one line
describe() {
  local -n argv_of=$1
  echo "${argv_of[*]}"
}

# timed DIR TOOL: one run, from DIR, of the command in the array named TOOL, its output thrown
# away. A failing command ends the benchmark: a fast failure is no result.
timed() {
  local dir=$1 tool=$2
  local -n argv=$2
  local start end status=0 kib
  cd "$dir"
  start=${EPOCHREALTIME/./}
  /usr/bin/time -o "$work/rss" -f %M "${argv[@]}" </dev/null >/dev/null 2>"$work/stderr" || status=$?
  end=${EPOCHREALTIME/./}
  cd "$work"
  if ((status != 0)); then
    ((status == 124)) && say "timed out (waiting for an answer to a prompt?)"
    say "failed with status $status: $(describe "$tool")"
    say "its messages, from a second run:"
    (cd "$dir" && "${argv[@]}" </dev/null 2>&1 | tail -n 20 >&2) || true
    exit 1
  fi
  times[$tool]+="$((end - start)) "
  kib=$(tail -n 1 "$work/rss")
  if ((kib > ${peak[$tool]:-0})); then peak[$tool]=$kib; fi
}

# race DIR PREPARE CHECK TOOL... : RUNS rounds, each running every TOOL once in the order given
# (ours first). PREPARE TOOL comes before each run and CHECK TOOL after it, neither timed.
race() {
  local dir=$1 prepare=$2 check=$3 round tool
  shift 3
  for tool; do times[$tool]="" peak[$tool]=0; done
  for ((round = 1; round <= runs; round++)); do
    for tool; do
      "$prepare" "$tool"
      timed "$dir" "$tool"
      "$check" "$tool"
    done
  done
}

# median VALUE...: the middle value, or the mean of the two middle ones
median() {
  printf '%s\n' "$@" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

seconds() {  # seconds TOOL: median wall seconds
  # shellcheck disable=SC2086  # the list of runs is split on purpose
  median ${times[$1]} | awk '{ printf "%.3f", $1 / 1e6 }'
}
mib() { awk -v k="${peak[$1]}" 'BEGIN { printf "%.1f", k / 1024 }'; }
ratio() {  # ratio PEER OURS: how many times longer the peer took
  awk -v p="$(seconds "$1")" -v o="$(seconds "$2")" 'BEGIN { printf "%.2fx", (o > 0 ? p / o : 0) }'
}
thousands() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta'; }

# Table lines: the first names the work and our command; the others add a peer to it.
first_line() {  # first_line WORK OURS OURS_TOOL PEER PEER_TOOL NOTES
  local peer_s=– peer_mib=– vs=–
  if [[ -n $5 ]]; then peer_s=$(seconds "$5") peer_mib=$(mib "$5") vs=$(ratio "$5" "$3"); fi
  printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' \
    "$1" "$2" "$(seconds "$3")" "$4" "$peer_s" "$vs" "$(mib "$3")" "$peer_mib" "$6"
}
peer_line() {  # peer_line OURS_TOOL PEER PEER_TOOL NOTES
  printf '| | | | %s | %s | %s | | %s | %s |\n' \
    "$2" "$(seconds "$3")" "$(ratio "$3" "$1")" "$(mib "$3")" "$4"
}

# Inputs are read once before their row, so that no tool pays for the disk.
warm() { cat "$@" >/dev/null; }

# Prepare and check steps. Outputs are moved aside, not deleted, until the end: ext4 without a
# journal skips inodes freed in the last minutes when it makes a file, scanning past each one,
# so a clean-up would slow down whichever tool runs next (seen here: 0.7 ms a file, not 0.03).
set_aside() {
  if [[ -e $1 ]]; then
    aside=$((aside + 1))
    mv "$1" "$work/aside/$aside"
  fi
}
aside=0
settle() { sync -f "$work"; }  # the previous run's writes go out before the next run
empty_out() { set_aside "$out" && mkdir "$out" && settle; }
fresh_config() { set_aside "$work/config" && mkdir "$work/config"; }
no_archive() { set_aside "$new_zip" && settle; }
fresh_copy() { set_aside "$del_zip" && cp "$mixed_zip" "$del_zip" && settle; }
expect_files=0
extracted() {
  local n
  n=$(find "$out" -type f | wc -l)
  ((n == expect_files)) || die "$(describe "$1") left $n files, not $expect_files"
}
packed() {
  local n
  n=$(unzip -Z1 "$new_zip" | wc -l)
  ((n == ${#pack_names[@]})) || die "$(describe "$1") packed $n files, not ${#pack_names[@]}"
  size[$1]=$(stat -c %s "$new_zip")
}
deleted() {
  local n
  n=$(unzip -Z1 "$del_zip" | wc -l)
  ((n == mixed_entries - 10)) || die "$(describe "$1") left $n entries, not $((mixed_entries - 10))"
}

# --- Rows ----------------------------------------------------------------------------------

row_list() {
  say "listing $entries entries"
  local cmd_unzeng_list=("$bin/unzeng" -v "$list_zip")
  local cmd_unzip_l=(unzip -l "$list_zip")
  local cmd_unzip_z1=(unzip -Z1 "$list_zip")
  warm "$list_zip"
  race "$work" : : cmd_unzeng_list cmd_unzip_l cmd_unzip_z1
  first_line "list $(thousands "$entries") tiny entries" '`unzeng -v`' cmd_unzeng_list \
    '`unzip -l`' cmd_unzip_l ""
  peer_line cmd_unzeng_list '`unzip -Z1`' cmd_unzip_z1 "names only"
}

row_window() {
  local zip count target_s cmd_parcelix
  settle  # the archives just written go to disk first, not during the runs
  for zip in "$list_zip" "$big_zip"; do
    count=$entries target_s=$window_target_s
    [[ $zip == "$big_zip" ]] && count=$big_entries target_s=$big_window_target_s
    say "opening the window on $count entries"
    cmd_parcelix=(timeout 300 env QT_QPA_PLATFORM=offscreen PARCELIX_QUIT_WHEN_SHOWN=1
      XDG_CONFIG_HOME="$work/config" "$bin/Parcelix" "$zip")
    warm "$zip"
    race "$work" fresh_config : cmd_parcelix
    local verdict mib_limit="" work_text target
    if [[ $zip == "$big_zip" ]]; then
      mib_limit=" and $big_window_target_mib MiB"
      verdict=$(awk -v s="$(seconds cmd_parcelix)" -v t="$target_s" -v m="$(mib cmd_parcelix)" \
        -v l="$big_window_target_mib" 'BEGIN { print (s <= t && m <= l ? "met" : "missed") }')
      work_text="the window opening an archive of $(thousands "$count") entries until the rows show"
    else
      verdict=$(awk -v s="$(seconds cmd_parcelix)" -v t="$target_s" 'BEGIN { print (s <= t ? "met" : "missed") }')
      work_text="the window opening that archive ($(thousands "$count") entries) until the rows show"
    fi
    target="target $target_s s$mib_limit at $(thousands "$count") entries: $verdict"
    [[ $quick == 1 ]] && target="target $target_s s$mib_limit (quick mode: not judged)"
    first_line "$work_text" '`Parcelix` (offscreen, quits when shown)' cmd_parcelix "none" "" "$target"
  done
}

# One keystroke in the filter line over the 100,000 rows, until the list is painted: the median
# and the slowest key of each run of filter_bench (typing "dir12/f", then erasing it), as the
# median over the runs. Its own time and memory are the window's, not one command's.
row_filter() {
  say "typing into the filter line over $entries rows"
  local round line medians=() worsts=() keys=0
  warm "$list_zip"
  for ((round = 1; round <= runs; round++)); do
    fresh_config
    line=$(cd "$work" && timeout 300 env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
      "$bin/filter_bench" "$list_zip" "dir12/f" 2>"$work/stderr" | tail -n 1) ||
      die "filter_bench failed: $(tail -n 5 "$work/stderr")"
    [[ $line == keys* ]] || die "filter_bench gave no summary: $line"
    keys=$(awk '{ print $2 }' <<<"$line")
    medians+=("$(awk '{ print $4 }' <<<"$line")")
    worsts+=("$(awk '{ print $6 }' <<<"$line")")
  done
  local median_ms worst_ms
  median_ms=$(median "${medians[@]}")
  worst_ms=$(median "${worsts[@]}")
  printf '| one keystroke in the filter line over %s rows until painted | `filter_bench` (offscreen) | %s | none | – | – | – | – | median of %s keys per run; slowest key %s ms (median over runs) |\n' \
    "$(thousands "$entries")" "$(awk -v m="$median_ms" 'BEGIN { printf "%.3f", m / 1000 }')" "$keys" "$worst_ms"
}

row_extract_mixed() {
  say "extracting the mixed archive ($mixed_files files)"
  local cmd_unzeng_mixed=("$bin/unzeng" -o "$mixed_zip" -d "$out")
  local cmd_unzip_mixed=(unzip -o -q "$mixed_zip" -d "$out")
  local cmd_bsdtar_mixed=(bsdtar -xf "$mixed_zip" -C "$out")
  expect_files=$mixed_files
  warm "$mixed_zip"
  race "$work" empty_out extracted cmd_unzeng_mixed cmd_unzip_mixed cmd_bsdtar_mixed
  local mb
  mb=$(awk -v b="$mixed_bytes" 'BEGIN { printf "%.0f", b / 1e6 }')
  first_line "extract the mixed archive ($(thousands "$mixed_files") files, $mb MB) to disk" \
    '`unzeng -o -d`' cmd_unzeng_mixed '`unzip -o -q -d`' cmd_unzip_mixed ""
  peer_line cmd_unzeng_mixed '`bsdtar -xf -C`' cmd_bsdtar_mixed ""
}

row_test_mixed() {
  say "testing the mixed archive"
  local cmd_unzeng_test=("$bin/unzeng" -t "$mixed_zip")
  local cmd_unzip_test=(unzip -tq "$mixed_zip")
  warm "$mixed_zip"
  race "$work" : : cmd_unzeng_test cmd_unzip_test
  first_line "test the mixed archive" '`unzeng -t`' cmd_unzeng_test '`unzip -tq`' cmd_unzip_test "target: at least 7x"
}

row_test_aes() {
  say "testing the mixed corpus packed with AES-256"
  local cmd_unzeng_aes=("$bin/unzeng" -P "$aes_password" -t "$aes_zip")
  local cmd_7zz_aes=(7zz t "-p$aes_password" "$aes_zip")
  warm "$aes_zip"
  race "$work" : : cmd_unzeng_aes cmd_7zz_aes
  first_line "test the mixed corpus packed by \`7zz -mem=AES256\`" '`unzeng -P PW -t`' cmd_unzeng_aes \
    '`7zz t -pPW`' cmd_7zz_aes "target: at least 2x"
}

row_extract_tiny() {
  say "extracting $tiny_files tiny files"
  local cmd_unzeng_tiny=("$bin/unzeng" -o "$tiny_zip" -d "$out")
  local cmd_unzip_tiny=(unzip -o -q "$tiny_zip" -d "$out")
  local cmd_7zz_tiny=(7zz x -y "-o$out" "$tiny_zip")
  local cmd_bsdtar_tiny=(bsdtar -xf "$tiny_zip" -C "$out")
  local cmd_floor_tiny=("$bin/floor_probe" "$work/tiny.manifest" "$out")
  expect_files=$tiny_files
  warm "$tiny_zip" "$work/tiny.manifest"
  race "$work" empty_out extracted cmd_unzeng_tiny cmd_floor_tiny cmd_unzip_tiny cmd_7zz_tiny cmd_bsdtar_tiny
  local best=cmd_unzip_tiny tool
  for tool in cmd_7zz_tiny cmd_bsdtar_tiny; do
    if awk -v a="$(seconds "$tool")" -v b="$(seconds "$best")" 'BEGIN { exit !(a < b) }'; then
      best=$tool
    fi
  done
  local -A name=([cmd_unzip_tiny]=unzip [cmd_7zz_tiny]=7zz [cmd_bsdtar_tiny]=bsdtar)
  first_line "extract $(thousands "$tiny_files") tiny files" '`unzeng -o -d`' cmd_unzeng_tiny \
    '`unzip -o -q -d`' cmd_unzip_tiny ""
  peer_line cmd_unzeng_tiny '`7zz x -y -o`' cmd_7zz_tiny ""
  peer_line cmd_unzeng_tiny '`bsdtar -xf -C`' cmd_bsdtar_tiny ""
  peer_line cmd_unzeng_tiny "best peer: ${name[$best]}" "$best" ""
  peer_line cmd_unzeng_tiny '`floor_probe`: the file system floor' cmd_floor_tiny \
    "create, write, close on every core, no times or modes; target: at least 0.71x (ours at most 1.4x the floor)"
}

row_compress() {
  say "compressing ${#pack_names[@]} files of $pack_mib MiB"
  local cmd_zipeng_pack=("$bin/zipeng" -r -6 "$new_zip" "${pack_names[@]}")
  local cmd_zip_pack=(zip -6 -r -q "$new_zip" "${pack_names[@]}")
  warm "$pack"/*
  race "$pack" no_archive packed cmd_zipeng_pack cmd_zip_pack
  local kinds="text-like and random-like in turn"
  first_line "compress ${#pack_names[@]} files of $pack_mib MiB ($kinds)" '`zipeng -r -6`' \
    cmd_zipeng_pack '`zip -6 -r -q`' cmd_zip_pack \
    "archives: ours $(thousands "${size[cmd_zipeng_pack]}") B, zip $(thousands "${size[cmd_zip_pack]}") B"
}

row_delete() {
  say "deleting 10 entries"
  local cmd_zipeng_del=("$bin/zipeng" -d "$del_zip" "${victims[@]}")
  local cmd_zip_del=(zip -d -q "$del_zip" "${victims[@]}")
  warm "$mixed_zip"
  race "$work" fresh_copy deleted cmd_zipeng_del cmd_zip_del
  first_line "delete 10 entries from the mixed archive" '`zipeng -d`' cmd_zipeng_del \
    '`zip -d -q`' cmd_zip_del "fresh copy each run, copied untimed"
}

# --- Report --------------------------------------------------------------------------------

first_of() {  # first_of FIELDS COMMAND...: the first line mentioning a version, cut to FIELDS
  local fields=$1
  shift
  "$@" 2>&1 | awk -v f="$fields" '/[0-9]\.[0-9]/ { n = split(f, k, ","); s = "";
    for (i = 1; i <= n; i++) s = s (i > 1 ? " " : "") $(k[i]); print s; exit }' || true
}

cpu=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo)
build_type=$(awk -F= '/^CMAKE_BUILD_TYPE:/ { print $2 }' "$bin/../CMakeCache.txt" 2>/dev/null || true)
file_system=$(df -PT "$work" | awk 'NR == 2 { print $2 }')
peers="$(first_of 3,4 zip -v), $(first_of 1,2 unzip -v), $(first_of 1,3 7zz), $(first_of 1,2 bsdtar --version)"

rows=$(for row in $chosen_rows; do "row_$row"; done)

mode=""
[[ $quick == 1 ]] && mode=" (QUICK=1: reduced sizes, only a check of the script)"
cat <<EOF
### Speed against the common tools, $(date +%Y-%m-%d)$mode

Machine: $(nproc) cores (nproc), ${cpu:-unknown CPU}, Linux $(uname -r); work folder on $file_system.
Build: ${build_type:-unknown type} in \`$bin\`. Peers: $peers.
\`bench/speed_bench.sh\`, $runs run(s) of each command, ours and the peers' alternating; times are
median wall seconds, memory the largest peak resident set of any run (\`/usr/bin/time -f %M\`).
Files are warm: nothing is dropped from the page cache, and every input is read once before its
row. Each run starts from an empty output folder (or a fresh archive copy) with the earlier
runs' writes synced to disk; earlier outputs are set aside, not deleted, during the runs. The
tools' own writes are not waited for.

| work | ours | ours s | peer | peer s | peer / ours | ours MiB | peer MiB | notes |
|---|---|---:|---|---:|---:|---:|---:|---|
$rows
EOF
