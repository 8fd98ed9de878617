// The page around the game's module: the board on a canvas, the menu bar,
// the boxes, the timers, and the console (window.rindouConsole).
//
// The module holds the game and its work in progress; whatever the work
// waits for comes here through hooks.wait with the wait's number, and the
// page calls back with that number once the wait is over.
'use strict';

(() => {
  const TWIPS_PER_PIXEL = 15;
  const SYSTEM_MINCHO = ['Hiragino Mincho ProN', 'Yu Mincho', 'YuMincho', 'Noto Serif CJK JP',
                         'Noto Serif JP'];
  // The board's natural size in pixels, as the window shows it.
  const NATURAL_W = 707;
  const NATURAL_H = 555;
  // The order of the kinds of wait (Wait::Kind).
  const PAUSE = 0, NOTICE = 1, QUESTION = 2, ABOUT = 3, SEARCH = 4;
  // A safety net for the deep search in its worker: its budgets end it well
  // before.  Past the cap the worker ends its search at the next finished
  // depth with the best move so far; a worker that has not answered a while
  // after that is given up.
  const SEARCH_CAP_MS = 15000;
  const WORKER_GIVEN_UP_MS = 45000;
  // The build of this page; its module and its workers must be of the same.
  const BUILD_ID = '@RINDOU_BUILD_ID@';
  // A page reloaded because it met files of another build notes it here
  // (for this tab only), so that it reloads once, never over and over.
  const RELOADED_KEY = 'rindou.reloadedForBuild';

  // The module is compiled once; the game, each console session and the
  // search worker are instances of their own.
  const compiled = WebAssembly.compileStreaming(fetch('rindou.wasm'));
  function instance(options) {
    return compiled.then((mod) => createRindou(Object.assign({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(mod, imports).then((inst) => receive(inst, mod));
        return {};
      },
    }, options)));
  }

  // A text in the module's memory, NUL-ended, freed by the caller; 0 when
  // the module has no memory for it.
  function cString(m, text) {
    const bytes = new TextEncoder().encode(text);
    const at = m._malloc(bytes.length + 1);
    if (!at) return 0;
    m.HEAPU8.set(bytes, at);
    m.HEAPU8[at + bytes.length] = 0;
    return at;
  }

  // ---- The console ---------------------------------------------------------
  // The console refuses a line longer than its limit whatever it holds, so
  // such a line need not reach it whole: it goes as a stand-in one byte too
  // long (one more than the limit is room for a CR before the LF), and the
  // console answers it as it answers the line itself.
  function boundLines(bytes, limit) {
    const standIn = new Uint8Array(limit + 2).fill(0x78);
    const parts = [];
    let size = 0;
    for (let from = 0; from < bytes.length;) {
      let end = bytes.indexOf(10, from);
      const last = end < 0;
      if (last) end = bytes.length;
      const line = end - from > limit + 1 ? standIn : bytes.subarray(from, end);
      parts.push(line);
      size += line.length + (last ? 0 : 1);
      from = end + 1;
    }
    const out = new Uint8Array(size);
    let at = 0;
    parts.forEach((line, i) => {
      out.set(line, at);
      at += line.length;
      if (at < size) out[at++] = 10;
    });
    return out;
  }

  // The same session in the page's own thread, where no worker can be had.
  function consoleHere(bytes) {
    return instance({}).then((m) => {
      const at = m._malloc(bytes.length + 1);
      if (!at) throw new Error('no memory for the console\'s input');
      try {
        m.HEAPU8.set(bytes, at);
        const out = m._rindou_console(at, bytes.length);
        return m.HEAPU8.slice(out, out + m._rindou_console_size());
      } finally {
        m._free(at);
      }
    });
  }

  // What rindou-cli prints for these input lines: a fresh session each
  // call, run in a worker of its own so that a long input never stops the
  // page.
  let consoleLimit = null;
  window.rindouConsole = async (text) => {
    if (!consoleLimit) consoleLimit = instance({}).then((m) => m._rindou_console_line_limit());
    const limit = await consoleLimit;
    const bytes = boundLines(new TextEncoder().encode(String(text)), limit);
    let worker = null;
    try {
      worker = new Worker('console_worker.js');
    } catch {
      worker = null;
    }
    const output = !worker ? await consoleHere(bytes) : await new Promise((resolve, reject) => {
      worker.onmessage = (e) => (e.data.error ? reject(new Error(e.data.error)) : resolve(e.data.output));
      worker.onerror = (e) => reject(new Error(e.message || 'the console failed'));
      worker.postMessage({ bytes }, [bytes.buffer]);
    }).finally(() => worker.terminate());
    return new TextDecoder().decode(output);
  };

  // ---- The surface ---------------------------------------------------------
  // Every drawing call lands on the canvas at once and is kept in a display
  // list, so that the board can be drawn anew at any size and pixel ratio.
  class Surface {
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

  async function loadPictures(stems) {
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

  // ---- The boxes -----------------------------------------------------------
  const box = document.getElementById('box');
  let boxTexts = { yes: 'Yes', no: 'No', aboutTitle: '', homePage: '' };
  let boxAnswer = null;

  function openBox(title, text, buttons, picture, answer) {
    document.getElementById('box-title').textContent = title;
    document.getElementById('box-text').textContent = text;
    const img = document.getElementById('box-picture');
    img.hidden = !picture;
    if (picture) img.srcset = picture;
    const row = document.getElementById('box-buttons');
    row.replaceChildren();
    for (const [caption, value, name] of buttons) {
      const b = document.createElement('button');
      b.textContent = caption;
      b.value = value;
      b.name = name;
      row.appendChild(b);
    }
    boxAnswer = answer;
    box.returnValue = '';
    box.showModal();
    row.lastChild.focus();
  }

  box.addEventListener('close', () => {
    const answer = boxAnswer;
    boxAnswer = null;
    if (answer) answer(box.returnValue);
  });
  // Esc closes a notice or the about box as its OK does; a question waits
  // for Yes or No.
  box.addEventListener('cancel', (e) => {
    if (box.dataset.kind === 'question') e.preventDefault();
  });

  // ---- Sound ---------------------------------------------------------------
  // The game's sound buffers on Web Audio.  A browser lets a page sound only
  // after the person has done something on it: what plays before then (the
  // music of the start) starts at the first click or key.
  const sound = {
    context: null,
    buffers: [null],
    // The audio context takes a while to make: the page makes it before the
    // game starts, in a task of its own.
    prepare() {
      const Context = window.AudioContext || window.webkitAudioContext;
      if (Context && !this.context) this.context = new Context();
    },
    start() {
      this.prepare();
      if (!this.context) return false;
      const wake = () => { if (this.context.state === 'suspended') this.context.resume(); };
      document.addEventListener('pointerdown', wake, true);
      document.addEventListener('keydown', wake, true);
      return true;
    },
    create(wav) {
      const b = { audio: null, playing: null, looping: false };
      this.buffers.push(b);
      this.context.decodeAudioData(wav.buffer).then((audio) => {
        b.audio = audio;
        // A loop asked for while the file was being decoded starts now.
        if (b.looping) this.play(this.buffers.indexOf(b), true);
      }, () => {});
      return this.buffers.length - 1;
    },
    play(buffer, looping) {
      const b = this.buffers[buffer];
      if (!b) return false;
      if (looping) {
        this.stop(buffer);
        b.looping = true;
      }
      if (!b.audio) return true;
      const source = this.context.createBufferSource();
      source.buffer = b.audio;
      source.loop = looping;
      source.connect(this.context.destination);
      source.start();
      if (looping) b.playing = source;
      document.body.dataset.sounds = String(Number(document.body.dataset.sounds || 0) + 1);
      return true;
    },
    stop(buffer) {
      const b = this.buffers[buffer];
      if (!b) return false;
      b.looping = false;
      if (b.playing) b.playing.stop();
      b.playing = null;
      return true;
    },
  };

  // The program's data files the game reads (its sounds), fetched before it
  // starts; sounds.json lists them.
  const dataFiles = new Map();
  async function loadDataFiles() {
    try {
      const names = await (await fetch('sounds/sounds.json')).json();
      await Promise.all(names.map(async (name) => {
        const r = await fetch(`sounds/${encodeURIComponent(name)}`);
        if (r.ok) dataFiles.set(name, new Uint8Array(await r.arrayBuffer()));
      }));
    } catch {
      // Without its sounds the game plays silently.
    }
  }

  // ---- The kept games ------------------------------------------------------
  // Every finished or left game is kept in the browser's IndexedDB, read
  // whole into memory before the game starts so that the game reaches it as
  // a folder, at once.  A change is written to IndexedDB in the background
  // and, until that is done, also noted in local storage: a page left the
  // moment a game was kept (a reload) must not lose it, and local storage is
  // written at once.  The next visit writes what was noted.
  //
  // Other pages of the game may keep games at the same moment, each from
  // its own copy of the store.  So a change is written as what it does, not
  // as the values this page holds: a game goes under its name unless the
  // store already holds another game there (then under the next free name
  // of the same second), and the list gains this page's lines and loses
  // the lines it dropped, merged into the list as stored.  Each write is one
  // IndexedDB transaction, which the browser runs one at a time across
  // pages; each page notes its changes under a journal of its own, and a
  // journal is written by the next visit only once its page is gone.
  const KEPT_LIST = '\x01kept-list';
  const JOURNAL_PREFIX = 'rindou.keptJournal.';
  const OLD_JOURNAL = 'rindou.keptJournal';
  // Beside the games, the marks of the changes written (no game's name
  // starts so).
  const MARK = '\x02written ';

  const bytesOf = (text) => {
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 255;
    return bytes;
  };
  const textOf = (bytes) => {
    let text = '';
    for (let i = 0; i < bytes.length; i += 4096)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 4096));
    return text;
  };
  const sameBytes = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);
  const linesOf = (text) => text.split('\n').map((l) => l.replace(/\r$/, '')).filter((l) => l);
  const lineName = (line) => line.split(' ').slice(2).join(' ');
  // A short digest, to know a game again before removing it.
  const digestOf = (bytes) => {
    let h = 0x811c9dc5;
    for (const b of bytes) h = Math.imul(h ^ b, 0x01000193) >>> 0;
    return `${bytes.length}:${h}`;
  };

  const kept = {
    files: new Map(),  // name -> Uint8Array
    db: null,
    channel: null,
    ready: false,
    serial: 0,
    tab: `${Date.now().toString(36)}-${Math.random().toString(36).slice(2)}`,
    recordLimit: 1 << 20,
    listLimit: 1 << 20,
    listBefore: null,  // the list as it was when the game took it to change
    queue: [],

    journalKey() { return JOURNAL_PREFIX + this.tab; },

    // The changes noted under a key and not yet written; a note that is not
    // one of ours (another program's, cut short, or larger than anything
    // the game writes) is passed over.
    journal(key) {
      let ops;
      try {
        const text = localStorage.getItem(key);
        if (!text || text.length > 64 * this.recordLimit) return [];
        ops = JSON.parse(text);
      } catch {
        return [];
      }
      if (!Array.isArray(ops)) return [];
      return ops.filter((op) => op && typeof op.serial === 'string' && (
        (op.kind === 'game' && typeof op.name === 'string' && typeof op.data === 'string' &&
         op.data.length <= this.recordLimit) ||
        (op.kind === 'remove' && typeof op.name === 'string' && typeof op.digest === 'string') ||
        (op.kind === 'list' && Array.isArray(op.add) && Array.isArray(op.drop) &&
         op.add.concat(op.drop).every((l) => typeof l === 'string'))));
    },
    setJournal(key, ops) {
      try {
        if (ops.length) localStorage.setItem(key, JSON.stringify(ops));
        else localStorage.removeItem(key);
        return true;
      } catch {
        return false;
      }
    },
    // The notes of an earlier version of the page, one shared list of whole
    // values, read as changes: a list's lines are added to the list stored,
    // never put in its place, and a game removed stays (nothing is lost).
    oldJournal() {
      let ops;
      try {
        ops = JSON.parse(localStorage.getItem(OLD_JOURNAL) || '[]');
      } catch {
        return [];
      }
      if (!Array.isArray(ops)) return [];
      const out = [];
      for (const op of ops) {
        if (!op || typeof op.name !== 'string' || !op.put || typeof op.data !== 'string' ||
            op.data.length > Math.max(this.recordLimit, this.listLimit))
          continue;
        const serial = `old-${out.length}`;
        if (op.name === KEPT_LIST)
          out.push({ serial, kind: 'list', add: linesOf(new TextDecoder().decode(bytesOf(op.data))), drop: [] });
        else out.push({ serial, kind: 'game', name: op.name, data: op.data });
      }
      return out;
    },

    // A stored value as the game may read it: bytes, and no larger than
    // the game reads (a value that is not bytes, or claims a length beyond
    // that, is left where it is and not read).  A list too long is cut to
    // its newest lines.
    fitting(name, value) {
      const view = value instanceof ArrayBuffer ? new Uint8Array(value)
        : ArrayBuffer.isView(value) ? new Uint8Array(value.buffer, value.byteOffset, value.byteLength)
          : null;
      if (!view) return null;
      if (name === KEPT_LIST) {
        if (view.length <= this.listLimit) return new Uint8Array(view);
        const tail = view.subarray(view.length - this.listLimit);
        return new Uint8Array(tail.subarray(tail.indexOf(10) + 1));
      }
      return view.length <= this.recordLimit ? new Uint8Array(view) : null;
    },

    async open(recordLimit, listLimit) {
      this.recordLimit = recordLimit;
      this.listLimit = listLimit;
      try {
        this.db = await new Promise((resolve, reject) => {
          const r = indexedDB.open('rindou', 1);
          r.onupgradeneeded = () => r.result.createObjectStore('kept');
          r.onsuccess = () => resolve(r.result);
          r.onerror = () => reject(r.error);
        });
        await new Promise((resolve, reject) => {
          const t = this.db.transaction('kept', 'readonly');
          const store = t.objectStore('kept');
          const cursor = store.openCursor();
          cursor.onsuccess = () => {
            const c = cursor.result;
            if (!c) return;
            const bytes = typeof c.key === 'string' ? this.fitting(c.key, c.value) : null;
            if (bytes) this.files.set(c.key, bytes);
            else if (!String(c.key).startsWith(MARK)) console.warn('rindou: a stored value that is no kept game is passed over', c.key);
            c.continue();
          };
          t.oncomplete = resolve;
          t.onerror = () => reject(t.error);
        });
      } catch (e) {
        // Without IndexedDB (a private window may refuse it) no game is kept.
        console.warn('rindou: the kept games cannot be had', e);
        this.db = null;
        return;
      }
      // This page's journal is its own while it is open: the others leave
      // it alone until it is gone.
      const locks = navigator.locks;
      if (locks) {
        await new Promise((held) => {
          locks.request(`rindou-page-${this.tab}`, () => {
            held();
            return new Promise(() => {});
          });
        });
      }
      if (window.BroadcastChannel) {
        this.channel = new BroadcastChannel('rindou-kept');
        this.channel.onmessage = (e) => this.refresh(e.data);
      }
      // What pages now gone noted but could not write.
      const open = new Set();
      if (locks) {
        const state = await locks.query();
        for (const l of state.held.concat(state.pending))
          if (l.name.startsWith('rindou-page-')) open.add(l.name.slice('rindou-page-'.length));
      }
      const keys = [];
      for (let i = 0; i < localStorage.length; ++i) {
        const key = localStorage.key(i);
        if (key && key.startsWith(JOURNAL_PREFIX) && !open.has(key.slice(JOURNAL_PREFIX.length)))
          keys.push(key);
      }
      for (const key of keys) {
        const ops = this.journal(key);
        if (ops.length) await this.write(ops).then((touched) => this.settle(key, ops, touched), () => {});
        else this.setJournal(key, []);
      }
      const old = this.oldJournal();
      if (old.length) {
        await this.write(old).then((touched) => {
          localStorage.removeItem(OLD_JOURNAL);
          this.take(touched);
        }, () => {});
      } else {
        localStorage.removeItem(OLD_JOURNAL);
      }
      this.ready = true;
    },

    // The list with a change's lines: its dropped lines gone, its new ones
    // added once, under the names the games were kept under.
    changedList(text, op, renamed) {
      const drop = new Set(op.drop);
      const lines = linesOf(text).filter((l) => !drop.has(l));
      const have = new Set(lines);
      for (let line of op.add) {
        const name = lineName(line);
        if (renamed.has(name)) line = line.slice(0, line.length - name.length) + renamed.get(name);
        if (!have.has(line)) {
          lines.push(line);
          have.add(line);
        }
      }
      return lines.map((l) => `${l}\n`).join('');
    },

    // Writes changes in one transaction; gives the values now stored under
    // every name they touched.
    write(ops) {
      if (!this.db) return Promise.reject(new Error('no store'));
      return new Promise((resolve, reject) => {
        const t = this.db.transaction('kept', 'readwrite');
        const store = t.objectStore('kept');
        const get = (name) => new Promise((done) => {
          const r = store.get(name);
          r.onsuccess = () => done(r.result === undefined ? undefined : this.fitting(name, r.result) || r.result);
        });
        const touched = new Map();
        const renamed = new Map();
        t.oncomplete = () => resolve(touched);
        t.onerror = () => reject(t.error);
        t.onabort = () => reject(t.error);
        (async () => {
          for (const op of ops) {
            if (op.kind === 'game') {
              const bytes = bytesOf(op.data);
              // A change written before (its page was gone before it could
              // strike it from its journal) is not written twice: its mark
              // names where it went.  Two games of the same bytes are two
              // games all the same.
              const mark = MARK + op.serial;
              let name = await get(mark);
              const old = op.serial.startsWith('old-');
              if (typeof name !== 'string') {
                // The name, then the next ones of the same second.
                const m = op.name.match(/^(.*?)(?:_(\d+))?(\.[^.]*)$/);
                let k = m && m[2] ? Number(m[2]) : 1;
                name = op.name;
                for (let tries = 0; tries < 100; ++tries) {
                  const held = await get(name);
                  if (held === undefined) {
                    store.put(bytes, name);
                    if (!old) store.put(name, mark);
                    break;
                  }
                  // An earlier version's note carries no mark: its game is
                  // known again by its bytes.
                  if (old && held instanceof Uint8Array && sameBytes(held, bytes)) break;
                  if (!m) { name = null; break; }
                  k += 1;
                  name = `${m[1]}_${k}${m[3]}`;
                }
              }
              if (name) {
                renamed.set(op.name, name);
                touched.set(name, bytes);
              }
            } else if (op.kind === 'remove') {
              const held = await get(op.name);
              if (held instanceof Uint8Array && digestOf(held) === op.digest) {
                store.delete(op.name);
                touched.set(op.name, undefined);
              }
            } else {
              const held = await get(KEPT_LIST);
              const text = held instanceof Uint8Array ? new TextDecoder().decode(held) : '';
              const list = new TextEncoder().encode(this.changedList(text, op, renamed));
              store.put(list, KEPT_LIST);
              touched.set(KEPT_LIST, list);
            }
          }
          for (const name of touched.keys()) touched.set(name, await get(name));
          // Marks are needed only until their journals are written, which
          // the next visit does: a month's are kept.
          const marks = store.openCursor(IDBKeyRange.bound(MARK, MARK + '\uffff'));
          const before = Date.now() - 30 * 24 * 3600 * 1000;
          marks.onsuccess = () => {
            const c = marks.result;
            if (!c) return;
            if (Number(String(c.key).slice(MARK.length).split('-')[0]) < before) c.delete();
            c.continue();
          };
        })().catch((e) => { try { t.abort(); } catch { /* done already */ } reject(e); });
      });
    },

    // Once written, a journal's changes go from it, and every page hears
    // which names changed.
    settle(key, ops, touched) {
      const done = new Set(ops.map((op) => op.serial));
      this.setJournal(key, this.journal(key).filter((op) => !done.has(op.serial)));
      if (touched) this.take(touched);
    },

    // Values as stored now, with what this page has changed and not yet
    // written on top.
    take(touched) {
      for (const [name, value] of touched) {
        if (value instanceof Uint8Array) this.files.set(name, value);
        else this.files.delete(name);
      }
      if (touched.has(KEPT_LIST)) {
        let text = new TextDecoder().decode(this.files.get(KEPT_LIST) || new Uint8Array(0));
        for (const op of this.journal(this.journalKey()))
          if (op.kind === 'list') text = this.changedList(text, op, new Map());
        this.files.set(KEPT_LIST, new TextEncoder().encode(text));
      }
    },

    // Another page changed these names: read them anew.
    refresh(names) {
      if (!Array.isArray(names) || !this.db) return;
      const t = this.db.transaction('kept', 'readonly');
      const store = t.objectStore('kept');
      const touched = new Map();
      for (const name of names) {
        if (typeof name !== 'string') continue;
        const r = store.get(name);
        r.onsuccess = () => touched.set(name, r.result === undefined ? undefined : this.fitting(name, r.result));
      }
      t.oncomplete = () => this.take(touched);
    },

    // Notes a change, makes it here at once, and writes it soon (the
    // changes of one keeping in one transaction).
    change(op) {
      op.serial = `${Date.now()}-${this.tab}-${++this.serial}`;
      const key = this.journalKey();
      const noted = this.setJournal(key, this.journal(key).concat([op]));
      if (!this.queue.length) {
        queueMicrotask(() => {
          const ops = this.queue;
          this.queue = [];
          this.write(ops).then((touched) => {
            this.settle(key, ops, touched);
            if (this.channel) this.channel.postMessage([...touched.keys()]);
          }, (e) => console.warn('rindou: a kept game waits to be written', e));
        });
      }
      this.queue.push(op);
      return noted || !!this.db;
    },

    put(name, bytes) {
      if (name === KEPT_LIST) {
        const before = linesOf(new TextDecoder().decode(this.listBefore || new Uint8Array(0)));
        const after = linesOf(new TextDecoder().decode(bytes));
        this.listBefore = null;
        const had = new Set(before), has = new Set(after);
        this.files.set(name, bytes);
        return this.change({ kind: 'list', add: after.filter((l) => !had.has(l)),
                             drop: before.filter((l) => !has.has(l)) });
      }
      this.files.set(name, bytes);
      return this.change({ kind: 'game', name, data: textOf(bytes) });
    },

    remove(name) {
      const held = this.files.get(name);
      if (!held) return;
      this.files.delete(name);
      // The list is taken away only to be put back changed.
      if (name === KEPT_LIST) this.listBefore = held;
      else this.change({ kind: 'remove', name, digest: digestOf(held) });
    },

    // The games the game kept itself, newest first, from its list: lines of
    // "<size> <digest> <name>", oldest first.
    listed() {
      const list = this.files.get(KEPT_LIST);
      if (!list) return [];
      const names = linesOf(new TextDecoder().decode(list)).map(lineName)
        .filter((name) => name && this.files.has(name));
      return names.reverse();
    },
  };

  // ---- The game ------------------------------------------------------------
  const canvas = document.getElementById('board');
  let game = null;
  let surface = null;
  let searchWorker = null;
  let firstFrame = null;
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
  let drawLog = null;
  const f3 = (v) => v.toFixed(3);
  const escapeText = (t) => t.replace(/\\/g, '\\\\').replace(/\r/g, '\\r').replace(/\n/g, '\\n');
  window.rindouDrawLog = {
    start() { drawLog = []; },
    take() { const log = drawLog || []; drawLog = null; return log.join('\n') + '\n'; },
  };

  const hooks = {
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
        firstFrame = performance.now();
        requestAnimationFrame(() => {
          document.body.dataset.firstFrameMs = String(Math.round(performance.now()));
        });
      }
    },
    wait: (serial, kind, seconds, title, text) => {
      document.body.dataset.state = 'waiting';
      window.rindouResume.waiting();
      switch (kind) {
        case PAUSE:
          setTimeout(() => game._rindou_resume(serial), Math.ceil(seconds * 1000));
          break;
        case NOTICE:
          box.dataset.kind = 'notice';
          openBox(title, text, [['OK', 'ok', 'ok']], null, () => game._rindou_resume(serial));
          break;
        case QUESTION:
          box.dataset.kind = 'question';
          openBox(title, text, [[boxTexts.yes, 'yes', 'yes'], [boxTexts.no, 'no', 'no']], null,
                  (v) => game._rindou_answer(serial, v === 'yes' ? 1 : 0));
          break;
        case ABOUT:
          box.dataset.kind = 'about';
          openBox(boxTexts.aboutTitle, 'Rindou  Version 1.0',
                  [[boxTexts.homePage, 'home', 'home'], ['O K', 'ok', 'ok']],
                  // At its natural size, sharp on a dense screen.
                  'pictures/ABOUT.png 1x, pictures/ABOUT@2x.png 2x',
                  (v) => game._rindou_answer(serial, v === 'home' ? 1 : 0));
          break;
        case SEARCH:
          search(serial);
          break;
      }
    },
    idle: () => {
      keptThisTime = null;
      window.rindouResume.idle();
      document.body.dataset.state = 'idle';
      syncMenu();
      // The turn may change with nothing drawn: the mark of the side to
      // move follows it.
      scheduleComposite();
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
    dataFileSize: (name) => (dataFiles.has(name) ? dataFiles.get(name).length : -1),
    dataFileRead: (name, into) => game.HEAPU8.set(dataFiles.get(name), into),
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
  function anotherBuild(otherwise) {
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

  function run(call) {
    if (!game || game._rindou_ended() || !window.rindouResume.accepts()) return;
    window.rindouResume.acted();
    call();
  }

  // ---- The record panel ----------------------------------------------------
  // Writing: the four boxes and the save button; the record comes as a
  // download.  Reading: the choice of a record file of the person's own.
  const panel = document.getElementById('panel');
  const panelRead = document.getElementById('panel-read');
  const panelWrite = document.getElementById('panel-write');
  const panelFile = document.getElementById('panel-file');
  const panelBoxes = () => [...panelWrite.querySelectorAll('input')];

  function panelDo(what) {
    switch (what) {
      case 0: panelRead.hidden = true; break;
      case 1: panelWrite.hidden = true; break;
      case 2: for (const b of panelBoxes()) b.value = ''; break;
      case 3: panelRead.hidden = true; panelWrite.hidden = false; break;
      case 4:
        panelRead.hidden = false;
        panelWrite.hidden = true;
        panelFile.value = '';
        showKeptGames();
        break;
      case 5: showKeptGames(); break;
      default: break;
    }
    panel.hidden = panelRead.hidden && panelWrite.hidden;
  }

  // The kept games in the reading panel, newest first: each opened as a
  // record file chosen, or downloaded.
  function showKeptGames() {
    const list = document.getElementById('kept-list');
    document.getElementById('kept-title').textContent = boxTexts.keptGames;
    const names = kept.listed();
    list.replaceChildren();
    if (!names.length) {
      const li = document.createElement('li');
      li.className = 'none';
      li.textContent = boxTexts.noKeptGames;
      list.appendChild(li);
    }
    for (const name of names) {
      const li = document.createElement('li');
      const label = document.createElement('span');
      label.textContent = name.replace(/\.棋譜$/, '');
      const open = document.createElement('button');
      open.type = 'button';
      open.textContent = boxTexts.open;
      open.className = 'kept-open';
      open.addEventListener('click', () => loadRecord(name, kept.files.get(name)));
      const down = document.createElement('button');
      down.type = 'button';
      down.textContent = boxTexts.download;
      down.className = 'kept-download';
      down.addEventListener('click', () => hooks.download(name, kept.files.get(name)));
      li.dataset.name = name;
      li.append(label, open, down);
      list.appendChild(li);
    }
  }

  // A record file's bytes, read as the file of that name chosen in the
  // panel; no bytes for a file larger than any record, which the game
  // refuses as too large.
  function loadRecord(name, bytes) {
    if (!game) return;
    const nameAt = cString(game, name);
    let at = 0;
    try {
      if (!nameAt) throw new Error('no memory for the name');
      if (bytes) {
        at = game._malloc(bytes.length + 1);
        if (!at) throw new Error('no memory for the record');
        game.HEAPU8.set(bytes, at);
      }
      run(() => game._rindou_panel_load(nameAt, at, bytes ? bytes.length : 0));
    } catch (e) {
      console.warn('rindou: the record cannot be read', e);
    } finally {
      if (at) game._free(at);
      if (nameAt) game._free(nameAt);
    }
  }

  // A record file the person chose: its size is weighed before anything of
  // it is read.
  async function loadFile(file) {
    if (!game) return;
    if (file.size > game._rindou_record_limit()) {
      loadRecord(file.name, null);
      return;
    }
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (e) {
      console.warn('rindou: the record cannot be read', e);
      return;
    }
    // A file that grew while it was read is as large as it became.
    loadRecord(file.name, bytes.length > game._rindou_record_limit() ? null : bytes);
  }

  document.getElementById('panel-save').addEventListener('click', () => {
    run(() => game._rindou_panel_save());
  });
  panelFile.addEventListener('change', () => {
    const file = panelFile.files[0];
    if (file) loadFile(file);
  });
  // A record file dropped on the page is read as if chosen from the panel
  // the reading command opens.
  document.addEventListener('dragover', (e) => {
    if (e.dataTransfer && [...e.dataTransfer.types].includes('Files')) e.preventDefault();
  });
  document.addEventListener('drop', async (e) => {
    const file = e.dataTransfer && e.dataTransfer.files[0];
    if (!file) return;
    e.preventDefault();
    if (!game || game._rindou_waiting() !== 0) return;
    run(() => game.ccall('rindou_keyed', null, ['string', 'string'], ['KIFU', 'KIFU_READ']));
    await loadFile(file);
  });

  // ---- The menu bar --------------------------------------------------------
  const menuItems = new Map();

  function closeMenus() {
    for (const open of document.querySelectorAll('#menubar .open')) open.classList.remove('open');
  }

  function buildMenus(tree) {
    const bar = document.getElementById('menubar');
    const holders = new Map([['', bar]]);
    const parents = new Set(tree.map((e) => e.parent));
    for (const e of tree) {
      const into = holders.get(e.parent);
      if (parents.has(e.name)) {
        const menu = document.createElement('div');
        menu.className = 'menu';
        const title = document.createElement('button');
        title.type = 'button';
        title.textContent = e.caption;
        title.dataset.entry = e.name;
        const list = document.createElement('div');
        list.className = 'submenu';
        menu.append(title, list);
        into.appendChild(menu);
        holders.set(e.name, list);
        title.addEventListener('click', (ev) => {
          ev.stopPropagation();
          const wasOpen = menu.classList.contains('open');
          if (e.parent === '') {
            closeMenus();
            if (wasOpen) return;
            // Opening a title runs its command (the record panel closes).
            menuCommand(e.name);
          } else {
            for (const sib of menu.parentNode.querySelectorAll(':scope > .menu.open'))
              sib.classList.remove('open');
            if (wasOpen) return;
          }
          menu.classList.add('open');
        });
        title.addEventListener('mouseenter', () => {
          const sibling = menu.parentNode.querySelector(':scope > .menu.open');
          if (sibling && sibling !== menu) title.click();
        });
      } else {
        const item = document.createElement('button');
        item.type = 'button';
        item.className = 'menu-item';
        item.textContent = e.caption;
        item.dataset.entry = e.name;
        if (e.checkable) item.setAttribute('role', 'menuitemcheckbox');
        item.addEventListener('click', (ev) => {
          ev.stopPropagation();
          closeMenus();
          setDrawer(false);
          if (e.language) {
            run(() => game.ccall('rindou_choose_language', null, ['string'], [e.name]));
            retranslate();
          } else {
            menuCommand(e.name);
          }
        });
        into.appendChild(item);
        menuItems.set(e.name, { item, checkable: e.checkable, language: !!e.language });
      }
    }
    document.addEventListener('click', (ev) => {
      closeMenus();
      // A press beside the open drawer closes it.
      if (!bar.contains(ev.target) && ev.target !== menuToggle) setDrawer(false);
    });
  }

  // The menu table's entries, and the page's own choice of language under
  // the options (as the window has it), each language in its own words.
  function menuEntries() {
    const tree = JSON.parse(game.UTF8ToString(game._rindou_menu_tree()));
    const languages = JSON.parse(game.UTF8ToString(game._rindou_languages()));
    tree.push({ name: 'LANGUAGE', caption: languages.title, parent: 'OPTION', checkable: false });
    for (const l of languages.entries)
      tree.push({ name: l.name, caption: l.caption, parent: 'LANGUAGE', checkable: true,
                  language: true, checked: l.checked });
    return tree;
  }

  // Every caption and text of the page anew, in the language now chosen.
  function retranslate() {
    boxTexts = JSON.parse(game.UTF8ToString(game._rindou_box_texts()));
    panelWrite.querySelectorAll('label span').forEach((span, i) => {
      span.textContent = boxTexts.panel[i];
    });
    document.getElementById('promote').textContent = boxTexts.promote;
    document.getElementById('stay').textContent = boxTexts.stay;
    for (const e of menuEntries()) {
      const node = document.querySelector(`#menubar [data-entry="${e.name}"]`);
      if (node) node.textContent = e.caption;
    }
    if (!panelRead.hidden) showKeptGames();
    document.documentElement.lang = boxTexts.lang;
    syncMenu();
    // The controls' captions, and the menu bar's length, in this language.
    if (arranged) {
      arranged = null;
      fit();
    }
  }

  function syncMenu() {
    // After every command: only the languages' marks, not the whole tree.
    const languages = new Map(JSON.parse(game.UTF8ToString(game._rindou_languages())).entries
      .map((l) => [l.name, l.checked]));
    for (const [name, { item, checkable, language }] of menuItems) {
      if (!checkable) continue;
      const on = language ? languages.get(name)
        : game.ccall('rindou_menu_checked', 'number', ['string'], [name]) !== 0;
      item.classList.toggle('checked', on);
      item.setAttribute('aria-checked', on ? 'true' : 'false');
    }
  }

  // ---- Size and arrangement ------------------------------------------------
  // The view decides where everything stands: on the desktop the picture as
  // the window shows it, on a phone its parts laid out anew (the board at
  // the screen's width, the hands beside it, big controls).  The shape is
  // chosen again on every turn of the screen.
  const DESKTOP = 0;
  const arrangements = new Map();
  let arranged = null;
  // The picture drawn apart, whose parts a phone's arrangement shows.
  const picture = document.createElement('canvas');
  const frame = document.getElementById('board-frame');
  const controls = document.getElementById('controls');
  const menuToggle = document.getElementById('menu-toggle');
  let compositePending = false;
  // On a phone the canvas fills the screen; the arrangement stands centred
  // in it, `unit` CSS pixels to its unit, from `origin` (CSS pixels).
  let unit = 1;
  let origin = { x: 0, y: 0 };
  // Where the board's own background lies bare in the picture (under the
  // lower hand's captions), to fill the room between the parts with.
  const BARE = [1300 + 615 * 12, 100 + 690 * 10, 1300 + 615 * 13, 100 + 690 * 11];

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

  function scheduleComposite() {
    if (compositePending || !arranged || arranged.shape === DESKTOP) return;
    compositePending = true;
    requestAnimationFrame(() => {
      compositePending = false;
      composite();
    });
  }

  // The arrangement's parts copied from the picture onto the page's canvas.
  function composite() {
    if (!arranged || arranged.shape === DESKTOP) return;
    const c = canvas.getContext('2d');
    const dpr = canvas.width / canvas.getBoundingClientRect().width;
    const k = unit * dpr;
    const p = surface.scale / TWIPS_PER_PIXEL;
    const bare = BARE.map((v) => Math.round(v * p));
    c.imageSmoothingEnabled = true;
    const tile = document.createElement('canvas');
    tile.width = Math.max(1, bare[2] - bare[0]);
    tile.height = Math.max(1, bare[3] - bare[1]);
    tile.getContext('2d').drawImage(picture, bare[0], bare[1], tile.width, tile.height,
                                    0, 0, tile.width, tile.height);
    c.fillStyle = c.createPattern(tile, 'repeat');
    c.fillRect(0, 0, canvas.width, canvas.height);
    c.save();
    c.translate(Math.round(origin.x * dpr), Math.round(origin.y * dpr));
    for (const { from, to } of arranged.placements) {
      c.drawImage(picture, from[0] * p, from[1] * p, (from[2] - from[0]) * p, (from[3] - from[1]) * p,
                  to[0] * k, to[1] * k, (to[2] - to[0]) * k, (to[3] - to[1]) * k);
    }
    // The side to move at a glance: a frame of light round its captions
    // and hand.
    const { side, lowerFirst, named } = turn();
    // Each side's name at the head of its captions, shadowed as the
    // picture's captions are.
    const [first, second] = game.UTF8ToString(game._rindou_side_names()).split('\n');
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
    frame.dataset.toMove = side === 1 ? 'upper' : side === -1 ? 'lower' : '';
    if (side !== 0) {
      const a = side === 1 ? arranged.upper : arranged.lower;
      const band = Math.max(2, Math.round(k * 50));
      c.strokeStyle = '#ffd54a';
      c.lineWidth = band;
      c.strokeRect(a[0] * k + band / 2, a[1] * k + band / 2, (a[2] - a[0]) * k - band,
                   (a[3] - a[1]) * k - band);
    }
    c.restore();
  }

  // The controls of the arrangement, each a button running the menu
  // table's command of its name; a command the table lacks shows none.
  function placeControls(scale) {
    controls.replaceChildren();
    if (arranged.shape === DESKTOP) return;
    const captions = new Map(menuEntries().map((e) => [e.name, e.caption]));
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
      let size = Math.max(10, Math.min(20, (to[3] - to[1]) * scale * 0.36));
      b.style.fontSize = `${size}px`;
      while (size > 10 && (b.scrollWidth > b.clientWidth || b.scrollHeight > b.clientHeight)) {
        size -= 1;
        b.style.fontSize = `${size}px`;
      }
    }
  }

  // A control runs what choosing its entry on the menu bar runs.
  function control(command) {
    run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                         [menuTitles.get(command) || '', command]));
  }

  // The menu bar turns into a drawer behind a button where one row of it
  // does not fit, and always on a phone's arrangement.
  function placeMenu(scale) {
    const bar = document.getElementById('menubar');
    const phone = arranged.shape !== DESKTOP;
    document.body.classList.remove('drawer');
    let drawer = phone;
    if (!phone) {
      const items = [...bar.children];
      drawer = items.length > 1 && items[items.length - 1].offsetTop > items[0].offsetTop;
    }
    document.body.classList.toggle('drawer', drawer);
    if (!drawer) setDrawer(false);
    menuToggle.hidden = !drawer;
    if (phone) {
      const m = arranged.menu;
      menuToggle.classList.add('on-board');
      menuToggle.style.left = `${origin.x + m[0] * scale}px`;
      menuToggle.style.top = `${origin.y + m[1] * scale}px`;
      menuToggle.style.width = `${(m[2] - m[0]) * scale}px`;
      menuToggle.style.height = `${(m[3] - m[1]) * scale}px`;
    } else {
      menuToggle.classList.remove('on-board');
      menuToggle.removeAttribute('style');
    }
  }

  function setDrawer(open) {
    document.body.classList.toggle('drawer-open', open);
    menuToggle.setAttribute('aria-expanded', open ? 'true' : 'false');
    if (!open) closeMenus();
  }
  menuToggle.addEventListener('click', (e) => {
    e.stopPropagation();
    setDrawer(!document.body.classList.contains('drawer-open'));
  });

  function fit() {
    const shape = game._rindou_shape_for(window.innerWidth, window.innerHeight);
    const before = arranged;
    arranged = arrangementOf(shape);
    document.body.dataset.arrangement = ['desktop', 'portrait', 'landscape'][shape];
    document.body.classList.toggle('phone', shape !== DESKTOP);
    const dpr = window.devicePixelRatio || 1;
    if (shape === DESKTOP) {
      placeMenu(0);
      const bar = document.getElementById('menubar');
      const top = document.body.classList.contains('drawer') ? menuToggle.offsetHeight : bar.offsetHeight;
      const roomW = window.innerWidth;
      const roomH = window.innerHeight - top;
      let s = Math.min(roomW / NATURAL_W, roomH / NATURAL_H);
      // Within a few pixels of the natural size the pictures keep theirs.
      if (Math.abs(s - 1) < 0.01) s = 1;
      s = Math.max(s, 0.1);
      const cssW = Math.floor(NATURAL_W * s), cssH = Math.floor(NATURAL_H * s);
      canvas.style.width = `${cssW}px`;
      canvas.style.height = `${cssH}px`;
      const width = Math.ceil(cssW * dpr), height = Math.ceil(cssH * dpr);
      placeControls(0);
      if (before === arranged && surface.canvas === canvas && surface.canvas.width === width &&
          surface.canvas.height === height && surface.scale === s * dpr)
        return;
      surface.retarget(canvas);
      surface.setGeometry(width, height, s * dpr);
      return;
    }
    // A phone: the canvas fills the screen, the arrangement as large as
    // the screen holds it, centred.
    const cssW = window.innerWidth, cssH = window.innerHeight;
    unit = Math.max(0.001, Math.min(cssW / arranged.width, cssH / arranged.height));
    origin = { x: Math.floor((cssW - arranged.width * unit) / 2),
               y: Math.floor((cssH - arranged.height * unit) / 2) };
    canvas.style.width = `${cssW}px`;
    canvas.style.height = `${cssH}px`;
    canvas.width = Math.max(1, Math.ceil(cssW * dpr));
    canvas.height = Math.max(1, Math.ceil(cssH * dpr));
    placeControls(unit);
    placeMenu(unit);
    // The picture apart at the scale its board shows at.
    const scale = unit * dpr * TWIPS_PER_PIXEL;
    surface.retarget(picture);
    surface.setGeometry(Math.ceil(NATURAL_W * scale), Math.ceil(NATURAL_H * scale), scale);
    composite();
  }

  // ---- Input ---------------------------------------------------------------
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
    if (window.rindouOnline && window.rindouOnline.press(button, at.x, at.y)) return;
    run(() => game._rindou_mouse_down(button, at.x, at.y));
  }

  function menuCommand(name) {
    if (drawLog && game && !game._rindou_ended() && game._rindou_waiting() === 0)
      drawLog.push(`> menu ${name}`);
    run(() => game.ccall('rindou_menu', null, ['string'], [name]));
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
    const rect = canvas.getBoundingClientRect();
    const square = arranged.shape === DESKTOP ? 41 * rect.width / NATURAL_W : 615 * unit;
    const k = canvas.width / rect.width;
    const g = document.createElement('canvas');
    g.id = 'drag-ghost';
    g.width = Math.ceil(square * k);
    g.height = Math.ceil(square * 1.12 * k);
    g.getContext('2d').drawImage(canvas, (e.clientX - rect.left - square / 2) * k,
                                 (e.clientY - rect.top - square * 0.56) * k, g.width, g.height,
                                 0, 0, g.width, g.height);
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
  const menuTitles = new Map();
  document.addEventListener('keydown', (e) => {
    if (box.open || e.altKey || e.metaKey) return;
    if (e.ctrlKey) {
      const entry = !e.shiftKey && CTRL_KEYS[e.key.toLowerCase()];
      if (!entry || (e.target instanceof HTMLElement && e.target.matches('input, textarea'))) return;
      e.preventDefault();
      run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                           [menuTitles.get(entry) || '', entry]));
      return;
    }
    if (e.key === 'Escape' && document.body.classList.contains('drawer-open')) {
      // Esc closes the open drawer first, as it closes a menu, and does not
      // end the game behind it.
      setDrawer(false);
    } else if (e.key === 'Escape') {
      run(() => game._rindou_escape());
    } else if (KEYS[e.key]) {
      e.preventDefault();
      const entry = KEYS[e.key];
      run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                           [menuTitles.get(entry) || '', entry]));
    }
  });

  // ---- Start ---------------------------------------------------------------
  // The screen of a game that has ended.
  const ENDED_KEY = 'rindou.ended';
  function showEnded(words) {
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

  async function start() {
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
      return;
    }
    game = await instance({ rindouHooks: hooks });
    if (game.UTF8ToString(game._rindou_build_id()) !== BUILD_ID) {
      const module = game;
      game = null;
      anotherBuild(() => {
        throw new Error(`the page's module ${module.UTF8ToString(module._rindou_build_id())} ` +
                        `is of another build than the page ${BUILD_ID}`);
      });
      return;
    }
    const look = JSON.parse(game.UTF8ToString(game._rindou_look()));
    const [pictures] = await Promise.all([
      loadPictures(look.pictures), loadDataFiles(),
      kept.open(game._rindou_record_limit(), game._rindou_kept_list_limit())]);
    surface = new Surface(canvas, look, pictures);
    surface.changed = scheduleComposite;
    const tree = menuEntries();
    buildMenus(tree);
    // The title on the menu bar above each entry.
    const parentOf = new Map(tree.map((e) => [e.name, e.parent]));
    for (const e of tree) {
      let title = '';
      for (let up = e.parent; up; up = parentOf.get(up)) title = up;
      menuTitles.set(e.name, title);
    }
    fit();
    window.addEventListener('resize', fit);
    // The first Japanese text may have the browser read a large font from
    // the disk, and the audio context takes a while to make: each happens
    // in a task of its own, and the first drawing of the board in the next.
    const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));
    await nextTask();
    const scratch = document.createElement('canvas').getContext('2d');
    for (const size of [12, 16])
      for (const bold of [false, true]) {
        scratch.font = surface.font(size, bold, surface.scale);
        scratch.fillText('歩香桂銀金角飛王一二三四五六七八九手目0123456789', 0, 10);
      }
    await nextTask();
    sound.prepare();
    await nextTask();
    // The clock's tick; the game knows whether its clock runs.
    window.rindouClockTicks = 0;
    setInterval(() => { if (game && game._rindou_tick()) window.rindouClockTicks += 1; }, 50);
    game._rindou_start();
    // The start read the settings: the texts are in the language kept there.
    retranslate();
    // The game put aside goes on at the next visit (resume.js); leaving the
    // page keeps only a game that could not be put aside, as leaving the
    // program does.
    window.rindouResume.start(game);
    window.addEventListener('pagehide', () => window.rindouResume.leave());
    // Online play, when a Rindou server served the page (online.js).
    if (window.rindouOnline) window.rindouOnline.attach({ game, closeDrawer: () => setDrawer(false) });
    // For tests and the curious: the game's state as the console shows it.
    window.rindouShow = () => game.UTF8ToString(game._rindou_show());
    // 0 when nothing waits, else 1 + the kind of the wait (5: a search).
    window.rindouWaiting = () => game._rindou_waiting();
    document.body.dataset.ready = 'true';
  }

  // The page works offline and can be installed once its service worker has
  // kept its files.
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('service_worker.js').catch((e) => {
      console.warn('rindou: no offline copy', e);
    });
  }

  start().catch((e) => {
    document.body.dataset.state = 'failed';
    console.error(e);
  });
})();
