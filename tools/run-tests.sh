#!/usr/bin/env bash
# Builds the Release, the sanitizer, the thread-sanitizer and the fuzzing configuration and runs
# the tests of each.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
(cd build/release && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DXQ_SANITIZE=ON -DXQ_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

# The threaded parts under ThreadSanitizer: the background jobs, the game's session, the
# engine's protocol sessions, and child processes with the outside engines' client over them.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXQ_TSAN=ON -DXQ_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target worker_test session_test engine_protocol_test \
  child_process_test engine_client_test xiangqi-cli
# Qt's own event queue is invisible to the sanitizer: tools/tsan.supp says why.
tsan_options="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/tools/tsan.supp"
(cd build/tsan && QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="$tsan_options" \
  ctest --output-on-failure -j "$jobs" \
  -R '^(Worker|WorkerDeathTest|SessionScript|EngineProtocol|ChildProcess|ChildProcessDeathTest|LineQueue|EngineClient)\.')

# Every fuzz target runs for a bounded time over its seeds (clang's libFuzzer).
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXQ_FUZZ=ON \
  -DBUILD_TESTING=OFF -DXQ_BENCH=OFF
cmake --build build/fuzz -j "$jobs"
(cd build/fuzz && ctest --output-on-failure -j "$jobs")
