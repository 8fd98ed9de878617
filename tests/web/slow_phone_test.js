// The page opened on a slow phone: Chromium's emulation of a slow mobile
// network (1.6 Mbit/s down, 750 kbit/s up, 150 ms round trip) and of a
// processor four times slower, the site served as a host serves it (by
// rindou-server, with the compressed files beside each file, when the
// native build has it; else by serve.js).  It prints what a person waits
// for: the first drawn board, the first tap the game answers, the bytes
// that came down before the first frame, how far the page shifted after it
// and the longest task on the page's thread.  The figures depend on the
// machine that runs them, so nothing here is held against a time.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { chromium, launchOptions, serve } = require('./browser_support');
const { site, bindir } = require('./console_scripts');

const SLOW_NETWORK = { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8,
                       uploadThroughput: 750e3 / 8 };
const SLOW_CPU = 4;

// rindou-server on a loopback port of its own and a database of its own,
// once it says where it listens; null when the native build has none.
async function startServer() {
  let binary;
  try {
    binary = path.join(bindir(), 'rindou-server');
  } catch {
    return null;
  }
  if (!fs.existsSync(binary)) return null;
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-slow-'));
  const proc = spawn(binary, ['--listen', '127.0.0.1:0', '--database', path.join(dir, 'games.sqlite'),
                              '--site', site, '--threads', '1'], { stdio: ['ignore', 'pipe', 'inherit'] });
  const stop = () => {
    if (proc.exitCode === null && proc.signalCode === null) proc.kill('SIGTERM');
    fs.rmSync(dir, { recursive: true, force: true });
  };
  try {
    const port = await new Promise((resolve, reject) => {
      let out = '';
      const timer = setTimeout(() => reject(new Error('rindou-server did not say where it listens')), 20000);
      proc.stdout.on('data', (d) => {
        out += d;
        const m = out.match(/^listening \S+:(\d+)$/m);
        if (m) {
          clearTimeout(timer);
          resolve(Number(m[1]));
        }
      });
      proc.once('exit', () => reject(new Error('rindou-server stopped')));
    });
    return { address: `http://127.0.0.1:${port}/`, stop, by: 'rindou-server' };
  } catch (e) {
    stop();
    throw e;
  }
}

async function startHost() {
  const server = await startServer();
  if (server) return server;
  const plain = await serve(site, 0);
  return { address: `http://127.0.0.1:${plain.address().port}/`, stop: () => plain.close(), by: 'serve.js' };
}

// What the page records for this test from its first moment: the layout
// shifts (less those that follow input), the long tasks (the page's own
// observer starts only once its modules run) and when the first tap was
// answered.
function observe() {
  window.slowPhone = { shift: 0, shifts: 0, tapAnswered: null, tasks: [] };
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) window.slowPhone.tasks.push({ start: e.startTime, duration: e.duration });
  }).observe({ type: 'longtask', buffered: true });
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) {
      if (e.hadRecentInput) continue;
      window.slowPhone.shift += e.value;
      window.slowPhone.shifts += 1;
    }
  }).observe({ type: 'layout-shift', buffered: true });
  // A tap is answered once the game has taken it and the page has drawn
  // the frame after it.
  window.addEventListener('pointerup', () => {
    if (window.slowPhone.tapAnswered !== null) return;
    requestAnimationFrame(() => setTimeout(() => {
      if (window.slowPhone.tapAnswered === null) window.slowPhone.tapAnswered = performance.now();
    }, 0));
  });
}

// Waits until `condition` holds in the page, asking it from here about once
// a frame.  Not with Playwright's own waiting, which first puts a large
// script of its own into the page: evaluated on the page's thread under the
// slowed processor, it is itself a long task, and would be counted as the
// page's.
async function until(page, condition, timeoutMs) {
  const deadline = Date.now() + timeoutMs;
  while (!(await page.evaluate(condition))) {
    if (Date.now() > deadline) throw new Error(`the page did not come to ${condition}`);
    await new Promise((resolve) => setTimeout(resolve, 16));
  }
}

test('the page on a slow phone: first board, first tap, bytes, shift, longest task', async () => {
  const host = await startHost();
  const browser = await chromium.launch(launchOptions);
  try {
    const context = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
                                              hasTouch: true, isMobile: true, locale: 'ja-JP',
                                              // The emulation slows the page's own requests only:
                                              // a service worker's would come at full speed and
                                              // serve the page from them.
                                              serviceWorkers: 'block' });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    await page.addInitScript(observe);
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    const requests = new Map();
    const responses = [];
    cdp.on('Network.requestWillBeSent', (e) => requests.set(e.requestId, { url: e.request.url, sent: e.timestamp }));
    cdp.on('Network.loadingFinished', (e) => {
      const r = requests.get(e.requestId);
      if (r) responses.push({ url: r.url, sent: r.sent, end: e.timestamp, bytes: e.encodedDataLength });
    });
    await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
    await cdp.send('Network.emulateNetworkConditions', SLOW_NETWORK);
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: SLOW_CPU });

    await page.goto(host.address, { waitUntil: 'commit' });
    // The first tap as soon as the board shows and the game takes input,
    // on a square of the lower side's pawns.
    await until(page, () => document.body !== null && document.body.dataset.ready === 'true' &&
                document.body.dataset.state === 'idle' && document.body.dataset.firstFrameMs !== undefined,
                120000);
    const square = await page.evaluate(() => window.rindouCellPoint(7, 7));
    await page.touchscreen.tap(square.x, square.y);
    await until(page, () => window.slowPhone.tapAnswered !== null, 60000);
    // Whatever comes after the first frame (the sounds, the pictures not
    // drawn yet) has come before the shift and the tasks are read.
    await until(page, () => document.body.dataset.complete === 'true', 120000);

    const f = await page.evaluate(() => {
      const tasks = window.slowPhone.tasks;
      return {
        firstFrame: Number(document.body.dataset.firstFrameMs), tapAnswered: window.slowPhone.tapAnswered,
        shift: window.slowPhone.shift, shifts: window.slowPhone.shifts,
        longest: tasks.reduce((m, task) => Math.max(m, task.duration), 0), longTasks: tasks.length,
        taskList: tasks.map((task) => `${Math.round(task.start)}+${Math.round(task.duration)}`).join(' '),
      };
    });
    // The bytes as they came over the wire, by the time each response
    // ended, counted from the page's request.
    const start = responses.find((r) => r.url === host.address);
    f.before = 0;
    f.requestsBefore = 0;
    f.all = 0;
    for (const r of responses) {
      f.all += r.bytes;
      if ((r.end - start.sent) * 1000 <= f.firstFrame) {
        f.before += r.bytes;
        f.requestsBefore += 1;
      }
    }
    const kb = (n) => `${(n / 1024).toFixed(0)} KiB`;
    const lines = [
      `served by ${host.by}; 390x844 at 3x; ${SLOW_NETWORK.downloadThroughput * 8 / 1e6} Mbit/s down, ` +
        `${SLOW_NETWORK.latency} ms, CPU / ${SLOW_CPU}`,
      `first drawn board: ${f.firstFrame} ms after navigation`,
      `first answered tap: ${Math.round(f.tapAnswered)} ms after navigation`,
      `bytes before the first frame: ${kb(f.before)} in ${f.requestsBefore} responses ` +
        `(${kb(f.all)} once the sounds and the other pictures have come)`,
      `cumulative layout shift: ${f.shift.toFixed(4)} (${f.shifts} shifts)`,
      `longest task on the page's thread: ${f.longTasks ? `${Math.round(f.longest)} ms ` +
        `(${f.longTasks} over 50 ms)` : 'none over 50 ms'}`,
    ];
    if (f.longTasks) lines.push(`long tasks (start+length, ms): ${f.taskList}`);
    for (const line of lines) console.log(`slow phone: ${line}`);
    // What the figures stand on: a board was drawn, before the tap, and
    // the page met no error.
    assert.ok(f.firstFrame > 0 && f.tapAnswered > f.firstFrame, 'a board drawn, then a tap answered');
    assert.ok(f.before > 0 && f.all >= f.before);
    assert.deepStrictEqual(errors, []);
    await context.close();
  } finally {
    await browser.close();
    host.stop();
  }
});
