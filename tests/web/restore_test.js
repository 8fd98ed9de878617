// The module's taking up of a game put aside and of a study request, run by
// node: a side is written as +1, -1 or 0 for none, and a text whose sides
// are not sides of a game is refused rather than taken up.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { site } = require('./console_scripts');

async function module(waits) {
  const hooks = new Proxy({
    keptReady: () => false, keptNames: () => [], settingsSize: () => -1, dataFileSize: () => -1,
    panelBox: () => '', soundStart: () => false, wait: (serial, kind, seconds, title, text) => waits.push(serial),
  }, { get: (known, name) => known[name] || (() => 0) });
  const createRindou = require(path.join(site, 'rindou.js'));
  return createRindou({ wasmBinary: fs.readFileSync(path.join(site, 'rindou.wasm')), rindouHooks: hooks });
}

const withField = (text, name, value) => text.replace(new RegExp(`^${name} .*$`, 'm'), `${name} ${value}`);

test('a game put aside comes back only with sides a game can have', async () => {
  // The start asks the browser's language.
  if (!globalThis.navigator) globalThis.navigator = { language: 'ja', languages: ['ja'] };
  const waits = [];
  const m = await module(waits);
  // Every box the start and the two-person game show is answered with OK.
  const settle = () => { while (m._rindou_waiting() !== 0) m._rindou_resume(waits[waits.length - 1]); };
  m._rindou_start();
  settle();
  m.ccall('rindou_menu', null, ['string'], ['START']);
  settle();
  const saved = m.UTF8ToString(m._rindou_saved_game());
  assert.match(saved, /^sente_turn 1$/m);
  assert.match(saved, /^lower_turn 1$/m);
  assert.match(saved, /^upper_turn -1$/m);
  assert.match(saved, /^side_to_move 1$/m);
  const restore = (text) => m.ccall('rindou_restore_game', 'number', ['string'], [text]);
  const show = () => m.UTF8ToString(m._rindou_show());
  const before = show();
  assert.strictEqual(restore(saved), 1);
  assert.strictEqual(show(), before);
  // No player without a side, no side beyond the two.
  assert.strictEqual(restore(withField(withField(saved, 'lower_turn', 0), 'upper_turn', 0)), 0);
  assert.strictEqual(restore(withField(saved, 'sente_turn', 0)), 0);
  assert.strictEqual(restore(withField(saved, 'side_to_move', 2)), 0);
  assert.strictEqual(restore(withField(saved, 'winner', -3)), 0);
  assert.strictEqual(show(), before, 'a refused text leaves the game as it was');
});

test('a study request is read only with sides a game can have', async () => {
  const m = await module([]);
  // The game's words in order: the board, coin, hands and their totals, the
  // pawn files, the kings' squares, then sente_turn, lower_turn, upper_turn,
  // side_to_move, game_mode, winner and the rest; no record entries.
  const request = (sente, lower, upper, toMove, winner) => {
    const board = Array(81).fill(0);
    board[4 * 9 + 4] = 7;  // the coin on column 5, row 5
    board[4 * 9 + 0] = 950;
    board[4 * 9 + 8] = -950;
    return ['rindou-study 1', ...board, 5, 5, ...Array(14).fill(0), 0, 0, ...Array(18).fill(0),
            5, 9, 5, 1, sente, lower, upper, toMove, 0, winner, 0, 0, 0, 0, 0, 0, 0].join(' ');
  };
  const analyse = (text) => m.UTF8ToString(m.ccall('rindou_study_analyse', 'number', ['string', 'number'], [text, 4]));
  assert.match(analyse(request(1, -1, 1, 0, 0)), /^\{"moves":\[\],/);
  assert.strictEqual(analyse(request(0, -1, 1, 0, 0)), '');
  assert.strictEqual(analyse(request(1, 0, 0, 0, 0)), '');
  assert.strictEqual(analyse(request(1, -1, 1, 5, 0)), '');
  assert.strictEqual(analyse(request(1, -1, 1, 0, 2)), '');
});
