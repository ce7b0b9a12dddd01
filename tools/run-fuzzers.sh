#!/bin/sh
# Usage: tools/run-fuzzers.sh [SECONDS]
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz, writes their seed files and runs
# each target for SECONDS seconds (default 60).  Fails on any crash, leak,
# sanitizer report, time-out or memory blow-up; the input that caused it is
# kept in build-fuzz/fuzz-artifacts.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets="tiff bmp ppm jpeg png"
# Text files, zone lines, column cuts, word zones, reading order and the zones
# found on the ink and the review page writer, each for half the time of an image reader.
command_targets="textfile zoneline columncuts words readingorder inkzones reviewpage"
# The PAGE and ALTO importers (the last from files in UTF-16 and other
# encodings), each for the full time.
import_targets="page alto xmlencoding"

cmake -S . -B build-fuzz -G Ninja -DTAVO_FUZZ=ON -DTAVO_TESTS=OFF -DTAVO_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target make_fuzz_seeds make_command_fuzz_seeds \
    $(for t in $targets $command_targets $import_targets; do printf 'fuzz_%s ' "$t"; done)

seeds=build-fuzz/fuzz-seeds
rm -rf "$seeds"
build-fuzz/tests/fuzz/make_fuzz_seeds "$seeds"
build-fuzz/tests/fuzz/make_command_fuzz_seeds "$seeds"
mkdir -p build-fuzz/fuzz-artifacts

# runFuzzer TARGET SECONDS: one target from its seeds and its own corpus.
runFuzzer() {
    echo "== fuzz_$1 for $2s"
    corpus="build-fuzz/fuzz-corpus/$1"
    mkdir -p "$corpus"
    ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build-fuzz/tests/fuzz/fuzz_$1" -max_total_time="$2" -timeout=25 -rss_limit_mb=3072 \
        -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="build-fuzz/fuzz-artifacts/$1-" \
        "$corpus" "$seeds/$1"
}
for t in $targets; do
    runFuzzer "$t" "$seconds"
done
for t in $command_targets; do
    runFuzzer "$t" "$((seconds / 2))"
done
for t in $import_targets; do
    runFuzzer "$t" "$seconds"
done
echo "== fuzz targets: no failures"
