#!/usr/bin/env python3
"""Scores the last position of the games in a match.py PGN that ended a given way.

For each game whose Termination is the one asked for (the 300-ply cap unless told), Fairy-Stockfish
searches the final position to a fixed depth; the line printed says which colour engine A played
(the PGN's Red tag starts with --ours) and the score from red's side. It tells a drawn ending
from a won one that the cap cut short. With --back N the position N plies before the end is scored
instead: for a game lost by a perpetual check, the position before the checks began.

  tools/final_positions.py GAMES.pgn [--termination "300 plies"] [--depth 14] [--back 0]
"""

import argparse
import re

from match import Engine, START_FEN, convert


def games(text):
    for chunk in text.split("[Event ")[1:]:
        tags = dict(re.findall(r'^\[(\w+) "(.*)"\]$', chunk, re.M))
        body = chunk.split("\n\n", 1)[1] if "\n\n" in chunk else ""
        tags["moves"] = [t for t in body.split() if re.fullmatch(r"[a-i]\d[a-i]\d", t)]
        yield tags


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("pgn")
    parser.add_argument("--termination", default="300 plies")
    parser.add_argument("--depth", type=int, default=14)
    parser.add_argument("--back", type=int, default=0)
    parser.add_argument("--ours", default="XiangqiCli")
    parser.add_argument("--fairy", default="/usr/games/fairy-stockfish")
    args = parser.parse_args()

    fairy = Engine(args.fairy, "fairy", lambda line: None)
    fairy.send("uci")
    fairy.expect(lambda l: l == "uciok", 10)
    fairy.send("setoption name UCI_Variant value xiangqi")
    for game in games(open(args.pgn, encoding="utf-8").read()):
        if game.get("Termination") != args.termination:
            continue
        played = game["moves"][: max(len(game["moves"]) - args.back, 0)]
        moves = " ".join(convert(m, 1) for m in played)
        fairy.send(f"position fen {START_FEN} moves {moves}")
        fairy.send(f"go depth {args.depth}")
        lines = fairy.expect(lambda l: l.startswith("bestmove"), 600)
        found = [re.search(r"score (cp|mate) (-?\d+)", l) for l in lines]
        kind, value = [m.groups() for m in found if m][-1]
        value = int(value) * (1 if len(played) % 2 == 0 else -1)
        ours = "red" if game.get("Red", "").startswith(args.ours) else "black"
        print(f'round {game.get("Round", "?"):>4}  ours {ours:5}  red {kind} {value:+d}')
    fairy.close()


if __name__ == "__main__":
    main()
