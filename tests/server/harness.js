// What the protocol tests share: a real rindou-server on a loopback port of
// its own, plain HTTP calls, and WebSocket clients that keep every message
// they receive so that a test can wait for the one it expects.  Every wait
// is bounded; the timeouts only keep a broken server from hanging the run.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');

// The pinned ws of this folder, never another copy found further up: a
// missing `npm ci` here is a failure to mend, not a reason to skip.
function pinnedWs() {
  let found = null;
  try { found = require.resolve('ws', { paths: [__dirname] }); } catch { /* reported below */ }
  if (!found || !found.startsWith(path.join(__dirname, 'node_modules') + path.sep))
    throw new Error(`ws is not installed in ${__dirname}: run npm ci there (tools/setup.sh does)`);
  return require(found);
}
const WebSocket = pinnedWs();

// The test is started with the server's path and a scratch folder (CTest
// passes both); without them the build folder's server is used.
const root = path.resolve(__dirname, '..', '..');
const serverPath = process.env.RINDOU_SERVER || path.join(root, 'build', 'games', 'rindou-server');
const scratchRoot = process.env.RINDOU_SCRATCH || os.tmpdir();

const WAIT = 10000;

// RINDOU_TEST_DATABASE=postgresql runs every test on PostgreSQL instead of
// SQLite: each database path a test names becomes a database of a
// throwaway cluster.
const onPostgres = process.env.RINDOU_TEST_DATABASE === 'postgresql';
const postgres = onPostgres ? require('./postgres') : null;
function databaseFor(name) { return onPostgres ? postgres.database(name) : name; }
// RINDOU_TEST_PG_DRIVER names how the servers write PostgreSQL: one driver,
// or several separated by commas that the servers a test starts take in
// turn (so that servers of both kinds share one database).
const pgDrivers = (process.env.RINDOU_TEST_PG_DRIVER || '').split(',').filter(Boolean);
let pgStarted = 0;
function driverArgs() {
  if (!onPostgres || pgDrivers.length === 0) return [];
  return ['--postgresql-driver', pgDrivers[pgStarted++ % pgDrivers.length]];
}

// Folders of a run's own, removed when it ends.
const scratches = [];
process.on('exit', () => {
  for (const dir of scratches) fs.rmSync(dir, { recursive: true, force: true });
});
function scratch(name) {
  fs.mkdirSync(scratchRoot, { recursive: true });
  const dir = fs.mkdtempSync(path.join(scratchRoot, `${name}-`));
  scratches.push(dir);
  return dir;
}

function timeout(ms, what) {
  let timer;
  const p = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`timed out waiting for ${what}`)), ms);
  });
  return { p, cancel: () => clearTimeout(timer) };
}

// Starts a server on the given database and resolves once it prints its
// `listening` line.  `args` adds options.
async function startServer(database, args = []) {
  const site = scratch('site');
  fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>test</title>\n');
  const proc = spawn(serverPath, ['--listen', '127.0.0.1:0', '--database', databaseFor(database),
                                  '--site', site, ...driverArgs(), ...args],
                     { stdio: ['ignore', 'pipe', 'pipe'] });
  let stderr = '';
  proc.stderr.on('data', (b) => { stderr += b; });
  const exited = new Promise((resolve) => proc.once('exit', (code, signal) => resolve({ code, signal })));
  const port = await new Promise((resolve, reject) => {
    let out = '';
    const t = timeout(WAIT, 'the listening line');
    t.p.catch(reject);
    proc.stdout.on('data', (b) => {
      out += b;
      const m = out.match(/^listening (\S+):(\d+)$/m);
      if (m) { t.cancel(); resolve(Number(m[2])); }
    });
    exited.then(({ code }) => { t.cancel(); reject(new Error(`server exited ${code}: ${stderr}`)); });
  });
  const server = {
    proc, port, exited, stderr: () => stderr,
    base: `http://127.0.0.1:${port}`,
    ws: `ws://127.0.0.1:${port}`,
    // Stops the server as an operator would, or kills it outright.
    async stop(signal = 'SIGTERM') {
      if (proc.exitCode === null && proc.signalCode === null) proc.kill(signal);
      const t = timeout(WAIT, 'the server to exit');
      try { return await Promise.race([exited, t.p]); } finally { t.cancel(); }
    },
  };
  return server;
}

async function http(server, method, url, body, headers = {}) {
  const init = { method, headers: { ...headers } };
  if (body !== undefined) {
    init.body = typeof body === 'string' ? body : JSON.stringify(body);
    init.headers['Content-Type'] = 'application/json';
  }
  let res;
  try {
    res = await fetch(server.base + url, { ...init, signal: AbortSignal.timeout(WAIT) });
  } catch (e) {
    const died = server.proc.exitCode !== null || server.proc.signalCode !== null
      ? `; the server ended (${server.proc.exitCode ?? server.proc.signalCode}): ${server.stderr()}` : '';
    throw new Error(`${method} ${url}: ${e.message} (${e.cause && e.cause.message})${died}`);
  }
  const bytes = Buffer.from(await res.arrayBuffer());
  let json = null;
  try { json = JSON.parse(bytes.toString('utf8')); } catch { /* the record is no JSON */ }
  return { status: res.status, json, bytes, headers: res.headers };
}

// A WebSocket client that keeps what it receives.  `next` waits for the
// first message after the ones already taken that matches, and takes it.
class Client {
  constructor(server, id, options = {}) {
    this.messages = [];
    this.log = [];  // everything received, taken or not
    this.taken = 0;
    this.waiters = [];
    this.closed = null;
    this.nextA = 1;
    this.sent = [];
    this.socket = new WebSocket(`${server.ws}/ws/${id}`, options);
    this.socket.on('message', (data, binary) => {
      const m = binary ? { binary: data } : JSON.parse(data.toString('utf8'));
      this.messages.push(m);
      this.log.push(m);
      this.wake();
    });
    this.socket.on('close', (code) => { this.closed = { code }; this.wake(); });
    this.socket.on('error', () => {});
    this.opened = new Promise((resolve, reject) => {
      this.socket.once('open', resolve);
      this.socket.once('unexpected-response', (_, res) => reject(Object.assign(
        new Error(`upgrade refused ${res.statusCode}`), { status: res.statusCode })));
      this.socket.once('close', () => reject(new Error('closed before opening')));
    });
    this.opened.catch(() => {});
  }

  wake() { for (const w of this.waiters.splice(0)) w(); }

  send(obj) { this.socket.send(typeof obj === 'string' ? obj : JSON.stringify(obj)); }

  // Waits for a message that `match` accepts (an object of fields that must
  // be equal, or a function); messages before it stay for later waits.
  async next(match, what = JSON.stringify(match), ms = WAIT) {
    const test = typeof match === 'function' ? match
      : (m) => Object.entries(match).every(([k, v]) => JSON.stringify(m[k]) === JSON.stringify(v));
    const deadline = Date.now() + ms;
    for (;;) {
      for (let i = this.taken; i < this.messages.length; ++i) {
        if (test(this.messages[i])) {
          const m = this.messages[i];
          this.messages.splice(i, 1);
          return m;
        }
      }
      if (this.closed) throw new Error(`closed (${this.closed.code}) while waiting for ${what}`);
      const left = deadline - Date.now();
      if (left <= 0) throw new Error(`timed out waiting for ${what}; got ${JSON.stringify(this.messages)}`);
      await new Promise((resolve) => {
        const timer = setTimeout(resolve, left);
        this.waiters.push(() => { clearTimeout(timer); resolve(); });
      });
    }
  }

  async closedWith(ms = WAIT) {
    const deadline = Date.now() + ms;
    while (!this.closed && Date.now() < deadline)
      await new Promise((resolve) => { const t = setTimeout(resolve, deadline - Date.now()); this.waiters.push(() => { clearTimeout(t); resolve(); }); });
    if (!this.closed) throw new Error('the connection stayed open');
    return this.closed.code;
  }

  // Keeps a client's requests under the server's rate limit, as a real
  // client would, so that only the test of that limit meets it.
  async paced() {
    const now = Date.now();
    this.sent = this.sent.filter((t) => now - t < 1100);
    if (this.sent.length >= 12) await new Promise((r) => setTimeout(r, 1100 - (now - this.sent[0])));
    this.sent.push(Date.now());
  }

  // Sends a request and resolves to its answer: {ack: true} or the error.
  async request(t, d, a = this.nextA++) {
    const msg = { t, a };
    if (d !== undefined) msg.d = d;
    await this.paced();
    this.send(msg);
    const answer = await this.next((m) => (m.t === 'ack' && m.d === a) || (m.t === 'error' && m.d && m.d.a === a),
                                   `the answer to ${t} ${a}`);
    return answer.t === 'ack' ? { ack: true } : answer.d;
  }

  // Versioned messages received and not yet taken, in order.
  versioned() { return this.messages.filter((m) => m.v !== undefined); }

  drop() { this.messages = []; }

  close() {
    if (this.socket.readyState === WebSocket.OPEN || this.socket.readyState === WebSocket.CONNECTING)
      this.socket.terminate();
  }
}

// Opens a connection to a game and says hello; resolves once the server has
// answered it with its presence message (which every hello gets).
async function connect(server, id, hello = {}, options = {}) {
  const c = new Client(server, id, options);
  await c.opened;
  c.send({ t: 'hello', d: hello });
  await c.next({ t: 'presence' }, 'presence after hello');
  return c;
}

// A game with both seats taken: the creator plays `side`.
async function newGame(server, settings = {}) {
  const { joinName, ...create } = settings;
  const made = await http(server, 'POST', '/api/games', { side: 'lower', ...create });
  if (made.status !== 201) throw new Error(`create: ${made.status} ${made.bytes}`);
  const joined = await http(server, 'POST', `/api/games/${made.json.id}/join`,
                            { invite: made.json.invite, key: 'k1', name: joinName || '' });
  if (joined.status !== 200) throw new Error(`join: ${joined.status} ${joined.bytes}`);
  const seats = { [made.json.side]: made.json.seat, [joined.json.side]: joined.json.seat };
  return { id: made.json.id, invite: made.json.invite, seats };
}

// Both players connected, each holding its side's connection.
async function seated(server, game) {
  return { lower: await connect(server, game.id, { seat: game.seats.lower }),
           upper: await connect(server, game.id, { seat: game.seats.upper }) };
}

// Plays moves in turn from ply `from` (the side to move alternates unless a
// move list entry says who plays it), waiting for each ack.
async function play(players, moves, from = 0, firstSide = 'lower') {
  let side = firstSide;
  for (let i = 0; i < moves.length; ++i) {
    const mover = players[side];
    const answer = await mover.request('move', { ply: from + i, move: moves[i] });
    if (!answer.ack) throw new Error(`move ${from + i} ${JSON.stringify(moves[i])}: ${JSON.stringify(answer)}`);
    side = side === 'lower' ? 'upper' : 'lower';
  }
}

async function waitFor(what, probe, ms = WAIT) {
  const deadline = Date.now() + ms;
  for (;;) {
    const got = await probe();
    if (got) return got;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

const sq = (c, r) => [c, r];
const mv = (fc, fr, tc, tr, promote = false) => ({ from: sq(fc, fr), to: sq(tc, tr), promote });

// Known-legal games from the standard start, lower first.  LONG has 40
// plies with no pass and no king taken: a voluntary promotion at ply 31, a
// drop at ply 36 and a knight that must promote at ply 38.
const LONG = [
  mv(5, 9, 6, 8), mv(4, 1, 5, 2), mv(6, 9, 7, 8), mv(6, 3, 6, 4), mv(3, 9, 4, 8),
  mv(1, 3, 1, 4), mv(9, 7, 9, 6), mv(2, 2, 1, 2), mv(4, 9, 3, 9), mv(7, 1, 6, 2),
  mv(6, 8, 6, 9), mv(8, 2, 7, 1), mv(4, 8, 5, 9), mv(5, 1, 4, 1), mv(2, 7, 2, 6),
  mv(5, 2, 6, 3), mv(3, 9, 4, 9), mv(6, 1, 5, 1), mv(6, 7, 6, 6), mv(5, 1, 4, 2),
  mv(6, 9, 6, 8), mv(6, 2, 5, 1), mv(8, 9, 9, 7), mv(2, 1, 1, 3), mv(9, 7, 8, 5),
  mv(1, 3, 2, 5), mv(2, 8, 3, 9), mv(7, 3, 7, 4), mv(9, 9, 9, 7), mv(8, 3, 8, 4),
  mv(8, 8, 8, 9), mv(2, 5, 1, 7, true), mv(8, 5, 7, 3), mv(7, 1, 6, 2), mv(2, 9, 1, 7),
  mv(7, 4, 7, 5), { drop: 30, to: sq(1, 5) }, mv(4, 1, 5, 2), mv(7, 3, 8, 1, true),
  mv(6, 3, 7, 3),
];
// The lower side takes the upper king with its ninth move (ply 8).
const KING = [
  mv(6, 9, 7, 8), mv(7, 3, 7, 4), mv(3, 7, 3, 6), mv(6, 3, 6, 4), mv(2, 8, 5, 5),
  mv(8, 1, 7, 3), mv(5, 5, 3, 3, true), mv(2, 3, 2, 4), mv(3, 3, 5, 1),
];
// After these two the coin stands on [9,4] and the lower side has no move
// on the board: the server passes for it (ply 2).
const PASS = [mv(7, 9, 7, 8), mv(2, 2, 6, 2)];

module.exports = {
  onPostgres, databaseFor,
  root, serverPath, scratch, startServer, http, Client, connect, newGame, seated, play,
  waitFor, mv, LONG, KING, PASS, WAIT,
};
