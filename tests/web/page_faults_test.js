// What a careless or hostile visitor does to the page, and what the page
// must not lose or stall on: two tabs keeping games at once, storage that
// holds what no game wrote, a huge file dropped, a search worker that
// fails or is of another build, the console's odd input, the end of the
// game, and the keys and lists a person uses.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const { runNative } = require('./console_scripts');
const { shots, startPage, stopPage } = require('./browser_support');

let started, browser, address;

test.before(async () => {
  started = await startPage();
  ({ browser, address } = started);
});

test.after(() => stopPage(started));

const ready = (page) => page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                                             document.body.dataset.state === 'idle', null, { timeout: 30000 });

async function newPage(context) {
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await ready(page);
  return { page, errors };
}

async function context(options = {}) {
  return browser.newContext({ viewport: { width: 1280, height: 800 }, locale: 'ja-JP', ...options });
}

async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open, null, { timeout: 60000 });
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.click('dialog#box button');
  }
}

async function clickCell(page, col, row) {
  const p = await page.evaluate(([c, r]) => window.rindouCellPoint(c, r), [col, row]);
  await page.mouse.click(p.x, p.y);
}

// Opens the drawer the menu bar becomes on a small screen, if it is closed.
async function openDrawer(page) {
  if (await page.isVisible('#menu-toggle') &&
      !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
    await page.click('#menu-toggle');
}

async function menu(page, ...entries) {
  await openDrawer(page);
  for (const e of entries) await page.click(`#menubar [data-entry="${e}"]`);
}

// A two-person game with one move played.
async function oneMove(page) {
  await menu(page, 'TAIKYOKU', 'MATCH_MAN', 'START');
  await settle(page);
  await clickCell(page, 7, 7);
  await clickCell(page, 7, 6);
  await settle(page);
}

async function listed(page) {
  await menu(page, 'KIFU', 'KIFU_READ');
  return page.$$eval('#kept-list li[data-name]', (lis) => lis.map((li) => li.dataset.name));
}

const show = (page) => page.evaluate(() => window.rindouShow());

test('the page loses nothing', async (t) => {
  await t.test('two tabs keeping games at the same moment keep every one', async () => {
    const c = await context();
    const tabs = [await newPage(c), await newPage(c)];
    const rounds = 3;
    for (let i = 0; i < rounds; ++i) {
      for (const { page } of tabs) await oneMove(page);
      // Home in both at once: each game is kept as it is left.
      await Promise.all(tabs.map(({ page }) => page.keyboard.press('Home')));
      for (const { page } of tabs) await settle(page);
    }
    // Both reloaded at once, each with a game on the board: the game of the
    // tab that acted last goes on, the other's is kept as left.
    for (const { page } of tabs) await oneMove(page);
    await Promise.all(tabs.map(({ page }) => page.reload()));
    for (const { page } of tabs) await ready(page);
    const names = await listed((await newPage(c)).page);
    assert.strictEqual(names.length, 2 * rounds + 1, names.join('\n'));
    assert.strictEqual(new Set(names).size, names.length);
    for (const { errors } of tabs) assert.deepStrictEqual(errors, []);
    await c.close();
  });

  await t.test('storage holding what no game wrote neither stalls the start nor hides later games', async () => {
    const c = await context();
    const { page } = await newPage(c);
    await page.evaluate(() => new Promise((resolve, reject) => {
      const r = indexedDB.open('rindou', 1);
      r.onsuccess = () => {
        const tx = r.result.transaction('kept', 'readwrite');
        const store = tx.objectStore('kept');
        // A value that claims a length of 10^9, and a list over 1 MiB.
        store.put({ length: 1e9 }, '2000-01-01_00-00-00.棋譜');
        store.put(new TextEncoder().encode('1 0000000000000000 none.棋譜\n'.repeat(40000)), '\x01kept-list');
        tx.oncomplete = () => { r.result.close(); resolve(); };
        tx.onerror = () => reject(tx.error);
      };
    }));
    await page.reload();
    await ready(page);
    await oneMove(page);
    await menu(page, 'TAIKYOKU', 'TOURYOU');
    await settle(page);
    await page.reload();
    await ready(page);
    const names = await listed(page);
    assert.strictEqual(names.length, 1);
    // Notes left by pages now gone: an earlier version's whole list, older
    // than the list stored, and a game another page kept but never wrote.
    await page.evaluate(() => {
      localStorage.setItem('rindou.keptJournal',
                           JSON.stringify([{ serial: '1', name: '\x01kept-list', put: true, data: '' }]));
      localStorage.setItem('rindou.keptJournal.gone', JSON.stringify([
        { serial: '1-gone-1', kind: 'game', name: '2001-01-01_00-00-00.棋譜', data: 'x' },
        { serial: '1-gone-2', kind: 'list', add: ['1 0 2001-01-01_00-00-00.棋譜'], drop: [] }]));
    });
    await page.reload();
    await ready(page);
    assert.deepStrictEqual(await listed(page), ['2001-01-01_00-00-00.棋譜'].concat(names));
    assert.deepStrictEqual(await page.evaluate(() => Object.keys(localStorage).filter((k) => k.includes('Journal'))), []);
    await c.close();
  });

  await t.test('the first board\'s pictures are remembered for the next visit, and a wrong memory costs nothing', async () => {
    const c = await context();
    const { page, errors } = await newPage(c);
    const remembered = () => page.evaluate(() => JSON.parse(localStorage.getItem('rindou.firstPictures')));
    const drawn = await remembered();
    assert.ok(drawn.some((f) => /^pictures\/KARA_MASU(@2x)?\.png$/.test(f)), String(drawn));
    for (const wrong of [JSON.stringify(['pictures/NO_SUCH.png']), JSON.stringify(['api/server']), '{', '42']) {
      await page.evaluate((w) => localStorage.setItem('rindou.firstPictures', w), wrong);
      await page.reload();
      await ready(page);
      assert.deepStrictEqual((await remembered()).sort(), drawn.slice().sort(), wrong);
    }
    assert.deepStrictEqual(errors, []);
    await c.close();
  });

  await t.test('a dropped file larger than any record is refused before it is read', async () => {
    const c = await context();
    const { page, errors } = await newPage(c);
    const drop = await page.evaluateHandle(() => {
      window.bytesRead = 0;
      const read = Blob.prototype.arrayBuffer;
      // Files only: the page reads its own downloads (its sounds) as blobs.
      Blob.prototype.arrayBuffer = function arrayBuffer() {
        if (this instanceof File) window.bytesRead += this.size;
        return read.call(this);
      };
      const mib = new Uint8Array(1 << 20);
      const t = new DataTransfer();
      t.items.add(new File(new Array(300).fill(mib), 'huge.棋譜'));
      return t;
    });
    await page.dispatchEvent('#board', 'drop', { dataTransfer: drop });
    await page.waitForSelector('dialog#box[open]');
    assert.match(await page.textContent('#box-text'), /大き/);
    await settle(page);
    assert.strictEqual(await page.evaluate(() => window.bytesRead), 0);
    assert.match(await show(page), /record count 0 end 0/);
    assert.deepStrictEqual(errors, []);
    await c.close();
  });

  await t.test('a search worker that fails, or is of another build, never costs the computer its move', async () => {
    const c = await context();
    // Every search worker throws at its first request.
    await c.addInitScript(() => {
      const Real = window.Worker;
      window.RealWorker = Real;
      window.Worker = function Worker(url, options) {
        if (!String(url).includes('search_worker')) return new Real(url, options);
        const behaviour = localStorage.getItem('test.searchWorker');
        const code = behaviour === 'refuse'
          ? 'onmessage = (e) => postMessage({ serial: e.data.serial, refused: true });'
          : 'onmessage = () => { throw new Error("broken worker"); };';
        return new Real(URL.createObjectURL(new Blob([code])));
      };
    });
    const { page } = await newPage(c);
    // The real worker refuses a request of another build.
    assert.deepStrictEqual(await page.evaluate(() => new Promise((resolve) => {
      const real = new window.RealWorker('search_worker.js');
      real.onmessage = (e) => { real.terminate(); resolve(e.data); };
      real.postMessage({ serial: 1, request: '', capMs: 1, build: 'another' });
    })), { serial: 1, refused: true });
    await menu(page, 'TAIKYOKU', 'LEVEL', 'LEVEL4');
    await menu(page, 'TAIKYOKU', 'START2', 'SENTE');
    await settle(page);
    await clickCell(page, 2, 7);
    await clickCell(page, 2, 6);
    await page.waitForFunction(() => / move 2 /.test(window.rindouShow()) &&
                               document.body.dataset.state === 'idle', null, { timeout: 60000 });
    assert.strictEqual(await page.evaluate(() => document.body.dataset.searchedIn), 'page');
    assert.strictEqual(await page.evaluate(() => document.body.dataset.searchFailures), '2');
    const native = runNative('menu LEVEL4\nmenu SENTE\nmove 2 7 2 6\nshow\n').toString('utf8');
    assert.strictEqual(await show(page), native.slice(native.lastIndexOf('board\n'), native.lastIndexOf('ok\n')));
    // A worker of another build: the page reloads, and the game goes on
    // from before the move the search was for.
    await page.evaluate(() => localStorage.setItem('test.searchWorker', 'refuse'));
    await page.keyboard.press('Home');
    await settle(page);
    await menu(page, 'TAIKYOKU', 'START2', 'SENTE');
    await settle(page);
    await clickCell(page, 2, 7);
    await Promise.all([page.waitForEvent('load'), clickCell(page, 2, 6)]);
    await ready(page);
    assert.match(await show(page), /move 0 [^]*record count 0 /);
    // The game left for the new one only.
    assert.strictEqual((await listed(page)).length, 1);
    await c.close();
  });

  await t.test('the console takes a NUL as a byte of its line, and a long input never stops the page', async () => {
    const c = await context();
    const { page, errors } = await newPage(c);
    const odd = 'show\0x\nmenu SENTE\n';
    assert.strictEqual(await page.evaluate((input) => window.rindouConsole(input), odd),
                       runNative(odd).toString('utf8'));
    // Two million empty lines, and a line of 80 MB: the page goes on
    // drawing frames meanwhile.
    const { output, frames } = await page.evaluate(async () => {
      let frames = 0, done = false;
      const frame = () => { frames += 1; if (!done) requestAnimationFrame(frame); };
      requestAnimationFrame(frame);
      const output = await window.rindouConsole(`${'\n'.repeat(2e6)}${'x'.repeat(80e6)}\nshow\n`);
      done = true;
      return { output: output.slice(-2000), frames };
    });
    assert.match(output, /error line too long\nboard\n[^]*ok\n$/);
    assert.ok(frames >= 10, `${frames} frames drawn while the console ran`);
    assert.deepStrictEqual(errors, []);
    await c.close();
  });

  for (const [size, width, height, ratio, locale] of [['phone', 390, 844, 3, 'ja-JP'],
                                                      ['desktop', 1280, 800, 1, 'en-US']]) {
    await t.test(`at the ${size} size Ctrl+Z takes back, kept games are listed whole, and the end is a screen that outlasts a reload`, async () => {
      const c = await context({ viewport: { width, height }, deviceScaleFactor: ratio, locale });
      const { page, errors } = await newPage(c);
      await oneMove(page);
      await page.keyboard.press('Control+z');
      await settle(page);
      assert.match(await show(page), /record count 0 end 1/);
      await clickCell(page, 7, 7);
      await clickCell(page, 7, 6);
      await settle(page);
      await menu(page, 'TAIKYOKU', 'OWARI');
      await page.waitForFunction(() => document.body.dataset.state === 'ended');
      const words = locale === 'ja-JP' ? /保存されました/ : /was kept/;
      assert.match(await page.textContent('#ended'), words);
      await page.screenshot({ path: path.join(shots, `${size}-ended.png`) });
      await page.reload();
      await page.waitForFunction(() => document.body.dataset.state === 'ended');
      assert.match(await page.textContent('#ended'), words);
      await page.click('#ended-again');
      await ready(page);
      const names = await listed(page);
      assert.strictEqual(names.length, 1);
      // Each name is shown whole.
      const labels = await page.$$eval('#kept-list li[data-name] span', (spans) => spans.map((s) => ({
        text: s.textContent, whole: s.scrollWidth <= s.clientWidth && s.getBoundingClientRect().width > 0,
      })));
      assert.deepStrictEqual(labels, names.map((n) => ({ text: n.replace(/\.棋譜$/, ''), whole: true })));
      assert.deepStrictEqual(errors, []);
      await c.close();
    });
  }
});
