#!/bin/bash
# The batch runner as a Slurm job array on a one-machine cluster
# (tools/slurm-local.sh): the report, the index and every page's files equal
# those of a local run of the same pages, a bad page included; a second
# submission after a page was lost runs that page alone.  Skipped (status 77)
# where Slurm or munge is not installed or the daemons cannot be started.
#   slurm_batch_test.sh TAVOALIGN MAKE_EXAMPLE_PAGE
set -u
tool=$1 make_page=$2
here=$(cd "$(dirname "$0")" && pwd)
tools="$here/../../tools"
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }

for program in sbatch slurmctld slurmd munged; do
    command -v "$program" >/dev/null || skip "$program is not installed (tools/install-deps.sh all installs slurm-wlm and munge)"
done
[ "$(id -u)" -eq 0 ] || skip "the one-machine cluster is started as root"

work=$(mktemp -d)
cluster="$work/cluster"
trap '"$tools/slurm-local.sh" stop "$cluster" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$tools/slurm-local.sh" start "$cluster" >/dev/null || skip "the one-machine cluster did not start"
export SLURM_CONF="$cluster/slurm.conf" TAVOALIGN="$tool"

mkdir "$work/pages"
for i in 1 2 3 4 5 6 7; do
    ASAN_OPTIONS=detect_leaks=0 "$make_page" --seed "$i" --width 1240 --height 900 --lines 4 \
        "$work/pages/p$i.tif" "$work/pages/p$i.txt" || fail "make_example_page"
done
echo "not an image" >"$work/pages/bad.tif"
echo "a line" >"$work/pages/bad.txt"

"$tools/tavoalign-batch" -j 2 "$work/pages" "$work/local" >/dev/null 2>&1
local_status=$?
"$tools/tavoalign-batch" --slurm --tasks 3 --wait "$work/pages" "$work/array" >"$work/array.log" 2>&1
array_status=$?
[ "$array_status" -eq "$local_status" ] ||
    fail "the array ended with status $array_status, the local run with $local_status: $(cat "$work/array.log")"
[ "$local_status" -eq 1 ] || fail "a batch with a bad page ends with status 1, not $local_status"
for task in 0 1 2; do
    [ -f "$work/array/slurm/task-$task.log" ] || fail "task $task did not run"
done

# Every file of every page equal, but for the export's creation time.
same_files() {
    diff -r -x slurm -x 'joblog*' -I '<Created>' -I '<LastChange>' "$work/local" "$work/array"
}
same_files >"$work/diff.txt" || fail "the array's files differ from the local run's: $(head -20 "$work/diff.txt")"
[ "$(wc -l <"$work/array/report.csv")" -eq 9 ] || fail "report: $(cat "$work/array/report.csv")"

# Resume: a page whose run was lost is run again, alone.
rm -rf "$work/array/pages/p3"
stamp="$work/stamp"
touch "$stamp"
sleep 1
"$tools/tavoalign-batch" --slurm --tasks 2 --wait "$work/pages" "$work/array" >"$work/again.log" 2>&1
[ $? -eq 1 ] || fail "the resumed array: $(cat "$work/again.log")"
rerun=$(find "$work/array/pages" -name done -newer "$stamp" | sed 's|.*/pages/||')
[ "$rerun" = "p3/done" ] || fail "the resumed array ran again: $rerun"
same_files >"$work/diff.txt" || fail "after the resume the files differ: $(head -20 "$work/diff.txt")"
echo "slurm batch: 8 pages in 3 tasks equal the local run; a lost page resumed alone"
