// The page: it loads the module, reads the URL, runs the screen saver or the lesson, and
// keeps every name, number and message that comes from a scene, a records file or the URL
// as text. window.kelvarin is the interface for tests and for teachers' own pages.

import { Painter } from './painter.js';
import { CAPTIONS, fillLegend, stepWords } from './words.js';
import { drawPlot, fillKey } from './storm.js';

const MAX_FILE_BYTES = 64 * 1024 * 1024; // the scene loader's own limit, checked before any work
const BUNDLED_SCENE = 'Kelvarin.ini';
const EXAMPLE_RECORDS = 'data/rain_example.csv';
const SAVER_PAINTER = 9;
const DRAG_THRESHOLD = 4; // CSS pixels a press may move and still be a click
const LEAVE = 1;
const RESIZED = 2;

const $ = (id) => document.getElementById(id);
const page = {
  module: null, painters: [], scene: null, state: null, sceneFile: '', sceneParam: null,
  mode: 'saver', playing: false, timer: 0, drag: null, frame: 0, storm: { rows: [], index: -1, timer: 0 },
};

const host = {
  events: [],
  nextEvent() { return this.events.length ? this.events.shift() : 0; },
  message(text) { setStatus(text); },
};

function setStatus(text) { $('status').textContent = text; }

// calls an entry point that answers JSON
function call(name, types = [], args = []) {
  return JSON.parse(page.module.ccall(name, 'string', types, args));
}

// ---- scenes and records ----

// a relative or same-origin address, or an error naming it
export function sceneAddress(text) {
  const url = new URL(text, location.href);
  if (url.origin !== location.origin) throw new Error(`scene=${text}: only a relative or same-origin address is opened`);
  return url;
}

// a file name for the module's file system that says where the bytes came from
function fileName(name, fallback) {
  const base = String(name).split(/[\\/]/).pop().replace(/[^\p{L}\p{N}._ -]/gu, '_').slice(0, 80);
  return base && base !== '.' && base !== '..' ? base : fallback;
}

function writeFile(name, bytes) {
  if (bytes.byteLength > MAX_FILE_BYTES) {
    throw new Error(`${name} is ${bytes.byteLength} bytes: more than the ${MAX_FILE_BYTES} a scene or records file may have`);
  }
  page.module.FS.writeFile(name, new Uint8Array(bytes));
}

async function fetchBytes(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url.pathname}: the server answered ${response.status}`);
  const length = Number(response.headers.get('Content-Length') || 0);
  if (length > MAX_FILE_BYTES) throw new Error(`${url.pathname} is ${length} bytes: more than ${MAX_FILE_BYTES}`);
  return response.arrayBuffer();
}

function showProblems(problems) {
  $('errors').replaceChildren(...problems.map((p) => {
    const item = document.createElement('li');
    item.dataset.line = String(p.line);
    item.textContent = p.text;
    return item;
  }));
}

// opens scene bytes; a scene that breaks the rules lists its problems and the last good scene stays
function openScene(name, bytes) {
  const file = fileName(name, 'scene.ini');
  writeFile(file, bytes);
  const opened = call('kelvarin_open', ['string'], [file]);
  if (!opened.ok) {
    showProblems(opened.problems);
    setStatus(`${file} cannot be used: ${opened.problems.length} problem(s), listed below.`);
    if (!page.scene) paintMessage(`${file} cannot be shown: its problems are listed above the map.`);
    return false;
  }
  showProblems([]);
  setStatus('');
  page.scene = opened;
  page.sceneFile = file;
  $('storm-time').textContent = '';
  page.storm = { rows: [], index: -1, timer: 0 };
  drawPlot($('storm-plot'), [], -1);
  document.querySelector('[data-method="heightbalance"]').disabled = !opened.heightbalance;
  document.querySelector('[data-method="both"]').disabled = !opened.heightbalance;
  return true;
}

// a message on the map in place of a scene, so that the page is never blank
function paintMessage(text) {
  const canvas = $('map0');
  const ctx = canvas.getContext('2d');
  ctx.fillStyle = 'rgb(14, 18, 28)';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  ctx.fillStyle = '#e6e6e6';
  ctx.font = `${Math.max(12, canvas.width / 60)}px sans-serif`;
  ctx.fillText(text, 16, 32);
}

// ---- the lesson's state on the page ----

const gaugeName = (index) => page.scene.stations[index - 1]?.name ?? String(index);
const totalSteps = () => Math.max(0, ...(page.state?.views ?? []).map((v) => v.steps));
const finished = () => !page.state || page.state.step < 0;

function cell(row, text) {
  const td = document.createElement('td');
  td.textContent = text;
  row.append(td);
  return td;
}

function headCell(row, text) {
  const th = document.createElement('th');
  th.textContent = text;
  row.append(th);
}

// the weights table: one row per gauge, its weight once its last piece is cut, and the sums
function renderTable(state) {
  const methods = state.views.map((v) => v.method);
  const both = methods.length > 1;
  const head = $('weights-head');
  head.replaceChildren();
  ['#', 'name', 'number'].forEach((t) => headCell(head, t));
  methods.forEach((m) => ['area', 'weight'].forEach((t) => headCell(head, both ? `${t} (${m})` : t)));
  const sums = methods.map(() => 0);
  const rows = state.rows.map((r) => {
    const tr = document.createElement('tr');
    const station = page.scene.stations[r.index - 1];
    tr.dataset.index = String(r.index);
    tr.dataset.selected = String(r.selected);
    cell(tr, String(r.index));
    cell(tr, station.name);
    cell(tr, station.number);
    methods.forEach((m, i) => {
      const result = r[m];
      cell(tr, result ? result.area.toFixed(2) : '');
      cell(tr, result ? result.weight.toFixed(6) : '');
      if (result) sums[i] += result.weight;
      const value = result ? String(result.weight) : '';
      if (i === 0) tr.dataset.weight = value; else tr.dataset.weightHeightbalance = value;
      if (i === 0) tr.dataset.area = result ? String(result.area) : '';
    });
    return tr;
  });
  document.querySelector('#weights tbody').replaceChildren(...rows);
  const foot = $('weights-sum');
  foot.replaceChildren();
  ['', 'sum', ''].forEach((t) => headCell(foot, t));
  sums.forEach((s) => { headCell(foot, ''); headCell(foot, s.toFixed(6)); });
  markRecords();
}

// the line of plain words for the step on screen, in both languages
function renderWords(state) {
  const view = state.views[0];
  const [zh, en] = view ? stepWords(view.method, view.current, gaugeName) : ['', ''];
  $('words-zh').textContent = zh;
  $('words-en').textContent = en;
}

function render(state) {
  if (!state.ok) { setStatus(state.error); return; }
  page.state = state;
  renderTable(state);
  renderWords(state);
  state.views.forEach((v, i) => {
    const done = state.step < 0 ? v.steps : Math.min(state.step, v.steps);
    $(`map${i}-caption`).textContent = `${CAPTIONS[v.method]} \u2014 step ${done} of ${v.steps}`;
  });
  $('caption').textContent = state.views.map((v) => CAPTIONS[v.method]).join(' | ');
  if (state.failures.length) setStatus(state.failures.join('\n'));
  document.querySelectorAll('[data-method]').forEach((b) => {
    b.setAttribute('aria-pressed', String(b.dataset.method === state.method));
  });
  $('stations').value = state.selection;
  $('play').textContent = page.playing ? 'Pause' : 'Play';
  document.body.dataset.step = finished() ? 'end' : String(state.step);
  writeUrl();
}

function writeUrl() {
  const params = new URLSearchParams();
  if (page.sceneParam) params.set('scene', page.sceneParam);
  params.set('method', page.state.method);
  params.set('stations', page.state.selection === '' ? '' : page.state.selection);
  params.set('mode', page.mode);
  if (finished()) params.set('step', 'end');
  history.replaceState(null, '', `?${params}`);
}

// ---- stepping ----

function drawStep(step) { render(call('kelvarin_draw', ['number'], [step])); }

function stopPlaying() {
  page.playing = false;
  clearTimeout(page.timer);
  page.timer = 0;
}

// one ring more; the last one finishes the construction and stops the play
function stepOnce() {
  const next = finished() ? 1 : page.state.step + 1;
  if (next >= totalSteps()) {
    stopPlaying();
    drawStep(-1);
  } else {
    drawStep(next);
  }
}

function tick() {
  page.timer = 0;
  if (!page.playing) return;
  stepOnce();
  if (page.playing) page.timer = setTimeout(tick, 1000 / Number($('pace').value));
}

function play() {
  if (page.playing) { stopPlaying(); render(page.state); return; }
  page.playing = true;
  if (finished()) drawStep(0);
  tick();
}

function setMethod(name) {
  stopPlaying();
  const both = name === 'both';
  $('map1').parentElement.hidden = !both;
  page.painters.forEach((p) => p.fit());
  const answer = call('kelvarin_method', ['string'], [name]);
  if (!answer.ok) { setStatus(answer.error); return; }
  render(call('kelvarin_resized'));
}

function select(list) {
  const answer = call('kelvarin_select', ['string'], [list]);
  if (!answer.ok) throw new Error(answer.error);
  render(answer);
  return answer;
}

function toggle(index) {
  const answer = call('kelvarin_toggle', ['number'], [index]);
  if (answer.ok) render(answer); else setStatus(answer.error);
}

// ---- clicking and dragging gauges ----

function devicePoint(canvas, event) {
  const box = canvas.getBoundingClientRect();
  return [(event.clientX - box.left) * (canvas.width / box.width), (event.clientY - box.top) * (canvas.height / box.height)];
}

function dragTo(dx, dy) {
  const answer = call('kelvarin_drag', ['number', 'number', 'number'], [page.drag.slot, dx, dy]);
  if (answer.ok) render(answer); else setStatus(answer.error);
}

function onPointerDown(slot, canvas, event) {
  const [x, y] = devicePoint(canvas, event);
  const gauge = page.module.ccall('kelvarin_gauge_at', 'number', ['number', 'number', 'number'], [slot, x, y]);
  if (!gauge) return;
  event.preventDefault();
  canvas.setPointerCapture(event.pointerId);
  page.drag = { slot, gauge, x, y, cssX: event.clientX, cssY: event.clientY, moved: false, pending: null };
  page.module.ccall('kelvarin_drag_start', null, ['number'], [gauge]);
}

function onPointerMove(canvas, event) {
  const drag = page.drag;
  if (!drag) return;
  if (!drag.moved && Math.hypot(event.clientX - drag.cssX, event.clientY - drag.cssY) < DRAG_THRESHOLD) return;
  if (!drag.moved) { drag.moved = true; stopPlaying(); }
  const [x, y] = devicePoint(canvas, event);
  drag.pending = [x - drag.x, y - drag.y];
  // one construction per frame, however fast the pointer reports
  if (!page.frame) {
    page.frame = requestAnimationFrame(() => {
      page.frame = 0;
      if (page.drag?.pending) dragTo(...page.drag.pending);
    });
  }
}

function onPointerUp(canvas, event) {
  const drag = page.drag;
  if (!drag) return;
  if (drag.moved) {
    const [x, y] = devicePoint(canvas, event);
    dragTo(x - drag.x, y - drag.y);
  } else {
    toggle(drag.gauge);
  }
  page.drag = null;
}

function wireMap(slot) {
  const canvas = $(`map${slot}`);
  canvas.addEventListener('pointerdown', (e) => onPointerDown(slot, canvas, e));
  canvas.addEventListener('pointermove', (e) => onPointerMove(canvas, e));
  canvas.addEventListener('pointerup', (e) => onPointerUp(canvas, e));
  canvas.addEventListener('pointercancel', () => { page.drag = null; });
}

// ---- keeping and sharing ----

function download(name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 0);
}

function weightsCsv(method) {
  return page.module.ccall('kelvarin_weights_csv', 'string', ['string'], [method ?? page.state.views[0].method]);
}

function wireDownloads() {
  const base = () => page.sceneFile.replace(/\.[^.]*$/, '') + `-${page.state.views[0].method}`;
  $('csv').onclick = () => download(`${base()}-weights.csv`, new Blob([weightsCsv()], { type: 'text/csv' }));
  $('png').onclick = () => $('map0').toBlob((blob) => download(`${base()}.png`, blob), 'image/png');
  $('svg').onclick = () => download(`${base()}.svg`, new Blob([page.painters[0].toSvg()], { type: 'image/svg+xml' }));
}

// ---- the storm ----

function markRecords() {
  const row = page.storm.rows[page.storm.index];
  const reported = new Set();
  if (row) {
    for (const item of row.selection.split(',').filter(Boolean)) {
      const [a, b = a] = item.split('-').map(Number);
      for (let i = a; i <= b; ++i) reported.add(i);
    }
  }
  document.querySelectorAll('#weights tbody tr').forEach((tr) => {
    tr.classList.toggle('norecord', Boolean(row) && !reported.has(Number(tr.dataset.index)));
  });
}

function loadRecords(name, bytes) {
  stormStop();
  writeFile('records.csv', bytes);
  const answer = call('kelvarin_storm', ['string'], ['records.csv']);
  if (!answer.ok) { setStatus(`${name}: ${answer.error}`); return false; }
  page.storm = { rows: answer.rows, index: -1, timer: 0, name };
  drawPlot($('storm-plot'), answer.rows, -1);
  $('storm-time').textContent = `${name}: ${answer.rows.length} time steps`;
  return true;
}

// the next time step: the gauges that reported form the selection, and the weights are built for them
function stormStep() {
  const storm = page.storm;
  if (!storm.rows.length) return false;
  storm.index = (storm.index + 1) % storm.rows.length;
  const row = storm.rows[storm.index];
  stopPlaying();
  render(call('kelvarin_select', ['string'], [row.selection]));
  drawStep(-1);
  const fmt = (v) => (v === null ? '\u2013' : v.toFixed(2));
  $('storm-time').textContent = `${row.time}: ${row.gauges} gauges reported; areal rainfall ` +
    `${fmt(row.thiessen)} (Thiessen), ${fmt(row.heightbalance)} (height-balance), ${fmt(row.mean)} (mean) mm`;
  drawPlot($('storm-plot'), storm.rows, storm.index);
  return storm.index < storm.rows.length - 1;
}

function stormStop() { clearTimeout(page.storm.timer); page.storm.timer = 0; }

async function stormPlay() {
  if (page.storm.timer) { stormStop(); return; }
  if (!page.storm.rows.length) {
    const bytes = await fetchBytes(sceneAddress(EXAMPLE_RECORDS));
    if (!loadRecords('rain_example.csv', bytes)) return;
  }
  page.storm.index = -1;
  const next = () => { page.storm.timer = stormStep() ? setTimeout(next, 1200) : 0; };
  next();
}

// ---- saver mode ----

const SHOW_CODES = { thiessen: 0, heightbalance: 1, both: -1 };

async function runSaver(method) {
  page.mode = 'saver';
  $('lesson').hidden = true;
  $('saver').hidden = false;
  const painter = new Painter($('saver-canvas'));
  page.module.kelvarinPainters[SAVER_PAINTER] = painter;
  const leave = (event) => {
    if (event.target === $('saver-full')) return;
    host.events.push(LEAVE);
  };
  const resized = () => { if (painter.fit()) host.events.push(RESIZED); };
  window.addEventListener('keydown', leave);
  window.addEventListener('pointerdown', leave);
  window.addEventListener('resize', resized);
  const show = SHOW_CODES[method] ?? 99;
  const done = page.module.ccall('kelvarin_saver', 'number', ['number', 'string', 'number'],
    [SAVER_PAINTER, page.sceneFile || BUNDLED_SCENE, show], { async: true });
  document.body.dataset.mode = 'saver';
  markFirstFrame();
  await done;
  window.removeEventListener('keydown', leave);
  window.removeEventListener('pointerdown', leave);
  window.removeEventListener('resize', resized);
  host.events.length = 0;
  if (document.fullscreenElement) await document.exitFullscreen().catch(() => {});
  $('saver').hidden = true;
  enterLesson();
}

// ---- lesson mode ----

// the moment the first map is on screen, for the benchmarks
function markFirstFrame() {
  if (!performance.getEntriesByName('kelvarin-first-frame').length) performance.mark('kelvarin-first-frame');
}

function enterLesson() {
  page.mode = 'lesson';
  $('lesson').hidden = false;
  document.body.dataset.mode = 'lesson';
  page.painters.forEach((p) => p.fit());
  if (!page.scene) {
    paintMessage('No scene is open.');
    return;
  }
  for (let slot = 0; slot < 2; ++slot) page.module.ccall('kelvarin_attach', null, ['number', 'number'], [slot, slot]);
  const wanted = page.wanted;
  setMethod(wanted.method ?? (page.scene.show === 'heightbalance' ? 'heightbalance' : 'thiessen'));
  if (wanted.stations !== null) {
    try { select(wanted.stations); } catch (e) { setStatus(e.message); }
  }
  if (wanted.step === 'end') {
    drawStep(-1);
    markFirstFrame();
  } else {
    drawStep(0);
    play();
  }
}

function onKey(event) {
  if (page.mode !== 'lesson' || event.target.closest('input, textarea, select')) return;
  const actions = {
    ' ': play, ArrowRight: () => { stopPlaying(); stepOnce(); },
    t: () => setMethod('thiessen'), h: () => setMethod('heightbalance'), b: () => setMethod('both'),
  };
  const action = actions[event.key];
  if (!action) return;
  event.preventDefault();
  action();
}

function wireControls() {
  document.querySelectorAll('[data-method]').forEach((b) => { b.onclick = () => setMethod(b.dataset.method); });
  $('play').onclick = play;
  $('step').onclick = () => { stopPlaying(); stepOnce(); };
  $('finish').onclick = () => { stopPlaying(); drawStep(-1); };
  const pace = () => { $('pace-text').textContent = `${$('pace').value} steps/s`; };
  $('pace').oninput = pace;
  pace();
  $('stations').onchange = () => { try { select($('stations').value.trim()); } catch (e) { setStatus(e.message); } };
  $('saver-button').onclick = () => { stopPlaying(); runSaver(page.state?.method); };
  $('saver-full').onclick = () => $('saver').requestFullscreen?.().catch(() => {});
  $('storm-play').onclick = () => stormPlay().catch((e) => setStatus(e.message));
  $('storm-step').onclick = () => { stormStop(); stormStep(); };
  document.querySelector('#weights tbody').addEventListener('click', (e) => {
    const row = e.target.closest('tr');
    if (row) toggle(Number(row.dataset.index));
  });
  document.addEventListener('keydown', onKey);
  window.addEventListener('resize', () => {
    if (page.mode === 'lesson' && page.painters.some((p) => p.fit()) && page.state) render(call('kelvarin_resized'));
  });
  [0, 1].forEach(wireMap);
  wireDownloads();
  wireFiles();
}

// ---- open your own ----

async function openUserFile(file, kind) {
  if (file.size > MAX_FILE_BYTES) {
    setStatus(`${file.name} is ${file.size} bytes: more than the ${MAX_FILE_BYTES} a scene or records file may have`);
    return;
  }
  const bytes = await file.arrayBuffer();
  if (kind === 'records') { loadRecords(file.name, bytes); return; }
  page.sceneParam = null;
  if (openScene(file.name, bytes) && page.mode === 'lesson') {
    page.wanted = { method: null, stations: null, step: 'end' };
    enterLesson();
  }
}

function wireFiles() {
  const guard = (p) => p.catch((e) => setStatus(e.message));
  $('scene-file').onchange = (e) => e.target.files[0] && guard(openUserFile(e.target.files[0], 'scene'));
  $('records-file').onchange = (e) => e.target.files[0] && guard(openUserFile(e.target.files[0], 'records'));
  document.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
  document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dropping');
    const file = e.dataTransfer.files[0];
    if (file) guard(openUserFile(file, /\.csv$/i.test(file.name) ? 'records' : 'scene'));
  });
}

// ---- the interface for tests and teachers' own pages ----

function weights() {
  const method = page.state.views[0]?.method;
  return page.state.rows.map((r) => {
    const station = page.scene.stations[r.index - 1];
    const result = r[method];
    return {
      index: r.index, name: station.name, number: station.number,
      area: result ? result.area : null, weight: result ? result.weight : null, selected: r.selected,
    };
  });
}

// opens a scene given as text (or bytes) in the lesson
function load(text, name = 'scene.ini') {
  const bytes = typeof text === 'string' ? new TextEncoder().encode(text) : new Uint8Array(text);
  page.sceneParam = null;
  const ok = openScene(name, bytes);
  if (ok) {
    page.wanted = { method: null, stations: null, step: 'end' };
    if (page.mode === 'lesson') enterLesson();
  }
  return ok;
}

window.kelvarin = Object.freeze({
  weights,
  select: (list) => { stopPlaying(); select(Array.isArray(list) ? list.join(',') : String(list)); return weights(); },
  method: (name) => { setMethod(name); return page.state.method; },
  step: () => { stopPlaying(); stepOnce(); return page.state.step; },
  finish: () => { stopPlaying(); drawStep(-1); },
  load,
  csv: (method) => weightsCsv(method),
  drag: (index, dx, dy, slot = 0) => {
    page.module.ccall('kelvarin_drag_start', null, ['number'], [index]);
    page.drag = { slot, gauge: index };
    dragTo(dx, dy);
    page.drag = null;
    return weights();
  },
  state: () => page.state,
  // where a gauge stands on the first map, in the page's CSS pixels from the window's corner
  gaugeAt: (index) => {
    const row = page.state.rows[index - 1];
    const canvas = $('map0');
    const box = canvas.getBoundingClientRect();
    return { x: box.left + (row.x * box.width) / canvas.width, y: box.top + (row.y * box.height) / canvas.height };
  },
});

// ---- start ----

function readUrl() {
  const params = new URLSearchParams(location.search);
  const method = params.get('method');
  return {
    scene: params.get('scene'),
    method: ['thiessen', 'heightbalance', 'both'].includes(method) ? method : null,
    stations: params.has('stations') ? params.get('stations') : null,
    mode: params.get('mode') === 'lesson' ? 'lesson' : 'saver',
    step: params.get('step'),
  };
}

async function openFirstScene(wanted) {
  let url = sceneAddress(BUNDLED_SCENE);
  let refused = null;
  if (wanted.scene) {
    try {
      url = sceneAddress(wanted.scene);
      page.sceneParam = wanted.scene;
    } catch (e) {
      refused = e.message;
    }
  }
  try {
    openScene(decodeURIComponent(url.pathname), await fetchBytes(url));
  } catch (e) {
    setStatus(e.message);
  }
  if (refused) {
    showProblems([{ line: 0, text: refused }]);
    setStatus(`${refused}; the bundled scene is shown instead.`);
  }
}

async function start() {
  const wanted = readUrl();
  page.wanted = wanted;
  page.module = await createKelvarin({ kelvarinPainters: {}, kelvarinHost: host });
  page.module.FS.mkdir('/scenes');
  page.module.FS.chdir('/scenes');
  page.painters = [new Painter($('map0')), new Painter($('map1'))];
  page.painters.forEach((p, i) => { page.module.kelvarinPainters[i] = p; });
  fillLegend($('legend'));
  fillKey($('storm-key'));
  wireControls();
  await openFirstScene(wanted);
  if (wanted.mode === 'lesson') {
    $('lesson').hidden = false;
    enterLesson();
  } else {
    await runSaver(wanted.method);
  }
}

start().catch((e) => {
  setStatus(`Kelvarin could not start: ${e.message}`);
  $('lesson').hidden = false;
});
