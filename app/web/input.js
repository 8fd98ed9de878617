// Input: presses, taps and drags on the board (through the arrangement's
// hit test on a phone), the promotion's two buttons, and the keys of the
// window that a browser leaves to the page.
import { boxOpen } from './boxes.js';
import { game, surface, run, drawLog, f3 } from './game.js';
import { TWIPS_PER_PIXEL, NATURAL_W } from './surface.js';
import { arranged, origin, unit, frame, DESKTOP, copyShown, shownScale } from './arrangement.js';
import { closeMenus, control, menuTitles, setDrawer } from './menu.js';
import { pressTaken } from './features.js';
import { say } from './access.js';

// Looked up here rather than imported: this module's listeners go on the
// board as it loads, whichever module the browser runs first.
const canvas = document.getElementById('board');

// What a point of the page names, through the arrangement's hit test: a
// square or hand cell with the point of the picture the game takes, a
// control, or nothing.  On the desktop every point is the picture's own.
function locate(e) {
  const rect = canvas.getBoundingClientRect();
  if (!arranged || arranged.shape === DESKTOP) {
    const dpr = surface.canvas.width / rect.width;
    return { kind: 1,
             x: surface.twipsOfDevice(Math.floor((e.clientX - rect.left) * dpr)),
             y: surface.twipsOfDevice(Math.floor((e.clientY - rect.top) * dpr)) };
  }
  const ux = (e.clientX - rect.left - origin.x) / unit;
  const uy = (e.clientY - rect.top - origin.y) / unit;
  return JSON.parse(game.UTF8ToString(game._rindou_hit(arranged.shape, ux, uy)));
}

// For tests and the curious: the page's point of a cell's centre of the
// picture, wherever the arrangement shows it.
window.rindouCellPoint = (col, row, fx = 0.5, fy = 0.5) => {
  // Before the page's first arrangement (the board focused by keyboard
  // while the game still loads) no cell is anywhere yet.
  if (!arranged) return null;
  const x = 1300 + 615 * (col + fx), y = 100 + 690 * (row + fy);
  const rect = canvas.getBoundingClientRect();
  if (arranged.shape === DESKTOP) {
    const k = rect.width / (NATURAL_W * TWIPS_PER_PIXEL);
    return { x: rect.left + x * k, y: rect.top + y * k };
  }
  const k = unit;
  for (const { from, to } of arranged.placements)
    if (x >= from[0] && x <= from[2] && y >= from[1] && y <= from[3]) {
      const f = (to[2] - to[0]) / (from[2] - from[0]);
      return { x: rect.left + origin.x + (to[0] + (x - from[0]) * f) * k,
               y: rect.top + origin.y + (to[1] + (y - from[1]) * f) * k };
    }
  return null;
};

function press(button, e) {
  const at = locate(e);
  if (at.kind === 3) {
    control(at.command);
    return;
  }
  if (at.kind === 0) return;
  if (drawLog && game && !game._rindou_ended() && game._rindou_waiting() === 0)
    drawLog.push(`> press ${button} ${f3(at.x)} ${f3(at.y)}`);
  if (pressTaken(button, at.x, at.y)) return;
  run(() => game._rindou_mouse_down(button, at.x, at.y));
}

// A finger has no right button, the button that promotes: a tap is the
// left button, except where the piece moves and may promote, where two
// buttons on the square ask, and where it must promote, where the tap is
// the right button.
const promotion = document.getElementById('promotion');
let promotionAt = null;

function hidePromotion() {
  promotion.hidden = true;
  promotionAt = null;
}

function tap(e) {
  if (!game || game._rindou_waiting() !== 0) return;
  const at = locate(e);
  if (at.kind === 0 || at.kind === 3) {
    press(1, e);
    return;
  }
  const choice = game._rindou_promotion_at(at.x, at.y);
  if (choice === 0) {
    press(1, e);
  } else if (choice === 2) {
    press(2, e);
  } else {
    const box = frame.getBoundingClientRect();
    promotion.style.left = `${e.clientX - box.left}px`;
    promotion.style.top = `${e.clientY - box.top}px`;
    promotionAt = { clientX: e.clientX, clientY: e.clientY };
    promotion.hidden = false;
  }
}

// A finger answers as it lifts (a browser still taking a drag that has
// just ended may make no click of the tap); a key or a mouse by the click.
// Whichever comes first answers, the other finds nothing asked.
for (const [id, button] of [['promote', 2], ['stay', 1]]) {
  const answer = (e) => {
    e.stopPropagation();
    const at = promotionAt;
    hidePromotion();
    if (at) press(button, at);
  };
  const element = document.getElementById(id);
  element.addEventListener('click', answer);
  element.addEventListener('pointerup', (e) => {
    if (e.pointerType === 'touch') answer(e);
  });
}
document.addEventListener('pointerdown', (e) => {
  if (!promotion.hidden && !promotion.contains(e.target)) hidePromotion();
}, true);

// A piece is moved by a press on it and a press on its square, or by
// dragging it there: the drag names the piece where it starts, and the
// square where it is let go.  A touch is served when the finger lifts.
const DRAG_START_PX = 8;
let down = null;
let ghost = null;

function sameCell(a, b) {
  return a.kind === b.kind && a.col === b.col && a.row === b.row &&
    (a.kind !== 1 || !arranged || arranged.shape !== DESKTOP ||
     (Math.floor((a.x - 1300) / 615) === Math.floor((b.x - 1300) / 615) &&
      Math.floor((a.y - 100) / 690) === Math.floor((b.y - 100) / 690)));
}

// A copy of what lies under the finger, following it a little above, so
// that the finger does not hide the piece it carries.
function startGhost(e, touch) {
  if (!arranged) return;
  const rect = canvas.getBoundingClientRect();
  const square = arranged.shape === DESKTOP ? 41 * rect.width / NATURAL_W : 615 * unit;
  const k = shownScale();
  const g = document.createElement('canvas');
  g.id = 'drag-ghost';
  g.width = Math.ceil(square * k);
  g.height = Math.ceil(square * 1.12 * k);
  copyShown(g.getContext('2d'), Math.round((e.clientX - rect.left - square / 2) * k),
            Math.round((e.clientY - rect.top - square * 0.56) * k), g.width, g.height);
  g.style.width = `${square}px`;
  g.style.height = `${square * 1.12}px`;
  document.body.appendChild(g);
  ghost = { element: g, square, lift: touch ? square * 0.8 : 0 };
  moveGhost(e);
}

function moveGhost(e) {
  if (!ghost) return;
  ghost.element.style.left = `${e.clientX - ghost.square / 2}px`;
  ghost.element.style.top = `${e.clientY - ghost.square * 0.56 - ghost.lift}px`;
}

function endGhost() {
  if (ghost) ghost.element.remove();
  ghost = null;
}

canvas.addEventListener('contextmenu', (e) => e.preventDefault());
canvas.addEventListener('pointerdown', (e) => {
  e.preventDefault();
  closeMenus();
  if (document.body.classList.contains('drawer-open')) setDrawer(false);
  const touch = e.pointerType === 'touch';
  const button = touch ? 1 : e.button === 0 ? 1 : e.button === 2 ? 2 : 0;
  // Other buttons mean nothing to the game.
  if (button === 0) return;
  try {
    canvas.setPointerCapture(e.pointerId);
  } catch {
    // A pointer already gone is not followed.
  }
  down = { id: e.pointerId, touch, button, clientX: e.clientX, clientY: e.clientY, dragging: false,
           at: game && game._rindou_waiting() === 0 ? locate(e) : null };
  if (!touch) press(button, e);
});
canvas.addEventListener('pointermove', (e) => {
  if (!down || down.id !== e.pointerId) return;
  if (!down.dragging) {
    const far = Math.hypot(e.clientX - down.clientX, e.clientY - down.clientY) > DRAG_START_PX;
    if (!far || !down.at || (down.at.kind !== 1 && down.at.kind !== 2)) return;
    down.dragging = true;
    // A finger names the piece as it starts to carry it.
    if (down.touch) tap(down);
    startGhost(down, down.touch);
  }
  moveGhost(e);
});
canvas.addEventListener('pointerup', (e) => {
  if (!down || down.id !== e.pointerId) return;
  const was = down;
  down = null;
  endGhost();
  if (!was.dragging) {
    if (was.touch) tap(was);
    return;
  }
  const at = game && game._rindou_waiting() === 0 ? locate(e) : null;
  if (!at || !was.at || sameCell(at, was.at)) return;
  // A finger is asked about promotion as a tap is; a mouse's button
  // decides, as its click does.
  if (was.touch) tap(e);
  else press(was.button, e);
});
canvas.addEventListener('pointercancel', () => {
  down = null;
  endGhost();
});
// The browser's click that follows a tap would land on the buttons just
// shown under the finger and answer for the person.
canvas.addEventListener('touchend', (e) => e.preventDefault(), { passive: false });
// A finger carrying a piece scrolls nothing: a browser that took the drag
// for a scroll would swallow the next tap (on the promotion's buttons).
canvas.addEventListener('touchmove', (e) => e.preventDefault(), { passive: false });
// The keys of the window that a browser leaves to the page: the steps
// through the record and back to its start.  A key runs what choosing its
// entry runs: first what opening its menu title runs, then the entry.
// Ctrl+Z takes a move back (待った), as in the window, except in a text
// box, where it undoes typing.
const KEYS = { ArrowLeft: 'REPLAY', ArrowRight: 'AFTER', Home: 'CANCEL' };
const CTRL_KEYS = { z: 'MATTA' };
document.addEventListener('keydown', (e) => {
  if (boxOpen() || e.altKey || e.metaKey) return;
  if (e.ctrlKey) {
    const entry = !e.shiftKey && CTRL_KEYS[e.key.toLowerCase()];
    if (!entry || (e.target instanceof HTMLElement && e.target.matches('input, textarea'))) return;
    e.preventDefault();
    run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                         [menuTitles.get(entry) || '', entry]));
    return;
  }
  if (e.key === 'Escape' && !promotion.hidden) {
    // Esc takes back the question of promotion, as a press beside it does.
    hidePromotion();
    canvas.focus();
  } else if (e.key === 'Escape' && document.querySelector('#menubar .open')) {
    // Esc closes an open menu and leaves the keys on its title.
    const title = document.querySelector('#menubar > .menu.open > button');
    closeMenus();
    if (title) title.focus();
  } else if (e.key === 'Escape' && document.body.classList.contains('drawer-open')) {
    // Esc closes the open drawer first, as it closes a menu, and does not
    // end the game behind it.
    setDrawer(false);
  } else if (e.key === 'Escape') {
    run(() => game._rindou_escape());
  } else if (KEYS[e.key] && !(e.target instanceof Element && e.target.closest('#menubar, #panel'))) {
    // In the menus and the record panel the arrows move there instead.
    e.preventDefault();
    const entry = KEYS[e.key];
    run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                         [menuTitles.get(entry) || '', entry]));
  }
});


// ---- The keys on the board ----------------------------------------------
// The board takes the keys when it has the focus: the arrows move a cursor
// over the squares and the places of both hands, and Enter or Space presses
// where it stands, as a tap does (a piece that may promote asks with the
// two buttons, which the keys reach too).  Each cell the cursor comes to is
// said in words.
const cursorBox = document.getElementById('cursor');
const cursor = { col: 7, row: 7 };
// The hands' places: the upper hand left of the board (rows 1 to 7), the
// lower hand right of it (rows 3 to 9).
const HAND_ROWS = { [-1]: [1, 7], 11: [3, 9] };

function clampRow(col, row) {
  const [low, high] = HAND_ROWS[col] || [1, 9];
  return Math.max(low, Math.min(high, row));
}

function showCursor() {
  const a = window.rindouCellPoint(cursor.col, cursor.row, 0, 0);
  const b = window.rindouCellPoint(cursor.col, cursor.row, 1, 1);
  if (!a || !b || document.activeElement !== canvas || !canvas.matches(':focus-visible')) {
    cursorBox.hidden = true;
    return;
  }
  const f = frame.getBoundingClientRect();
  Object.assign(cursorBox.style, { left: `${a.x - f.left}px`, top: `${a.y - f.top}px`,
                                   width: `${b.x - a.x}px`, height: `${b.y - a.y}px` });
  cursorBox.hidden = false;
}

function sayCursor() {
  if (game) say(game.UTF8ToString(game._rindou_cell_words(cursor.col, cursor.row)));
}

canvas.addEventListener('focus', () => {
  showCursor();
  sayCursor();
});
canvas.addEventListener('blur', () => { cursorBox.hidden = true; });
window.addEventListener('resize', () => requestAnimationFrame(showCursor));

canvas.addEventListener('keydown', (e) => {
  if (boxOpen() || e.altKey || e.metaKey || e.ctrlKey) return;
  const steps = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  if (steps[e.key]) {
    // The arrows are the board's here, not the record's steps.
    e.preventDefault();
    e.stopPropagation();
    const [dc, dr] = steps[e.key];
    let col = cursor.col + dc;
    // From the board's edge columns the cursor goes on into the hands.
    if (col === 0) col = -1;
    if (col === 10) col = 11;
    if (col < -1 || col > 11) return;
    const row = clampRow(col, cursor.row + dr);
    cursor.col = col;
    cursor.row = row;
    showCursor();
    sayCursor();
  } else if (e.key === 'Enter' || e.key === ' ') {
    e.preventDefault();
    e.stopPropagation();
    const p = window.rindouCellPoint(cursor.col, cursor.row);
    if (!p) return;
    tap({ clientX: p.x, clientY: p.y });
    if (!promotion.hidden) document.getElementById('promote').focus();
    showCursor();
  }
});
// The promotion answered by keys gives the keys back to the board.
for (const id of ['promote', 'stay'])
  document.getElementById(id).addEventListener('click', () => canvas.focus());
