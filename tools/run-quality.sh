#!/bin/bash
# The quality benchmark in one command: builds what it needs, generates the
# default set of pages with exact truth, runs the described path
# (tools/tavoalign-page: -textline, -merge, -segword, -splitword) and, when
# the program has them, the line finder -lines followed by -words, and the
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

help=$("$tool" --help 2>&1)
has_lines=0 has_words=0
grep -q -- '^ *-lines ' <<<"$help" && has_lines=1
grep -q -- '^ *-words ' <<<"$help" && has_words=1

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
    secs=$(timed "$work" env TAVOALIGN="$tool" "$root/tools/tavoalign-page" "$image" "$text" "$dir")
    described+=(--truth "$truth" --lines "$dir/merged.xml" --words "$dir/words.xml" --seconds "$secs")

    if [ "$has_lines" -eq 1 ]; then
        dir=$work/new/$name
        rm -rf "$dir" && mkdir -p "$dir" && cp "$image" "$dir/page.$ext" && cp "$text" "$dir/page.txt"
        steps="\"$tool\" -lines page.$ext page.txt lines.xml"
        [ "$has_words" -eq 1 ] && steps="$steps; \"$tool\" -words page.$ext lines.xml words.xml -readorderRL"
        secs=$(timed "$dir" bash -c "$steps")
        new+=(--truth "$truth" --lines "$dir/lines.xml" --seconds "$secs")
        [ "$has_words" -eq 1 ] && new+=(--words "$dir/words.xml")
    fi
    if [ "$has_words" -eq 1 ]; then
        dir=$work/truewords/$name
        rm -rf "$dir" && mkdir -p "$dir" && cp "$image" "$dir/page.$ext" &&
            cp "$pages/$name.truelines.xml" "$dir/lines.xml"
        secs=$(timed "$dir" "$tool" -words "page.$ext" lines.xml words.xml -readorderRL)
        truewords+=(--truth "$truth" --lines "$dir/lines.xml" --words "$dir/words.xml" --seconds "$secs")
    fi
done

runs=(--run described "${described[@]}")
[ "${#new[@]}" -gt 0 ] && runs+=(--run new "${new[@]}")
[ "${#truewords[@]}" -gt 0 ] && runs+=(--run truewords "${truewords[@]}")
"$build/score_pages" "${runs[@]}" >"$work/scores.txt" || exit 2

[ "$has_lines" -eq 1 ] || echo "new path: n/a (tavoalign has no -lines)"
[ "$has_words" -eq 1 ] || echo "words on true lines: n/a (tavoalign has no -words)"
sed -n '/^run *kind/,$p' "$work/scores.txt"
echo "per page: $work/scores.txt"
