#!/bin/bash
# Runs every command of the program under valgrind's memcheck on a small
# generated page and its inputs, and fails when any run reports a memory
# error or a definite leak, or ends with an unexpected status.
#
#   tools/memcheck.sh [--no-build] [BUILD_DIR]
#
# BUILD_DIR defaults to build/ (a release build).  Without --no-build the
# script configures it when needed and builds tavoalign and
# make_example_page; with --no-build (as CTest runs it) it uses what is
# there.  The page comes from make_example_page when it is built, otherwise
# from a PPM drawn here and turned into a Group 4 TIFF by the program.
# Each run's valgrind log is kept in the work folder, which is removed on
# success (unless MEMCHECK_KEEP=1) and left for inspection on failure.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build_it=1
if [ "${1:-}" = "--no-build" ]; then
    build_it=0
    shift
fi
build=${1:-$root/build}
case $build in /*) ;; *) build="$PWD/$build" ;; esac

if ! command -v valgrind >/dev/null; then
    echo "memcheck: valgrind is not installed" >&2
    exit 2
fi
if [ "$build_it" -eq 1 ]; then
    [ -f "$build/CMakeCache.txt" ] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 2
    cmake --build "$build" --target tavoalign -j 2 >/dev/null || exit 2
    cmake --build "$build" --target make_example_page -j 2 >/dev/null 2>&1 || true
fi
[ -x "$build/tavoalign" ] || { echo "memcheck: no program at $build/tavoalign" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-memcheck.XXXXXX") || exit 2
cd "$work" || exit 2
# A link beside the inputs, so that -replace finds its list as ./tavoalign.ini.
ln -s "$build/tavoalign" tavoalign

# --- inputs ---------------------------------------------------------------

lines=4
if [ -x "$build/make_example_page" ]; then
    "$build/make_example_page" --seed 7 --lines $lines --width 900 --height 600 page.tif page.txt ||
        exit 2
else
    # Four rows of dark blocks of uneven widths, as words on text lines.
    awk 'BEGIN {
        w = 900; h = 600; printf "P6\n%d %d\n255\n", w, h
        for (y = 0; y < h; ++y) {
            band = int((y - 80) / 120); inRow = y >= 80 && (y - 80) % 120 < 50 && band < 4
            for (x = 0; x < w; ++x) {
                ink = inRow && x >= 100 && x < 800 && (x + 37 * band) % 110 < 70 + (x % 3)
                printf "%c%c%c", ink ? 0 : 255, ink ? 0 : 255, ink ? 0 : 255
            }
        }
    }' </dev/null >drawn.ppm
    ./tavoalign -bin drawn.ppm page.tif >/dev/null || exit 2
    printf '%s\n' "دار بيت طويل" "رأى سعيد أب" "أدوار أسبوع أداء" "إذا قرأ جميل" >page.txt
fi

mkdir -p tables store/003 "words/003-012-00045-0002"
printf '%s\n' "id,name,x,origin,age,gender,education,training" "12,w,x,EG,30,F,uni,yes" >tables/Writers.csv
printf '%s\n' "id,name,type" "3,letters,letter" >tables/Docs.csv
printf '%s\n' "بيت" >"words/003-012-00045-0002/word.txt"
printf '%s\n' "أ" "ا" "دار" "دور" >tavoalign.ini
printf 'not an image' >broken.bmp
head -c 200 page.tif >truncated.tif

# --- runs -----------------------------------------------------------------

failures=0
count=0
# check EXPECTED_STATUSES ARGS...: runs the program under memcheck; the run
# passes when valgrind finds nothing and the status is one of the expected.
check() {
    local expected=$1
    shift
    count=$((count + 1))
    local log
    log=$(printf 'vg-%02d%s.log' "$count" "$1")
    TAVOALIGN_TABLES="$work/tables" valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --errors-for-leak-kinds=definite --num-callers=30 --log-file="$log" \
        ./tavoalign "$@" >"$log.out" 2>&1
    local status=$?
    [ "$status" -gt 127 ] && status=$((status - 256))
    local verdict="ok"
    if [ "$status" -eq 99 ]; then
        verdict="VALGRIND ERRORS"
    elif [[ " $expected " != *" $status "* ]]; then
        verdict="UNEXPECTED STATUS (expected $expected)"
    fi
    printf '%-5s %-60s status %3d  %s\n' "$count" "$*" "$status" "$verdict"
    if [ "$verdict" != "ok" ]; then
        failures=$((failures + 1))
        sed 's/^/    /' "$log" "$log.out" | head -n 60
    fi
}

ok="0 3"
check "$ok" -textline page.tif lines.xml $lines
check "$ok" -textline page.tif lines-default.xml
check "$ok" -merge page.txt lines.xml merged.xml
check "$ok" -paw page.tif merged.xml paw.xml
check "$ok" -word page.tif paw.xml word.xml
check "$ok" -solopaw page.tif merged.xml solo.xml
check "$ok" -updatepaw page.tif paw.xml updated.xml
check "$ok" -segword page.tif merged.xml segmented.xml
check "$ok" -splitword page.tif segmented.xml words.xml -readorderRL
check "$ok" -splitword page.tif segmented.xml words-lr.xml -readorderLR
check "$ok" -splitword page.tif word.xml words-plain.xml
check "$ok" -shrink page.tif words.xml shrunk.xml
check "$ok" -refine page.tif words.xml refined.xml
check "$ok" -render page.tif words.xml overlay.png
check "$ok" -render page.tif paw.xml overlay.jpg
check "$ok" -bin page.tif bin.bmp
check "$ok" -bin overlay.png bin-threshold.tif 100
check "$ok" -niblack page.tif niblack.ppm
check "$ok" -niblack overlay.jpg niblack-fixed.tif 128
check "$ok" -keepline bin.bmp keepline.tif
check "$ok" -paw niblack.ppm merged.xml paw-ppm.xml
check "$ok" -verify words.xml page.txt
check "$ok" -lines page.tif page.txt found.xml
check "$ok" -words page.tif found.xml ink-words.xml -readorderRL
check "$ok" -check page.tif ink-words.xml checked.xml found.xml
check "$ok" -render page.tif checked.xml verdicts.png
check "$ok" -review page.tif checked.xml review.html found.xml
check "$ok" -check page.tif ink-words.xml kept.xml found.xml -scores scores.txt
check "$ok" -review page.tif kept.xml review-kept.html found.xml -scores scores.txt
mkdir -p batch/pages/p1 && cp checked.xml batch/pages/p1/words.xml && touch batch/pages/p1/done
check "$ok" -reviewindex batch batch/index.html
cp merged.xml 12-3-45.xml
check "$ok" -meta 12-3-45.xml meta.xml
check "$ok" -filter page.txt filtered.txt
check "$ok" -indic merged.xml indic.xml
check "$ok" -shift merged.xml shifted.xml 5 -3
check "$ok" -reverse page.txt reversed.txt
check "$ok" -replace merged.xml replaced.xml
cp words.xml store/003/012-003-00045.xml
check "$ok" -fix "words/003-012-00045-0002/003-012-00045-0002.tif" store
check "$ok" -fix "words/003-012-00045-0002/003-012-00045-0099.tif" store
check "$ok" -punc "words/003-012-00045-0002"
check "$ok" -digi "words/003-012-00045-0002"
check "$ok" -topage page.tif words.xml page.xml
check "$ok" -toalto page.tif words.xml alto.xml -alto42
check "$ok" -pairs page.tif words.xml pairs -words
check "$ok" -import page.xml imported.xml
check "$ok" -validate alto.xml

# Failure paths: damaged or missing inputs end the command with status 2.
check "2" -paw truncated.tif merged.xml failed.xml
check "2" -segword broken.bmp merged.xml failed.xml
check "2" -bin broken.bmp failed.tif
check "2" -render truncated.tif words.xml failed.png
check "2" -merge missing.txt lines.xml failed.xml
check "2" -verify missing.xml page.txt
check "2" -import merged.xml failed.xml
check "2" -lines truncated.tif page.txt failed.xml
check "2" -words broken.bmp found.xml failed.xml
# The newer commands' refusals: a zone file cut in the middle of a zone, a
# pairs folder that cannot be filled; and -pairs over a link planted in its
# folder (replaced, not followed) and over its own earlier run.
head -c "$(($(wc -c <checked.xml) * 2 / 3))" checked.xml >cut.xml
check "2" -check page.tif cut.xml cut.xml
check "2" -review page.tif cut.xml failed.html
check "2" -topage page.tif cut.xml failed.xml
check "2" -pairs page.tif cut.xml pairs
check "2" -words page.tif cut.xml failed.xml
check "2" -pairs page.tif words.xml broken.bmp
ln -sf "$work/page.txt" pairs/page_l0001_w001.png
check "$ok" -pairs page.tif words.xml pairs

cd / || exit 2
if [ "$failures" -ne 0 ]; then
    echo "memcheck: $failures of $count runs failed; logs in $work" >&2
    exit 1
fi
echo "memcheck: all $count runs clean"
if [ "${MEMCHECK_KEEP:-0}" = 1 ]; then echo "memcheck: files kept in $work"; else rm -rf "$work"; fi
