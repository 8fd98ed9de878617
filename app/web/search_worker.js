// The deep search away from the page's thread: a module of its own that
// only runs written search requests and answers with the written result.
// A request from a page of another build is refused: the written request
// and result are only understood within one build.  A search that fails is
// said to have failed, never answered as "no move".
'use strict';
const BUILD_ID = '@RINDOU_BUILD_ID@';
importScripts('rindou.js');

const ready = createRindou();

self.onmessage = (e) => {
  const { serial, request, capMs, build } = e.data;
  ready.then((m) => {
    if (build !== BUILD_ID || m.UTF8ToString(m._rindou_build_id()) !== BUILD_ID) {
      self.postMessage({ serial, refused: true });
      return;
    }
    let result = '';
    try {
      result = m.ccall('rindou_run_search', 'string', ['string', 'number'], [request, capMs]);
    } catch (error) {
      console.error('rindou: the search failed', error);
    }
    self.postMessage(result ? { serial, result } : { serial, failed: true });
  }, () => self.postMessage({ serial, failed: true }));
};
