// What a game keeps through lost connections and a killed server: replay
// of the versions a client missed, every acknowledged move after kill -9,
// a clock that falls with nobody connected, a take-back across the pass the
// server made, and a rematch that reaches a player who was away.
'use strict';
const { describe, test, before, after } = require('node:test');
const assert = require('node:assert');
const path = require('path');
const h = require('./harness');

let server;
let database;
before(async () => {
  database = path.join(h.scratch('durability'), 'x.sqlite');
  server = await h.startServer(database);
});
after(async () => { await server.stop(); });

// The versioned messages a client receives until one has version `last`.
async function versionsUpTo(client, last) {
  const got = [];
  while (!got.length || got[got.length - 1].v < last) got.push(await client.next((m) => m.v !== undefined));
  return got;
}

describe('reconnecting', () => {
  test('a client inside the replay window gets what it missed, one outside it the whole game', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    const v0 = (await p.lower.next({ t: 'game' })).v;
    await h.play(p, h.LONG.slice(0, 10));

    const back = await h.connect(server, g.id, { seat: g.seats.upper, v: v0 + 5 });
    const missed = await versionsUpTo(back, v0 + 10);
    assert.deepStrictEqual(missed.map((m) => [m.t, m.v, m.d.ply]),
                           [6, 7, 8, 9, 10].map((i) => ['move', v0 + i, i - 1]));

    const current = await h.connect(server, g.id, { v: v0 + 10 });
    await h.play(p, h.LONG.slice(10, 32), 10);
    const next = await current.next((m) => m.v !== undefined);
    assert.deepStrictEqual([next.t, next.v], ['move', v0 + 11], 'a current client gets only what follows');

    // Offers declined make versions quickly: far more than any replay
    // window keeps.
    await h.play(p, h.LONG.slice(32), 32);
    for (let i = 0; i < 35; ++i) {
      assert.deepStrictEqual(await p.lower.request('takeback', { do: 'offer' }), { ack: true });
      assert.deepStrictEqual(await p.upper.request('takeback', { do: 'decline' }), { ack: true });
    }
    const last = v0 + h.LONG.length + 70;
    const old = await h.connect(server, g.id, { v: v0 + 1 });
    const whole = await old.next((m) => m.v !== undefined);
    assert.strictEqual(whole.t, 'game', `${last - v0 - 1} versions behind`);
    assert.strictEqual(whole.v, last);
    assert.deepStrictEqual(whole.d.moves, h.LONG);
    const future = await h.connect(server, g.id, { v: last + 5 });
    assert.strictEqual((await future.next((m) => m.v !== undefined)).t, 'game', 'a version never made');
    for (const c of [p.lower, p.upper, back, current, old, future]) c.close();
  });

  test('a server killed mid-game keeps every acknowledged move and plays on', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    const v0 = (await p.lower.next({ t: 'game' })).v;
    await h.play(p, h.LONG.slice(0, 9));
    // A move in flight when the server dies: kept if it was acknowledged.
    p.upper.send({ t: 'move', a: 77, d: { ply: 9, move: h.LONG[9] } });
    await p.lower.next({ t: 'move', v: v0 + 9 });
    server.proc.kill('SIGKILL');
    await server.exited;
    const acked = p.upper.messages.some((m) => m.t === 'ack' && m.d === 77);
    p.lower.close(); p.upper.close();

    server = await h.startServer(database);
    const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    const kept = game.moves.length;
    assert.ok(kept === 9 || kept === 10, `${kept} moves`);
    if (acked) assert.strictEqual(kept, 10, 'an acknowledged move is never lost');
    assert.deepStrictEqual(game.moves, h.LONG.slice(0, kept));
    assert.strictEqual(game.v, v0 + kept);
    assert.strictEqual(game.status, 'playing');

    const q = { lower: await h.connect(server, g.id, { seat: g.seats.lower, v: v0 + 9 }),
                upper: await h.connect(server, g.id, { seat: g.seats.upper, v: v0 + 9 }) };
    assert.deepStrictEqual(await q.upper.request('move', { ply: 9, move: h.LONG[9] }), { ack: true },
                           'the move in flight is resent');
    await h.play(q, h.LONG.slice(10, 12), 10);
    const seen = await versionsUpTo(q.lower, v0 + 12);
    assert.deepStrictEqual(seen.filter((m) => m.t === 'move').map((m) => m.d.ply).slice(-2), [10, 11]);
    q.lower.close(); q.upper.close();
  });
});

describe('the server decides alone', () => {
  test('a clock runs out with nobody connected', async () => {
    const g = await h.newGame(server, { clock: { initial: 2, increment: 0 } });
    const p = await h.seated(server, g);
    await h.play(p, h.LONG.slice(0, 2));
    p.lower.close(); p.upper.close();
    const ended = await h.waitFor('the flag', async () => {
      const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
      return game.status === 'ended' && game;
    }, 20000);
    assert.deepStrictEqual(ended.result, { winner: 'upper', reason: 'time' });
    assert.strictEqual(ended.clock.lower_ms, 0, 'the clock that fell shows nothing left');
    assert.strictEqual(ended.clock.running, null);
    assert.strictEqual(ended.clock.upper_ms, 2000, 'the first move of each side takes no time');
  });

  test('the server passes for a side with no move on the board, and a take-back undoes the pass with the move', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    await h.play(p, h.PASS);
    const pass = await p.upper.next((m) => m.t === 'move' && m.d.ply === 2);
    assert.deepStrictEqual(pass.d.move, { pass: true });
    assert.deepStrictEqual(pass.d.coin, [9, 4], 'a pass leaves the coin');
    let game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.deepStrictEqual([game.ply, game.turn], [3, 'upper']);
    assert.strictEqual((await p.lower.request('move', { ply: 2, move: h.mv(7, 7, 7, 6) })).code, 'stale');

    assert.deepStrictEqual(await p.upper.request('takeback', { do: 'offer' }), { ack: true });
    assert.deepStrictEqual(await p.lower.request('takeback', { do: 'accept' }), { ack: true });
    assert.strictEqual((await p.upper.next({ t: 'takeback' })).d.ply, 1);
    game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.deepStrictEqual([game.ply, game.turn, game.moves], [1, 'upper', h.PASS.slice(0, 1)]);
    assert.deepStrictEqual(game.coin, [5, 4]);
    assert.deepStrictEqual(await p.upper.request('move', { ply: 1, move: h.mv(3, 3, 3, 4) }), { ack: true });
    p.lower.close(); p.upper.close();
  });

  test('a rematch offered to a player who is away reaches them, and the seat of the new game reaches the offerer later', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    await h.play(p, h.LONG.slice(0, 2));
    assert.deepStrictEqual(await p.upper.request('resign'), { ack: true });
    const end = await p.upper.next({ t: 'end' });
    p.upper.close();
    assert.deepStrictEqual(await p.lower.request('rematch', { do: 'offer' }), { ack: true });
    p.lower.close();

    const upper = await h.connect(server, g.id, { seat: g.seats.upper, v: end.v });
    assert.deepStrictEqual((await upper.next({ t: 'offer' })).d, { kind: 'rematch', by: 'lower' });
    assert.deepStrictEqual(await upper.request('rematch', { do: 'accept' }), { ack: true });
    const rematch = await upper.next({ t: 'rematch' });
    const upperSeat = await upper.next((m) => m.t === 'seat' && m.d.id === rematch.d.id);
    assert.strictEqual(upperSeat.d.side, 'lower', 'the sides are swapped');

    const lower = await h.connect(server, g.id, { seat: g.seats.lower, v: end.v });
    const lowerSeat = await lower.next({ t: 'seat' });
    assert.deepStrictEqual([lowerSeat.d.id, lowerSeat.d.side], [rematch.d.id, 'upper']);
    assert.notStrictEqual(lowerSeat.d.seat, upperSeat.d.seat);
    assert.ok(!upper.messages.some((m) => m.t === 'seat' && m.d.seat === lowerSeat.d.seat),
              'a seat goes to its player only');

    const n = { lower: await h.connect(server, rematch.d.id, { seat: upperSeat.d.seat }),
                upper: await h.connect(server, rematch.d.id, { seat: lowerSeat.d.seat }) };
    const fresh = await n.lower.next({ t: 'game' });
    assert.deepStrictEqual([fresh.d.status, fresh.d.ply], ['playing', 0]);
    assert.deepStrictEqual(await n.lower.request('move', { ply: 0, move: h.LONG[0] }), { ack: true });
    for (const c of [upper, lower, n.lower, n.upper]) c.close();
  });
});
