#!/bin/bash
# The batch runner on 20 generated pages with 2 jobs: every page reported,
# an interrupted batch resumed without redoing finished pages, one bad page
# not stopping the others.
#   batch_runner_test.sh TAVOALIGN MAKE_EXAMPLE_PAGE
set -eu
tool=$1 make_page=$2
here=$(cd "$(dirname "$0")" && pwd)
batch="$here/../../tools/tavoalign-batch"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/pages"
# The font libraries keep caches for the life of the process, which a
# sanitizer build of the generator would report as leaks.
for i in $(seq -w 1 20); do
    ASAN_OPTIONS=detect_leaks=0 "$make_page" --seed "$i" --width 1240 --height 900 --lines 5 \
        "$work/pages/p$i.tif" "$work/pages/p$i.txt"
done
# A page that cannot be read must not stop the rest.
echo "not an image" >"$work/pages/p21.tif"
echo "a line" >"$work/pages/p21.txt"
export TAVOALIGN="$tool"

# Interrupt a first run once a few pages are finished.
setsid "$batch" -j 2 "$work/pages" "$work/out" >"$work/first.log" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
    done_count=$(find "$work/out/pages" -name done 2>/dev/null | wc -l)
    [ "$done_count" -ge 3 ] && break
    sleep 0.1
done
kill -TERM -- "-$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
# A page job that was already running may still finish: count once the
# number of finished pages has stopped changing.
finished=-1
while :; do
    now=$(find "$work/out/pages" -name done | wc -l)
    [ "$now" -eq "$finished" ] && break
    finished=$now
    sleep 2
done
[ "$finished" -ge 3 ] || fail "no page finished before the interruption"
[ "$finished" -lt 21 ] || fail "the first run was not interrupted"
stamp="$work/stamp"
touch "$stamp"
sleep 1

set +e
"$batch" -j 2 "$work/pages" "$work/out" >"$work/second.log" 2>&1
status=$?
set -e
grep -q "21 pages, $finished already done" "$work/second.log" ||
    fail "resume did not skip the $finished finished pages: $(head -3 "$work/second.log")"
[ "$status" -eq 1 ] || fail "a batch with a bad page should end with status 1, not $status"

# Finished pages were not redone.
redone=$(find "$work/out/pages" -name done ! -newer "$stamp" | wc -l)
[ "$redone" -eq "$finished" ] || fail "$((finished - redone)) finished pages were run again"

report="$work/out/report.csv"
[ "$(wc -l <"$report")" -eq 22 ] || fail "report has $(wc -l <"$report") lines, expected 22"
head -1 "$report" | grep -q '^page,method,lines,words,verify,render,lines_found,words_written,verdict,' ||
    fail "report header"
# The overlay is drawn only on request: its column holds "-".
good=$(grep -c '^p[0-9]*\.tif,ink,[03],[03],0,-,5,[0-9]*,"99999",[03],0,[0-9]*,[0-9]*$' "$report" || true)
[ "$good" -eq 20 ] || { cat "$report" >&2; fail "$good of 20 good pages verified"; }
grep -q '^p21\.tif,ink,2,-,-,-,0,0,"-",-,-,-,-$' "$report" || fail "the bad page's line: $(grep p21 "$report")"
grep -q 'p21' "$work/out/index.html" || fail "the index does not list the bad page"
echo "batch runner: 21 pages, resumed after $finished, report complete"
