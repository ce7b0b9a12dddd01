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
status=0
TAVOALIGN="$PWD/build/tavoalign" tools/tavoalign-page examples/page.tif examples/page.txt "$out" || status=$?

# result.csv: page, statuses of the six commands, lines, words, "verdict"
IFS=, read -r _ s1 s2 s3 s4 s5 s6 lines words verdict <"$out/result.csv"
echo "statuses:          -textline $s1, -merge $s2, -segword $s3, -splitword $s4, -verify $s5, -render $s6"
echo "text lines found:  $lines"
echo "zones merged:      $(grep -c DL_TEXTLINEGT "$out/merged.xml" 2>/dev/null || echo 0)"
echo "words written:     $words"
echo "verify verdict:    $verdict"
echo "overlay image:     $out/overlay.png"
echo "all files:         $out/ (commands and messages in $out/log.txt)"
exit "$status"
