// Size and arrangement: the page's canvas fitted to the screen, the
// arrangement the view chooses for it (the desktop's picture, or its parts
// laid out anew on a phone) and its controls.
import { game, surface, canvas } from './game.js';
import { TWIPS_PER_PIXEL, NATURAL_W, NATURAL_H } from './surface.js';
import { closeMenus, control, menuEntries, menuToggle, placeMenu } from './menu.js';
import { yieldToPage } from './wasm.js';

// The view decides where everything stands: on the desktop the picture as
// the window shows it, on a phone its parts laid out anew (the board at
// the screen's width, the hands beside it, big controls).  The shape is
// chosen again on every turn of the screen.
export const DESKTOP = 0;
const arrangements = new Map();
export let arranged = null;
export const frame = document.getElementById('board-frame');
const controls = document.getElementById('controls');
let compositePending = false;

// On a phone the screen's picture is shown in strips across it, each a
// canvas of its own, under the page's board canvas, which there shows
// nothing and still takes the presses and the focus.  The browser hands a
// changed canvas to the screen in a buffer of the canvas's size, the first
// few of them made afresh: a phone screen's worth of memory at once held a
// slow phone's frame too long, a strip's is a fraction of it.  A frame
// that changes a strip copies only that strip.  The cost goes with the
// memory the browser takes afresh, so each strip holds about the same
// number of device pixels, whatever the screen: a phone's screen at three
// device pixels to a CSS pixel comes to eight strips.
const STRIP_PIXELS = 384 * 1024;
const stripBox = document.createElement('div');
stripBox.id = 'board-strips';
stripBox.setAttribute('aria-hidden', 'true');
stripBox.hidden = true;
// Not the imported board canvas: this module may run before the one that
// exports it.
frame.insertBefore(stripBox, document.getElementById('board'));
// Each strip: its canvas, its context and its first row of the screen's
// device pixels.
let strips = [];
// The whole screen's device pixels, and its CSS width, as the strips show it.
let extent = { width: 1, height: 1, cssWidth: 1 };
// On a phone the canvas fills the screen; the arrangement stands centred
// in it, `unit` CSS pixels to its unit, from `origin` (CSS pixels).
export let unit = 1;
export let origin = { x: 0, y: 0 };
// Where the board's own background lies bare in the picture (under the
// lower hand's captions), to fill the room between the parts with.
const BARE = [1300 + 615 * 12, 100 + 690 * 10, 1300 + 615 * 13, 100 + 690 * 11];

// The window's size, read once after each change of it: reading it has
// the browser lay out at once whatever the page changed since the last
// frame, and the start reads it in tasks long enough already.  Read first
// just after a frame, with nothing to lay out.  Forgotten at a resize
// before the page's own listeners hear of it.
let viewport = null;
window.addEventListener('resize', () => { viewport = null; });
export function viewportSize() {
  if (!viewport) viewport = { width: window.innerWidth, height: window.innerHeight };
  return viewport;
}

function arrangementOf(shape) {
  if (!arrangements.has(shape))
    arrangements.set(shape, JSON.parse(game.UTF8ToString(game._rindou_arrangement(shape))));
  return arrangements.get(shape);
}

// The side to move, as the game's state says (1 upper, -1 lower, 0
// none), and whether the lower side moves first.
function turn() {
  const show = game.UTF8ToString(game._rindou_show());
  const m = / side (-?\d+) sente (-?\d+) .* lower (-?\d+) upper (-?\d+)/.exec(show);
  const over = /winner (-?\d+)/.exec(show);
  if (!m) return { side: 0, lowerFirst: true, named: false };
  const lowerFirst = m[2] === m[3];
  // Before the first game no side is anyone yet.
  const named = m[1] !== '0' || !/ move 0 /.test(show);
  if (over && over[1] !== '0') return { side: 0, lowerFirst, named };
  return { side: m[1] === m[4] ? 1 : m[1] === m[3] ? -1 : 0, lowerFirst, named };
}

// The strips for a screen of `cssW` by `cssH` CSS pixels at `dpr`.  Each
// strip starts at a whole CSS pixel that is also a whole device pixel, so
// that it shows its pixels as they are, unscaled; a screen whose ratio
// allows no such row nearby is shown in fewer strips.
function shapeStrips(cssW, cssH, dpr) {
  extent = { width: Math.max(1, Math.ceil(cssW * dpr)), height: Math.max(1, Math.ceil(cssH * dpr)),
             cssWidth: cssW };
  const tops = [0];
  const count = Math.max(1, Math.ceil(extent.width * extent.height / STRIP_PIXELS));
  for (let i = 1; i < count; ++i) {
    const want = Math.round(cssH * i / count);
    for (let d = 0; d <= 16; ++d) {
      const y = [want - d, want + d].find((v) => v > tops[tops.length - 1] && v < cssH &&
                                          Math.abs(v * dpr - Math.round(v * dpr)) < 1e-6);
      if (y !== undefined) {
        tops.push(y);
        break;
      }
    }
  }
  while (strips.length > tops.length) strips.pop().canvas.remove();
  while (strips.length < tops.length) {
    const c = document.createElement('canvas');
    stripBox.appendChild(c);
    strips.push({ canvas: c, g: c.getContext('2d'), top: 0 });
  }
  stripBox.style.width = `${cssW}px`;
  strips.forEach((strip, i) => {
    const cssTop = tops[i];
    const cssBottom = i + 1 < tops.length ? tops[i + 1] : cssH;
    strip.top = Math.round(cssTop * dpr);
    const bottom = i + 1 < tops.length ? Math.round(cssBottom * dpr) : extent.height;
    strip.canvas.style.width = `${cssW}px`;
    strip.canvas.style.height = `${cssBottom - cssTop}px`;
    strip.canvas.width = extent.width;
    strip.canvas.height = Math.max(1, bottom - strip.top);
  });
  stripBox.hidden = false;
}

// No strips on the desktop, where the board canvas shows the picture: their
// memory is given back.
function dropStrips() {
  for (const strip of strips) {
    strip.canvas.width = 0;
    strip.canvas.height = 0;
  }
  stripBox.hidden = true;
}

// Runs `draw` on each strip's context, which takes the whole screen's
// device pixels as its own: each shows its part of the same drawing.
function onStrips(draw) {
  for (const strip of strips) {
    strip.g.setTransform(1, 0, 0, 1, 0, -strip.top);
    draw(strip.g);
  }
}

// The device pixels shown at (x, y, w, h) of the board, copied onto `g`
// at its corner (a dragged piece's ghost).
export function copyShown(g, x, y, w, h) {
  if (!arranged || arranged.shape === DESKTOP) {
    g.drawImage(canvas, x, y, w, h, 0, 0, w, h);
    return;
  }
  // A strip clips the part of the rectangle it does not hold.
  for (const strip of strips) g.drawImage(strip.canvas, x, y - strip.top, w, h, 0, 0, w, h);
}

// The board's device pixels to a CSS pixel, as shown.
export function shownScale() {
  if (!arranged || arranged.shape === DESKTOP) return canvas.width / canvas.getBoundingClientRect().width;
  return extent.width / extent.cssWidth;
}

export function scheduleComposite() {
  if (compositePending || !arranged || arranged.shape === DESKTOP) return;
  if (!composedOnce) {
    composeFirst();
    return;
  }
  compositePending = true;
  requestAnimationFrame(() => {
    compositePending = false;
    composite();
  });
}

// The first composition is made on the page's canvas while the canvas is
// hidden, a part in each task, and shown whole in one frame: the screen's
// every pixel scaled from the picture in the frame that shows it held a
// slow phone's thread the longest of all the page's start, and so did
// copying it whole from a canvas apart.  Hidden, the canvas has none of
// its pixels taken to the screen until it shows.  Later compositions, a
// few parts changed, are made in the frame that shows them, as they come.
let composedOnce = false;
let composingFirst = false;
let composedWaiters = [];

// Resolves once the arrangement's first composition is on the page's
// canvas (at once on the desktop, which shows the picture itself), before
// the frame that shows it.
export function composed() {
  if (composedOnce || !arranged || arranged.shape === DESKTOP) return Promise.resolve();
  const shown = new Promise((resolve) => composedWaiters.push(resolve));
  composeFirst();
  return shown;
}

async function composeFirst() {
  if (composingFirst || !surface.ops.length || surface.painting) return;
  composingFirst = true;
  // What changes while the parts are made (a picture that came, the
  // screen turned) has the whole made again in the frame that shows it.
  let stale = false;
  const before = surface.changed;
  surface.changed = () => {
    stale = true;
    if (before) before();
  };
  const size = extent;
  endWarm();
  stripBox.style.visibility = 'hidden';
  for (const step of partSteps()) {
    await yieldToPage();
    if (stale) break;
    onStrips(step);
  }
  surface.changed = before;
  composingFirst = false;
  composedOnce = true;
  if (stale || !arranged || arranged.shape === DESKTOP || extent.width !== size.width ||
      extent.height !== size.height) {
    composite();
  } else {
    onStrips(marks());
  }
  stripBox.style.visibility = '';
  for (const resolve of composedWaiters.splice(0)) resolve();
}

// One transparent pixel drawn on a strip: its memory is taken, and it
// changes, with nothing shown.
function touch(g) {
  g.save();
  g.setTransform(1, 0, 0, 1, 0, 0);
  g.globalCompositeOperation = 'copy';
  g.fillStyle = 'rgba(0, 0, 0, 0)';
  g.fillRect(0, 0, 1, 1);
  g.restore();
}

// The memory of the strips, taken ahead, each in a task of its own: taken
// when first drawn on, a phone screen's worth of pixels is long to take
// and clear on a slow phone.
export function takeCanvases() {
  if (composedOnce || !arranged || arranged.shape === DESKTOP) return [];
  return strips.map((strip) => () => touch(strip.g));
}

// The screen's buffers for the strips, taken while the module comes and
// the page's thread idles.  The browser hands each frame of a changed
// canvas to the screen in a buffer of the canvas's size; the first few it
// makes afresh, each long on a slow phone, and later frames reuse them.
// Made while the first board shows, or while the first tap is answered,
// they held those frames the longest of all.  The strips take the size a
// phone's arrangement gives them (the screen's, fitted again the same
// keeps their buffers) and show, still transparent, for a few frames each,
// one strip a frame, then hide again until the first board; the screen
// shows nothing of them meanwhile.  The warming goes on after the page is
// first fitted (the same screen keeps the strips' buffers), until the first
// board is composed.  Two frames make a strip's two buffers; the frames
// after them take turns with those.
const WARM_FRAMES = 2;
let warming = false;
const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
export async function warmCanvasAhead() {
  // Not in the frame that first styles and paints the page the modules
  // have made, already a long one.
  await nextFrame();
  const dpr = window.devicePixelRatio || 1;
  const { width: w, height: h } = viewportSize();
  if (arranged || w < 1 || h < 1) return;
  warming = true;
  canvas.style.width = `${w}px`;
  canvas.style.height = `${h}px`;
  shapeStrips(w, h, dpr);
  stripBox.style.visibility = 'visible';
  // The strips laid out in a frame of their own, and each buffer handed
  // over in one: no frame makes more than one of them.
  await nextFrame();
  // A strip at a time: the frame after a strip's change hands it over
  // again, in a second buffer, so that strips warmed in turn would have
  // one strip's second buffer made with the next one's first.
  // Only the strip being warmed shows: a strip once changed is handed
  // over again in the frames that follow while it shows, and the strips
  // warmed before would add their copies to each frame that makes a
  // buffer.
  // Once the warming has ended (the first board composed meanwhile, or the
  // page fitted for the desktop), the strips' looks are no longer this
  // loop's to change.  A fitting in between may shape the strips anew: the
  // loop warms those there are.
  for (const strip of strips) strip.canvas.style.visibility = 'hidden';
  const warmed = new Set();
  for (;;) {
    const strip = strips.find((s) => !warmed.has(s));
    if (!strip) break;
    warmed.add(strip);
    strip.canvas.style.visibility = '';
    for (let i = 0; i < WARM_FRAMES; ++i) {
      touch(strip.g);
      await nextFrame();
      if (!warming) return;
    }
    strip.canvas.style.visibility = 'hidden';
  }
  endWarm();
}

function endWarm() {
  if (!warming) return;
  warming = false;
  stripBox.style.visibility = '';
  for (const strip of strips) strip.canvas.style.visibility = '';
}

// The arrangement's parts copied from the picture onto the page's canvas.
function composite() {
  if (!arranged || arranged.shape === DESKTOP) return;
  // Nothing drawn yet (the canvas fitted before the game's start): the
  // game's first drawing composes it, and a slow phone is spared a whole
  // composition of an empty picture.
  // Nor a picture still being painted: its last slice composes it.
  if (!surface.ops.length || surface.painting) return;
  for (const step of partSteps()) onStrips(step);
  onStrips(marks());
}

// The arrangement's ground and parts, each step a drawing on a context
// the size of the whole screen.
function partSteps() {
  const dpr = extent.width / extent.cssWidth;
  const k = unit * dpr;
  const p = surface.scale / TWIPS_PER_PIXEL;
  const bare = BARE.map((v) => Math.round(v * p));
  let tile = null;
  // The ground in bands across the screen, a step each: laid whole, the
  // screen's every pixel in one step held a slow phone's thread too long.
  // The pattern starts at the canvas's corner whatever the band, so the
  // bands join as the whole would.
  const BANDS = 3;
  const ground = (band) => (c) => {
    if (!tile) {
      tile = document.createElement('canvas');
      tile.width = Math.max(1, bare[2] - bare[0]);
      tile.height = Math.max(1, bare[3] - bare[1]);
      surface.copy(tile.getContext('2d'), bare[0], bare[1], tile.width, tile.height,
                   0, 0, tile.width, tile.height);
    }
    const top = Math.floor(extent.height * band / BANDS);
    const bottom = Math.floor(extent.height * (band + 1) / BANDS);
    // The tile repeats pixel for pixel: smoothing would change none of
    // them and makes a software canvas sample every pixel of the screen
    // twice as slowly.
    c.imageSmoothingEnabled = false;
    c.fillStyle = c.createPattern(tile, 'repeat');
    c.fillRect(0, top, extent.width, bottom - top);
    c.imageSmoothingEnabled = true;
  };
  const part = ({ from, to }) => (c) => {
    c.save();
    c.translate(Math.round(origin.x * dpr), Math.round(origin.y * dpr));
    surface.copy(c, from[0] * p, from[1] * p, (from[2] - from[0]) * p, (from[3] - from[1]) * p,
                 to[0] * k, to[1] * k, (to[2] - to[0]) * k, (to[3] - to[1]) * k);
    c.restore();
  };
  return [...Array.from({ length: BANDS }, (_, band) => ground(band)), ...arranged.placements.map(part)];
}

// What the picture does not show: each side's name at the head of its
// captions and the frame round the side to move, as a drawing on a context
// the size of the whole screen.
function marks() {
  const dpr = extent.width / extent.cssWidth;
  const k = unit * dpr;
  // The side to move at a glance: a frame of light round its captions
  // and hand.
  const { side, lowerFirst, named } = turn();
  const [first, second] = game.UTF8ToString(game._rindou_side_names()).split('\n');
  frame.dataset.toMove = side === 1 ? 'upper' : side === -1 ? 'lower' : '';
  return (c) => {
    c.save();
    c.translate(Math.round(origin.x * dpr), Math.round(origin.y * dpr));
    // Each side's name at the head of its captions, shadowed as the
    // picture's captions are.
    for (const [a, name] of named ? [[arranged.upperName, lowerFirst ? second : first],
                                     [arranged.lowerName, lowerFirst ? first : second]] : []) {
      const h = (a[3] - a[1]) * k;
      c.font = `bold ${Math.max(8, Math.round(h * 0.5))}px ${surface.fonts}`;
      c.textBaseline = 'middle';
      const x = a[0] * k, y = (a[1] + a[3]) / 2 * k, off = Math.max(1, Math.round(h * 0.05));
      c.fillStyle = surface.palette[0];
      c.fillText(name, x + off, y + off, (a[2] - a[0]) * k);
      c.fillStyle = surface.palette[15] || '#fff';
      c.fillText(name, x, y, (a[2] - a[0]) * k);
    }
    if (side !== 0) {
      const a = side === 1 ? arranged.upper : arranged.lower;
      const band = Math.max(2, Math.round(k * 50));
      c.strokeStyle = '#ffd54a';
      c.lineWidth = band;
      c.strokeRect(a[0] * k + band / 2, a[1] * k + band / 2, (a[2] - a[0]) * k - band,
                   (a[3] - a[1]) * k - band);
    }
    c.restore();
  };
}

// A control's caption size before any shrinking: as large as a button of
// the arrangement's rectangle `to`, at `scale` CSS pixels to its unit,
// holds it.
function captionSize(to, scale) {
  return Math.max(10, Math.min(20, (to[3] - to[1]) * scale * 0.36));
}

// The controls of the arrangement, each a button running the menu
// table's command of its name; a command the table lacks shows none.
function placeControls(scale) {
  controls.replaceChildren();
  if (arranged.shape === DESKTOP) return;
  const captions = new Map(menuEntries().map((e) => [e.name, e.caption]));
  let shrinking = [];
  for (const { command, to } of arranged.controls) {
    if (!captions.has(command)) continue;
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'control';
    b.dataset.command = command;
    b.textContent = captions.get(command);
    b.style.left = `${origin.x + to[0] * scale}px`;
    b.style.top = `${origin.y + to[1] * scale}px`;
    b.style.width = `${(to[2] - to[0]) * scale}px`;
    b.style.height = `${(to[3] - to[1]) * scale}px`;
    b.addEventListener('click', (e) => {
      e.stopPropagation();
      closeMenus();
      control(command);
    });
    controls.appendChild(b);
    // The caption as large as its button holds it, on two lines at most.
    const size = captionSize(to, scale);
    b.style.fontSize = `${size}px`;
    shrinking.push({ b, size });
  }
  // Every caption too large for its button a size smaller, all of them in
  // one round, so that the page is laid out once a round rather than once
  // for each caption at each size.
  while (shrinking.length) {
    const over = shrinking.filter(({ b, size }) =>
      size > 10 && (b.scrollWidth > b.clientWidth || b.scrollHeight > b.clientHeight));
    for (const c of over) {
      c.size -= 1;
      c.b.style.fontSize = `${c.size}px`;
    }
    shrinking = over;
  }
}

// A feature module may take part of the page's room (the study's sheet):
// given the shape and the room (CSS pixels), it places itself and answers
// the part left to the game from the room's top left corner, or null to
// leave the game all of it.
let roomTaker = null;
export function setRoomTaker(taker) {
  roomTaker = taker;
}
function shareRoom(shape, x, y, width, height) {
  const left = roomTaker && roomTaker(shape, x, y, width, height);
  return left || { width, height };
}

// The arrangement for the window as it is, asked of the game ahead of the
// fitting (the first asking is the slow one), so that the fitting that
// lays the page out holds the thread less long.  Resolves once the
// controls' captions have been laid out ahead.
export function prepareFit() {
  const { width, height } = viewportSize();
  arrangementOf(game._rindou_shape_for(width, height));
  return warmCaptions();
}

// A phone's controls' captions laid out once, unseen, at the sizes they
// start at, a few in each frame, before the page is first fitted: the
// first layout of their words (the browser finding the faces that have
// their characters, in the controls' weight) held the fitting's task on
// a slow phone longer than all the rest of it, and all of them in one
// frame held that frame as long.  Resolves after the last of them.
async function warmCaptions() {
  const { width, height } = viewportSize();
  const shape = game._rindou_shape_for(width, height);
  if (shape === DESKTOP) return;
  const a = arrangementOf(shape);
  const u = Math.min(width / a.width, height / a.height);
  const captions = new Map(menuEntries().map((e) => [e.name, e.caption]));
  const shown = a.controls.filter(({ command }) => captions.has(command));
  const EACH_FRAME = 2;
  for (let i = 0; i < shown.length; i += EACH_FRAME) {
    const line = document.createElement('div');
    line.className = 'unseen';
    line.setAttribute('aria-hidden', 'true');
    for (const { command, to } of shown.slice(i, i + EACH_FRAME)) {
      const c = document.createElement('span');
      c.className = 'control';
      c.textContent = captions.get(command);
      c.style.fontSize = `${captionSize(to, u)}px`;
      line.appendChild(c);
    }
    document.body.appendChild(line);
    await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
    line.remove();
  }
}

// Each fitting's number: a placing of controls put off to a later task
// is left to a later fitting that came meanwhile.
let placings = 0;

export function fit() {
  ++placings;
  const view = viewportSize();
  const shape = game._rindou_shape_for(view.width, view.height);
  const before = arranged;
  arranged = arrangementOf(shape);
  document.body.dataset.arrangement = ['desktop', 'portrait', 'landscape'][shape];
  document.body.classList.toggle('phone', shape !== DESKTOP);
  const dpr = window.devicePixelRatio || 1;
  if (shape === DESKTOP) {
    endWarm();
    placeMenu(0);
    const bar = document.getElementById('menubar');
    const top = document.body.classList.contains('drawer') ? menuToggle.offsetHeight : bar.offsetHeight;
    const room = shareRoom(DESKTOP, 0, top, view.width, view.height - top);
    const roomW = room.width;
    const roomH = room.height;
    let s = Math.min(roomW / NATURAL_W, roomH / NATURAL_H);
    // Within a few pixels of the natural size the pictures keep theirs.
    if (Math.abs(s - 1) < 0.01) s = 1;
    s = Math.max(s, 0.1);
    const cssW = Math.floor(NATURAL_W * s), cssH = Math.floor(NATURAL_H * s);
    canvas.style.width = `${cssW}px`;
    canvas.style.height = `${cssH}px`;
    const width = Math.ceil(cssW * dpr), height = Math.ceil(cssH * dpr);
    placeControls(0);
    dropStrips();
    if (before === arranged && surface.canvas === canvas && surface.canvas.width === width &&
        surface.canvas.height === height && surface.scale === s * dpr)
      return;
    surface.retarget(canvas);
    surface.setGeometry(width, height, s * dpr);
    return;
  }
  // A phone: the canvas fills the screen, the arrangement as large as
  // the screen holds it, centred.
  const { width: cssW, height: cssH } = shareRoom(shape, 0, 0, view.width, view.height);
  unit = Math.max(0.001, Math.min(cssW / arranged.width, cssH / arranged.height));
  origin = { x: Math.floor((cssW - arranged.width * unit) / 2),
             y: Math.floor((cssH - arranged.height * unit) / 2) };
  canvas.style.width = `${cssW}px`;
  canvas.style.height = `${cssH}px`;
  // The board canvas shows nothing here: the strips show the screen.
  canvas.width = 1;
  canvas.height = 1;
  shapeStrips(cssW, cssH, dpr);
  // Before the first board shows, nothing of the page shows: the controls
  // are placed after the frame that lays the page out for the phone, in a
  // task of their own, the two together being the longest part of the
  // fitting on a slow phone.  A later fitting places them at once, in the
  // frame that shows the board so fitted.
  const placing = placings;
  // The menu's button and drawer at once: the menus join the page before
  // the controls are placed, and would show as a bar meanwhile.
  placeMenu(unit);
  const place = () => {
    if (placing !== placings) return;
    placeControls(unit);
  };
  if (composedOnce || surface.ops.length) {
    place();
  } else {
    requestAnimationFrame(() => setTimeout(place, 0));
    // The hit test's first answer, asked ahead in a task of its own: the
    // game's code for it runs slowly the first time, and the first tap
    // would wait for it.
    setTimeout(() => game._rindou_hit(shape, -1, -1), 0);
  }
  // The picture apart at the scale its board shows at.
  const scale = unit * dpr * TWIPS_PER_PIXEL;
  surface.retargetApart();
  surface.setGeometry(Math.ceil(NATURAL_W * scale), Math.ceil(NATURAL_H * scale), scale);
  // Before the game has drawn anything there is nothing to lay out: the
  // game's first drawing composes the arrangement at the next frame.
  if (surface.ops.length) composite();
}


// The arrangement chosen anew, as after a change of language (the
// controls' captions, and the menu bar's length, change with it).
export function refit() {
  if (!arranged) return;
  arranged = null;
  fit();
}
