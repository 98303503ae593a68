#!/usr/bin/env python3
"""Crash harness for the writing side of the engine.

1. Kill test: each round copies a sound archive into a fresh folder, starts one changing
   operation (add, in-place add, update, delete, comment, repair -F / -FF) and sends it SIGKILL
   after a random delay between 0 and that operation's measured duration (rounds go on until
   --rounds kills have landed mid-operation). Then the next
   operation that meets the archive (`unzeng -t`, which must first put back the old bytes of an
   interrupted in-place change) runs, and the round passes when the archive opens (`unzeng -v`),
   passes `unzip -t` and zipfile's testzip(), holds exactly the old or the new entries (names and
   CRCs, plus the comment), and the folder holds nothing but the archive and the inputs.
2. Two writers: two adds of different files onto one archive at once, with and without -g.
   Each must either land (its file is in the archive) or refuse with result 180 and change
   nothing; the archive stays sound.

Usage: bench/crash_harness.py [--bin BUILD_BIN_DIR] [--rounds N | --quick] [--seed S]
"""
import argparse
import os
import random
import shlex
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

ARCHIVE = "A.zip"
COMMENT = "crash harness comment"
MB = 1 << 20
KEEP_FAILED = 10

# The files every round folder holds (hard links into the input cache): `base/` as the update
# sees it (t1.txt changed and newer than its entry, t3.txt new), `new/` for the adds.
ROUND_FILES = {
    "base/t1.txt": "t1-v2.txt",
    "base/r1.bin": "r1.bin",
    "base/r2.bin": "r2.bin",
    "base/r3.bin": "r3.bin",
    "base/t3.txt": "t3.txt",
    "new/t2.txt": "t2.txt",
    "new/r4.bin": "r4.bin",
}
# What the starting archive was made from.
BASE_FILES = {"base/t1.txt": "t1-v1.txt", "base/r1.bin": "r1.bin", "base/r2.bin": "r2.bin", "base/r3.bin": "r3.bin"}
WRITER_FILES = {"w/one.txt": "one.txt", "w/two.txt": "two.txt"}

KINDS = [
    ("add", ["-r", "-6", ARCHIVE, "new"]),
    ("grow", ["-g", "-r", ARCHIVE, "new"]),
    ("update", ["-u", "-r", ARCHIVE, "base"]),
    ("delete", ["-d", ARCHIVE, "base/t1.txt"]),
    ("comment", ["-c", COMMENT, "-z", ARCHIVE]),
    ("repair -F", ["-F", ARCHIVE]),
    ("repair -FF", ["-FF", ARCHIVE]),
]


def write_text(path, size, rng):
    """Word salad: compresses about 2:1, so deflate has real work to do."""
    words = ["".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 10))) for _ in range(5000)]
    lines, n, i = [], 0, 0
    while n < size:
        line = f"{i:08d} {' '.join(rng.choices(words, k=12))}\n"
        lines.append(line)
        n += len(line)
        i += 1
    with open(path, "w") as f:
        f.writelines(lines)


def run(argv, cwd, timeout=300, whole=False):
    """Returns (exit status, last output line, or the start of the whole output: unzip says what
    is wrong before its closing line); a hang counts as a failure, not a wait."""
    try:
        p = subprocess.run(argv, cwd=cwd, capture_output=True, text=True, errors="replace", timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, f"timed out after {timeout} s"
    lines = [line.strip() for line in (p.stdout + p.stderr).splitlines() if line.strip()]
    return p.returncode, " / ".join(lines)[:200] if whole else lines[-1] if lines else ""


def archive_state(path):
    """The entries (name, CRC) and the comment: what old and new are compared by."""
    with zipfile.ZipFile(path) as z:
        return frozenset((i.filename, i.CRC) for i in z.infolist()), z.comment


def folder_listing(folder):
    found = set()
    for top, dirs, files in os.walk(folder):
        for name in dirs + files:
            found.add(os.path.relpath(os.path.join(top, name), folder))
    return found


def expected_listing(files):
    return {ARCHIVE} | set(files) | {os.path.dirname(f) for f in files}


def describe(state, old):
    entries, comment = state
    added = sorted(n for n, _ in entries - old[0])
    removed = sorted(n for n, _ in old[0] - entries)
    text = f"entries vs old: added {added or '-'}, removed/changed {removed or '-'}"
    return text + (f", comment {comment!r}" if comment != old[1] else "")


class Harness:
    def __init__(self, bin_dir, work, seed):
        self.zipeng = os.path.join(bin_dir, "zipeng")
        self.unzeng = os.path.join(bin_dir, "unzeng")
        self.work = work
        self.inputs = os.path.join(work, "inputs")
        self.rng = random.Random(seed)
        self.folders = 0
        self.kept = 0  # failing folders kept for a look; each holds a copy of the archive

    def done_with(self, folder, failed):
        if failed and self.kept < KEEP_FAILED:
            self.kept += 1
            return f"; kept in {folder}"
        shutil.rmtree(folder)
        return ""

    def make_inputs(self):
        os.makedirs(self.inputs)
        rng = random.Random(1)
        for name, size in [("t1-v1.txt", 12), ("t1-v2.txt", 12), ("t2.txt", 12), ("t3.txt", 5),
                           ("one.txt", 20), ("two.txt", 20)]:
            write_text(os.path.join(self.inputs, name), size * MB, rng)
        for name, size in [("r1.bin", 20), ("r2.bin", 20), ("r3.bin", 20), ("r4.bin", 8)]:
            with open(os.path.join(self.inputs, name), "wb") as f:
                f.write(rng.randbytes(size * MB))
        # The archive's t1.txt must be older than the folder's, or update has nothing to do.
        day_ago = time.time() - 86400
        os.utime(os.path.join(self.inputs, "t1-v1.txt"), (day_ago, day_ago))
        seed = self.new_folder("base", BASE_FILES, with_archive=False)
        rc, last = run([self.zipeng, "-r", "-6", ARCHIVE, "base"], seed)
        if rc != 0:
            sys.exit(f"cannot make the starting archive: zipeng -r -6 ended with {last!r}")
        self.base_zip = os.path.join(self.inputs, "base.zip")
        os.rename(os.path.join(seed, ARCHIVE), self.base_zip)
        shutil.rmtree(seed)
        self.old = archive_state(self.base_zip)
        self.writer_crc = {}
        for rel, src in WRITER_FILES.items():
            with open(os.path.join(self.inputs, src), "rb") as f:
                self.writer_crc[rel] = zlib.crc32(f.read())

    def new_folder(self, label, files, with_archive=True):
        self.folders += 1
        folder = os.path.join(self.work, f"{self.folders:04d}-{label.replace(' ', '')}")
        for rel, src in files.items():
            os.makedirs(os.path.join(folder, os.path.dirname(rel)), exist_ok=True)
            os.link(os.path.join(self.inputs, src), os.path.join(folder, rel))
        if with_archive:
            shutil.copyfile(self.base_zip, os.path.join(folder, ARCHIVE))
        return folder

    def check(self, folder, allowed, files):
        """Everything that must hold of a folder once the next operation has met the archive."""
        problems, state = [], None
        rc, last = run([self.unzeng, "-v", ARCHIVE], folder)
        if rc != 0:
            problems.append(f"unzeng -v: {last!r}")
        rc, last = run(["unzip", "-tq", ARCHIVE], folder, whole=True)
        if rc != 0:
            problems.append(f"unzip -t: exit {rc}, {last!r}")
        try:
            with zipfile.ZipFile(os.path.join(folder, ARCHIVE)) as z:
                bad = z.testzip()
            if bad:
                problems.append(f"zipfile testzip: bad entry {bad!r}")
            state = archive_state(os.path.join(folder, ARCHIVE))
            if state not in allowed:
                problems.append(describe(state, self.old))
        except Exception as e:  # any failure to read is a finding, not a harness error
            problems.append(f"zipfile: {type(e).__name__}: {e}")
        found, expected = folder_listing(folder), expected_listing(files)
        if found - expected:
            problems.append(f"stray files: {sorted(found - expected)}")
        if expected - found:
            problems.append(f"missing files: {sorted(expected - found)}")
        return problems, state

    def calibrate(self, args):
        """Median duration of three whole runs, and the state they leave (the 'new' one)."""
        times, states = [], set()
        for _ in range(3):
            folder = self.new_folder("calibrate", ROUND_FILES)
            start = time.monotonic()
            rc, last = run([self.zipeng] + args, folder)
            times.append(time.monotonic() - start)
            if rc != 0:
                return None, None, f"uninterrupted run ended with {last!r}"
            states.add(archive_state(os.path.join(folder, ARCHIVE)))
            shutil.rmtree(folder)
        if len(states) != 1:
            return None, None, "uninterrupted runs left different archives"
        return statistics.median(times), states.pop(), None


def kill_test(h, kills, failures):
    """Returns the number of rounds that passed."""
    stats = {}
    kinds = []
    for kind, args in KINDS:
        duration, new, error = h.calibrate(args)
        if not error and new == h.old and not kind.startswith("repair"):
            error = "an uninterrupted run changed nothing, so no kill could show a fault"
        if error:
            failures.append(f"{kind}: {shlex.join(['zipeng'] + args)}: {error}")
            continue
        kinds.append((kind, args, duration, new))
        stats[kind] = {"ms": duration * 1000, "rounds": 0, "mid": 0, "old": 0, "new": 0, "ok": 0, "bad": 0}
    # A delay past the end of a quick run kills nothing: go on until `kills` kills have landed.
    landed, i = 0, 0
    while kinds and landed < kills and i < 2 * kills:
        kind, args, duration, new = kinds[i % len(kinds)]
        i += 1
        s = stats[kind]
        delay = h.rng.uniform(0, duration)
        folder = h.new_folder(kind, ROUND_FILES)
        p = subprocess.Popen([h.zipeng] + args, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(delay)
        mid = p.poll() is None
        if mid:
            p.send_signal(signal.SIGKILL)
            landed += 1
        p.wait()
        # The next operation to meet the archive: a reader, which must settle a pending rollback.
        rc, last = run([h.unzeng, "-t", ARCHIVE], folder)
        problems, state = h.check(folder, (h.old, new), ROUND_FILES)
        if rc != 0:
            problems.insert(0, f"next operation unzeng -t: {last!r}")
        s["rounds"] += 1
        s["mid"] += mid
        if state == h.old:
            s["old"] += 1
        elif state == new:
            s["new"] += 1
        s["bad" if problems else "ok"] += 1
        kept = h.done_with(folder, bool(problems))
        if problems:
            when = "mid-operation" if mid else "it had already finished"
            failures.append(f"{kind}: {shlex.join(['zipeng'] + args)}, kill after {delay * 1000:.1f} ms of "
                            f"{duration * 1000:.0f} ms ({when}){kept}\n      " + "\n      ".join(problems))
    print(f"kill test: {landed} kills in {i} rounds")
    print(f"  {'operation':<11} {'ms':>5} {'rounds':>6} {'kills':>6} {'old':>4} {'new':>4} {'passed':>6} {'failed':>6}")
    for kind, s in stats.items():
        print(f"  {kind:<11} {s['ms']:5.0f} {s['rounds']:6d} {s['mid']:6d} {s['old']:4d} {s['new']:4d} "
              f"{s['ok']:6d} {s['bad']:6d}")
    print("  (old/new: the archive came out unchanged / fully changed; for repair both are the same)")
    return sum(s["ok"] for s in stats.values())


def writers_test(h, tries, failures):
    """Two adds at once; returns the number of tries that passed."""
    passed = 0
    for grow in (False, True):
        label = "with -g" if grow else "without -g"
        outcomes = {}
        for _ in range(tries):
            folder = h.new_folder("writers", WRITER_FILES)
            # The closing "result N" is the last line of standard output; its words go to stderr.
            procs = {rel: subprocess.Popen([h.zipeng] + (["-g"] if grow else []) + ["-6", ARCHIVE, rel], cwd=folder,
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                           errors="replace")
                     for rel in WRITER_FILES}
            results = {}
            for rel, p in procs.items():
                try:
                    out = p.communicate(timeout=120)[0].strip().splitlines()
                    results[rel] = (p.returncode, out[-1] if out else "")
                except subprocess.TimeoutExpired:  # a writer waiting for the lock is a fault too
                    p.kill()
                    p.communicate()
                    results[rel] = (None, "hung for 120 s")
            landed = {rel for rel, (rc, _) in results.items() if rc == 0}
            refused = {rel for rel, (rc, last) in results.items() if rc == 18 and last == "result 180"}
            expected = (h.old[0] | {(rel, h.writer_crc[rel]) for rel in landed}, h.old[1])
            problems, _ = h.check(folder, (expected,), WRITER_FILES)
            if landed | refused != set(results):
                problems.insert(0, "a writer neither succeeded nor returned 180")
            if not landed:
                problems.insert(0, "both writers refused: one of them should have held the archive")
            key = ", ".join(f"{os.path.basename(r)}: {results[r][1]}" for r in sorted(results))
            outcomes[key] = outcomes.get(key, 0) + 1
            kept = h.done_with(folder, bool(problems))
            if problems:
                failures.append(f"two writers {label}: {key}{kept}\n      " + "\n      ".join(problems))
            else:
                passed += 1
        print(f"two writers {label}: " + "; ".join(f"{n}x [{k}]" for k, n in outcomes.items()))
    return passed


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description="Kill the engine mid-change and check what is left.")
    ap.add_argument("--bin", default=os.path.join(root, "build", "bin"), help="folder with zipeng and unzeng")
    ap.add_argument("--rounds", type=int, default=200, help="kills that land mid-operation (default 200)")
    ap.add_argument("--tries", type=int, default=10, help="two-writer tries, with and without -g (default 10)")
    ap.add_argument("--quick", action="store_true", help="about 30 kills and 2 writer tries")
    ap.add_argument("--seed", type=int, default=None, help="seed for the kill delays")
    ap.add_argument("--workdir", default=None, help="scratch folder (default: a new one in TMPDIR)")
    a = ap.parse_args()
    if a.quick:
        a.rounds, a.tries = 30, 2
    seed = a.seed if a.seed is not None else random.randrange(1 << 30)
    for tool in ("zipeng", "unzeng"):
        if not os.access(os.path.join(a.bin, tool), os.X_OK):
            sys.exit(f"no {tool} in {a.bin} (build the zipeng_cli and unzeng_cli targets)")
    if not shutil.which("unzip"):
        sys.exit("unzip is needed to check the archives")
    work = tempfile.mkdtemp(prefix="parcelix-crash-", dir=a.workdir)
    print(f"seed {seed}, scratch {work}")
    start = time.monotonic()
    h = Harness(os.path.abspath(a.bin), work, seed)
    h.make_inputs()
    failures = []
    passed = kill_test(h, a.rounds, failures)
    passed += writers_test(h, a.tries, failures)
    for f in failures:
        print(f"FAIL {f}")
    if failures:
        print(f"the first {KEEP_FAILED} failing folders are kept under {work}; --seed {seed} gives the same delays")
    else:
        shutil.rmtree(work)
    print(f"run time {time.monotonic() - start:.0f} s")
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
