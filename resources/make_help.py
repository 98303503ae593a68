#!/usr/bin/env python3
"""Builds the help file Parcelix.hlp from the topic sources in resources/help/, or checks one.

  make_help.py build SOURCE_DIR OUTPUT [--require N ...]
  make_help.py check HELP_FILE --require N ... [--scan DIR ...]

--scan adds every help context that a window layout (*.ui) under DIR names, so a menu item or
dialog given a new number cannot go without its topic.

Each topic source is an HTML file that starts with a header comment:

  <!-- context: 1001
       title: Adding files to an archive
       keywords: Add; adding files; Ctrl+A
  -->

contents.txt gives the contents tree: a line of text is a book, a line holding a number is the
page of that topic; two blanks of indentation per level. Lines starting with "//" are notes.
The format of the output is described in platform/help_file.h.
"""
import argparse
import glob
import os
import re
import sys

MAGIC = "#PARCELIX-HELP 1"
HEADER = re.compile(r"\A\s*<!--(.*?)-->\s*\n?", re.S)


class HelpError(Exception):
    pass


def read_topic(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    m = HEADER.match(text)
    if not m:
        raise HelpError(f"{path}: no header comment")
    fields = {}
    for line in m.group(1).splitlines():
        if ":" in line:
            key, value = line.split(":", 1)
            fields[key.strip().lower()] = value.strip()
    try:
        context = int(fields["context"])
    except (KeyError, ValueError):
        raise HelpError(f"{path}: no valid 'context:' in the header")
    title = fields.get("title", "")
    if not title:
        raise HelpError(f"{path}: no 'title:' in the header")
    keywords = [k.strip() for k in fields.get("keywords", "").split(";") if k.strip()]
    body = text[m.end():].rstrip("\n")
    for keyword in keywords:
        if "\t" in keyword:
            raise HelpError(f"{path}: a keyword holds a tab")
    return {"context": context, "title": title, "keywords": keywords, "body": body, "path": path}


def read_contents(path, topics):
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("//"):
                continue
            indent = len(line) - len(line.lstrip(" "))
            if indent % 2:
                raise HelpError(f"{path}:{number}: indentation must be a multiple of two blanks")
            level = indent // 2 + 1
            previous = entries[-1][0] if entries else 0
            if level > previous + 1:
                raise HelpError(f"{path}:{number}: indented more than one level")
            item = line.strip()
            if item.isdigit():
                context = int(item)
                if context not in topics:
                    raise HelpError(f"{path}:{number}: no topic {context}")
                entries.append((level, context, topics[context]["title"]))
            else:
                entries.append((level, 0, item))
    return entries


def build(source_dir, output, required):
    topics = {}
    for path in sorted(glob.glob(os.path.join(source_dir, "*.html"))):
        topic = read_topic(path)
        if topic["context"] in topics:
            raise HelpError(f"{path}: topic {topic['context']} is also in {topics[topic['context']]['path']}")
        topics[topic["context"]] = topic
    missing = sorted(set(required) - set(topics))
    if missing:
        raise HelpError("no topic for " + ", ".join(map(str, missing)))
    contents = read_contents(os.path.join(source_dir, "contents.txt"), topics)
    listed = {c for _, c, _ in contents}
    unlisted = sorted(set(topics) - listed)
    if unlisted:
        raise HelpError("topics not in contents.txt: " + ", ".join(map(str, unlisted)))

    index = {}
    for context in sorted(topics):
        for keyword in topics[context]["keywords"]:
            key = keyword.casefold()
            spelled, contexts = index.setdefault(key, (keyword, []))
            if context not in contexts:
                contexts.append(context)

    out = [MAGIC, "#TITLE Parcelix Help", "", "#CONTENTS"]
    out += [f"{level}\t{context}\t{title}" for level, context, title in contents]
    out += ["", "#INDEX"]
    for key in sorted(index):
        spelled, contexts = index[key]
        out.append(spelled + "\t" + " ".join(map(str, contexts)))
    for context in sorted(topics):
        t = topics[context]
        out += ["", f"#TOPIC {context}", f"#TITLE {t['title']}", "#KEYWORDS " + "; ".join(t["keywords"])]
        # A body line that starts with "#" gets one more, so it is never read as a directive.
        out += [("#" + line) if line.startswith("#") else line for line in t["body"].split("\n")]
        out.append("#END")
    text = "\n".join(out) + "\n"

    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    temporary = output + ".tmp"
    with open(temporary, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(temporary, output)


def check(help_file, required):
    """An independent reading of the built file: every required number has a topic with a title
    and a body, every contents page and index entry points at a topic that exists."""
    with open(help_file, encoding="utf-8") as f:
        lines = f.read().split("\n")
    problems = []
    if not lines or lines[0] != MAGIC:
        return [f"{help_file}: not a Parcelix help file"]
    topics, references = {}, []
    section, current = None, None
    for line in lines[1:]:
        if current is not None:
            if line == "#END":
                topics[current["context"]] = current
                current = None
            elif line.startswith("#TITLE ") and not current["title"]:
                current["title"] = line[7:].strip()
            elif not line.startswith("#") or line.startswith("##"):
                current["body"] += line
            continue
        if line.startswith("#TOPIC "):
            current = {"context": int(line[7:]), "title": "", "body": ""}
        elif line in ("#CONTENTS", "#INDEX"):
            section = line
        elif line and not line.startswith("#"):
            if section == "#CONTENTS":
                references += [int(line.split("\t")[1])]
            elif section == "#INDEX":
                references += [int(n) for n in line.rsplit("\t", 1)[1].split()]
    if current is not None:
        problems.append(f"topic {current['context']} has no end")
    for number in required:
        topic = topics.get(number)
        if topic is None:
            problems.append(f"no topic {number}")
        elif not topic["title"] or len(re.sub(r"<[^>]*>", "", topic["body"]).strip()) < 200:
            problems.append(f"topic {number} has no title or almost no text")
    for number in sorted(set(references) - {0} - set(topics)):
        problems.append(f"contents or index points at missing topic {number}")
    return problems


UI_HELP_CONTEXT = re.compile(r'<property\s+name="helpContext"[^>]*>\s*<number>(\d+)</number>')


def scan_layouts(directories):
    found = set()
    for directory in directories:
        for path in glob.glob(os.path.join(directory, "**", "*.ui"), recursive=True):
            with open(path, encoding="utf-8") as f:
                found.update(int(n) for n in UI_HELP_CONTEXT.findall(f.read()))
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    b = sub.add_parser("build")
    b.add_argument("source_dir")
    b.add_argument("output")
    b.add_argument("--require", type=int, nargs="*", default=[])
    c = sub.add_parser("check")
    c.add_argument("help_file")
    c.add_argument("--require", type=int, nargs="*", default=[])
    c.add_argument("--scan", nargs="*", default=[])
    args = parser.parse_args()
    try:
        if args.command == "build":
            build(args.source_dir, args.output, args.require)
            return 0
        required = sorted(set(args.require) | scan_layouts(args.scan))
        problems = check(args.help_file, required)
    except (HelpError, OSError, ValueError) as e:
        print(f"make_help: {e}", file=sys.stderr)
        return 1
    for p in problems:
        print(f"make_help: {p}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
