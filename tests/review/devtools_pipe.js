// Headless Chromium driven over the DevTools protocol on a pipe (Debian's
// chromium, nothing downloaded): start it, open tabs, evaluate, send keys
// and mouse events.  Used by review_browser.js and editor_browser.js.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

function launch(onFailure) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tavo-browser-'));
  const browser = spawn(process.env.CHROMIUM || 'chromium', [
    '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--no-first-run',
    '--remote-debugging-pipe', '--user-data-dir=' + profile, '--window-size=1400,900', 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
  let finishing = false, nextId = 1, buffer = '';
  const waiting = new Map(), events = [];
  browser.on('exit', (code) => {
    if (!finishing) { console.error('FAIL: the browser ended early (status ' + code + ')'); process.exit(1); }
  });
  browser.stdio[3].on('error', () => {});
  browser.stdio[4].on('error', () => {});
  function send(method, params = {}, sessionId) {
    const id = nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    browser.stdio[3].write(JSON.stringify(message) + '\0');
    return new Promise((resolve, reject) => waiting.set(id, { resolve, reject }));
  }
  browser.stdio[4].on('data', (chunk) => {
    buffer += chunk.toString('utf8');
    let end;
    while ((end = buffer.indexOf('\0')) >= 0) {
      const message = JSON.parse(buffer.slice(0, end));
      buffer = buffer.slice(end + 1);
      if (message.id && waiting.has(message.id)) {
        const { resolve, reject } = waiting.get(message.id);
        waiting.delete(message.id);
        message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
      } else if (message.method) {
        events.push({ method: message.method, sessionId: message.sessionId });
        if (message.method === 'Page.javascriptDialogOpening') {
          onFailure('a dialog opened: ' + message.params.message);
          send('Page.handleJavaScriptDialog', { accept: true }, message.sessionId);
        }
      }
    }
  });
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

  // A tab: its own session.
  async function tab() {
    const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
    const s = (method, params) => send(method, params, sessionId);
    await s('Page.enable');
    const t = {
      send: s,
      async evaluate(expression) {
        const r = await s('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
        if (r.exceptionDetails) throw new Error('in the page: ' + JSON.stringify(r.exceptionDetails.exception || r.exceptionDetails));
        return r.result.value;
      },
      async open(url) {
        const before = events.length;
        await s('Page.navigate', { url });
        for (let i = 0; i < 400; ++i) {
          if (events.slice(before).some((e) => e.method === 'Page.loadEventFired' && e.sessionId === sessionId)) return;
          await sleep(25);
        }
        throw new Error('page did not load: ' + url);
      },
      async until(expression, what, ms = 10000) {
        for (let waited = 0; waited < ms; waited += 25) {
          if (await t.evaluate(expression)) return;
          await sleep(25);
        }
        throw new Error('timed out waiting for ' + what);
      },
      async key(k, modifiers = 0) {
        const text = k.length === 1 && !(modifiers & 2) ? k : k === 'Enter' ? '\r' : undefined;
        const code = { Enter: 13, Delete: 46, Escape: 27, ArrowUp: 38, ArrowDown: 40, ArrowLeft: 37, ArrowRight: 39 }[k];
        const common = { key: k, modifiers, windowsVirtualKeyCode: code || (k.length === 1 ? k.toUpperCase().charCodeAt(0) : 0) };
        await s('Input.dispatchKeyEvent', Object.assign({ type: text ? 'keyDown' : 'rawKeyDown', text }, common));
        await s('Input.dispatchKeyEvent', Object.assign({ type: 'keyUp' }, common));
      },
      async mouse(type, x, y, buttons = 1) {
        await s('Input.dispatchMouseEvent', { type, x, y, button: type === 'mouseMoved' ? 'none' : 'left',
                                              buttons: type === 'mouseReleased' ? 0 : buttons, clickCount: 1 });
      },
      async drag(from, to, steps = 5) {
        await t.mouse('mouseMoved', from.x, from.y, 0);
        await t.mouse('mousePressed', from.x, from.y);
        for (let i = 1; i <= steps; ++i)
          await t.mouse('mouseMoved', from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        await t.mouse('mouseReleased', to.x, to.y);
      },
    };
    return t;
  }

  function finish(code) {
    finishing = true;
    browser.on('exit', () => {
      try { fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5 }); } catch (e) { /* left in tmp */ }
      process.exit(code);
    });
    browser.kill('SIGKILL');
  }
  return { send, tab, finish, sleep };
}

module.exports = { launch };
