#!/usr/bin/env python3
"""Differential tests of the engine against the common ZIP tools.

Archives made by zip, 7zz, bsdtar and Python's zipfile must be judged, listed and extracted by
unzeng as those tools judge, list and hold them; archives that zipeng writes or changes must pass
unzip, 7zz and zipfile, with every entry it did not touch copied byte for byte; and zipeng -FF
must recover at least what zip -FF recovers from the same damage.

    differential.py --bin BUILD/bin [--quick | --full] [--only TEXT] [--keep]

--quick (the default) takes a small fixed sample; --full sweeps every entry size around the
engine's buffer boundaries with every kind of content. --only runs the groups whose name contains
TEXT; --keep leaves the scratch folder for a look at the archives. Ends with the line
"N passed, M failed"; exits 1 on any failure, 77 when a peer tool or our own is missing.
"""

import argparse
import filecmp
import hashlib
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from dataclasses import dataclass, field
from functools import lru_cache

KiB = 1024
MiB = 1024 * KiB

# Sizes one either side of each buffer boundary of the engine (and of the common tools).
BOUNDARIES = (0, 1, 64 * KiB, 1 * MiB, 16 * MiB, 32 * MiB)
FULL_SIZES = sorted({b + d for b in BOUNDARIES for d in (-1, 0, 1) if b + d >= 0})
CONTENTS = ("zeros", "random", "text", "repeat")

# The quick sample: one archive per producer holding all of these.
QUICK_FILES = (
    ("zeros", 0), ("text", 1),
    ("random", 64 * KiB - 1), ("repeat", 64 * KiB), ("text", 64 * KiB + 1),
    ("random", 1 * MiB - 1), ("text", 1 * MiB), ("repeat", 1 * MiB + 1),
    ("random", 16 * MiB), ("zeros", 16 * MiB + 1), ("repeat", 32 * MiB + 1),
)

# What the modifications add: a name no sample uses.
ADDED_FILE = ("text", 123457)

# The archive that gets damaged for repair: many mid-sized entries, so cuts land inside entries,
# across headers and in the central directory.
REPAIR_FILES = (
    ("text", 3001), ("random", 40000), ("repeat", 70001), ("text", 150001), ("zeros", 5003),
    ("random", 9000), ("text", 66000), ("repeat", 20011), ("random", 130001), ("text", 8191),
    ("zeros", 100003), ("text", 45007), ("random", 2049), ("repeat", 300007),
)

COMMAND_TIMEOUT = 300


# ---------------------------------------------------------------------------------------------
# Content


CHUNK = 64 * KiB
WORDS = ("archive entry header central directory deflate stored window length offset signature "
         "the of and to a in is that for it as was with be by on not he I this are or his from "
         "at which but have an they you were her she there one all we their can has been if "
         "more when will would who so no. end.\n line.\n 1980 4096 -- (see) \"quoted\"").split(" ")
MOTIF = random.Random("motif").randbytes(1027)  # repeated: matches at long distances


@lru_cache(maxsize=None)
def chunk(kind, index):
    rng = random.Random(f"{kind}{index}")
    if kind == "random":
        return rng.randbytes(CHUNK)
    text = " ".join(rng.choices(WORDS, k=CHUNK // 4)).encode()
    return text[:CHUNK]


def content(kind, size):
    if kind == "zeros":
        return bytes(size)
    if kind == "repeat":
        return (MOTIF * (size // len(MOTIF) + 1))[:size]
    return b"".join(chunk(kind, i) for i in range(-(-size // CHUNK)))[:size]


class Pool:
    """Source files, made on first use, named KIND_SIZE in one folder."""

    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder)

    def name(self, kind, size):
        name = f"{kind}_{size}"
        path = self.path(name)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(content(kind, size))
        return name

    def names(self, files):
        return [self.name(kind, size) for kind, size in files]

    def path(self, name):
        return os.path.join(self.folder, name)


# ---------------------------------------------------------------------------------------------
# Running the tools


def run(argv, cwd=None, stdin=None):
    try:
        return subprocess.run(argv, cwd=cwd, input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=COMMAND_TIMEOUT)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(argv, "timeout", b"", b"timed out")


@dataclass
class EngineRun:
    """One run of zipeng or unzeng: its result code (None when it printed none) and messages."""
    argv: list
    result: int = None
    messages: list = field(default_factory=list)   # (message number, [fields])
    failure: str = ""

    def fields(self, message):
        return [f for m, f in self.messages if m == message]

    def describe(self):
        command = " ".join(os.path.basename(a) for a in self.argv)
        if self.result is None:
            return f"`{command}` printed no result ({self.failure})"
        return f"`{command}` gave result {self.result}"


BIN = None


def engine(tool, *args, cwd=None):
    argv = [os.path.join(BIN, tool), *args]
    proc = run(argv, cwd=cwd)
    outcome = EngineRun(argv)
    for line in proc.stdout.decode("utf-8", "replace").splitlines():
        if line.startswith("result "):
            outcome.result = int(line.split()[1])
        elif line:
            number, *fields = line.split("\t")
            outcome.messages.append((int(number), fields))
    if outcome.result is None:
        status = proc.returncode
        crash = f"killed by signal {-status}" if isinstance(status, int) and status < 0 else f"exit {status}"
        outcome.failure = f"{crash}; {proc.stderr.decode('utf-8', 'replace').strip()[-300:]}"
    return outcome


def failing_entries(outcome):
    """'name (reason N)' for each message 1060 of a test run."""
    return ", ".join(f"{f[0]} (reason {f[1] if len(f) > 1 else '?'})" for f in outcome.fields(1060))


# The peers' verdicts on an archive: (accepted, what they said).

def unzip_verdict(path):
    proc = run(["unzip", "-tq", path])
    tail = proc.stdout.decode("utf-8", "replace").strip().splitlines()[-1:] or [""]
    return proc.returncode == 0, f"exit {proc.returncode}: {tail[0][:200]}"


def sevenzip_verdict(path):
    proc = run(["7zz", "t", "-bd", "-bso0", "-bsp0", path])
    said = " ".join(proc.stderr.decode("utf-8", "replace").split())[:200]
    return proc.returncode == 0, f"exit {proc.returncode}: {said}"


def zipfile_verdict(path):
    try:
        with zipfile.ZipFile(path) as z:
            bad = z.testzip()
        return bad is None, f"first bad entry {bad}"
    except Exception as error:  # any failure to read is a rejection
        return False, repr(error)[:200]


PEERS = (("unzip -t", unzip_verdict), ("7zz t", sevenzip_verdict), ("zipfile.testzip", zipfile_verdict))


def peer_verdicts(path):
    return {name: verdict(path) for name, verdict in PEERS}


def unzip_ok_entries(path):
    """Names of the entries that unzip -t reports OK."""
    if not os.path.exists(path):
        return set()
    out = run(["unzip", "-t", path]).stdout.decode("utf-8", "replace")
    return {m.group(1) for m in re.finditer(r"^\s*testing: (.+?)\s+OK$", out, re.M)}


# ---------------------------------------------------------------------------------------------
# Peers that make archives: each is called as make(archive, names, folder of the names).


def made_by(*argv):
    """A tool taking ARGV ARCHIVE NAMES..."""
    def make(archive, names, cwd):
        return run([*argv, archive, *names], cwd=cwd)
    return make


def piped_from(*argv):
    """A tool writing the archive to a pipe (ARGV NAMES... | cat > ARCHIVE): it cannot seek
    back, so the sizes follow each entry in a data descriptor."""
    def make(archive, names, cwd):
        with open(archive, "wb") as out:
            producer = subprocess.Popen([*argv, *names], cwd=cwd, stdout=subprocess.PIPE)
            shutil.copyfileobj(producer.stdout, out)
            producer.stdout.close()
            return subprocess.CompletedProcess(argv, producer.wait(), b"", b"")
    return make


class Unseekable:
    """A file zipfile cannot seek in or tell on: it then writes data descriptors."""

    def __init__(self, f):
        self.f = f

    def write(self, data):
        return self.f.write(data)

    def flush(self):
        self.f.flush()


def made_by_zipfile(method, stream):
    def make(archive, names, cwd):
        with open(archive, "wb") as raw, \
             zipfile.ZipFile(Unseekable(raw) if stream else raw, "w", method) as z:
            for name in names:
                with open(os.path.join(cwd, name), "rb") as src, z.open(name, "w") as dst:
                    shutil.copyfileobj(src, dst, MiB)
        return subprocess.CompletedProcess([], 0, b"", b"")
    return make


SEVENZIP = ("7zz", "a", "-tzip", "-bd", "-bso0", "-bsp0")
PRODUCERS = {
    "zip": made_by("zip", "-q"),
    "zip-0": made_by("zip", "-q", "-0"),
    "zip-zip64": made_by("zip", "-q", "-fz"),
    "zip-pipe": piped_from("zip", "-q", "-"),
    "zip-0-pipe": piped_from("zip", "-q", "-0", "-"),
    "7zz": made_by(*SEVENZIP),
    "7zz-0": made_by(*SEVENZIP, "-mx=0"),
    "bsdtar": made_by("bsdtar", "-a", "-cf"),  # always with data descriptors
    "bsdtar-store": made_by("bsdtar", "--format", "zip", "--options", "zip:compression=store", "-cf"),
    "zipfile": made_by_zipfile(zipfile.ZIP_DEFLATED, stream=False),
    "zipfile-store": made_by_zipfile(zipfile.ZIP_STORED, stream=False),
    "zipfile-stream": made_by_zipfile(zipfile.ZIP_DEFLATED, stream=True),
    "zipfile-store-stream": made_by_zipfile(zipfile.ZIP_STORED, stream=True),
}

# Repair is compared on archives with sizes in the headers and with data descriptors.
REPAIR_PRODUCERS = ("zip", "zip-0", "zip-pipe", "7zz", "bsdtar", "zipfile-store-stream")


# ---------------------------------------------------------------------------------------------
# Archive facts


def raw_entries(path):
    """name -> (method, CRC, compressed size, digest of the compressed bytes as stored)."""
    entries = {}
    with open(path, "rb") as f, zipfile.ZipFile(f) as z:
        for info in z.infolist():
            f.seek(info.header_offset + 26)
            name_length, extra_length = struct.unpack("<HH", f.read(4))
            f.seek(info.header_offset + 30 + name_length + extra_length)
            digest, left = hashlib.sha256(), info.compress_size
            while left > 0:
                piece = f.read(min(left, MiB))
                if not piece:
                    break
                digest.update(piece)
                left -= len(piece)
            entries[info.filename] = (info.compress_type, info.CRC, info.compress_size, digest.hexdigest())
    return entries


def central_directory_span(path):
    """(offset, size) of the central directory, from the end record."""
    with open(path, "rb") as f:
        data = f.read()
    end = data.rfind(b"PK\x05\x06")
    size, offset = struct.unpack("<II", data[end + 12:end + 20])
    return offset, size


def shown(archive):
    """An archive as failures name it: the scratch folder is gone by the time they are read."""
    return os.path.basename(archive)


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for piece in iter(lambda: f.read(MiB), b""):
            digest.update(piece)
    return digest.hexdigest()


# ---------------------------------------------------------------------------------------------
# Checks. Each returns the list of what differed; empty means it passed.


def verdict_problems(archive, peers_may_split=False):
    """unzeng -t must accept exactly what the peers accept. Damage can split the peers (only some
    read data descriptors); there is then nothing to compare with, and None says so."""
    peers = peer_verdicts(archive)
    accepted = {ok for ok, _ in peers.values()}
    if len(accepted) > 1:
        if peers_may_split:
            return None
        said = "; ".join(f"{name} {'accepts' if ok else 'rejects'} it ({detail})"
                         for name, (ok, detail) in peers.items())
        return [f"{shown(archive)}: the peers disagree among themselves: {said}"]
    peers_accept = accepted.pop()
    ours = engine("unzeng", "-t", archive)
    if ours.result is None or (ours.result == 0) != peers_accept:
        failing = failing_entries(ours)
        return [f"{shown(archive)}: {ours.describe()}" + (f", failing {failing}" if failing else "")
                + f"; unzip -t, 7zz t and zipfile.testzip all {'accept' if peers_accept else 'reject'} it"]
    return []


def listing_problems(archive):
    """unzeng -v lists the names, sizes and packed sizes zipfile reads, in the same order."""
    ours = engine("unzeng", "-v", archive)
    if ours.result != 0:
        return [f"{shown(archive)}: {ours.describe()}"]
    listed = [(f[0], int(f[1]), int(f[2])) for f in ours.fields(80)]
    with zipfile.ZipFile(archive) as z:
        expected = [(i.filename, i.file_size, i.compress_size) for i in z.infolist()]
    problems = []
    for position, (mine, theirs) in enumerate(zip(listed, expected)):
        if mine != theirs:
            problems.append(f"{shown(archive)}: entry {position}: unzeng -v lists (name, size, packed) "
                            f"{mine}, zipfile {theirs}")
    if len(listed) != len(expected):
        problems.append(f"{shown(archive)}: unzeng -v lists {len(listed)} entries, zipfile {len(expected)}")
    return problems


def extraction_problems(archive, names, pool, folder):
    """unzeng -o -d FOLDER gives back exactly the original files."""
    ours = engine("unzeng", "-o", archive, "-d", folder)
    problems = [] if ours.result == 0 else [f"{shown(archive)}: {ours.describe()}"]
    found = {os.path.relpath(os.path.join(top, name), folder)
             for top, _, files in os.walk(folder) for name in files}
    for name in sorted(set(names) - found):
        problems.append(f"{shown(archive)}: entry {name} not extracted")
    for name in sorted(found - set(names)):
        problems.append(f"{shown(archive)}: unexpected file {name} extracted")
    for name in sorted(found & set(names)):
        if not filecmp.cmp(os.path.join(folder, name), pool.path(name), shallow=False):
            size = os.path.getsize(os.path.join(folder, name))
            problems.append(f"{shown(archive)}: entry {name} extracted with different bytes "
                            f"({size} bytes, expected {os.path.getsize(pool.path(name))})")
    shutil.rmtree(folder, ignore_errors=True)
    return problems


def acceptance_problems(archive):
    """Every peer tests the archive clean."""
    return [f"{shown(archive)}: {name} rejects it ({detail})"
            for name, (ok, detail) in peer_verdicts(archive).items() if not ok]


def content_problems(archive, names, pool, read=None, method=None):
    """zipfile finds exactly NAMES, the entries in READ (all when None) hold the originals, and
    every entry uses METHOD when one is given."""
    try:
        with zipfile.ZipFile(archive) as z:
            present = z.namelist()
            problems = []
            if sorted(present) != sorted(names):
                problems.append(f"{shown(archive)}: entries {sorted(present)}, expected {sorted(names)}")
            if method is not None:
                problems += [f"{shown(archive)}: entry {i.filename} has method {i.compress_type}, expected {method}"
                             for i in z.infolist() if i.compress_type != method]
            for name in (names if read is None else read):
                if name not in present:
                    continue
                digest = hashlib.sha256()
                with z.open(name) as entry:
                    for piece in iter(lambda: entry.read(MiB), b""):
                        digest.update(piece)
                if digest.hexdigest() != file_digest(pool.path(name)):
                    problems.append(f"{shown(archive)}: entry {name} does not hold the original bytes")
            return problems
    except Exception as error:
        return [f"{shown(archive)}: zipfile cannot read it back ({error!r})"]


def untouched_problems(archive, before, names):
    """The entries NAMES keep their compressed bytes (method, CRC, size, data) exactly."""
    try:
        after = raw_entries(archive)
    except Exception as error:
        return [f"{shown(archive)}: cannot read the entries back ({error!r})"]
    problems = []
    for name in names:
        if name not in after:
            problems.append(f"{shown(archive)}: untouched entry {name} is gone")
        elif after[name] != before[name]:
            was, now = before[name][:3], after[name][:3]
            problems.append(f"{shown(archive)}: untouched entry {name} changed its compressed bytes "
                            f"(method, CRC, packed size {was} -> {now})")
    return problems


# ---------------------------------------------------------------------------------------------
# Cases


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = []

    def check(self, name, problems):
        """PROBLEMS: what differed (none: passed), or None when there was nothing to compare."""
        if problems is None:
            print(f"--   {name}: not compared")
        elif problems:
            self.failed.append(name)
            print(f"FAIL {name}")
            for problem in problems:
                print(f"     {problem}")
        else:
            self.passed += 1
            print(f"ok   {name}")
        sys.stdout.flush()


def engine_step_problems(outcome):
    return [] if outcome.result == 0 else [outcome.describe()]


def peer_archive_case(producer, files):
    """A peer's archive: our verdict, listing and extraction; then our changes to it."""
    def case(report, group, pool, work):
        names = pool.names(files)
        archive = os.path.join(work, f"{producer}.zip")
        made = PRODUCERS[producer](archive, names, pool.folder)
        if made.returncode != 0:
            report.check(f"{group}: make the archive", [f"{producer} failed: exit {made.returncode} {made.stderr[-300:]!r}"])
            return
        report.check(f"{group}: verdict", verdict_problems(archive))
        report.check(f"{group}: listing", listing_problems(archive))
        report.check(f"{group}: extraction", extraction_problems(archive, names, pool, os.path.join(work, "out")))
        for change in CHANGES:
            change(report, group, archive, names, pool, work)
    return case


# Our changes to an existing archive: each works on a copy and checks the peers accept the result,
# the entries it did not touch keep their bytes, and the change itself is there.

def change_add(report, group, archive, names, pool, work, switches=("-6",), label="add"):
    copy = os.path.join(work, f"{label.replace(' ', '-')}.zip")
    shutil.copyfile(archive, copy)
    before = raw_entries(copy)
    added = pool.name(*ADDED_FILE)
    step = engine_step_problems(engine("zipeng", *switches, copy, added, cwd=pool.folder))
    report.check(f"{group}: {label}: peers accept", step + acceptance_problems(copy))
    report.check(f"{group}: {label}: untouched entries keep their bytes", untouched_problems(copy, before, names))
    report.check(f"{group}: {label}: the new entry holds the file", content_problems(copy, names + [added], pool, [added]))
    os.remove(copy)


def change_append(report, group, archive, names, pool, work):
    change_add(report, group, archive, names, pool, work, ("-g", "-6"), "add -g")


def change_delete(report, group, archive, names, pool, work):
    copy = os.path.join(work, "delete.zip")
    shutil.copyfile(archive, copy)
    before = raw_entries(copy)
    victim = list(before)[len(before) // 2]
    kept = [n for n in names if n != victim]
    step = engine_step_problems(engine("zipeng", "-d", copy, victim))
    report.check(f"{group}: delete {victim}: peers accept", step + acceptance_problems(copy))
    report.check(f"{group}: delete {victim}: untouched entries keep their bytes",
                 untouched_problems(copy, before, kept) + content_problems(copy, kept, pool, []))
    os.remove(copy)


CHANGES = (change_add, change_delete, change_append)


def write_case(files, switches):
    """An archive we write from scratch at one level."""
    def case(report, group, pool, work):
        names = pool.names(files)
        archive = os.path.join(work, "ours.zip")
        step = engine_step_problems(engine("zipeng", "-r", *switches, archive, *names, cwd=pool.folder))
        report.check(f"{group}: peers accept", step + acceptance_problems(archive))
        stores = zipfile.ZIP_STORED if switches == ("-0",) else None
        report.check(f"{group}: entries hold the files", content_problems(archive, names, pool, method=stores))
    return case


def write_append_case(files):
    """An archive we write, then grow in place with -g."""
    def case(report, group, pool, work):
        names = pool.names(files)
        first, second = names[::2], names[1::2]
        archive = os.path.join(work, "ours.zip")
        step = engine_step_problems(engine("zipeng", "-r", "-6", archive, *first, cwd=pool.folder))
        if step:
            report.check(f"{group}: write the first half", step)
            return
        before = raw_entries(archive)
        step = engine_step_problems(engine("zipeng", "-g", "-6", archive, *second, cwd=pool.folder))
        report.check(f"{group}: peers accept", step + acceptance_problems(archive))
        report.check(f"{group}: untouched entries keep their bytes", untouched_problems(archive, before, first))
        report.check(f"{group}: entries hold the files", content_problems(archive, names, pool, second))
    return case


def write_delete_case(files):
    """An archive we write, then delete from."""
    def case(report, group, pool, work):
        names = pool.names(files)
        victims = names[1::3]
        kept = [n for n in names if n not in victims]
        archive = os.path.join(work, "ours.zip")
        step = engine_step_problems(engine("zipeng", "-r", "-6", archive, *names, cwd=pool.folder))
        if step:
            report.check(f"{group}: write the archive", step)
            return
        before = raw_entries(archive)
        step = engine_step_problems(engine("zipeng", "-d", archive, *victims))
        report.check(f"{group}: peers accept", step + acceptance_problems(archive))
        report.check(f"{group}: untouched entries keep their bytes",
                     untouched_problems(archive, before, kept) + content_problems(archive, kept, pool, []))
    return case


# Damage done to a copy of an archive: each takes the bytes and the archive and returns new bytes.

def cut_at(fraction):
    return lambda data, archive: data[:int(len(data) * fraction)]


def cut_central_directory(where):
    def damage(data, archive):
        offset, size = central_directory_span(archive)
        return data[:offset + int(size * where)]
    return damage


def splice_garbage(data, start, length):
    return data[:start] + random.Random(start).randbytes(length) + data[start + length:]


def garbage_at(fraction, length):
    return lambda data, archive: splice_garbage(data, int(len(data) * fraction), length)


def garbage_over_header(index):
    """Garbage over the local header of entry INDEX and the end of the entry before it."""
    def damage(data, archive):
        with zipfile.ZipFile(archive) as z:
            start = max(0, z.infolist()[index].header_offset - 16)
        return splice_garbage(data, start, 96)
    return damage


def garbage_in_central_directory(data, archive):
    offset, size = central_directory_span(archive)
    return splice_garbage(data, offset + size // 3, 64)


# Every producer's repair archive gets these; the full sweep adds the cut and garbage points below.
DAMAGES = {
    "cut at 30%": cut_at(0.30),
    "cut at 70%": cut_at(0.70),
    "cut at the central directory": cut_central_directory(0.0),
    "cut in the central directory": cut_central_directory(0.5),
    "cut the last byte": lambda data, archive: data[:-1],
    "garbage at 40%": garbage_at(0.40, 4096),
    "garbage over a local header": garbage_over_header(4),
    "garbage in the central directory": garbage_in_central_directory,
}
DAMAGES_FULL = {
    **DAMAGES,
    **{f"cut at {p}%": cut_at(p / 100) for p in range(5, 100, 10)},
    **{f"garbage at {p}%": garbage_at(p / 100, 512) for p in range(10, 100, 20)},
    **{f"garbage over local header {i}": garbage_over_header(i) for i in (0, 1, 9, 13)},
}


def repair_case(producer, damage_name):
    """A damaged archive: our verdict; then zipeng -FF recovers at least what zip -FF does."""
    def case(report, group, pool, work):
        names = pool.names(REPAIR_FILES)
        archive = os.path.join(work, "whole.zip")
        made = PRODUCERS[producer](archive, names, pool.folder)
        if made.returncode != 0:
            report.check(f"{group}: make the archive", [f"{producer} failed: exit {made.returncode}"])
            return
        with open(archive, "rb") as f:
            data = DAMAGES_FULL[damage_name](f.read(), archive)
        damaged = os.path.join(work, "damaged.zip")
        with open(damaged, "wb") as f:
            f.write(data)
        report.check(f"{group}: verdict", verdict_problems(damaged, peers_may_split=True))

        theirs_in, theirs = os.path.join(work, "theirs_in.zip"), os.path.join(work, "theirs.zip")
        shutil.copyfile(damaged, theirs_in)
        run(["zip", "-FF", theirs_in, "--out", theirs], stdin=b"y\n" * 20)
        recovered_by_zip = unzip_ok_entries(theirs)

        ours = os.path.join(work, "ours.zip")
        shutil.copyfile(damaged, ours)
        outcome = engine("zipeng", "-FF", ours)
        problems = []
        if outcome.result in (0, 40):  # 40: entries the damage reached were reported as skipped
            problems += acceptance_problems(ours)
            missed = recovered_by_zip - unzip_ok_entries(ours)
            if missed:
                problems.append(f"{shown(damaged)}: zip -FF recovers {sorted(missed)}, zipeng -FF does not")
        elif outcome.result != 110 or recovered_by_zip:
            problems.append(f"{shown(damaged)}: {outcome.describe()}; zip -FF recovers {len(recovered_by_zip)} entries")
        report.check(f"{group}: zipeng -FF recovers what zip -FF does", problems)
    return case


def plan(full):
    """(group name, case) for the chosen sample."""
    cases = []
    samples = [(kind, [(kind, size) for size in FULL_SIZES]) for kind in CONTENTS] if full \
        else [("quick", list(QUICK_FILES))]
    for sample, files in samples:
        for producer in PRODUCERS:
            cases.append((f"read {producer} {sample}", peer_archive_case(producer, files)))
        for switches in (("-0",), ("-6",), ("-9",)):
            cases.append((f"write {switches[0]} {sample}", write_case(files, switches)))
        cases.append((f"write -g {sample}", write_append_case(files)))
        cases.append((f"write -d {sample}", write_delete_case(files)))
    for producer in REPAIR_PRODUCERS:
        for damage in (DAMAGES_FULL if full else DAMAGES):
            cases.append((f"repair {producer} {damage}", repair_case(producer, damage)))
    return cases


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bin", required=True, help="folder holding zipeng, unzeng and their libraries")
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--quick", action="store_true", help="the small fixed sample (default)")
    mode.add_argument("--full", action="store_true", help="every boundary size with every content")
    parser.add_argument("--only", default="", help="run only the groups whose name contains this")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    args = parser.parse_args()

    global BIN
    BIN = os.path.abspath(args.bin)
    missing = [t for t in ("zip", "unzip", "7zz", "bsdtar") if not shutil.which(t)]
    missing += [t for t in ("zipeng", "unzeng") if not os.access(os.path.join(BIN, t), os.X_OK)]
    if missing:
        print(f"skipped: missing {', '.join(missing)}")
        return 77

    scratch = tempfile.mkdtemp(prefix="parcelix-differential-")
    report = Report()
    try:
        pool = Pool(os.path.join(scratch, "files"))
        for group, case in plan(args.full):
            if args.only not in group:
                continue
            work = os.path.join(scratch, "work")
            os.makedirs(work)
            case(report, group, pool, work)
            if not args.keep:
                shutil.rmtree(work)
            else:
                os.rename(work, os.path.join(scratch, re.sub(r"[^\w.-]+", "_", group)))
    finally:
        if args.keep:
            print(f"kept {scratch}")
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    if report.failed:
        print("to look at a failure: --keep --only 'GROUP' (the text before the colon)")
    print(f"{report.passed} passed, {len(report.failed)} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
