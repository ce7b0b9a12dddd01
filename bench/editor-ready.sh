#!/bin/bash
# Time until the editor takes keys on a page of 461 words: a generated A4
# page (40 lines) runs through the main job, `tavoalign -serve` serves it,
# and headless Chromium opens it ten times (tests/review/editor_browser.js
# ready).  Needs chromium and node.  Browser timings cannot be a Google
# Benchmark program, hence this script.
#   bench/editor-ready.sh [build folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server"; rm -rf "$work"' EXIT
"$build/make_example_page" --seed 3 --lines 40 --width 2480 --height 3508 "$work/p.tif" "$work/p.txt"
TAVOALIGN="$build/tavoalign" "$root/tools/tavoalign-page" "$work/p.tif" "$work/p.txt" "$work/page" >/dev/null || true
"$build/tavoalign" -serve "$work/page" --port 0 >"$work/serve.log" &
server=$!
for _ in $(seq 100); do grep -qs '^open ' "$work/serve.log" && break; sleep 0.05; done
address=$(sed -n 's/^open //p' "$work/serve.log")
node "$root/tests/review/editor_browser.js" "${address%%/\?*}/review.html?token=${address##*token=}" ready 10
