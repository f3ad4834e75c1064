#!/usr/bin/env python3
"""The mutation list of scripts/mutate.sh: reading it, applying one entry, restoring, reporting.

An entry of tests/mutations.txt:

    == id-of-the-mutation
    file: forms/frmStatystykiMecze.cpp
    from: (Gdzie In ('D','N')) OR
    to: (Gdzie In ('D')) OR
    rule: the all-venues balance counts neutral-ground wins
    tests: test_statistics_rules test_frmStatystykiMecze
    nth: 2                      (optional: which occurrence, when the text occurs more than once)
    equivalent: why no test can tell it apart   (optional)

A value is the rest of its line after "key: "; a value between backticks keeps its leading and
trailing blanks. Any run of blanks in "from" matches any run of blanks or line breaks, so that a
reformatted line still matches. When the text is not in the named file, the other sources
(data/, forms/, tools/, app/) are searched, so that code moved to a new unit is still found; a
text found nowhere makes the mutation "not applicable".
"""

import os
import re
import sys

KEYS = ("file", "from", "to", "rule", "tests", "nth", "equivalent")
SEARCHED = ("data", "forms", "tools", "app")
SOURCE_ENDINGS = (".cpp", ".h", ".sql")


def parse(path):
    entries, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("== "):
                current = {"id": line[3:].strip(), "line": number}
                entries.append(current)
            elif not line.strip() or line.startswith("#"):
                continue
            elif current is None:
                sys.exit(f"{path}:{number}: a field before the first '== id' line")
            else:
                key, sep, value = line.partition(": ")
                if not sep or key not in KEYS:
                    sys.exit(f"{path}:{number}: expected one of {', '.join(KEYS)}")
                if len(value) >= 2 and value[0] == "`" and value[-1] == "`":
                    value = value[1:-1]
                current[key] = value
    seen = set()
    for e in entries:
        for key in ("file", "from", "to", "rule"):
            if key not in e:
                sys.exit(f"{path}:{e['line']}: mutation {e['id']} has no '{key}'")
        if e["id"] in seen:
            sys.exit(f"{path}:{e['line']}: mutation {e['id']} listed twice")
        if e["from"] == e["to"]:
            sys.exit(f"{path}:{e['line']}: mutation {e['id']} changes nothing")
        seen.add(e["id"])
    return entries


def pattern(text):
    parts = re.split(r"(\s+)", text)
    return re.compile("".join(r"\s+" if p.isspace() else re.escape(p) for p in parts if p))


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def matches(entry, root, relative):
    path = os.path.join(root, relative)
    if not os.path.isfile(path):
        return []
    return list(pattern(entry["from"]).finditer(read(path)))


def locate(entry, root):
    """(relative file, match) of the entry's text, or (None, reason)."""
    candidates = [entry["file"]]
    if not matches(entry, root, entry["file"]):
        candidates = []
        for top in SEARCHED:
            for folder, _, names in os.walk(os.path.join(root, top)):
                for name in sorted(names):
                    if name.endswith(SOURCE_ENDINGS):
                        relative = os.path.relpath(os.path.join(folder, name), root)
                        if matches(entry, root, relative):
                            candidates.append(relative)
    if not candidates:
        return None, "not found"
    if len(candidates) > 1:
        return None, "found in several files: " + ", ".join(candidates)
    found = matches(entry, root, candidates[0])
    nth = int(entry.get("nth", "0"))
    if nth == 0 and len(found) > 1:
        return None, f"{len(found)} occurrences in {candidates[0]}; say which with 'nth'"
    if nth > len(found):
        return None, f"only {len(found)} occurrences in {candidates[0]}"
    return candidates[0], found[max(nth, 1) - 1]


def by_id(entries, wanted):
    for e in entries:
        if e["id"] == wanted:
            return e
    sys.exit(f"no mutation {wanted}")


def pristine(root, relative):
    return os.path.join(os.path.dirname(root.rstrip("/")), "pristine", relative)


def main(argv):
    command, path = argv[1], argv[2]
    entries = parse(path)
    if command == "list":
        for e in entries:
            print(f"{e['id']}\t{e['file']}\t{e['rule']}")
    elif command == "ids":
        wanted = argv[3:]
        for e in entries:
            if not wanted or e["id"] in wanted:
                print(e["id"])
    elif command == "field":
        print(by_id(entries, argv[3]).get(argv[4], ""))
    elif command == "sync":
        # The files named on standard input (NUL-separated, relative to here) into the copy.
        root = argv[3]
        for relative in sys.stdin.buffer.read().split(b"\0"):
            if not relative or not os.path.isfile(relative):
                continue
            with open(relative, "rb") as f:
                data = f.read()
            target = os.path.join(root.encode(), relative)
            if os.path.isfile(target):
                with open(target, "rb") as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
            os.chmod(target, os.stat(relative).st_mode & 0o777)
    elif command == "check":
        # Ambiguous entries are mistakes of the list: stop before building anything.
        bad = []
        for e in entries:
            relative, found = locate(e, argv[3])
            if relative is None and found != "not found":
                bad.append(f"{e['id']}: {found}")
        if bad:
            sys.exit("Ambiguous mutations:\n  " + "\n  ".join(bad))
    elif command == "apply":
        e, root = by_id(entries, argv[3]), argv[4]
        relative, found = locate(e, root)
        if relative is None:
            return 1
        text = read(os.path.join(root, relative))
        keep = pristine(root, relative)
        os.makedirs(os.path.dirname(keep), exist_ok=True)
        with open(keep, "w", encoding="utf-8") as f:
            f.write(text)
        with open(os.path.join(root, relative), "w", encoding="utf-8") as f:
            f.write(text[: found.start()] + e["to"] + text[found.end():])
        print(relative)
    elif command == "restore":
        root, relative = argv[4], argv[5]
        keep = pristine(root, relative)
        with open(os.path.join(root, relative), "w", encoding="utf-8") as f:
            f.write(read(keep))
        os.remove(keep)
    elif command == "report":
        rows = {}
        with open(argv[3], encoding="utf-8") as f:
            for line in f:
                cells = line.rstrip("\n").split("\t")
                rows[cells[0]] = cells
        counts = {}
        print("| Mutation | File | Rule it breaks | Result | Caught by / why equivalent |")
        print("|---|---|---|---|---|")
        for e in entries:
            if e["id"] not in rows:
                continue
            _, where, status, detail = (rows[e["id"]] + ["", "", ""])[:4]
            counts[status] = counts.get(status, 0) + 1
            cell = lambda s: s.replace("|", "\\|")
            print(f"| {e['id']} | {where} | {cell(e['rule'])} | {status} | {cell(detail)} |")
        print()
        print(", ".join(f"{n} {s}" for s, n in sorted(counts.items())))
    else:
        sys.exit(f"unknown command {command}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
