// Sound: the game's sound buffers on Web Audio, and the sound files the
// game reads as its data files.

// The game's sound buffers on Web Audio.  A browser lets a page sound only
// after the person has done something on it: what plays before then (the
// music of the start) starts at the first click or key.
export const sound = {
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
export const dataFiles = new Map();
export async function loadDataFiles() {
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
