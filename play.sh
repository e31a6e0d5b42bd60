#!/usr/bin/env bash
# Installs the dependencies, builds the game and starts it from the repository root.
set -euo pipefail
cd "$(dirname "$0")"
./install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target kestrolan
exec ./build/kestrolan "$@"
