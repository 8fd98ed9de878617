// The server's defences: pages of foreign origins refused at the upgrade,
// frames over the size limit, and clients that send too fast.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const path = require('path');
const fs = require('fs');
const { spawn } = require('child_process');
const h = require('./harness');

let server;
before(async () => { server = await h.startServer(path.join(h.scratch('limits'), 'x.sqlite')); });
after(async () => { await server.stop(); });

test('only the server\'s own origin, or the ones named, may open a WebSocket', async () => {
  const g = await h.newGame(server);
  await assert.rejects(new h.Client(server, g.id, { origin: 'http://evil.example' }).opened, { status: 403 });
  const own = await h.connect(server, g.id, {}, { origin: server.base });
  own.close();

  const other = await h.startServer(path.join(h.scratch('origin'), 'x.sqlite'),
                                    ['--origin', 'https://rindou.example', '--origin', 'https://play.example:8443']);
  try {
    const g2 = await h.newGame(other);
    for (const origin of ['https://rindou.example', 'https://play.example:8443'])
      (await h.connect(other, g2.id, {}, { origin })).close();
    for (const origin of ['http://rindou.example', 'https://rindou.example.evil', 'https://play.example'])
      await assert.rejects(new h.Client(other, g2.id, { origin }).opened, { status: 403 }, origin);
  } finally {
    await other.stop();
  }
});

test('a frame over 4 KiB closes the connection with 1009', async () => {
  const g = await h.newGame(server);
  const c = await h.connect(server, g.id, { seat: g.seats.lower });
  // Just under the limit: answered, not closed.
  c.send({ t: 'ping', a: 1, d: 'x'.repeat(4000) });
  await c.next((m) => m.t === 'pong' || m.t === 'error', 'an answer to a large frame');
  c.send({ t: 'ping', a: 2, d: 'x'.repeat(5000) });
  assert.strictEqual(await c.closedWith(), 1009);
  // The game is none the worse.
  const again = await h.connect(server, g.id, { seat: g.seats.lower });
  assert.deepStrictEqual(await again.request('move', { ply: 0, move: h.LONG[0] }), { ack: true });
  again.close();
});

test('a client over 20 messages a second is refused, and closed with 1008 when it keeps on', async () => {
  const g = await h.newGame(server);
  const c = await h.connect(server, g.id);
  for (let a = 1; a <= 40; ++a) c.send({ t: 'ping', a });
  const refused = await c.next({ t: 'error' });
  assert.strictEqual(refused.d.code, 'rate-limited');
  assert.ok(refused.d.a >= 20, `the first refusal answers message ${refused.d.a}`);
  // Bounded: a few seconds of flooding at most.
  for (let round = 0; round < 100 && !c.closed; ++round) {
    for (let a = 0; a < 20 && !c.closed; ++a) c.send({ t: 'ping', a: 1000 + a });
    await new Promise((r) => setTimeout(r, 50));
  }
  assert.strictEqual(await c.closedWith(), 1008);
  const calm = await h.connect(server, g.id);
  calm.send({ t: 'ping' });
  await calm.next({ t: 'pong' });
  calm.close();
});

// A server that cannot start says why in one line and fails.
async function failedStart(args) {
  const proc = spawn(h.serverPath, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  let err = '';
  proc.stdout.on('data', (b) => { out += b; });
  proc.stderr.on('data', (b) => { err += b; });
  const timer = setTimeout(() => proc.kill('SIGKILL'), h.WAIT);
  const code = await new Promise((resolve) => proc.once('exit', (c) => resolve(c)));
  clearTimeout(timer);
  return { code, out, err };
}

test('a server that cannot start exits with one line on standard error', async () => {
  const dir = h.scratch('start');
  const garbage = path.join(dir, 'garbage.sqlite');
  fs.writeFileSync(garbage, 'this is no database, '.repeat(400));
  for (const [args, what] of [
    [['--listen', `127.0.0.1:${server.port}`, '--database', path.join(dir, 'a.sqlite')], 'the address is taken'],
    [['--listen', '127.0.0.1:0', '--database', garbage], 'the database is unreadable'],
  ]) {
    const r = await failedStart([...args, '--site', dir]);
    assert.notStrictEqual(r.code, 0, what);
    assert.ok(!r.out.includes('listening'), what);
    assert.strictEqual(r.err.trim().split('\n').length, 1, `${what}: ${r.err}`);
  }
  assert.strictEqual(fs.readFileSync(garbage, 'utf8'), 'this is no database, '.repeat(400),
                     'a file that is no database is left as it was');
  if (h.onPostgres) {
    // A database a newer server has written, and one that is not there.
    const newer = h.databaseFor(path.join(dir, 'newer'));
    const made = await h.startServer(path.join(dir, 'newer'));
    await made.stop();
    require('./postgres').query(newer, 'UPDATE schema_version SET version = version + 1');
    const missing = newer.replace(/\/\/\/[^?]+/, '///no_such_database');
    for (const [db, what] of [[newer, 'a newer schema'], [missing, 'no such database']]) {
      const r = await failedStart(['--listen', '127.0.0.1:0', '--database', db, '--site', dir]);
      assert.notStrictEqual(r.code, 0, what);
      assert.ok(!r.out.includes('listening'), what);
      assert.strictEqual(r.err.trim().split('\n').length, 1, `${what}: ${r.err}`);
      if (what === 'a newer schema') assert.match(r.err, /newer/);
    }
  }
});

// Whether the server refuses a connection: refused at the upgrade or closed,
// rather than answering its hello.
async function refused(c) {
  try { await c.opened; } catch { return true; }
  c.send({ t: 'hello', d: {} });
  try {
    await c.next({ t: 'presence' }, 'presence or a close');
    return false;
  } catch (e) {
    if (/^closed/.test(e.message)) return true;
    throw e;
  }
}

test('connections are bounded per client address, as a trusted proxy names it and no one else', async () => {
  const limited = await h.startServer(path.join(h.scratch('per-address'), 'x.sqlite'),
                                      ['--max-connections-per-address', '2', '--trusted-proxy', '127.0.0.1']);
  const open = [];
  const at = (localAddress, forwarded) => {
    const c = new h.Client(limited, id, { localAddress, headers: { 'X-Forwarded-For': forwarded } });
    open.push(c);
    return c;
  };
  let id;
  try {
    id = (await h.newGame(limited)).id;
    // Behind the proxy: the address it names counts.
    for (let i = 0; i < 2; ++i) assert.ok(!await refused(at('127.0.0.1', '10.0.0.1')), 'within the limit');
    assert.ok(await refused(at('127.0.0.1', '10.0.0.1')), 'a third connection of 10.0.0.1');
    assert.ok(!await refused(at('127.0.0.1', '10.0.0.2')), 'another client behind the proxy');
    // Any other peer is counted by its own address, whatever it claims.
    for (let i = 0; i < 2; ++i) assert.ok(!await refused(at('127.0.0.3', `10.0.1.${i}`)), 'within the limit');
    assert.ok(await refused(at('127.0.0.3', '10.0.1.9')), 'a header from no proxy is not believed');
    for (const c of open) c.close();
    // Connections that end give their places back.
    await h.waitFor('the places given back', async () => {
      const c = at('127.0.0.3', '10.0.1.9');
      const no = await refused(c);
      c.close();
      return !no;
    });
  } finally {
    for (const c of open) c.close();
    await limited.stop();
  }
});
