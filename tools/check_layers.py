#!/usr/bin/env python3
"""Checks that no file of ours includes a header of a library its own target does not link.

Reads the build's layers.txt (written by the top CMakeLists.txt: each target's folder, files and
links) and every quoted #include of the targets' files. A header belongs to the target of the
source file beside it with the same name; a header without one belongs to the target that has
files in its folder (the lowest of them when several share the folder). Exits 1 with one line per
breach: FILE:LINE: includes HEADER of TARGET, which TARGET' does not link.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_layers(path):
    targets = {}
    current = None
    for line in open(path, encoding="utf-8"):
        key, _, value = line.rstrip("\n").partition(" ")
        if key == "target":
            current = targets.setdefault(value, {"links": [], "files": []})
        elif key == "folder":
            current["folder"] = value
        elif key == "links":
            current["links"] = [v for v in value.split(";") if v and not v.endswith("-NOTFOUND")]
        elif key == "sources":
            for source in value.split(";"):
                if not source or source.endswith("-NOTFOUND"):
                    continue
                if not os.path.isabs(source):
                    source = os.path.join(current["folder"], source)
                current["files"].append(os.path.normpath(source))
    return targets


def closure(targets, name, seen=None):
    seen = set() if seen is None else seen
    for link in targets.get(name, {}).get("links", []):
        if link in targets and link not in seen:
            seen.add(link)
            closure(targets, link, seen)
    return seen


def main():
    layers, root = sys.argv[1], os.path.abspath(sys.argv[2])
    targets = read_layers(layers)
    owner = {}  # file -> target
    folders = {}  # folder -> targets with files there
    for name, target in targets.items():
        for source in target["files"]:
            if not source.startswith(root + os.sep):
                continue  # generated files
            owner[source] = name
            folders.setdefault(os.path.dirname(source), set()).add(name)
            stem, ext = os.path.splitext(source)
            if ext in (".cpp", ".c") and os.path.exists(stem + ".h"):
                owner[stem + ".h"] = name

    def owner_of(header):
        if header in owner:
            return owner[header]
        candidates = folders.get(os.path.dirname(header), set())
        # The lowest: the one every other candidate links.
        for name in candidates:
            if all(name == other or name in closure(targets, other) for other in candidates):
                return name
        return None

    breaches = []
    for source, name in sorted(owner.items()):
        allowed = closure(targets, name) | {name}
        text = open(source, encoding="utf-8", errors="replace").read()
        for match in INCLUDE.finditer(text):
            header = os.path.normpath(os.path.join(root, match.group(1)))
            if not os.path.exists(header):
                continue  # a generated or system header
            of = owner_of(header)
            if of is None or of in allowed:
                continue
            line = text.count("\n", 0, match.start()) + 1
            breaches.append(f"{os.path.relpath(source, root)}:{line}: includes {match.group(1)} "
                            f"of {of}, which {name} does not link")
    for breach in breaches:
        print(breach)
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
