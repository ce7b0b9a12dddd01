// Opens a review page or a batch index in headless Chromium (the DevTools
// protocol over a pipe, nothing downloaded) and checks what a person would
// see: every zone drawn, the doubtful list worst first, Arabic text right to
// left, keyboard steps between doubtful zones, a page that is not blank.
//
//   node review_browser.js review FILE.html ZONES [doubtful]
//       ZONES zones expected; with "doubtful", at least one listed
//       with "hostile" instead: names and texts carry script; none may run
//       (no dialog, window.injected unset) and every link, the page picture
//       and the crops must still lead to their files
//   node review_browser.js index FILE.html PAGES
'use strict';
const fs = require('fs');
const path = require('path');
const { launch } = require('./devtools_pipe');

const [kind, file, expected, doubtful] = process.argv.slice(2);
const failures = [];
function check(ok, what) { if (!ok) failures.push(what); }
// A dialog would stop the page; the launcher closes it and counts it here.
const browser = launch((what) => failures.push(what));
const finish = browser.finish, sleep = browser.sleep;
setTimeout(() => { console.error('FAIL: browser did not answer in time'); finish(1); }, 60000);
let tab;
const send = (method, params) => tab.send(method, params);
const evaluate = (expression) => tab.evaluate(expression);
const key = (k) => tab.key(k);

// Share of the screenshot's pixels that differ from its most common colour,
// measured by the browser itself on a canvas.
async function inkShare(png) {
  return evaluate(`new Promise((done) => {
    const image = new Image();
    image.onload = () => {
      const canvas = document.createElement('canvas');
      canvas.width = image.width; canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      const data = new Uint32Array(context.getImageData(0, 0, image.width, image.height).data.buffer);
      const counts = new Map();
      for (const p of data) counts.set(p, (counts.get(p) || 0) + 1);
      done(1 - Math.max(...counts.values()) / data.length);
    };
    image.src = 'data:image/png;base64,${png}';
  })`);
}

async function checkReview() {
  const page = await evaluate(`(() => {
    const rects = [...document.querySelectorAll('svg rect')];
    const items = [...document.querySelectorAll('#doubtful li')];
    const arabic = [...document.querySelectorAll('#doubtful .ar')];
    const img = document.querySelector('.page img');
    return {
      zones: rects.length,
      ids: new Set(rects.map((r) => r.id)).size,
      listed: items.map((li) => Number(li.dataset.confidence)),
      listedZonesExist: items.every((li) => document.getElementById(li.dataset.zone)),
      rightToLeft: arabic.every((e) => getComputedStyle(e).direction === 'rtl' && e.lang === 'ar'),
      imageLoaded: img.complete && img.naturalWidth > 0,
      loadMs: performance.getEntriesByType('navigation')[0].loadEventEnd,
    };
  })()`);
  check(page.zones === Number(expected), `${page.zones} zones drawn, expected ${expected}`);
  check(page.ids === page.zones, 'zone ids are not unique');
  check(page.listed.length > 0 || (doubtful !== 'doubtful' && doubtful !== 'hostile'), 'no doubtful zone listed');
  check(page.listed.every((c, i) => i === 0 || page.listed[i - 1] <= c), 'doubtful list not sorted: ' + page.listed);
  check(page.listedZonesExist, 'a listed zone is not drawn');
  check(page.rightToLeft, 'Arabic text not right to left');
  check(page.imageLoaded, 'page image not loaded');
  check(page.loadMs < 1000, `page took ${page.loadMs} ms to load`);

  const selected = () => evaluate(`(() => {
    const li = document.querySelector('#doubtful li.selected');
    const rect = document.querySelector('svg rect.selected');
    return { item: li && li.dataset.zone, rect: rect && rect.id,
             text: document.getElementById('detail-text').textContent };
  })()`);
  const order = await evaluate(`[...document.querySelectorAll('#doubtful li')].map((li) => li.dataset.zone)`);
  if (!order.length) return;
  await key('n');
  let s = await selected();
  check(s.item === order[0] && s.rect === order[0] && s.text.length > 0, 'n did not select the first doubtful zone');
  if (order.length > 1) {
    await key('ArrowRight');
    s = await selected();
    check(s.item === order[1] && s.rect === order[1], 'the right arrow did not step to the next doubtful zone');
    await key('p');
    s = await selected();
    check(s.item === order[0], 'p did not step back');
  }
  if (doubtful === 'hostile') await checkNothingRuns();
}

// Links, the page picture and the crops of a page whose names carry script.
async function checkNothingRuns() {
  // Clicking the first zone shows its text, which carries markup.
  await evaluate(`document.querySelector('#doubtful li').click()`);
  await sleep(200);
  const page = await evaluate(`(() => ({
    injected: window.injected,
    scripts: document.scripts.length,
    images: document.images.length,
    links: [...document.querySelectorAll('a[href]')].map((a) => a.href),
    crops: [...document.querySelectorAll('.crop')].map((c) => getComputedStyle(c).backgroundImage),
    detail: document.getElementById('detail-text').textContent,
  }))()`);
  check(page.injected === undefined, 'injected script ran');
  check(page.scripts === 3 && page.images === 1, `${page.scripts} scripts, ${page.images} images on the page`);
  check(/<script>/.test(page.detail), 'the zone text is not shown as text: ' + page.detail);
  check(page.links.length > 0, 'no links');
  const exists = (url) => url.startsWith('file://') && fs.existsSync(decodeURIComponent(new URL(url).pathname));
  for (const link of page.links) check(exists(link), 'link does not lead to a file: ' + link);
  for (const crop of page.crops) {
    const url = /^url\("(.*)"\)$/.exec(crop);
    check(url && exists(url[1]), 'crop picture missing: ' + crop);
  }
}

async function checkIndex() {
  // Thumbnails load lazily; load them all to see that each one is there.
  await evaluate(`document.querySelectorAll('td img').forEach((i) => { i.loading = 'eager'; })`);
  for (let i = 0; i < 100 && !(await evaluate(`[...document.images].every((i) => i.complete)`)); ++i)
    await sleep(50);
  const page = await evaluate(`(() => {
    const rows = [...document.querySelectorAll('tr.page')];
    const rank = { failed: 0, doubtful: 1, done: 2, sure: 3, unfinished: 4 };
    return {
      rows: rows.length,
      ranks: rows.map((r) => rank[r.dataset.state] * 100000 - Number(r.dataset.doubtful)),
      thumbs: [...document.querySelectorAll('td img')].every((i) => i.complete && i.naturalWidth > 0),
      links: rows.every((r) => r.querySelector('a[href$="review.html"]')),
      targets: [...document.querySelectorAll('a[href], img[src]')].map((a) => a.href || a.src),
      summary: document.getElementById('summary').textContent,
    };
  })()`);
  check(page.rows === Number(expected), `${page.rows} pages listed, expected ${expected}`);
  check(page.ranks.every((r, i) => i === 0 || page.ranks[i - 1] <= r), 'pages not sorted by doubt');
  check(page.thumbs, 'a thumbnail did not load');
  check(page.links, 'a page has no link to its review page');
  for (const url of page.targets)
    check(fs.existsSync(decodeURIComponent(new URL(url).pathname)), 'index link does not lead to a file: ' + url);
  check(/^\d+ pages: /.test(page.summary), 'no progress summary');
}

(async () => {
  try {
    tab = await browser.tab();
    await tab.open(require('url').pathToFileURL(path.resolve(file)).href);
    await (kind === 'review' ? checkReview() : checkIndex());
    const shot = await send('Page.captureScreenshot', { format: 'png' });
    if (process.env.SCREENSHOT) fs.writeFileSync(process.env.SCREENSHOT, Buffer.from(shot.data, 'base64'));
    const ink = await inkShare(shot.data);
    check(ink > 0.02, `screenshot is blank (${(ink * 100).toFixed(1)}% not background)`);
  } catch (error) {
    failures.push(String(error));
  }
  for (const f of failures) console.error('FAIL: ' + kind + ' ' + file + ': ' + f);
  if (!failures.length) console.log('ok: ' + kind + ' ' + file);
  finish(failures.length ? 1 : 0);
})();
