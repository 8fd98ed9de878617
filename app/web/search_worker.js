// The deep search away from the page's thread: a module of its own that
// only runs written search requests and answers with the written result.
'use strict';
importScripts('rindou.js');

const ready = createRindou();

self.onmessage = (e) => {
  const { serial, request, capMs } = e.data;
  ready.then((m) => {
    const result = m.ccall('rindou_run_search', 'string', ['string', 'number'], [request, capMs]);
    self.postMessage({ serial, result });
  });
};
