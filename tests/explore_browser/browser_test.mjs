// The explorer's page in a real browser: Debian's chromium, driven by
// playwright-core. Starts zemrath-explore on a free port, loads the page,
// pins the first result, changes a parameter, waits for the page to show
// the new result, and checks what it shows and what it downloads against
// zemrath-ensemble's files for the same answers. Every request the browser
// makes must go to the explorer itself. Leaves a screenshot of the page.
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

// What zemrath-ensemble prints and writes for these extra arguments.
function runEnsemble(program, argumentsAfter) {
  const out = fs.mkdtempSync(path.join(work, 'ensemble-'));
  const stdout = execFileSync(program, [...argumentsAfter, '--out', out, '--quiet'], { encoding: 'utf8' });
  return { stdout, summary: fs.readFileSync(path.join(out, 'summary.csv'), 'utf8') };
}

async function checkPage(url) {
  const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
    executablePath: '/usr/bin/chromium', headless: true, args: chromiumArguments,
    acceptDownloads: true, viewport: { width: 1280, height: 1000 },
  });
  const requests = [];
  const problems = [];
  context.on('request', (request) => requests.push(request.url()));
  try {
    const page = await context.newPage();
    page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
    page.on('pageerror', (error) => problems.push(error.message));
    await page.goto(url);
    await page.waitForSelector('#status[data-state=done]');
    await page.click('#pin');

    // A slider writes its value into the number field; typing then takes over.
    await page.locator(`[data-name=${changed.name}] input[type=range]`).fill('700');
    assert.equal(await page.inputValue(`#${changed.name}`), '0.7');
    await page.fill(`#${changed.name}`, changed.value);
    await page.waitForFunction(({ name, value }) => {
      const shown = new URLSearchParams(document.getElementById('result').dataset.query || '');
      return shown.get(name) === value && document.getElementById('status').dataset.state === 'done';
    }, changed);

    const expected = runEnsemble(ensemblePath, ['--answers', answersFile, `--${changed.name}`, changed.value]);
    const share = /^extinct by generation 50: \d+ of 1000 streams \(([^)]*)\)/m.exec(expected.stdout)[1];
    assert.equal(await page.textContent('#extinct-share'), share);
    const lastRow = expected.summary.trim().split('\n').pop().split(',');
    const columns = expected.summary.split('\n')[0].split(',');
    const fraction = Number(lastRow[columns.indexOf('extinct_fraction')]);
    assert.equal(`${(fraction * 100).toFixed(1)}%`, share);
    assert.equal(await page.textContent('#baseline-changes'), `with ${changed.name} 0.5`);
    assert.equal(await page.textContent('#summary-text'), expected.stdout);

    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download-summary')]);
    assert.equal(download.suggestedFilename(), 'summary.csv');
    assert.equal(fs.readFileSync(await download.path(), 'utf8'), expected.summary);

    // The command shown reproduces the view.
    await page.click('#show-command');
    const words = (await page.textContent('#command')).replace(/\\\n/g, ' ').trim().split(/ +/);
    assert.equal(words[0], 'zemrath-ensemble');
    assert.equal(words.at(-2), '--out');
    assert.equal(runEnsemble(ensemblePath, words.slice(1, -2)).summary, expected.summary);

    await page.screenshot({ path: screenshotPath, fullPage: true });
    assert.deepEqual(problems, [], 'the page logged no errors');
  } finally {
    await context.close();
  }
  const origin = new URL(url).origin;
  const elsewhere = requests.filter((address) => new URL(address).origin !== origin);
  assert.deepEqual(elsewhere, [], 'every request went to the explorer');
  assert.ok(requests.some((address) => address.endsWith('/api/ensemble')));
}

const explorer = startExplorer();
try {
  await checkPage(await explorer.address);
} finally {
  process.kill(explorer.child.pid, 'SIGTERM');
  const end = await explorer.exited;
  fs.rmSync(work, { recursive: true, force: true });
  assert.equal(end.code, 143, `zemrath-explore stopped with status ${end.code} (signal ${end.signal})`);
  assert.match(end.output, /stopped by SIGTERM/);
}
console.log('the page shows and downloads what zemrath-ensemble writes');
