// A game as two players and a watcher see it through a real server: the
// HTTP calls that make and join games, every move shown to everyone in
// version order, the end, and every refusal a client can provoke.
'use strict';
const { describe, test, before, after } = require('node:test');
const assert = require('node:assert');
const path = require('path');
const h = require('./harness');

let server;
before(async () => { server = await h.startServer(path.join(h.scratch('game'), 'x.sqlite')); });
after(async () => {
  assert.deepStrictEqual(await server.stop(), { code: 0, signal: null }, 'SIGTERM stops the server cleanly');
});

describe('making and joining games', () => {
  test('a game is made, joined once, and joined again only by the same key', async () => {
    const made = await h.http(server, 'POST', '/api/games', { side: 'upper', name: '対局' });
    assert.strictEqual(made.status, 201);
    assert.match(made.json.id, /^[A-Za-z0-9]{8}$/);
    assert.strictEqual(made.json.side, 'upper');
    for (const secret of [made.json.seat, made.json.invite])
      assert.ok(/^[A-Za-z0-9_-]+$/.test(secret) && secret.length >= 22, `secret ${secret}`);
    assert.notStrictEqual(made.json.seat, made.json.invite);
    const id = made.json.id;

    const game = await h.http(server, 'GET', `/api/games/${id}`);
    assert.strictEqual(game.status, 200);
    assert.strictEqual(game.json.v, 0);
    assert.strictEqual(game.json.status, 'waiting');
    assert.strictEqual(game.json.name, '対局');
    assert.deepStrictEqual(game.json.coin, [5, 5]);
    assert.deepStrictEqual(game.json.board[8], [-20, -30, -100, -110, -950, -110, -100, -30, -20]);
    assert.ok(!JSON.stringify(game.json).includes(made.json.seat), 'the game shows no seat');
    assert.ok(!JSON.stringify(game.json).includes(made.json.invite), 'the game shows no invite');

    const wrong = await h.http(server, 'POST', `/api/games/${id}/join`, { invite: 'x' + made.json.invite, key: 'a' });
    assert.strictEqual(wrong.status, 403);
    assert.deepStrictEqual(wrong.json, { error: 'wrong-invite' });
    const join = { invite: made.json.invite, key: 'first key', name: 'guest' };
    const first = await h.http(server, 'POST', `/api/games/${id}/join`, join);
    assert.strictEqual(first.status, 200);
    assert.strictEqual(first.json.side, 'lower');
    const again = await h.http(server, 'POST', `/api/games/${id}/join`, join);
    assert.strictEqual(again.status, 200, 'a join repeated with its key gets its seat again');
    assert.strictEqual(again.json.seat, first.json.seat);
    const other = await h.http(server, 'POST', `/api/games/${id}/join`, { ...join, key: 'other key' });
    assert.strictEqual(other.status, 409);
    assert.deepStrictEqual(other.json, { error: 'seat-taken' });

    const joined = (await h.http(server, 'GET', `/api/games/${id}`)).json;
    assert.strictEqual(joined.status, 'playing');
    assert.strictEqual(joined.players.lower.name, 'guest');
    assert.strictEqual(joined.v, 1);
  });

  test('bad requests, unknown games and the record of a handicap game are refused', async () => {
    const bad = { error: 'bad-message' };
    for (const body of ['{"side":', '[]', { side: 'left' }, { clock: { initial: -5, increment: 0 } },
                        { handicap: 11 }, { name: 'x'.repeat(21) }, { name: 'emoji 😀' }, { first: 3 }]) {
      const r = await h.http(server, 'POST', '/api/games', body);
      assert.strictEqual(r.status, 400, JSON.stringify(body));
      assert.deepStrictEqual(r.json, bad);
    }
    assert.strictEqual((await h.http(server, 'POST', '/api/games', { name: 'x'.repeat(20) })).status, 201);

    const none = await h.http(server, 'GET', '/api/games/ZZZZ9999');
    assert.strictEqual(none.status, 404);
    assert.deepStrictEqual(none.json, { error: 'no-game' });
    assert.strictEqual((await h.http(server, 'POST', '/api/games/ZZZZ9999/join', { invite: 'x', key: 'k' })).status, 404);
    await assert.rejects(new h.Client(server, 'ZZZZ9999').opened, { status: 404 });

    const g = await h.newGame(server, { handicap: 3 });
    const r = await h.http(server, 'GET', `/api/games/${g.id}/record`);
    assert.strictEqual(r.status, 409);
    assert.deepStrictEqual(r.json, { error: 'handicap-game' });
    const state = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.strictEqual(state.handicap, 3);
  });
});

describe('a whole game', () => {
  test('two players and a watcher see every move in version order, and the king taken ends it', async () => {
    const g = await h.newGame(server, { name: 'whole', joinName: 'upper one' });
    const watcher = await h.connect(server, g.id);
    const start = await watcher.next({ t: 'game' });
    assert.strictEqual(start.d.status, 'playing');
    assert.strictEqual(start.d.players.upper.name, 'upper one');
    const p = await h.seated(server, g);
    await watcher.next((m) => m.t === 'presence' && m.d.lower && m.d.upper && m.d.watchers === 1,
                       'both players present');

    for (let ply = 0; ply < h.KING.length; ++ply) {
      const mover = ply % 2 === 0 ? p.lower : p.upper;
      assert.deepStrictEqual(await mover.request('move', { ply, move: h.KING[ply] }), { ack: true });
      for (const c of [watcher, p.lower, p.upper]) {
        const m = await c.next({ t: 'move' });
        assert.strictEqual(m.v, start.v + ply + 1, 'each change is one version on');
        assert.strictEqual(m.d.ply, ply);
        assert.deepStrictEqual(m.d.move, h.KING[ply]);
      }
    }
    const ends = await Promise.all([watcher, p.lower, p.upper].map((c) => c.next({ t: 'end' })));
    for (const e of ends) {
      assert.strictEqual(e.v, start.v + h.KING.length + 1);
      assert.deepStrictEqual(e.d.result, { winner: 'lower', reason: 'king' });
    }

    const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.strictEqual(game.status, 'ended');
    assert.strictEqual(game.ply, h.KING.length);
    assert.deepStrictEqual(game.moves, h.KING);
    assert.deepStrictEqual(game.result, { winner: 'lower', reason: 'king' });
    // The promoted bishop took a pawn on the way and then the king.
    assert.strictEqual(game.board[0][4], -801);
    assert.strictEqual(game.hands.lower[0], 1);
    assert.strictEqual(game.hands.upper.reduce((a, b) => a + b), 0);

    const seen = JSON.stringify(watcher.log);
    assert.ok(!seen.includes(g.seats.lower) && !seen.includes(g.seats.upper), 'a watcher sees no seat');
    assert.ok(!JSON.stringify(p.lower.log).includes(g.seats.upper), 'a player sees no other seat');
    assert.strictEqual((await p.upper.request('move', { ply: 9, move: h.mv(2, 4, 2, 5) })).code, 'game-over');
    assert.strictEqual((await p.upper.request('resign')).code, 'game-over');
    assert.strictEqual((await p.lower.request('takeback', { do: 'offer' })).code, 'game-over');
    for (const c of [watcher, p.lower, p.upper]) c.close();
  });

  test('the moves carry the coin, what was taken and the promotion', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    await h.play(p, h.KING.slice(0, 7));
    const moves = [];
    for (;;) {
      const m = await p.upper.next({ t: 'move' });
      moves.push(m.d);
      if (m.d.ply === 6) break;
    }
    assert.deepStrictEqual(moves[0].coin, [6, 4], 'the coin moves as the piece does');
    assert.strictEqual(moves[0].captured, 0);
    assert.strictEqual(moves[6].captured, 10, 'the bishop takes a pawn');
    assert.strictEqual(moves[6].move.promote, true);
    const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.strictEqual(game.board[2][2], -801);
    assert.deepStrictEqual(game.coin, moves[6].coin);
    assert.strictEqual(game.turn, 'upper');
    p.lower.close(); p.upper.close();
  });
});

test('a game the upper side begins', async () => {
  const g = await h.newGame(server, { first: 'upper' });
  const p = await h.seated(server, g);
  assert.strictEqual((await p.lower.request('move', { ply: 0, move: h.LONG[0] })).code, 'not-your-turn');
  assert.deepStrictEqual(await p.upper.request('move', { ply: 0, move: h.mv(4, 1, 5, 2) }), { ack: true });
  const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
  assert.deepStrictEqual([game.first, game.turn, game.coin], ['upper', 'lower', [6, 6]]);
  p.lower.close(); p.upper.close();
});

describe('refusals and retries', () => {
  test('moves out of turn, illegal, stale or ahead are refused and change nothing', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    const watcher = await h.connect(server, g.id);
    const v0 = (await watcher.next({ t: 'game' })).v;
    const code = async (c, d) => (await c.request('move', d)).code;

    assert.strictEqual(await code(p.upper, { ply: 0, move: h.mv(3, 3, 3, 4) }), 'not-your-turn');
    assert.strictEqual(await code(p.lower, { ply: 0, move: h.mv(7, 7, 7, 5) }), 'illegal-move');
    assert.strictEqual(await code(p.lower, { ply: 0, move: h.mv(7, 7, 7, 6, true) }), 'illegal-move',
                       'a pawn that cannot promote asked to');
    assert.strictEqual(await code(p.lower, { ply: 0, move: h.mv(3, 3, 3, 4) }), 'illegal-move',
                       'the other side\'s piece');
    assert.strictEqual(await code(p.lower, { ply: 0, move: { drop: 10, to: [5, 6] } }), 'illegal-move',
                       'a drop from an empty hand');
    assert.strictEqual(await code(p.lower, { ply: 1, move: h.LONG[0] }), 'stale', 'a ply ahead');
    assert.strictEqual(await code(watcher, { ply: 0, move: h.LONG[0] }), 'not-a-player');

    assert.deepStrictEqual(await p.lower.request('move', { ply: 0, move: h.LONG[0] }), { ack: true });
    assert.deepStrictEqual(await p.lower.request('move', { ply: 0, move: h.LONG[0] }), { ack: true },
                           'the same move resent is acknowledged again');
    assert.strictEqual(await code(p.lower, { ply: 0, move: h.mv(7, 7, 7, 6) }), 'stale');
    assert.strictEqual(await code(p.upper, { ply: 0, move: h.LONG[1] }), 'stale');
    await h.play(p, h.LONG.slice(1, 38), 1, 'upper');
    assert.strictEqual(await code(p.lower, { ply: 38, move: h.mv(7, 3, 8, 1, false) }), 'illegal-move',
                       'a knight on the last row must promote');
    await h.play(p, h.LONG.slice(38), 38);

    const versions = [];
    for (;;) {
      const m = await watcher.next((x) => x.v !== undefined);
      versions.push(m.v);
      if (m.t === 'move' && m.d.ply === h.LONG.length - 1) break;
    }
    assert.deepStrictEqual(versions, h.LONG.map((_, i) => v0 + i + 1), 'one version per move and no more');
    const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.deepStrictEqual(game.moves, h.LONG);
    assert.strictEqual(game.v, v0 + h.LONG.length);
    for (const c of [watcher, p.lower, p.upper]) c.close();
  });

  test('resignations and offers resent change nothing, and wrong ones are refused', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    assert.strictEqual((await p.upper.request('takeback', { do: 'offer' })).code, 'no-move');
    assert.strictEqual((await p.upper.request('takeback', { do: 'accept' })).code, 'no-offer');
    assert.strictEqual((await p.upper.request('takeback', { do: 'decline' })).code, 'no-offer');
    assert.ok((await p.upper.request('rematch', { do: 'offer' })).code, 'no rematch while the game is on');
    assert.strictEqual((await p.upper.request('claim')).code, 'too-early', 'the opponent is here');

    await h.play(p, h.LONG.slice(0, 3));
    assert.deepStrictEqual(await p.lower.request('takeback', { do: 'offer' }), { ack: true });
    assert.deepStrictEqual(await p.lower.request('takeback', { do: 'offer' }), { ack: true });
    const offer = await p.upper.next({ t: 'offer' });
    assert.deepStrictEqual(offer.d, { kind: 'takeback', by: 'lower' });
    assert.deepStrictEqual(await p.upper.request('takeback', { do: 'decline' }), { ack: true });
    assert.deepStrictEqual((await p.lower.next((m) => m.t === 'offer' && m.d.declined)).d,
                           { kind: 'takeback', declined: true });
    assert.ok(!p.upper.messages.some((m) => m.t === 'offer' && m.d.by), 'one offer shown, not two');

    assert.strictEqual((await p.lower.request('abort')).code, 'too-late');
    assert.deepStrictEqual(await p.upper.request('resign'), { ack: true });
    assert.deepStrictEqual(await p.upper.request('resign'), { ack: true }, 'a resignation resent');
    const end = await p.lower.next({ t: 'end' });
    assert.deepStrictEqual(end.d.result, { winner: 'lower', reason: 'resign' });
    assert.strictEqual((await p.lower.request('resign')).code, 'game-over');
    assert.ok(!p.lower.messages.some((m) => m.t === 'end'), 'one end, not two');
    const game = (await h.http(server, 'GET', `/api/games/${g.id}`)).json;
    assert.strictEqual(game.v, end.v);
    p.lower.close(); p.upper.close();
  });

  test('an abort before each side has moved, and a take-back accepted', async () => {
    const g = await h.newGame(server);
    const p = await h.seated(server, g);
    await h.play(p, h.LONG.slice(0, 1));
    assert.deepStrictEqual(await p.upper.request('abort'), { ack: true });
    assert.deepStrictEqual((await p.lower.next({ t: 'end' })).d.result, { winner: null, reason: 'abort' });

    const g2 = await h.newGame(server);
    const q = await h.seated(server, g2);
    await h.play(q, h.LONG.slice(0, 4));
    // The lower side's last move was answered: taking it back undoes two plies.
    assert.deepStrictEqual(await q.lower.request('takeback', { do: 'offer' }), { ack: true });
    await q.upper.next({ t: 'offer' });
    assert.deepStrictEqual(await q.upper.request('takeback', { do: 'accept' }), { ack: true });
    assert.strictEqual((await q.lower.next({ t: 'takeback' })).d.ply, 2);
    assert.strictEqual((await q.upper.request('takeback', { do: 'accept' })).code, 'no-offer');
    const game = (await h.http(server, 'GET', `/api/games/${g2.id}`)).json;
    assert.strictEqual(game.ply, 2);
    assert.strictEqual(game.turn, 'lower');
    assert.deepStrictEqual(game.moves, h.LONG.slice(0, 2));
    assert.deepStrictEqual(await q.lower.request('move', { ply: 2, move: h.LONG[2] }), { ack: true });

    // A move withdraws a take-back offer.
    assert.deepStrictEqual(await q.upper.request('move', { ply: 3, move: h.LONG[3] }), { ack: true });
    assert.deepStrictEqual(await q.lower.request('takeback', { do: 'offer' }), { ack: true });
    assert.deepStrictEqual(await q.lower.request('move', { ply: 4, move: h.LONG[4] }), { ack: true });
    const withdrawn = await q.upper.next((m) => m.t === 'offer' && m.d.withdrawn);
    assert.strictEqual(withdrawn.d.kind, 'takeback');
    assert.strictEqual((await q.upper.request('takeback', { do: 'accept' })).code, 'no-offer');
    assert.strictEqual((await h.http(server, 'GET', `/api/games/${g2.id}`)).json.offers.takeback, null);
    for (const c of [p.lower, p.upper, q.lower, q.upper]) c.close();
  });

  test('a wrong seat watches, and malformed messages are refused', async () => {
    const g = await h.newGame(server);
    const stranger = new h.Client(server, g.id);
    await stranger.opened;
    stranger.send({ t: 'hello', d: { seat: 'A'.repeat(22) } });
    assert.strictEqual((await stranger.next({ t: 'error' })).d.code, 'not-a-player');
    await stranger.next({ t: 'game' });
    const p = await h.seated(server, g);
    await h.play(p, h.LONG.slice(0, 1));
    assert.strictEqual((await stranger.next({ t: 'move' })).d.ply, 0, 'it watches the game');
    assert.strictEqual((await stranger.request('resign')).code, 'not-a-player');

    stranger.send('not json');
    assert.strictEqual((await stranger.next({ t: 'error' })).d.code, 'bad-message');
    for (const [msg, what] of [[{ t: 'dance', a: 90 }, 'an unknown type'],
                               [{ t: 'move', a: 91, d: { ply: 'one', move: h.LONG[1] } }, 'a ply that is no number'],
                               [{ t: 'takeback', a: 92, d: { do: 'maybe' } }, 'an unknown choice']]) {
      p.upper.send(msg);
      const e = await p.upper.next({ t: 'error' }, what);
      assert.deepStrictEqual(e.d, { code: 'bad-message', a: msg.a }, what);
    }
    p.upper.send({ t: 'ping', a: 5 });
    await p.upper.next({ t: 'pong' });
    assert.deepStrictEqual(await p.upper.request('move', { ply: 1, move: h.LONG[1] }), { ack: true });
    for (const c of [stranger, p.lower, p.upper]) c.close();
  });
});
