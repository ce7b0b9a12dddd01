#!/bin/bash
# The review pages in a real browser: the example page and a small batch
# (one page given the wrong transcription order) run through the main job,
# then headless Chromium loads every review.html and the batch's index.html
# (review_browser.js).  Skipped (status 77) without chromium or node.
#   browser_review_test.sh TAVOALIGN MAKE_EXAMPLE_PAGE
set -eu
tool=$1 make_page=$2
here=$(cd "$(dirname "$0")" && pwd)
root="$here/../.."
for program in ${CHROMIUM:-chromium} node; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/install-deps.sh installs it)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TAVOALIGN="$tool"

mkdir -p "$work/out/pages"
ASAN_OPTIONS=detect_leaks=0 "$make_page" --seed 7 --width 1240 --height 900 --lines 5 "$work/p1.tif" "$work/p1.txt"
cp "$work/p1.tif" "$work/p2.tif"
# The first two lines of text swapped: -verify cannot see it, the ink can.
{ sed -n 2p "$work/p1.txt"; sed -n 1p "$work/p1.txt"; tail -n +3 "$work/p1.txt"; } >"$work/p2.txt"
"$root/tools/tavoalign-page" "$root/examples/page.tif" "$root/examples/page.txt" "$work/out/pages/example" || true
for p in p1 p2; do "$root/tools/tavoalign-page" "$work/$p.tif" "$work/$p.txt" "$work/out/pages/$p" || true; done
# A page whose folder, scan and zone file carry hostile names and whose
# zones carry markup: nothing may run, every link must still lead to its file.
hostile="$work/out/pages/h#?'\"><img src=x onerror=alert(1)>"
mkdir -p "$hostile"
scan="javascript:alert(1)'#\"<b>\xe2\x80\xae.png"
scan=$(printf "$scan")
words="javascript:void(window.injected=1)'#.xml"
"$tool" -bin "$work/out/pages/p1/page.tif" "$hostile/$scan" >/dev/null
sed -e '0,/contents="[^"]*"/s//contents="\&lt;script\&gt;window.injected=1\&lt;\/script\&gt;\&lt;img src=x onerror=alert(2)\&gt;"/' \
    -e '0,/confidence="[^"]*"/s//confidence="0.05"/' "$work/out/pages/p1/words.xml" >"$hostile/$words"
cp "$work/out/pages/p1/merged.xml" "$hostile/"
(cd "$hostile" && "$tool" -review "$scan" "$words" review.html merged.xml >/dev/null) || true
touch "$hostile/done"
"$tool" -reviewindex "$work/out" "$work/out/index.html" >/dev/null

status=0
for p in example p1 p2; do
    dir="$work/out/pages/$p"
    zones=$(cat "$dir/words.xml" "$dir/merged.xml" | grep -c DL_TEXTLINEGT)
    # The page with the swapped lines must list doubtful zones to step through.
    node "$here/review_browser.js" review "$dir/review.html" "$zones" "$([ $p = p2 ] && echo doubtful)" || status=1
done
node "$here/review_browser.js" review "$hostile/review.html" "$(cat "$hostile/$words" "$hostile/merged.xml" | grep -c DL_TEXTLINEGT)" hostile || status=1
node "$here/review_browser.js" index "$work/out/index.html" 4 || status=1
# result.csv ends with the doubtful lines and the doubtful words.
awk -F, '{ exit !($(NF-1) > 0 || $NF > 0) }' "$work/out/pages/p2/result.csv" ||
    { echo "FAIL: the page with swapped lines has no doubtful zone: $(cat "$work/out/pages/p2/result.csv")"; status=1; }
exit $status
