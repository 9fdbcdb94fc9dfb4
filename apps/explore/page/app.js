// The explorer's page: a form of the ten parameters and the seeds, and the
// outcome over every stream, asked of the server a moment after each change.
'use strict';

const svgNamespace = 'http://www.w3.org/2000/svg';
const updateDelay = 300;      // ms after the last change before asking
const progressDelay = 300;    // ms before a computation shows its progress
const progressInterval = 250;
const sliderSteps = 1000;

const page = {
  parameters: [],        // from /api/parameters, each with its input elements
  seeds: null,
  timer: null,
  controller: null,      // of the request under way
  shown: null,           // the result on display: {query, summary, text, ...}
  baseline: null,        // the pinned result
};

const byId = (id) => document.getElementById(id);

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
  field.append(label, controls);

  const follow = () => {
    const value = Number(text.value);
    if (text.value.trim() !== '' && Number.isFinite(value)) slider.value = sliderPosition(parameter.slider, value);
  };
  follow();
  text.addEventListener('input', () => { follow(); scheduleUpdate(); });
  slider.addEventListener('input', () => {
    text.value = sliderText(parameter, sliderValue(parameter.slider, Number(slider.value)));
    scheduleUpdate();
  });
  parameter.text = text;
  parameter.field = field;
  return field;
}

function buildForm(info) {
  page.parameters = info.parameters;
  const fields = byId('fields');
  info.parameters.forEach((parameter, index) => fields.append(buildField(parameter, index)));
  page.seeds = byId('seeds');
  page.seeds.value = info.seeds;
  page.seeds.addEventListener('input', () => scheduleUpdate());
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

// ---- Asking the server: the newest request only; an older one is aborted
// here and stopped there by the newer one.

function scheduleUpdate(delay = updateDelay) {
  clearTimeout(page.timer);
  page.timer = setTimeout(update, delay);
}

async function update() {
  const query = currentQuery();
  if (page.controller) page.controller.abort();
  const controller = new AbortController();
  page.controller = controller;
  setStatus('computing', 'Computing\u2026');
  markStale(true);
  const progress = watchProgress(controller);
  try {
    const response = await fetch('/api/ensemble', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(query),
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
  for (const id of ['adults-chart', 'extinct-chart']) byId(id).classList.toggle('stale', stale);
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
  markStale(false);
  const seconds = body.seconds < 0.01 ? 'under 0.01' : body.seconds.toFixed(2);
  setStatus('done', `${body.streams} ${body.streams === 1 ? 'stream' : 'streams'} in ${seconds} s`);
  byId('result').dataset.query = queryArguments(query);
  byId('summary-text').textContent = body.text;
  showHeadline();
  drawCharts();
  linkDownloads(query);
  byId('command').textContent = ensembleCommand(query);
  byId('pin').disabled = false;
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
  const box = byId('baseline-box');
  box.hidden = page.baseline === null;
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

function linkDownloads(query) {
  const search = queryArguments(query);
  for (const [id, file] of [['download-answers', 'answers.txt'], ['download-summary', 'summary.csv'],
                            ['download-runs', 'runs.csv'], ['download-report', 'report.svg']])
    byId(id).href = `/api/${file}?${search}`;
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

// About `count` round steps (1, 2 or 5 times a power of ten) from 0 to past high.
function roundAxis(high, count, minimumStep) {
  const raw = Math.max(high, minimumStep) / count;
  const magnitude = Math.pow(10, Math.floor(Math.log10(raw)));
  const scaled = raw / magnitude;
  const step = Math.max(minimumStep, (scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10) * magnitude);
  return { high: Math.max(step, Math.ceil(high / step) * step), step };
}

function frame(svg, box, xHigh, yAxis, percent) {
  const x = (g) => box.left + (g / xHigh) * (box.right - box.left);
  const y = (v) => box.bottom - (v / yAxis.high) * (box.bottom - box.top);
  for (let v = 0; v <= yAxis.high + yAxis.step / 2; v += yAxis.step) {
    element('line', { x1: box.left, x2: box.right, y1: y(v), y2: y(v), class: 'grid' }, svg);
    text(svg, box.left - 8, y(v) + 4, percent ? `${Math.round(v * 100)}%` : formatCount(v), { 'text-anchor': 'end' });
  }
  const xAxis = roundAxis(xHigh, 8, 1);
  for (let g = 0; g <= xHigh; g += xAxis.step) {
    element('line', { x1: x(g), x2: x(g), y1: box.bottom, y2: box.bottom + 5, class: 'axis' }, svg);
    text(svg, x(g), box.bottom + 18, formatCount(g), { 'text-anchor': 'middle' });
  }
  element('line', { x1: box.left, x2: box.left, y1: box.top, y2: box.bottom, class: 'axis' }, svg);
  element('line', { x1: box.left, x2: box.right, y1: box.bottom, y2: box.bottom, class: 'axis' }, svg);
  return { x, y };
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

function drawAdults(result, baseline) {
  const svg = byId('adults-chart');
  svg.replaceChildren();
  text(svg, 70, 18, `Adults per generation over ${result.streams} ${result.streams === 1 ? 'stream' : 'streams'}`,
       { class: 'title' });
  const entries = [['band90', '5th\u201395th percentile', true], ['band50', '25th\u201375th percentile', true],
                   ['median', 'median', false]];
  if (baseline) entries.push(['baseline-line', 'baseline median', false]);
  legend(svg, 42, entries);
  let high = Math.max(...result.summary.map((row) => row.adults_p95));
  if (baseline) high = Math.max(high, ...baseline.summary.map((row) => row.adults_p50));
  const xHigh = Math.max(1, lastGeneration(result), baseline ? lastGeneration(baseline) : 0);
  const at = frame(svg, { left: 70, right: 740, top: 58, bottom: 296 }, xHigh, roundAxis(high, 5, 1), false);
  band(svg, result.summary, at, 'adults_p5', 'adults_p95', 'band90');
  band(svg, result.summary, at, 'adults_p25', 'adults_p75', 'band50');
  element('polyline', { points: points(result.summary, at, (row) => row.adults_p50), class: 'median' }, svg);
  if (baseline)
    element('polyline', { points: points(baseline.summary, at, (row) => row.adults_p50), class: 'baseline-line' }, svg);
  text(svg, 405, 326, 'Generation', { 'text-anchor': 'middle' });
}

function drawExtinct(result, baseline) {
  const svg = byId('extinct-chart');
  svg.replaceChildren();
  text(svg, 70, 18, 'Share of streams extinct (no adults left)', { class: 'title' });
  const entries = [['extinct-line', 'extinct', false]];
  if (baseline) entries.push(['baseline-line', 'baseline extinct', false]);
  legend(svg, 40, entries);
  const xHigh = Math.max(1, lastGeneration(result), baseline ? lastGeneration(baseline) : 0);
  const box = { left: 70, right: 740, top: 54, bottom: 160 };
  const at = frame(svg, box, xHigh, { high: 1, step: 0.25 }, true);
  const line = points(result.summary, at, (row) => row.extinct_fraction);
  const first = `${at.x(0).toFixed(1)},${box.bottom}`;
  const end = `${at.x(lastGeneration(result)).toFixed(1)},${box.bottom}`;
  element('polygon', { points: `${first} ${line} ${end}`, class: 'extinct-area' }, svg);
  element('polyline', { points: line, class: 'extinct-line' }, svg);
  if (baseline)
    element('polyline', { points: points(baseline.summary, at, (row) => row.extinct_fraction), class: 'baseline-line' }, svg);
}

function drawCharts() {
  drawAdults(page.shown, page.baseline);
  drawExtinct(page.shown, page.baseline);
}

// ---- Buttons.

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

async function start() {
  byId('pin').addEventListener('click', pinBaseline);
  byId('unpin').addEventListener('click', forgetBaseline);
  byId('show-command').addEventListener('click', toggleCommand);
  try {
    const response = await fetch('/api/parameters');
    buildForm(await response.json());
  } catch (failure) {
    setStatus('error', `The explorer cannot be reached: ${failure.message}`);
    return;
  }
  scheduleUpdate(0);
}

start();
