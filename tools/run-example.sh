#!/bin/sh
# Installs what is missing, builds the program and runs the main job on the
# bundled example page: text lines, transcription merge, word segmentation,
# reading-order numbering, verification and an overlay for review.  Every
# intermediate file stays in example-output/.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tavoalign

out=example-output
rm -rf "$out"
mkdir -p "$out"
cp examples/page.tif examples/page.txt "$out/"
cd "$out"
tool=../build/tavoalign
lines=$(grep -c . page.txt)

step() {
    echo "\$ tavoalign $*" >>log.txt
    set +e
    "$tool" "$@" >>log.txt 2>&1
    status=$?
    set -e
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
        echo "tavoalign $1 failed with status $status; see $out/log.txt" >&2
        exit 1
    fi
}
zones() { grep -c 'DL_TEXTLINEGT' "$1" || true; }

step -textline page.tif lines.xml "$lines"
step -merge page.txt lines.xml merged.xml
step -segword page.tif merged.xml segmented.xml
step -splitword page.tif segmented.xml words.xml -readorderRL
"$tool" -verify words.xml page.txt >verify.txt 2>&1 || true
step -render page.tif words.xml overlay.png

verdict=$(grep -v '^-1$' verify.txt | tr -d '\r' | paste -sd ' ' -)
echo "text lines found:  $(zones lines.xml)"
echo "zones merged:      $(zones merged.xml)"
echo "words written:     $(zones words.xml)"
echo "verify verdict:    $verdict"
echo "overlay image:     $out/overlay.png"
echo "all files:         $out/ (commands and messages in $out/log.txt)"
