#!/usr/bin/env bash
# Builds the Release, the sanitizer and the fuzzing configuration and runs every test of each.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
(cd build/release && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DXQ_SANITIZE=ON -DXQ_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

# Every fuzz target runs for a bounded time over its seeds (clang's libFuzzer).
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXQ_FUZZ=ON \
  -DBUILD_TESTING=OFF -DXQ_BENCH=OFF
cmake --build build/fuzz -j "$jobs"
(cd build/fuzz && ctest --output-on-failure -j "$jobs")
