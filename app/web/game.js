// The game: the module's instance the page plays, the hooks through which
// the game draws, waits, sounds, keeps games and reads its settings, the
// deep search in its worker, and the screen of a game that has ended.
//
// The module holds the game and its work in progress; whatever the work
// waits for comes here through hooks.wait with the wait's number, and the
// page calls back with that number once the wait is over.
import { BUILD_ID, RELOADED_KEY, cString, waitKinds, yieldToPage } from './wasm.js';
import { box, boxTexts, openBox } from './boxes.js';
import { sound, dataFileSize, dataFileRead } from './sound.js';
import { kept, KEPT_LIST } from './kept.js';
import { panelDo, panelBoxes } from './record_panel.js';
import { closeMenus, syncMenu } from './menu.js';
import { composed, scheduleComposite } from './arrangement.js';
import { idled } from './features.js';
import { sayNewMoves } from './access.js';

// A safety net for the deep search in its worker: its budgets end it well
// before.  Past the cap the worker ends its search at the next finished
// depth with the best move so far; a worker that has not answered a while
// after that is given up.
const SEARCH_CAP_MS = 15000;
const WORKER_GIVEN_UP_MS = 45000;

export const canvas = document.getElementById('board');
export let game = null;
export let surface = null;
let searchWorker = null;
// The first board is drawn once the game has presented its first picture
// and every picture it drew has come: then the rest of the page's files
// (the sounds, the pictures not drawn yet, the offline copy) may come.
let firstFrame = null;
let firstFrameDrawn = null;
export const firstBoard = new Promise((resolve) => { firstFrameDrawn = resolve; });
// The game the work now running kept, if it kept one.
let keptThisTime = null;

// The long tasks the page's thread ran (over 50 ms, as the browser
// reports them): their start and length in ms, a figure for the curious.
window.rindouLongTasks = [];
try {
  new PerformanceObserver((list) => {
    for (const e of list.getEntries())
      if (window.rindouLongTasks.length < 1000)
        window.rindouLongTasks.push({ start: e.startTime, duration: e.duration });
  }).observe({ type: 'longtask', buffered: true });
} catch {
  // A browser without long-task timing reports none.
}

// The settings file's bytes live in the page's local storage.
const SETTINGS_KEY = 'rindou.Rindou.ini';

// A log of the drawing calls and of what the page asked of the game, in
// the words of the desktop's recording surface, kept only while a test
// asks for it (window.rindouDrawLog).
export let drawLog = null;
export const f3 = (v) => v.toFixed(3);
const escapeText = (t) => t.replace(/\\/g, '\\\\').replace(/\r/g, '\\r').replace(/\n/g, '\\n');
window.rindouDrawLog = {
  start() { drawLog = []; },
  take() { const log = drawLog || []; drawLog = null; return log.join('\n') + '\n'; },
};

// Set while the game's start runs (startGame), and what its idle left for
// the tasks after it.
let starting = false;
const afterStart = [];

// The game's start; its first drawing is painted later (Surface.paintLater).
export function startGame() {
  starting = true;
  try {
    surface.paintLater(() => game._rindou_start(), yieldToPage);
  } finally {
    starting = false;
  }
}

export const hooks = {
  drawImage: (code, x, y) => {
    if (drawLog) drawLog.push(`image ${code} ${f3(x)} ${f3(y)}`);
    surface.drawImage(code, x, y);
  },
  drawOutline: (colour, x1, y1, x2, y2) => {
    if (drawLog) drawLog.push(`outline ${colour} ${f3(x1)} ${f3(y1)} ${f3(x2)} ${f3(y2)}`);
    surface.drawOutline(colour, x1, y1, x2, y2);
  },
  drawText: (x, y, text, colour, size, bold) => {
    if (drawLog) drawLog.push(`text ${f3(x)} ${f3(y)} ${colour} ${size} ${bold ? 1 : 0} ${escapeText(text)}`);
    surface.drawText(x, y, text, colour, size, bold);
  },
  present: () => {
    if (drawLog) drawLog.push('present');
    if (firstFrame === null) {
      const shown = () => {
        document.body.dataset.firstFrameMs = String(Math.round(performance.now()));
        firstFrameDrawn();
      };
      // In the frame that shows the board, the next once its first
      // composition is made.
      firstFrame = surface.settled().then(composed).then(() => requestAnimationFrame(shown));
    }
  },
  wait: (serial, kind, seconds, title, text) => {
    document.body.dataset.state = 'waiting';
    window.rindouResume.waiting();
    const kinds = waitKinds(game);
    switch (kind) {
      case kinds.pause:
        setTimeout(() => game._rindou_resume(serial), Math.ceil(seconds * 1000));
        break;
      case kinds.notice:
        box.dataset.kind = 'notice';
        openBox(title, text, [['OK', 'ok', 'ok']], null, () => game._rindou_resume(serial));
        break;
      case kinds.question:
        box.dataset.kind = 'question';
        openBox(title, text, [[boxTexts.yes, 'yes', 'yes'], [boxTexts.no, 'no', 'no']], null,
                (v) => game._rindou_answer(serial, v === 'yes' ? 1 : 0));
        break;
      case kinds.about:
        box.dataset.kind = 'about';
        openBox(boxTexts.aboutTitle, 'Rindou  Version 1.0',
                [[boxTexts.homePage, 'home', 'home'], ['O K', 'ok', 'ok']],
                // At its natural size, sharp on a dense screen.
                'pictures/ABOUT.png 1x, pictures/ABOUT@2x.png 2x',
                (v) => game._rindou_answer(serial, v === 'home' ? 1 : 0));
        break;
      case kinds.search:
        search(serial);
        break;
    }
  },
  idle: () => {
    keptThisTime = null;
    window.rindouResume.idle();
    document.body.dataset.state = 'idle';
    // What the last idle left for later comes before this one's, so that
    // the moves are said and the menus marked in the order they came.
    for (const step of afterStart.splice(0)) step();
    const steps = [syncMenu,
                   // The turn may change with nothing drawn: the mark of
                   // the side to move follows it.
                   scheduleComposite,
                   sayNewMoves, idled];
    if (!starting) {
      for (const step of steps) step();
      return;
    }
    // The game's start is a slow phone's longest task already: the page
    // around the board follows it each step in a task of its own.
    afterStart.push(...steps);
    (async () => {
      while (afterStart.length) {
        await yieldToPage();
        const step = afterStart.shift();
        if (step) step();
      }
    })();
  },
  // A page cannot end as a program does: it says the game is over, and
  // whether it was kept, and offers a new start, until the person takes
  // it (a reload of this tab shows it again).
  ended: () => {
    window.rindouResume.ended();
    const words = { lang: boxTexts.lang, title: boxTexts.endTitle,
                    text: keptThisTime ? boxTexts.endKept : boxTexts.endPlain,
                    button: boxTexts.startAgain };
    try {
      sessionStorage.setItem(ENDED_KEY, JSON.stringify(words));
    } catch {
      // Without session storage a reload starts a new game at once.
    }
    showEnded(words);
  },
  panel: (what) => panelDo(what),
  panelBox: (index) => panelBoxes()[index]?.value ?? '',
  download: (name, bytes) => {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    return true;
  },
  soundStart: () => sound.start(),
  soundCreate: (wav) => sound.create(wav),
  soundPlay: (buffer, looping) => sound.play(buffer, looping),
  soundStop: (buffer) => sound.stop(buffer),
  dataFileSize: (name) => dataFileSize(name),
  dataFileRead: (name, into) => dataFileRead(name, game.HEAPU8, into),
  // The computer's last move, for tests and the curious.
  computerMove: (move) => { document.body.dataset.computerMove = move; },
  openPage: (address) => { if (address) window.open(address, '_blank', 'noopener'); },
  showHelp: (page) => window.open(page || 'Rindou.htm', '_blank', 'noopener'),
  keptReady: () => kept.ready,
  keptNames: () => [...kept.files.keys()],
  keptSize: (name) => (kept.files.has(name) ? kept.files.get(name).length : -1),
  keptRead: (name, into) => game.HEAPU8.set(kept.files.get(name), into),
  keptPut: (name, bytes) => {
    if (kept.files.has(name)) return 1;
    if (name !== KEPT_LIST) keptThisTime = name;
    return kept.put(name, bytes) ? 0 : 2;
  },
  keptRemove: (name) => kept.remove(name),
  settingsSize: () => {
    const s = localStorage.getItem(SETTINGS_KEY);
    return s === null ? -1 : s.length;
  },
  settingsRead: (into) => {
    const s = localStorage.getItem(SETTINGS_KEY) || '';
    for (let i = 0; i < s.length; ++i) game.HEAPU8[into + i] = s.charCodeAt(i) & 255;
  },
  settingsWrite: (at, size) => {
    let s = '';
    for (let i = 0; i < size; ++i) s += String.fromCharCode(game.HEAPU8[at + i]);
    try {
      localStorage.setItem(SETTINGS_KEY, s);
      return true;
    } catch {
      return false;
    }
  },
};

// The deep search runs in a worker, a module of its own, so that the page
// repaints and the clock runs while the computer thinks; where no worker
// can be had it runs here, after the page has drawn what went before.  A
// worker that fails the search (it throws, answers nothing readable, or
// does not answer) is replaced and asked once more, and then the search
// runs here: the computer never loses its move to a failed worker.  A
// worker of another build than the page refuses the search: the page
// reloads (the game on the board is kept as a reload keeps it), and if it
// meets another build again after that, searches here.
function search(serial) {
  const request = game.UTF8ToString(game._rindou_search_request(serial));
  if (request) searchInWorker(serial, request, 2);
}

function searchHere(serial) {
  document.body.dataset.searchedIn = 'page';
  setTimeout(() => game._rindou_search_here(serial), 0);
}

function searchInWorker(serial, request, tries) {
  if (tries > 0 && !searchWorker) {
    try {
      searchWorker = new Worker('search_worker.js');
    } catch {
      searchWorker = null;
    }
  }
  if (tries <= 0 || !searchWorker) {
    searchHere(serial);
    return;
  }
  document.body.dataset.searchedIn = 'worker';
  const worker = searchWorker;
  let done = false;
  const stop = () => {
    done = true;
    clearTimeout(cap);
    worker.removeEventListener('message', onMessage);
    worker.removeEventListener('error', onError);
  };
  const failed = () => {
    if (done) return;
    stop();
    worker.terminate();
    if (searchWorker === worker) searchWorker = null;
    document.body.dataset.searchFailures = String(Number(document.body.dataset.searchFailures || 0) + 1);
    searchInWorker(serial, request, tries - 1);
  };
  const onMessage = (e) => {
    if (done || !e.data || e.data.serial !== serial) return;
    if (e.data.refused) {
      stop();
      anotherBuild(() => searchHere(serial));
      return;
    }
    if (typeof e.data.result !== 'string' || !e.data.result) {
      failed();
      return;
    }
    const at = cString(game, e.data.result);
    if (!at) {
      failed();
      return;
    }
    const delivered = game._rindou_search_done(serial, at);
    game._free(at);
    if (delivered) stop();
    else failed();
  };
  const onError = (e) => {
    e.preventDefault();
    failed();
  };
  worker.addEventListener('message', onMessage);
  worker.addEventListener('error', onError);
  const cap = setTimeout(failed, WORKER_GIVEN_UP_MS);
  worker.postMessage({ serial, request, capMs: SEARCH_CAP_MS, build: BUILD_ID });
}

// Files of another build than this page's met: reload once, so that the
// page and all it runs come from one build; past that, `otherwise`.
export function anotherBuild(otherwise) {
  let again = false;
  try {
    again = sessionStorage.getItem(RELOADED_KEY) === BUILD_ID;
    if (!again) sessionStorage.setItem(RELOADED_KEY, BUILD_ID);
  } catch {
    again = true;
  }
  if (again) {
    otherwise();
    return;
  }
  document.body.dataset.state = 'reloading';
  location.reload();
}

export function run(call) {
  if (!game || game._rindou_ended() || !window.rindouResume.accepts()) return;
  window.rindouResume.acted();
  call();
}

// The instance the page plays, and the surface it draws on, once made.
export function setGame(m) {
  game = m;
}
export function setSurface(s) {
  surface = s;
}

// The screen of a game that has ended.
export const ENDED_KEY = 'rindou.ended';
export function showEnded(words) {
  document.body.dataset.state = 'ended';
  document.body.classList.add('ended');
  closeMenus();
  document.documentElement.lang = words.lang || document.documentElement.lang;
  document.getElementById('ended-title').textContent = words.title || '';
  document.getElementById('ended-text').textContent = words.text || '';
  document.getElementById('ended-again').textContent = words.button || 'Start again';
  document.getElementById('ended').hidden = false;
  document.getElementById('ended-again').focus();
}
document.getElementById('ended-again').addEventListener('click', () => {
  try {
    sessionStorage.removeItem(ENDED_KEY);
  } catch {
    // Nothing was noted.
  }
  location.reload();
});
