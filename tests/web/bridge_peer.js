// The page as the window's opponent in the window's tests: a phone-sized
// Chromium page on the server's address, driven by one JSON request a line
// on standard input, each answered by one JSON line on standard output
// ({"error": ...} when it failed).  It closes the browser and ends when its
// input ends.
//   node bridge_peer.js <server address>
'use strict';
const readline = require('readline');
const { chromium, launchOptions } = require('./browser_support');

const WAIT = 20000;
const base = process.argv[2];
let browser, context, page, id;
const errors = [];

const waitFor = (fn, arg) => page.waitForFunction(fn, arg, { timeout: WAIT });
const state = () => page.evaluate(() => window.rindouOnline.state());
// The board, the coin and both hands as the page's game holds them, turned
// back to the server's way up when the page plays the upper side (it draws
// the board turned then, its player's side at the foot).
async function board() {
  const [lines, side] = await page.evaluate(() =>
    [window.rindouShow().split('\n').slice(0, 13), window.rindouOnline.state()?.side]);
  if (side !== 'upper') return lines.join('\n');
  const rows = lines.slice(1, 10).reverse().map((line) => line.split(' ').reverse()
    .map((w) => (Math.abs(Number(w)) >= 10 ? String(-Number(w)) : w)).join(' '));
  const [, col, row] = lines[10].split(' ');
  const hand = (line) => line.slice(line.indexOf(' '));
  return ['board', ...rows, `coin ${10 - col} ${10 - row}`,
          `lower_hand${hand(lines[12])}`, `upper_hand${hand(lines[11])}`].join('\n');
}

async function tapCell(col, row) {
  const p = await page.evaluate(([c, r]) => window.rindouCellPoint(c, r), [col, row]);
  await page.touchscreen.tap(p.x, p.y);
}

async function menu(...entries) {
  if (await page.isVisible('#menu-toggle') &&
      !(await page.evaluate(() => document.body.classList.contains('drawer-open'))))
    await page.tap('#menu-toggle');
  for (const e of entries) await page.tap(`#menubar [data-entry="${e}"]`);
}

const answer = (value) => page.tap(`dialog#online-box button[value="${value}"]`);

// Answers what the game's own boxes ask at start.
async function settle() {
  for (let i = 0; i < 10; ++i) {
    await waitFor(() => document.body.dataset.state === 'idle' || document.getElementById('box').open);
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.tap('dialog#box button');
  }
}

const requests = {
  // Opens the page and makes a game on the given side; answers the invitation.
  async create({ side, name }) {
    browser = await chromium.launch(launchOptions);
    context = await browser.newContext({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 2,
                                         hasTouch: true, isMobile: true, locale: 'ja-JP' });
    page = await context.newPage();
    page.on('pageerror', (e) => errors.push(e.message));
    await page.goto(base);
    await waitFor(() => document.body.dataset.ready === 'true' && document.body.dataset.online === 'ready');
    await settle();
    await menu('ONLINE', 'ONLINE_NEW');
    await page.selectOption('#online-box select[name="side"]', side);
    await page.fill('#online-box input[name="name"]', name);
    await answer('create');
    const invite = await page.inputValue('#online-box .online-link.invite input');
    await answer('ok');
    await waitFor(() => window.rindouOnline.state()?.status === 'waiting');
    id = (await state()).id;
    return { invite, id };
  },
  // Waits until the page's game stands at `ply` (and `status`, if given).
  async wait({ ply, status }) {
    await waitFor(([n, st]) => {
      const s = window.rindouOnline.state();
      return s && s.ply === n && (!st || s.status === st) && s.open === true;
    }, [ply, status || null]);
    return { state: await state(), board: await board() };
  },
  // A board move by two taps, as a person makes it.
  // The move is in the server's squares, tapped where the player sees them.
  async move({ move: [fc, fr, tc, tr] }) {
    const turn = (await state()).side === 'upper' ? (n) => 10 - n : (n) => n;
    await tapCell(turn(fc), turn(fr));
    await waitFor(() => window.rindouWaiting() === 0);
    await tapCell(turn(tc), turn(tr));
    return {};
  },
  async resign() {
    await page.tap('#online button[data-online="resign"]');
    await answer('yes');
    await waitFor(() => window.rindouOnline.state()?.status === 'ended');
    return { state: await state(), status: await page.textContent('#online .online-status') };
  },
  // The game as the server holds it.
  async server() {
    return (await fetch(`${base}api/games/${id}`)).json();
  },
  async shot({ path }) {
    await page.screenshot({ path });
    return {};
  },
  async errors() {
    return { errors };
  },
};

const lines = readline.createInterface({ input: process.stdin });
let queue = Promise.resolve();
lines.on('line', (line) => {
  queue = queue.then(async () => {
    let reply;
    try {
      const request = JSON.parse(line);
      reply = await requests[request.do](request);
    } catch (e) {
      reply = { error: String(e && e.stack ? e.stack : e) };
    }
    process.stdout.write(`${JSON.stringify(reply)}\n`);
  });
});
lines.on('close', () => {
  queue.then(async () => {
    if (browser) await browser.close();
    process.exit(0);
  });
});
