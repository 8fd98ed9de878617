// The page for anyone: a live region that says each move in words (and
// the cell the board's keys stand on), and the names of the board and the
// menu button in the language chosen.
import { game } from './game.js';

const said = document.getElementById('said');
// The moves of the record already said (-1 before the game has started).
let moves = -1;

// Says a text through the live region; the same text twice is said twice.
export function say(text) {
  if (!text) return;
  said.textContent = said.textContent === text ? `${text}\u00a0` : text;
}

function words(since) {
  return JSON.parse(game.UTF8ToString(game._rindou_access_words(since)));
}

// The names, anew in the language now chosen.
export function renameForAccess() {
  const w = words(moves);
  document.getElementById('board').setAttribute('aria-label', w.board);
  document.getElementById('menu-toggle').setAttribute('aria-label', w.menu);
}

// After every command: the moves made since the last are said, once each
// (a game taken up or read from a record says none of its moves).
export function sayNewMoves() {
  if (!game) return;
  const w = words(moves);
  if (moves >= 0 && w.count > moves && w.count - moves <= 2) say(w.fresh.join('\n'));
  moves = w.count;
}
