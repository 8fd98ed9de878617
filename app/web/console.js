// The console in the page (window.rindouConsole): what rindou-cli prints
// for some input lines, each call a fresh session in a worker of its own.
import { instance } from './wasm.js';

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
