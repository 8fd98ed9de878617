// The game in progress outlives its page: the browser closed mid-game and
// opened again on the same profile finds the game where it stood, with the
// time it was closed not counted; a game is kept once, when it ends; two
// tabs on one game do not both play it; and resigning ends a game.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium, launchOptions, shots, startPage, stopPage } = require('./browser_support');

const KEY = 'rindou.gameInProgress';
let started, address;
const profiles = [];

test.before(async () => {
  started = await startPage({ browser: false });
  ({ address } = started);
});

test.after(async () => {
  await stopPage(started);
  for (const p of profiles) fs.rmSync(p, { recursive: true, force: true });
});

// A profile folder of the test's own, removed at the end.
function newProfile() {
  const p = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-profile-'));
  profiles.push(p);
  return p;
}

// The browser on a profile folder, its clock starting at `time` (UTC):
// closing it closes every page, as closing a browser does.
async function browserAt(profile, time) {
  const context = await chromium.launchPersistentContext(profile, {
    ...launchOptions,
    viewport: { width: 1280, height: 800 }, locale: 'ja-JP', timezoneId: 'UTC',
  });
  await context.clock.install({ time: new Date(time) });
  return context;
}

const ready = (page) => page.waitForFunction(() => document.body.dataset.ready === 'true' &&
                                             document.body.dataset.state === 'idle', null, { timeout: 30000 });

async function open(context) {
  const page = context.pages()[0] || await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  // What was put aside, as the page finds it before it starts.
  await page.addInitScript((key) => { window.putAside = localStorage.getItem(key); }, KEY);
  await page.goto(address);
  await ready(page);
  return { page, errors };
}

async function settle(page) {
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open, null, { timeout: 60000 });
    if (!(await page.evaluate(() => document.getElementById('box').open))) return;
    await page.click('dialog#box button');
  }
}

// Every box the work opens, answered with its first button (OK, or Yes),
// as "title|text" lines.
async function boxes(page) {
  const seen = [];
  for (;;) {
    await page.waitForFunction(() => document.body.dataset.state === 'idle' ||
                               document.getElementById('box').open, null, { timeout: 60000 });
    if (!(await page.evaluate(() => document.getElementById('box').open))) return seen;
    seen.push(await page.evaluate(() => `${document.getElementById('box-title').textContent}|` +
                                  document.getElementById('box-text').textContent));
    await page.click('dialog#box button');
  }
}

async function clickCell(page, col, row) {
  const box = await page.locator('#board').boundingBox();
  const scale = box.width / 707;
  await page.mouse.click(box.x + (1300 + 615 * col + 307) / 15 * scale,
                         box.y + (100 + 690 * row + 345) / 15 * scale);
}

async function menu(page, ...entries) {
  for (const e of entries) await page.click(`#menubar [data-entry="${e}"]`);
}

const show = (page) => page.evaluate(() => window.rindouShow());
// The game as the page would put it aside now, field by field.
const fields = async (page) => {
  const text = await page.evaluate(() => window.rindouResume.text());
  return new Map(text.split('\n').filter((l) => l).map((l) => [l.split(' ')[0], l]));
};
const keptCount = (page) => page.evaluate(() => new Promise((resolve, reject) => {
  const r = indexedDB.open('rindou', 1);
  r.onsuccess = () => {
    const keys = r.result.transaction('kept').objectStore('kept').getAllKeys();
    keys.onsuccess = () => {
      r.result.close();
      resolve(keys.result.filter((k) => /\.棋譜$/.test(k)).length);
    };
    keys.onerror = () => reject(keys.error);
  };
  r.onerror = () => reject(r.error);
}));

test('the game in progress outlives its page', async (t) => {
  await t.test('closed mid-game and opened hours later, it goes on where it stood and is kept once', async () => {
    const profile = newProfile();
    let browser = await browserAt(profile, '2026-05-01T08:00:00Z');
    let { page, errors } = await open(browser);
    // LEVEL2, the person first, two moves each.
    await menu(page, 'TAIKYOKU', 'LEVEL', 'LEVEL2');
    await settle(page);
    await menu(page, 'TAIKYOKU', 'START2', 'SENTE');
    await settle(page);
    for (const [from, to] of [[[7, 7], [7, 6]], [[8, 8], [7, 8]]]) {
      await clickCell(page, ...from);
      await clickCell(page, ...to);
      await settle(page);
    }
    const before = await show(page);
    assert.match(before, /game mode 1 move 4 winner 0 level 2\n/);
    const saved = await fields(page);
    assert.ok(Number(saved.get('lower_time_total').split(' ')[1]) > 0, saved.get('lower_time_total'));
    await browser.close();

    // Three hours on: the same position, record, clocks, level and turn,
    // and the move under way has not run on while the browser was shut.
    browser = await browserAt(profile, '2026-05-01T11:00:00Z');
    ({ page, errors } = await open(browser));
    assert.strictEqual(await show(page), before);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.resumed), 'true');
    assert.strictEqual(await page.textContent('#resume-line'), '前回の対局の続きです');
    await page.screenshot({ path: path.join(shots, 'resumed.png') });
    const resumed = await fields(page);
    const putAside = new Map(JSON.parse(await page.evaluate(() => window.putAside)).game
      .split('\n').filter((l) => l).map((l) => [l.split(' ')[0], l]));
    for (const [name, line] of putAside)
      // The running move's seconds go on from where they stood.
      if (name !== 'move_so_far' && name !== 'move_elapsed') assert.strictEqual(resumed.get(name), line, name);
    const soFar = (m) => Number(m.get('move_so_far').split(' ')[1]);
    assert.ok(soFar(resumed) >= soFar(putAside) && soFar(resumed) < 3 * 3600,
              `${soFar(putAside)} then ${soFar(resumed)} seconds`);
    // A reload neither keeps the game nor loses it.
    await page.reload();
    await ready(page);
    assert.strictEqual(await show(page), before);
    assert.strictEqual(await keptCount(page), 0);

    // Given up: the computer's win, kept once, and nothing more to take up.
    await menu(page, 'TAIKYOKU', 'TOURYOU');
    assert.deepStrictEqual(await boxes(page), ['終了|ｺﾝﾋﾟｭｰﾀの勝ちです', '再ゲーム|続けますか？']);
    assert.match(await show(page), /turn side 0 /);
    assert.strictEqual(await keptCount(page), 1);
    assert.strictEqual(await page.evaluate((key) => localStorage.getItem(key), KEY), null);
    assert.deepStrictEqual(errors, []);
    await browser.close();

    browser = await browserAt(profile, '2026-05-01T12:00:00Z');
    ({ page, errors } = await open(browser));
    assert.match(await show(page), /turn side 0 /);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.resumed), undefined);
    // Resigning with no game is refused without a box.
    await menu(page, 'TAIKYOKU', 'TOURYOU');
    assert.deepStrictEqual(await boxes(page), []);
    assert.strictEqual(await keptCount(page), 1);
    // A game put aside that no game could be in (a tampered one, with a
    // level beyond the ladder) is not taken up; the page starts as new.
    const good = JSON.parse(await page.evaluate(() => window.putAside) || 'null');
    assert.strictEqual(good, null);
    await page.evaluate(([key, text]) => localStorage.setItem(key, text), [KEY, JSON.stringify({
      version: 1, owner: 'x', lineage: 'x', by: 'act', game: putAside.get('level') === undefined ? ''
        : [...putAside.values()].map((l) => (l.startsWith('level ') ? 'level 9' : l)).join('\n'),
    })]);
    await page.reload();
    await ready(page);
    assert.match(await show(page), /turn side 0 /);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.resumed), undefined);
    assert.deepStrictEqual(errors, []);
    await browser.close();
  });

  await t.test('of two tabs on one game, the one that acts owns it and the other stops', async () => {
    const browser = await browserAt(newProfile(), '2026-05-02T08:00:00Z');
    const { page: first } = await open(browser);
    await menu(first, 'TAIKYOKU', 'MATCH_MAN', 'START');
    await settle(first);
    await clickCell(first, 7, 7);
    await clickCell(first, 7, 6);
    await settle(first);
    const second = await browser.newPage();
    await second.goto(address);
    await ready(second);
    assert.strictEqual(await show(second), await show(first));
    // The second tab plays on: the first says so and takes nothing more.
    await clickCell(second, 3, 3);
    await clickCell(second, 3, 4);
    await settle(second);
    await first.waitForFunction(() => document.body.dataset.otherTab === 'true');
    assert.strictEqual(await first.textContent('#resume-line'), 'この対局は別のタブで続いています');
    await first.screenshot({ path: path.join(shots, 'other-tab.png') });
    const stale = await show(first);
    await menu(first, 'TAIKYOKU', 'TOURYOU');
    await clickCell(first, 2, 7);
    assert.strictEqual(await show(first), stale);
    assert.strictEqual(await first.evaluate(() => document.getElementById('box').open), false);
    // Between two people the side to move gives up; the game is kept once,
    // also when the stopped tab goes.
    await menu(second, 'TAIKYOKU', 'TOURYOU');
    assert.deepStrictEqual(await boxes(second), ['終了|後手の勝ちです', '再ゲーム|続けますか？']);
    await first.close({ runBeforeUnload: true });
    await second.reload();
    await ready(second);
    assert.strictEqual(await keptCount(second), 1);
    await browser.close();
  });
});
