// window.rindouConsole's session, away from the page's thread: a module of
// its own runs the input's bytes through the console and hands back what
// it printed.  However long the input, the page goes on answering.
'use strict';
const BUILD_ID = '@RINDOU_BUILD_ID@';
importScripts('rindou.js');

self.onmessage = (e) => {
  const bytes = e.data.bytes;
  createRindou().then((m) => {
    if (m.UTF8ToString(m._rindou_build_id()) !== BUILD_ID)
      throw new Error('the console is of another build than its worker');
    const at = m._malloc(bytes.length + 1);
    if (!at) throw new Error('no memory for the console\'s input');
    try {
      m.HEAPU8.set(bytes, at);
      const out = m._rindou_console(at, bytes.length);
      const output = m.HEAPU8.slice(out, out + m._rindou_console_size());
      self.postMessage({ output }, [output.buffer]);
    } finally {
      m._free(at);
    }
  }).catch((error) => self.postMessage({ error: String(error && error.message || error) }));
};
