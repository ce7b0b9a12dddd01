#!/bin/sh
# Installs what is missing (tools/install-deps.sh all), then builds and runs
# the whole test suite twice: a release build with g++ and an AddressSanitizer + UndefinedBehaviorSanitizer
# build with clang, and finally the fuzz targets for a short run each.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh all

jobs=$(nproc)

echo "== release build (g++)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_TESTS=ON -DTAVO_BENCH=ON \
    -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build (clang, ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVO_SANITIZE=ON -DTAVO_BENCH=OFF \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -x tools/run-fuzzers.sh ]; then
    echo "== fuzz targets"
    tools/run-fuzzers.sh "${TAVO_FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
