// A scripted editing session in headless Chromium against `tavoalign -serve`:
// drag an edge, split a word, merge two, retype one, mark one checked, save,
// reload and find every change again; then two tabs on the same page, of
// which the later save must be refused.  Prints what the shell test then
// compares with the files on disk, and the time until the page took keys.
//
//   node editor_browser.js URL
//       URL: the page's review.html over the server, with ?token=
//   node editor_browser.js URL ready [N]
//       only opens the page N times (default 10) and prints the median time
//       from navigation until the editor takes keys (bench/editor-ready.sh)
'use strict';
const { launch } = require('./devtools_pipe');

const [url, mode, times] = process.argv.slice(2);
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };
const browser = launch((what) => failures.push(what));
setTimeout(() => { console.error('FAIL: the session did not end in time'); browser.finish(1); }, 90000);

const zonesOf = `tavoEditor.state.zones.map((z) => ({ kind: z.kind, line: z.line, x: z.x, y: z.y, w: z.w, h: z.h,
                                                    text: z.text, checked: z.checked }))`;

// Screen position of a point of zone i (fx, fy: fractions of its box).
async function at(tab, i, fx, fy) {
  return tab.evaluate(`(() => {
    const r = document.querySelector('svg rect[data-index="${i}"]');
    r.scrollIntoView({ block: 'center', inline: 'center' });
    const b = r.getBoundingClientRect();
    return { x: b.left + b.width * ${fx}, y: b.top + b.height * ${fy} };
  })()`);
}

// Words with at least n neighbours after them on their line, not checked.
async function wordWithNeighbours(tab, skip) {
  return tab.evaluate(`(() => {
    const zones = tavoEditor.state.zones;
    const skip = ${JSON.stringify(skip)};
    for (let i = 0; i + 1 < zones.length; ++i)
      if (zones[i].kind === 'word' && zones[i + 1].kind === 'word' && zones[i].line === zones[i + 1].line &&
          !zones[i].checked && !zones[i + 1].checked && !skip.includes(i) && zones[i].w > 40) return i;
    return -1;
  })()`);
}

async function session() {
  const tab = await browser.tab();
  await tab.open(url);
  await tab.until('window.tavoEditor && tavoEditor.ready', 'the editor');
  const readyMs = await tab.evaluate('tavoEditor.state && Math.round(window.tavoEditor.readyMs)');
  const before = await tab.evaluate(zonesOf);
  const words = before.filter((z) => z.kind === 'word').length;
  console.log(`ready: ${words} words in ${readyMs} ms`);

  // 1. Drag the left edge of a word 8 screen pixels further left.
  let i = await wordWithNeighbours(tab, []);
  check(i >= 0, 'no word to edit');
  await tab.evaluate(`tavoEditor.select(${i})`);
  const scale = await tab.evaluate(`tavoEditor.state.width / document.querySelector('svg').getBoundingClientRect().width`);
  const edge = await at(tab, i, 0, 0.5);
  await tab.drag({ x: edge.x + 1, y: edge.y }, { x: edge.x - 7, y: edge.y });
  let z = (await tab.evaluate(zonesOf))[i];
  check(Math.abs(before[i].x - z.x - 8 * scale) <= 2 * scale + 1 && z.x + z.w === before[i].x + before[i].w,
        `dragging the left edge: ${JSON.stringify(before[i])} became ${JSON.stringify(z)}`);
  check(z.checked, 'a dragged zone is not checked');
  const dragged = z;

  // 2. Split a word with the pointer over its middle ("s").
  let count = (await tab.evaluate(zonesOf)).length;
  i = await wordWithNeighbours(tab, [i]);
  await tab.evaluate(`tavoEditor.select(${i})`);
  const middle = await at(tab, i, 0.5, 0.5);
  await tab.mouse('mouseMoved', middle.x, middle.y, 0);
  await tab.key('s');
  await tab.until(`tavoEditor.state.zones.length === ${count + 1}`, 'the split');

  // 3. Merge a word with the next one on its line ("m").
  count += 1;
  i = await wordWithNeighbours(tab, []);
  await tab.evaluate(`tavoEditor.select(${i})`);
  const mergedText = await tab.evaluate(`tavoEditor.state.zones[${i}].text + ' ' + tavoEditor.state.zones[${i + 1}].text`);
  await tab.key('m');
  await tab.until(`tavoEditor.state.zones.length === ${count - 1}`, 'the merge');
  count -= 1;

  // 4. Retype a word ("t", typed text, Enter): decomposed input is kept NFC.
  i = await wordWithNeighbours(tab, []);
  await tab.evaluate(`tavoEditor.select(${i})`);
  await tab.key('t');
  const typed = '\u0643\u062A\u0627\u0628 \u0622\u0645\u0627\u0644';  // the second word with a composed alef madda
  await tab.send('Input.insertText', { text: typed.normalize('NFD') });
  await tab.key('Enter');
  z = (await tab.evaluate(zonesOf))[i];
  check(z.text === typed && z.checked, `retyped zone: ${JSON.stringify(z)}`);

  // Typing Arabic on a selected zone starts retyping it; Escape leaves it as it was.
  const typedOn = await wordWithNeighbours(tab, [i]);
  const typedOnText = await tab.evaluate(`tavoEditor.state.zones[${typedOn}].text`);
  await tab.evaluate(`tavoEditor.select(${typedOn})`);
  await tab.key('\u0628');
  check(await tab.evaluate(`document.activeElement.id === 'editor-text' && document.activeElement.value === '\u0628'`),
        'typing Arabic did not start retyping');
  await tab.key('Escape');
  check(await tab.evaluate(`tavoEditor.state.zones[${typedOn}].text`) === typedOnText, 'Escape changed the text');

  // 5. Mark a word checked (Enter) without changing it.
  const unchecked = await tab.evaluate(`tavoEditor.state.zones.findIndex((z) => z.kind === 'word' && !z.checked)`);
  await tab.evaluate(`tavoEditor.select(${unchecked})`);
  await tab.key('Enter');
  check(await tab.evaluate(`tavoEditor.state.zones[${unchecked}].checked`), 'Enter did not mark the zone checked');

  // Undo and redo the mark.
  await tab.key('z', 2);
  check(!(await tab.evaluate(`tavoEditor.state.zones[${unchecked}].checked`)), 'Ctrl+Z did not undo');
  await tab.key('y', 2);
  check(await tab.evaluate(`tavoEditor.state.zones[${unchecked}].checked`), 'Ctrl+Y did not redo');

  // Move a word to the line below (Alt+Down): it lands on the next line zone.
  const lines = await tab.evaluate(`tavoEditor.state.zones.map((z, i) => z.kind === 'line' ? i : -1).filter((i) => i >= 0)`);
  const mover = await tab.evaluate(`tavoEditor.state.zones.findIndex((z) => z.kind === 'word' && z.line === ${lines[0]})`);
  const moverText = await tab.evaluate(`tavoEditor.state.zones[${mover}].text`);
  count = (await tab.evaluate(zonesOf)).length;
  await tab.evaluate(`tavoEditor.select(${mover})`);
  await tab.key('ArrowDown', 1);
  await tab.until(`tavoEditor.state.zones.some((z) => z.text === ${JSON.stringify(moverText)} && z.line === ${lines[1]})`,
                  'the move to the line below');

  // Draw a missing word on a line ("w", drag), then delete it again.
  const line = await at(tab, lines[2], 0.02, 0.2), end = await at(tab, lines[2], 0.06, 0.8);
  await tab.key('w');
  await tab.drag(line, end);
  await tab.until(`tavoEditor.state.zones.length === ${count + 1} && !tavoEditor.state.busy`, 'the drawn word');
  const drawn = await tab.evaluate(`tavoEditor.state.zones[tavoEditor.state.selected]`);
  check(drawn.kind === 'word' && drawn.line === lines[2] && drawn.checked, 'drawn word: ' + JSON.stringify(drawn));
  await tab.key('Escape');  // leaves the text field the new word opened
  await tab.key('Delete');
  check((await tab.evaluate(zonesOf)).length === count, 'Delete did not remove the drawn word');

  // Zoom in and back.
  const width = () => tab.evaluate(`document.querySelector('.page').getBoundingClientRect().width`);
  const fitted = await width();
  await tab.key('+');
  check((await width()) > fitted * 1.2, 'zooming in did not enlarge the page');
  await tab.key('0');
  check(Math.abs((await width()) - fitted) < 2, '0 did not fit the page again');

  // 6. Save (Ctrl+S) and reload: every change is there again.
  const edited = await tab.evaluate(zonesOf);
  await tab.key('s', 2);
  await tab.until(`document.getElementById('editor-status').className !== '' &&
                   !/Saving/.test(document.getElementById('editor-status').textContent)`, 'the save');
  const saved = await tab.evaluate(`document.getElementById('editor-status').className`);
  check(saved === 'saved', 'save: ' + (await tab.evaluate(`document.getElementById('editor-status').textContent`)));
  await tab.open(url);
  await tab.until('window.tavoEditor && tavoEditor.ready', 'the editor after reloading');
  const reloaded = await tab.evaluate(zonesOf);
  check(reloaded.length === edited.length, `${reloaded.length} zones after reloading, ${edited.length} saved`);
  check(reloaded.some((r) => r.x === dragged.x && r.w === dragged.w && r.y === dragged.y), 'the dragged edge is lost');
  check(reloaded.some((r) => r.text === typed && r.checked), 'the retyped word is lost');
  check(reloaded.some((r) => r.text === mergedText), 'the merged word is lost: ' + mergedText);
  check(reloaded.filter((r) => r.checked).length >= edited.filter((r) => r.checked).length, 'checked marks lost');
  console.log('saved: ' + JSON.stringify({ typed, merged: mergedText, checked: reloaded.filter((r) => r.checked).length }));

  // 7. Two tabs on the same version: the first save wins, the second is refused.
  const other = await browser.tab();
  await other.open(url);
  await other.until('window.tavoEditor && tavoEditor.ready', 'the editor in a second tab');
  for (const t of [tab, other]) {
    const n = await t.evaluate(`tavoEditor.state.zones.findIndex((z) => z.kind === 'word' && !z.checked)`);
    await t.evaluate(`tavoEditor.select(${n})`);
    await t.key('Enter');
    await t.key('s', 2);
    await t.until(`!/Saving|^$/.test(document.getElementById('editor-status').textContent) &&
                   document.getElementById('editor-status').className !== ''`, 'a save');
  }
  check(await tab.evaluate(`document.getElementById('editor-status').className`) === 'saved', 'the first save failed');
  check(await other.evaluate(`document.getElementById('editor-status').className`) === 'conflict',
        'the second save was not refused: ' + (await other.evaluate(`document.getElementById('editor-status').textContent`)));

  // 8. Without a token the page stays read only.
  const plain = await browser.tab();
  await plain.open(url.replace(/[?&]token=[^&]*/, ''));
  check(!(await plain.evaluate(`document.body.classList.contains('editing')`)), 'editing without a token');
}

async function ready() {
  const tab = await browser.tab();
  const ms = [];
  let words = 0;
  for (let n = 0; n < Number(times || 10); ++n) {
    await tab.open(url);
    await tab.until('window.tavoEditor && tavoEditor.ready', 'the editor');
    ms.push(await tab.evaluate('performance.now()'));
    words = await tab.evaluate(`tavoEditor.state.zones.filter((z) => z.kind === 'word').length`);
  }
  ms.sort((a, b) => a - b);
  console.log(`${words} words: ready for keys ${Math.round(ms[ms.length >> 1])} ms after navigation (median of ` +
              `${ms.length}; min ${Math.round(ms[0])}, max ${Math.round(ms[ms.length - 1])})`);
}

(async () => {
  try {
    await (mode === 'ready' ? ready() : session());
  } catch (error) {
    failures.push(String(error && error.stack || error));
  }
  for (const f of failures) console.error('FAIL: editor: ' + f);
  if (!failures.length) console.log('ok: editor ' + url);
  browser.finish(failures.length ? 1 : 0);
})();
