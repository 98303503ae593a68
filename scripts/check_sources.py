#!/usr/bin/env python3
"""Checks that every C++ source, header and window layout of the tree is listed in a target.

Usage: scripts/check_sources.py BUILD_DIR...

CMake names each file explicitly, so a file that no list names is silently left out of the build
(a test that never runs, a header nobody checks). The targets' files are read from CMake's file
API in the given build folders (together they should cover every configuration that adds files:
the release build and the fuzz build); the tree's files are those git knows or would add.
Prints each file no target lists and exits 1 if there is one.
"""
import json
import os
import subprocess
import sys

EXTENSIONS = (".cpp", ".h", ".ui", ".qrc")
QUERY = os.path.join(".cmake", "api", "v1", "query", "codemodel-v2")


def request(build_dir):
    """Asks CMake for the code model at the next configuration of build_dir."""
    path = os.path.join(build_dir, QUERY)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    open(path, "a").close()


def listed_files(build_dir):
    reply = os.path.join(build_dir, ".cmake", "api", "v1", "reply")
    if not os.path.isdir(reply):
        sys.exit(f"{build_dir}: no code model; run scripts/check_sources.py --request {build_dir} "
                 "before configuring it")
    index = max(f for f in os.listdir(reply) if f.startswith("index-"))
    with open(os.path.join(reply, index)) as f:
        codemodel = json.load(f)["reply"]["codemodel-v2"]["jsonFile"]
    with open(os.path.join(reply, codemodel)) as f:
        model = json.load(f)
    source_dir = model["paths"]["source"]
    files = set()
    for configuration in model["configurations"]:
        for target in configuration["targets"]:
            with open(os.path.join(reply, target["jsonFile"])) as f:
                for source in json.load(f).get("sources", []):
                    path = source["path"]
                    if os.path.isabs(path):
                        path = os.path.relpath(path, source_dir)
                    files.add(os.path.normpath(path))
    return source_dir, files


def tree_files(source_dir):
    out = subprocess.run(["git", "-C", source_dir, "ls-files", "--cached", "--others",
                          "--exclude-standard"], check=True, capture_output=True, text=True).stdout
    return {line for line in out.splitlines()
            if line.endswith(EXTENSIONS) and os.path.exists(os.path.join(source_dir, line))}


def main():
    args = sys.argv[1:]
    if args and args[0] == "--request":
        for build_dir in args[1:]:
            request(build_dir)
        return 0
    if not args:
        sys.exit(__doc__)
    listed = set()
    source_dir = None
    for build_dir in args:
        source_dir, files = listed_files(build_dir)
        listed |= files
    missing = sorted(tree_files(source_dir) - listed)
    for path in missing:
        print(f"not listed in any CMakeLists.txt: {path}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
