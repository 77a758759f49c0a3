#!/usr/bin/env python3
"""Nodes per second of two UCI engines on the same positions, in one run.

Both engines search every position of the engine suite (cli/engine_suite.h) to a fixed depth from
a cleared table (`ucinewgame`), the two taking turns position by position so that a change in the
machine's load falls on both alike. Nodes and time come from each search's last `info` line that
has both. A position one engine refuses is left out for both.

  python3 tools/nps_vs_fairy.py --ours "build/release/cli/xiangqi-cli uci" --depth-ours 8 \\
      --theirs /usr/games/fairy-stockfish --depth-theirs 11

Only the standard library.
"""

import argparse
import re
import shlex
import subprocess
import sys
from pathlib import Path

SUITE = Path(__file__).resolve().parent.parent / "cli" / "engine_suite.h"


def suite_fens():
    """The suite's FENs with the side letter the UCI engines read (w for red)."""
    fens = re.findall(r'^\s*"([^"]+ [wrb])",?\s*$', SUITE.read_text(), re.M)
    return [fen[:-1] + ("b" if fen.endswith("b") else "w") + " - - 0 1" for fen in fens]


class Engine:
    def __init__(self, command, setup):
        self.proc = subprocess.Popen(shlex.split(command), stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.send("uci")
        self.wait_for("uciok")
        for line in setup:
            self.send(line)
        self.send("isready")
        self.wait_for("readyok")

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def wait_for(self, word):
        lines = []
        for line in self.proc.stdout:
            lines.append(line.strip())
            if line.split() and line.split()[0] == word:
                return lines
        raise RuntimeError("the engine ended before " + word)

    def search(self, fen, depth):
        """(nodes, milliseconds) of a search to `depth`, or None when the position is refused."""
        self.send("ucinewgame")
        self.send("isready")
        self.wait_for("readyok")
        self.send("position fen " + fen)
        self.send("go depth %d" % depth)
        result = None
        for line in self.wait_for("bestmove"):
            words = line.split()
            if words and words[0] == "info" and "nodes" in words and "time" in words:
                result = (int(words[words.index("nodes") + 1]), int(words[words.index("time") + 1]))
            if words[:1] == ["bestmove"] and words[1:2] == ["(none)"]:
                return None
        return result

    def close(self):
        self.send("quit")
        self.proc.wait(timeout=10)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--ours", default="build/release/cli/xiangqi-cli uci")
    ap.add_argument("--depth-ours", type=int, default=8)
    ap.add_argument("--theirs", default="/usr/games/fairy-stockfish")
    ap.add_argument("--depth-theirs", type=int, default=11)
    args = ap.parse_args()
    ours = Engine(args.ours, ["setoption name Level value 8", "setoption name Hash value 16"])
    theirs = Engine(args.theirs, ["setoption name UCI_Variant value xiangqi",
                                  "setoption name Hash value 16", "setoption name Threads value 1"])
    totals = {"ours": [0, 0], "theirs": [0, 0]}
    used = 0
    for fen in suite_fens():
        a = ours.search(fen, args.depth_ours)
        b = theirs.search(fen, args.depth_theirs)
        if not a or not b:
            continue
        used += 1
        for name, (nodes, ms) in (("ours", a), ("theirs", b)):
            totals[name][0] += nodes
            totals[name][1] += ms
    ours.close()
    theirs.close()
    nps = {name: nodes * 1000.0 / max(ms, 1) for name, (nodes, ms) in totals.items()}
    print("positions %d" % used)
    for name in ("ours", "theirs"):
        print("%-7s nodes %d  ms %d  nps %.0f" % (name, *totals[name], nps[name]))
    print("ratio %.2f" % (nps["ours"] / max(nps["theirs"], 1)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
