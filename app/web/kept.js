// The kept games: every finished or left game, in the browser's IndexedDB,
// shared safely between pages of the game open at once.

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
export const KEPT_LIST = '\x01kept-list';
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

export const kept = {
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
