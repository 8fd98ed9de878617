// The page as an online client: a real rindou-server on a loopback port
// serving the built site, two phones in two browser contexts playing a game
// through the invitation link by taps, a desktop page watching.  One phone
// is reloaded mid-game, the other loses its network and makes a move while
// it is away; both end on the same board as the watcher and the server.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawn } = require('child_process');
const { bindir, site } = require('./console_scripts');
const { chromium, serve, launchOptions, shots } = require('./browser_support');

const WAIT = 20000;
let server, browser, base, scratch;

async function startServer() {
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-online-'));
  const proc = spawn(path.join(bindir(), 'rindou-server'),
                     ['--listen', '127.0.0.1:0', '--database', path.join(scratch, 'games.sqlite'),
                      '--site', site], { stdio: ['ignore', 'pipe', 'pipe'] });
  let err = '';
  proc.stderr.on('data', (b) => { err += b; });
  const port = await new Promise((resolve, reject) => {
    let out = '';
    const timer = setTimeout(() => reject(new Error('no listening line')), WAIT);
    proc.stdout.on('data', (b) => {
      out += b;
      const m = out.match(/^listening \S+:(\d+)$/m);
      if (m) {
        clearTimeout(timer);
        resolve(Number(m[1]));
      }
    });
    proc.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`rindou-server exited ${code}: ${err}`));
    });
  });
  return { proc, port };
}

test.before(async () => {
  server = await startServer();
  base = `http://127.0.0.1:${server.port}/`;
  browser = await chromium.launch(launchOptions);
  fs.mkdirSync(shots, { recursive: true });
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) {
    const exited = new Promise((resolve) => server.proc.once('exit', resolve));
    server.proc.kill('SIGTERM');
    await Promise.race([exited, new Promise((resolve) => setTimeout(resolve, WAIT))]);
  }
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

async function open(address, { width = 390, height = 844, touch = true } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: touch ? 2 : 1,
                                            hasTouch: touch, isMobile: touch, locale: 'ja-JP' });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(address);
  await page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                             document.body.dataset.online === 'ready', null, { timeout: WAIT });
  await settle(page);
  return { page, context, errors };
}

// Answers what the game's own boxes ask at start.
async function settle(page) {
  for (let i = 0; i < 10; ++i) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open, null, { timeout: WAIT });
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.tap('dialog#box button');
  }
}

const state = (page) => page.evaluate(() => window.rindouOnline.state());
const waitFor = (page, fn, arg) => page.waitForFunction(fn, arg, { timeout: WAIT });
const atPly = (page, ply) =>
  waitFor(page, (n) => { const s = window.rindouOnline.state(); return s && s.ply === n; }, ply);
// The board as the page's game holds it (board, coin and hands of its
// `show`), turned back to the server's way up where the page's player holds
// the upper side: that page draws it turned, their own side at the foot.
async function board(page) {
  const [lines, side] = await page.evaluate(() =>
    [window.rindouShow().split('\n'), window.rindouOnline.state()?.side]);
  const nums = (line) => line.trim().split(/\s+/).filter((w) => /^-?\d+$/.test(w)).map(Number);
  let rows = lines.slice(1, 10).map(nums);
  let coin = nums(lines[10]);
  let hands = [nums(lines[11]).slice(0, 7), nums(lines[12]).slice(0, 7)];
  if (side === 'upper') {
    rows = rows.reverse().map((r) => r.reverse().map((v) => (Math.abs(v) >= 10 ? -v : v)));
    coin = [10 - coin[0], 10 - coin[1]];
    hands = hands.reverse();
  }
  return JSON.stringify({ rows, coin, hands });
}

async function tapCell(page, col, row) {
  const p = await page.evaluate(([c, r]) => window.rindouCellPoint(c, r), [col, row]);
  await page.touchscreen.tap(p.x, p.y);
}

// A move in the server's squares, tapped where the page's player sees them.
async function move(page, [fc, fr, tc, tr]) {
  const turn = (await state(page)).side === 'upper' ? (n) => 10 - n : (n) => n;
  await tapCell(page, turn(fc), turn(fr));
  await waitFor(page, () => window.rindouWaiting() === 0);
  await tapCell(page, turn(tc), turn(tr));
}

async function menu(page, ...entries) {
  if (await page.isVisible('#menu-toggle') &&
      !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
    await page.tap('#menu-toggle');
  for (const e of entries) await page.tap(`#menubar [data-entry="${e}"]`);
}

const answer = (page, value) => page.tap(`dialog#online-box button[value="${value}"]`);

test('two phones play through the invitation link while a desktop page watches', async () => {
  const a = await open(base);
  await menu(a.page, 'ONLINE', 'ONLINE_NEW');
  await a.page.selectOption('#online-box select[name="side"]', 'lower');
  await a.page.fill('#online-box input[name="name"]', 'Aki');
  await answer(a.page, 'create');
  const invite = await a.page.inputValue('#online-box .online-link.invite input');
  assert.match(invite, /#join=[A-Za-z0-9]{8}\.[A-Za-z0-9_-]{20,}$/);
  await answer(a.page, 'ok');
  await waitFor(a.page, () => window.rindouOnline.state()?.status === 'waiting');
  const id = (await state(a.page)).id;
  assert.match(a.page.url(), new RegExp(`#play=${id}$`));

  const b = await open(invite);
  await waitFor(b.page, () => window.rindouOnline.state()?.status === 'playing');
  assert.strictEqual((await state(b.page)).side, 'upper');
  // The seat is kept: the address now brings the player back, not the link.
  assert.match(b.page.url(), new RegExp(`#play=${id}$`));
  // The name asked for is the creator's own, as the game's players show it.
  const made = await (await fetch(`${base}api/games/${id}`)).json();
  assert.strictEqual(made.players.lower.name, 'Aki');
  const c = await open(`${base}#watch=${id}`, { width: 1280, height: 800, touch: false });
  await waitFor(c.page, () => window.rindouOnline.state()?.status === 'playing');
  assert.strictEqual((await state(c.page)).side, null);

  // Pawn pushes on both sides: the coin goes up and back by one square.
  const moves = [[7, 7, 7, 6], [3, 3, 3, 4], [2, 7, 2, 6], [8, 3, 8, 4], [6, 7, 6, 6],
                 [4, 3, 4, 4], [1, 7, 1, 6]];
  const pages = () => [a.page, b.page, c.page];
  const sameEverywhere = async (ply) => {
    for (const p of pages()) await atPly(p, ply);
    const [ba, bb, bc] = await Promise.all(pages().map(board));
    assert.strictEqual(bb, ba);
    assert.strictEqual(bc, ba);
  };
  for (let ply = 0; ply < 4; ++ply) {
    // A tap while it is the other side's turn sends nothing.
    const idle = ply % 2 === 0 ? b.page : a.page;
    await tapCell(idle, 5, 7);
    await move(ply % 2 === 0 ? a.page : b.page, moves[ply]);
    await sameEverywhere(ply + 1);
    if (ply === 1) {
      // A reload mid-game brings the player back to the seat.
      await b.page.reload();
      await waitFor(b.page, () => document.body.dataset.online === 'ready');
      await settle(b.page);
      await waitFor(b.page, () => window.rindouOnline.state()?.open === true);
      assert.strictEqual((await state(b.page)).side, 'upper');
    }
  }
  await move(a.page, moves[4]);
  await sameEverywhere(5);

  // The upper phone loses its network: the banner shows, its move waits,
  // and once the network is back the move goes and everyone sees it.
  await b.context.setOffline(true);
  await waitFor(b.page, () => !document.getElementById('online-banner').hidden);
  await move(b.page, moves[5]);
  await b.page.screenshot({ path: path.join(shots, 'online-phone-reconnecting.png') });
  await a.page.screenshot({ path: path.join(shots, 'online-phone-playing.png') });
  assert.strictEqual((await state(a.page)).ply, 5);
  await b.context.setOffline(false);
  await sameEverywhere(6);
  await waitFor(b.page, () => document.getElementById('online-banner').hidden);
  const beforeSeventh = await board(c.page);
  await move(a.page, moves[6]);
  await sameEverywhere(7);
  await c.page.screenshot({ path: path.join(shots, 'online-desktop-watching.png') });

  // A take-back: declined once (the asker hears so), then accepted, which
  // takes every page back to the board before the move.
  for (const reply of ['decline', 'accept']) {
    await a.page.tap('#online button[data-online="takeback"]');
    await waitFor(b.page, () => document.querySelector('#online-box[open] button[value="accept"]'));
    await answer(b.page, reply);
    if (reply === 'decline') {
      await waitFor(a.page, () => document.querySelector('#online-box[open] button[value="ok"]'));
      await answer(a.page, 'ok');
    }
  }
  for (const p of pages()) await atPly(p, 6);
  for (const p of pages()) assert.strictEqual(await board(p), beforeSeventh);
  await move(a.page, moves[6]);
  await sameEverywhere(7);

  // The server's board is the one every page shows.
  const game = await (await fetch(`${base}api/games/${id}`)).json();
  assert.strictEqual(game.ply, 7);
  assert.deepStrictEqual(game.moves.map((m) => [...m.from, ...m.to]), moves);

  // The upper side resigns through its button and the question.
  await b.page.tap('#online button[data-online="resign"]');
  await answer(b.page, 'yes');
  for (const p of pages())
    await waitFor(p, () => window.rindouOnline.state()?.status === 'ended');
  const result = (await state(c.page)).result;
  assert.deepStrictEqual(result, { winner: 'lower', reason: 'resign' });
  assert.match(await a.page.textContent('#online .online-status'), /勝ち|won/);

  // A rematch: offered by one, accepted by the other; both move to a new
  // game with the sides swapped, and the watcher follows.
  await a.page.tap('#online button[data-online="rematch"]');
  await waitFor(b.page, () => document.getElementById('online-box').open &&
                document.querySelector('#online-box button[value="accept"]'));
  await a.page.evaluate(() => window.rindouDrawLog.start());
  await answer(b.page, 'accept');
  for (const p of pages())
    await waitFor(p, (old) => { const s = window.rindouOnline.state(); return s && s.id !== old && s.status === 'playing'; }, id);
  const [sa, sb, sc] = await Promise.all(pages().map(state));
  assert.strictEqual(sa.id, sb.id);
  assert.strictEqual(sc.id, sa.id);
  assert.deepStrictEqual([sa.side, sb.side, sc.side], ['upper', 'lower', null]);
  // The new game is played from the start: the lower side, now the second
  // phone, moves first.
  await move(b.page, moves[0]);
  await sameEverywhere(1);
  // The first phone, now on the upper side, sees its own pieces at the
  // foot, yet every square keeps its true name: the edge reads 1 at the
  // left and 九 at the top, and the opponent's move is named 3六歩.
  // The last text the page drew at a cell position since its log started.
  const drawnTexts = async (page) => {
    const drawn = (await page.evaluate(() => window.rindouDrawLog.take())).split('\n')
      .filter((line) => line.startsWith('text ')).map((line) => line.split(' '));
    return (c, r) => drawn.filter(([, x, y]) => Math.abs(x - (1300 + 615 * c)) < 1 &&
                                  Math.abs(y - (100 + 690 * r)) < 1).pop()?.slice(6).join(' ').trim();
  };
  let textAt = await drawnTexts(a.page);
  assert.deepStrictEqual([textAt(1.1, 0.4), textAt(10.1, 1.3)], ['1', '九']);
  assert.deepStrictEqual([textAt(-1.6, 8.4), textAt(-1.2, 8.4), textAt(-0.6, 8.4)], ['３', '六', '歩']);
  await a.page.screenshot({ path: path.join(shots, 'online-phone-upper.png') });
  // A game of its own against the computer from the menu ends online play
  // on that phone, and the board it keeps is named as drawn again.
  await a.page.evaluate(() => window.rindouDrawLog.start());
  await menu(a.page, 'TAIKYOKU', 'START2', 'SENTE');
  // (It keeps the board and asks the person to move first: the notice goes.)
  await waitFor(a.page, () => window.rindouWaiting() !== 0);
  await a.page.tap('#box-buttons button');
  await waitFor(a.page, () => !window.rindouOnline.state());
  textAt = await drawnTexts(a.page);
  assert.deepStrictEqual([textAt(1.1, 0.4), textAt(10.1, 1.3)], ['9', '一']);

  // The first game is among the first phone's kept games.
  await menu(a.page, 'KIFU', 'KIFU_READ');
  await waitFor(a.page, () => document.querySelectorAll('#kept-list li:not(.none)').length === 1);

  for (const p of [a, b, c]) {
    assert.deepStrictEqual(p.errors, []);
    await p.context.close();
  }
});

test('a page served by another host offers no online play', async () => {
  const plain = await serve(site, 0);
  try {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await context.newPage();
    await page.goto(`http://127.0.0.1:${plain.address().port}/`);
    await page.waitForFunction(() => document.body.dataset.online === 'none', null, { timeout: WAIT });
    assert.strictEqual(await page.$('#menubar [data-entry="ONLINE"]'), null);
    await context.close();
  } finally {
    plain.close();
  }
});
