#!/bin/bash
# The one-page job and the batch report with folders and names a careless
# user gives: a working folder that is not the job's own is refused and left
# as it was, a re-run removes only the job's files, page names with commas,
# quotes and line breaks keep their CSV record whole.
#   page_script_test.sh TAVOALIGN
set -eu
export TAVOALIGN=$(realpath -- "$1")
here=$(cd "$(dirname "$0")" && pwd)
page_job="$here/../../tools/tavoalign-page"
batch="$here/../../tools/tavoalign-batch"
example="$here/../../examples"
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# run_job ARGS...: runs the job, leaving its status in $status and its
# messages in err.txt.
run_job() {
    set +e
    "$page_job" "$@" >/dev/null 2>err.txt
    status=$?
    set -e
}

# A user's folder (with the inputs or anything else in it) is refused.
mkdir scans
cp "$example/page.tif" "$example/page.txt" scans/
echo notes >scans/notes.txt
before=$(ls -la scans | md5sum)
run_job scans/page.tif scans/page.txt scans
[ "$status" -eq 2 ] || fail "a user's folder: status $status"
[ "$(wc -l <err.txt)" -eq 1 ] && grep -q '^tavoalign-page: scans: ' err.txt || fail "message: $(cat err.txt)"
[ "$(ls -la scans | md5sum)" = "$before" ] || fail "the user's folder was changed"
mkdir other && echo x >other/x
run_job scans/page.tif scans/page.txt other
[ "$status" -eq 2 ] && [ -f other/x ] || fail "a non-empty folder without a marker: status $status"

# A folder of an earlier run is reused: only the job's own files go; one
# holding the inputs is refused even so.
run_job scans/page.tif scans/page.txt job
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "first run: status $status"
[ -f job/.tavoalign-page ] && [ -f job/page.tif ] && [ -f job/done ] || fail "first run left no marker, copy or done"
# The overlay is drawn only with --overlay, and a re-run without it leaves
# none of an earlier run's behind.
[ ! -e job/overlay.png ] && grep -q '^page.tif,ink,[03],[03],0,-,' job/result.csv ||
    fail "an overlay drawn unasked: $(cat job/result.csv)"
echo mine >job/mine.txt
cp scans/page.tif scans/page.tiff
run_job --overlay scans/page.tiff scans/page.txt job
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "re-run: status $status"
[ -f job/mine.txt ] || fail "the re-run removed a file it did not write"
[ ! -e job/page.tif ] && [ -f job/page.tiff ] || fail "the re-run kept the earlier page copy"
[ -s job/overlay.png ] && grep -q '^page.tiff,ink,[03],[03],0,0,' job/result.csv ||
    fail "--overlay: $(cat job/result.csv)"
run_job scans/page.tiff scans/page.txt job
[ ! -e job/overlay.png ] || fail "a re-run without --overlay kept the earlier overlay"
run_job job/page.tiff scans/page.txt job
[ "$status" -eq 2 ] && [ -f job/page.tiff ] || fail "a folder holding the input: status $status"

# A person's checked zones survive a re-run: refused without --recompute,
# kept in history/ with it.
sed -i '0,/<DL_ZONE/s/"> <\/DL_ZONE>/" checked="yes"> <\/DL_ZONE>/' job/words.xml
grep -q ' checked="yes"' job/words.xml || fail "the test could not mark a zone checked"
saved=$(md5sum <job/words.xml)
run_job scans/page.tiff scans/page.txt job
[ "$status" -eq 2 ] && [ "$(md5sum <job/words.xml)" = "$saved" ] || fail "checked zones recomputed unasked: status $status"
run_job --recompute scans/page.tiff scans/page.txt job
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "--recompute: status $status $(cat err.txt)"
[ "$(md5sum <job/history/words.1.xml)" = "$saved" ] || fail "--recompute lost the checked words.xml"

# The extension comes from the file name, not from a folder with a dot; the
# name is one CSV record however odd.
mkdir in.v2
name=$'a,b "c"\nd'
cp scans/page.tif "in.v2/$name"
run_job "in.v2/$name" scans/page.txt odd
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "odd name: status $status $(cat err.txt)"
[ -f odd/page ] || fail "the page without extension was copied as $(ls odd)"
python3 - odd/result.csv "$name" <<'PY' || fail "result.csv of an odd name: $(cat odd/result.csv)"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline='')))
assert len(rows) == 1 and len(rows[0]) == 13 and rows[0][0] == sys.argv[2], rows
PY

# The batch refuses to fill a user's folder, its pages folder among them.
before=$(ls -la scans | md5sum)
"$batch" -j 1 scans scans >/dev/null 2>err.txt && fail "the batch filled the pages folder"
[ "$(ls -la scans | md5sum)" = "$before" ] && grep -q '^tavoalign-batch: scans: ' err.txt || fail "batch refusal: $(cat err.txt)"

# The batch report keeps such records whole, reviews the failed page first
# and counts failed and doubtful pages right.
mkdir -p empty out/pages/a out/pages/b out/pages/c
cp odd/result.csv out/pages/a/
printf '%s\n' 'x.tif,ink,2,-,-,-,0,0,"-",-,-,-,-' >out/pages/b/result.csv
# (the example page itself ends all well, so the doubtful page is made here)
printf '%s\n' '"y,1.tif",ink,0,0,0,0,5,9,"99999",3,0,0,1' >out/pages/c/result.csv
touch out/pages/{a,b,c}/done
set +e
"$batch" -j 1 empty out >/dev/null 2>err.txt
status=$?
set -e
[ "$status" -eq 1 ] || fail "batch with a failed page: status $status"
grep -q '(1 pages without the verdict 99999, 1 more with doubtful zones)' err.txt || fail "batch counts: $(cat err.txt)"
python3 - out/report.csv "$name" <<'PY' || fail "report: $(cat out/report.csv)"
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline='')))
assert [r[0] for r in rows] == ['page', 'x.tif', 'y,1.tif', sys.argv[2]], rows
assert all(len(r) == 13 for r in rows), rows
PY
echo "page job: user folders refused, re-runs remove only the job's files, CSV records whole"
