// What a feature module of the page (the study, online play) hooks into:
// the game's instance, its redrawing, the boxes, the menu bar, and the
// moments the game starts and comes to rest after a command.  A feature
// module that adds menu entries (the study) is imported by page.js while
// the game's module comes, and waited for before the menus are built, so
// that its entries are in place then; one that adds none (online play)
// may come later, page.js importing it once the first board shows, and
// its onStart listener then runs at once:
//
//   import { page } from './features.js';
//   page.addPageEntry({ name: 'STUDY', parent: 'KIFU',
//                       caption: (texts) => texts.study, choose: openStudy });
//   page.onStart(() => { ... page.game ... });
import { game, run } from './game.js';
import { boxTexts, openBox } from './boxes.js';
import { addPageEntry, retranslate } from './menu.js';
import { scheduleComposite, refit, setRoomTaker } from './arrangement.js';

const startListeners = [];
// A feature that takes the presses on the board before the game does.
let pressTaker = null;
const idleListeners = [];
let hasStarted = false;

export const page = {
  // The game's instance (null until the game has started).
  get game() { return game; },
  // The page's words, in the language now chosen.
  get texts() { return boxTexts; },
  // Runs a call into the game, unless the game has ended or another tab
  // holds it.
  run,
  // openBox(title, text, [[caption, value, name]...], picture, answer(value))
  openBox,
  // An entry of the page's own on the menu bar (before the game starts).
  addPageEntry,
  // Every caption anew, as after a change of language.
  retranslate,
  // The phone's arrangement drawn anew from the picture at the next frame.
  redraw: scheduleComposite,
  // The game fitted to the page anew, as after a change of size.
  refit,
  // setRoom(taker): part of the page's room taken (see arrangement.js).
  setRoom: setRoomTaker,
  onStart(listener) {
    if (hasStarted) listener();
    else startListeners.push(listener);
  },
  onIdle(listener) {
    idleListeners.push(listener);
  },
  // taker(button, x, y) sees each press on the board first, in the game's
  // twips, and answers true when the press was its own.
  takePresses(taker) {
    pressTaker = taker;
  },
};

// Called by the board's press: true when a feature took it.
export function pressTaken(button, x, y) {
  return pressTaker ? pressTaker(button, x, y) === true : false;
}

// Called by page.js once the game has started.
export function started() {
  hasStarted = true;
  for (const listener of startListeners.splice(0)) listener();
}

// Called by the game's idle hook after every command.
export function idled() {
  for (const listener of idleListeners) listener();
}
