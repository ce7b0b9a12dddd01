#!/bin/bash
# The main job on the real development pages, scored against their hand-made
# truth (tools/score-realpages.py): lines on every page, words on the pages
# with word truth, the doubts against what is right and wrong, the pages that
# end with status 0 and those -verify passes.
#
#   tools/run-realpages.sh [WORKDIR]
#
# The pages are read from REALPAGES (default ../shared/realpages-dev beside
# the source tree); without that folder the benchmark is skipped (status 0).
# Nothing of the pages or of the per-page results is kept in the repository:
# WORKDIR (default a new temporary folder) holds a working folder per page
# and scores.txt.  TAVO_BUILD names a build folder other than build/.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
pages=${REALPAGES:-$root/../shared/realpages-dev}
if [ ! -d "$pages" ]; then
    echo "run-realpages: $pages not found; skipped"
    exit 0
fi
build=${TAVO_BUILD:-$root/build}
work=${1:-$(mktemp -d "${TMPDIR:-/tmp}/tavo-realpages.XXXXXX")}
mkdir -p "$work" || exit 2
work=$(cd "$work" && pwd)
cmake --build "$build" --target tavoalign -j 2 >/dev/null || { echo "run-realpages: build failed" >&2; exit 2; }

for truth in "$pages"/*.lines.json; do
    name=$(basename "$truth" .lines.json)
    image=$(ls "$pages/$name".{jpg,png} 2>/dev/null | head -n 1)
    [ -n "$image" ] || continue
    TAVOALIGN="$build/tavoalign" "$root/tools/tavoalign-page" "$image" "$pages/$name.txt" "$work/$name" >/dev/null 2>&1
    echo $? >"$work/$name/status"
    # The word scores read the page's ink from an 8-bit grey PNG; the job's
    # own review page is kept as JPEG now, so one is made here (ImageMagick).
    [ -f "$work/$name/review-page.png" ] || for im in /usr/bin/convert convert; do
        "$im" "$image" -colorspace gray -depth 8 -define png:color-type=0 "$work/$name/grey.png" 2>/dev/null && break
    done
done
python3 "$root/tools/score-realpages.py" "$pages" "$work" "${@:2}" | tee "$work/scores.txt"
echo "per page: $work/scores.txt"
