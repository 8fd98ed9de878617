// Several servers on one PostgreSQL database, with nginx in front of them on
// loopback as a deployment would have it: the seats and the watcher of a
// game on different servers, the same move sent to two servers at once,
// and a server killed under a player who comes back through nginx.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const net = require('net');
const path = require('path');
const { spawn } = require('child_process');

// Always on PostgreSQL: several servers share nothing else.
process.env.RINDOU_TEST_DATABASE = 'postgresql';
const h = require('./harness');
const postgres = require('./postgres');

let a, b, proxy;
const dbName = path.join(h.scratch('several'), 'shared');

async function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.once('error', reject);
    s.listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => resolve(port)); });
  });
}

// nginx with a scratch configuration of its own: the servers as one
// upstream, the WebSocket upgrade, no stickiness (round robin).
async function startNginx(ports) {
  const dir = h.scratch('nginx');
  const port = await freePort();
  const conf = path.join(dir, 'nginx.conf');
  fs.writeFileSync(conf, `
daemon off;
master_process off;
pid ${dir}/nginx.pid;
error_log ${dir}/error.log;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path ${dir}/body;
  proxy_temp_path ${dir}/proxy;
  fastcgi_temp_path ${dir}/fastcgi;
  uwsgi_temp_path ${dir}/uwsgi;
  scgi_temp_path ${dir}/scgi;
  map $http_upgrade $connection_upgrade { default upgrade; '' close; }
  upstream rindou { ${ports.map((p) => `server 127.0.0.1:${p} max_fails=1 fail_timeout=5s;`).join(' ')} }
  server {
    listen 127.0.0.1:${port};
    location / {
      proxy_pass http://rindou;
      proxy_http_version 1.1;
      proxy_set_header Host $host;
      proxy_set_header X-Forwarded-For $remote_addr;
      proxy_set_header Upgrade $http_upgrade;
      proxy_set_header Connection $connection_upgrade;
      proxy_next_upstream error timeout;
      proxy_connect_timeout 2s;
    }
  }
}
`);
  const proc = spawn('nginx', ['-p', dir, '-c', conf, '-e', path.join(dir, 'error.log')], { stdio: 'ignore' });
  process.on('exit', () => { if (proc.exitCode === null) proc.kill('SIGKILL'); });
  await h.waitFor('nginx to listen', () => new Promise((resolve) => {
    const s = net.connect(port, '127.0.0.1', () => { s.destroy(); resolve(true); });
    s.on('error', () => resolve(false));
  }));
  return {
    proc, port,
    base: `http://127.0.0.1:${port}`, ws: `ws://127.0.0.1:${port}`,
    stop() { if (proc.exitCode === null) proc.kill('SIGTERM'); },
  };
}

before(async () => {
  a = await h.startServer(dbName, ['--trusted-proxy', '127.0.0.1']);
  b = await h.startServer(dbName, ['--trusted-proxy', '127.0.0.1']);
  proxy = await startNginx([a.port, b.port]);
});
after(async () => {
  proxy.stop();
  await a.stop();
  await b.stop();
});

// Waits until the last presence a client got says what `ok` wants.
async function presence(c, ok, what, ms = h.WAIT) {
  await h.waitFor(what, async () => {
    const last = c.log.filter((m) => m.t === 'presence').pop();
    return last && ok(last.d);
  }, ms);
}

// The versions a client saw, in order, from its versioned messages.
function versions(c) { return c.log.filter((m) => m.v !== undefined && m.t !== 'game').map((m) => m.v); }
function consecutive(vs, what) {
  for (let i = 1; i < vs.length; ++i) assert.strictEqual(vs[i], vs[i - 1] + 1, `${what}: ${vs.join(',')}`);
}

test('a game whose seats and watcher sit on different servers', async () => {
  const made = await h.http(a, 'POST', '/api/games', { side: 'lower' });
  assert.strictEqual(made.status, 201);
  const joined = await h.http(b, 'POST', `/api/games/${made.json.id}/join`, { invite: made.json.invite, key: 'k' });
  assert.strictEqual(joined.status, 200, 'a server joins a game another server made');
  const id = made.json.id;
  // The seat b just gave out is a's player at once, before any news of it.
  const early = await h.connect(a, id, { seat: joined.json.seat });
  assert.ok(!early.log.some((m) => m.t === 'error'), JSON.stringify(early.log));
  early.close();
  const lower = await h.connect(a, id, { seat: made.json.seat, v: 0 });
  const upper = await h.connect(b, id, { seat: joined.json.seat, v: 0 });
  const watcher = await h.connect(proxy, id, { v: 0 });
  // Each sees the other online though the other sits on another server.
  await presence(upper, (d) => d.lower && d.upper && d.watchers === 1, 'both seats and the watcher as b sees them');
  await presence(lower, (d) => d.lower && d.upper && d.watchers === 1, 'both seats and the watcher as a sees them');
  await h.play({ lower, upper }, h.LONG.slice(0, 12));
  for (const [c, who] of [[lower, 'lower'], [upper, 'upper'], [watcher, 'watcher']]) {
    const last = await c.next({ t: 'move', v: 13 }, `${who} sees the twelfth move`);
    assert.deepStrictEqual(last.d.move, h.LONG[11]);
    consecutive(versions(c), who);
    assert.deepStrictEqual(versions(c).slice(-12), [2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13], who);
  }
  for (const s of [a, b, proxy]) {
    const g = await h.http(s, 'GET', `/api/games/${id}`);
    assert.strictEqual(g.json.ply, 12);
    assert.strictEqual(g.json.v, 13);
  }
  for (const c of [lower, upper, watcher]) c.close();
});

test('the same move sent to both servers at once is played once', async () => {
  const game = await h.newGame(a);
  const onA = await h.seated(a, game);
  const onB = { lower: await h.connect(b, game.id, { seat: game.seats.lower }) };
  await h.play(onA, h.LONG.slice(0, 4));
  // Round after round: the same move on both at once, then two different
  // moves for the same ply.
  for (let round = 0; round < 3; ++round) {
    const ply = 4 + 2 * round;
    const same = await Promise.all([onA.lower.request('move', { ply, move: h.LONG[ply] }),
                                    onB.lower.request('move', { ply, move: h.LONG[ply] })]);
    for (const r of same) assert.ok(r.ack || r.code === 'stale', JSON.stringify(same));
    assert.ok(same.some((r) => r.ack), JSON.stringify(same));
    const g = await h.http(b, 'GET', `/api/games/${game.id}`);
    assert.strictEqual(g.json.ply, ply + 1, 'played once');
    assert.strictEqual(g.json.v, ply + 2, 'one version');
    const reply = await onA.upper.request('move', { ply: ply + 1, move: h.LONG[ply + 1] });
    assert.ok(reply.ack, JSON.stringify(reply));
  }
  const ply = 10;
  // Another legal move for the same ply: the king a step aside.
  const other = { from: [6, 8], to: [5, 9], promote: false };
  const two = await Promise.all([onA.lower.request('move', { ply, move: h.LONG[ply] }),
                                 onB.lower.request('move', { ply, move: other })]);
  assert.strictEqual(two.filter((r) => r.ack).length, 1, JSON.stringify(two));
  assert.strictEqual(two.filter((r) => r.code === 'stale').length, 1, JSON.stringify(two));
  const g = await h.http(a, 'GET', `/api/games/${game.id}`);
  assert.strictEqual(g.json.ply, 11);
  assert.strictEqual(g.json.v, 12);
  for (const c of [onA.lower, onA.upper, onB.lower]) c.close();
});

test('a free seat taken on both servers at once goes to one, and what was stored beside it is kept', async () => {
  // Games played on a meanwhile: their moves may share a transaction with
  // the join that loses, and must be stored all the same.
  const busy = [];
  for (let i = 0; i < 4; ++i) {
    const g = await h.newGame(a);
    busy.push({ g, players: await h.seated(a, g) });
  }
  for (let ply = 0; ply < 6; ++ply) {
    const made = await h.http(a, 'POST', '/api/games', { side: 'lower' });
    const join = (server, key) => h.http(server, 'POST', `/api/games/${made.json.id}/join`, { invite: made.json.invite, key });
    const [onA, onB, ...moves] = await Promise.all([
      join(a, 'ka'), join(b, 'kb'),
      ...busy.map(({ players }) => players[ply % 2 ? 'upper' : 'lower'].request('move', { ply, move: h.LONG[ply] })),
    ]);
    assert.deepStrictEqual([onA.status, onB.status].sort(), [200, 409], `${onA.bytes} ${onB.bytes}`);
    for (const m of moves) assert.ok(m.ack, JSON.stringify(m));
  }
  for (const { g, players } of busy) {
    const stored = await h.http(b, 'GET', `/api/games/${g.id}`);
    assert.strictEqual(stored.json.ply, 6);
    players.lower.close();
    players.upper.close();
  }
});

test('the database dropping every connection mid-game: both servers connect again and the game goes on', async () => {
  const game = await h.newGame(a);
  const players = { lower: await h.connect(a, game.id, { seat: game.seats.lower, v: 0 }),
                    upper: await h.connect(b, game.id, { seat: game.seats.upper, v: 0 }) };
  await h.play(players, h.LONG.slice(0, 2));
  const cut = postgres.query(h.databaseFor(dbName), 'SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity' +
                             ' WHERE datname = current_database() AND pid <> pg_backend_pid()');
  assert.ok(Number(cut) >= 2, cut);
  for (let ply = 2; ply < 6; ++ply) {
    const [mover, other] = ply % 2 ? [players.upper, players.lower] : [players.lower, players.upper];
    // A move caught by the cut is not stored and gets no answer: the player
    // sends it again under the same number, as the page does.
    const a = mover.nextA++;
    let answer = null;
    for (let tries = 0; tries < 20 && !answer; ++tries) {
      mover.send({ t: 'move', a, d: { ply, move: h.LONG[ply] } });
      answer = await mover.next((m) => (m.t === 'ack' && m.d === a) || (m.t === 'error' && m.d && m.d.a === a),
                                `the answer to move ${ply}`, 1000).catch(() => null);
    }
    assert.ok(answer && answer.t === 'ack', JSON.stringify(answer));
    // The opponent sits on the other server: the news has to come through its new listener.
    const seen = await other.next({ t: 'move', v: ply + 2 }, `move ${ply} on the other server`);
    assert.deepStrictEqual(seen.d.move, h.LONG[ply]);
  }
  players.lower.close();
  players.upper.close();
});

test('a server killed mid-game: its player comes back through nginx and nothing acknowledged is lost', async () => {
  const game = await h.newGame(b);
  // The lower player on a, the upper on b.
  const lower = await h.connect(a, game.id, { seat: game.seats.lower, v: 0 });
  const upper = await h.connect(b, game.id, { seat: game.seats.upper, v: 0 });
  await presence(upper, (d) => d.lower, 'the lower seat online as b sees it');
  const acked = [];
  for (let ply = 0; ply < 10; ++ply) {
    const c = ply % 2 === 0 ? lower : upper;
    const r = await c.request('move', { ply, move: h.LONG[ply] });
    assert.ok(r.ack);
    acked.push(ply);
  }
  // The last move goes out and a dies before anything else.
  lower.send({ t: 'move', a: 999, d: { ply: 10, move: h.LONG[10] } });
  await new Promise((r) => setTimeout(r, 30));
  await a.stop('SIGKILL');
  // b stops counting a's connection once a's lease is stale.
  await presence(upper, (d) => !d.lower, 'the lower seat offline once a is dead', 20000);
  // The player reconnects through nginx (which now reaches b alone), with
  // the version it saw, and sends again what had no answer.
  const seen = Math.max(...versions(lower));
  const back = await h.connect(proxy, game.id, { seat: game.seats.lower, v: seen });
  const resent = await back.request('move', { ply: 10, move: h.LONG[10] });
  assert.ok(resent.ack, JSON.stringify(resent));
  const r = await upper.request('move', { ply: 11, move: h.LONG[11] });
  assert.ok(r.ack, JSON.stringify(r));
  await back.next({ t: 'move', v: 13 }, 'the answer after the reconnect');
  consecutive([...versions(lower), ...versions(back)].filter((v, i, all) => all.indexOf(v) === i), 'lower');
  consecutive(versions(upper), 'upper');
  const g = await h.http(proxy, 'GET', `/api/games/${game.id}`);
  assert.strictEqual(g.json.ply, 12);
  assert.deepStrictEqual(g.json.moves, h.LONG.slice(0, 12), 'every acknowledged move is there');
  await presence(upper, (d) => d.lower, 'the lower seat online again');
  for (const c of [back, upper, lower]) c.close();
  // a again, for the end of the run.
  a = await h.startServer(dbName, ['--trusted-proxy', '127.0.0.1']);
});
