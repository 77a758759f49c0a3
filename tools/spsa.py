#!/usr/bin/env python3
"""Tunes the search's constants by SPSA (simultaneous perturbation stochastic approximation) from
game pairs of the engine against itself.

Each iteration k perturbs every chosen parameter at once by +-c_k (a share of its range, the
signs drawn at random), writes the two sets to files, and plays a pair of games from one random
opening between `xiangqi-cli uci --search-params PLUS` and `... MINUS`, colours swapped, at a
fixed number of nodes a move. With r the plus side's points less the minus side's (-2..2), every
parameter moves by a_k * r / (2 c_k) in its sign's direction: towards the side that won.

    a_k = a / (A + k + 1)^alpha        c_k = c / (k + 1)^gamma

Parameters are moved in units of their range (0 = lowest, 1 = highest, as `xiangqi-cli
searchparams` lists them), so one a and one c serve them all. The perturbed values are whole
numbers: each is rounded up or down at random in proportion to its fraction, so that a small
range still feels a small perturbation on average.

Every --save-every iterations the state (iteration, theta as fractions, the games' totals) goes
to --state as JSON, and theta rounded to --out as a `--search-params` file, so a run that is cut
off loses little; --resume STATE continues it. With --concurrency N, N pairs are played at once,
each from theta as it stood when the pair began.

Games are played by tools/match.py's functions (Fairy-Stockfish keeps the rules, xiangqi-cli's
`enginejudge` the repetitions). Only the standard library.
"""

import argparse
import json
import math
import os
import random
import re
import shlex
import signal
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True  # no compiled copy of match.py left in tools/
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import match  # noqa: E402

LINE_RE = re.compile(r"^(\S+)\s+(-?\d+)\s*#\s*(-?\d+)\.\.(-?\d+)\s*$")


def read_parameters(cli, start=None):
    """[(name, value, low, high)] as `xiangqi-cli searchparams` lists them (over START's values)."""
    command = shlex.split(cli) + ["searchparams"] + (["--search-params", start] if start else [])
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    params = []
    for line in out.splitlines():
        m = LINE_RE.match(line)
        if m:
            params.append((m.group(1), int(m.group(2)), int(m.group(3)), int(m.group(4))))
    if not params:
        raise SystemExit(f"{cli} searchparams listed no parameters")
    return params


def write_params(path, values):
    """A `--search-params` file of `values` (name -> whole number), written whole or not at all."""
    text = "".join(f"{name} {value}\n" for name, value in values.items())
    tmp = path + ".tmp"
    with open(tmp, "w") as f:
        f.write(text)
    os.replace(tmp, path)


def random_round(x, rng):
    """x rounded down or up, up with the probability of its fraction: unbiased."""
    low = math.floor(x)
    return int(low + (1 if rng.random() < x - low else 0))


class Spsa:
    def __init__(self, args, params):
        self.args = args
        self.params = {name: (low, high) for name, _, low, high in params}
        self.defaults = {name: value for name, value, _, _ in params}
        chosen = args.tune.split(",") if args.tune else [p[0] for p in params]
        unknown = [n for n in chosen if n not in self.params]
        if unknown:
            raise SystemExit("unknown parameters: " + ", ".join(unknown))
        self.chosen = chosen
        self.theta = {n: self.fraction(n, self.defaults[n]) for n in chosen}
        self.iteration = 0  # iterations begun
        self.done = 0  # iterations finished
        self.totals = {"pairs": 0, "games": 0, "plus_points": 0.0}
        self.deadline = None  # time.monotonic() after which no pair begins
        self.lock = threading.Lock()
        self.rng = random.Random(args.seed)

    def fraction(self, name, value):
        low, high = self.params[name]
        return (value - low) / (high - low)

    def value(self, name, fraction):
        low, high = self.params[name]
        return low + min(max(fraction, 0.0), 1.0) * (high - low)

    def rounded(self):
        """Theta as whole numbers over the defaults: the set to play."""
        values = dict(self.defaults)
        for n in self.chosen:
            values[n] = int(round(self.value(n, self.theta[n])))
        return values

    def gains(self, k):
        a = self.args
        big_a = a.big_a if a.big_a is not None else a.iterations / 10.0
        return a.a / (big_a + k + 1) ** a.alpha, a.c / (k + 1) ** a.gamma

    def begin(self):
        """The next iteration's number, perturbation and the two sets; None when all are begun."""
        with self.lock:
            if self.iteration >= self.args.iterations:
                return None
            if self.deadline is not None and time.monotonic() >= self.deadline:
                return None
            k = self.iteration
            self.iteration += 1
            _, c_k = self.gains(k)
            delta = {n: self.rng.choice((-1, 1)) for n in self.chosen}
            plus, minus = dict(self.defaults), dict(self.defaults)
            for n in self.chosen:
                plus[n] = random_round(self.value(n, self.theta[n] + c_k * delta[n]), self.rng)
                minus[n] = random_round(self.value(n, self.theta[n] - c_k * delta[n]), self.rng)
            seed = self.rng.randrange(1 << 30)
        return k, delta, plus, minus, seed

    def finish(self, k, delta, plus_points, reasons):
        with self.lock:
            a_k, c_k = self.gains(k)
            r = 2.0 * plus_points - 2.0  # plus side's points less the minus side's
            for n in self.chosen:
                self.theta[n] = min(max(self.theta[n] + a_k * r / (2.0 * c_k) * delta[n], 0.0), 1.0)
            t = self.totals
            t["pairs"] += 1
            t["games"] += 2
            t["plus_points"] += plus_points
            self.done += 1
            shown = " ".join(f"{n}={self.value(n, self.theta[n]):.1f}" for n in self.chosen)
            print(f"iteration {k + 1} r {r:+.1f} a_k {a_k:.5f} c_k {c_k:.4f} "
                  f"({'; '.join(reasons)}) theta {shown}", flush=True)
            if self.done % self.args.save_every == 0:
                self.save()

    def save(self):
        state = {"iteration": self.done, "theta": self.theta, "totals": self.totals,
                 "settings": {k: getattr(self.args, k)
                              for k in ("a", "c", "big_a", "alpha", "gamma", "iterations",
                                        "nodes", "random_plies", "level")}}
        tmp = self.args.state + ".tmp"
        with open(tmp, "w") as f:
            json.dump(state, f, indent=1, sort_keys=True)
        os.replace(tmp, self.args.state)
        write_params(self.args.out, self.rounded())

    def resume(self, path):
        with open(path) as f:
            state = json.load(f)
        for n, x in state["theta"].items():
            if n in self.theta:
                self.theta[n] = float(x)
        self.iteration = self.done = int(state["iteration"])
        self.totals.update(state.get("totals", {}))
        # A resumed run draws other signs and openings than the first part did.
        self.rng = random.Random(self.args.seed * 1000003 + self.done)


def engine_command(cli, path):
    return f"{cli} uci --search-params {shlex.quote(path)}"


def play_pair(args, referee, k, plus_path, minus_path, seed):
    """The plus side's points over two games from one opening, colours swapped, and the reasons."""
    rng = random.Random(seed)
    opening = match.extend_opening(referee, rng.choice(match.OPENINGS), args.random_plies, seed)
    go = f"nodes {args.nodes}"
    quiet = lambda line: None  # noqa: E731
    plus_points, reasons = 0.0, []
    for plus_red in (True, False):
        plus = match.Player(engine_command(args.cli, plus_path), "plus", quiet, "uci", "0-9",
                            args.level, None, go)
        minus = match.Player(engine_command(args.cli, minus_path), "minus", quiet, "uci", "0-9",
                             args.level, None, go)
        try:
            red, black = (plus, minus) if plus_red else (minus, plus)
            result, reason, moves = match.play_game(red, black, referee, opening, args.max_plies,
                                                    lambda p: 60.0, None, args.cli)
        finally:
            plus.engine.close()
            minus.engine.close()
        plus_points += result if plus_red else 1.0 - result
        reasons.append(f"{'plus' if plus_red else 'minus'} red "
                       f"{ {1.0: '1-0', 0.0: '0-1', 0.5: '1/2'}[result]} {reason}, {len(moves)}")
    return plus_points, reasons


def worker(spsa, args, index):
    referee = match.Referee(args.referee, lambda line: None)
    work = os.path.join(args.work_dir, f"spsa-{os.getpid()}-{index}")
    plus_path, minus_path = work + "-plus.txt", work + "-minus.txt"
    try:
        while True:
            begun = spsa.begin()
            if begun is None:
                return
            k, delta, plus, minus, seed = begun
            write_params(plus_path, plus)
            write_params(minus_path, minus)
            try:
                plus_points, reasons = play_pair(args, referee, k, plus_path, minus_path, seed)
            except match.EngineError as e:
                # The referee or an opening failed: no result, the iteration counts as even.
                print(f"iteration {k + 1}: no result ({e})", file=sys.stderr, flush=True)
                referee.close()
                referee = match.Referee(args.referee, lambda line: None)
                plus_points, reasons = 1.0, [f"no result: {e}"]
            spsa.finish(k, delta, plus_points, reasons)
    finally:
        referee.close()
        for path in (plus_path, minus_path):
            if os.path.exists(path):
                os.remove(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--cli", default="build/release/cli/xiangqi-cli",
                    help="the engine program (default %(default)s)")
    ap.add_argument("--tune", default=None,
                    help="comma-separated names of the parameters to tune (default: all)")
    ap.add_argument("--start", default=None,
                    help="a --search-params file to start from (default: the compiled-in set)")
    ap.add_argument("--iterations", type=int, default=1000, help="game pairs (default 1000)")
    ap.add_argument("--concurrency", type=int, default=1, help="pairs at once (default 1)")
    ap.add_argument("--nodes", type=int, default=20000, help="nodes a move (default 20000)")
    ap.add_argument("--random-plies", type=int, default=4,
                    help="random quiet plies after the opening (default 4)")
    ap.add_argument("--level", type=int, default=8, help="the engines' Level option (default 8)")
    ap.add_argument("--max-plies", type=int, default=150, help="a draw after this (default 150)")
    ap.add_argument("--a", type=float, default=0.01, help="step gain a (default 0.01)")
    ap.add_argument("--c", type=float, default=0.1,
                    help="perturbation c as a share of each range (default 0.1)")
    ap.add_argument("--A", dest="big_a", type=float, default=None,
                    help="stability constant A (default a tenth of --iterations)")
    ap.add_argument("--alpha", type=float, default=0.602)
    ap.add_argument("--gamma", type=float, default=0.101)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--state", default="build/spsa/state.json",
                    help="where the state is saved (default %(default)s)")
    ap.add_argument("--out", default="build/spsa/search_params.txt",
                    help="theta as a --search-params file (default %(default)s)")
    ap.add_argument("--save-every", type=int, default=5)
    ap.add_argument("--minutes", type=float, default=None,
                    help="begin no pair after this many minutes (the run then saves and ends)")
    ap.add_argument("--resume", default=None, help="continue from a saved state")
    ap.add_argument("--work-dir", default=None,
                    help="where the perturbed sets are written (default: beside --state)")
    ap.add_argument("--referee", default="/usr/games/fairy-stockfish")
    args = ap.parse_args()
    if args.iterations < 1 or args.concurrency < 1 or args.save_every < 1 or args.nodes < 1:
        ap.error("--iterations, --concurrency, --save-every and --nodes are at least 1")
    if not 0 < args.c <= 0.5:
        ap.error("--c is a share of the range, above 0 and at most 0.5")
    for path in (args.state, args.out):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    args.work_dir = args.work_dir or os.path.dirname(os.path.abspath(args.state))

    spsa = Spsa(args, read_parameters(args.cli, args.start))
    if args.resume:
        spsa.resume(args.resume)
    print(f"spsa: {len(spsa.chosen)} parameters, iterations {spsa.done + 1}..{args.iterations}, "
          f"{args.nodes} nodes a move, a {args.a} c {args.c} A "
          f"{args.big_a if args.big_a is not None else args.iterations / 10.0}", flush=True)
    started = time.monotonic()
    if args.minutes is not None:
        spsa.deadline = started + 60.0 * args.minutes

    def interrupted(signum, frame):
        print("stopping after the pairs in play", file=sys.stderr, flush=True)
        spsa.deadline = 0.0  # one assignment: no lock, which the main thread may hold

    # SIGINT (ignored by a run in the background) or SIGTERM: no new pair begins, the pairs in
    # play end and count, and the state is saved as at the end of the run.
    signal.signal(signal.SIGTERM, interrupted)
    signal.signal(signal.SIGINT, interrupted)
    threads = [threading.Thread(target=worker, args=(spsa, args, i), daemon=True)
               for i in range(args.concurrency)]
    for t in threads:
        t.start()
    for t in threads:
        while t.is_alive():
            t.join(timeout=0.5)  # short waits, so that the main thread sees a signal at once
    with spsa.lock:
        spsa.save()
        t = spsa.totals
        score = t["plus_points"] / t["pairs"] / 2 if t["pairs"] else 0.5
        print(f"done {spsa.done} iterations, {t['games']} games in "
              f"{time.monotonic() - started:.0f} s (plus sides scored {100 * score:.1f} %)")
        print("final (as --search-params, also in " + args.out + "):")
        for name, value in spsa.rounded().items():
            mark = "" if value == spsa.defaults[name] else f"   (default {spsa.defaults[name]})"
            print(f"{name} {value}{mark}")


if __name__ == "__main__":
    main()
