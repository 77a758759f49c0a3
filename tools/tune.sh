#!/bin/sh
# Texel tuning of the evaluation from the engine's own games, in one command:
#   tools/tune.sh [GAMES] [NODES] [OUT]
# plays GAMES self-play games (default 2000) at NODES nodes a move (default 3000) from varied
# openings, in JOBS processes (default 2), keeps their quiet positions labelled by each game's
# result, fits the evaluation's parameters to them and writes the set to OUT (default
# build/tuning/params.txt). The data stays in build/tuning (not in git). Try the set with
#   xiangqi-cli uci --params OUT
# (tools/match.py), and compile it in as the defaults with tools/params_to_source.py OUT.
# On the shared two-core machine 1000 games took about 33 minutes and the tuning 2.
# Environment: XQ_CLI (default build/release/cli/xiangqi-cli), JOBS, START (a parameter file to
# play and tune from; default the compiled-in set), SEED (default 1).
set -eu
games=${1:-2000}
nodes=${2:-3000}
out=${3:-build/tuning/params.txt}
cli=${XQ_CLI:-build/release/cli/xiangqi-cli}
jobs=${JOBS:-2}
seed=${SEED:-1}
dir=build/tuning
mkdir -p "$dir" "$(dirname "$out")"
start_args=""
if [ -n "${START:-}" ]; then start_args="--params $START"; fi
per_job=$(( (games + jobs - 1) / jobs ))
pids=""
j=0
while [ "$j" -lt "$jobs" ]; do
  # shellcheck disable=SC2086
  "$cli" selfplay --games "$per_job" --nodes "$nodes" --seed $((seed * 1000 + j)) \
    --out "$dir/selfplay-$j.txt" $start_args 2>"$dir/selfplay-$j.log" &
  pids="$pids $!"
  j=$((j + 1))
done
for pid in $pids; do wait "$pid"; done
cat "$dir"/selfplay-*.txt > "$dir/positions.txt"
# shellcheck disable=SC2086
"$cli" tune "$dir/positions.txt" --out "$out" $start_args
