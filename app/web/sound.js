// Sound: the game's sound buffers on Web Audio, and the sound files the
// game reads as its data files.
import { yieldToPage } from './wasm.js';

// The game's sound buffers on Web Audio.  A browser lets a page sound only
// after the person has done something on it: what plays before then (the
// music of the start) starts at the first click or key.
export const sound = {
  context: null,
  buffers: [null],
  // The audio context takes a while to make: the page makes it in a task
  // of its own while its module comes, and a sound decoded before then
  // makes it.  Most of that while the page's thread only waits for the
  // browser to bring its audio up; asked first for the devices, which it
  // answers without holding the thread, the browser has it up by the time
  // the context is made.
  prepareAhead() {
    const made = () => setTimeout(() => this.prepare(), 0);
    const devices = navigator.mediaDevices;
    if (!devices || typeof devices.enumerateDevices !== 'function') {
      made();
      return;
    }
    devices.enumerateDevices().then(made, made);
  },
  prepare() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (Context && !this.context) this.context = new Context();
    return this.context;
  },
  start() {
    if (!window.AudioContext && !window.webkitAudioContext) return false;
    const wake = () => { if (this.context && this.context.state === 'suspended') this.context.resume(); };
    document.addEventListener('pointerdown', wake, true);
    document.addEventListener('keydown', wake, true);
    return true;
  },
  create(wav) {
    const b = { audio: null, playing: null, looping: false };
    this.buffers.push(b);
    if (standInRead !== null && wav.length === 1) {
      // A sound still on its way: the buffer takes it when it comes.
      if (!awaited.has(standInRead)) awaited.set(standInRead, []);
      awaited.get(standInRead).push(b);
      standInRead = null;
    } else {
      this.decode(b, wav);
    }
    return this.buffers.length - 1;
  },
  decode(b, wav) {
    if (!this.prepare()) return;
    this.context.decodeAudioData(wav.buffer).then((audio) => {
      b.audio = audio;
      // A loop asked for while the file was being decoded starts now.
      if (b.looping) this.play(this.buffers.indexOf(b), true);
    }, () => {});
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

// The program's data files the game reads (its sounds).  They are large
// and no frame needs them, so they come after the first board: until a
// sound has come the game is handed a stand-in of one byte for it, makes
// its buffer of that, and the buffer takes the sound's audio when it comes
// (a sound played before then is silent; the music starts as it comes).
// sounds.json lists them.
export const dataFiles = new Map();
let listed = new Set();
// The sound whose stand-in the game read last: the game makes its buffer
// of what it read at once, so the next buffer made is this sound's.
let standInRead = null;
const awaited = new Map();  // name -> buffers waiting for its audio

export async function listDataFiles() {
  try {
    listed = new Set(await (await fetch('sounds/sounds.json')).json());
  } catch {
    // Without its sounds the game plays silently.
  }
}

export function dataFileSize(name) {
  if (dataFiles.has(name)) return dataFiles.get(name).length;
  return listed.has(name) ? 1 : -1;
}

export function dataFileRead(name, heap, into) {
  if (dataFiles.has(name)) {
    heap.set(dataFiles.get(name), into);
    standInRead = null;
  } else {
    heap[into] = 0;
    standInRead = name;
  }
}

// Fetches the sounds listed; each one's waiting buffers take it.
export async function loadDataFiles() {
  await Promise.all([...listed].map(async (name) => {
    try {
      const r = await fetch(`sounds/${encodeURIComponent(name)}`);
      if (!r.ok) return;
      const bytes = await readBody(r);
      dataFiles.set(name, bytes);
      // decodeAudioData takes the bytes it is given: each buffer a copy,
      // each made in a task of its own.
      for (const b of awaited.get(name) || []) {
        await yieldToPage();
        sound.decode(b, bytes.slice());
      }
      awaited.delete(name);
    } catch {
      // That sound stays silent.
    }
  }));
}

// A response's body, taken first as a blob (kept by the browser outside
// the page's thread) and then read into the page's memory: read straight
// into it, the music's file (a megabyte) held a slow phone's thread for a
// tenth of a second as its last part came.
async function readBody(r) {
  const blob = await r.blob();
  await yieldToPage();
  return new Uint8Array(await blob.arrayBuffer());
}
