// The zone editor of the review page.  Opened from disk (file://) the page
// stays read only; served by `tavoalign -serve` with ?token= in its address
// it loads the zones from /api/zones and lets a person correct them:
// select, move and resize, split, merge, move to another line, retype, draw,
// delete, mark checked, undo and redo, zoom and pan, and save.  Keyboard
// first; every action also has a toolbar button.
(function () {
  'use strict';
  // start.js, in the page's head, found the token and the page's folder and
  // asked for the zones already.
  var start = window.tavoEditorStart;
  if (!start) return;
  var token = start.token, page = start.page;
  var pageBox = document.querySelector('.page');
  // The page scrolls inside its own box, below the zone's text.
  var view = document.createElement('div');
  view.id = 'editor-scroll';
  var svg = pageBox.querySelector('svg');
  var svgNS = svg.namespaceURI;
  var img = pageBox.querySelector('img');

  var state = {
    zones: [], version: null, width: 0, height: 0, selected: -1,
    undo: [], redo: [], dirty: false, zoom: 1, mode: null, busy: false,
  };
  var started = performance.now();
  var lastPointer = null;  // page coordinates of the last pointer position

  // ---- the server -------------------------------------------------------
  function api(name, body) {
    var init = body === undefined ? {} : {
      method: 'POST',
      headers: { 'Content-Type': 'application/json', 'X-Tavo-Token': token },
      body: JSON.stringify(body),
    };
    var request = name === 'zones' && start.zones ? start.zones :
      fetch('/api/' + name + '?page=' + encodeURIComponent(page), init);
    start.zones = null;  // taken once; a reload asks again
    return request.then(function (r) {
      return r.text().then(function (text) {
        var json = null;
        try { json = JSON.parse(text); } catch (e) { json = null; }
        return { status: r.status, json: json };
      });
    });
  }

  function say(text, kind) {
    var status = document.getElementById('editor-status');
    status.textContent = text;
    status.className = kind || '';
  }

  function failure(what, r) {
    if (r.status === 403) return what + ': the server refused the token; open the address the server printed.';
    var why = r.json && r.json.error ? r.json.error : 'status ' + r.status;
    return what + ' failed: ' + why;
  }

  // ---- the model ----------------------------------------------------------
  // A zone with a doubt is in doubt, and one below this confidence (as -check
  // decides).
  var doubtfulBelow = 0.5;
  function isDoubtful(z) {
    return !z.checked && (!!z.doubt || (z.confidence !== null && z.confidence !== undefined && z.confidence < doubtfulBelow));
  }

  function lineZones() {
    var lines = [];
    state.zones.forEach(function (z, i) { if (z.kind === 'line') lines.push(i); });
    return lines;
  }

  // The zones n and p step through: the doubtful ones not yet checked, or
  // every zone when none is left.
  function stepOrder() {
    var order = [];
    state.zones.forEach(function (z, i) { if (isDoubtful(z)) order.push(i); });
    if (!order.length) order = state.zones.map(function (z, i) { return i; });
    return order;
  }

  // A word's "line" is the index of its line zone in the zones list.
  // Words of the same line in file order (reading order once renumbered).
  function wordsOfLine(line) {
    var words = [];
    state.zones.forEach(function (z, i) { if (z.kind === 'word' && z.line === line) words.push(i); });
    return words;
  }

  function snapshot() {
    state.undo.push(JSON.stringify({ zones: state.zones, selected: state.selected }));
    if (state.undo.length > 500) state.undo.shift();
    state.redo = [];
    state.dirty = true;
  }

  function restore(from, to) {
    if (!from.length) return;
    to.push(JSON.stringify({ zones: state.zones, selected: state.selected }));
    var s = JSON.parse(from.pop());
    state.zones = s.zones;
    state.selected = Math.min(s.selected, state.zones.length - 1);
    state.dirty = true;
    draw();
  }

  // A zone a person changed counts as checked and loses its old scores.
  function touched(z) {
    z.checked = true;
    z.confidence = null;
    z.doubt = null;
  }

  // ---- drawing ------------------------------------------------------------
  function zoneClass(z, i) {
    var c = z.kind + (z.checked ? ' checked' : isDoubtful(z) ? ' doubtful' : ' sure');
    return i === state.selected ? c + ' selected' : c;
  }

  function placeRect(rect, z) {
    rect.setAttribute('x', z.x);
    rect.setAttribute('y', z.y);
    rect.setAttribute('width', Math.max(1, z.w));
    rect.setAttribute('height', Math.max(1, z.h));
  }

  function draw() {
    var fragment = document.createDocumentFragment();
    state.zones.forEach(function (z, i) {
      var rect = document.createElementNS(svgNS, 'rect');
      rect.setAttribute('class', zoneClass(z, i));
      rect.dataset.index = i;
      placeRect(rect, z);
      var title = document.createElementNS(svgNS, 'title');
      title.textContent = z.text;
      rect.appendChild(title);
      fragment.appendChild(rect);
    });
    svg.textContent = '';
    svg.appendChild(fragment);
    showSelected();
    listToCheck();
    document.getElementById('editor-undo').disabled = !state.undo.length;
    document.getElementById('editor-redo').disabled = !state.redo.length;
  }

  function showSelected() {
    var z = state.zones[state.selected];
    var text = document.getElementById('detail-text');
    var meta = document.getElementById('detail-meta');
    var input = document.getElementById('editor-text');
    if (!z) {
      text.textContent = '';
      meta.textContent = 'Click a zone, or press n.';
      input.value = '';
      return;
    }
    text.textContent = z.text;
    meta.textContent = z.kind + ' ' + (state.selected + 1) + ' of ' + state.zones.length +
      (z.kind === 'word' && z.line !== null ? ' · line ' + (lineZones().indexOf(z.line) + 1) : '') +
      (z.checked ? ' · checked' : z.confidence !== null ? ' · confidence ' + z.confidence.toFixed(2) : '') +
      (z.doubt ? ' · ' + z.doubt : '');
    if (document.activeElement !== input) input.value = z.text;
  }

  // The doubtful zones not yet checked, each with a crop cut from the page
  // picture, worst first.
  function listToCheck() {
    var list = document.querySelector('#doubtful ol');
    var heading = document.querySelector('#doubtful h2');
    var order = [];
    state.zones.forEach(function (z, i) { if (isDoubtful(z)) order.push(i); });
    order.sort(function (a, b) {
      return (state.zones[a].confidence || 0) - (state.zones[b].confidence || 0);
    });
    heading.textContent = 'To check (' + order.length + ')';
    var fragment = document.createDocumentFragment();
    order.slice(0, 200).forEach(function (i) {
      var z = state.zones[i];
      var li = document.createElement('li');
      li.className = 'doubtful' + (i === state.selected ? ' selected' : '');
      li.dataset.index = i;
      var scale = Math.min(1, 560 / Math.max(1, z.w + 8));
      var crop = document.createElement('div');
      crop.className = 'crop';
      crop.style.width = (z.w + 8) * scale + 'px';
      crop.style.height = (z.h + 8) * scale + 'px';
      crop.style.backgroundImage = 'url("' + img.currentSrc.replace(/["\\]/g, '\\$&') + '")';
      crop.style.backgroundSize = state.width * scale + 'px ' + state.height * scale + 'px';
      crop.style.backgroundPosition = -(z.x - 4) * scale + 'px ' + -(z.y - 4) * scale + 'px';
      var text = document.createElement('div');
      text.className = 'ar';
      text.dir = 'rtl';
      text.lang = 'ar';
      text.textContent = z.text;
      var meta = document.createElement('div');
      meta.className = 'meta';
      meta.dir = 'auto';
      meta.textContent = z.kind + (z.confidence !== null ? ' ' + z.confidence.toFixed(2) : '') +
        (z.doubt ? ' · ' + z.doubt : '');
      li.append(crop, text, meta);
      fragment.appendChild(li);
    });
    list.textContent = '';
    list.appendChild(fragment);
  }

  function select(i, scroll) {
    state.selected = i;
    svg.querySelectorAll('.selected').forEach(function (e) { e.classList.remove('selected'); });
    var rect = svg.querySelector('rect[data-index="' + i + '"]');
    if (rect) {
      rect.classList.add('selected');
      if (scroll) rect.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    }
    document.querySelectorAll('#doubtful li.selected').forEach(function (e) { e.classList.remove('selected'); });
    var li = document.querySelector('#doubtful li[data-index="' + i + '"]');
    if (li) { li.classList.add('selected'); li.scrollIntoView({ block: 'nearest' }); }
    showSelected();
  }

  function step(by) {
    var order = stepOrder();
    if (!order.length) return;
    var at = order.indexOf(state.selected);
    if (at < 0) {
      at = by > 0 ? order.findIndex(function (i) { return i > state.selected; }) : -1;
      if (at < 0) at = by > 0 ? 0 : order.length - 1;
    } else {
      at = (at + by + order.length) % order.length;
    }
    select(order[at], true);
  }

  // ---- edits ------------------------------------------------------------
  function current() {
    var z = state.zones[state.selected];
    if (!z) say('Select a zone first (click it or press n).', 'error');
    return z;
  }

  // An edit the server computes (split, merge, move, renumber).
  // before: the state undo returns to (default: the present one).
  function serverEdit(op, selectAfter, before) {
    if (state.busy) return Promise.resolve();
    state.busy = true;
    before = before || JSON.stringify({ zones: state.zones, selected: state.selected });
    return api('edit', { zones: state.zones, op: op }).then(function (r) {
      state.busy = false;
      if (r.status !== 200 || !r.json || !Array.isArray(r.json.zones)) {
        say(failure('The ' + op.type, r), 'error');
        return;
      }
      state.undo.push(before);
      state.redo = [];
      state.dirty = true;
      state.zones = r.json.zones;
      state.selected = Math.max(-1, Math.min(selectAfter === undefined ? state.selected : selectAfter,
                                             state.zones.length - 1));
      draw();
      say(op.type === 'renumber' ? 'Renumbered.' : 'Done: ' + op.type + '.', '');
    }, function (e) {
      state.busy = false;
      say('The ' + op.type + ' failed: ' + e, 'error');
    });
  }

  function split(x) {
    var z = current();
    if (!z) return;
    if (z.kind !== 'word') { say('Only a word can be split.', 'error'); return; }
    if (x === undefined) x = lastPointer && lastPointer.x > z.x && lastPointer.x < z.x + z.w ? lastPointer.x : z.x + z.w / 2;
    return serverEdit({ type: 'split', zone: state.selected, x: Math.round(x) });
  }

  // Merges the selected word with the word after it in reading order (the
  // one to its left), or before it when before is true.
  function merge(before) {
    var z = current();
    if (!z) return;
    if (z.kind !== 'word') { say('Only words can be merged.', 'error'); return; }
    var words = wordsOfLine(z.line);
    var at = words.indexOf(state.selected);
    var other = words[at + (before ? -1 : 1)];
    if (other === undefined) { say('No word ' + (before ? 'before' : 'after') + ' this one on its line.', 'error'); return; }
    return serverEdit({ type: 'merge', a: Math.min(state.selected, other), b: Math.max(state.selected, other) },
                      Math.min(state.selected, other));
  }

  function moveToLine(dir) {
    var z = current();
    if (!z) return;
    if (z.kind !== 'word') { say('Only a word moves to another line.', 'error'); return; }
    return serverEdit({ type: 'move', zone: state.selected, dir: dir });
  }

  function markChecked() {
    var z = current();
    if (!z) return;
    snapshot();
    z.checked = true;
    draw();
    step(1);
  }

  function remove() {
    var z = current();
    if (!z) return;
    if (z.kind === 'line' && wordsOfLine(state.selected).length) {
      say('Move or delete the words of this line first.', 'error');
      return;
    }
    snapshot();
    var removed = state.selected;
    state.zones.splice(removed, 1);
    state.zones.forEach(function (w) { if (w.kind === 'word' && w.line > removed) w.line -= 1; });
    state.selected = Math.min(state.selected, state.zones.length - 1);
    draw();
  }

  // empty: start from an empty field (typing Arabic on a selected zone).
  function startRetype(empty) {
    if (!current()) return;
    var input = document.getElementById('editor-text');
    input.value = empty === true ? '' : state.zones[state.selected].text;
    input.focus();
    input.select();
  }

  function commitText() {
    var z = state.zones[state.selected];
    var input = document.getElementById('editor-text');
    if (!z) return;
    var text = input.value.normalize('NFC').replace(/\s+/g, ' ').trim();
    if (text !== z.text) {
      snapshot();
      z.text = text;
      touched(z);
      draw();
    } else if (!z.checked) {
      snapshot();
      z.checked = true;
      draw();
    }
    input.blur();
    step(1);
  }

  // The line a drawn word belongs to: the line zone it shares most rows with.
  function lineFor(box) {
    var best = -1, bestOverlap = 0;
    lineZones().forEach(function (i) {
      var l = state.zones[i];
      var overlap = Math.min(l.y + l.h, box.y + box.h) - Math.max(l.y, box.y);
      if (overlap > bestOverlap) { bestOverlap = overlap; best = i; }
    });
    return best;
  }

  function addZone(kind, box) {
    if (box.w < 3 || box.h < 3) return;
    var before = JSON.stringify({ zones: state.zones, selected: state.selected });
    var z = { kind: kind, x: box.x, y: box.y, w: box.w, h: box.h, text: '', confidence: null, doubt: null,
              checked: true, pawboxes: [], polygon: [], baseline: [] };
    if (kind === 'word') {
      z.line = lineFor(box);
      if (z.line < 0) { say('Draw a word on a line (draw the line first with l).', 'error'); return; }
      var words = wordsOfLine(z.line);
      var at = words.length ? words[words.length - 1] + 1 : state.zones.length;
      state.zones.forEach(function (w) { if (w.kind === 'word' && w.line >= at) w.line += 1; });
      state.zones.splice(at, 0, z);
      state.selected = at;
    } else {
      state.zones.push(z);
      state.selected = state.zones.length - 1;
    }
    var drawn = state.selected;
    serverEdit({ type: 'renumber' }, drawn, before).then(function () {
      // The new zone keeps its box; find it again after the renumbering.
      var found = state.zones.findIndex(function (o) {
        return o.kind === z.kind && o.x === z.x && o.y === z.y && o.w === z.w && o.h === z.h;
      });
      select(found >= 0 ? found : drawn, true);
      startRetype();
    });
  }

  function nudge(dx, dy, grow, shrink) {
    var z = current();
    if (!z) return;
    snapshot();
    if (grow) {
      if (dx < 0) { z.x += dx; z.w -= dx; } else if (dx > 0) z.w += dx;
      if (dy < 0) { z.y += dy; z.h -= dy; } else if (dy > 0) z.h += dy;
    } else if (shrink) {
      if (dx < 0) z.w = Math.max(1, z.w + dx); else if (dx > 0) { z.x += dx; z.w = Math.max(1, z.w - dx); }
      if (dy < 0) z.h = Math.max(1, z.h + dy); else if (dy > 0) { z.y += dy; z.h = Math.max(1, z.h - dy); }
    } else {
      z.x += dx;
      z.y += dy;
    }
    clampZone(z);
    touched(z);
    draw();
  }

  function clampZone(z) {
    z.x = Math.max(0, Math.min(Math.round(z.x), state.width - 1));
    z.y = Math.max(0, Math.min(Math.round(z.y), state.height - 1));
    z.w = Math.max(1, Math.min(Math.round(z.w), state.width - z.x));
    z.h = Math.max(1, Math.min(Math.round(z.h), state.height - z.y));
  }

  // ---- saving -------------------------------------------------------------
  function save() {
    if (state.busy) return;
    state.busy = true;
    say('Saving…', '');
    api('save', { base: state.version, zones: state.zones }).then(function (r) {
      state.busy = false;
      if (r.status === 200 && r.json) {
        state.version = r.json.version;
        state.dirty = false;
        say('Saved. Verification: ' + r.json.verify + '; doubtful zones left: ' + r.json.doubtful + '.', 'saved');
      } else if (r.status === 409) {
        say('Not saved: this page was saved elsewhere (another tab or person) since you opened it. ' +
            'Reload to see that version; the changes made here since are then lost.', 'conflict');
      } else {
        say(failure('Saving', r), 'error');
      }
    }, function (e) {
      state.busy = false;
      say('Saving failed: ' + e + ' (is the server still running?)', 'error');
    });
  }

  // ---- zoom and pan -------------------------------------------------------
  function zoomTo(z, around) {
    var old = state.zoom;
    state.zoom = Math.max(0.25, Math.min(16, z));
    var rect = view.getBoundingClientRect();
    var cx = around ? around.clientX - rect.left : view.clientWidth / 2;
    var cy = around ? around.clientY - rect.top : view.clientHeight / 2;
    var px = (view.scrollLeft + cx) / old, py = (view.scrollTop + cy) / old;
    pageBox.style.width = state.zoom * 100 + '%';
    view.scrollLeft = px * state.zoom - cx;
    view.scrollTop = py * state.zoom - cy;
  }

  // ---- pointer ------------------------------------------------------------
  function pagePoint(e) {
    var r = svg.getBoundingClientRect();
    return { x: (e.clientX - r.left) * state.width / r.width, y: (e.clientY - r.top) * state.height / r.height };
  }

  // Which part of the selected zone a point grabs: an edge or corner
  // ("l", "r", "t", "b" combined), "move" inside, or nothing.
  function grip(p) {
    var z = state.zones[state.selected];
    if (!z) return null;
    var r = svg.getBoundingClientRect();
    var slack = 6 * state.width / r.width;  // six screen pixels
    if (p.x < z.x - slack || p.x > z.x + z.w + slack || p.y < z.y - slack || p.y > z.y + z.h + slack) return null;
    var g = '';
    if (Math.abs(p.x - z.x) <= slack) g += 'l'; else if (Math.abs(p.x - z.x - z.w) <= slack) g += 'r';
    if (Math.abs(p.y - z.y) <= slack) g += 't'; else if (Math.abs(p.y - z.y - z.h) <= slack) g += 'b';
    return g || 'move';
  }

  var drag = null;
  svg.addEventListener('pointerdown', function (e) {
    if (e.button === 1 || (e.button === 0 && spaceHeld)) {
      drag = { pan: true, x: e.clientX, y: e.clientY, left: view.scrollLeft, top: view.scrollTop };
    } else if (e.button !== 0) {
      return;
    } else {
      var p = pagePoint(e);
      if (state.mode === 'word' || state.mode === 'line') {
        drag = { draw: state.mode, start: p, box: { x: p.x, y: p.y, w: 0, h: 0 } };
        drag.rect = document.createElementNS(svgNS, 'rect');
        drag.rect.setAttribute('class', state.mode + ' drawing');
        svg.appendChild(drag.rect);
      } else if (state.mode === 'split') {
        var hit = e.target.dataset.index !== undefined ? Number(e.target.dataset.index) : -1;
        if (hit >= 0) { state.selected = hit; split(p.x); }
        setMode(null);
        e.preventDefault();
        return;
      } else {
        var g = grip(p);
        if (!g) {
          var index = e.target.dataset.index;
          if (index === undefined) return;
          select(Number(index));
          g = grip(p) || 'move';
        }
        var z = state.zones[state.selected];
        drag = { grip: g, start: p, box: { x: z.x, y: z.y, w: z.w, h: z.h }, moved: false };
      }
    }
    svg.setPointerCapture(e.pointerId);
    e.preventDefault();
  });
  svg.addEventListener('pointermove', function (e) {
    var p = pagePoint(e);
    lastPointer = p;
    if (!drag) {
      var g = state.mode ? null : grip(p);
      svg.style.cursor = state.mode ? 'crosshair' : !g ? '' : g === 'move' ? 'move' :
        /[lr]/.test(g) && /[tb]/.test(g) ? (g === 'lt' || g === 'rb' ? 'nwse-resize' : 'nesw-resize') :
        /[lr]/.test(g) ? 'ew-resize' : 'ns-resize';
      return;
    }
    if (drag.pan) {
      view.scrollLeft = drag.left - (e.clientX - drag.x);
      view.scrollTop = drag.top - (e.clientY - drag.y);
      return;
    }
    if (drag.draw) {
      drag.box = { x: Math.min(p.x, drag.start.x), y: Math.min(p.y, drag.start.y),
                   w: Math.abs(p.x - drag.start.x), h: Math.abs(p.y - drag.start.y) };
      placeRect(drag.rect, drag.box);
      return;
    }
    var z = state.zones[state.selected], b = drag.box;
    var dx = p.x - drag.start.x, dy = p.y - drag.start.y;
    if (!drag.moved && Math.abs(dx) + Math.abs(dy) < 1) return;
    if (!drag.moved) { snapshot(); drag.moved = true; }
    if (drag.grip === 'move') { z.x = b.x + dx; z.y = b.y + dy; }
    if (drag.grip.indexOf('l') >= 0) { z.x = Math.min(b.x + dx, b.x + b.w - 1); z.w = b.x + b.w - z.x; }
    if (drag.grip.indexOf('r') >= 0) z.w = Math.max(1, b.w + dx);
    if (drag.grip.indexOf('t') >= 0) { z.y = Math.min(b.y + dy, b.y + b.h - 1); z.h = b.y + b.h - z.y; }
    if (drag.grip.indexOf('b') >= 0) z.h = Math.max(1, b.h + dy);
    clampZone(z);
    placeRect(svg.querySelector('rect[data-index="' + state.selected + '"]'), z);
  });
  function endDrag() {
    var d = drag;
    drag = null;
    if (!d) return;
    if (d.draw) {
      d.rect.remove();
      setMode(null);
      var box = { x: Math.round(d.box.x), y: Math.round(d.box.y), w: Math.round(d.box.w), h: Math.round(d.box.h) };
      addZone(d.draw, box);
    } else if (d.moved) {
      var z = state.zones[state.selected];
      touched(z);
      draw();
      if (z.kind === 'word' && !state.busy && !inReadingOrder(z.line)) {
        // The word moved past a neighbour: number the line again, as one step.
        serverEdit({ type: 'renumber' }, state.selected, state.undo.pop()).then(function () {
          select(state.zones.indexOf(state.zones.find(function (o) {
            return o.kind === 'word' && o.x === z.x && o.y === z.y && o.w === z.w && o.h === z.h;
          })));
        });
      }
    }
  }

  // Words of a line right to left by their right edges.
  function inReadingOrder(line) {
    var words = wordsOfLine(line);
    for (var k = 1; k < words.length; ++k) {
      var a = state.zones[words[k - 1]], b = state.zones[words[k]];
      if (a.x + a.w < b.x + b.w) return false;
    }
    return true;
  }
  svg.addEventListener('pointerup', endDrag);
  svg.addEventListener('pointercancel', endDrag);
  svg.addEventListener('dblclick', function (e) {
    if (e.target.dataset.index !== undefined) { select(Number(e.target.dataset.index)); startRetype(); }
  });
  view.addEventListener('wheel', function (e) {
    if (!e.ctrlKey) return;
    e.preventDefault();
    zoomTo(state.zoom * (e.deltaY < 0 ? 1.25 : 0.8), e);
  }, { passive: false });
  document.getElementById('doubtful').addEventListener('click', function (e) {
    var li = e.target.closest('li[data-index]');
    if (li) select(Number(li.dataset.index), true);
  });

  // ---- keys ---------------------------------------------------------------
  var spaceHeld = false;
  function setMode(mode) {
    state.mode = mode;
    document.querySelectorAll('#editor-tools button[data-mode]').forEach(function (b) {
      b.classList.toggle('active', b.dataset.mode === mode);
    });
    svg.style.cursor = mode ? 'crosshair' : '';
    if (mode) say(mode === 'split' ? 'Click the word where it should be split (Esc: cancel).' :
                  'Drag a box around the missing ' + mode + ' (Esc: cancel).', '');
  }

  var actions = {
    save: save,
    undo: function () { restore(state.undo, state.redo); },
    redo: function () { restore(state.redo, state.undo); },
    next: function () { step(1); },
    previous: function () { step(-1); },
    split: function () { split(); },
    splitAt: function () { setMode('split'); },
    mergeNext: function () { merge(false); },
    mergePrevious: function () { merge(true); },
    lineUp: function () { moveToLine(-1); },
    lineDown: function () { moveToLine(1); },
    retype: startRetype,
    checked: markChecked,
    drawWord: function () { setMode('word'); },
    drawLine: function () { setMode('line'); },
    remove: remove,
    renumber: function () { serverEdit({ type: 'renumber' }); },
    zoomIn: function () { zoomTo(state.zoom * 1.25); },
    zoomOut: function () { zoomTo(state.zoom * 0.8); },
    fit: function () { zoomTo(1); },
  };

  document.addEventListener('keydown', function (e) {
    var input = document.getElementById('editor-text');
    if (e.target === input) {
      if (e.key === 'Enter') { e.preventDefault(); commitText(); }
      if (e.key === 'Escape') { e.preventDefault(); input.value = (state.zones[state.selected] || {}).text || ''; input.blur(); }
      return;
    }
    var ctrl = e.ctrlKey || e.metaKey, k = e.key;
    var act = null;
    if (ctrl && (k === 's' || k === 'S')) act = 'save';
    else if (ctrl && !e.shiftKey && (k === 'z' || k === 'Z')) act = 'undo';
    else if (ctrl && (k === 'y' || k === 'Y' || (e.shiftKey && (k === 'z' || k === 'Z')))) act = 'redo';
    else if (e.altKey && k === 'ArrowUp') act = 'lineUp';
    else if (e.altKey && k === 'ArrowDown') act = 'lineDown';
    else if (k.indexOf('Arrow') === 0) {
      var dx = k === 'ArrowLeft' ? -1 : k === 'ArrowRight' ? 1 : 0;
      var dy = k === 'ArrowUp' ? -1 : k === 'ArrowDown' ? 1 : 0;
      e.preventDefault();
      nudge(dx, dy, e.shiftKey && !ctrl, ctrl);
      return;
    } else if (!ctrl && !e.altKey) {
      act = { n: 'next', p: 'previous', s: 'split', S: 'splitAt', m: 'mergeNext', M: 'mergePrevious',
              t: 'retype', F2: 'retype', Enter: 'checked', w: 'drawWord', l: 'drawLine', Delete: 'remove',
              Backspace: 'remove', r: 'renumber', '+': 'zoomIn', '=': 'zoomIn', '-': 'zoomOut', '0': 'fit' }[k] || null;
      if (k === 'Escape') { setMode(null); say('', ''); e.preventDefault(); return; }
      if (k === ' ') { spaceHeld = true; e.preventDefault(); return; }
      // Arabic typed on a selected zone starts retyping it; the letter goes
      // into the text field, which takes the focus before it arrives.
      if (!act && k.length === 1 && /[\u0600-\u06FF\u0750-\u077F]/.test(k) && state.zones[state.selected]) {
        startRetype(true);
        return;
      }
    }
    if (act) { e.preventDefault(); e.stopImmediatePropagation(); actions[act](); }
  }, true);
  document.addEventListener('keyup', function (e) { if (e.key === ' ') spaceHeld = false; });
  window.addEventListener('beforeunload', function (e) {
    if (state.dirty) { e.preventDefault(); e.returnValue = ''; }
  });

  // ---- the toolbar --------------------------------------------------------
  function toolbar() {
    var bar = document.createElement('div');
    bar.id = 'editor-tools';
    bar.setAttribute('role', 'toolbar');
    [['save', 'Save', 'Ctrl+S'], ['undo', 'Undo', 'Ctrl+Z'], ['redo', 'Redo', 'Ctrl+Y'], null,
     ['previous', '◀', 'p: previous zone to check'], ['next', '▶', 'n: next zone to check'],
     ['checked', '✓ Checked', 'Enter: mark checked'], ['retype', 'Retype', 't or double-click: retype the text'], null,
     ['splitAt', 'Split', 's: split at the pointer; S or this button: click where to split'],
     ['mergeNext', 'Merge ←', 'm: merge with the next word (to its left)'],
     ['mergePrevious', 'Merge →', 'M: merge with the previous word (to its right)'],
     ['lineUp', 'Line ↑', 'Alt+↑: move the word to the line above'],
     ['lineDown', 'Line ↓', 'Alt+↓: move the word to the line below'], null,
     ['drawWord', 'Add word', 'w: drag a box around a missing word'],
     ['drawLine', 'Add line', 'l: drag a box around a missing line'],
     ['remove', 'Delete', 'Delete'], null,
     ['zoomOut', '−', '-: zoom out'], ['fit', 'Fit', '0: fit the width'], ['zoomIn', '+', '+: zoom in'],
    ].forEach(function (b) {
      if (!b) { bar.appendChild(document.createElement('span')).className = 'gap'; return; }
      var button = document.createElement('button');
      button.type = 'button';
      button.id = 'editor-' + b[0];
      button.textContent = b[1];
      button.title = b[2];
      if (b[0] === 'splitAt') button.dataset.mode = 'split';
      if (b[0] === 'drawWord') button.dataset.mode = 'word';
      if (b[0] === 'drawLine') button.dataset.mode = 'line';
      button.addEventListener('click', function () { actions[b[0]](); });
      bar.appendChild(button);
    });
    var status = document.createElement('span');
    status.id = 'editor-status';
    status.setAttribute('role', 'status');
    bar.appendChild(status);
    document.querySelector('header').appendChild(bar);

    var input = document.createElement('input');
    input.id = 'editor-text';
    input.dir = 'rtl';
    input.lang = 'ar';
    input.className = 'ar';
    input.placeholder = 'text of the zone (Enter: keep and mark checked, Esc: cancel)';
    input.setAttribute('aria-label', 'text of the selected zone');
    document.getElementById('detail').appendChild(input);
    var keys = document.createElement('details');
    keys.className = 'meta';
    keys.appendChild(document.createElement('summary')).textContent = 'Keys';
    keys.appendChild(document.createTextNode(' n/p next/previous zone to check · Enter checked · t retype · s split at the pointer · ' +
      'm/M merge left/right · Alt+↑/↓ move to the line above/below · arrows move, Shift+arrows grow, ' +
      'Ctrl+arrows shrink · w/l draw a word/line · Delete · Ctrl+Z/Y undo/redo · +/−/0 zoom, ' +
      'Space+drag or middle button pan · Ctrl+S save.  Drag an edge of the selected zone to resize it.'));
    document.querySelector('header').appendChild(keys);
    // The read-only page's key hints do not hold while editing.
    var summary = document.getElementById('summary');
    summary.textContent = summary.textContent.split(' Keys:')[0];
  }

  // ---- start ----------------------------------------------------------------
  document.body.classList.add('editing');
  pageBox.parentNode.insertBefore(view, pageBox);
  view.appendChild(pageBox);
  toolbar();
  say('Loading the zones…', '');
  api('zones').then(function (r) {
    if (r.status !== 200 || !r.json || !Array.isArray(r.json.zones)) {
      say(failure('Loading the zones', r) + ' The page stays read only.', 'error');
      document.body.classList.remove('editing');
      return;
    }
    state.zones = r.json.zones;
    state.version = r.json.version;
    state.width = r.json.width;
    state.height = r.json.height;
    svg.setAttribute('viewBox', '0 0 ' + state.width + ' ' + state.height);
    draw();
    window.tavoEditor.readyMs = performance.now() - started;
    window.tavoEditor.ready = true;
    say('Ready: ' + state.zones.length + ' zones. Press n for the first zone to check.', '');
  }, function (e) {
    say('Loading the zones failed: ' + e + '. The page stays read only.', 'error');
    document.body.classList.remove('editing');
  });

  // For scripted sessions and tests: the state and the actions.
  window.tavoEditor = { state: state, actions: actions, select: select, split: split, ready: false };
})();
