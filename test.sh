#!/usr/bin/env bash
# Installs the dependencies, then builds and runs every test:
#   1. the sanitizer build (clang, AddressSanitizer + UndefinedBehaviorSanitizer) runs the headless
#      tests and a short bounded run of every fuzz target;
#   2. the plain build (g++) runs the whole suite, windowed tests under Xvfb included.
# The output ends with CTest's summary of the plain build.
set -euo pipefail
cd "$(dirname "$0")"
./install-deps.sh
jobs="$(nproc)"

CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTROLAN_SANITIZE=ON -DKESTROLAN_FUZZ=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 ctest -j"$jobs" -L 'unit|fuzz' --output-on-failure)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
cd build && ctest -j"$jobs" --output-on-failure
