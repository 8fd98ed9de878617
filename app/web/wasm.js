// The game's WebAssembly module as the page uses it: compiled once and made
// into an instance for the game, for each console session and for the
// search worker; the build this page belongs to; and the kinds of wait the
// game hands the page, numbered as the module numbers them.

// The build of this page; its module and its workers must be of the same.
export const BUILD_ID = '@RINDOU_BUILD_ID@';
// A page reloaded because it met files of another build notes it here
// (for this tab only), so that it reloads once, never over and over.
export const RELOADED_KEY = 'rindou.reloadedForBuild';

// The module is compiled once; the game, each console session and the
// search worker are instances of their own.
// Asked in a task of its own rather than while the page's modules are
// evaluated, which holds a slow phone's thread long already; the page's
// head has the browser fetching it meanwhile.
export const compiled = yieldToPage().then(() => WebAssembly.compileStreaming(fetch('rindou.wasm')));
export function instance(options) {
  // Each step in a task of its own: the runtime's set-up, the
  // instantiation and the module's own start (its constructors) would
  // hold a slow phone's thread a long while together.
  return compiled.then((mod) => yieldToPage().then(() => createRindou(Object.assign({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(mod, imports).then((inst) => yieldToPage().then(() => receive(inst, mod)));
      return {};
    },
  }, options))));
}

// Lets the page's thread take input and draw before the work goes on.
// A task posted on a message channel runs without the clamp a timer has;
// scheduler.yield keeps the work ahead of other tasks where the browser has
// it.
export function yieldToPage() {
  if (globalThis.scheduler && typeof globalThis.scheduler.yield === 'function') return globalThis.scheduler.yield();
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = () => {
      channel.port1.close();
      resolve();
    };
    channel.port2.postMessage(null);
  });
}

// A text in the module's memory, NUL-ended, freed by the caller; 0 when
// the module has no memory for it.
export function cString(m, text) {
  const bytes = new TextEncoder().encode(text);
  const at = m._malloc(bytes.length + 1);
  if (!at) return 0;
  m.HEAPU8.set(bytes, at);
  m.HEAPU8[at + bytes.length] = 0;
  return at;
}

// The kinds of wait the game hands the page (pause, notice, question,
// about, search, end) by name, numbered as the module numbers them: the
// page keeps no copy of the game's own list to fall out of step with it.
let kinds = null;
export function waitKinds(m) {
  if (!kinds) kinds = Object.freeze(JSON.parse(m.UTF8ToString(m._rindou_wait_kinds())));
  return kinds;
}
