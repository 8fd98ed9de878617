// The page in the system's Chromium (headless, a fresh profile, no network
// but the loopback): it loads, its console is the native console, and real
// clicks on the menu and the board start a game that the computer answers.
// Screenshots at a desktop and a phone size go to RINDOU_WEB_SHOTS (default
// build-web/shots) for a person to look at.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium } = require(path.join(__dirname, '..', '..', 'app', 'web', 'node_modules',
                                       'playwright-core'));
const { serve } = require(path.join(__dirname, '..', '..', 'app', 'web', 'serve.js'));
const { root, site, scripts, runNative } = require('./console_scripts');

const shots = process.env.RINDOU_WEB_SHOTS || path.join(root, 'build-web', 'shots');
const TWIPS_PER_PIXEL = 15;

let server, browser, address;

test.before(async () => {
  server = await serve(site, 0);
  address = `http://127.0.0.1:${server.address().port}/`;
  // Playwright starts the browser on a user-data folder of its own, made
  // afresh and removed at the end.
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  fs.mkdirSync(shots, { recursive: true });
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
});

// A page in a context of its own (its own settings in local storage).
async function open(width, height, deviceScaleFactor = 1, hasTouch = false) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor,
                                            hasTouch, acceptDownloads: true });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.state === 'idle', null, { timeout: 30000 });
  return { page, errors };
}

// The page's point of a cell's centre, as the console's `click` finds it.
async function cellPoint(page, col, row) {
  const box = await page.locator('#board').boundingBox();
  const scale = box.width / 707;
  const x = (1300 + 615 * col + 307) / TWIPS_PER_PIXEL * scale;
  const y = (100 + 690 * row + 345) / TWIPS_PER_PIXEL * scale;
  return { x: box.x + x, y: box.y + y };
}

async function clickCell(page, col, row) {
  const p = await cellPoint(page, col, row);
  await page.mouse.click(p.x, p.y);
}

// Lets the game go on until nothing waits, answering each box that opens
// with its first button (OK, or Yes).
async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open);
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.click('dialog#box button');
  }
}

function field(show, pattern) {
  const m = show.match(pattern);
  return m ? Number(m[1]) : NaN;
}

test('the page plays', async (t) => {
  await t.test('its console prints what rindou-cli prints', async () => {
    const { page, errors } = await open(1280, 800);
    const [script] = scripts().filter((s) => s.name.startsWith('two_players'));
    const web = await page.evaluate((input) => window.rindouConsole(input), script.input);
    assert.strictEqual(web, runNative(script.input).toString('utf8'));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  for (const [name, width, height, ratio] of [['desktop', 1280, 800, 1], ['phone', 390, 844, 3]]) {
    await t.test(`at the ${name} size a game against LEVEL3 is answered`, async () => {
      const { page, errors } = await open(width, height, ratio);
      await page.screenshot({ path: path.join(shots, `${name}-start.png`) });
      const show = () => page.evaluate(() => window.rindouShow());
      assert.match(await show(), /level 3\n/);
      // 対局 > 対局(COM) > 先手: the person moves first.
      await page.click('#menubar [data-entry="TAIKYOKU"]');
      await page.click('#menubar [data-entry="START2"]');
      await page.screenshot({ path: path.join(shots, `${name}-menu.png`) });
      await page.click('#menubar [data-entry="SENTE"]');
      // The notice that it is the person's turn, closed with its button.
      await page.waitForSelector('dialog#box[open]');
      await page.screenshot({ path: path.join(shots, `${name}-notice.png`) });
      await page.click('dialog#box button');
      await page.waitForFunction(() => document.body.dataset.state === 'idle');
      assert.strictEqual(field(await show(), /move (\d+)/), 0);
      await clickCell(page, 7, 7);
      await clickCell(page, 7, 6);
      // The computer's answer: the second move of the game, the person's
      // turn again, and nothing waiting.
      await page.waitForFunction(() => / move 2 /.test(window.rindouShow()) &&
                                 document.body.dataset.state === 'idle', null, { timeout: 30000 });
      const after = await show();
      const rows = after.split('\n');
      assert.match(rows[7], /^(\S+ ){6}0 /, 'the pawn left its cell');
      assert.match(rows[6], /^(\S+ ){6}-10 /, 'the pawn is on the cell clicked');
      // The music of the start and the pieces' sounds were played.
      assert.ok(await page.evaluate(() => Number(document.body.dataset.sounds) >= 1));
      await page.screenshot({ path: path.join(shots, `${name}-answered.png`) });
      assert.deepStrictEqual(errors, []);
      await page.context().close();
    });
  }

  await t.test('a record is written as a download and read back from the file chosen', async () => {
    const { page, errors } = await open(1280, 800);
    const idle = () => page.waitForFunction(() => document.body.dataset.state === 'idle');
    const closeNotice = async () => {
      await page.waitForSelector('dialog#box[open]');
      await page.click('dialog#box button');
      await idle();
    };
    await page.click('#menubar [data-entry="TAIKYOKU"]');
    await page.click('#menubar [data-entry="MATCH_MAN"]');
    await page.click('#menubar [data-entry="START"]');
    await closeNotice();
    for (const [c, r] of [[7, 7], [7, 6], [3, 3], [3, 4]]) {
      await clickCell(page, c, r);
      await idle();
    }
    const played = await page.evaluate(() => window.rindouShow());
    await page.click('#menubar [data-entry="KIFU"]');
    await page.click('#menubar [data-entry="KIFU_WRITE"]');
    const boxes = page.locator('#panel-write input');
    const words = ['練習', '花子', '太郎', 'game'];
    for (let i = 0; i < 4; ++i) await boxes.nth(i).fill(words[i]);
    await page.screenshot({ path: path.join(shots, 'record-panel.png') });
    const [download] = await Promise.all([page.waitForEvent('download'),
                                           page.click('#panel-save')]);
    await closeNotice();
    assert.strictEqual(download.suggestedFilename(), 'game.棋譜');
    const saved = fs.readFileSync(await download.path());
    // The console writes the same file for the same game.
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-record-'));
    try {
      runNative(`menu START\nmove 7 7 7 6\nmove 3 3 3 4\n` +
                `save ${folder}|game|${words[0]}|${words[1]}|${words[2]}\n`);
      assert.ok(saved.equals(fs.readFileSync(path.join(folder, 'game.棋譜'))));
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
    // Read back into a fresh game: the same position.
    await page.click('#menubar [data-entry="TAIKYOKU"]');
    await page.click('#menubar [data-entry="MATCH_MAN"]');
    await page.click('#menubar [data-entry="START"]');
    await settle(page);
    await page.click('#menubar [data-entry="KIFU"]');
    await page.click('#menubar [data-entry="KIFU_READ"]');
    await page.setInputFiles('#panel-file', await download.path());
    await settle(page);
    // The record stands at its start; two steps forward (the Right key)
    // reach the position played.
    const board = (show) => show.slice(0, show.indexOf('turn'));
    assert.match(await page.evaluate(() => window.rindouShow()), /record count 0 end 2 mode 1/);
    for (let i = 0; i < 2; ++i) {
      await page.keyboard.press('ArrowRight');
      await settle(page);
    }
    assert.strictEqual(board(await page.evaluate(() => window.rindouShow())), board(played));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('on a touch screen a tap is the left button and a long press the right', async () => {
    const { page, errors } = await open(390, 844, 3, true);
    const cdp = await page.context().newCDPSession(page);
    const touch = async (type, p) => cdp.send('Input.dispatchTouchEvent',
                                              { type, touchPoints: p ? [p] : [] });
    await page.click('#menubar [data-entry="TAIKYOKU"]');
    await page.click('#menubar [data-entry="MATCH_MAN"]');
    await page.click('#menubar [data-entry="START"]');
    await settle(page);
    const moves = [[1, 7, 1, 6], [9, 3, 9, 4], [1, 6, 1, 5], [9, 4, 9, 5], [1, 5, 1, 4],
                   [9, 5, 9, 6], [1, 4, 1, 3]];
    for (const [i, [c1, r1, c2, r2]] of moves.entries()) {
      for (const [c, r] of [[c1, r1], [c2, r2]]) {
        const p = await cellPoint(page, c, r);
        const last = i === moves.length - 1 && c === c2 && r === r2;
        if (!last) {
          await page.touchscreen.tap(p.x, p.y);
        } else {
          // Held past the long press: the right button, which promotes.
          await touch('touchStart', p);
          await page.waitForFunction(() => / move 7 /.test(window.rindouShow()));
          await touch('touchEnd');
        }
        await settle(page);
      }
    }
    const native = runNative(`menu START\n${moves.map((m) => `move ${m.join(' ')}`).join('\n')}+\n`
                             + 'show\n').toString('utf8');
    const board = (show) => show.slice(show.lastIndexOf('board\n'), show.indexOf('turn'));
    const shown = await page.evaluate(() => window.rindouShow());
    assert.match(shown, /^-11 /m, 'the pawn promoted on the top row');
    assert.strictEqual(board(shown), board(native));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('a background chosen is the background of the next visit', async () => {
    const { page, errors } = await open(1280, 800);
    const checked = (entry) => page.evaluate(
      (e) => document.querySelector(`[data-entry="${e}"]`).classList.contains('checked'), entry);
    assert.ok(await checked('MIDORI'));
    await page.click('#menubar [data-entry="OPTION"]');
    await page.click('#menubar [data-entry="HAIKEI_GA"]');
    await page.click('#menubar [data-entry="TATAMI"]');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                               document.body.dataset.state === 'idle');
    assert.ok(await checked('TATAMI'));
    assert.ok(!(await checked('MIDORI')));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('at LEVEL4 the computer answers from the search worker', async () => {
    const { page, errors } = await open(1280, 800);
    await page.click('#menubar [data-entry="TAIKYOKU"]');
    await page.click('#menubar [data-entry="LEVEL"]');
    await page.click('#menubar [data-entry="LEVEL4"]');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    assert.match(await page.evaluate(() => window.rindouShow()), /level 4\n/);
    await page.click('#menubar [data-entry="TAIKYOKU"]');
    await page.click('#menubar [data-entry="START2"]');
    await page.click('#menubar [data-entry="SENTE"]');
    await page.waitForSelector('dialog#box[open]');
    await page.click('dialog#box button');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    await clickCell(page, 2, 7);
    await clickCell(page, 2, 6);
    await page.waitForFunction(() => / move 2 /.test(window.rindouShow()) &&
                               document.body.dataset.state === 'idle', null, { timeout: 60000 });
    assert.strictEqual(await page.evaluate(() => document.body.dataset.searchedIn), 'worker');
    // The worker searched the game's very position on the level's budget:
    // the console, searching in its own process, answers the same move with
    // the same score.
    const native = runNative('menu LEVEL4\nmenu SENTE\nmove 2 7 2 6\nshow\n').toString('utf8');
    const shown = native.slice(native.lastIndexOf('board\n'), native.lastIndexOf('ok\n'));
    assert.strictEqual(await page.evaluate(() => window.rindouShow()), shown);
    assert.strictEqual(`com ${await page.evaluate(() => document.body.dataset.computerMove)}`,
                       native.match(/^com .*$/m)[0]);
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });
});
