#!/bin/bash
# The quality benchmark in one command: builds what it needs, generates the
# default set of pages with exact truth, runs the main job both ways
# (tools/tavoalign-page --classic: -textline, -merge, -segword, -splitword;
# tools/tavoalign-page: -lines, -words; both followed by -check), and the
# word segmenter -words alone on the true lines; then scores every run side
# by side, a row per page kind and run.
#
#   tools/run-quality.sh [WORKDIR]
#
# WORKDIR (default a new temporary folder) keeps pages/, one folder per run
# and page, and scores.txt with the per-page rows.  QUALITY_PAGES names a
# folder of pages made by gen_pages to use instead of the default set;
# TAVO_BUILD a build folder other than build/.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVO_BUILD:-$root/build}
work=${1:-$(mktemp -d "${TMPDIR:-/tmp}/tavo-quality.XXXXXX")}
mkdir -p "$work" || exit 2
work=$(cd "$work" && pwd)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 2
fi
cmake --build "$build" --target tavoalign gen_pages score_pages -j 2 >/dev/null ||
    { echo "run-quality: build failed (gen_pages needs Pango, Cairo and nlohmann-json)" >&2; exit 2; }
tool=$build/tavoalign

pages=${QUALITY_PAGES:-$work/pages}
if [ -z "${QUALITY_PAGES:-}" ]; then
    rm -rf "$pages"
    "$build/gen_pages" --default-set "$pages" >/dev/null || exit 2
fi

# Runs a command in a folder with the page copied in; prints the seconds it
# took.  Its messages go to log.txt.
timed() {
    local dir=$1
    shift
    local start=${EPOCHREALTIME/./}
    (cd "$dir" && "$@" >>log.txt 2>&1)
    local took=$((${EPOCHREALTIME/./} - start))
    printf '%d.%03d\n' $((took / 1000000)) $((took % 1000000 / 1000))
}

described=() new=() truewords=()
for truth in "$pages"/*.truth.json; do
    name=$(basename "$truth" .truth.json)
    image=$(ls "$pages/$name".{tif,png,jpg} 2>/dev/null | head -n 1)
    [ -n "$image" ] || continue
    ext=${image##*.}
    text=$pages/$name.txt

    dir=$work/described/$name
    secs=$(timed "$work" env TAVOALIGN="$tool" "$root/tools/tavoalign-page" --classic "$image" "$text" "$dir")
    described+=(--truth "$truth" --lines "$dir/merged.xml" --words "$dir/words.xml" --seconds "$secs")

    dir=$work/new/$name
    secs=$(timed "$work" env TAVOALIGN="$tool" "$root/tools/tavoalign-page" "$image" "$text" "$dir")
    new+=(--truth "$truth" --lines "$dir/merged.xml" --words "$dir/words.xml" --seconds "$secs")

    dir=$work/truewords/$name
    rm -rf "$dir" && mkdir -p "$dir" && cp "$image" "$dir/page.$ext" &&
        cp "$pages/$name.truelines.xml" "$dir/lines.xml"
    secs=$(timed "$dir" "$tool" -words "page.$ext" lines.xml words.xml -readorderRL)
    truewords+=(--truth "$truth" --lines "$dir/lines.xml" --words "$dir/words.xml" --seconds "$secs")
done

runs=(--run described "${described[@]}" --run new "${new[@]}" --run truewords "${truewords[@]}")
"$build/score_pages" "${runs[@]}" >"$work/scores.txt" || exit 2

sed -n '/^run *kind/,$p' "$work/scores.txt"
echo "per page: $work/scores.txt"
