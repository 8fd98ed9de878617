// The page for anyone, in the system's Chromium: an audit by axe-core (run
// from app/web's own node_modules) at a phone's size and a desktop's, with
// the about box open and with the drawer open, finding nothing serious or
// critical; the help pages read at a phone's width; and the game played by
// the keyboard alone: a game started, a move made and said in words, every
// box and the drawer opened and closed.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const path = require('path');
const { AxeBuilder } = require(path.join(__dirname, '..', '..', 'app', 'web', 'node_modules',
                                         '@axe-core', 'playwright'));
const { runNative } = require('./console_scripts');
const { startPage, stopPage } = require('./browser_support');

let started, browser, address;

test.before(async () => {
  started = await startPage();
  ({ browser, address } = started);
});

test.after(() => stopPage(started));

async function open(width, height, touch, locale = 'ja-JP') {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: touch ? 3 : 1,
                                            hasTouch: touch, isMobile: touch, locale });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.state === 'idle', null, { timeout: 30000 });
  return { page, errors };
}

async function audit(page, what) {
  const result = await new AxeBuilder({ page }).analyze();
  const grave = result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
  for (const v of result.violations)
    console.log(`# axe ${what}: ${v.impact} ${v.id} (${v.nodes.length}): ${v.nodes.map((n) => n.target.join(' ')).slice(0, 3).join(', ')}`);
  assert.deepStrictEqual(grave.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`), [],
                         `serious or critical findings ${what}`);
}

const focused = (page) => page.evaluate(() => {
  const a = document.activeElement;
  return a ? a.dataset.entry || a.id || a.name || a.textContent : null;
});

// Tabs forward until the element the test names has the focus.
async function tabTo(page, name, limit = 40) {
  for (let i = 0; i < limit; ++i) {
    if (await focused(page) === name) return;
    await page.keyboard.press('Tab');
  }
  assert.fail(`the keys never reach ${name}`);
}

// Answers the boxes the game shows, by the keys, until it is idle.
async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open);
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.keyboard.press('Enter');
  }
}

test('axe finds nothing serious at a phone\'s size, a desktop\'s, with a box open and the drawer open', async (t) => {
  for (const [name, width, height, touch] of [['phone', 390, 844, true], ['desktop', 1280, 800, false]]) {
    await t.test(name, async () => {
      const { page, errors } = await open(width, height, touch);
      await audit(page, name);
      if (touch) {
        await page.click('#menu-toggle');
        await audit(page, `${name}, drawer open`);
      } else {
        await page.click('#menubar [data-entry="SONOTA"]');
        await page.click('#menubar [data-entry="VER"]');
        await page.waitForFunction(() => document.getElementById('box').open);
        await audit(page, `${name}, about box open`);
      }
      assert.deepStrictEqual(errors, []);
      await page.context().close();
    });
  }
});

test('the keyboard alone starts a game, moves, and opens and closes every box and the drawer', async (t) => {
  await t.test('desktop', async () => {
    const { page, errors } = await open(1280, 800, false, 'en-US');
    // The menus: a title opens by Enter, its entries follow it by Tab.
    await tabTo(page, 'TAIKYOKU');
    assert.notStrictEqual(await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle),
                          'none', 'the focus shows');
    await page.keyboard.press('Enter');
    await tabTo(page, 'MATCH_MAN');
    await page.keyboard.press('Enter');
    await tabTo(page, 'START');
    await page.keyboard.press('Enter');
    await settle(page);
    // The board: the cursor starts on a pawn of the lower side; Enter
    // takes it, the arrow up and Enter put it a square ahead.
    await tabTo(page, 'board');
    await page.keyboard.press('Enter');
    await settle(page);
    await page.keyboard.press('ArrowUp');
    assert.strictEqual(await page.textContent('#said'), 'Square 36', 'the cell said in words');
    await page.keyboard.press('Enter');
    await settle(page);
    const shown = await page.evaluate(() => window.rindouShow());
    const native = runNative('menu START\nmove 7 7 7 6\nshow\n').toString('utf8');
    assert.strictEqual(shown.slice(shown.lastIndexOf('board\n'), shown.indexOf('select')),
                       native.slice(native.lastIndexOf('board\n'), native.indexOf('select')));
    assert.match(await page.textContent('#said'), /^1\. .*P-36/, 'the move said in words');
    // The about box opens from the menu and Esc closes it.
    await page.keyboard.press('Shift+Tab');
    await tabTo(page, 'SONOTA');
    await page.keyboard.press('Enter');
    await tabTo(page, 'VER');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('box').open);
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.getElementById('box').open);
    // Resigning: Esc closes the notice of the winner; the question that
    // follows waits for an answer, and Yes by the keys starts a new game.
    const kind = () => page.evaluate(() => document.getElementById('box').open &&
                                     document.getElementById('box').dataset.kind);
    await tabTo(page, 'TAIKYOKU');
    await page.keyboard.press('Enter');
    await tabTo(page, 'TOURYOU');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('box').open);
    assert.strictEqual(await kind(), 'notice');
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.getElementById('box').dataset.kind === 'question' &&
                               document.getElementById('box').open);
    await page.keyboard.press('Escape');
    assert.strictEqual(await kind(), 'question', 'Esc does not answer a question');
    await tabTo(page, 'yes');
    await page.keyboard.press('Enter');
    await settle(page);
    assert.match(await page.evaluate(() => window.rindouShow()), / move 0 /);
    // The record panel opens from its menu and closes as the game's menu
    // opens; Esc closes that menu and leaves the keys on its title.
    await tabTo(page, 'KIFU');
    await page.keyboard.press('Enter');
    await tabTo(page, 'KIFU_WRITE');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => !document.getElementById('panel').hidden);
    await tabTo(page, 'TAIKYOKU');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('panel').hidden);
    await page.keyboard.press('Escape');
    assert.strictEqual(await page.locator('#menubar .open').count(), 0);
    assert.strictEqual(await focused(page), 'TAIKYOKU');
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('phone: the drawer', async () => {
    const { page, errors } = await open(390, 844, true);
    await tabTo(page, 'menu-toggle');
    await page.keyboard.press('Enter');
    assert.ok(await page.evaluate(() => document.body.classList.contains('drawer-open')));
    await page.keyboard.press('Escape');
    assert.ok(!(await page.evaluate(() => document.body.classList.contains('drawer-open'))));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });
});

test('the help pages read at a phone\'s width, with nothing to scroll sideways', async () => {
  const context = await browser.newContext({ viewport: { width: 360, height: 740 }, deviceScaleFactor: 3,
                                            hasTouch: true, isMobile: true });
  const page = await context.newPage();
  for (const help of ['Rindou.htm', 'Rindou-en.htm']) {
    await page.goto(address + help);
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    assert.ok(width <= 360, `${help} is ${width} CSS pixels wide`);
  }
  await context.close();
});
