#!/bin/bash
# Pages per hour of the local batch runner: generates COUNT A4 pages at
# 300 dpi (build/make_example_page, 28 handwritten-like lines each), runs
# tools/tavoalign-batch over them with -j JOBS (default: all processors) and
# prints the wall time, the pages per hour and the CPU time per page.
#
#   tools/run-batch-bench.sh [COUNT] [JOBS] [BATCH-OPTIONS...]
#
# Needs a release build in build/ with make_example_page (Pango and Cairo).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-120}
jobs=${2:-$(nproc)}
shift $(($# > 2 ? 2 : $#))
make_page="$root/build/make_example_page"
[ -x "$make_page" ] && [ -x "$root/build/tavoalign" ] ||
    { echo "run-batch-bench.sh: build tavoalign and make_example_page in build/ first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/pages"
for i in $(seq 1 "$count"); do
    "$make_page" --seed "$i" --width 2480 --height 3508 --lines 28 --font "KacstPen 16" \
        "$work/pages/p$i.tif" "$work/pages/p$i.txt"
done
export TAVOALIGN="$root/build/tavoalign"
# The batch's CPU, its children included, from the shell's "times" before
# and after it (the second line: children waited for).
seconds() { tail -1 "$1" | awk '{ split($1, u, /[ms]/); split($2, s, /[ms]/); print u[1] * 60 + u[2] + s[1] * 60 + s[2] }'; }
times >"$work/before"
start=$(date +%s.%N)
status=0
"$root/tools/tavoalign-batch" -j "$jobs" "$@" "$work/pages" "$work/out" 2>"$work/batch.log" || status=$?
end=$(date +%s.%N)
times >"$work/after"
cpu=$(awk -v a="$(seconds "$work/before")" -v b="$(seconds "$work/after")" 'BEGIN { print b - a }')
finished=$(find "$work/out/pages" -name done | wc -l)
awk -v n="$finished" -v t0="$start" -v t1="$end" -v cpu="$cpu" -v j="$jobs" -v st="$status" 'BEGIN {
    wall = t1 - t0
    printf "%d pages finished (batch status %d) with %d jobs in %.1f s: %.0f pages an hour\n", n, st, j, wall, n * 3600 / wall
    printf "CPU %.1f s, %.3f s a page: %.0f pages an hour on %d otherwise idle processors\n", cpu, cpu / n, j * 3600 * n / cpu, j
}'
