#!/usr/bin/env bash
# Starts the game from a build folder: the window when it is built, else the engine in the terminal.
set -euo pipefail
build=${1:-build/release}
if [ -x "$build/app/xiangqi" ]; then
  exec "$build/app/xiangqi"
fi
exec "$build/cli/xiangqi-cli" play
