// The explorer's page in a real browser: Debian's chromium, started here and
// driven by playwright-core, stopped by its process id whatever happens.
// Starts zemrath-explore on a free port, loads the page, pins the first
// result, changes a parameter, waits for the page to show the new result,
// and checks what it shows and what it downloads against zemrath-ensemble's
// files for the same answers: a set of downloads asked for while a newer
// result is computing is wholly that result's, the baseline box shows only
// while a baseline is pinned, the page's address gives the same view in
// another tab, the counts can be shown on a log scale and for each stage,
// with the values under the pointer, a value outside its meaning has its
// warning beside it, and a tab closed while it computes stops its
// computation. Every request the browser makes must go to the
// explorer itself. Leaves a screenshot of the page.
//
//   node browser_test.mjs ZEMRATH_EXPLORE ZEMRATH_ENSEMBLE SCREENSHOT.png
import { chromium } from 'playwright-core';
import { execFileSync, spawn } from 'node:child_process';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [explorePath, ensemblePath, screenshotPath] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zemrath-explore-browser-'));
const answersFile = path.join(work, 'answers.txt');
fs.writeFileSync(answersFile, ['0.013', '0.8', '0.5', '400', '2', '0.5', '0.1', '4', '1', '50'].join('\n') + '\n');
const changed = { name: 'adult-survival', value: '0.6' };

// Flags for a headless chromium run as root on a machine without network:
// no sandbox, and none of the background traffic that would try to leave.
const chromiumArguments = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                           '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// Starts the explorer and resolves with its address once it prints it.
function startExplorer() {
  const child = spawn(explorePath, ['--answers', answersFile, '--port', '0', '--threads', '2'],
                      { stdio: ['ignore', 'pipe', 'inherit'] });
  let output = '';
  const address = new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      output += chunk;
      const found = /http:\/\/[^ \n]+/.exec(output);
      if (found) resolve(found[0]);
    });
    child.on('exit', (code) => reject(new Error(`zemrath-explore ended with status ${code}: ${output}`)));
  });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal, output })));
  return { child, address, exited };
}

// Whether a process of this id is still there.
function alive(pid) {
  try {
    process.kill(pid, 0);
    return true;
  } catch {
    return false;
  }
}

// Stops the browser by its process id: SIGTERM, then SIGKILL when it has not
// gone within five seconds.
async function stopBrowser(pid) {
  if (!alive(pid)) return;
  process.kill(pid, 'SIGTERM');
  for (let waited = 0; waited < 5000 && alive(pid); waited += 50) await new Promise((r) => setTimeout(r, 50));
  if (alive(pid)) process.kill(pid, 'SIGKILL');
}

// What zemrath-ensemble prints and writes for these extra arguments.
function runEnsemble(program, argumentsAfter) {
  const out = fs.mkdtempSync(path.join(work, 'ensemble-'));
  const stdout = execFileSync(program, [...argumentsAfter, '--out', out, '--quiet'], { encoding: 'utf8' });
  const read = (name) => fs.readFileSync(path.join(out, name), 'utf8');
  return { stdout, summary: read('summary.csv'), runs: read('runs.csv'), report: read('report.svg'),
           answers: read('run-answers.txt') };
}

// One generation's row of a summary.csv, by column name.
function summaryRow(summary, generation) {
  const lines = summary.trim().split('\n');
  const columns = lines[0].split(',');
  const row = lines.find((line) => line.startsWith(`${generation},`)).split(',');
  return Object.fromEntries(columns.map((name, i) => [name, Number(row[i])]));
}

// A count as the page writes one.
const shown = (value) => String(Number(value.toPrecision(4)));

// Waits until the page shows the result of this value.
async function waitForResult(page, name, value) {
  await page.waitForFunction(({ name, value }) => {
    const query = new URLSearchParams(document.getElementById('result').dataset.query || '');
    return query.get(name) === value && document.getElementById('status').dataset.state === 'done';
  }, { name, value });
}

// Clicks each download button (each waits until the result is in) and
// keeps what arrives, by the file name the page gives it.
async function downloadSet(page) {
  const files = {};
  for (const id of ['#download-answers', '#download-summary', '#download-runs', '#download-report', '#download-png']) {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click(id)]);
    const saved = path.join(work, `download-${download.suggestedFilename()}`);
    await download.saveAs(saved);
    files[download.suggestedFilename()] = fs.readFileSync(saved);
  }
  return files;
}

// The width and height a PNG's header gives.
function pngSize(bytes) {
  assert.deepEqual([...bytes.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a], 'a PNG');
  return { width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20) };
}

async function progressOf(page) {
  return page.evaluate(() => fetch('/api/progress').then((response) => response.json()));
}

async function checkPage(browser, url) {
  const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1280, height: 1000 } });
  const requests = [];
  const problems = [];
  context.on('request', (request) => requests.push(request.url()));
  try {
    const page = await context.newPage();
    page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
    page.on('pageerror', (error) => problems.push(error.message));
    await page.goto(url);
    await page.waitForSelector('#status[data-state=done]');
    assert.equal(await page.isVisible('#baseline-box'), false, 'no baseline box before one is pinned');
    await page.click('#pin');
    assert.equal(await page.isVisible('#baseline-box'), true);

    // A slider writes its value into the number field; typing then takes over.
    await page.locator(`[data-name=${changed.name}] input[type=range]`).fill('700');
    assert.equal(await page.inputValue(`#${changed.name}`), '0.7');
    await page.fill(`#${changed.name}`, changed.value);
    await waitForResult(page, changed.name, changed.value);

    const expected = runEnsemble(ensemblePath, ['--answers', answersFile, `--${changed.name}`, changed.value]);
    const share = /^extinct by generation 50: \d+ of 1000 streams \(([^)]*)\)/m.exec(expected.stdout)[1];
    assert.equal(await page.textContent('#extinct-share'), share);
    const fraction = summaryRow(expected.summary, 50).extinct_fraction;
    assert.equal(`${(fraction * 100).toFixed(1)}%`, share);
    assert.equal(await page.textContent('#baseline-changes'), `with ${changed.name} 0.5`);
    assert.equal(await page.textContent('#summary-text'), expected.stdout);

    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-summary')]);
    assert.equal(download.suggestedFilename(), 'summary.csv');
    const saved = path.join(work, 'summary.csv');
    await download.saveAs(saved);
    assert.equal(fs.readFileSync(saved, 'utf8'), expected.summary);

    // The command shown reproduces the view.
    await page.click('#show-command');
    const words = (await page.textContent('#command')).replace(/\\\n/g, ' ').trim().split(/ +/);
    assert.equal(words[0], 'zemrath-ensemble');
    assert.equal(words.at(-2), '--out');
    assert.equal(runEnsemble(ensemblePath, words.slice(1, -2)).summary, expected.summary);
    await page.click('#show-command');

    await page.screenshot({ path: screenshotPath, fullPage: true });

    await page.click('#unpin');
    assert.equal(await page.isVisible('#baseline-box'), false, 'no baseline box once it is forgotten');

    // Typed and downloaded at once: the files wait for the new result, and
    // every one of them is that result's, asked for by its id.
    await page.fill(`#${changed.name}`, '0.55');
    assert.equal(await page.isDisabled('#download-answers'), true, 'no download while a newer result is computing');
    assert.equal(await page.isDisabled('#download-png'), true);
    const asked = requests.length;
    const files = await downloadSet(page);
    const result = await page.getAttribute('#result', 'data-result');
    assert.equal(new URLSearchParams(await page.getAttribute('#result', 'data-query')).get(changed.name), '0.55');
    const quick = runEnsemble(ensemblePath, ['--answers', answersFile, `--${changed.name}`, '0.55']);
    assert.equal(files['answers.txt'].toString(), quick.answers);
    assert.equal(files['summary.csv'].toString(), quick.summary);
    assert.equal(files['runs.csv'].toString(), quick.runs);
    assert.equal(files['report.svg'].toString(), quick.report);
    const svgSize = /width="([\d.]+)" height="([\d.]+)"/.exec(quick.report);
    assert.deepEqual(pngSize(files['report.png']), { width: 2 * Number(svgSize[1]), height: 2 * Number(svgSize[2]) });
    const fileRequests = requests.slice(asked).filter((address) => /\/api\/[a-z]+\.[a-z]+/.test(address));
    assert.equal(fileRequests.length, 5, fileRequests.join(' '));  // report.svg twice: as it is, and for the PNG
    for (const address of fileRequests) assert.equal(new URL(address).search, `?result=${result}`);

    // Another stage, on a log scale, with the values under the pointer.
    await page.selectOption('#stage', 'larvae');
    await page.check('#log-scale');
    const title = await page.textContent('#counts-chart .title');
    assert.equal(title, 'Larvae in generations 0 to 50 over 1000 streams');
    const ticks = await page.$$eval('#counts-chart text[text-anchor=end]', (texts) => texts.map((t) => t.textContent));
    for (const tick of ['1', '10', '100']) assert.ok(ticks.includes(tick), `log tick ${tick} in ${ticks}`);
    const chart = await page.locator('#counts-chart').boundingBox();
    const scale = chart.width / 760;
    await page.mouse.move(chart.x + (70 + (40 / 50) * 670) * scale, chart.y + 150 * scale);
    const row = summaryRow(quick.summary, 40);
    assert.equal(await page.textContent('#readout'),
                 `Generation 40: larvae median ${shown(row.larvae_p50)}, 50% of streams ${shown(row.larvae_p25)}` +
                 `\u2013${shown(row.larvae_p75)}, 90% ${shown(row.larvae_p5)}\u2013${shown(row.larvae_p95)}; ` +
                 `extinct ${Number((row.extinct_fraction * 100).toFixed(1))}%`);

    // The address holds every setting: another tab opened at it shows the same.
    const address = new URL(page.url());
    assert.equal(address.searchParams.get(changed.name), '0.55');
    assert.equal(address.searchParams.get('stage'), 'larvae');
    assert.equal(address.searchParams.get('scale'), 'log');
    const again = await context.newPage();
    await again.goto(address.href);
    await waitForResult(again, changed.name, '0.55');
    assert.equal(await again.inputValue(`#${changed.name}`), '0.55');
    assert.equal(await again.inputValue('#stage'), 'larvae');
    assert.equal(await again.isChecked('#log-scale'), true);
    assert.equal(await again.textContent('#counts-chart .title'), title);
    assert.equal(await again.textContent('#summary-text'), quick.stdout);
    await again.close();

    // A value outside its meaning runs, with the server's warning beside its field.
    await page.fill(`#${changed.name}`, '1.5');
    await waitForResult(page, changed.name, '1.5');
    assert.equal(await page.textContent(`[data-name=${changed.name}] .warning`),
                 '--adult-survival 1.5 lies outside its meaning (a probability, 0 to 1); it is used as given');
    assert.equal(await page.isVisible(`[data-name=${changed.name}] .warning`), true);
    assert.equal(await page.isVisible('[data-name=carrying-capacity] .warning'), false);
    await page.fill(`#${changed.name}`, '0.55');
    await waitForResult(page, changed.name, '0.55');
    assert.equal(await page.isVisible(`[data-name=${changed.name}] .warning`), false);

    // A tab closed in the middle of a long computation (about twenty
    // seconds of streams) stops it at once.
    const closing = await context.newPage();
    await closing.goto(`${url}?adult-survival=0.6&generations=5000`);
    let progress = await progressOf(page);
    for (let tries = 0; tries < 400 && !(progress.running && progress.total === 1000); tries++) {
      await new Promise((r) => setTimeout(r, 25));
      progress = await progressOf(page);
    }
    assert.ok(progress.running, 'the long computation runs');
    await closing.close();
    const closed = Date.now();
    while (progress.running && Date.now() - closed < 5000) {
      await new Promise((r) => setTimeout(r, 25));
      progress = await progressOf(page);
    }
    assert.equal(progress.running, false, 'the computation of a closed tab stops');
    assert.ok(progress.done < progress.total, `stopped before its streams were done (${progress.done})`);

    assert.deepEqual(problems, [], 'the page logged no errors');
  } finally {
    await context.close();
  }
  const origin = new URL(url).origin;
  const elsewhere = requests.filter((address) => new URL(address).origin !== origin && !address.startsWith('blob:') &&
                                                 !address.startsWith('data:'));
  assert.deepEqual(elsewhere, [], 'every request went to the explorer');
  assert.ok(requests.some((address) => address.endsWith('/api/ensemble')));
}

const explorer = startExplorer();
let browserPid = null;
try {
  const server = await chromium.launchServer({ executablePath: '/usr/bin/chromium', headless: true,
                                               args: chromiumArguments });
  browserPid = server.process().pid;
  const browser = await chromium.connect(server.wsEndpoint());
  await checkPage(browser, await explorer.address);
} finally {
  if (browserPid !== null) await stopBrowser(browserPid);
  process.kill(explorer.child.pid, 'SIGTERM');
  const end = await explorer.exited;
  fs.rmSync(work, { recursive: true, force: true });
  assert.equal(end.code, 143, `zemrath-explore stopped with status ${end.code} (signal ${end.signal})`);
  assert.match(end.output, /stopped by SIGTERM/);
}
console.log('the page shows and downloads what zemrath-ensemble writes');
