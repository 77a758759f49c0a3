#!/usr/bin/env python3
"""Compiles an evaluation parameter file (xiangqi-cli tune --out) in as the engine's defaults.

    tools/params_to_source.py FILE

rewrites the default values of the scalar weights in engine/eval_params.h and the piece-square
tables (middle game and endgame) in engine/eval_params.cpp. Names the file does not give keep their value. Then rebuild and
record the new bench signature (docs/engine.md).
"""
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
HEADER = ROOT / "engine" / "eval_params.h"
SOURCE = ROOT / "engine" / "eval_params.cpp"
KINDS = ["general", "advisor", "elephant", "horse", "chariot", "cannon", "soldier"]


def read_params(path):
    values = {}
    for number, line in enumerate(Path(path).read_text().splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        parts = line.split()
        if len(parts) != 2 or not re.fullmatch(r"-?\d+", parts[1]):
            sys.exit(f"{path}:{number}: expected 'name value'")
        values[parts[0]] = int(parts[1])
    return values


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    values = read_params(sys.argv[1])
    used = set()

    def scalar(match):
        name = match.group(2)
        if name not in values:
            return match.group(0)
        used.add(name)
        return f'{match.group(1)}"{name}", {values[name]},'

    header = re.sub(r'(X\(k\w+, )"([\w.]+)", -?\d+,', scalar, HEADER.read_text())
    source = SOURCE.read_text()
    # The middle game's table, then the endgame's, each a block of rows per kind.
    for prefix, table in (("psq", "kDefaultPsq"), ("psq_end", "kDefaultPsqEnd")):
        start = source.index(f"constexpr int16_t {table}[8]")
        for kind in KINDS:
            pattern = re.compile(r"    // " + kind + r"\n    \{\n(.*?)\n    \},", re.S)
            block = pattern.search(source, start)
            rows = [[int(v) for v in row.split(",") if v.strip()]
                    for row in block.group(1).split("\n")]
            for row_index, row in enumerate(rows):
                rank = 9 - row_index
                for file in range(5):
                    name = f"{prefix}.{kind}.{'abcde'[file]}{rank}"
                    if name in values:
                        row[file] = values[name]
                        used.add(name)
            text = "\n".join("        " + ", ".join(f"{v:>4}" for v in row) + "," for row in rows)
            source = source[: block.start(1)] + text + source[block.end(1) :]
    unknown = sorted(set(values) - used)
    if unknown:
        sys.exit("unknown parameters: " + " ".join(unknown))
    HEADER.write_text(header)
    SOURCE.write_text(source)
    # A changed number can change the width of its line: the project's format lines them up again.
    if shutil.which("clang-format"):
        subprocess.run(["clang-format", "-i", str(HEADER)], check=True)
    print(f"{len(used)} parameters compiled in")


if __name__ == "__main__":
    main()
