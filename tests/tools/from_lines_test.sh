#!/bin/bash
# The one-page job with --from: the lines and their texts of a PAGE, ALTO or
# zone file take the place of the line finder; every line comes back as one
# line of the exports with its words, named after the scan the user gave.
#   from_lines_test.sh TAVOALIGN
set -eu
export TAVOALIGN=$(realpath -- "$1")
here=$(cd "$(dirname "$0")" && pwd)
page_job="$here/../../tools/tavoalign-page"
example="$here/../../examples"
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# The lines of the example page as another tool would hand them over.
cp "$example/page.tif" "scan 1.tif"
"$TAVOALIGN" -lines "scan 1.tif" "$example/page.txt" lines.xml >/dev/null
"$TAVOALIGN" -topage "scan 1.tif" lines.xml lines-page.xml >/dev/null
"$TAVOALIGN" -toalto "scan 1.tif" lines.xml lines-alto.xml >/dev/null
lines=$(grep -c '<TextLine' lines-page.xml)
words=$(wc -w <"$example/page.txt")

for from in lines-page.xml lines-alto.xml lines.xml; do
    set +e
    "$page_job" --from "$from" "scan 1.tif" "job-$from" >/dev/null 2>err.txt
    status=$?
    set -e
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "$from: status $status $(cat err.txt)"
    job="job-$from"
    IFS=, read -r name method line_status word_status _ <"$job/result.csv"
    [ "$name" = "scan 1.tif" ] && [ "$method" = from ] && [ "$line_status" = 0 ] && [ "$word_status" != - ] ||
        fail "$from: result.csv $(cat "$job/result.csv")"
    # The transcription is the lines' texts, and the words spell it.
    [ "$(wc -w <"$job/page.txt")" -eq "$words" ] || fail "$from: page.txt has $(wc -w <"$job/page.txt") words"
    [ "$(grep -c 'pawboxes=' "$job/words.xml")" -eq "$words" ] || fail "$from: words.xml"
    [ "$(tr -d '\r' <"$job/verify.txt" | grep -v '^-1$' | paste -sd ' ')" != "" ] || fail "$from: no verdict"
    for export in page.xml alto.xml; do
        [ "$(grep -c '<TextLine' "$job/$export")" -eq "$lines" ] || fail "$from: $export lost lines"
        grep -q 'scan 1.tif' "$job/$export" || fail "$from: $export does not name the scan"
        "$TAVOALIGN" -validate "$job/$export" >/dev/null 2>err.txt || fail "$from: $export: $(cat err.txt)"
    done
done

# A lines file that cannot be read stops the job at its first step.
echo '<PcGts' >broken.xml
set +e
"$page_job" --from broken.xml "scan 1.tif" job-broken >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 1 ] && grep -q '^"\{0,1\}scan 1.tif"\{0,1\},from,2,-' job-broken/result.csv || fail "broken lines file: $status"
set +e
"$page_job" --from missing.xml "scan 1.tif" job-missing >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 2 ] && [ ! -e job-missing ] || fail "missing lines file: status $status"
# The batch runner takes the same option for a folder of images with their
# lines files.
if command -v parallel >/dev/null; then
    mkdir set
    cp "scan 1.tif" set/
    cp lines-page.xml "set/scan 1.xml"
    set +e
    "$here/../../tools/tavoalign-batch" -j 1 --from set out >/dev/null 2>err.txt
    status=$?
    set -e
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "batch --from: status $status $(cat err.txt)"
    grep -q '^scan 1.tif,from,0,' out/report.csv || fail "batch --from: $(cat out/report.csv)"
fi
echo "from_lines_test: ok"
