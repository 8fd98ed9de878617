// The deep search's speed in the browser against the native build: the same
// console script (LEVEL5 searches of positions from one game) run by the
// native rindou-cli and by window.rindouConsole in the system's Chromium,
// each searching the same nodes; prints both times, the nodes and the ratio.
//
//   node tools/web/search_speed.js [BUILD_DIR [SITE_DIR]]
'use strict';
const path = require('path');
const { execFileSync } = require('child_process');
const root = path.resolve(__dirname, '..', '..');
process.env.RINDOU_BUILD_DIR = process.argv[2] || process.env.RINDOU_BUILD_DIR || path.join(root, 'build');
process.env.RINDOU_WEB_SITE = process.argv[3] || process.env.RINDOU_WEB_SITE || path.join(root, 'build-web', 'site');
const { chromium } = require(path.join(root, 'app', 'web', 'node_modules', 'playwright-core'));
const { serve } = require(path.join(root, 'app', 'web', 'serve.js'));
const { site, runNative } = require(path.join(root, 'tests', 'web', 'console_scripts.js'));

// Two people play a few moves; after each, LEVEL5 searches the position.
const moves = ['7 7 7 6', '3 3 3 4', '2 7 2 6', '8 3 8 4', '2 6 2 5', '8 4 8 5'];
let script = 'menu LEVEL5\nmenu START\n';
for (const m of moves) script += `move ${m}\nsearch 5\n`;

function nodesOf(output) {
  // The last depth's count of each search.
  let total = 0, last = 0;
  for (const line of output.split('\n')) {
    const m = line.match(/^info depth \d+ score \S+ nodes (\d+)/);
    if (m) last = Number(m[1]);
    if (line.startsWith('best ')) { total += last; last = 0; }
  }
  return total;
}

(async () => {
  runNative(script);  // once to warm the caches
  let t = process.hrtime.bigint();
  const native = runNative(script).toString('utf8');
  const nativeMs = Number(process.hrtime.bigint() - t) / 1e6;

  const server = await serve(site, 0);
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
  try {
    const page = await (await browser.newContext()).newPage();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForFunction(() => document.body.dataset.ready === 'true');
    await page.evaluate((s) => window.rindouConsole(s), script);  // warm
    const { web, ms } = await page.evaluate(async (s) => {
      const t0 = performance.now();
      const out = await window.rindouConsole(s);
      return { web: out, ms: performance.now() - t0 };
    }, script);
    if (web !== native) throw new Error('the browser searched otherwise than the native build');
    const nodes = nodesOf(native);
    console.log(`searches: ${moves.length} at LEVEL5, ${nodes} nodes (last depths)`);
    console.log(`native:  ${nativeMs.toFixed(0)} ms, ${Math.round(nodes / nativeMs * 1000)} nodes/s`);
    console.log(`browser: ${ms.toFixed(0)} ms, ${Math.round(nodes / ms * 1000)} nodes/s`);
    console.log(`browser / native speed: ${(nativeMs / ms).toFixed(2)}`);
  } finally {
    await browser.close();
    server.close();
  }
})().catch((e) => { console.error(e); process.exit(1); });
