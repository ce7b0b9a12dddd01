#!/bin/bash
# Soak run: generates N pages (default 200) of different sizes, line counts
# and handwriting sizes and runs the whole one-page job on each
# (tools/tavoalign-page) with the AddressSanitizer + UndefinedBehaviorSanitizer
# build of the program.  Fails when any log reports a sanitizer error or a
# leak, or when a command ends with a status other than 0 and 3.  Every
# tenth page also runs the newer commands on its words.xml cut in half
# (refused with status 2, the file left as it was) and -pairs over a link
# planted in its folder (replaced, never followed).
#
#   tools/soak.sh [N]
#
# Builds tavoalign in build-asan (clang, -DTAVO_SANITIZE=ON, Debug) and the
# page generator in build/; TAVO_ASAN_BUILD and TAVO_RELEASE_BUILD name other
# folders.  Pages live under SOAK_DIR (default a new temporary folder); the
# folders of failed pages are kept, the others removed unless SOAK_KEEP=1.
# Not part of CI: 200 pages take about three minutes on two cores.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-200}
asan=${TAVO_ASAN_BUILD:-$root/build-asan}
release=${TAVO_RELEASE_BUILD:-$root/build}

if [ ! -f "$asan/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$asan" -G Ninja -DTAVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null || exit 2
fi
cmake --build "$asan" --target tavoalign -j 2 >/dev/null || { echo "soak: sanitizer build failed" >&2; exit 2; }
[ -f "$release/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 2
cmake --build "$release" --target make_example_page -j 2 >/dev/null ||
    { echo "soak: cannot build make_example_page (Pango and Cairo needed)" >&2; exit 2; }

out=${SOAK_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/tavo-soak.XXXXXX")}
mkdir -p "$out" || exit 2
export TAVOALIGN="$asan/tavoalign"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=0
unchanged=0
for ((i = 1; i <= count; ++i)); do
    # Sizes from small scraps to full A4 at 300 dpi, landscape and portrait;
    # line counts from one line to lines packed close enough to touch.
    width=$((600 + (i * 397) % 2400))
    height=$((400 + (i * 211) % 3200))
    font=$((10 + (i * 7) % 11))
    most=$(((height * 12 / 14) / (font * 6)))
    [ "$most" -lt 1 ] && most=1
    lines=$((1 + (i * 13) % most))
    dir="$out/page-$i"
    mkdir -p "$dir"
    if ! "$release/make_example_page" --seed "$i" --lines "$lines" --width "$width" --height "$height" \
        --font "KacstPen $font" "$dir/in.tif" "$dir/in.txt" 2>"$dir/make.log"; then
        echo "page $i: make_example_page failed" >&2
        failed=$((failed + 1))
        continue
    fi
    "$root/tools/tavoalign-page" "$dir/in.tif" "$dir/in.txt" "$dir/run" >/dev/null 2>&1

    problems=""
    log="$dir/run/log.txt"
    for pattern in "ERROR: AddressSanitizer" "runtime error:" "LeakSanitizer"; do
        grep -q "$pattern" "$log" 2>/dev/null && problems="$problems [$pattern]"
    done
    # result.csv: page, method, four step statuses ("-" when skipped after a
    # failure), counts, verdict, the statuses of -check and -review and the
    # two doubtful counts; read from the end, since a quoted page name may
    # hold commas.
    if [ -f "$dir/run/result.csv" ]; then
        statuses=$(tail -n 1 "$dir/run/result.csv" | awk -F, '{ print $(NF-10) "," $(NF-9) "," $(NF-8) "," $(NF-7) "," $(NF-3) "," $(NF-2) }')
        for s in ${statuses//[,\/]/ }; do
            case $s in
            0 | -) ;;  # "-": skipped after the failure reported here
            3) unchanged=$((unchanged + 1)) ;;
            *) problems="$problems [status $s]" ;;
            esac
        done
    else
        problems="$problems [no result]"
    fi

    # Every tenth page also takes the newer commands' failure paths: its
    # words.xml cut in the middle must be refused (status 2) and left as it
    # is, and -pairs must replace a link planted in its folder, not follow it.
    if [ $((i % 10)) -eq 0 ] && [ -s "$dir/run/words.xml" ]; then
        run="$dir/run"
        head -c "$(($(wc -c <"$run/words.xml") / 2))" "$run/words.xml" >"$run/cut.xml"
        cp "$run/cut.xml" "$run/cut-before.xml"
        for args in "-check $dir/in.tif $run/cut.xml $run/cut.xml" "-topage $dir/in.tif $run/cut.xml $run/cut-page.xml" \
            "-pairs $dir/in.tif $run/cut.xml $run/cut-pairs"; do
            # shellcheck disable=SC2086
            "$TAVOALIGN" $args >>"$run/log.txt" 2>&1
            status=$?
            [ "$status" -eq 2 ] || problems="$problems [cut file: status $status for ${args%% *}]"
        done
        cmp -s "$run/cut.xml" "$run/cut-before.xml" || problems="$problems [cut file changed]"
        mkdir -p "$run/pairs" && echo keep >"$run/victim" && ln -sf "$run/victim" "$run/pairs/in_l0001.png"
        "$TAVOALIGN" -pairs "$dir/in.tif" "$run/words.xml" "$run/pairs" >>"$run/log.txt" 2>&1
        status=$?
        { [ "$status" -eq 0 ] || [ "$status" -eq 3 ]; } || problems="$problems [pairs: status $status]"
        [ "$(cat "$run/victim")" = keep ] || problems="$problems [pairs wrote through a link]"
        for pattern in "ERROR: AddressSanitizer" "runtime error:" "LeakSanitizer"; do
            grep -q "$pattern" "$run/log.txt" && [[ $problems != *"[$pattern]"* ]] && problems="$problems [$pattern]"
        done
    fi

    if [ -n "$problems" ]; then
        failed=$((failed + 1))
        echo "page $i (${width}x${height}, $lines lines, font $font):$problems; see $dir" >&2
    elif [ "${SOAK_KEEP:-0}" != 1 ]; then
        rm -rf "$dir"
    fi
    [ $((i % 20)) -eq 0 ] && echo "soak: $i of $count pages, $failed failed"
done

echo "soak: $count pages, $failed failed, $unchanged command runs left zones unchanged (status 3)"
[ "$failed" -eq 0 ] && [ "${SOAK_KEEP:-0}" != 1 ] && [ -z "${SOAK_DIR:-}" ] && rm -rf "$out"
[ "$failed" -eq 0 ]
