// The page on phones, a tablet and a desktop in the system's Chromium: the
// whole board and both hands in view without scrolling, squares a finger can
// take, hands clear of the screen's side edges, the menu within reach, and
// games played by taps and by drags.  Screenshots go to build-web/shots.
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

async function open(width, height, deviceScaleFactor, hasTouch, locale = 'ja-JP') {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor,
                                            hasTouch, isMobile: hasTouch, locale });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.state === 'idle', null, { timeout: 30000 });
  return { page, errors };
}

const point = (page, col, row, fx, fy) =>
  page.evaluate(([c, r, x, y]) => window.rindouCellPoint(c, r, x, y), [col, row, fx, fy]);

async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open);
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.click('dialog#box button');
  }
}

// Chooses menu entries, through the drawer where the menu bar is one.
async function menu(page, ...entries) {
  if (await page.isVisible('#menu-toggle') &&
      !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
    await page.click('#menu-toggle');
  for (const e of entries) await page.click(`#menubar [data-entry="${e}"]`);
}

const UPPER_HAND = [1, 2, 3, 4, 5, 6, 7].map((r) => [-1, r]);
const LOWER_HAND = [3, 4, 5, 6, 7, 8, 9].map((r) => [11, r]);

test('every size shows the whole board and both hands, and reaches the menu', async (t) => {
  const sizes = [['phone-360x740', 360, 740, 3, true], ['phone-390x844', 390, 844, 3, true],
                 ['phone-844x390', 844, 390, 3, true], ['tablet-820x1180', 820, 1180, 2, true],
                 ['desktop-1280x800', 1280, 800, 1, false]];
  for (const [name, width, height, ratio, touch] of sizes) {
    await t.test(name, async () => {
      const { page, errors } = await open(width, height, ratio, touch);
      const first = await point(page, 1, 1, 0, 0), last = await point(page, 9, 9, 1, 1);
      const square = (last.x - first.x) / 9;
      const share = (last.x - first.x) * (last.y - first.y) / (width * height);
      t.diagnostic(`${name}: ${await page.evaluate(() => document.body.dataset.arrangement)}, ` +
                   `squares ${square.toFixed(1)} CSS px, board ${(100 * share).toFixed(1)} % of the screen`);
      const inView = (p) => p && p.x >= 0 && p.y >= 0 && p.x <= width && p.y <= height;
      assert.ok(inView(first) && inView(last), 'the whole board in view');
      for (const [c, r] of UPPER_HAND.concat(LOWER_HAND)) {
        const left = await point(page, c, r, 0, 0), right = await point(page, c, r, 1, 1);
        assert.ok(inView(left) && inView(right), `hand cell ${c} ${r} in view`);
        if (touch) assert.ok(left.x >= 16 && right.x <= width - 16, `hand cell ${c} ${r} off the edges`);
      }
      if (width <= 400) assert.ok(square >= 38, `squares of ${square} px`);
      const overflow = await page.evaluate(() => [document.documentElement.scrollWidth,
                                                  document.documentElement.scrollHeight]);
      assert.ok(overflow[0] <= width && overflow[1] <= height, `no scrolling: ${overflow}`);
      await page.screenshot({ path: path.join(shots, `${name}.png`) });
      // The menu, through its drawer where one row does not hold it.
      await menu(page, 'TAIKYOKU');
      const entry = await page.locator('#menubar [data-entry="START2"]').boundingBox();
      assert.ok(entry && entry.x >= 0 && entry.x + entry.width <= width && entry.y + entry.height <= height,
                'the menu opens within the screen');
      await page.screenshot({ path: path.join(shots, `${name}-menu.png`) });
      assert.deepStrictEqual(errors, []);
      await page.context().close();
    });
  }
});

// A two-person game where the lower side captures a knight (asked whether to
// promote, it stays) and drops it from its hand.
const MOVES = [[1, 7, 1, 6], [1, 3, 1, 4], [1, 6, 1, 5], [9, 3, 9, 4], [1, 5, 1, 4],
               [2, 1, 1, 3], [1, 4, 1, 3, 'stay'], [9, 4, 9, 5], [11, 5, 1, 4]];

function nativeBoard() {
  const show = runNative(`menu START\n${MOVES.map(([a, b, c, d]) => `move ${a} ${b} ${c} ${d}`)
    .join('\n')}\nshow\n`).toString('utf8');
  return show.slice(show.lastIndexOf('board\n'), show.indexOf('select'));
}

async function playedGame(page, move) {
  await menu(page, 'TAIKYOKU', 'MATCH_MAN', 'START');
  await settle(page);
  for (const [c1, r1, c2, r2, choice] of MOVES) {
    await move(await point(page, c1, r1), await point(page, c2, r2));
    await settle(page);
    const asked = await page.evaluate(() => !document.getElementById('promotion').hidden);
    assert.strictEqual(asked, !!choice, `the choice asked at ${c2} ${r2}`);
    if (choice) {
      await page.tap(`#promotion #${choice}`);
      await settle(page);
    }
  }
  // The lower side moved last: the upper side is framed as the one to move.
  await page.waitForFunction(() => document.getElementById('board-frame').dataset.toMove === 'upper');
  const shown = await page.evaluate(() => window.rindouShow());
  assert.strictEqual(shown.slice(shown.lastIndexOf('board\n'), shown.indexOf('select')), nativeBoard());
}

test('a game is played on a phone by taps, and one by drags', async (t) => {
  await t.test('by taps', async () => {
    const { page, errors } = await open(390, 844, 3, true);
    await playedGame(page, async (from, to) => {
      await page.touchscreen.tap(from.x, from.y);
      await settle(page);
      await page.touchscreen.tap(to.x, to.y);
    });
    await page.screenshot({ path: path.join(shots, 'phone-taps.png') });
    // The big buttons run the menu's commands: 待った takes the drop back,
    // and the lower side is to move again.
    await page.tap('.control[data-command="MATTA"]');
    await settle(page);
    assert.match(await page.evaluate(() => window.rindouShow()), / move 8 .*\n.*end 9 /);
    await page.waitForFunction(() => document.getElementById('board-frame').dataset.toMove === 'lower');
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('by drags', async () => {
    const { page, errors } = await open(390, 844, 3, true);
    const cdp = await page.context().newCDPSession(page);
    const touch = (type, p) => cdp.send('Input.dispatchTouchEvent', {
      type, touchPoints: p ? [{ x: p.x, y: p.y, id: 1 }] : [] });
    let shot = false;
    await playedGame(page, async (from, to) => {
      await touch('touchStart', from);
      for (let i = 1; i <= 6; ++i)
        await touch('touchMove', { x: from.x + (to.x - from.x) * i / 6, y: from.y + (to.y - from.y) * i / 6 });
      if (!shot) {
        await page.screenshot({ path: path.join(shots, 'phone-dragging.png') });
        shot = true;
      }
      await touch('touchEnd', null);
    });
    assert.strictEqual(await page.locator('#drag-ghost').count(), 0, 'the carried piece is let go');
    await page.screenshot({ path: path.join(shots, 'phone-drags.png') });
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });
});

// A phone's first board is painted in slices after the game's start and
// composed, a part in each task, once the last is painted: what it shows
// must be the board drawn whole, as turning the phone and back draws it
// again.  In English too, where the start fits the page again for the
// language while the board is being painted.
for (const locale of ['ja-JP', 'en-US']) test(`a phone's first board shows what the board drawn whole shows (${locale})`, async () => {
  const { page, errors } = await open(390, 844, 3, true, locale);
  try {
    // What the screen shows of the board: its strips, one under another.
    const board = () => page.evaluate(() => new Promise((resolve) =>
      requestAnimationFrame(() => requestAnimationFrame(() => {
        const strips = [...document.querySelectorAll('#board-strips canvas')];
        const whole = document.createElement('canvas');
        whole.width = strips[0].width;
        whole.height = strips.reduce((h, s) => h + s.height, 0);
        let y = 0;
        for (const s of strips) {
          whole.getContext('2d').drawImage(s, 0, y);
          y += s.height;
        }
        resolve(whole.toDataURL());
      }))));
    const first = await board();
    await page.setViewportSize({ width: 844, height: 390 });
    await page.waitForFunction(() => document.body.dataset.arrangement === 'landscape');
    await page.setViewportSize({ width: 390, height: 844 });
    await page.waitForFunction(() => document.body.dataset.arrangement === 'portrait');
    const whole = await board();
    assert.ok(first.length > 10000, 'a board was drawn');
    assert.ok(first === whole, 'the first board differs from the board drawn whole');
    // The strips cover the board's box edge to edge, each showing its
    // pixels unscaled.
    const strips = await page.evaluate(() => {
      const board = document.getElementById('board').getBoundingClientRect();
      return { board: [board.top, board.bottom, board.width],
               strips: [...document.querySelectorAll('#board-strips canvas')].map((c) => {
                 const r = c.getBoundingClientRect();
                 return [r.top, r.bottom, r.width, c.width, c.height, getComputedStyle(c).visibility];
               }) };
    });
    assert.ok(strips.strips.length > 1, 'a phone shows the board in strips');
    assert.deepStrictEqual(strips.strips.map((s) => s[5]), strips.strips.map(() => 'visible'));
    strips.strips.forEach(([top, bottom, width, w, h], i) => {
      assert.strictEqual(top, i ? strips.strips[i - 1][1] : strips.board[0]);
      assert.strictEqual(width, strips.board[2]);
      assert.strictEqual(w, width * 3);
      if (i + 1 < strips.strips.length) assert.strictEqual(h, (bottom - top) * 3);
    });
    assert.strictEqual(strips.strips.at(-1)[1], strips.board[1]);
    // The canvas is hidden while its first composition is made: it must
    // show again once that is done.
    assert.strictEqual(await page.evaluate(() => getComputedStyle(document.getElementById('board-strips')).visibility),
                       'visible', 'the first board is left hidden');
    assert.deepStrictEqual(errors, []);
  } finally {
    await page.context().close();
  }
});
