#!/bin/sh
# Builds the release program and runs every benchmark in bench/, one after
# the other; extra arguments go to each benchmark program (for example
# --benchmark_filter=Pipeline or --benchmark_format=json).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh all
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)"
for bench in build/bench/*_bench; do
    echo "== $(basename "$bench")"
    "$bench" "$@"
done
