#!/bin/sh
# SPSA tuning of the search's constants, in one command:
#   tools/spsa.sh [ITERATIONS] [MINUTES] [more tools/spsa.py options]
# plays ITERATIONS game pairs (default 600; none begun after MINUTES, default or "-": no limit)
# of the engine against itself at 20,000 nodes a move, one pair at a time under nice, from a copy
# of the engine in build/spsa (so that a rebuild during the run does not change the players).
# The state goes to build/spsa/state.json and the current set to build/spsa/search_params.txt
# every 5 pairs; a cut-off run continues with
#   tools/spsa.sh ITERATIONS MINUTES --resume build/spsa/state.json
# Try the set with `xiangqi-cli uci --search-params build/spsa/search_params.txt`
# (tools/match.py --sprt), and compile it in by its numbers in engine/search_params.h.
# On the shared two-core machine a pair took about 10 s.
# Environment: XQ_CLI (default build/release/cli/xiangqi-cli).
set -eu
iterations=${1:-600}
minutes=${2:-}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
cli=${XQ_CLI:-build/release/cli/xiangqi-cli}
mkdir -p build/spsa
cp "$cli" build/spsa/xiangqi-cli
limit=""
if [ -n "$minutes" ] && [ "$minutes" != "-" ]; then limit="--minutes $minutes"; fi
# shellcheck disable=SC2086
exec nice python3 "$(dirname "$0")/spsa.py" --cli build/spsa/xiangqi-cli \
  --iterations "$iterations" $limit --state build/spsa/state.json \
  --out build/spsa/search_params.txt "$@"
