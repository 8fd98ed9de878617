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
const { execFileSync } = require('child_process');
const { root, site, bindir, scripts, runNative } = require('./console_scripts');
const { serve, shots, startPage, stopPage } = require('./browser_support');

let started, browser, address;

test.before(async () => {
  started = await startPage();
  ({ browser, address } = started);
});

test.after(() => stopPage(started));

// A page in a context of its own (its own settings in local storage).
async function open(width, height, deviceScaleFactor = 1, hasTouch = false, locale = 'ja-JP') {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor,
                                            hasTouch, acceptDownloads: true, locale });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.state === 'idle', null, { timeout: 30000 });
  return { page, errors };
}

// The page's point of a cell's centre, wherever the page's arrangement
// shows it.
async function cellPoint(page, col, row) {
  return page.evaluate(([c, r]) => window.rindouCellPoint(c, r), [col, row]);
}

// Opens the drawer the menu bar becomes on a small screen, if it is closed.
async function openDrawer(page) {
  if (await page.isVisible('#menu-toggle') &&
      !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
    await page.click('#menu-toggle');
}

// Chooses an entry of the menu bar, through its drawer where it is one.
async function pick(page, entry) {
  await openDrawer(page);
  await page.click(`#menubar [data-entry="${entry}"]`);
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
    for (const script of scripts().filter((s) => /^(two_players|soak)/.test(s.name))) {
      const web = await page.evaluate((input) => window.rindouConsole(input), script.input);
      assert.strictEqual(web, runNative(script.input).toString('utf8'), script.name);
    }
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
      await pick(page, 'TAIKYOKU');
      await pick(page, 'START2');
      await page.screenshot({ path: path.join(shots, `${name}-menu.png`) });
      await pick(page, 'SENTE');
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
    await pick(page, 'TAIKYOKU');
    await pick(page, 'MATCH_MAN');
    await pick(page, 'START');
    await closeNotice();
    for (const [c, r] of [[7, 7], [7, 6], [3, 3], [3, 4]]) {
      await clickCell(page, c, r);
      await idle();
    }
    const played = await page.evaluate(() => window.rindouShow());
    await pick(page, 'KIFU');
    await pick(page, 'KIFU_WRITE');
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
    await pick(page, 'TAIKYOKU');
    await pick(page, 'MATCH_MAN');
    await pick(page, 'START');
    await settle(page);
    await pick(page, 'KIFU');
    await pick(page, 'KIFU_READ');
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
    // The same file dropped on the page is read as if chosen.
    await pick(page, 'TAIKYOKU');
    await pick(page, 'MATCH_MAN');
    await pick(page, 'START');
    await settle(page);
    const drop = await page.evaluateHandle((bytes) => {
      const t = new DataTransfer();
      t.items.add(new File([new Uint8Array(bytes)], 'dropped.棋譜'));
      return t;
    }, [...saved]);
    await page.dispatchEvent('#board', 'drop', { dataTransfer: drop });
    await settle(page);
    assert.match(await page.evaluate(() => window.rindouShow()), /record count 0 end 2 mode 1/);
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('on a touch screen a tap moves, and two buttons ask where promotion is optional', async () => {
    const { page, errors } = await open(390, 844, 3, true);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'MATCH_MAN');
    await pick(page, 'START');
    await settle(page);
    // Both sides' pawns reach the other's camp; the last one the far row,
    // where it must promote.  The choice asked, by the move that asks it.
    const moves = [[1, 7, 1, 6], [9, 3, 9, 4], [1, 6, 1, 5], [9, 4, 9, 5], [1, 5, 1, 4],
                   [9, 5, 9, 6], [1, 4, 1, 3, 'stay'], [9, 6, 9, 7, 'promote'],
                   [1, 3, 1, 2, 'stay'], [2, 3, 2, 4], [1, 2, 1, 1]];
    for (const [c1, r1, c2, r2, choice] of moves) {
      for (const [c, r] of [[c1, r1], [c2, r2]]) {
        const p = await cellPoint(page, c, r);
        await page.touchscreen.tap(p.x, p.y);
        await settle(page);
      }
      const asked = await page.evaluate(() => !document.getElementById('promotion').hidden);
      assert.strictEqual(asked, !!choice, `the choice asked at ${c2} ${r2}`);
      if (choice) {
        if (c2 === 1 && r2 === 3) await page.screenshot({ path: path.join(shots, 'phone-promotion.png') });
        await page.tap(`#promotion #${choice}`);
        await settle(page);
      }
    }
    const native = runNative(`menu START\n${moves.map(([a, b, c, d, choice]) =>
      `move ${a} ${b} ${c} ${d}${choice === 'promote' || (c === 1 && d === 1) ? '+' : ''}`)
      .join('\n')}\nshow\n`).toString('utf8');
    const board = (show) => show.slice(show.lastIndexOf('board\n'), show.indexOf('turn'));
    const shown = await page.evaluate(() => window.rindouShow());
    assert.match(shown, /^-11 /m, 'the pawn on the far row promoted');
    assert.strictEqual(board(shown), board(native));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('a background chosen is the background of the next visit', async () => {
    const { page, errors } = await open(1280, 800);
    const checked = (entry) => page.evaluate(
      (e) => document.querySelector(`[data-entry="${e}"]`).classList.contains('checked'), entry);
    assert.ok(await checked('MIDORI'));
    await pick(page, 'OPTION');
    await pick(page, 'HAIKEI_GA');
    await pick(page, 'TATAMI');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                               document.body.dataset.state === 'idle');
    assert.ok(await checked('TATAMI'));
    assert.ok(!(await checked('MIDORI')));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('the page speaks the browser\'s language until another is chosen', async () => {
    const { page, errors } = await open(1280, 800, 1, false, 'en-US');
    const caption = (e) => page.$eval(`#menubar [data-entry="${e}"]`, (n) => n.textContent);
    assert.strictEqual(await caption('TAIKYOKU'), 'Game');
    await pick(page, 'OPTION');
    await pick(page, 'LANGUAGE');
    await pick(page, 'JAPANESE');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    assert.strictEqual(await caption('TAIKYOKU'), '対局');
    // The choice is kept with the settings and outlasts the browser's own.
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                               document.body.dataset.state === 'idle');
    assert.strictEqual(await caption('TAIKYOKU'), '対局');
    assert.ok(await page.$eval('[data-entry="JAPANESE"]', (n) => n.classList.contains('checked')));
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('at LEVEL4 the computer answers from the search worker', async () => {
    const { page, errors } = await open(1280, 800);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'LEVEL');
    await pick(page, 'LEVEL4');
    await page.waitForFunction(() => document.body.dataset.state === 'idle');
    assert.match(await page.evaluate(() => window.rindouShow()), /level 4\n/);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'START2');
    await pick(page, 'SENTE');
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
  await t.test('a game against LEVEL3 by the mouse draws what the desktop draws', async () => {
    const { page, errors } = await open(1280, 800);
    const idle = () => page.waitForFunction(() => document.body.dataset.state === 'idle');
    await page.evaluate(() => window.rindouDrawLog.start());
    // The elapsed time off: the page's clocks read the real time.
    await pick(page, 'OPTION');
    await pick(page, 'KEIKA');
    await pick(page, 'TAIKYOKU');
    await pick(page, 'START2');
    await pick(page, 'SENTE');
    await settle(page);
    await clickCell(page, 7, 7);
    await clickCell(page, 7, 6);
    await page.waitForFunction(() => / move 2 /.test(window.rindouShow()));
    await idle();
    // The right button on a destination where nothing promotes moves as the
    // left does.
    await clickCell(page, 2, 7);
    const p = await cellPoint(page, 2, 6);
    await page.mouse.click(p.x, p.y, { button: 'right' });
    await page.waitForFunction(() => / move 4 /.test(window.rindouShow()));
    await idle();
    const log = await page.evaluate(() => window.rindouDrawLog.take());
    const commands = log.split('\n').filter((l) => l.startsWith('> '));
    assert.deepStrictEqual(commands.filter((l) => l.startsWith('> press')).map((l) => l.split(' ')[2]),
                           ['1', '1', '1', '2']);
    const desktop = execFileSync(path.join(bindir(), 'rindou_draw_log'),
                                 { input: `${commands.join('\n')}\n` }).toString('utf8');
    assert.ok(log.split('\n').length > 500, 'the game drew');
    if (log !== desktop) {
      // Left beside the screenshots, to be compared line by line.
      fs.writeFileSync(path.join(shots, 'drawing-page.log'), log);
      fs.writeFileSync(path.join(shots, 'drawing-desktop.log'), desktop);
    }
    assert.ok(log === desktop, 'the page drew what the desktop draws (see drawing-*.log)');
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('a game left by 終わり or given up is kept and listed; one on the board at a reload goes on', async () => {
    const { page, errors } = await open(1280, 800);
    const ready = () => page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                                             document.body.dataset.state === 'idle');
    const twoPlayers = async (moves) => {
      await pick(page, 'TAIKYOKU');
      await pick(page, 'MATCH_MAN');
      await pick(page, 'START');
      await settle(page);
      for (const [c, r] of moves) {
        await clickCell(page, c, r);
        await settle(page);
      }
    };
    await twoPlayers([[7, 7], [7, 6], [3, 3], [3, 4]]);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'OWARI');
    await page.waitForFunction(() => document.body.dataset.state === 'ended');
    // The end screen outlasts a reload, until a new start is asked for.
    await page.reload();
    await page.waitForFunction(() => document.body.dataset.state === 'ended');
    await page.click('#ended-again');
    await ready();
    await twoPlayers([[2, 7], [2, 6]]);
    await page.reload();
    await ready();
    assert.match(await page.evaluate(() => window.rindouShow()), /record count 1 /);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'TOURYOU');
    await settle(page);
    await pick(page, 'KIFU');
    await pick(page, 'KIFU_READ');
    const names = await page.$$eval('#kept-list li[data-name]', (lis) => lis.map((li) => li.dataset.name));
    assert.strictEqual(names.length, 2);
    for (const name of names) assert.match(name, /^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.棋譜$/);
    await page.screenshot({ path: path.join(shots, 'kept-games.png') });
    // The older game, downloaded, is a record the desktop reads: 2 moves.
    const [download] = await Promise.all([page.waitForEvent('download'),
                                          page.click('#kept-list li:nth-child(2) .kept-download')]);
    assert.strictEqual(download.suggestedFilename(), names[1]);
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-kept-'));
    try {
      const file = path.join(folder, 'kept.棋譜');
      fs.copyFileSync(await download.path(), file);
      const loaded = runNative(`load ${file}\nshow\n`).toString('utf8');
      assert.match(loaded, /record count 0 end 2 mode 1/, loaded.match(/^(message|record) .*$/gm).join('\n'));
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
    // The newest, the game given up after the reload, opens on the board.
    await page.click('#kept-list li:nth-child(1) .kept-open');
    await settle(page);
    assert.match(await page.evaluate(() => window.rindouShow()), /record count 0 end 1 mode 1/);
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('while LEVEL5 and the hint search, the page draws frames and its clock runs', async () => {
    const { page, errors } = await open(1280, 800);
    await pick(page, 'TAIKYOKU');
    await pick(page, 'LEVEL');
    await pick(page, 'LEVEL5');
    await pick(page, 'TAIKYOKU');
    await pick(page, 'START2');
    await pick(page, 'SENTE');
    await settle(page);
    // Frames drawn and clock ticks run while the game waits for a search.
    await page.evaluate(() => {
      window.duringSearch = { frames: 0, ticks: new Set() };
      const frame = () => {
        if (window.rindouWaiting() === 5) {
          window.duringSearch.frames += 1;
          window.duringSearch.ticks.add(window.rindouClockTicks);
        }
        requestAnimationFrame(frame);
      };
      requestAnimationFrame(frame);
    });
    const during = () => page.evaluate(() => ({ frames: window.duringSearch.frames,
                                                ticks: window.duringSearch.ticks.size,
                                                at: performance.now() }));
    const started = await during();
    await pick(page, 'TAIKYOKU');
    await pick(page, 'HINT');
    await settle(page);
    const hint = await during();
    await clickCell(page, 7, 7);
    await clickCell(page, 7, 6);
    await page.waitForFunction(() => / move 2 /.test(window.rindouShow()) &&
                               document.body.dataset.state === 'idle', null, { timeout: 60000 });
    const move = await during();
    // The longest task from one moment to another (0: none over 50 ms).
    const longest = (from, to) => page.evaluate(([a, b]) => Math.max(0, ...window.rindouLongTasks
      .filter((t) => t.start >= a && t.start < b).map((t) => t.duration)), [from, to]);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.searchedIn), 'worker');
    assert.ok(hint.frames >= 3 && hint.ticks >= 2, `during the hint: ${JSON.stringify(hint)}`);
    assert.ok(move.frames - hint.frames >= 3 && move.ticks - hint.ticks >= 2,
              `during the move: ${JSON.stringify(move)}`);
    console.log(`# figures: first frame at ${await page.evaluate(() => document.body.dataset.firstFrameMs)} ms; ` +
                `longest task at the start ${await longest(0, started.at)} ms, during the hint ` +
                `${await longest(started.at, hint.at)} ms, during the LEVEL5 move ` +
                `${await longest(hint.at, move.at)} ms; frames drawn during the hint ${hint.frames}, ` +
                `during the move ${move.frames - hint.frames}`);
    assert.deepStrictEqual(errors, []);
    await page.context().close();
  });

  await t.test('the page opens offline from its service worker', async () => {
    // A server of its own, stopped before the page is opened again.
    const own = await serve(site, 0);
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, locale: 'ja-JP' });
    try {
      const page = await context.newPage();
      const errors = [];
      page.on('pageerror', (e) => errors.push(e.message));
      await page.goto(`http://127.0.0.1:${own.address().port}/`);
      await page.waitForFunction(() => document.body.dataset.ready === 'true');
      await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
      own.closeAllConnections();
      await new Promise((resolve) => own.close(resolve));
      await page.reload();
      await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                                 document.body.dataset.state === 'idle', null, { timeout: 30000 });
      assert.match(await page.evaluate(() => window.rindouShow()), /level 3\n/);
      assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));
      assert.deepStrictEqual(errors, []);
    } finally {
      await context.close();
      own.close();
    }
  });
});

// The build packs the site's pictures again to make them smaller, and the
// first board's into a sheet: what a browser draws of each must be what the
// game's own picture draws.
test('the site\'s pictures show the same pixels as the game\'s own', async () => {
  const folder = path.join(root, 'assets', 'pictures');
  const names = fs.readdirSync(folder).filter((n) => n.endsWith('.png'));
  assert.ok(names.length > 0);
  const originals = names.map((name) => ({
    name, data: `data:image/png;base64,${fs.readFileSync(path.join(folder, name)).toString('base64')}` }));
  const context = await browser.newContext();
  try {
    const page = await context.newPage();
    await page.goto(`${address}Rindou.htm`);
    const differing = await page.evaluate(async (list) => {
      const pixels = async (src) => {
        let img = src;
        if (typeof src === 'string') {
          img = new Image();
          img.src = src;
          await img.decode();
        }
        const c = document.createElement('canvas');
        c.width = img.width;
        c.height = img.height;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        return { w: c.width, h: c.height, data: g.getImageData(0, 0, c.width, c.height).data };
      };
      const same = (a, b) => a.w === b.w && a.h === b.h && a.data.every((v, i) => v === b.data[i]);
      const out = [];
      for (const { name, data } of list) {
        const [a, b] = await Promise.all([pixels(data), pixels(`pictures/${name}`)]);
        if (!same(a, b)) out.push(name);
      }
      // The first board's pictures, cut out of their sheet as the page
      // cuts them.
      const html = await (await fetch('index.html')).text();
      const table = JSON.parse(new DOMParser().parseFromString(html, 'text/html')
        .getElementById('picture-sheet').textContent);
      const cut = [];
      // Each sheet as PNG and, where the build made one, as WebP, decoded
      // as the page decodes it.
      const sheets = [];
      for (const [density, { file, webp, pictures }] of Object.entries(table)) {
        for (const f of webp ? [file, webp] : [file]) {
          sheets.push(f);
          const sheet = await createImageBitmap(await (await fetch(f)).blob(), { premultiplyAlpha: 'none' });
          for (const [stem, rect] of Object.entries(pictures)) {
            const name = `${stem}${density === 'large' ? '@2x' : ''}.png`;
            cut.push(name);
            const own = list.find((o) => o.name === name);
            if (!own || !same(await pixels(own.data), await pixels(await createImageBitmap(sheet, ...rect))))
              out.push(`${name} in ${f}`);
          }
        }
      }
      return { out, cut, sheets };
    }, originals);
    assert.deepStrictEqual(differing.out, []);
    assert.strictEqual(differing.cut.length, 20 * differing.sheets.length);
    assert.ok(differing.sheets.length >= 2, differing.sheets.join(' '));
  } finally {
    await context.close();
  }
});
