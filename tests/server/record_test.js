// The server's record of a game against the console's: the same moves,
// chosen at random among those `rindou-cli` calls legal, are played on the
// server and in a two-person game of the console; the console's saved
// record and the server's agree in the first 17 characters of every move
// line, and both end on the same board.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const readline = require('readline');
const { spawn } = require('child_process');
const h = require('./harness');

const cliPath = process.env.RINDOU_CLI || path.join(h.root, 'build', 'games', 'rindou-cli');
const DROP_CODES = [10, 20, 30, 100, 110, 800, 900];

let server;
before(async () => { server = await h.startServer(path.join(h.scratch('record'), 'x.sqlite')); });
after(async () => { await server.stop(); });

// rindou-cli on pipes: each command resolves to the lines it printed before
// its closing `ok` (an `error` line rejects).
async function startConsole(home) {
  const proc = spawn(cliPath, [], {
    cwd: home, stdio: ['pipe', 'pipe', 'inherit'],
    env: { ...process.env, HOME: home, XDG_DATA_HOME: path.join(home, 'data'),
           XDG_CONFIG_HOME: path.join(home, 'config') },
  });
  const lines = readline.createInterface({ input: proc.stdout })[Symbol.asyncIterator]();
  const readUntil = async (done) => {
    const got = [];
    for (;;) {
      const { value, done: eof } = await lines.next();
      if (eof) throw new Error(`rindou-cli ended after ${got.join(' / ')}`);
      if (done(value)) return { got, last: value };
      got.push(value);
    }
  };
  await readUntil((l) => l === 'ready');
  return {
    async run(command) {
      proc.stdin.write(`${command}\n`);
      const { got, last } = await readUntil((l) => l === 'ok' || l.startsWith('error'));
      if (last !== 'ok') throw new Error(`${command}: ${last}`);
      return got;
    },
    end() { proc.stdin.end(); return new Promise((r) => proc.once('exit', r)); },
  };
}

function parseShow(lines) {
  const board = lines.slice(1, 10).map((l) => l.split(' ').map(Number));
  const turn = lines.find((l) => l.startsWith('turn ')).split(' ').map(Number);
  // turn side S sente . gote . lower L upper U
  return { board, lowerToMove: turn[2] === turn[8] };
}

// A seeded generator, so that a failure can be played again.
function random(seed) {
  let x = seed >>> 0 || 1;
  return (n) => { x ^= x << 13; x >>>= 0; x ^= x >>> 17; x ^= x << 5; x >>>= 0; return x % n; };
}

// Plays `opening` and then random moves up to `plies` plies on both, and
// compares the records.
const seen = { drops: 0, promotions: 0 };

async function compare(seed, opening, plies) {
  const home = h.scratch('console');
  const cli = await startConsole(home);
  const made = await h.http(server, 'POST', '/api/games', { side: 'lower', name: 'p1' });
  const joined = await h.http(server, 'POST', `/api/games/${made.json.id}/join`,
                              { invite: made.json.invite, key: 'k', name: 'p2' });
  const id = made.json.id;
  const p = { lower: await h.connect(server, id, { seat: made.json.seat }),
              upper: await h.connect(server, id, { seat: joined.json.seat }) };
  const pick = random(seed);
  let ply = 0;
  let passed = false;
  try {
    await cli.run('menu START');
    for (let n = 0; n < plies; ++n) {
      const position = parseShow(await cli.run('show'));
      const legal = (await cli.run('legal')).map((l) => l.split(' ').slice(1))
        .map(([fc, fr, tc, tr, promotion]) => ({ fc: +fc, fr: +fr, tc: +tc, tr: +tr, promotion }));
      const onBoard = (m) => m.fc >= 1 && m.fc <= 9;
      if (!legal.some(onBoard)) {
        // The side must pass: the console on the next click, the server at once.
        if (passed) break;  // neither side can move: the game is over
        await cli.run('click 1 5 5');
        const pass = await p.lower.next((m) => m.t === 'move' && m.d.ply === ply, `the pass at ply ${ply}`);
        assert.deepStrictEqual(pass.d.move, { pass: true });
        ++ply;
        passed = true;
        continue;
      }
      // Never the king, so that the game lasts (the console would ask to
      // play on once it is taken).
      const choices = legal.filter((m) => !(m.tc >= 1 && Math.abs(position.board[m.tr - 1][m.tc - 1]) === 950));
      if (!choices.length) break;
      const m = n < opening.length ? opening[n] : choices[pick(choices.length)];
      let wire;
      let command = `move ${m.fc} ${m.fr} ${m.tc} ${m.tr}`;
      if (onBoard(m)) {
        const promote = m.promotion === 'must' || (m.promotion === 'may' && pick(2) === 1);
        wire = { from: [m.fc, m.fr], to: [m.tc, m.tr], promote };
        if (promote) command += '+';
      } else {
        const slot = m.fc === 11 ? m.fr - 2 : 8 - m.fr;
        wire = { drop: DROP_CODES[slot - 1], to: [m.tc, m.tr] };
      }
      await cli.run(command);
      if (!onBoard(m)) ++seen.drops;
      if (wire.promote) ++seen.promotions;
      const mover = position.lowerToMove ? p.lower : p.upper;
      assert.deepStrictEqual(await mover.request('move', { ply, move: wire }), { ack: true },
                             `ply ${ply} ${JSON.stringify(wire)}`);
      ++ply;
      passed = false;
    }
    const folder = path.join(home, 'records');
    fs.mkdirSync(folder);
    await cli.run(`save ${folder}|r|g|p1|p2`);
    const saved = fs.readFileSync(path.join(folder, fs.readdirSync(folder)[0]));
    const record = await h.http(server, 'GET', `/api/games/${id}/record`);
    assert.strictEqual(record.status, 200);
    const moveLines = (bytes) => bytes.toString('latin1').split('\r\n').slice(3, -1);
    assert.ok(record.bytes.toString('latin1').endsWith('\r\n'));
    const ours = moveLines(saved);
    const theirs = moveLines(record.bytes);
    assert.ok(ours.length > 20, `${ours.length} moves`);
    assert.deepStrictEqual(theirs.map((l) => l.slice(0, 17)), ours.map((l) => l.slice(0, 17)));
    for (const line of theirs) assert.match(line, /^.{17}(?= *\d+ *\d+ *\d+ *\d+$).{20}$/, 'four time fields');

    const game = (await h.http(server, 'GET', `/api/games/${id}`)).json;
    assert.deepStrictEqual(game.board, parseShow(await cli.run('show')).board);
  } finally {
    p.lower.close(); p.upper.close();
    await cli.end();
  }
}

test('the server\'s record of random games equals the console\'s', async (t) => {
  for (const seed of [1, 2]) await t.test(`seed ${seed}`, () => compare(seed, [], 80));
  // The server's pass writes no line, as the console's does not.
  const opening = h.PASS.map((m) => ({ fc: m.from[0], fr: m.from[1], tc: m.to[0], tr: m.to[1], promotion: 'no' }));
  await t.test('a game with a pass', () => compare(3, opening, 60));
  assert.ok(seen.drops > 0 && seen.promotions > 0, `the games dropped and promoted: ${JSON.stringify(seen)}`);
});
