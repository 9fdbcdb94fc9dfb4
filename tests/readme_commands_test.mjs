// Every command the README shows runs as printed: each indented code block
// is a command (the shell runs it as it stands, in the README's order, in a
// scratch folder that holds the build as build/release and the project's
// docs/), unless a comment right before it says what else it is:
//
//   <!-- output -->            what the command before prints on standard output, compared byte for byte
//   <!-- errors -->            what it prints on standard error, likewise
//   <!-- output, abridged -->  a JSON answer with [...], {...}, "..." and ... standing for any value
//   <!-- message -->           a message the programs write, shown as an example; not run
//   <!-- written as PATH -->   (before an image) the file the command before wrote at PATH
//   <!-- contained in PATH --> (before a fenced block) text that the project's file PATH holds
//
// A command that starts a server (zemrath-explore) is started, checked for
// the line it prints, left running for the next command and stopped. The
// commands this test cannot run here are in the table below, each with its
// reason, and are listed in the test's output; none is skipped silently.
//
//   node readme_commands_test.mjs README.md SOURCE_DIR BUILD_DIR
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [readmePath, sourceDir, buildDir] = process.argv.slice(2);

// The commands not run here, by their text as the README shows them.
const notRunHere = new Map([
  ['scripts/install-deps && cmake --preset release && cmake --build --preset release -j2 && build/release/bin/zemrath',
   'the build this test runs against, from Debian packages that install-deps installs as root from the network'],
  ['scripts/test', 'runs this whole suite, this test among it'],
  ['docs/zemrath-sweep.sbatch experiment.toml /shared/results 32 --partition=long --time=2:00:00',
   'needs a Slurm cluster: Sweep.SlurmJobArrayAndMerge runs this script on a throwaway one'],
  ['sudo apt-get install --no-install-recommends r-base-dev r-cran-rcpp r-cran-testthat r-cran-future.apply libboost-dev',
   'installs Debian packages as root from the network (scripts/install-deps installs them)'],
  ['r/sync-core && R CMD INSTALL r/zemrath',
   "installs into R's site library as root; RPackage.BuildInstallTestAndCheck installs the package from this checkout into a scratch library"],
  ['r/sync-core && R CMD build r/zemrath',
   "writes the library's copy into the checkout's r/zemrath/src; RPackage.BuildInstallTestAndCheck builds the tarball"],
  ['r/sync-core && R CMD build r/zemrath && _R_CHECK_CRAN_INCOMING_REMOTE_=false _R_CHECK_SYSTEM_CLOCK_=false R_RD4PDF=times,hyper R CMD check --as-cran zemrath_0.2.0.tar.gz',
   'RPackage.BuildInstallTestAndCheck runs this check (a minute and a half) in a scratch folder'],
  [`Rscript -e 'Rcpp::compileAttributes("r/zemrath"); roxygen2::roxygenise("r/zemrath", roclets = c("rd", "namespace"), load_code = roxygen2::load_source)'`,
   "rewrites the R package's generated files in the checkout, with roxygen2, which the suite does not need"],
  ['sudo apt-get install --no-install-recommends python3-dev python3-venv python3-pip python3-setuptools python3-pybind11 pybind11-dev python3-numpy python3-pandas python3-xarray python3-dask python3-distributed python3-matplotlib python3-pytest libtomlplusplus-dev libboost-dev pkg-config g++',
   'installs Debian packages as root from the network (scripts/install-deps installs them)'],
  ['/usr/bin/python3 -m venv --system-site-packages ~/zemrath-env && ~/zemrath-env/bin/python -m pip install --no-build-isolation ./python',
   'installs into a virtual environment in the home folder; PythonPackage.InstallAndTest installs the package from this checkout into a scratch one'],
  ['cmake --workflow --preset sanitize', "the sanitizer build and its tests: the second half of scripts/test"],
  ['scripts/fuzz 300        # seconds per target; default 60',
   'runs for ten minutes with clang; fuzz_corpus_test replays the corpus in every build'],
  ['cmake --preset bench && cmake --build --preset bench -j2\nbuild/bench/bench/draw_counting_bench\nbuild/bench/bench/whole_run_bench\nbuild/bench/bench/explore_memory_bench\nbuild/bench/bench/sensitivity_bench',
   'builds the benchmarks and runs them, for many minutes'],
  ['cmake --preset release -DBUILD_TESTING=OFF && cmake --build --preset release -j2\ncmake --install build/release --prefix "$HOME/.local"',
   'rebuilds the build under test and installs into the home folder; Install.FindPackagePkgConfigAndHeaders installs the build into a scratch prefix'],
  ['cd build/release && cpack -G DEB && sudo apt-get install ./zemrath_*.deb',
   'installs a package into the system as root; Install.DebianPackage builds the package and installs it into a scratch folder'],
  ['g++ $(pkg-config --cflags zemrath) main.cpp -o example $(pkg-config --libs zemrath)',
   'needs the library installed where pkg-config looks; Install.FindPackagePkgConfigAndHeaders builds the example so'],
  ['cmake --preset release && cmake --build --preset release --target core_tests && ctest --preset release -L core',
   'configures and builds the build under test; its tests are those of the label core'],
]);

// Commands that need what not every machine has, and what they need.
const needs = new Map([
  ['ZEMRATH_KERNEL=avx2 build/release/bin/zemrath-ensemble --answers docs/answers.txt --out results',
   { has: () => /\bavx2\b/.test(fs.readFileSync('/proc/cpuinfo', 'utf8')), reason: 'this processor has no AVX2' }],
]);

// Commands that start a server, and the line each prints once it listens.
const servers = new Map([
  ['build/release/bin/zemrath-explore', 'zemrath-explore: open http://127.0.0.1:8080/ in a browser (Ctrl-C stops the server)'],
]);

const commandLimit = 300_000;  // ms: generous, the longest command takes seconds

// ---- The README's blocks.

// Every code block with its place, its role and its text.
function blocksOf(text) {
  const lines = text.split('\n');
  const blocks = [];
  let marker = null;
  for (let i = 0; i < lines.length; i++) {
    const line = lines[i];
    const comment = /^<!-- (.*) -->$/.exec(line.trim());
    if (comment) {
      marker = comment[1];
      continue;
    }
    if (line.startsWith('```')) {
      const start = i;
      const body = [];
      for (i++; i < lines.length && !lines[i].startsWith('```'); i++) body.push(lines[i]);
      blocks.push({ kind: 'fenced', language: line.slice(3), line: start + 1, text: body.join('\n'), marker });
      marker = null;
      continue;
    }
    const indent = /^( {4,})\S/.exec(line);
    if (indent && (i === 0 || lines[i - 1].trim() === '')) {
      const width = indent[1].length;
      const body = [];
      const start = i;
      while (i < lines.length && (lines[i].startsWith(' '.repeat(width)) ||
                                  (lines[i].trim() === '' && (lines[i + 1] || '').startsWith(' '.repeat(width))))) {
        body.push(lines[i].slice(width));
        i++;
      }
      i--;
      blocks.push({ kind: 'indented', line: start + 1, text: body.join('\n'), marker });
      marker = null;
      continue;
    }
    const image = /^!\[[^\]]*\]\(([^)]+)\)$/.exec(line.trim());
    if (image && marker && marker.startsWith('written as ')) {
      blocks.push({ kind: 'image', line: i + 1, file: image[1], written: marker.slice('written as '.length) });
      marker = null;
      continue;
    }
    if (line.trim() !== '') marker = null;
  }
  return blocks;
}

// ---- Comparing.

const anything = '\u0000anything';

// A JSON text with its abridgements standing for any value.
function abridgedJson(text) {
  return JSON.parse(text.replace(/\[\.\.\.\]|\{\.\.\.\}|"\.\.\."|\.\.\./g, JSON.stringify(anything)));
}

// Where the answer differs from the abridged one, or null.
function abridgedDifference(shown, answer, where = 'the answer') {
  if (shown === anything) return null;
  if (shown === null || typeof shown !== 'object') {
    return Object.is(shown, answer) ? null : `${where} is ${JSON.stringify(answer)}, not ${JSON.stringify(shown)}`;
  }
  if (answer === null || typeof answer !== 'object') return `${where} is ${JSON.stringify(answer)}`;
  const keys = Object.keys(shown), answered = Object.keys(answer);
  if (JSON.stringify(keys) !== JSON.stringify(answered))
    return `${where} has the keys ${answered.join(', ')}, not ${keys.join(', ')}`;
  for (const key of keys) {
    const difference = abridgedDifference(shown[key], answer[key], `${where}.${key}`);
    if (difference) return difference;
  }
  return null;
}

// ---- Running.

function run(command, scratch) {
  const result = spawnSync('bash', ['-e', '-o', 'pipefail', '-c', command],
                           { cwd: scratch, encoding: 'utf8', timeout: commandLimit, env: process.env });
  return { status: result.status, signal: result.signal, stdout: result.stdout, stderr: result.stderr };
}

// Starts a server's command and resolves once it printed the line it must.
function startServer(command, line, scratch) {
  const child = spawn('bash', ['-c', `exec ${command}`], { cwd: scratch, stdio: ['ignore', 'pipe', 'pipe'] });
  let stdout = '', stderr = '';
  child.stderr.on('data', (chunk) => { stderr += chunk; });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  const listening = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no line within a minute: ${stdout}${stderr}`)), 60_000);
    child.stdout.on('data', (chunk) => {
      stdout += chunk;
      if (stdout.includes('\n')) {
        clearTimeout(timer);
        resolve(stdout.split('\n')[0]);
      }
    });
    exited.then(({ code }) => reject(new Error(`ended with status ${code}: ${stdout}${stderr}`)));
  });
  return { child, listening, exited, output: () => stdout };
}

async function stopServer(server) {
  server.child.kill('SIGINT');
  const end = await server.exited;
  return { ...end, output: server.output() };
}

async function main() {
  const readme = fs.readFileSync(readmePath, 'utf8');
  const blocks = blocksOf(readme);
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'zemrath-readme-'));
  fs.mkdirSync(path.join(scratch, 'build'));
  fs.symlinkSync(path.resolve(buildDir), path.join(scratch, 'build', 'release'));
  fs.symlinkSync(path.resolve(sourceDir, 'docs'), path.join(scratch, 'docs'));

  const failures = [];
  const report = [];
  let last = null;     // what the last command run printed
  let server = null;   // a server started by the last command but one
  const fail = (block, message) => failures.push(`README.md:${block.line}: ${message}`);

  for (const block of blocks) {
    if (block.kind === 'image') {
      if (!last) { fail(block, `no command wrote ${block.written}`); continue; }
      const written = path.join(scratch, block.written);
      const shown = path.join(sourceDir, block.file);
      if (!fs.existsSync(written) || !fs.readFileSync(written).equals(fs.readFileSync(shown)))
        fail(block, `${block.file} is not the ${block.written} that the command before writes`);
      else report.push(`compared ${block.file} with ${block.written}`);
      continue;
    }
    if (block.kind === 'fenced') {
      if (block.marker && block.marker.startsWith('contained in ')) {
        const file = block.marker.slice('contained in '.length);
        if (!fs.readFileSync(path.join(sourceDir, file), 'utf8').includes(block.text))
          fail(block, `${file} does not hold the text shown`);
        else report.push(`compared the ${block.language} block with ${file}`);
      } else {
        report.push(`code, not a command: the ${block.language} block at line ${block.line}`);
      }
      continue;
    }
    const role = block.marker;
    if (role === 'message') continue;
    if (role === 'output' || role === 'errors' || role === 'output, abridged') {
      if (!last) { fail(block, 'an output with no command run before it'); continue; }
      const printed = role === 'errors' ? last.stderr : last.stdout;
      if (role === 'output, abridged') {
        let difference;
        try {
          difference = abridgedDifference(abridgedJson(block.text), JSON.parse(printed));
        } catch (failure) {
          difference = `not JSON: ${failure.message}`;
        }
        if (difference) fail(block, `${last.command}: ${difference}`);
        else report.push(`compared the answer of ${last.command} (abridged)`);
      } else if (printed !== `${block.text}\n`) {
        fail(block, `${last.command} printed\n${printed}instead of\n${block.text}\n`);
      } else {
        report.push(`compared what ${last.command} printed on standard ${role === 'errors' ? 'error' : 'output'}`);
      }
      continue;
    }
    if (role) fail(block, `unknown marker "${role}"`);

    const command = block.text;
    if (notRunHere.has(command)) {
      report.push(`not run: ${command.split('\n')[0]} (${notRunHere.get(command)})`);
      continue;
    }
    const need = needs.get(command);
    if (need && !need.has()) {
      report.push(`not run: ${command} (${need.reason})`);
      continue;
    }
    if (servers.has(command)) {
      if (server) { fail(block, 'a server is still running'); continue; }
      server = { command, block, ...startServer(command, servers.get(command), scratch) };
      try {
        const line = await server.listening;
        if (line !== servers.get(command)) fail(block, `${command} printed ${line}`);
        else report.push(`ran ${command}: ${line}`);
      } catch (failure) {
        fail(block, `${command}: ${failure.message}`);
      }
      continue;
    }
    const result = run(command, scratch);
    last = { command: command.split('\n')[0], ...result };
    if (result.status !== 0)
      fail(block, `${command} ended with status ${result.status}${result.signal ? ` (${result.signal})` : ''}:\n${result.stderr}`);
    else report.push(`ran ${command.split('\n').join(' ; ')}`);
    if (server) {
      const end = await stopServer(server);
      if (end.code !== 130 || !end.output.includes('stopped by SIGINT'))
        fail(server.block, `${server.command} did not stop on Ctrl-C as the README says: ${end.code} ${end.output}`);
      server = null;
    }
  }
  if (server) {
    await stopServer(server);
    fail(server.block, 'a server was left running at the end of the README');
  }
  // Every command the table names is still in the README.
  for (const command of [...notRunHere.keys(), ...needs.keys(), ...servers.keys()])
    if (!blocks.some((block) => block.kind === 'indented' && block.text === command))
      failures.push(`the README no longer shows: ${command}`);

  fs.rmSync(scratch, { recursive: true, force: true });
  for (const line of report) console.log(line);
  for (const failure of failures) console.log(`FAILED ${failure}`);
  const ran = report.filter((line) => line.startsWith('ran ')).length;
  const compared = report.filter((line) => line.startsWith('compared ')).length;
  const skipped = report.filter((line) => line.startsWith('not run: ')).length;
  console.log(`${ran} commands run, ${compared} outputs compared, ${skipped} commands not run here (reasons above), ` +
              `${failures.length} failures`);
  process.exitCode = failures.length === 0 ? 0 : 1;
}

await main();
