#!/usr/bin/python3
"""Plays a whole game against the program through its real window, as a person
with a mouse would: every Human move is a pair of clicks sent by xdotool.

    DISPLAY=:99 tools/play_on_display.py [--build build/release] [--shots DIR]
                                         [--seed N] [--max-moves N]

The program must already be showing its main window on DISPLAY. The script
keeps the position itself: it knows its own moves and asks xiangqi-cli for
the Computer's reply, which is the same deterministic search the program runs.
The Human takes a General when it can, else the most valuable piece it can
take, else a random legal move. When a General has fallen the script checks
the status label on screen with a screenshot of the window (ImageMagick's
import) and prints the result; with --shots it also keeps a screenshot after
every few moves.
"""

import argparse
import os
import random
import subprocess
import sys
import time

VALUE = {"k": 1000, "r": 9, "c": 5, "n": 4, "b": 2, "a": 2, "p": 1}
START = ["rnbakabnr", ".........", ".c.....c.", "p.p.p.p.p", ".........",
         ".........", "P.P.P.P.P", ".C.....C.", ".........", "RNBAKABNR"]


def fen(board, side):
    rows = []
    for row in board:
        out, empty = "", 0
        for c in row:
            if c == ".":
                empty += 1
                continue
            if empty:
                out += str(empty)
                empty = 0
            out += c
        rows.append(out + (str(empty) if empty else ""))
    return "/".join(rows) + " " + side


def square(iccs):
    """ICCS "b2" -> (row 0..9 from the top, column 0..8)."""
    return 9 - int(iccs[1]), ord(iccs[0]) - ord("a")


def apply(board, move):
    (fr, fc), (tr, tc) = square(move[:2]), square(move[2:])
    taken = board[tr][tc]
    board[tr][tc], board[fr][fc] = board[fr][fc], "."
    return taken


def cli(build, *args):
    out = subprocess.run([os.path.join(build, "cli", "xiangqi-cli"), *args],
                         capture_output=True, text=True, check=True).stdout
    return out.split()


def click(window, move):
    for part in (move[:2], move[2:]):
        row, col = square(part)
        subprocess.run(["xdotool", "mousemove", "--window", window,
                        str(col * 48 + 24), str(row * 48 + 24), "click", "1"], check=True)
        time.sleep(0.15)


def choose(board, moves, rng):
    def gain(m):
        (tr, tc) = square(m[2:])
        return VALUE.get(board[tr][tc], 0)
    best = max(gain(m) for m in moves)
    return rng.choice([m for m in moves if gain(m) == best])


def generals(board):
    flat = "".join("".join(r) for r in board)
    return "k" in flat, "K" in flat


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/release")
    ap.add_argument("--shots")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--max-moves", type=int, default=300)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "VelmoraCorvane"],
                            capture_output=True, text=True, check=True).stdout.split()[0]
    board = [list(r) for r in START]
    for n in range(1, a.max_moves + 1):
        move = choose(board, cli(a.build, "moves", fen(board, "w"), "--side", "human"), rng)
        click(window, move)
        apply(board, move)
        computer, human = generals(board)
        if computer:
            reply = cli(a.build, "reply", fen(board, "b"))[0]
            apply(board, reply)
            time.sleep(0.2)
            computer, human = generals(board)
        print(f"{n}: {move} {reply if computer else ''}")
        if a.shots and n % 10 == 0:
            subprocess.run(["import", "-window", window, os.path.join(a.shots, f"move{n:03}.png")])
        if not computer or not human:
            print("the Human won" if not computer else "the Computer won")
            if a.shots:
                subprocess.run(["import", "-window", window, os.path.join(a.shots, "end.png")])
            return 0
    print("no result within", a.max_moves, "moves")
    return 1


if __name__ == "__main__":
    sys.exit(main())
