// The surface the game draws on: every drawing call lands on a canvas at
// once and is kept in a display list, so that the board can be drawn anew
// at any size and pixel ratio; and the pictures it draws, loaded.

export const TWIPS_PER_PIXEL = 15;
const SYSTEM_MINCHO = ['Hiragino Mincho ProN', 'Yu Mincho', 'YuMincho', 'Noto Serif CJK JP',
                       'Noto Serif JP'];
// The board's natural size in pixels, as the window shows it.
export const NATURAL_W = 707;
export const NATURAL_H = 555;

// Every drawing call lands on the canvas at once and is kept in a display
// list, so that the board can be drawn anew at any size and pixel ratio.
export class Surface {
  constructor(canvas, look, pictures) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.palette = look.palette.map(([r, g, b]) => `rgb(${r},${g},${b})`);
    // The desktop's fonts, then the Mincho each other system has: the page
    // ships no font of its own.
    this.fonts = look.fonts.concat(SYSTEM_MINCHO).map((f) => `"${f}"`).concat(['serif']).join(', ');
    this.pictures = pictures;
    this.ops = [];
    this.nextCompaction = 4096;
    this.scale = 1;
    this.measure = document.createElement('canvas').getContext('2d');
    this.measured = new Map();
    // Called after every change of the picture (a phone's arrangement
    // shows parts of it elsewhere).
    this.changed = null;
  }

  // The canvas the picture is drawn on: the page's own, or one kept apart
  // whose parts an arrangement shows.
  retarget(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
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
    this.canvas.width = Math.max(1, width);
    this.canvas.height = Math.max(1, height);
    this.scale = scale > 0 ? scale : 1;
    this.rebuild();
  }

  rebuild() {
    const c = this.ctx;
    c.fillStyle = this.palette[2];
    c.fillRect(0, 0, this.canvas.width, this.canvas.height);
    for (const op of this.ops) this.paint(op);
    if (this.changed) this.changed();
  }

  drawImage(code, x, y) {
    const p = this.pictures.get(code);
    if (!p) return;  // a code without a picture draws nothing
    this.add({ kind: 'image', value: code, x1: x, y1: y,
               x2: x + p.normal.width * TWIPS_PER_PIXEL,
               y2: y + p.normal.height * TWIPS_PER_PIXEL, opaque: p.opaque });
  }

  drawOutline(colour, x1, y1, x2, y2) {
    if (x2 < x1) [x1, x2] = [x2, x1];
    if (y2 < y1) [y1, y2] = [y2, y1];
    this.add({ kind: 'outline', value: colour, x1, y1, x2, y2, opaque: true });
  }

  drawText(x, y, text, colour, size, bold) {
    if (!text) return;
    const m = this.metrics(this.font(size, bold, 1), text);
    const w = m.width * TWIPS_PER_PIXEL;
    const h = (m.fontBoundingBoxAscent + m.fontBoundingBoxDescent) * TWIPS_PER_PIXEL;
    this.add({ kind: 'text', value: colour, x1: x, y1: y, x2: x + w, y2: y + h,
               text, size, bold, opaque: false });
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
    this.paint(op);
    if (this.changed) this.changed();
    this.ops.push(op);
    if (this.ops.length > this.nextCompaction) {
      this.compact();
      this.nextCompaction = Math.max(4096, this.ops.length * 2);
    }
  }

  paint(op) {
    const c = this.ctx;
    const d = (t) => this.device(t);
    if (op.kind === 'image') {
      const p = this.pictures.get(op.value);
      const src = this.scale > 1.25 && p.large ? p.large : p.normal;
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
    const covers = (op) => op.kind === 'image' && op.opaque;
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

function loadImage(src) {
  return new Promise((resolve) => {
    const img = new Image();
    img.onload = () => resolve(img);
    img.onerror = () => resolve(null);
    img.src = src;
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

export async function loadPictures(stems) {
  const pictures = new Map();
  await Promise.all(Object.entries(stems).map(async ([code, stem]) => {
    const [normal, large] = await Promise.all([
      loadImage(`pictures/${stem}.png`), loadImage(`pictures/${stem}@2x.png`)]);
    if (!normal) return;
    const twice = large && large.width === normal.width * 2 && large.height === normal.height * 2;
    pictures.set(Number(code), { normal, large: twice ? large : null, opaque: isOpaque(normal) });
  }));
  return pictures;
}
