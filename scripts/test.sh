#!/usr/bin/env bash
# Installs every dependency, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --all
echo "== building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DOSA_TESTS=ON -DOSA_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)"
echo "== running the tests"
ctest --test-dir build --output-on-failure -j"$(nproc)"
