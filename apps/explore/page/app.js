// The explorer's page: a form of the ten parameters and the seeds, and the
// outcome over every stream, asked of the server a moment after each change.
// The settings live in the page's address, so that a link shows the same
// view; the files offered for download are always those of the result shown.
'use strict';

const svgNamespace = 'http://www.w3.org/2000/svg';
const updateDelay = 300;      // ms after the last change before asking
const progressDelay = 300;    // ms before a computation shows its progress
const progressInterval = 250;
const sliderSteps = 1000;
const stages = ['embryos', 'larvae', 'adults'];
const pngScale = 2;           // the PNG has twice the figure's pixels, sharp on paper and screens

const page = {
  parameters: [],        // from /api/parameters, each with its input elements
  seeds: null,
  timer: null,
  controller: null,      // of the request under way
  shown: null,           // the result on display: {query, summary, text, result, ...}
  baseline: null,        // the pinned result
  view: { stage: 'adults', log: false },
  client: clientName(),  // how the server knows this page's computations
  charts: null,          // where each generation is drawn, for the pointer
};

const byId = (id) => document.getElementById(id);

// A name no other page picks: 16 random bytes in hexadecimal.
function clientName() {
  const bytes = new Uint8Array(16);
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (byte) => byte.toString(16).padStart(2, '0')).join('');
}

// ---- Sliders: positions 0 to sliderSteps over a linear or log range.

function sliderValue(slider, position) {
  const t = position / sliderSteps;
  if (slider.log) return slider.low * Math.pow(slider.high / slider.low, t);
  return slider.low + (slider.high - slider.low) * t;
}

function sliderPosition(slider, value) {
  let t;
  if (slider.log) {
    if (!(value > 0)) return 0;
    t = Math.log(value / slider.low) / Math.log(slider.high / slider.low);
  } else {
    t = (value - slider.low) / (slider.high - slider.low);
  }
  return Math.round(Math.min(1, Math.max(0, t)) * sliderSteps);
}

// A slider's value as a person would type it: whole, or three significant digits.
function sliderText(parameter, value) {
  if (parameter.whole) return String(Math.round(value));
  if (!parameter.slider.log) return String(Math.round(value * 1000) / 1000);
  return String(Number(value.toPrecision(3)));
}

// ---- The form.

function buildField(parameter, index) {
  const field = document.createElement('div');
  field.className = 'field';
  field.dataset.name = parameter.name;

  const label = document.createElement('label');
  label.htmlFor = parameter.name;
  label.textContent = `${index + 1}. ${parameter.prompt}`;
  const note = document.createElement('span');
  note.className = 'note';
  note.textContent = parameter.note;
  label.append(note);

  const controls = document.createElement('div');
  controls.className = 'controls';
  const text = document.createElement('input');
  text.type = 'text';
  text.id = parameter.name;
  text.name = parameter.name;
  text.spellcheck = false;
  text.inputMode = parameter.whole ? 'numeric' : 'decimal';
  text.value = parameter.value;
  const slider = document.createElement('input');
  slider.type = 'range';
  slider.min = 0;
  slider.max = sliderSteps;
  slider.step = 1;
  slider.setAttribute('aria-label', `${parameter.prompt} (slider)`);
  controls.append(text, slider);

  // What the server says of a value it runs although it lies outside its meaning.
  const warning = document.createElement('span');
  warning.className = 'warning';
  warning.setAttribute('role', 'status');
  warning.hidden = true;
  field.append(label, controls, warning);

  const follow = () => {
    const value = Number(text.value);
    if (text.value.trim() !== '' && Number.isFinite(value)) slider.value = sliderPosition(parameter.slider, value);
  };
  text.addEventListener('input', () => { follow(); changed(); });
  slider.addEventListener('input', () => {
    text.value = sliderText(parameter, sliderValue(parameter.slider, Number(slider.value)));
    changed();
  });
  parameter.text = text;
  parameter.field = field;
  parameter.warning = warning;
  parameter.follow = follow;
  return field;
}

function buildForm(info) {
  page.parameters = info.parameters;
  const fields = byId('fields');
  info.parameters.forEach((parameter, index) => fields.append(buildField(parameter, index)));
  page.seeds = byId('seeds');
  page.seeds.value = info.seeds;
  page.seeds.addEventListener('input', () => changed());
  byId('parameters').addEventListener('submit', (event) => { event.preventDefault(); scheduleUpdate(0); });
}

function currentQuery() {
  const parameters = {};
  for (const parameter of page.parameters) parameters[parameter.name] = parameter.text.value.trim();
  return { parameters, seeds: page.seeds.value.trim() };
}

function queryArguments(query) {
  return new URLSearchParams({ ...query.parameters, seeds: query.seeds }).toString();
}

// ---- The page's address: every setting, so that a link shows this view.

function writeAddress() {
  const settings = new URLSearchParams(queryArguments(currentQuery()));
  settings.set('stage', page.view.stage);
  if (page.view.log) settings.set('scale', 'log');
  history.replaceState(null, '', `${location.pathname}?${settings}`);
}

// The settings a link gives, over the server's starting values.
function readAddress() {
  const settings = new URLSearchParams(location.search);
  for (const parameter of page.parameters)
    if (settings.has(parameter.name)) parameter.text.value = settings.get(parameter.name);
  if (settings.has('seeds')) page.seeds.value = settings.get('seeds');
  if (stages.includes(settings.get('stage'))) page.view.stage = settings.get('stage');
  page.view.log = settings.get('scale') === 'log';
  byId('stage').value = page.view.stage;
  byId('log-scale').checked = page.view.log;
  for (const parameter of page.parameters) parameter.follow();
}

// ---- Asking the server: the newest request only; an older one is aborted
// here and stopped there by the newer one.

// A value changed: what is shown no longer belongs to the form, and nothing
// of it may be downloaded until the new result is in.
function changed() {
  setDownloadable(false);
  markStale(true);
  writeAddress();
  scheduleUpdate();
}

function scheduleUpdate(delay = updateDelay) {
  clearTimeout(page.timer);
  page.timer = setTimeout(update, delay);
}

async function update() {
  const query = currentQuery();
  if (page.controller) page.controller.abort();
  const controller = new AbortController();
  page.controller = controller;
  setDownloadable(false);
  setStatus('computing', 'Computing\u2026');
  markStale(true);
  const progress = watchProgress(controller);
  try {
    const response = await fetch('/api/ensemble', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ ...query, client: page.client }),
      signal: controller.signal,
    });
    const body = await response.json();
    if (controller !== page.controller) return;
    if (response.ok) {
      show(query, body);
    } else if (response.status === 409) {
      setStatus('error', 'Stopped: a newer computation took its place (another page or script?). Change a value to try again.');
    } else {
      showError(body.error || `The server answered ${response.status}.`, body.field || null);
    }
  } catch (failure) {
    if (failure.name === 'AbortError') return;
    if (controller === page.controller) showError(`The explorer cannot be reached: ${failure.message}`);
  } finally {
    clearTimeout(progress.timer);
    progress.stopped = true;
    if (controller === page.controller) {
      page.controller = null;
      byId('progress').hidden = true;
    }
  }
}

// A page that closes or reloads takes back the computation it asked for.
function cancelOnLeaving() {
  if (!page.controller) return;
  const message = JSON.stringify({ client: page.client });
  if (!navigator.sendBeacon('/api/cancel', message))
    fetch('/api/cancel', { method: 'POST', body: message, keepalive: true }).catch(() => {});
}

// Polls the progress of a computation that takes longer than a moment.
function watchProgress(controller) {
  const watch = { timer: null, stopped: false };
  const poll = async () => {
    try {
      const response = await fetch('/api/progress', { signal: controller.signal });
      const progress = await response.json();
      if (watch.stopped) return;
      if (progress.running && progress.total > 0) {
        const bar = byId('progress');
        bar.hidden = false;
        bar.max = progress.total;
        bar.value = progress.done;
        setStatus('computing', `Computing: ${progress.done} of ${progress.total} streams`);
      }
    } catch (failure) {
      return;
    }
    if (!watch.stopped) watch.timer = setTimeout(poll, progressInterval);
  };
  watch.timer = setTimeout(poll, progressDelay);
  return watch;
}

function setStatus(state, text) {
  const status = byId('status');
  status.dataset.state = state;
  status.textContent = text;
}

// A refusal names the field it is about, if any.
function showError(message, field = null) {
  setStatus('error', 'Not computed: see the message beside the parameters.');
  const error = byId('form-error');
  error.textContent = message;
  error.hidden = false;
  for (const parameter of page.parameters) parameter.field.classList.toggle('invalid', field === parameter.name);
  page.seeds.parentElement.classList.toggle('invalid', field === 'seeds');
}

function markStale(stale) {
  for (const id of ['counts-chart', 'extinct-chart']) byId(id).classList.toggle('stale', stale);
}

// ---- Showing a result.

// The share of streams extinct by the last generation, as the text summary
// words it: one decimal of a percent.
function extinction(result) {
  const share = (100 * result.extinct_streams) / result.streams;
  return { streams: result.extinct_streams, of: result.streams, share: `${share.toFixed(1)}%` };
}

function show(query, body) {
  page.shown = { query, ...body };
  byId('form-error').hidden = true;
  for (const parameter of page.parameters) parameter.field.classList.remove('invalid');
  page.seeds.parentElement.classList.remove('invalid');
  showWarnings(body.warnings);
  // A value changed while this was computed: shown, but not to be taken
  // for the form's, until the newer result comes.
  const current = queryArguments(query) === queryArguments(currentQuery());
  markStale(!current);
  const seconds = body.seconds < 0.01 ? 'under 0.01' : body.seconds.toFixed(2);
  setStatus('done', `${body.streams} ${body.streams === 1 ? 'stream' : 'streams'} in ${seconds} s`);
  byId('result').dataset.query = queryArguments(query);
  byId('result').dataset.result = String(body.result);
  byId('summary-text').textContent = body.text;
  showHeadline();
  drawCharts();
  byId('command').textContent = ensembleCommand(query);
  byId('pin').disabled = false;
  setDownloadable(current);
}

// The server's word beside each parameter whose value lies outside its meaning.
function showWarnings(warnings) {
  for (const parameter of page.parameters) {
    const warning = warnings.find((w) => w.field === parameter.name);
    parameter.warning.hidden = !warning;
    parameter.warning.textContent = warning ? warning.message : '';
  }
}

function showHeadline() {
  const result = page.shown;
  const extinct = extinction(result);
  const last = result.summary[result.summary.length - 1];
  byId('extinct-label').textContent = `Extinct by generation ${last.generation}`;
  byId('extinct-share').textContent = extinct.share;
  byId('extinct-detail').textContent = `${extinct.streams} of ${extinct.of} streams`;
  byId('median-label').textContent = `Adults in generation ${last.generation}`;
  byId('median-adults').textContent = formatCount(last.adults_p50);
  byId('median-detail').textContent = `median; 90% between ${formatCount(last.adults_p5)} and ${formatCount(last.adults_p95)}`;
  byId('baseline-box').hidden = page.baseline === null;
  if (page.baseline) {
    const pinned = extinction(page.baseline);
    const pinnedLast = page.baseline.summary[page.baseline.summary.length - 1];
    byId('baseline-share').textContent = pinned.share;
    byId('baseline-detail').textContent =
      `extinct by generation ${pinnedLast.generation}; median adults ${formatCount(pinnedLast.adults_p50)}`;
    byId('baseline-changes').textContent = baselineDifferences();
  }
}

// What the pinned scenario had where the shown one differs.
function baselineDifferences() {
  const pinned = page.baseline.query;
  const shown = page.shown.query;
  const differences = page.parameters
    .filter((parameter) => pinned.parameters[parameter.name] !== shown.parameters[parameter.name])
    .map((parameter) => `${parameter.name} ${pinned.parameters[parameter.name]}`);
  if (pinned.seeds !== shown.seeds) differences.push(`seeds ${pinned.seeds}`);
  return differences.length === 0 ? 'the same parameters' : `with ${differences.join(', ')}`;
}

// The command line that writes the same files, quoted for a POSIX shell and
// continued over lines of about 80 characters, an option and its value
// never apart.
function ensembleCommand(query) {
  const quote = (text) => (/^[A-Za-z0-9_.,+\-\/:=@%]+$/.test(text) ? text : `'${text.replace(/'/g, `'\\''`)}'`);
  const options = page.parameters.map((parameter) => `${parameter.option} ${quote(query.parameters[parameter.name])}`);
  options.push(`--seeds ${quote(query.seeds || '0-999')}`, '--out results');
  const lines = ['zemrath-ensemble'];
  for (const option of options) {
    if (lines[lines.length - 1].length + option.length + 1 > 78) lines.push(' ');
    lines[lines.length - 1] += ` ${option}`;
  }
  return lines.join(' \\\n');
}

// ---- Downloads: each file asked for by the id of the result shown, so
// that the files of one set all come from one computation.

function setDownloadable(downloadable) {
  for (const button of document.querySelectorAll('button.download'))
    button.disabled = !downloadable || page.shown === null;
}

function save(name, blob) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

async function fetchFile(name, result) {
  const response = await fetch(`/api/${name}?result=${result}`);
  if (!response.ok) {
    const body = await response.json().catch(() => ({}));
    throw new Error(body.error || `the server answered ${response.status}`);
  }
  return response;
}

// The SVG figure drawn on a canvas, as a PNG made in the page.
async function pngOf(svgText) {
  const image = new Image();
  const loaded = new Promise((resolve, reject) => {
    image.onload = resolve;
    image.onerror = () => reject(new Error('the figure could not be drawn'));
  });
  image.src = `data:image/svg+xml;charset=utf-8,${encodeURIComponent(svgText)}`;
  await loaded;
  const canvas = document.createElement('canvas');
  canvas.width = image.naturalWidth * pngScale;
  canvas.height = image.naturalHeight * pngScale;
  const context = canvas.getContext('2d');
  context.scale(pngScale, pngScale);
  context.drawImage(image, 0, 0);
  return new Promise((resolve, reject) =>
    canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('the PNG could not be made'))), 'image/png'));
}

async function download(button) {
  const result = page.shown && page.shown.result;
  if (button.disabled || !result) return;
  const name = button.dataset.file;
  try {
    if (name === 'report.png') {
      const svg = await (await fetchFile('report.svg', result)).text();
      save(name, await pngOf(svg));
    } else {
      save(name, await (await fetchFile(name, result)).blob());
    }
  } catch (failure) {
    setStatus('error', `${name} could not be downloaded: ${failure.message}`);
  }
}

// ---- Charts, drawn from the summary of each generation.

function element(name, attributes, parent) {
  const node = document.createElementNS(svgNamespace, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (parent) parent.append(node);
  return node;
}

function text(parent, x, y, content, attributes = {}) {
  element('text', { x, y, ...attributes }, parent).textContent = content;
}

function formatCount(value) {
  const size = Math.abs(value);
  if (size >= 1e9) return `${Number((value / 1e9).toPrecision(3))}G`;
  if (size >= 1e6) return `${Number((value / 1e6).toPrecision(3))}M`;
  if (size >= 1e4) return `${Number((value / 1e3).toPrecision(3))}k`;
  return String(Number(value.toPrecision(4)));
}

// A share as the figures word it: 0% and 100% only when exactly so.
function formatShare(share) {
  if (share === 0 || share === 1) return `${share * 100}%`;
  if (share < 0.001) return '<0.1%';
  if (share > 0.999) return '>99.9%';
  return `${Number((share * 100).toFixed(1))}%`;
}

// About `count` round steps (1, 2 or 5 times a power of ten) from 0 to past high.
function roundAxis(high, count, minimumStep) {
  const raw = Math.max(high, minimumStep) / count;
  const magnitude = Math.pow(10, Math.floor(Math.log10(raw)));
  const scaled = raw / magnitude;
  const step = Math.max(minimumStep, (scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10) * magnitude);
  const top = Math.max(step, Math.ceil(high / step) * step);
  const ticks = [];
  for (let v = 0; v <= top + step / 2; v += step) ticks.push(Number(v.toPrecision(12)));
  return { low: 0, high: top, ticks, at: (v) => v / top };
}

// A log axis over the counts from its floor (1, or 0.1 for counts below 10)
// to the power of ten past high; counts below the floor, 0 among them, lie
// on its lower edge. Ticks at 1, 2 and 5 times the powers of ten over a few
// decades, at the powers of ten alone over more.
function logAxis(high) {
  const floor = high >= 10 ? 1 : 0.1;
  const top = Math.max(floor * 10, Math.pow(10, Math.ceil(Math.log10(Math.max(high, floor)))));
  const decades = Math.round(Math.log10(top / floor));
  const mantissas = decades <= 3 ? [1, 2, 5] : [1];
  const ticks = [];
  for (let power = Math.round(Math.log10(floor)); power <= Math.log10(top) + 1e-9; power += 1)
    for (const mantissa of mantissas) {
      const tick = Number((mantissa * Math.pow(10, power)).toPrecision(12));
      if (tick <= top * (1 + 1e-9)) ticks.push(tick);
    }
  const at = (v) => (v > floor ? Math.log10(v / floor) / Math.log10(top / floor) : 0);
  return { low: floor, high: top, ticks, at, log: true };
}

// A frame over the generations 0 to xHigh and the y axis given; its x and
// y place a generation and a value.
function frame(svg, box, xHigh, yAxis, percent) {
  const x = (g) => box.left + (g / xHigh) * (box.right - box.left);
  const y = (v) => box.bottom - Math.min(1, yAxis.at(v)) * (box.bottom - box.top);
  for (const v of yAxis.ticks) {
    element('line', { x1: box.left, x2: box.right, y1: y(v), y2: y(v), class: 'grid' }, svg);
    text(svg, box.left - 8, y(v) + 4, percent ? `${Math.round(v * 100)}%` : formatCount(v), { 'text-anchor': 'end' });
  }
  const xAxis = roundAxis(xHigh, 8, 1);
  for (const g of xAxis.ticks) {
    if (g > xHigh) break;
    element('line', { x1: x(g), x2: x(g), y1: box.bottom, y2: box.bottom + 5, class: 'axis' }, svg);
    text(svg, x(g), box.bottom + 18, formatCount(g), { 'text-anchor': 'middle' });
  }
  element('line', { x1: box.left, x2: box.left, y1: box.top, y2: box.bottom, class: 'axis' }, svg);
  element('line', { x1: box.left, x2: box.right, y1: box.bottom, y2: box.bottom, class: 'axis' }, svg);
  return { x, y, box, xHigh };
}

function points(summary, at, value) {
  return summary.map((row) => `${at.x(row.generation).toFixed(1)},${at.y(value(row)).toFixed(1)}`).join(' ');
}

function band(svg, summary, at, lower, upper, className) {
  const top = points(summary, at, (row) => row[upper]);
  const bottom = points([...summary].reverse(), at, (row) => row[lower]);
  element('polygon', { points: `${top} ${bottom}`, class: className }, svg);
}

function legend(svg, y, entries) {
  let x = 70;
  for (const [className, label, box] of entries) {
    if (box) element('rect', { x, y: y - 10, width: 22, height: 11, class: className }, svg);
    else element('line', { x1: x, x2: x + 22, y1: y - 4, y2: y - 4, class: className }, svg);
    text(svg, x + 28, y, label);
    x += 28 + 7 * label.length + 18;
  }
}

function lastGeneration(result) {
  return result.summary[result.summary.length - 1].generation;
}

const capitalised = (word) => word[0].toUpperCase() + word.slice(1);

function drawCounts(result, baseline) {
  const stage = page.view.stage;
  const svg = byId('counts-chart');
  svg.replaceChildren();
  const streams = `${result.streams} ${result.streams === 1 ? 'stream' : 'streams'}`;
  text(svg, 70, 18, `${capitalised(stage)} in generations 0 to ${lastGeneration(result)} over ${streams}`,
       { class: 'title' });
  const entries = [['band90', '5th\u201395th percentile', true], ['band50', '25th\u201375th percentile', true],
                   ['median', 'median', false]];
  if (baseline) entries.push(['baseline-line', 'baseline median', false]);
  legend(svg, 42, entries);
  let high = Math.max(...result.summary.map((row) => row[`${stage}_p95`]));
  if (baseline) high = Math.max(high, ...baseline.summary.map((row) => row[`${stage}_p50`]));
  const xHigh = Math.max(1, lastGeneration(result), baseline ? lastGeneration(baseline) : 0);
  const yAxis = page.view.log ? logAxis(high) : roundAxis(high, 5, 1);
  const at = frame(svg, { left: 70, right: 740, top: 58, bottom: 296 }, xHigh, yAxis, false);
  band(svg, result.summary, at, `${stage}_p5`, `${stage}_p95`, 'band90');
  band(svg, result.summary, at, `${stage}_p25`, `${stage}_p75`, 'band50');
  element('polyline', { points: points(result.summary, at, (row) => row[`${stage}_p50`]), class: 'median' }, svg);
  if (baseline)
    element('polyline', { points: points(baseline.summary, at, (row) => row[`${stage}_p50`]), class: 'baseline-line' }, svg);
  text(svg, 405, 326, 'Generation', { 'text-anchor': 'middle' });
  if (yAxis.log) text(svg, 740, 326, `log scale; counts under ${yAxis.low} on the lower edge`, { 'text-anchor': 'end', class: 'note' });
  return at;
}

function drawExtinct(result, baseline) {
  const svg = byId('extinct-chart');
  svg.replaceChildren();
  text(svg, 70, 18, `Share of streams extinct in generations 0 to ${lastGeneration(result)}`, { class: 'title' });
  const entries = [['extinct-line', 'extinct', false]];
  if (baseline) entries.push(['baseline-line', 'baseline extinct', false]);
  legend(svg, 40, entries);
  const xHigh = Math.max(1, lastGeneration(result), baseline ? lastGeneration(baseline) : 0);
  const box = { left: 70, right: 740, top: 54, bottom: 160 };
  const at = frame(svg, box, xHigh, { ticks: [0, 0.25, 0.5, 0.75, 1], at: (v) => v }, true);
  const line = points(result.summary, at, (row) => row.extinct_fraction);
  const first = `${at.x(0).toFixed(1)},${box.bottom}`;
  const end = `${at.x(lastGeneration(result)).toFixed(1)},${box.bottom}`;
  element('polygon', { points: `${first} ${line} ${end}`, class: 'extinct-area' }, svg);
  element('polyline', { points: line, class: 'extinct-line' }, svg);
  if (baseline)
    element('polyline', { points: points(baseline.summary, at, (row) => row.extinct_fraction), class: 'baseline-line' }, svg);
  return at;
}

function drawCharts() {
  page.charts = {
    counts: drawCounts(page.shown, page.baseline),
    extinct: drawExtinct(page.shown, page.baseline),
  };
}

// ---- The values under the pointer.

function rowAt(result, generation) {
  return result.summary.find((row) => row.generation === generation) || null;
}

function readoutText(generation) {
  const stage = page.view.stage;
  const row = rowAt(page.shown, generation);
  if (!row) return `Generation ${generation}: not run`;
  let words = `Generation ${generation}: ${stage} median ${formatCount(row[`${stage}_p50`])}, ` +
    `50% of streams ${formatCount(row[`${stage}_p25`])}\u2013${formatCount(row[`${stage}_p75`])}, ` +
    `90% ${formatCount(row[`${stage}_p5`])}\u2013${formatCount(row[`${stage}_p95`])}; ` +
    `extinct ${formatShare(row.extinct_fraction)}`;
  const pinned = page.baseline && rowAt(page.baseline, generation);
  if (pinned)
    words += `; baseline median ${formatCount(pinned[`${stage}_p50`])}, extinct ${formatShare(pinned.extinct_fraction)}`;
  return words;
}

function pointAt(svg, event) {
  const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(svg.getScreenCTM().inverse());
  return point;
}

function showPointer(event) {
  if (!page.shown || !page.charts) return;
  const svg = event.currentTarget;
  const at = svg.id === 'counts-chart' ? page.charts.counts : page.charts.extinct;
  const point = pointAt(svg, event);
  const share = (point.x - at.box.left) / (at.box.right - at.box.left);
  if (share < 0 || share > 1) return hidePointer();
  const generation = Math.round(share * at.xHigh);
  for (const [id, chart] of [['counts-chart', page.charts.counts], ['extinct-chart', page.charts.extinct]]) {
    const target = byId(id);
    let cursor = target.querySelector('.cursor');
    if (!cursor) cursor = element('line', { class: 'cursor' }, target);
    const x = chart.x(generation);
    for (const [key, value] of Object.entries({ x1: x, x2: x, y1: chart.box.top, y2: chart.box.bottom }))
      cursor.setAttribute(key, value);
  }
  byId('readout').textContent = readoutText(generation);
}

function hidePointer() {
  for (const cursor of document.querySelectorAll('svg .cursor')) cursor.remove();
}

// ---- Buttons and the view.

function pinBaseline() {
  page.baseline = page.shown;
  byId('unpin').hidden = false;
  showHeadline();
  drawCharts();
}

function forgetBaseline() {
  page.baseline = null;
  byId('unpin').hidden = true;
  showHeadline();
  drawCharts();
}

function toggleCommand() {
  const command = byId('command');
  command.hidden = !command.hidden;
  byId('show-command').setAttribute('aria-expanded', String(!command.hidden));
}

function viewChanged() {
  page.view.stage = byId('stage').value;
  page.view.log = byId('log-scale').checked;
  writeAddress();
  if (page.shown) drawCharts();
}

async function start() {
  byId('pin').addEventListener('click', pinBaseline);
  byId('unpin').addEventListener('click', forgetBaseline);
  byId('show-command').addEventListener('click', toggleCommand);
  byId('stage').addEventListener('change', viewChanged);
  byId('log-scale').addEventListener('change', viewChanged);
  for (const button of document.querySelectorAll('button.download'))
    button.addEventListener('click', () => download(button));
  for (const id of ['counts-chart', 'extinct-chart']) {
    byId(id).addEventListener('pointermove', showPointer);
    byId(id).addEventListener('pointerleave', hidePointer);
  }
  window.addEventListener('pagehide', cancelOnLeaving);
  try {
    const response = await fetch('/api/parameters');
    buildForm(await response.json());
  } catch (failure) {
    setStatus('error', `The explorer cannot be reached: ${failure.message}`);
    return;
  }
  readAddress();
  writeAddress();
  scheduleUpdate(0);
}

start();
