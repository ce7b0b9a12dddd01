#!/bin/bash
# The editor in a real browser over `tavoalign -serve`: the example page runs
# through the main job into a batch folder, the server serves it, and
# editor_browser.js drags an edge, splits, merges, retypes, marks checked,
# saves, reloads, and saves from two tabs.  Then the files on disk must hold
# the changes, the history the previous version, the exports must validate,
# and the refused save must have written nothing.  Skipped (status 77)
# without chromium or node.
#   editor_browser_test.sh TAVOALIGN
set -eu
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
root="$here/../.."
for program in ${CHROMIUM:-chromium} node; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/install-deps.sh installs it)"; exit 77; }
done
"$tool" --help 2>&1 | grep -q -- "-serve" || { echo "SKIP: this build has no -serve"; exit 77; }
work=$(mktemp -d)
server=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; status=1; }

page="$work/out/pages/ex #1"
TAVOALIGN="$tool" "$root/tools/tavoalign-page" "$root/examples/page.tif" "$root/examples/page.txt" "$page" || true
"$tool" -reviewindex "$work/out" "$work/out/index.html" >/dev/null
cp "$page/words.xml" "$work/original.xml"

"$tool" -serve "$work/out" --port 0 >"$work/serve.log" 2>&1 &
server=$!
for _ in $(seq 100); do grep -qs '^open ' "$work/serve.log" && break; sleep 0.05; done
address=$(sed -n 's/^open //p' "$work/serve.log")
[ -n "$address" ] || { echo "FAIL: the server printed no address: $(cat "$work/serve.log")"; exit 1; }
token=${address##*token=}
base=${address%%/\?*}

status=0
node "$here/editor_browser.js" "$base/pages/ex%20%231/review.html?token=$token" >"$work/session.log" || status=1
cat "$work/session.log"

# Files on disk: the first save kept the original, the second the first save;
# the refused third wrote nothing.
cmp -s "$work/original.xml" "$page/history/words.1.xml" || fail "history/words.1.xml is not the words file before the first save"
[ -f "$page/history/words.2.xml" ] || fail "the second save kept no history"
[ ! -e "$page/history/words.3.xml" ] || fail "the refused save wrote a version"
typed=$(sed -n 's/^saved: .*"typed":"\([^"]*\)".*/\1/p' "$work/session.log")
merged=$(sed -n 's/^saved: .*"merged":"\([^"]*\)".*/\1/p' "$work/session.log")
grep -q "contents=\"$typed\"[^>]*checked=\"yes\"" "$page/words.xml" || fail "the retyped word is not in words.xml with checked=\"yes\""
grep -q "contents=\"$merged\"" "$page/words.xml" || fail "the merged word is not in words.xml"
checked=$(grep -c 'checked="yes"' "$page/words.xml" || true)
[ "$checked" -ge 5 ] || fail "only $checked zones marked checked in words.xml"
for export in page.xml alto.xml; do
    "$tool" -validate "$page/$export" >/dev/null || fail "$export does not validate after saving"
    [ "$page/$export" -nt "$work/original.xml" ] || fail "$export was not written again"
done

# The index shows the page's checked zones and its last save.
"$tool" -reviewindex "$work/out" "$work/out/index.html" >/dev/null
grep -q "data-checked=\"$checked\"" "$work/out/index.html" || fail "the index does not count the checked zones"

kill -INT "$server"
wait "$server" && server= || { fail "the server did not stop cleanly on SIGINT"; server=; }
exit $status
