#!/usr/bin/env python3
"""Plays xiangqi matches between two engines over UCI or UCCI, with Fairy-Stockfish as referee.

Engine A is usually ours (`xiangqi-cli uci`), engine B Fairy-Stockfish, Sjaak II or ours at
another level. Every game starts from an opening of the book (tools/openings.txt, balanced starts
made by `xiangqi-cli openings`), drawn afresh for each run unless --seed is given, each opening
played twice with the colours swapped. A separate Fairy-Stockfish process keeps the score of the
game: it lists the legal moves of every position (`go perft 1`) and says whether the side to move
is in check (`d`).

Adjudication:
  * an illegal move, no move at all ("bestmove (none)" while moves exist) or no answer in time
    loses, and is counted;
  * a side to move without a legal move (mate or stalemate) loses;
  * the third occurrence of a position is a draw, unless one side gave check with every one of
    its moves since the position first stood on the board and the other did not: that side
    loses (perpetual check); or, failing that, one side chased with every one of its moves and
    the other did not: that side loses (perpetual chase). Chases are judged by
    `xiangqi-cli enginejudge` (--judge); without it only checks are. When an engine does not
    know the chasing rule (--chase-rule-a/-b; Fairy-Stockfish and Sjaak II do not) a chase is a
    draw, and the chases are counted apart;
  * 100 plies without a capture is a draw when either engine plays by that rule (Fairy-Stockfish
    does), 120 (the Chinese rules' 60 moves) otherwise (--no-capture-plies);
  * --max-plies plies without a result is a draw.
An engine that offers the choices (ours: ChaseRule, NoCaptureDraw) is told these rules, and plays
by them.

Squares: our engine speaks ICCS (ranks 0..9); Fairy-Stockfish and Sjaak II number the ranks
1..10, and the tool translates (see --notation-a/--notation-b).

Only the standard library; Python 3.8 or later.
"""

import argparse
import math
import os
import queue
import random
import re
import shlex
import signal
import subprocess
import sys
import threading
import time

START_FEN = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"

# Short openings in ICCS (ranks 0..9), each played with both colours. The referee checks them
# once at the start; one it finds illegal is left out with a warning.
OPENINGS = [
    "h2e2 h9g7", "h2e2 b9c7", "h2e2 h7e7", "h2e2 b7e7", "h2e2 c6c5",
    "b2e2 h9g7", "c3c4 g6g5", "c3c4 h9g7", "g3g4 c6c5", "g3g4 b9c7",
    "b0c2 h9g7", "h0g2 b9c7", "c0e2 h7e7", "g0e2 h9g7", "b2d2 h9g7",
    "h2f2 b9c7", "e3e4 h9g7", "h2d2 c6c5", "b2f2 b9c7", "i0i1 h9g7",
    "h2e2 h9g7 h0g2 i9h9", "h2e2 h9g7 h0g2 g6g5", "h2e2 b9c7 h0g2 a9b9",
    "h2e2 h7e7 h0g2 h9g7", "h2e2 b7e7 h0g2 b9c7", "c3c4 b9c7 b0c2 h9g7",
    "g3g4 h9g7 h0g2 b9c7", "b0c2 b9c7 h0g2 h9g7", "c0e2 c6c5 b0c2 b9c7",
    "h2e2 c6c5 h0g2 b9c7", "b2e2 b9c7 b0c2 a9b9", "h2e2 h9g7 h0g2 b9c7",
]

BOOK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "openings.txt")

MOVE_RE = re.compile(r"^([a-i])(\d{1,2})([a-i])(\d{1,2})$")


def convert(move, offset):
    """Shifts the ranks of a coordinate move by `offset` (+1: ICCS to 1..10, -1: back)."""
    m = MOVE_RE.match(move)
    if not m:
        return None
    a, r1, b, r2 = m.groups()
    r1, r2 = int(r1) + offset, int(r2) + offset
    low = 0 if offset <= 0 else 1
    if not (low <= r1 <= low + 9 and low <= r2 <= low + 9):
        return None
    return f"{a}{r1}{b}{r2}"


class EngineError(Exception):
    pass


class Engine:
    """One engine process: lines in, lines out, read on a thread so that waits can time out."""

    def __init__(self, command, label, log):
        self.label = label
        self.log = log
        self.proc = subprocess.Popen(
            shlex.split(command), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)

    def send(self, line):
        self.log(f"{self.label} < {line}")
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError) as e:
            raise EngineError(f"{self.label} is gone ({e})")

    def expect(self, predicate, timeout):
        """Lines up to and including the first that satisfies `predicate`."""
        deadline = time.monotonic() + timeout
        seen = []
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise EngineError(f"{self.label}: no answer within {timeout:.1f} s")
            try:
                line = self.lines.get(timeout=left)
            except queue.Empty:
                continue
            if line is None:
                raise EngineError(f"{self.label} ended")
            self.log(f"{self.label} > {line}")
            seen.append(line)
            if predicate(line):
                return seen

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=3)
        except Exception:
            self.proc.kill()
            self.proc.wait()


class Player:
    """An engine as a player: its protocol, its notation, its options and its search limit."""

    def __init__(self, command, label, log, protocol, notation, level, skill, go_words,
                 options=()):
        self.command = command
        self.label = label
        self.protocol = protocol
        self.go_words = go_words
        self.engine = Engine(command, label, log)
        if protocol == "ucci":
            self.engine.send("ucci")
            lines = self.engine.expect(lambda l: l == "ucciok", 10)
            self.engine.send("setoption usemillisec true")
            if level is not None:
                self.engine.send(f"setoption level {level}")
        else:
            self.engine.send("uci")
            lines = self.engine.expect(lambda l: l == "uciok", 10)
            if any(l.startswith("option name UCI_Variant") for l in lines):
                self.engine.send("setoption name UCI_Variant value xiangqi")
            if level is not None:
                self.engine.send(f"setoption name Level value {level}")
            if skill is not None:
                self.engine.send(f"setoption name Skill Level value {skill}")
        self.options = [l for l in lines if l.startswith("option ")]
        for name, value in options:
            self.set_option(name, value)
        name = next((l[8:] for l in lines if l.startswith("id name ")), command)
        self.name = name
        if notation == "auto":
            one_based = re.search(r"fairy|sjaak", name, re.I) is not None
            notation = "1-10" if one_based else "0-9"
        self.offset = 1 if notation == "1-10" else 0
        self.ready()

    def tell_rules(self, chase_rule, no_capture_plies):
        """Tells an engine that offers the choices (ours: ChaseRule, NoCaptureDraw) by which rules
        this match is judged, so that it neither plays for a win the judge will not give nor
        refuses a draw the judge would. Returns the rules it was told."""
        told = []
        for name, value, shown in (("ChaseRule", "false" if not chase_rule else None,
                                    "a perpetual chase is a draw"),
                                   ("NoCaptureDraw", no_capture_plies or None,
                                    f"{no_capture_plies} plies without a capture draw")):
            if value is not None and self.offers(name):
                self.set_option(name, value)
                told.append(shown)
        self.ready()
        return told

    def offers(self, name):
        """Whether the engine listed the option in its greeting (UCCI names it in lower case)."""
        head = f"option {name.lower()} " if self.protocol == "ucci" else f"option name {name} "
        return any(o.startswith(head) for o in self.options)

    def set_option(self, name, value):
        self.engine.send(f"setoption {name.lower()} {value}" if self.protocol == "ucci" else
                         f"setoption name {name} value {value}")

    def ready(self):
        self.engine.send("isready")
        self.engine.expect(lambda l: l == "readyok", 30)

    def new_game(self):
        if self.protocol == "uci":
            self.engine.send("ucinewgame")
        else:
            self.engine.send("setoption newgame")
        self.ready()

    def clock_words(self, clocks, increment, red_to_move):
        """The go words of a clock: ours and the opponent's time left, and the increment (ms)."""
        own, other = (clocks[0], clocks[1]) if red_to_move else (clocks[1], clocks[0])
        own, other = max(int(own), 1), max(int(other), 1)
        if self.protocol == "ucci":
            return f"time {own} increment {increment} opptime {other} oppincrement {increment}"
        w, b = (own, other) if red_to_move else (other, own)
        return f"wtime {w} btime {b} winc {increment} binc {increment}"

    def think(self, moves, timeout, go_words=None):
        """The engine's move in ICCS, or None for "no move"; EngineError when it fails to answer."""
        own = [convert(m, self.offset) for m in moves]
        tail = (" moves " + " ".join(own)) if own else ""
        # startpos, not a FEN: Sjaak II writes the xiangqi pieces with letters of its own.
        self.engine.send(f"position startpos{tail}")
        words = self.go_words if go_words is None else go_words
        self.engine.send("go" + (" " + words if words else ""))
        done = self.engine.expect(
            lambda l: l.startswith("bestmove") or l.startswith("nobestmove"), timeout)
        words = done[-1].split()
        if words[0] == "nobestmove" or len(words) < 2 or words[1] in ("(none)", "0000"):
            return None
        back = convert(words[1], -self.offset)
        return back if back is not None else "?" + words[1]


class Referee:
    """Fairy-Stockfish as the keeper of the rules."""

    def __init__(self, command, log):
        self.engine = Engine(command, "referee", log)
        self.engine.send("uci")
        self.engine.expect(lambda l: l == "uciok", 10)
        self.engine.send("setoption name UCI_Variant value xiangqi")
        self.engine.send("isready")
        self.engine.expect(lambda l: l == "readyok", 30)

    def judge(self, moves):
        """(legal moves in ICCS, side to move in check, position key) after `moves`."""
        tail = (" moves " + " ".join(convert(m, 1) for m in moves)) if moves else ""
        self.engine.send(f"position fen {START_FEN}{tail}")
        self.engine.send("d")
        shown = self.engine.expect(lambda l: l.startswith("Checkers:"), 10)
        fen = next((l[5:] for l in shown if l.startswith("Fen: ")), "")
        check = shown[-1][len("Checkers:"):].strip() != ""
        self.engine.send("go perft 1")
        listed = self.engine.expect(lambda l: l.startswith("Nodes searched"), 30)
        legal = set()
        for line in listed:
            if ":" in line and not line.startswith("Nodes"):
                move = convert(line.split(":")[0].strip(), -1)
                if move:
                    legal.add(move)
        # The board and the side to move make the key; the move counters do not.
        key = " ".join(fen.split()[:2])
        if len(moves) != 0 and fen == "":
            raise EngineError("referee printed no FEN")
        return legal, check, key

    def close(self):
        self.engine.close()


def judge_repetition(judge, moves):
    """Our engine's verdict on a repeated position: (result from red's view, reason) or None."""
    try:
        out = subprocess.run(shlex.split(judge) + ["enginejudge", START_FEN] + moves,
                             capture_output=True, text=True, timeout=30).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return None
    if out == "draw":
        return 0.5, "threefold repetition"
    m = re.fullmatch(r"(red|black) wins: (perpetual \w+ by \w+)", out)
    if not m:
        return None
    return (1.0 if m.group(1) == "red" else 0.0), m.group(2)


def pieces(key):
    """The number of pieces on the board of a position key."""
    return sum(ch.isalpha() for ch in key.split()[0])


CHASE_NOT_APPLIED = "not applied"


def play_game(red, black, referee, opening, max_plies, timeout_for, clock=None, judge=None,
              chase_rule=True, no_capture_plies=0):
    """Plays one game; returns (result from red's view 1/0.5/0, reason, moves).

    With `clock` (base ms, increment ms) each side has a clock: the time from "go" to its
    "bestmove" is taken from it, the increment added after the move, and a side whose clock falls
    below zero loses on time. Without `chase_rule` a perpetual chase is a draw, its reason ending
    in CHASE_NOT_APPLIED; `no_capture_plies` (0: none) plies without a capture are a draw."""
    moves = []
    clocks = [clock[0], clock[0]] if clock else None
    checks = []  # checks[i]: move i gave check
    players = (red, black)
    legal, in_check, key = referee.judge(moves)
    seen = {key: [0]}
    count, quiet = pieces(key), 0  # plies since the last capture
    for m in opening.split():
        if m not in legal:
            raise EngineError(f"opening move {m} is illegal")
        moves.append(m)
        legal, in_check, key = referee.judge(moves)
        checks.append(in_check)
        seen.setdefault(key, []).append(len(moves))
        quiet = 0 if pieces(key) < count else quiet + 1
        count = pieces(key)
    while True:
        mover = len(moves) % 2  # 0 red, 1 black
        if not legal:
            return (0.0 if mover == 0 else 1.0), ("mate" if in_check else "stalemate"), moves
        if no_capture_plies and quiet >= no_capture_plies:
            return 0.5, f"{no_capture_plies} plies without a capture", moves
        if len(moves) >= max_plies:
            return 0.5, f"{max_plies} plies", moves
        player = players[mover]
        try:
            if clocks:
                started = time.monotonic()
                words = player.clock_words(clocks, clock[1], mover == 0)
                move = player.think(moves, clocks[mover] / 1000.0 + 10.0, words)
                clocks[mover] -= (time.monotonic() - started) * 1000.0
                if clocks[mover] < 0:
                    return (0.0 if mover == 0 else 1.0), f"{player.label} lost on time", moves
                clocks[mover] += clock[1]
            else:
                move = player.think(moves, timeout_for(player))
        except EngineError as e:
            return (0.0 if mover == 0 else 1.0), f"{player.label} failed: {e}", moves
        if move is None:
            return (0.0 if mover == 0 else 1.0), f"{player.label} gave no move", moves
        if move not in legal:
            return (0.0 if mover == 0 else 1.0), f"illegal move {move} by {player.label}", moves
        moves.append(move)
        legal, in_check, key = referee.judge(moves)
        checks.append(in_check)
        quiet = 0 if pieces(key) < count else quiet + 1
        count = pieces(key)
        occurrences = seen.setdefault(key, [])
        occurrences.append(len(moves))
        if len(occurrences) >= 3:
            verdict = judge_repetition(judge, moves) if judge else None
            if verdict and "chase" in verdict[1] and not chase_rule:
                return 0.5, f"{verdict[1]}, {CHASE_NOT_APPLIED}", moves
            if verdict:
                return verdict[0], verdict[1], moves
            # Moves made since the position first stood: index i is ply i+1.
            span = range(occurrences[0], len(moves))
            red_checked = all(checks[i] for i in span if i % 2 == 0)
            black_checked = all(checks[i] for i in span if i % 2 == 1)
            if red_checked and not black_checked:
                return 0.0, "perpetual check by red", moves
            if black_checked and not red_checked:
                return 1.0, "perpetual check by black", moves
            return 0.5, "threefold repetition", moves


def extend_opening(referee, opening, plies, seed):
    """`opening` with `plies` more quiet moves drawn from `seed`: varied starts for long matches
    between engines that would otherwise play the same game again from the same opening."""
    played = opening.split()
    rng = random.Random(seed)
    for _ in range(plies):
        legal, _, key = referee.judge(played)
        occupied = set()
        for row, text in enumerate(key.split()[0].split("/")):
            file = 0
            for ch in text:
                if ch.isdigit():
                    file += int(ch)
                else:
                    occupied.add(f"{'abcdefghi'[file]}{9 - row}")
                    file += 1
        quiet = sorted(m for m in legal if m[2:] not in occupied)
        if not quiet:
            break
        played.append(rng.choice(quiet))
    return " ".join(played)


def read_book(path):
    """The openings of a book: one line of ICCS moves each; '#' lines and blank lines skipped."""
    with open(path, encoding="utf-8") as f:
        lines = [l.split("#")[0].strip() for l in f]
    return [l for l in lines if l]


def ending(reason):
    """The kind of ending a reason tells, for the summary."""
    for kind in ("illegal", "failed", "gave no move", "on time", CHASE_NOT_APPLIED,
                 "perpetual check", "perpetual chase", "without a capture", "plies", "stalemate",
                 "mate", "repetition"):
        if kind in reason:
            return {"illegal": "illegal move", "failed": "engine failure",
                    "gave no move": "engine failure", "on time": "loss on time",
                    CHASE_NOT_APPLIED: "chase, scored as a draw",
                    "without a capture": "no capture", "plies": "ply cap"}.get(kind, kind)
    return reason


def endings_text(endings):
    """'mate 30/12, ...': per kind of ending, A's wins / B's wins (/ draws when there are)."""
    parts = []
    for kind, (a, b, d) in sorted(endings.items(), key=lambda kv: -sum(kv[1])):
        if kind == "chase, scored as a draw":
            parts.append(f"{kind} {a}/{b} (would-be wins of A/B)")
        elif a or b:
            parts.append(f"{kind} {a}/{b}" + (f"/{d}" if d else ""))
        else:
            parts.append(f"{kind} {d}")
    return "endings (A's wins/B's wins): " + ", ".join(parts)


def sprt_llr(wins, draws, losses, elo0, elo1):
    """The log-likelihood ratio of elo1 against elo0 given the games so far (the normal
    approximation of the generalised SPRT over per-game scores)."""
    n = wins + draws + losses
    if n == 0:
        return 0.0
    m = (wins + 0.5 * draws) / n
    var = (wins * (1 - m) ** 2 + draws * (0.5 - m) ** 2 + losses * m ** 2) / n
    if var <= 0:
        return 0.0
    s0, s1 = (1 / (1 + 10 ** (-e / 400)) for e in (elo0, elo1))
    return n * (s1 - s0) * (2 * m - s0 - s1) / (2 * var)


def summary(wins, draws, losses):
    n = wins + draws + losses
    if n == 0:
        return "no games"
    s = (wins + 0.5 * draws) / n
    var = (wins * (1 - s) ** 2 + draws * (0.5 - s) ** 2 + losses * (0 - s) ** 2) / n
    stderr = math.sqrt(var / n)
    lo, hi = s - 1.96 * stderr, s + 1.96 * stderr

    def to_elo(p):
        return -400.0 * math.log10(1.0 / p - 1.0)

    def bound(p):
        if p <= 0:
            return "-inf"
        if p >= 1:
            return "+inf"
        return f"{int(round(to_elo(p))):+d}"

    if s <= 0 or s >= 1:
        # No spread to measure: every game went one way. The exact one-sided binomial bound
        # (a win rate below 0.05^(1/n) would give n wins in a row less than 5 % of the time).
        edge = 0.05 ** (1.0 / n)
        elo_text = (f"-inf (every game lost; 95 % upper bound {bound(1 - edge)})" if s <= 0 else
                    f"+inf (every game won; 95 % lower bound {bound(edge)})")
    else:
        # The interval is not symmetric in Elo; both ends are given.
        elo_text = f"{bound(s)} (95 % interval {bound(lo)} to {bound(hi)})"
    return (f"score {wins + 0.5 * draws:g}/{n} ({100 * s:.1f} %), W/D/L {wins}/{draws}/{losses}, "
            f"games {n}, Elo difference {elo_text}")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--engine-a", default="build/rel/cli/xiangqi-cli uci",
                    help="command of engine A (default: %(default)s)")
    ap.add_argument("--engine-b", default="/usr/games/fairy-stockfish",
                    help="command of engine B (default: %(default)s)")
    ap.add_argument("--protocol-a", choices=["uci", "ucci"], default=None,
                    help="uci or ucci (default: ucci when the command ends in 'ucci', else uci)")
    ap.add_argument("--protocol-b", choices=["uci", "ucci"], default=None)
    ap.add_argument("--notation-a", choices=["auto", "0-9", "1-10"], default="auto",
                    help="rank numbers of the engine's moves (auto: 1-10 for Fairy-Stockfish "
                         "and Sjaak II, else 0-9)")
    ap.add_argument("--notation-b", choices=["auto", "0-9", "1-10"], default="auto")
    ap.add_argument("--level-a", type=int, help="our engine's Level option (1..8)")
    ap.add_argument("--level-b", type=int)
    ap.add_argument("--skill-a", type=int, help="Fairy-Stockfish 'Skill Level' (-20..20)")
    ap.add_argument("--skill-b", type=int)
    ap.add_argument("--option-a", action="append", default=[], metavar="NAME=VALUE",
                    help="an engine option for A, sent after its level (repeatable), e.g. "
                         "'Move Overhead=0'")
    ap.add_argument("--option-b", action="append", default=[], metavar="NAME=VALUE")
    ap.add_argument("--tc", type=int, default=200, help="milliseconds per move (default 200)")
    ap.add_argument("--clock", default=None,
                    help="a clock for both sides instead of a time per move: BASE+INC in ms, "
                         "e.g. 10000+100 for 10 s + 0.1 s a move; a side that runs out loses")
    ap.add_argument("--limit-a", default=None,
                    help="words after 'go' for A instead of 'movetime TC', e.g. 'nodes 20000'; "
                         "'' for a bare go (our engine then uses its level's own limits)")
    ap.add_argument("--limit-b", default=None)
    ap.add_argument("--games", type=int, default=0,
                    help="number of games (default: 100 from a book, every opening with both "
                         "colours from the built-in list)")
    ap.add_argument("--openings", default=BOOK,
                    help="a book of openings, one line of ICCS moves each, played in an order "
                         "drawn from --seed (default: %(default)s); 'builtin' for the 32 short "
                         "openings of the tool, in their order")
    ap.add_argument("--seed", type=int, default=None,
                    help="the seed of the book's order and of --random-plies (default: a new "
                         "one each run, printed, so that a run can be repeated or continued)")
    ap.add_argument("--chase-rule-a", choices=["auto", "yes", "no"], default="auto",
                    help="whether engine A knows the chasing rule (auto: only our own engine, "
                         "XiangqiCli, does); when either does not, a perpetual chase is a draw")
    ap.add_argument("--chase-rule-b", choices=["auto", "yes", "no"], default="auto")
    ap.add_argument("--no-capture-plies", type=int, default=None,
                    help="plies without a capture that draw (default: 100 when either engine is "
                         "Fairy-Stockfish, which plays by that rule, else 120; 0 for none)")
    ap.add_argument("--first-game", type=int, default=1,
                    help="start the series at this game number, to continue an earlier run "
                         "with the next openings (default 1)")
    ap.add_argument("--random-plies", type=int, default=0,
                    help="after the opening, this many quiet moves drawn at random (the same for "
                         "both games of a pair), so that openings do not repeat over long matches")
    ap.add_argument("--sprt", default=None, metavar="ELO0,ELO1",
                    help="stop once a sequential test (alpha = beta = 0.05) accepts that A is "
                         "ELO1 or ELO0 better than B, e.g. 0,10")
    ap.add_argument("--concurrency", type=int, default=1, help="games at once (default 1)")
    ap.add_argument("--max-plies", type=int, default=300)
    ap.add_argument("--referee", default="/usr/games/fairy-stockfish")
    ap.add_argument("--judge", default=None,
                    help="xiangqi-cli, whose 'enginejudge' judges repetitions with the chase "
                         "rule (default: engine A's program when it is xiangqi-cli; 'none' for "
                         "checks only)")
    ap.add_argument("--pgn", help="write the games here")
    ap.add_argument("--log", help="write every line sent and received here")
    args = ap.parse_args()

    log_lock = threading.Lock()
    log_file = open(args.log, "w") if args.log else None

    def log(line):
        if log_file:
            with log_lock:
                log_file.write(f"{time.monotonic():.3f} {line}\n")

    def protocol_of(command, given):
        if given:
            return given
        return "ucci" if command.split()[-1] == "ucci" else "uci"

    def go_words(limit, protocol):
        if limit is not None:
            return limit
        if protocol == "ucci":
            return f"time {args.tc} movestogo 1"
        return f"movetime {args.tc}"

    def named_options(given, flag):
        pairs = []
        for text in given:
            name, sep, value = text.partition("=")
            if not sep or not name.strip():
                ap.error(f"{flag} takes NAME=VALUE, not '{text}'")
            pairs.append((name.strip(), value.strip()))
        return pairs
    options_a = named_options(args.option_a, "--option-a")
    options_b = named_options(args.option_b, "--option-b")

    def make_players():
        pa = protocol_of(args.engine_a, args.protocol_a)
        pb = protocol_of(args.engine_b, args.protocol_b)
        a = Player(args.engine_a, "A", log, pa, args.notation_a, args.level_a, args.skill_a,
                   go_words(args.limit_a, pa), options_a)
        b = Player(args.engine_b, "B", log, pb, args.notation_b, args.level_b, args.skill_b,
                   go_words(args.limit_b, pb), options_b)
        return a, b

    def timeout_for(player):
        # A generous bound: a bare go or a node limit gets 60 s, a move time ten times its length.
        m = re.search(r"(?:movetime|time) (\d+)", player.go_words)
        return max(10.0, 10 * int(m.group(1)) / 1000.0) if m else 60.0

    def pair(text, pattern, kind, usage):
        m = re.fullmatch(pattern, text)
        if not m:
            ap.error(usage)
        return kind(m.group(1)), kind(m.group(2))

    clock = None
    if args.clock:
        clock = pair(args.clock, r"(\d+)\+(\d+)", int,
                     "--clock is BASE+INC in milliseconds, e.g. 10000+100")

    judge = args.judge
    if judge is None:
        first = shlex.split(args.engine_a)[0]
        judge = first if first.endswith("xiangqi-cli") else None
    elif judge == "none":
        judge = None

    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1, 10 ** 9)
    builtin = args.openings == "builtin"
    book = OPENINGS if builtin else read_book(args.openings)
    total = args.games or (2 * len(book) if builtin else 100)
    first_pair = (args.first_game - 1) // 2
    pairs = range(first_pair, (args.first_game - 1 + total + 1) // 2)
    if not builtin:  # the book in an order of the seed's
        book = book[:]
        random.Random(seed).shuffle(book)
    referee = Referee(args.referee, log)
    openings = {}  # pair number -> its opening, checked by the referee
    for p in pairs:
        line = book[p % len(book)]
        played = []
        for m in line.split():
            legal, _, _ = referee.judge(played)
            if m not in legal:
                print(f"warning: opening '{line}' is illegal at {m}; left out", file=sys.stderr)
                break
            played.append(m)
        else:
            openings[p] = (extend_opening(referee, line, args.random_plies, f"{seed}-{p}")
                           if args.random_plies > 0 else line)
    referee.close()
    print(f"openings: {'the built-in list' if builtin else args.openings}, seed {seed}",
          flush=True)
    sprt = pair(args.sprt, r"(-?[\d.]+),(-?[\d.]+)", float,
                "--sprt is ELO0,ELO1, e.g. 0,10") if args.sprt else None
    llr_bounds = (math.log(0.05 / 0.95), math.log(0.95 / 0.05))
    decided = []
    jobs = queue.Queue()
    for g in range(args.first_game - 1, args.first_game - 1 + total):
        jobs.put(g)

    results = {}
    counts = {"W": 0, "D": 0, "L": 0, "illegal": 0, "failed": 0, "time": 0}
    endings = {}  # kind -> [A's wins, B's wins, draws]
    print_lock = threading.Lock()
    names = {}
    rules = {}

    def knows_chase(choice, name):
        return choice == "yes" or (choice == "auto" and name.startswith("XiangqiCli"))

    def worker():
        a, b = make_players()
        names["A"], names["B"] = a.name, b.name
        chase_rule = knows_chase(args.chase_rule_a, a.name) and knows_chase(args.chase_rule_b,
                                                                              b.name)
        no_capture = args.no_capture_plies
        if no_capture is None:
            fairy = any(re.search("fairy", n, re.I) for n in (a.name, b.name))
            no_capture = 100 if fairy else 120
        rules["chase"], rules["no capture"] = chase_rule, no_capture
        for p in (a, b):
            told = p.tell_rules(chase_rule, no_capture)
            if told:
                rules.setdefault("told", {})[p.label] = told
        ref = Referee(args.referee, log)
        try:
            while True:
                if decided:
                    return
                try:
                    g = jobs.get_nowait()
                except queue.Empty:
                    return
                if g // 2 not in openings:
                    continue
                opening = openings[g // 2]
                a_red = g % 2 == 0
                red, black = (a, b) if a_red else (b, a)
                for p in (a, b):
                    p.new_game()
                started = time.monotonic()
                result, reason, moves = play_game(red, black, ref, opening, args.max_plies,
                                                  timeout_for, clock, judge, chase_rule,
                                                  no_capture)
                a_score = result if a_red else 1.0 - result
                kind = ending(reason)
                if kind == "chase, scored as a draw":  # who would have won by the rule
                    red_would = "chase by black" in reason
                    winner = 0 if red_would == a_red else 1
                else:
                    winner = 0 if a_score == 1 else 1 if a_score == 0 else 2
                with print_lock:
                    counts["W" if a_score == 1 else "L" if a_score == 0 else "D"] += 1
                    if reason.startswith("illegal"):
                        counts["illegal"] += 1
                    if "failed" in reason or "no move" in reason:
                        counts["failed"] += 1
                    if "on time" in reason:
                        counts["time"] += 1
                    endings.setdefault(kind, [0, 0, 0])[winner] += 1
                    text = {1.0: "1-0", 0.0: "0-1", 0.5: "1/2-1/2"}[result]
                    print(f"game {g + 1:3d}  red {red.label}  black {black.label}  "
                          f"opening {opening:24s} {text:8s} {reason}, {len(moves)} plies, "
                          f"{time.monotonic() - started:.0f} s", flush=True)
                    results[g] = (red.name, black.name, opening, text, reason, moves)
                    if sprt and not decided:
                        llr = sprt_llr(counts["W"], counts["D"], counts["L"], *sprt)
                        if llr <= llr_bounds[0] or llr >= llr_bounds[1]:
                            decided.append(llr)
                    # A player that failed is started again for the next game.
                if "failed" in reason:
                    a.engine.close()
                    b.engine.close()
                    a, b = make_players()
        finally:
            a.engine.close()
            b.engine.close()
            ref.close()

    # Stopped by a signal, the games under way are played out and the summary is printed.
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: decided.append("stopped"))
    threads = [threading.Thread(target=worker) for _ in range(max(1, args.concurrency))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()

    def limit_text(limit, command, protocol):
        return f"clock {args.clock}" if clock else repr(go_words(limit, protocol_of(command, protocol)))

    print(f"A: {names.get('A', args.engine_a)}  level {args.level_a}  limit "
          f"{limit_text(args.limit_a, args.engine_a, args.protocol_a)}")
    print(f"B: {names.get('B', args.engine_b)}  level {args.level_b}  skill {args.skill_b}  "
          f"limit {limit_text(args.limit_b, args.engine_b, args.protocol_b)}")
    for label, given in (("A", args.option_a), ("B", args.option_b)):
        if given:
            print(f"{label}'s options: " + ", ".join(given))
    print("A " + summary(counts["W"], counts["D"], counts["L"]))
    if sprt:
        llr = sprt_llr(counts["W"], counts["D"], counts["L"], *sprt)
        verdict = ("H1 accepted (A is stronger)" if llr >= llr_bounds[1] else
                   "H0 accepted (A is not stronger)" if llr <= llr_bounds[0] else "undecided")
        print(f"SPRT elo0 {sprt[0]:g} elo1 {sprt[1]:g}: LLR {llr:.2f} "
              f"(bounds {llr_bounds[0]:.2f}, {llr_bounds[1]:.2f}), {verdict}")
    if clock:
        print(f"clock {clock[0]} ms + {clock[1]} ms a move for both")
    if rules:
        print(f"rules: perpetual chase {'loses' if rules['chase'] else 'is a draw (an engine does not know the rule)'}, "
              f"{rules['no capture'] or 'no'} plies without a capture draw, cap {args.max_plies} plies")
        for label, told in rules.get("told", {}).items():
            print(f"{label} was told: " + "; ".join(told))
    print(endings_text(endings))
    chases = endings.get("chase, scored as a draw")
    if chases and (chases[0] or chases[1]):
        n = counts["W"] + counts["D"] + counts["L"]
        as_wins = counts["W"] + chases[0] + 0.5 * (counts["D"] - chases[0] - chases[1])
        print(f"scored as wins, the chases would make A's score {100 * as_wins / n:.1f} %")
    print(f"illegal moves {counts['illegal']}, engine failures {counts['failed']}, "
          f"losses on time {counts['time']}")

    if args.pgn:
        with open(args.pgn, "w") as f:
            for g in sorted(results):
                red, black, opening, text, reason, moves = results[g]
                f.write(f'[Event "match.py, seed {seed}"]\n[Round "{g + 1}"]\n[Variant "xiangqi"]\n'
                        f'[Red "{red}"]\n[Black "{black}"]\n[Result "{text}"]\n'
                        f'[Opening "{opening}"]\n[Termination "{reason}"]\n\n')
                parts = []
                for i, m in enumerate(moves):
                    if i % 2 == 0:
                        parts.append(f"{i // 2 + 1}.")
                    parts.append(m)
                f.write(" ".join(parts) + f" {text}\n\n")
    if log_file:
        log_file.close()


if __name__ == "__main__":
    main()
