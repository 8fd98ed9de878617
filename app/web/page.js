// The page around the game's module: it starts the game once the module,
// the pictures, the sounds and the kept games are in, and registers the
// page's offline copy.  The page's parts are modules of their own:
//   wasm.js          the module compiled once, its instances, the build id,
//                    the kinds of wait as the module numbers them
//   console.js       the console (window.rindouConsole)
//   surface.js       the canvas the game draws on, and its pictures
//   boxes.js         the notice, question and about boxes
//   sound.js         the game's sounds on Web Audio
//   kept.js          the kept games in IndexedDB
//   game.js          the game's instance and the hooks it calls, the search
//                    worker, the screen of a game that has ended
//   record_panel.js  the record panel and the kept games shown in it
//   menu.js          the menu bar, the drawer, the commands
//   arrangement.js   the canvas fitted to the screen, a phone's arrangement
//   input.js         presses, taps, drags and keys, the board's keys
//   access.js        the moves said in words, the names of the controls
//   features.js      what a feature module (the study, online play) hooks
//                    into; the study is loaded while the game's module
//                    comes, online play once the first board shows
import { BUILD_ID, compiled, instance, yieldToPage } from './wasm.js';
import { Surface, fetchFirstPicturesAhead, rememberFirstPictures, warmFonts, warmFontsAhead } from './surface.js';
import { sound, listDataFiles, loadDataFiles } from './sound.js';
import { kept } from './kept.js';
import { game, surface, canvas, hooks, anotherBuild, setGame, setSurface, showEnded,
         ENDED_KEY, firstBoard, startGame } from './game.js';
import { buildMenus, menuEntries, retranslate } from './menu.js';
import { setBoxTexts } from './boxes.js';
import { DESKTOP, fit, prepareFit, scheduleComposite, takeCanvases, viewportSize, warmCanvasAhead } from './arrangement.js';
import { started } from './features.js';
import './console.js';
import './record_panel.js';
import './input.js';

async function start() {
  // Each step of the start runs in a task of its own, the first too: the
  // page's modules ran in the task before, with the end of the page's
  // parsing, and together they held a slow phone's thread long already.
  await yieldToPage();
  // A game that ended in this tab stays ended across a reload, until the
  // person starts again.
  let ended = null;
  try {
    ended = JSON.parse(sessionStorage.getItem(ENDED_KEY) || 'null');
  } catch {
    ended = null;
  }
  if (ended && typeof ended === 'object') {
    showEnded(ended);
    document.body.dataset.ready = 'true';
    keepOffline();
    return;
  }
  // The first board's pictures come while the module is made into the
  // game and the menus are laid out, rather than once the game has started
  // and asked for them.  Not sooner: on a slow connection they would share
  // it with the module, which everything else waits for.
  const picturesAhead = compiled.then(fetchFirstPicturesAhead, () => {});
  // The page's thread idles while the module comes: the fonts are read
  // from the disk and the audio context is made then, rather than while
  // the first board is laid out or the first tap is answered.
  warmFontsAhead();
  await yieldToPage();
  sound.prepareAhead();
  warmCanvasAhead();
  // The study adds entries to the menus, so it is in before they are
  // built; run in a task of its own rather than with the page's modules.
  // The page goes on without it if it fails.
  const studyLoaded = yieldToPage().then(() => import('./study.js'))
    .catch((e) => console.warn('rindou: no study', e));
  await yieldToPage();
  const soundsListed = listDataFiles();
  // The page's thread is free between the steps for input and frames: on
  // a slow phone the steps together hold it for most of a second.
  setGame(await instance({ rindouHooks: hooks }));
  performance.mark('rindou-instance');
  await yieldToPage();
  if (game.UTF8ToString(game._rindou_build_id()) !== BUILD_ID) {
    const module = game;
    setGame(null);
    anotherBuild(() => {
      throw new Error(`the page's module ${module.UTF8ToString(module._rindou_build_id())} ` +
                      `is of another build than the page ${BUILD_ID}`);
    });
    return;
  }
  const look = JSON.parse(game.UTF8ToString(game._rindou_look()));
  await Promise.all([soundsListed,
                     kept.open(game._rindou_record_limit(), game._rindou_kept_list_limit())]);
  performance.mark('rindou-kept');
  setSurface(new Surface(canvas, look));
  surface.changed = scheduleComposite;
  // The menus in the words of the language the page starts in.
  setBoxTexts(JSON.parse(game.UTF8ToString(game._rindou_box_texts())));
  await yieldToPage();
  // The game's first answers about its menus and its arrangement are the
  // slow ones (its code for them runs for the first time): asked ahead,
  // each in a task of its own, they leave the task that lays the page out
  // short.  The entries are asked again there, as they stand then.
  menuEntries();
  await yieldToPage();
  const captionsLaid = prepareFit();
  await studyLoaded;
  await yieldToPage();
  const showMenus = buildMenus(menuEntries());
  await yieldToPage();
  if (game._rindou_shape_for(viewportSize().width, viewportSize().height) === DESKTOP) {
    // In the same task as the menus shown: a frame between them would show
    // the page laid out without its canvas fitted, and then shift it.
    showMenus();
    fit();
  } else {
    // A phone's menus go into a drawer that is closed, and its arrangement
    // needs nothing of them: fitted first, the page is laid out without
    // them, and the menus then join it in a task of their own, unseen.
    // Not in the frame that lays out the controls' captions ahead.
    await captionsLaid;
    fit();
    await yieldToPage();
    showMenus();
  }
  window.addEventListener('resize', fit);
  for (const step of surface.groundSteps()) {
    await yieldToPage();
    step();
  }
  for (const step of takeCanvases()) {
    await yieldToPage();
    step();
  }
  // The board's fonts at the sizes it draws them, each in a task of its
  // own: the desktop's names first, which the page looked for nowhere yet,
  // then the whole list at each size, so that the game's first drawing
  // finds them all at hand.
  await warmFonts(look.fonts.map((f) => [`16px "${f}"`, `bold 16px "${f}"`]).flat().concat(
    [12, 16].flatMap((size) => [false, true].map((bold) => surface.font(size, bold, surface.scale)))));
  // The game's first drawing waits for the pictures it will likely draw,
  // which are on their way: drawn as they come, its calls would wait in
  // the list and the whole board be drawn again when the last came, a long
  // while on a slow phone.  Not for ever: on a connection that stalls the
  // game starts without them, and draws them as they come.
  await Promise.race([picturesAhead, new Promise((resolve) => setTimeout(resolve, 2000))]);
  // The game's start alone in its task: on a slow phone it is the longest
  // step of all, and the last font or the pictures' arrival end in the
  // task that would otherwise run it.
  await yieldToPage();
  // The clock's tick; the game knows whether its clock runs.
  window.rindouClockTicks = 0;
  setInterval(() => { if (game && game._rindou_tick()) window.rindouClockTicks += 1; }, 50);
  performance.mark('rindou-start');
  // The board it draws is painted in slices after it (see paintLater).
  startGame();
  performance.mark('rindou-started');
  // The game put aside goes on at the next visit (resume.js), before any
  // input could reach the new game, so in the same task as the start;
  // leaving the page keeps only a game that could not be put aside, as
  // leaving the program does.
  window.rindouResume.start(game);
  window.addEventListener('pagehide', () => window.rindouResume.leave());
  await yieldToPage();
  // The start read the settings: the texts are in the language kept there.
  retranslate();
  // For tests and the curious: the game's state as the console shows it.
  window.rindouShow = () => game.UTF8ToString(game._rindou_show());
  // 0 when nothing waits, else 1 + the kind of the wait (5: a search).
  window.rindouWaiting = () => game._rindou_waiting();
  await yieldToPage();
  started();
  // The page is ready once its first board shows whole. What that board did
  // not need comes after it: the sounds, the pictures not drawn yet, and
  // then the offline copy, which fetches every file again and so must not
  // compete with the page's own.
  await firstBoard;
  document.body.dataset.ready = 'true';
  rememberFirstPictures(surface);
  // Online play needs no part of the first board: its module comes after
  // it rather than sharing a slow connection with the game's module.
  import('./online.js').catch((e) => console.warn('rindou: no online play', e));
  // Not while the person's first tap is being answered: after it, or once
  // the page has shown its board a second untouched.
  await firstInputOrQuiet(1000);
  await Promise.all([loadDataFiles(), surface.fetchTheRest(yieldToPage)]);
  document.body.dataset.complete = 'true';
  keepOffline();
}

// Resolves once the frame after the person's first press or key has been
// drawn, or after `ms` without one.
function firstInputOrQuiet(ms) {
  return new Promise((resolve) => {
    let timer = null;
    const done = () => {
      clearTimeout(timer);
      document.removeEventListener('pointerup', pressed, true);
      document.removeEventListener('keyup', pressed, true);
      requestAnimationFrame(() => setTimeout(resolve, 0));
    };
    const pressed = () => done();
    timer = setTimeout(done, ms);
    document.addEventListener('pointerup', pressed, true);
    document.addEventListener('keyup', pressed, true);
  });
}

// The page works offline and can be installed once its service worker has
// kept its files.
function keepOffline() {
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('service_worker.js').catch((e) => {
      console.warn('rindou: no offline copy', e);
    });
  }
}

start().catch((e) => {
  document.body.dataset.state = 'failed';
  console.error(e);
});
