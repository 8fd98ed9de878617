// The study in the page: a record where the lower side leaves its rook to
// the upper bishop, loaded from its file and analysed at LEVEL4 in the
// study's worker, gives the scores, drops and marks rindou-cli's `analyse`
// prints for it, the blunder marked with the better move; a line pressed
// shows its position, and a study cancelled leaves the last one standing.
// The sheet is looked at on a desktop and on an upright phone.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { runNative } = require('./console_scripts');
const { shots, startPage, stopPage } = require('./browser_support');

const MOVES = [[8, 7, 8, 6], [7, 3, 7, 4], [8, 6, 8, 5], [8, 2, 6, 4], [8, 8, 8, 6], [6, 4, 8, 6]];

let started, record, native;

test.before(async () => {
  started = await startPage();
  // The console plays the record, writes its file and analyses it.
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-study-'));
  const out = runNative(`menu START\n${MOVES.map((m) => `move ${m.join(' ')}`).join('\n')}\n` +
                        `save ${folder}|rook|練習|花子|太郎\nanalyse 4\n`).toString('utf8');
  record = path.join(folder, 'rook.棋譜');
  native = out.split('\n').filter((l) => l.startsWith('move ')).map((l) => {
    const m = /^move (\d+) \S+ \S+ \S+ before (-?\d+) after (-?\d+) drop (\S+) (\w+)(?: best (\S+))?/.exec(l);
    return { number: Number(m[1]), before: m[2], after: m[3], drop: m[4], mark: m[5], best: m[6] };
  });
});

test.after(async () => {
  await stopPage(started);
  if (record) fs.rmSync(path.dirname(record), { recursive: true, force: true });
});

async function open(width, height, phone) {
  const context = await started.browser.newContext({
    viewport: { width, height }, deviceScaleFactor: phone ? 3 : 1, hasTouch: phone, isMobile: phone,
    locale: 'ja-JP' });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(started.address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.state === 'idle', null, { timeout: 30000 });
  return { page, errors };
}

async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open);
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.click('dialog#box button');
  }
}

async function menu(page, ...entries) {
  for (const e of entries) {
    if (await page.isVisible('#menu-toggle') &&
        !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
      await page.click('#menu-toggle');
    await page.click(`#menubar [data-entry="${e}"]`);
  }
}

// The record read from its file, the study shown and analysed at LEVEL4.
async function analysed(page) {
  await menu(page, 'KIFU', 'KIFU_READ');
  await page.setInputFiles('#panel-file', record);
  await settle(page);
  await menu(page, 'KIFU', 'MOVE_LIST');
  await page.waitForSelector('#study:not([hidden])');
  await page.click('#study-actions button[data-level="4"]');
  await page.waitForFunction(() => document.getElementById('study').dataset.state === 'analysed',
                             null, { timeout: 120000 });
}

const lines = (page) => page.$$eval('#study-moves li', (items) => items.map((li) => ({
  ...li.dataset, className: li.className, text: li.textContent })));

test('the page studies a record as the console does', async () => {
  assert.strictEqual(native.length, 6);
  assert.strictEqual(native[4].mark, 'blunder');
  const { page, errors } = await open(1280, 800, false);
  await analysed(page);
  const shown = await lines(page);
  assert.strictEqual(shown.length, 7, 'the start and six moves');
  for (const n of native) {
    const line = shown[n.number];
    assert.deepStrictEqual([line.before, line.after, line.drop, line.mark],
                           [n.before, n.after, n.drop, n.mark], `move ${n.number}`);
    assert.strictEqual(line.className, n.mark === 'none' ? '' : n.mark);
    if (n.best) assert.ok(line.text.includes(n.best), `move ${n.number}: ${line.text}`);
  }
  assert.ok(shown[5].text.includes('??'), shown[5].text);
  assert.match(await page.textContent('#study-summary'), /悪手 1 .*\n?.*悪手 0/s);

  // A line pressed shows the position after that move.
  await page.click('#study-moves li:nth-child(6) button');
  await settle(page);
  assert.match(await page.evaluate(() => window.rindouShow()), /record count 5 end 6/);
  assert.strictEqual(await page.getAttribute('#study-moves li:nth-child(6) button', 'aria-current'),
                     'step');
  await page.screenshot({ path: path.join(shots, 'study-desktop-1280x800.png') });

  // A deeper study cancelled: its worker ends, and the marks shown are the
  // last study's.
  await page.click('#study-actions button[data-level="5"]');
  await page.waitForSelector('#study-progress:not([hidden])');
  await page.click('#study-cancel');
  assert.strictEqual(await page.isVisible('#study-progress'), false);
  assert.deepStrictEqual((await lines(page)).map((l) => l.drop), shown.map((l) => l.drop));
  assert.deepStrictEqual(errors, []);
  await page.context().close();
});

test('on an upright phone the study is a sheet below the board', async () => {
  const { page, errors } = await open(390, 844, true);
  await analysed(page);
  const corner = await page.evaluate(() => window.rindouCellPoint(9, 9, 1, 1));
  const sheet = await page.locator('#study').boundingBox();
  assert.ok(corner.y <= sheet.y, `the board (to ${corner.y}) above the sheet (from ${sheet.y})`);
  assert.ok(sheet.y + sheet.height <= 844 && sheet.width <= 390, 'the sheet within the screen');
  assert.strictEqual((await lines(page))[5].mark, 'blunder');
  await page.screenshot({ path: path.join(shots, 'study-phone-390x844.png') });
  assert.deepStrictEqual(errors, []);
  await page.context().close();
});
