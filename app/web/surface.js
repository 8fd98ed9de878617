// The surface the game draws on: every drawing call lands on a canvas at
// once and is kept in a display list, so that the board can be drawn anew
// at any size and pixel ratio; and the pictures it draws, each fetched when
// it is first drawn (or ahead of it, for the first board), in the density
// the screen shows it at.

export const TWIPS_PER_PIXEL = 15;
const SYSTEM_MINCHO = ['Hiragino Mincho ProN', 'Yu Mincho', 'YuMincho', 'Noto Serif CJK JP',
                       'Noto Serif JP'];
// The board's natural size in pixels, as the window shows it.
export const NATURAL_W = 707;
export const NATURAL_H = 555;

// A picture kept apart (a phone's arrangement shows parts of it) is drawn
// on bands of rows, each a canvas of its own.  The browser takes a
// canvas's memory, and clears it, when it is first drawn on: the picture
// of a phone's board taken at once held a slow phone's thread longer than
// any other step of the page's start, and a band's is a fraction of it,
// taken in a task of its own.  Each band also holds a few rows of its
// neighbours, so that a part copied from across two bands comes out as it
// would from one canvas.
const BAND_PIXELS = 384 * 1024;
const BAND_OVERLAP = 8;

// Every drawing call lands on the canvas at once and is kept in a display
// list, so that the board can be drawn anew at any size and pixel ratio.
export class Surface {
  constructor(canvas, look) {
    this.retarget(canvas);
    this.palette = look.palette.map(([r, g, b]) => `rgb(${r},${g},${b})`);
    // The desktop's fonts, then the Mincho each other system has: the page
    // ships no font of its own.
    this.fonts = look.fonts.concat(SYSTEM_MINCHO).map((f) => `"${f}"`).concat(['serif']).join(', ');
    // code -> { stem, normal, large, asked: { normal, large } }; a picture
    // is fetched when first drawn, in the density it shows at, so that a
    // slow connection brings the first board only what it draws.
    this.pictures = new Map(Object.entries(look.pictures).map(([code, stem]) =>
      [Number(code), { stem, normal: null, large: null, asked: {} }]));
    // Drawn pictures that have not come yet: their calls wait in the list
    // and are painted when they come.
    this.waiting = 0;
    // The files asked for, in the order asked.
    this.fetched = [];
    this.settledWaiters = [];
    this.rebuildPending = false;
    // While set ({ from }: the first call not painted yet), calls are kept
    // in the list and painted a few at a time in tasks of their own, rather
    // than within the game's call that made them (see paintLater).
    this.painting = null;
    this.ops = [];
    this.nextCompaction = 4096;
    this.scale = 1;
    this.measure = document.createElement('canvas').getContext('2d');
    this.measured = new Map();
    // Called after every change of the picture (a phone's arrangement
    // shows parts of it elsewhere).
    this.changed = null;
  }

  // The picture drawn on the page's own canvas.
  retarget(canvas) {
    this.canvas = canvas;
    this.apart = false;
    this.bands = [{ canvas, ctx: canvas.getContext('2d'), top: 0, bottom: Infinity, from: 0, laid: true }];
  }

  // The picture kept apart, in bands, whose parts an arrangement shows
  // (see copy).
  retargetApart() {
    if (this.apart) return;
    this.canvas = null;
    this.apart = true;
    this.bands = [];
  }

  // The picture kept apart shaped in bands for `width` by `height` device
  // pixels, each band's canvas placed so that the picture's own rows draw
  // on it.  Their memory is taken when first drawn on.
  shapeBands(width, height) {
    const count = Math.max(1, Math.ceil(width * height / BAND_PIXELS));
    while (this.bands.length > count) this.bands.pop();
    while (this.bands.length < count) {
      const canvas = document.createElement('canvas');
      this.bands.push({ canvas, ctx: canvas.getContext('2d') });
    }
    this.bands.forEach((band, i) => {
      band.top = Math.floor(height * i / count);
      band.bottom = Math.floor(height * (i + 1) / count);
      band.from = Math.max(0, band.top - BAND_OVERLAP);
      band.canvas.width = Math.max(1, width);
      band.canvas.height = Math.max(1, Math.min(height, band.bottom + BAND_OVERLAP) - band.from);
      band.laid = false;
    });
  }

  // Copies the part (sx, sy, sw, sh) of the picture onto (dx, dy, dw, dh)
  // of `g`, as drawImage would from one canvas.  A part across bands is
  // copied from each band onto the rows of `g` its own rows fall on, cut at
  // whole rows of `g`'s own (its transform moves by whole pixels), where
  // the band's neighbouring rows keep the edge's smoothing as one canvas
  // would have it.
  copy(g, sx, sy, sw, sh, dx, dy, dw, dh) {
    const hit = this.bands.filter((b) => b.top < sy + sh && b.bottom > sy);
    if (hit.length === 1) {
      g.drawImage(hit[0].canvas, sx, sy - hit[0].from, sw, sh, dx, dy, dw, dh);
      return;
    }
    const k = dh / sh;
    const edge = (row) => Math.round(dy + (row - sy) * k);
    hit.forEach((b, i) => {
      const top = i === 0 ? Math.floor(dy) - 1 : edge(b.top);
      const bottom = i === hit.length - 1 ? Math.ceil(dy + dh) + 1 : edge(b.bottom);
      if (bottom <= top) return;
      g.save();
      g.beginPath();
      g.rect(Math.floor(dx) - 1, top, Math.ceil(dw) + 2, bottom - top);
      g.clip();
      g.drawImage(b.canvas, sx, sy - b.from, sw, sh, dx, dy, dw, dh);
      g.restore();
    });
  }

  device(twips) {
    return Math.floor(twips / TWIPS_PER_PIXEL * this.scale + 0.5);
  }

  // Twips at the centre of a device pixel.
  twipsOfDevice(pixel) {
    return (pixel + 0.5) * TWIPS_PER_PIXEL / this.scale;
  }

  font(size, bold, scale) {
    const px = Math.max(1, Math.round(size * 4 / 3 * scale));
    return `${bold ? 'bold ' : ''}${px}px ${this.fonts}`;
  }

  setGeometry(width, height, scale) {
    this.width = Math.max(1, width);
    this.height = Math.max(1, height);
    if (this.apart) {
      this.shapeBands(this.width, this.height);
    } else {
      this.canvas.width = this.width;
      this.canvas.height = this.height;
    }
    this.scale = scale > 0 ? scale : 1;
    this.rebuild();
  }

  rebuild() {
    // Everything in the list is painted here: nothing is left for later.
    if (this.painting) this.painting.from = this.ops.length;
    // A picture kept apart with nothing drawn on it yet is shown nowhere:
    // its ground is laid later, in a task of its own or else with the first
    // call painted on it, so that the page's fitting, before the game has
    // drawn, does not also hold the thread to fill a picture the size of
    // the board.
    this.bare = this.apart && !this.ops.length;
    if (this.bare) {
      if (this.changed) this.changed();
      return;
    }
    this.fillGround();
    for (const op of this.ops) this.paint(op);
    if (this.changed) this.changed();
  }

  // The ground of a picture kept apart, laid now on each band that nothing
  // has drawn on yet, a band a step: the page lays them before the game
  // draws, each in a task of its own, since a band's memory is taken when
  // it is first drawn on.
  groundSteps() {
    if (!this.bare) return [];
    // By place, not by band: a fitting in between may shape them anew.
    return this.bands.map((_, i) => () => {
      const band = this.bands[i];
      if (this.bare && band && !band.laid) this.layBand(band);
      if (this.bands.every((b) => b.laid)) this.bare = false;
    });
  }

  // The first drawing on a band, after each shaping: its memory is taken
  // here (even its transform takes it, so that is set here too).
  layBand(band) {
    band.laid = true;
    band.ctx.setTransform(1, 0, 0, 1, 0, -band.from);
    band.ctx.fillStyle = this.palette[2];
    band.ctx.fillRect(0, band.from, band.canvas.width, band.canvas.height);
  }

  fillGround() {
    this.bare = false;
    for (const band of this.bands) this.layBand(band);
  }

  drawImage(code, x, y) {
    const p = this.pictures.get(code);
    if (!p || p.missing) return;  // a code without a picture draws nothing
    const op = { kind: 'image', value: code, x1: x, y1: y, x2: x, y2: y, waiting: true };
    if (!p.normal && !p.large) this.takeAhead(code, this.scale > 1.25 ? 'large' : 'normal');
    if (this.sized(op)) {
      this.add(op);
      return;
    }
    // Not here yet: the call waits in the list, in its place, until the
    // picture comes.
    this.waiting += 1;
    this.ops.push(op);
    this.fetch(code, this.scale > 1.25 ? 'large' : 'normal');
  }

  // A picture fetched ahead that has already come is drawn at once, not
  // after a wait for a promise, so that the game's first drawing needs no
  // second one.
  takeAhead(code, density) {
    const p = this.pictures.get(code);
    const file = `pictures/${p.stem}${density === 'large' ? '@2x' : ''}.png`;
    if (p.asked[density] || !cameAhead.has(file)) return;
    p[density] = cameAhead.get(file);
    cameAhead.delete(file);
    ahead.delete(file);
    p.asked[density] = true;
    this.fetched.push(file);
  }

  // An image call's extent from its picture's natural size, once either
  // density of it has come.
  sized(op) {
    const p = this.pictures.get(op.value);
    const w = p.normal ? p.normal.width : p.large ? p.large.width / 2 : 0;
    const h = p.normal ? p.normal.height : p.large ? p.large.height / 2 : 0;
    if (!w) return false;
    op.x2 = op.x1 + w * TWIPS_PER_PIXEL;
    op.y2 = op.y1 + h * TWIPS_PER_PIXEL;
    delete op.waiting;
    return true;
  }

  // Fetches a picture in one density; the other density stands in if this
  // one is missing.  A picture fetched for later is decoded when first
  // drawn, not as it comes.
  fetch(code, density, forLater = false) {
    const p = this.pictures.get(code);
    if (p.asked[density]) return null;
    p.asked[density] = true;
    const file = `pictures/${p.stem}${density === 'large' ? '@2x' : ''}.png`;
    this.fetched.push(file);
    return pictureFile(file, forLater).then((img) => {
      p[density] = img;
      // A large picture that is not twice the natural one is not used.
      if (p.normal && p.large && (p.large.width !== p.normal.width * 2 ||
                                  p.large.height !== p.normal.height * 2))
        p.large = null;
      if (!img && !p.asked[density === 'large' ? 'normal' : 'large'])
        return this.fetch(code, density === 'large' ? 'normal' : 'large', forLater);
      if (!p.normal && !p.large) p.missing = true;
      this.arrived(code);
      return null;
    });
  }

  // A picture came (or surely will not): the calls that waited for it take
  // their places, and the picture is drawn anew at the next frame.
  arrived(code) {
    const p = this.pictures.get(code);
    if (p.missing) {
      const before = this.ops.length;
      this.ops = this.ops.filter((op) => !(op.waiting && op.value === code));
      this.waiting -= before - this.ops.length;
    } else {
      for (const op of this.ops)
        if (op.waiting && op.value === code && this.sized(op)) this.waiting -= 1;
    }
    // One drawing anew once all that waits has come, not one for each
    // picture as it comes: drawing the whole picture is long on a slow
    // phone.
    if (this.rebuildPending || this.waiting > 0) return;
    // A picture fetched ahead of its first drawing changes nothing drawn.
    if (!this.ops.some((op) => op.kind === 'image' && op.value === code) && !this.settledWaiters.length)
      return;
    this.rebuildPending = true;
    requestAnimationFrame(() => {
      this.rebuildPending = false;
      this.rebuild();
      if (this.waiting === 0)
        for (const resolve of this.settledWaiters.splice(0)) resolve();
    });
  }

  // Whether a picture covers all it is drawn over: every density of it
  // here is wholly opaque (weighed once each, and only when the list is
  // compacted).
  opaque(code) {
    const p = this.pictures.get(code);
    let any = false;
    for (const img of [p.normal, p.large]) {
      if (!img) continue;
      if (img.rindouOpaque === undefined) img.rindouOpaque = isOpaque(img);
      if (!img.rindouOpaque) return false;
      any = true;
    }
    return any;
  }

  // The game's first drawing, on a picture kept apart from the page (a
  // phone's arrangement shows parts of it): the calls the game makes while
  // `draw` runs are only listed, then painted in slices of a few
  // milliseconds, each in a task of its own, so that the game's start and
  // the painting of a whole board do not hold a slow phone's thread
  // together.  No arrangement is composed from the picture until the last
  // slice is painted.  Resolves once it is.
  paintLater(draw, yieldToPage) {
    if (!this.apart || this.painting) {
      draw();
      return Promise.resolve();
    }
    const later = { from: this.ops.length };
    this.painting = later;
    try {
      draw();
    } catch (e) {
      // What was listed is painted at once, as without the slices.
      this.painting = null;
      this.rebuild();
      throw e;
    }
    return (async () => {
      // A slice's calls are only recorded while its script runs: the
      // browser rasters them after it, and that takes several times as
      // long as the script (a whole board's pictures scaled to a phone's
      // density).  So a slice is sized by what the slices before it cost
      // from their start to the start of the next, raster included, aiming
      // well under the 50 ms that counts as a long task.  A slice's raster
      // is not always done before the next slice starts: it then lands in
      // the next one's time, which alone would look cheap and grow the one
      // after it far too much.  Hence the dearer of the last two, a growth
      // of at most half again from one slice to the next, and never more
      // pictures than cover half the canvas.  A slice is weighed by the
      // device pixels its pictures cover plus a share for each call, since
      // a board's background of many small tiles rasters as slowly as a
      // few large pictures do.  The first is small because nothing is
      // known yet; the script's own few milliseconds still bound a slice
      // whose calls raster quickly.
      const SLICE_MS = 30;
      const CALL_WEIGHT = 4096;
      const most = this.width * this.height / 2;
      let budget = 8 * CALL_WEIGHT;
      let last = null;
      const costs = [];
      while (later.from < this.ops.length) {
        await yieldToPage();
        // The whole list painted meanwhile (the canvas fitted anew).
        if (later.from >= this.ops.length) break;
        const start = performance.now();
        if (last !== null) {
          costs.push(Math.max(1, start - last.start) / last.weight);
          if (costs.length > 2) costs.shift();
          budget = Math.max(CALL_WEIGHT, Math.min(1.5 * last.weight, SLICE_MS / Math.max(...costs), most));
        }
        const until = start + 8;
        let weight = 0;
        while (later.from < this.ops.length && performance.now() < until && weight < budget) {
          const op = this.ops[later.from++];
          weight += CALL_WEIGHT;
          if (op.kind === 'image')
            weight += (this.device(op.x2) - this.device(op.x1)) * (this.device(op.y2) - this.device(op.y1));
          this.paint(op);
        }
        last = { start, weight };
      }
      this.painting = null;
      if (this.changed) this.changed();
      if (this.waiting === 0 && !this.rebuildPending)
        for (const resolve of this.settledWaiters.splice(0)) resolve();
    })();
  }

  // Resolves once every picture drawn so far has come and is painted.
  settled() {
    if (this.waiting === 0 && !this.rebuildPending && !this.painting) return Promise.resolve();
    return new Promise((resolve) => this.settledWaiters.push(resolve));
  }

  // Fetches, in the density now shown, the pictures not drawn yet, so that
  // they are at hand when the game first draws them.
  // They are asked for a few at a time, each few in a task of its own:
  // asking for them all at once held a slow phone's thread a long while.
  async fetchTheRest(yieldToPage) {
    const density = this.scale > 1.25 ? 'large' : 'normal';
    const all = [];
    for (const [code, p] of this.pictures) {
      if (p.asked[density] || p.missing) continue;
      if (all.length % 8 === 0) await yieldToPage();
      const coming = this.fetch(code, density, true);
      if (coming) all.push(coming);
    }
    return Promise.all(all);
  }

  drawOutline(colour, x1, y1, x2, y2) {
    if (x2 < x1) [x1, x2] = [x2, x1];
    if (y2 < y1) [y1, y2] = [y2, y1];
    this.add({ kind: 'outline', value: colour, x1, y1, x2, y2, opaque: true });
  }

  drawText(x, y, text, colour, size, bold) {
    if (!text) return;
    const op = { kind: 'text', value: colour, x1: x, y1: y, x2: x, y2: y, text, size, bold, opaque: false };
    // A text's extent serves only to drop what later pictures cover: while
    // the first drawing is only listed, it is measured in the slice that
    // paints it, not in the game's call, which holds the thread long enough.
    if (this.painting) op.unmeasured = true;
    else this.measureExtent(op);
    this.add(op);
  }

  measureExtent(op) {
    const m = this.metrics(this.font(op.size, op.bold, 1), op.text);
    op.x2 = op.x1 + m.width * TWIPS_PER_PIXEL;
    op.y2 = op.y1 + (m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) * TWIPS_PER_PIXEL;
    delete op.unmeasured;
  }

  // A text's measures in a font: the board draws the same few texts
  // again and again, and measuring is slow.
  metrics(font, text) {
    const key = `${font}\n${text}`;
    let m = this.measured.get(key);
    if (!m) {
      if (this.measured.size > 4096) this.measured.clear();
      this.measure.font = font;
      const t = this.measure.measureText(text);
      m = { width: t.width, fontBoundingBoxAscent: t.fontBoundingBoxAscent,
            fontBoundingBoxDescent: t.fontBoundingBoxDescent };
      this.measured.set(key, m);
    }
    return m;
  }

  add(op) {
    // Painted in its turn, after the calls listed before it.
    if (!this.painting) {
      this.paint(op);
      if (this.changed) this.changed();
    }
    this.ops.push(op);
    // Not while calls wait to be painted: they are found by their place.
    if (!this.painting && this.ops.length > this.nextCompaction) {
      this.compact();
      this.nextCompaction = Math.max(4096, this.ops.length * 2);
    }
  }

  // Paints a call on each band it may reach.
  paint(op) {
    // The bands the page has not laid the ground of yet.
    if (this.bare) {
      this.bare = false;
      for (const band of this.bands) if (!band.laid) this.layBand(band);
    }
    if (this.bands.length === 1) {
      this.paintOn(this.bands[0].ctx, op);
      return;
    }
    let top, bottom;
    if (op.kind === 'text') {
      // A text's glyphs stand above and below its line by less than its
      // size in pixels.
      const px = Math.max(1, Math.round(op.size * 4 / 3 * this.scale));
      top = this.device(op.y1) - px;
      bottom = this.device(op.y1) + 3 * px;
    } else {
      top = this.device(op.y1);
      bottom = this.device(op.y2 + TWIPS_PER_PIXEL) + 1;
    }
    for (const band of this.bands)
      if (band.from < bottom && band.from + band.canvas.height > top) this.paintOn(band.ctx, op);
  }

  paintOn(c, op) {
    const d = (t) => this.device(t);
    if (op.kind === 'image') {
      if (op.waiting) return;
      const p = this.pictures.get(op.value);
      // The density the screen shows, fetched if it is not here yet; the
      // other stands in meanwhile.
      const density = this.scale > 1.25 ? 'large' : 'normal';
      if (!p[density]) this.fetch(op.value, density);
      const src = p[density] || p.large || p.normal;
      const x = d(op.x1), y = d(op.y1), w = d(op.x2) - x, h = d(op.y2) - y;
      c.imageSmoothingEnabled = w !== src.width || h !== src.height;
      c.drawImage(src, x, y, w, h);
    } else if (op.kind === 'outline') {
      // Each side is one natural pixel wide, never narrower than one
      // device pixel.
      const band = (a) => {
        const first = d(a);
        return [first, Math.max(d(a + TWIPS_PER_PIXEL), first + 1)];
      };
      const [left, leftEnd] = band(op.x1);
      const [right, rightEnd] = band(op.x2);
      const [top, topEnd] = band(op.y1);
      const [bottom, bottomEnd] = band(op.y2);
      c.fillStyle = this.palette[op.value] || this.palette[7];
      c.fillRect(left, top, rightEnd - left, topEnd - top);
      c.fillRect(left, bottom, rightEnd - left, bottomEnd - bottom);
      c.fillRect(left, top, leftEnd - left, bottomEnd - top);
      c.fillRect(right, top, rightEnd - right, bottomEnd - top);
    } else {
      if (op.unmeasured) this.measureExtent(op);
      c.font = this.font(op.size, op.bold, this.scale);
      c.fillStyle = this.palette[op.value] || this.palette[7];
      c.textBaseline = 'alphabetic';
      const ascent = this.metrics(c.font, op.text).fontBoundingBoxAscent;
      c.fillText(op.text, d(op.x1), d(op.y1) + ascent);
    }
  }

  // Drops the calls that later opaque calls paint over completely: walking
  // back from the newest, a call whose outer bound lies wholly inside what
  // later opaque pictures surely paint can never show again.  Bounds are
  // in quarter twips (texts stand on tenths of a cell, half twips), on a
  // grid cut at every edge of every bound, so that pictures laid edge to
  // edge at fractional pixels cover without seams.
  compact() {
    // Calls still waiting for their pictures have no extent yet.
    if (this.waiting) return;
    for (const op of this.ops) if (op.unmeasured) this.measureExtent(op);
    const lo = (t) => Math.floor(t * 4), hi = (t) => Math.ceil(t * 4);
    const outer = (op) => {
      if (op.kind === 'text') {
        // Glyphs overhang their advance, and other scales round the font.
        const mx = 0.12 * (op.x2 - op.x1) + 3 * TWIPS_PER_PIXEL;
        const my = 0.12 * (op.y2 - op.y1) + 3 * TWIPS_PER_PIXEL;
        return [lo(op.x1 - mx), lo(op.y1 - my), hi(op.x2 + mx), hi(op.y2 + my)];
      }
      const extra = op.kind === 'outline' ? TWIPS_PER_PIXEL : 0;
      return [lo(op.x1), lo(op.y1), hi(op.x2 + extra), hi(op.y2 + extra)];
    };
    const inner = (op) => [hi(op.x1), hi(op.y1), lo(op.x2), lo(op.y2)];
    const covers = (op) => op.kind === 'image' && this.opaque(op.value);
    const rects = this.ops.map((op) => [outer(op), covers(op) ? inner(op) : null]);
    const xs = new Set(), ys = new Set();
    for (const [o, i] of rects)
      for (const r of i ? [o, i] : [o]) {
        xs.add(r[0]); xs.add(r[2]); ys.add(r[1]); ys.add(r[3]);
      }
    const xe = [...xs].sort((p, q) => p - q), ye = [...ys].sort((p, q) => p - q);
    const xi = new Map(xe.map((v, k) => [v, k])), yi = new Map(ye.map((v, k) => [v, k]));
    const W = xe.length;
    const covered = new Uint8Array(W * ye.length);
    const keep = new Array(this.ops.length).fill(true);
    for (let k = this.ops.length - 1; k >= 0; --k) {
      const [o, i] = rects[k];
      let all = true;
      for (let y = yi.get(o[1]); all && y < yi.get(o[3]); ++y)
        for (let x = xi.get(o[0]); x < xi.get(o[2]); ++x)
          if (!covered[y * W + x]) { all = false; break; }
      if (all) {
        keep[k] = false;
        continue;
      }
      if (i && i[0] < i[2] && i[1] < i[3])
        for (let y = yi.get(i[1]); y < yi.get(i[3]); ++y)
          covered.fill(1, y * W + xi.get(i[0]), y * W + xi.get(i[2]));
    }
    this.ops = this.ops.filter((_, k) => keep[k]);
  }
}

// Pictures asked for before the game could say what it draws: a drawing
// that asks for one of them takes the fetch already under way.
const ahead = new Map();
// Those of them that have come: file -> picture.
const cameAhead = new Map();

// The pictures the first board drew at the last visit, remembered by the
// page so that the next visit can fetch them while the module compiles.
const FIRST_PICTURES_KEY = 'rindou.firstPictures';

// A first visit draws a new game with the settings a person starts with:
// the pieces of the opening position, the empty square, the coin, the
// background and the title.  Guessing wrong costs only a fetch: the
// drawing still asks for what it draws.
const NEW_GAME_PICTURES = ['KARA_MASU', 'HAIKEI_MIDORI', 'COIN', 'RINDOU', 'UE_OU', 'SITA_OU', 'UE_KIN',
                           'SITA_KIN'].concat(['HU', 'KYOU', 'KEI', 'GIN', 'KAKU', 'SYA'].flatMap(
                             (p) => [`UE_${p}_0`, `SITA_${p}_0`]));

// Starts fetching the pictures the first board will likely draw, in the
// screen's density, before the module that draws it has come.  Resolves
// once they are all in (or failed).
export function fetchFirstPicturesAhead() {
  performance.mark('rindou-pictures-ahead');
  let files = null;
  try {
    files = JSON.parse(localStorage.getItem(FIRST_PICTURES_KEY) || 'null');
  } catch {
    files = null;
  }
  if (!Array.isArray(files) || !files.every((f) => typeof f === 'string' && /^pictures\/[\w@.-]+$/.test(f))) {
    // The board will be fitted to the window: about this many device
    // pixels to each of its own.
    const scale = (window.devicePixelRatio || 1) *
                  Math.min(window.innerWidth / NATURAL_W, window.innerHeight / NATURAL_H);
    const large = scale > 1.25;
    files = NEW_GAME_PICTURES.map((stem) => `pictures/${stem}${large ? '@2x' : ''}.png`);
  }
  const packed = fromSheet(files);
  for (const f of files) {
    if (ahead.has(f)) continue;
    const coming = (packed ? packed(f) : loadImage(f)).then((img) => {
      if (img && ahead.get(f) === coming) cameAhead.set(f, img);
      return img;
    });
    ahead.set(f, coming);
  }
  // Each of them resolves, come or failed.
  return Promise.all(files.map((f) => ahead.get(f))).then(() => {});
}

// The build packs a new game's first pictures, in each density, into one
// sheet, and says in the page where each stands: one request instead of a
// round trip for each picture.  Returns how to cut a file out of the sheet
// when the sheet holds every file asked for, or null (another background, a
// kept game's pieces): then each file comes on its own.
function fromSheet(files) {
  let table = null;
  try {
    table = JSON.parse(document.getElementById('picture-sheet')?.textContent || 'null');
  } catch {
    table = null;
  }
  if (!table || !files.length) return null;
  for (const [density, sheet] of Object.entries(table)) {
    const at = new Map(Object.entries(sheet.pictures).map(([stem, rect]) =>
      [`pictures/${stem}${density === 'large' ? '@2x' : ''}.png`, rect]));
    if (!files.every((f) => at.has(f))) continue;
    // Decoded once, off the page's thread; each picture is then its own
    // bitmap, drawn as the single file would be.
    // The WebP copy where the build made one, the PNG where that fails
    // (a browser that reads no WebP).  Decoded as stored, not
    // premultiplied: the WebP decoder premultiplies a half-transparent
    // pixel with a rounding of its own, and the title's edges would then
    // differ from its own picture's.
    const decoded = (file) => fetch(file)
      .then((r) => (r.ok ? r.blob() : Promise.reject(new Error(r.statusText))))
      .then((blob) => createImageBitmap(blob, { premultiplyAlpha: 'none' }));
    const whole = sheet.webp ? decoded(sheet.webp).catch(() => decoded(sheet.file)) : decoded(sheet.file);
    return (f) => whole.then((bitmap) => createImageBitmap(bitmap, ...at.get(f)))
      .catch(() => loadImage(f));
  }
  return null;
}

// Remembers the pictures fetched so far (those the first board drew) for
// the next visit.
export function rememberFirstPictures(surface) {
  try {
    localStorage.setItem(FIRST_PICTURES_KEY, JSON.stringify(surface.fetched));
  } catch {
    // Storage full or refused: the next visit guesses again.
  }
}

// The board's texts as the canvas draws them first.
const WARM_TEXT = '歩香桂銀金角飛王一二三四五六七八九手目待った0123456789';

// Reads the board's and the page's Japanese fonts from the disk before the
// game has said which of them it uses, while the page's thread would
// otherwise idle: the board's Mincho of this system in the canvas, the
// page's own face in a line laid out unseen for a frame.  Each face is
// looked for in a task of its own: the first Japanese text has the browser
// find and read a large font, and every name it then tries and misses costs
// a look-up more, which together held a slow phone's thread a long while.
// The first of those look-ups, the search of the system's fonts for one
// that has the characters, is done first on a worker's canvas: the browser
// keeps what it found for the whole page, so the page's own canvas and
// text then find it at hand instead of searching on the page's thread.
// Mincho faces a system may have by name although the page does not ask
// for them: warmed first, each in a task of its own, they load the face a
// system's fallback then finds for the board's characters, and that
// fallback (the browser asking the system which face has them) is then a
// shorter task of its own.
const NAMED_MINCHO = ['IPAMincho', 'IPAexMincho'];

export function warmFontsAhead() {
  const fonts = NAMED_MINCHO.concat(SYSTEM_MINCHO).map((f) => `"${f}"`).concat(['serif']).map((f) => [`16px ${f}`, `bold 16px ${f}`]).flat();
  const onPage = () => {
    warmFonts(fonts);
    // In each weight the page sets its own texts in (the controls'
    // captions are semibold, the boxes' titles bold): each weight is a
    // face of its own to find, so each has a line and a frame of its own.
    const weights = ['400', '600', '700', null];
    // Then the box's faces (its title, words and buttons, which have
    // faces of their own) in a box of the same kind laid out unseen: the
    // first box of all otherwise finds them while it answers a tap.
    const next = () => {
      const weight = weights.shift();
      if (weight === undefined) return;
      let line;
      if (weight) {
        line = document.createElement('span');
        line.style.fontWeight = weight;
        line.textContent = WARM_TEXT;
      } else {
        line = document.createElement('dialog');
        for (const tag of ['h1', 'p', 'button']) {
          const part = document.createElement(tag);
          part.textContent = WARM_TEXT;
          if (tag === 'button') part.tabIndex = -1;
          line.appendChild(part);
        }
        line.open = true;
      }
      line.className = 'unseen';
      line.setAttribute('aria-hidden', 'true');
      document.body.appendChild(line);
      requestAnimationFrame(() => setTimeout(() => {
        line.remove();
        next();
      }, 0));
    };
    setTimeout(next, 0);
  };
  warmFontsOffThread(fonts, document.documentElement.lang).then(onPage);
}

// Draws WARM_TEXT in each of `fonts` on a worker's canvas, in the page's
// language (which decides the face the browser falls back on); resolves
// once done, or at once where the browser has no such canvas or refuses
// the worker (a host's policy may forbid one made from the page's own
// script): the page's thread then does the searching itself.
function warmFontsOffThread(fonts, lang) {
  if (typeof OffscreenCanvas === 'undefined' || typeof Worker === 'undefined' || typeof Blob === 'undefined')
    return Promise.resolve();
  const script = `onmessage = (e) => {
    try {
      const g = new OffscreenCanvas(8, 8).getContext('2d');
      if ('lang' in g) g.lang = e.data.lang;
      for (const font of e.data.fonts) {
        g.font = font;
        g.fillText(e.data.text, 0, 8);
      }
    } finally {
      postMessage(null);
    }
  };`;
  return new Promise((resolve) => {
    let url = null;
    let worker = null;
    const done = () => {
      if (worker) worker.terminate();
      if (url) URL.revokeObjectURL(url);
      worker = url = null;
      resolve();
    };
    // In a task of its own: making the worker is long enough on a slow
    // phone to add to whatever step of the page's start asked for it.
    setTimeout(() => {
      try {
        url = URL.createObjectURL(new Blob([script], { type: 'text/javascript' }));
        worker = new Worker(url);
        worker.onmessage = done;
        worker.onerror = done;
        worker.postMessage({ fonts, lang: lang || 'ja', text: WARM_TEXT });
      } catch {
        done();
      }
    }, 0);
  });
}

// Draws the board's texts in each of `fonts` (canvas font strings) on a
// canvas of no use, each in a task of its own; resolves once all are done.
export function warmFonts(fonts) {
  const scratch = document.createElement('canvas').getContext('2d');
  return fonts.reduce((before, font) => before.then(() => new Promise((resolve) => setTimeout(() => {
    scratch.font = font;
    scratch.fillText(WARM_TEXT, 0, 10);
    resolve();
  }, 0))), Promise.resolve());
}

function pictureFile(src, forLater) {
  const early = ahead.get(src);
  if (!early) return loadImage(src, forLater);
  ahead.delete(src);
  return early;
}

function loadImage(src, forLater = false) {
  return new Promise((resolve) => {
    const img = new Image();
    if (forLater) {
      img.onload = () => resolve(img);
      img.onerror = () => resolve(null);
    }
    img.src = src;
    // A picture about to be drawn is decoded off the page's thread, rather
    // than by the drawing, on the thread, when a whole board of them comes.
    if (!forLater) img.decode().then(() => resolve(img), () => resolve(null));
  });
}

function isOpaque(img) {
  const c = document.createElement('canvas');
  c.width = img.width;
  c.height = img.height;
  const ctx = c.getContext('2d');
  ctx.drawImage(img, 0, 0);
  const data = ctx.getImageData(0, 0, img.width, img.height).data;
  for (let i = 3; i < data.length; i += 4) if (data[i] !== 255) return false;
  return true;
}

