// The study of a game away from the page's thread: a module of its own
// analyses the written game at LEVEL4 or LEVEL5 and tells the page how far
// it has come after every position, then hands back the analysis.  The
// page stops a study by ending this worker.
'use strict';
const BUILD_ID = '@RINDOU_BUILD_ID@';
importScripts('rindou.js');

self.onmessage = (e) => {
  const { request, level, build } = e.data;
  createRindou({
    rindouStudyProgress: (done, total) => self.postMessage({ progress: [done, total] }),
  }).then((m) => {
    if (build !== BUILD_ID || m.UTF8ToString(m._rindou_build_id()) !== BUILD_ID) {
      self.postMessage({ refused: true });
      return;
    }
    const result = m.ccall('rindou_study_analyse', 'string', ['string', 'number'], [request, level]);
    self.postMessage(result ? { analysis: JSON.parse(result) } : { failed: true });
  }).catch((error) => {
    console.error('rindou: the study failed', error);
    self.postMessage({ failed: true });
  });
};
