// The module's side of online play, run by node: a server's position put on
// the board, the server's moves played on it (and refused when they do not
// fit), and the person's presses turned into the server's words for a move
// without playing it.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { site } = require('./console_scripts');

// The page's hooks, doing nothing: nothing is drawn, kept or heard here.
const quiet = new Proxy({
  keptReady: () => false, keptNames: () => [], settingsSize: () => -1, dataFileSize: () => -1,
  panelBox: () => '', soundStart: () => false,
}, { get: (known, name) => known[name] || (() => 0) });

async function module() {
  const createRindou = require(path.join(site, 'rindou.js'));
  return createRindou({ wasmBinary: fs.readFileSync(path.join(site, 'rindou.wasm')), rindouHooks: quiet });
}

const START = [
  [20, 30, 100, 110, 950, 110, 100, 30, 20], [0, 900, 0, 0, 0, 0, 0, 800, 0], Array(9).fill(10),
  Array(9).fill(0), [0, 0, 0, 0, 7, 0, 0, 0, 0], Array(9).fill(0), Array(9).fill(-10),
  [0, -800, 0, 0, 0, 0, 0, -900, 0], [-20, -30, -100, -110, -950, -110, -100, -30, -20]];

// The board as `show` prints it: its rows, the coin, the hands and the turn.
function shown(m) {
  const lines = m.UTF8ToString(m._rindou_show()).split('\n');
  return { rows: lines.slice(1, 10).map((l) => l.split(' ').map(Number)), coin: lines[10],
           lower: lines[11], upper: lines[12], turn: lines[13].split(' ')[2] };
}

function put(m, { turn = 1, rows = START, lower = [0, 0, 0, 0, 0, 0, 0], upper = [0, 0, 0, 0, 0, 0, 0] } = {}) {
  const numbers = [turn, 1, 0, 0, 0, 0, 0, 0, 0, ...rows.flat(), ...lower, ...upper];
  return m.ccall('rindou_online_set', 'number', ['string'], [numbers.join(' ')]);
}
const play = (m, ...numbers) => m.ccall('rindou_online_move', 'number', ['string'], [numbers.join(' ')]);
// A press at the centre of a cell, in the game's twips; side 1 lower, 2 upper.
const press = (m, col, row, side, button = 1) =>
  m.UTF8ToString(m._rindou_online_press(button, 1300 + 615 * (col + 0.5), 100 + 690 * (row + 0.5), side));

test('the server position goes on the board, and only one that is a position', async () => {
  const m = await module();
  assert.strictEqual(put(m), 1);
  assert.deepStrictEqual(shown(m).rows, START);
  assert.strictEqual(shown(m).turn, '-1');
  const twoCoins = START.map((r) => [...r]);
  twoCoins[3][0] = 7;
  assert.strictEqual(put(m, { rows: twoCoins, turn: 2 }), 0);
  const stray = START.map((r) => [...r]);
  stray[3][0] = 12345;
  assert.strictEqual(put(m, { rows: stray, turn: 2 }), 0);
  assert.strictEqual(shown(m).turn, '-1', 'a refused position leaves the board as it was');
  assert.strictEqual(m.ccall('rindou_online_set', 'number', ['string'], ['1 1 0']), 0);
});

test('the server moves are played on the board, and one that does not fit is refused', async () => {
  const m = await module();
  put(m);
  // The coin moves with the pawn, one square up.
  assert.strictEqual(play(m, 1, 7, 7, 7, 6, 0, 5, 4), 1);
  let s = shown(m);
  assert.strictEqual(s.rows[5][6], -10);
  assert.strictEqual(s.rows[6][6], 0);
  assert.strictEqual(s.coin, 'coin 5 4');
  assert.strictEqual(s.turn, '1');
  // A lower piece moved on the upper side's turn, a square the piece cannot
  // reach, and a coin the server puts elsewhere than the move takes it.
  assert.strictEqual(play(m, 1, 2, 7, 2, 6, 0, 5, 3), 0);
  assert.strictEqual(play(m, 1, 3, 3, 3, 5, 0, 5, 6), 0);
  assert.strictEqual(play(m, 1, 3, 3, 3, 4, 0, 5, 4), 0);
  s = shown(m);
  assert.strictEqual(s.rows[3][2], 0, 'a refused move plays nothing');
  assert.strictEqual(s.turn, '1');
  // A pass only turns the turn, and leaves the coin where it stands.
  assert.strictEqual(play(m, 0, 0, 0, 0, 0, 0, 5, 5), 0);
  assert.strictEqual(play(m, 0, 0, 0, 0, 0, 0, 5, 4), 1);
  s = shown(m);
  assert.strictEqual(s.turn, '-1');
  assert.strictEqual(s.coin, 'coin 5 4');
});

test('a press makes a move to send, never a move played', async () => {
  const m = await module();
  put(m, { turn: 2 });
  // Not this side's turn: nothing is picked, nothing sent.
  assert.strictEqual(press(m, 7, 7, 1), '');
  assert.strictEqual(press(m, 7, 6, 1), '');
  // The upper side picks its pawn and names its square.
  assert.strictEqual(press(m, 3, 3, 2), '');
  assert.deepStrictEqual(JSON.parse(press(m, 3, 4, 2)), { from: [3, 3], to: [3, 4], promote: false });
  assert.deepStrictEqual(shown(m).rows, START, 'the move waits for the server');

  // A pawn that must promote does, whatever the button; a pawn from the
  // hand is a drop of its unsigned code.
  const rows = START.map((r) => [...r]);
  rows[2][0] = 0;
  rows[7][0] = 10;
  rows[2][1] = 0;
  put(m, { turn: 2, rows, upper: [1, 0, 0, 0, 0, 0, 0] });
  assert.strictEqual(press(m, 1, 8, 2), '');
  assert.deepStrictEqual(JSON.parse(press(m, 1, 9, 2)), { from: [1, 8], to: [1, 9], promote: true });
  // The upper hand's pawn, in its cell beside the board.
  assert.strictEqual(press(m, -1, 7, 2), '');
  assert.deepStrictEqual(JSON.parse(press(m, 2, 5, 2)), { drop: 10, to: [2, 5] });
  // The server's drop comes back and leaves the hand.
  assert.strictEqual(play(m, 2, 10, 2, 5, 0, 0, 5, 5), 1);
  assert.strictEqual(shown(m).rows[4][1], 10);
  assert.match(shown(m).upper, /^upper_hand 0 0 0 0 0 0 0 total 0$/);
});
