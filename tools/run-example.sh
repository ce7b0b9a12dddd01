#!/bin/sh
# Installs what is missing, builds the program and runs the main job on the
# bundled example page: text lines found with the transcription, words and
# PAWs from the ink in reading order, verification, the confidence check, an
# overlay, a review page and the PAGE XML and ALTO exports.  Every intermediate file stays in example-output/; the
# summary at the end says what to look at.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tavoalign

out=example-output
status=0
TAVOALIGN="$PWD/build/tavoalign" tools/tavoalign-page examples/page.tif examples/page.txt "$out" || status=$?

# result.csv: page, method, statuses of -lines, -words, -verify, -render,
# lines found, words written, "verdict", statuses of -check and -review,
# doubtful lines, doubtful words.  The page name may be quoted and hold
# commas or line breaks, so the other fields are read from the end of the
# record's last line.
fields=$(tail -n 1 "$out/result.csv" | awk -F, '{ for (i = NF - 10; i <= NF; ++i) printf "%s%s", $i, (i < NF ? "\t" : "\n") }')
tab=$(printf '\t')
IFS=$tab read -r s1 s2 s3 s4 lines words verdict s5 s6 dlines dwords <<EOF
$fields
EOF
verdict=$(echo "$verdict" | tr -d '"')
case $verdict in
    99999) said="the words reproduce the transcription in reading order" ;;
    -) said="not verified: a step failed" ;;
    *) said="the words do not reproduce the transcription ($verdict)" ;;
esac
case $status in
    0) outcome="all is well: every line and word fits its ink" ;;
    3) outcome="check the $dlines doubtful lines and $dwords doubtful words listed below" ;;
    *) outcome="a step failed, see $out/log.txt" ;;
esac
echo
echo "Result:            $outcome"
echo "text lines:        $lines found, $dlines doubtful"
echo "words:             $words written, $dwords doubtful"
echo "verify:            $said"
echo "statuses:          -lines $s1, -words $s2, -verify $s3, -render $s4, -check $s5, -review $s6"
if [ "$status" -eq 3 ]; then
    echo "doubtful zones (file:line: kind confidence reasons: text):"
    grep -v '^doubtful:' "$out/check.txt" | head -20 | sed 's/^/  /'
    if [ "$(grep -vc '^doubtful:' "$out/check.txt" || true)" -gt 20 ]; then
        echo "  ... (all of them in $out/check.txt)"
    fi
fi
echo "review page:       open $out/review.html in a browser (n / p step through the doubtful zones)"
echo "overlay image:     $out/overlay.png"
echo "for other tools:   $out/page.xml (PAGE XML), $out/alto.xml (ALTO)"
echo "all files:         $out/ (commands and messages in $out/log.txt)"
# Doubtful zones are a finding, not a failure of the example.
[ "$status" -eq 3 ] && exit 0
exit "$status"
