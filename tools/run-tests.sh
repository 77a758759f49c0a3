#!/usr/bin/env bash
# Builds the Release and the sanitizer configuration and runs every test of both.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
(cd build/release && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DXQ_SANITIZE=ON -DXQ_BENCH=OFF
cmake --build build/sanitize -j "$jobs"
(cd build/sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
