// The console scripts the web tests run through both the native rindou-cli
// and the page's module: the console transcripts' commands, and the commands
// of whole games the soak plays with a fixed seed.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

const root = path.resolve(__dirname, '..', '..');
const build = process.env.RINDOU_BUILD_DIR || path.join(root, 'build');
const site = process.env.RINDOU_WEB_SITE || path.join(root, 'build-web', 'site');

function bindir() {
  const cache = fs.readFileSync(path.join(build, 'CMakeCache.txt'), 'utf8');
  return cache.match(/^RINDOU_BUILD_BINDIR:INTERNAL=(.*)$/m)[1];
}

// The commands of a transcript: its lines that start with "> ".
function commandsOf(transcript) {
  return transcript.split('\n').filter((l) => l.startsWith('> '))
    .map((l) => `${l.slice(2)}\n`).join('');
}

// A home of its own, so that the native console keeps its games nowhere a
// person would look, and the searches run on their full budgets.
function nativeEnv(home) {
  const env = { ...process.env, HOME: home, XDG_DATA_HOME: path.join(home, 'data'),
                XDG_CONFIG_HOME: path.join(home, 'config') };
  delete env.RINDOU_SEARCH_NODES;
  return env;
}

function scratch() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-web-test-'));
}

function runNative(input) {
  const home = scratch();
  try {
    return execFileSync(path.join(bindir(), 'rindou-cli'), [],
                        { input, env: nativeEnv(home), cwd: home, maxBuffer: 1 << 28 });
  } finally {
    fs.rmSync(home, { recursive: true, force: true });
  }
}

function soakGame(seed, deep) {
  const home = scratch();
  try {
    const transcript = path.join(home, 'transcript.txt');
    const args = ['--cli', path.join(bindir(), 'rindou-cli'), '--games', '1', '--seed', String(seed),
                  '--quiet', '--transcript', transcript, '--folder', path.join(home, 'games')];
    if (deep) args.push('--deep');
    execFileSync(path.join(build, 'tools', 'rindou-soak'), args,
                 { env: { ...nativeEnv(home), RINDOU_SEARCH_NODES: '3000' }, cwd: home });
    return commandsOf(fs.readFileSync(transcript, 'utf8'));
  } finally {
    fs.rmSync(home, { recursive: true, force: true });
  }
}

function scripts() {
  const dir = path.join(root, 'tests', 'cli', 'transcripts');
  const list = fs.readdirSync(dir).sort().map((name) => ({
    name, input: commandsOf(fs.readFileSync(path.join(dir, name), 'utf8')),
  }));
  for (const [seed, deep] of [[1, false], [2, false], [3, true]])
    list.push({ name: `soak game, seed ${seed}${deep ? ', deep' : ''}`, input: soakGame(seed, deep) });
  // Deep searches at LEVEL4 and LEVEL5 and hints, on the levels' own budgets.
  list.push({ name: 'levels 4 and 5', input: 'menu LEVEL4\nmenu SENTE\nmove 7 7 7 6\nsearch 4\n'
                                             + 'menu LEVEL5\nmenu HINT\nsearch 5\nshow\n' });
  // A record written in the session's folder and read back; one in a folder
  // that does not exist.
  list.push({ name: 'a record saved and loaded', input: 'menu SENTE\nmove 7 7 7 6\nsave .|kept|a|b|c\n'
                                                      + 'load kept.棋譜\nmenu REPLAY\nsave missing|other|a|b|c\n'
                                                      + 'load missing/other.棋譜\n' });
  return list;
}

module.exports = { root, site, bindir, scripts, runNative };
