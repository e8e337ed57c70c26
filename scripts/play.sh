#!/usr/bin/env bash
# Installs what the game needs, builds it and its assets, and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
echo "== building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DOSA_TESTS=OFF -DOSA_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target one-step-ahead assets
echo "== starting One Step Ahead"
exec build/one-step-ahead "$@"
