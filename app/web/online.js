// Online play: the page as a client of the Rindou server that served it.
// The server is the referee; this file speaks its protocol (docs/online.md)
// and the game's module shows what the server says (online_wire.cpp): the
// server's position is drawn by the game's own drawing, and a move the
// person makes on the board is sent, then played when the server's `move`
// comes back.
//
// The page offers online play only when a Rindou server answers its
// question at start: a page served from anywhere else plays as before.
// A player's seat secret is kept in this browser's storage by game, so a
// reload, a lost network or a closed tab brings the player back to the game
// (/#play=ID).  Every request carries a number and is sent again until the
// server answers it, on this connection or the next: the server takes each
// twice harmlessly.
import { page as pageHooks } from './features.js';
import { setDrawer } from './menu.js';

window.rindouOnline = (() => {
  const SEAT_KEY = (id) => `rindou.online.seat.${id}`;
  const JOIN_KEY = (id) => `rindou.online.join.${id}`;
  const KEPT_KEY = (id) => `rindou.online.kept.${id}`;
  const RESEND_MS = 4000;
  const PING_MS = 20000;
  const BACKOFF_MS = [500, 1000, 2000, 4000, 8000, 15000];

  let page = null;        // what page.js hands over: the module, its drawer
  let available = false;  // served by a Rindou server
  let words = { lang: 'ja', texts: {}, handicaps: [] };
  let current = null;     // the online game on the board, if any
  let nextRequest = 1;

  const t = (name, fills = {}) => {
    let s = words.texts[name] || name;
    for (const [k, v] of Object.entries(fills)) s = s.split(`{${k}}`).join(String(v));
    return s;
  };
  const other = (side) => (side === 'lower' ? 'upper' : 'lower');
  const element = (tag, props = {}, ...children) => {
    const e = Object.assign(document.createElement(tag), props);
    e.append(...children);
    return e;
  };

  function readTexts() {
    if (page) words = JSON.parse(page.game.UTF8ToString(page.game._rindou_online_texts()));
  }

  function stored(key) {
    try {
      return JSON.parse(localStorage.getItem(key) || 'null');
    } catch {
      return null;
    }
  }
  function store(key, value) {
    try {
      localStorage.setItem(key, JSON.stringify(value));
    } catch {
      // A browser that keeps nothing still plays; a reload then watches.
    }
  }

  function randomKey() {
    const bytes = new Uint8Array(16);
    crypto.getRandomValues(bytes);
    return btoa(String.fromCharCode(...bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  // ---- Boxes of its own: the game's box answers the game's waits -------------
  const dialog = element('dialog', { id: 'online-box' });
  function openBox(title, body, buttons) {
    return new Promise((resolve) => {
      dialog.replaceChildren();
      const form = element('form', { method: 'dialog' });
      form.append(element('h1', { textContent: title }));
      if (typeof body === 'string') form.append(element('p', { textContent: body }));
      else if (body) form.append(body);
      const row = element('div', { className: 'online-buttons' });
      for (const [caption, value] of buttons)
        row.append(element('button', { textContent: caption, value, type: 'submit' }));
      form.append(row);
      dialog.append(form);
      dialog.returnValue = '';
      const done = () => {
        dialog.removeEventListener('close', done);
        resolve(dialog.returnValue);
      };
      dialog.addEventListener('close', done);
      if (dialog.open) dialog.close();
      dialog.showModal();
    });
  }
  const notice = (text) => openBox(t('MenuOnline'), text, [['OK', 'ok']]);

  // ---- The menu: its own title on the page's menu bar ----------------------
  const menu = element('div', { className: 'menu', id: 'online-menu' });
  const menuTitle = element('button', { type: 'button' });
  menuTitle.dataset.entry = 'ONLINE';
  const menuList = element('div', { className: 'submenu' });
  const entries = [['ONLINE_NEW', 'OnlineNewGame', () => newGameBox()],
                   ['ONLINE_JOIN', 'OnlineJoinByLink', () => joinByLinkBox()],
                   ['ONLINE_LEAVE', 'OnlineLeave', () => leave()]];
  for (const [name, , action] of entries) {
    const item = element('button', { type: 'button', className: 'menu-item' });
    item.dataset.entry = name;
    item.addEventListener('click', (ev) => {
      ev.stopPropagation();
      menu.classList.remove('open');
      page.closeDrawer();
      action();
    });
    menuList.append(item);
  }
  menu.append(menuTitle, menuList);
  menuTitle.addEventListener('click', (ev) => {
    ev.stopPropagation();
    const wasOpen = menu.classList.contains('open');
    for (const open of document.querySelectorAll('#menubar .open')) open.classList.remove('open');
    if (!wasOpen) menu.classList.add('open');
  });

  function captionMenu() {
    menuTitle.textContent = t('MenuOnline');
    for (const item of menuList.children) {
      const entry = entries.find(([name]) => name === item.dataset.entry);
      item.textContent = t(entry[1]);
      item.hidden = entry[0] === 'ONLINE_LEAVE' && !current;
    }
  }

  // ---- Making a game, and the invitation ------------------------------------
  async function newGameBox() {
    readTexts();
    const field = (label, input) => element('label', {}, element('span', { textContent: label }), input);
    const side = element('select', { name: 'side' });
    for (const [value, name] of [['lower', 'PlayerFirst'], ['upper', 'PlayerSecond'],
                                 ['random', 'OnlineRandomSide']])
      side.append(element('option', { value, textContent: t(name) }));
    const clock = element('select', { name: 'clock' });
    for (const [value, text] of [['none', t('OnlineNoClock')],
                                 ['minutes', t('OnlineClockMinutes', { minutes: '…', increment: '…' })],
                                 ['days', t('OnlineClockDays', { days: '…' })]])
      clock.append(element('option', { value, textContent: text }));
    const minutes = element('input', { type: 'number', min: 1, max: 180, value: 10, name: 'minutes' });
    const increment = element('input', { type: 'number', min: 0, max: 60, value: 5, name: 'increment' });
    const days = element('input', { type: 'number', min: 1, max: 14, value: 3, name: 'days' });
    const handicap = element('select', { name: 'handicap' });
    words.handicaps.forEach((caption, i) => {
      const grade = i - 10;
      handicap.append(element('option', { value: grade, textContent: grade === 0 ? '—' : caption,
                                          selected: grade === 0 }));
    });
    const name = element('input', { type: 'text', maxLength: 20, name: 'name' });
    // The clock's own words around the boxes of its numbers.
    const around = (pattern, boxes) => element('div', { className: 'online-row' },
      ...pattern.split(/(\{[a-z]+\})/).map((part) => boxes[part] || part));
    const minuteRow = around(words.texts.OnlineClockMinutes || '{minutes} {increment}',
                             { '{minutes}': minutes, '{increment}': increment });
    const dayRow = around(words.texts.OnlineClockDays || '{days}', { '{days}': days });
    const showClock = () => {
      minuteRow.hidden = clock.value !== 'minutes';
      dayRow.hidden = clock.value !== 'days';
    };
    clock.addEventListener('change', showClock);
    showClock();
    const body = element('div', { className: 'online-form' },
                         field(t('OnlineYourSide'), side), field(t('OnlineClock'), clock), minuteRow,
                         dayRow, field(t('TitleHandicap'), handicap),
                         field(t('OnlineYourName'), name));
    if (await openBox(t('OnlineNewGame'), body, [[t('HelpClose'), 'close'],
                                                  [t('OnlineCreate'), 'create']]) !== 'create')
      return;
    const request = { side: side.value, first: 'lower', handicap: Number(handicap.value),
                      player: name.value };
    if (clock.value === 'minutes')
      request.clock = { initial: Math.max(1, Number(minutes.value) || 10) * 60,
                        increment: Math.max(0, Number(increment.value) || 0) };
    else if (clock.value === 'days') request.clock = { days: Math.max(1, Number(days.value) || 3) };
    let made;
    try {
      const answer = await fetch('/api/games', { method: 'POST', body: JSON.stringify(request),
                                                 headers: { 'Content-Type': 'application/json' } });
      if (!answer.ok) throw new Error(`answer ${answer.status}`);
      made = await answer.json();
    } catch {
      await notice(t('OnlineCannotReach'));
      return;
    }
    store(SEAT_KEY(made.id), { side: made.side, seat: made.seat, invite: made.invite });
    play(made.id);
    showInvitation();
  }

  const link = (hash) => `${location.origin}${location.pathname}#${hash}`;

  async function showInvitation() {
    if (!current || !current.invite) return;
    readTexts();
    const invite = link(`join=${current.id}.${current.invite}`);
    const watch = link(`watch=${current.id}`);
    const copyRow = (text) => {
      const input = element('input', { type: 'text', value: text, readOnly: true });
      const copy = element('button', { type: 'button', textContent: t('OnlineCopy') });
      copy.addEventListener('click', async () => {
        try {
          await navigator.clipboard.writeText(text);
        } catch {
          input.select();
          document.execCommand('copy');
        }
        copy.textContent = t('OnlineCopied');
      });
      return element('div', { className: 'online-link' }, input, copy);
    };
    const body = element('div', {}, element('p', { textContent: t('OnlineInviteText') }),
                         copyRow(invite));
    body.querySelector('.online-link').classList.add('invite');
    if (navigator.share) {
      const share = element('button', { type: 'button', textContent: t('OnlineShare') });
      share.addEventListener('click', () => navigator.share({ url: invite }).catch(() => {}));
      body.append(share);
    }
    body.append(element('h2', { textContent: t('OnlineWatchLink') }), copyRow(watch));
    await openBox(t('OnlineInviteTitle'), body, [['OK', 'ok']]);
  }

  async function joinByLinkBox() {
    readTexts();
    const input = element('input', { type: 'text', name: 'link' });
    const body = element('label', { className: 'online-form' },
                         element('span', { textContent: t('OnlinePasteLink') }), input);
    if (await openBox(t('OnlineJoinByLink'), body, [[t('HelpClose'), 'close'], ['OK', 'ok']]) !== 'ok')
      return;
    const at = input.value.indexOf('#');
    if (at >= 0) follow(input.value.slice(at + 1));
  }

  // Taking the other seat: the key made here is kept with the game, so that
  // the same join sent again (its answer lost) gets the same seat.
  async function join(id, invite) {
    const have = stored(SEAT_KEY(id));
    if (have && have.seat) {
      play(id);
      return;
    }
    let key = stored(JOIN_KEY(id));
    if (typeof key !== 'string') {
      key = randomKey();
      store(JOIN_KEY(id), key);
    }
    let answer;
    for (let tries = 0; ; ++tries) {
      try {
        answer = await fetch(`/api/games/${encodeURIComponent(id)}/join`, {
          method: 'POST', headers: { 'Content-Type': 'application/json' },
          body: JSON.stringify({ invite, key, name: '' }) });
        break;
      } catch {
        if (tries >= 3) {
          await notice(t('OnlineCannotReach'));
          return;
        }
        await new Promise((resolve) => setTimeout(resolve, BACKOFF_MS[tries]));
      }
    }
    if (answer.ok) {
      const seat = await answer.json();
      store(SEAT_KEY(id), { side: seat.side, seat: seat.seat });
      play(id);
    } else if (answer.status === 409) {
      await notice(t('OnlineSeatTaken'));
      watch(id);
    } else {
      await notice(t('OnlineNoSuchGame'));
    }
  }

  // ---- The game on the board -------------------------------------------------
  const bar = element('section', { id: 'online', hidden: true });
  const banner = element('div', { id: 'online-banner', hidden: true });

  function play(id) {
    const seat = stored(SEAT_KEY(id));
    open(id, seat && seat.seat ? seat : null, 'play');
  }
  function watch(id) {
    open(id, null, 'watch');
  }

  function open(id, seat, kind) {
    if (current) close();
    history.replaceState(null, '', `${location.pathname}#${kind}=${id}`);
    // The game on the board before is kept, as leaving the program keeps it.
    if (page.game._rindou_waiting() === 0) page.game._rindou_leave();
    current = { id, side: seat ? seat.side : null, seat: seat ? seat.seat : null,
                invite: seat ? seat.invite : null, g: null, v: null, ws: null, open: false,
                pending: new Map(), tries: 0, shown: false, needDraw: false, clockAt: 0, timer: null,
                lastSeconds: '', nextGame: null };
    document.body.classList.add('online');
    bar.hidden = false;
    captionMenu();
    connect();
  }

  function close() {
    if (!current) return;
    const c = current;
    current = null;
    clearTimeout(c.timer);
    clearTimeout(c.drawLater);
    if (c.ws) c.ws.close();
  }

  function leave({ keepBoard = false } = {}) {
    close();
    bar.hidden = true;
    banner.hidden = true;
    document.body.classList.remove('online');
    history.replaceState(null, '', location.pathname);
    page.game._rindou_online_leave(keepBoard ? 1 : 0);
    captionMenu();
  }

  function connect() {
    const c = current;
    const ws = new WebSocket(`${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/ws/${encodeURIComponent(c.id)}`);
    c.ws = ws;
    ws.addEventListener('open', () => {
      if (current !== c || c.ws !== ws) return;
      c.open = true;
      c.heard = Date.now();
      c.quiet = false;
      c.tries = 0;
      const hello = {};
      if (c.seat) hello.seat = c.seat;
      if (c.v !== null) hello.v = c.v;
      ws.send(JSON.stringify({ t: 'hello', d: hello }));
      // What had no answer goes again: the server takes it twice harmlessly.
      for (const [a, r] of c.pending) {
        r.sent = Date.now();
        ws.send(JSON.stringify({ t: r.t, a, d: r.d }));
      }
      render();
    });
    ws.addEventListener('message', (e) => {
      if (current !== c || c.ws !== ws) return;
      c.heard = Date.now();
      let m;
      try {
        m = JSON.parse(e.data);
      } catch {
        return;
      }
      receive(m);
    });
    ws.addEventListener('close', () => lost(c, ws));
  }

  // The connection is gone (or given up): another is made after a wait that
  // grows with each failure.
  function lost(c, ws) {
    if (current !== c || c.ws !== ws) return;
    c.open = false;
    c.ws = null;
    ws.close();
    render();
    clearTimeout(c.timer);
    // A connection given up on purpose is made again at once, once.
    const wait = c.quiet ? 0 : BACKOFF_MS[Math.min(c.tries++, BACKOFF_MS.length - 1)];
    c.quiet = false;
    c.timer = setTimeout(() => { if (current === c && !c.ws) connect(); }, wait);
  }
  const restart = () => { if (current && current.ws) lost(current, current.ws); };

  // A new connection that asks for the whole game: after a take-back, a
  // move that does not fit the board, or a gap in the versions the server
  // could not fill.
  function resync() {
    const c = current;
    if (!c) return;
    c.v = null;
    c.tries = 0;
    c.quiet = true;
    restart();
  }

  function send(type, d) {
    const c = current;
    if (!c) return;
    const a = nextRequest++;
    const r = { t: type, d, sent: Date.now() };
    c.pending.set(a, r);
    if (c.open) c.ws.send(JSON.stringify(d === undefined ? { t: type, a } : { t: type, a, d }));
  }

  setInterval(() => {
    const c = current;
    if (!c || !c.open) return;
    const now = Date.now();
    for (const [a, r] of c.pending)
      if (now - r.sent > RESEND_MS) {
        r.sent = now;
        c.ws.send(JSON.stringify(r.d === undefined ? { t: r.t, a } : { t: r.t, a, d: r.d }));
      }
  }, 1000);
  setInterval(() => {
    const c = current;
    if (!c || !c.open) return;
    // A connection that has heard nothing, not even a pong, for this long
    // is dead whatever the socket says: a phone that lost its network may
    // not hear of it.
    if (Date.now() - c.heard > 2 * PING_MS + 5000) restart();
    else c.ws.send(JSON.stringify({ t: 'ping' }));
  }, PING_MS);
  // The browser knows when the network goes and comes back: the connection
  // is made again at once rather than at the end of a wait.
  window.addEventListener('offline', restart);
  window.addEventListener('online', () => {
    const c = current;
    if (!c || c.open) return;
    clearTimeout(c.timer);
    c.tries = 0;
    if (c.ws) lost(c, c.ws);
    else connect();
  });

  function receive(m) {
    const c = current;
    if (m.v !== undefined && m.t !== 'game') {
      if (c.v === null || m.v <= c.v) return;
      if (m.v !== c.v + 1) {
        // A gap: the next connection asks for what came after what we have.
        c.quiet = true;
        restart();
        return;
      }
    }
    const g = c.g;
    switch (m.t) {
      case 'game':
        c.g = m.d;
        c.v = m.v;
        c.clockAt = Date.now();
        c.needDraw = true;
        if (m.d.status === 'ended') {
          // The seat of a rematch may have come before the game it follows.
          if (c.nextGame) {
            play(c.nextGame);
            return;
          }
          ended();
        }
        // An offer made while this page was away is asked now.
        for (const kind of ['takeback', 'rematch'])
          if (c.side && m.d.offers[kind] === other(c.side)) offer({ kind, by: m.d.offers[kind] });
        break;
      case 'move':
        c.v = m.v;
        g.ply = m.d.ply + 1;
        g.turn = other(g.turn);
        g.clock = m.d.clock;
        c.clockAt = Date.now();
        g.moves.push(m.d.move);
        if (g.offers.takeback) g.offers.takeback = null;
        // A move that does not fit the board shown, or comes while the
        // board waits for the whole game, asks for the whole game anew.
        if (!c.shown || c.needDraw || !drawMove(m.d)) {
          resync();
          return;
        }
        break;
      case 'end':
        c.v = m.v;
        g.result = m.d.result;
        g.status = 'ended';
        if (g.clock && g.clock.running !== undefined) {
          g.clock = Object.assign({}, g.clock, ticked(g.clock), { running: null });
          c.clockAt = Date.now();
        }
        ended();
        break;
      case 'joined':
        c.v = m.v;
        g.players[m.d.side] = Object.assign({}, g.players[m.d.side], { joined: true, name: m.d.name });
        g.status = 'playing';
        if (dialog.open && dialog.querySelector('.invite')) dialog.close();
        break;
      case 'offer':
        c.v = m.v;
        offer(m.d);
        break;
      case 'takeback':
        c.v = m.v;
        resync();
        return;
      case 'rematch':
        c.v = m.v;
        g.rematch = m.d.id;
        if (!c.side) {
          watch(m.d.id);
          return;
        }
        break;
      case 'seat':
        store(SEAT_KEY(m.d.id), { side: m.d.side, seat: m.d.seat });
        if (m.d.id !== c.id) {
          if (g && g.status === 'ended') {
            play(m.d.id);
            return;
          }
          c.nextGame = m.d.id;
        }
        break;
      case 'presence':
        if (g) {
          for (const side of ['lower', 'upper'])
            g.players[side] = Object.assign({}, g.players[side], { online: m.d[side] });
          g.watchers = m.d.watchers;
        }
        break;
      case 'ack':
        c.pending.delete(m.d);
        break;
      case 'error':
        if (m.d.a !== undefined) c.pending.delete(m.d.a);
        refused(m.d);
        break;
      default:
        break;
    }
    render();
  }

  function refused(d) {
    if (d.code === 'not-a-player' && d.a === undefined) {
      // A seat the server does not know: this browser watches.
      current.side = null;
      current.seat = null;
      // A watcher sees the lower side at the foot again.
      current.needDraw = true;
    } else if (['illegal-move', 'stale', 'not-your-turn'].includes(d.code)) {
      notice(t('OnlineMoveRefused'));
      resync();
    }
  }

  // ---- What the board shows --------------------------------------------------
  // The player of the upper side sees their own side at the foot: the board
  // is handed to the module turned round, as the game's own turned board is
  // (each square to the opposite one, each piece to the other side, hands and
  // clocks exchanged), so the module draws and picks as for the lower side.
  // Only what is shown turns: the moves sent and read stay the server's.
  const turned = () => !!current && current.side === 'upper';
  const turnSquare = (sq) => (turned() && sq[0] > 0 ? [10 - sq[0], 10 - sq[1]] : sq);
  const turnSide = (n) => (turned() && n > 0 ? 3 - n : n);
  const turnPair = (pair) => (turned() ? [pair[1], pair[0]] : pair);

  // The whole game as the module's numbers (see rindou_online_set).
  function drawGame() {
    const c = current;
    const g = c.g;
    const last = [...g.moves].reverse().find(() => true);
    const to = turnSquare(last && last.to ? last.to : [0, 0]);
    const numbers = [turnSide(g.status === 'ended' ? 0 : g.turn === 'lower' ? 1 : 2),
                     turnSide(g.first === 'upper' ? 2 : 1), turned() ? -g.handicap : g.handicap,
                     g.ply, to[0], to[1], ...turnPair(secondsLeft()), turned() ? 1 : 0];
    let rows = g.board;
    if (turned())
      rows = [...rows].reverse().map((row) =>
        [...row].reverse().map((code) => (code >= 10 || code <= -10 ? -code : code)));
    for (const row of rows) numbers.push(...row);
    numbers.push(...turnPair([g.hands.lower, g.hands.upper]).flat());
    return page.game.ccall('rindou_online_set', 'number', ['string'], [numbers.join(' ')]) === 1;
  }

  function drawMove(d) {
    if (page.game._rindou_waiting() !== 0) return false;
    const m = d.move;
    const to = m.to && turnSquare(m.to);
    const from = m.from && turnSquare(m.from);
    const numbers = m.pass ? [0, 0, 0, 0, 0, 0] :
      m.drop ? [2, m.drop, to[0], to[1], 0, 0] :
        [1, from[0], from[1], to[0], to[1], m.promote ? 1 : 0];
    numbers.push(...turnSquare(d.coin));
    return page.game.ccall('rindou_online_move', 'number', ['string'], [numbers.join(' ')]) === 1;
  }

  // The clock as the server last gave it, run on by the time since.
  function ticked(clock) {
    const spent = Date.now() - current.clockAt;
    const out = { lower_ms: clock.lower_ms, upper_ms: clock.upper_ms };
    if (clock.running) out[`${clock.running}_ms`] = Math.max(0, out[`${clock.running}_ms`] - spent);
    return out;
  }
  function secondsLeft() {
    const clock = current.g.clock;
    if (!clock || clock.lower_ms === undefined) return [0, 0];
    const left = ticked(clock);
    return [Math.ceil(left.lower_ms / 1000), Math.ceil(left.upper_ms / 1000)];
  }
  const hms = (s) => `${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}`;

  function reasonText(reason) {
    const names = { king: 'OnlineReasonKing', resign: 'OnlineReasonResign', time: 'OnlineReasonTime',
                    abandon: 'OnlineReasonAbandon', abort: 'OnlineReasonAbort',
                    'no-move': 'OnlineReasonNoMove', length: 'OnlineReasonLength' };
    return t(names[reason] || reason);
  }
  const sideName = (side) => t(current.g.first === side ? 'PlayerFirst' : 'PlayerSecond');

  function resultText(result) {
    const reason = reasonText(result.reason);
    if (!result.winner) return t('OnlineNoWinner', { reason });
    if (current.side) return t(result.winner === current.side ? 'OnlineWon' : 'OnlineLost', { reason });
    return t('OnlineSideWon', { side: sideName(result.winner), reason });
  }

  async function ended() {
    const c = current;
    const g = c.g;
    // A finished even game is kept with the page's own kept games, once.
    if (c.side && g.handicap === 0 && g.ply > 0 && !stored(KEPT_KEY(c.id))) {
      store(KEPT_KEY(c.id), true);
      try {
        const answer = await fetch(`/api/games/${encodeURIComponent(c.id)}/record`);
        if (answer.ok) {
          const bytes = new Uint8Array(await answer.arrayBuffer());
          const at = page.game._malloc(bytes.length);
          page.game.HEAPU8.set(bytes, at);
          page.game._rindou_online_keep(at, bytes.length);
          page.game._free(at);
        }
      } catch {
        localStorage.removeItem(KEPT_KEY(c.id));
      }
    }
  }

  async function download() {
    const c = current;
    const answer = await fetch(`/api/games/${encodeURIComponent(c.id)}/record`);
    if (!answer.ok) return;
    const a = element('a', { href: URL.createObjectURL(await answer.blob()), download: `${c.id}.棋譜` });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  async function offer(d) {
    const c = current;
    const g = c.g;
    if (d.declined || d.withdrawn) {
      const mine = g.offers[d.kind] === c.side;
      g.offers[d.kind] = null;
      if (d.declined && mine)
        notice(t(d.kind === 'takeback' ? 'OnlineTakebackDeclined' : 'OnlineRematchDeclined'));
      return;
    }
    g.offers[d.kind] = d.by;
    if (!c.side || d.by === c.side) return;
    const text = t(d.kind === 'takeback' ? 'OnlineTakebackOffered' : 'OnlineRematchOffered');
    const v = await openBox(t('MenuOnline'), text, [[t('OnlineDecline'), 'decline'],
                                                    [t('OnlineAccept'), 'accept']]);
    if (current === c && g.offers[d.kind] === d.by)
      send(d.kind, { do: v === 'accept' ? 'accept' : 'decline' });
  }

  async function confirmThen(question, type) {
    if (await openBox(t('MenuOnline'), question, [[t('ButtonNo'), 'no'], [t('ButtonYes'), 'yes']]) === 'yes')
      send(type);
  }

  // The opponent has been away on their own turn long enough for the
  // server to take a claim: a minute in a game of minutes, ten without a
  // clock, never in a game of days.  The page counts from when it saw them
  // go (or from when it came), so it never offers a claim too early.
  function claimable() {
    const c = current;
    const g = c.g;
    if (!c.side || !g || g.status !== 'playing' || g.turn === c.side || (g.clock && g.clock.days))
      return false;
    const them = g.players[other(c.side)] || {};
    if (!them.joined || them.online) {
      c.awaySince = null;
      return false;
    }
    if (!c.awaySince) c.awaySince = Date.now();
    return Date.now() - c.awaySince >= (g.clock ? 60000 : 600000);
  }

  // The bar under the board: both players with presence and clock, whose
  // turn it is, and the buttons of what this seat may do now.
  function button(name, caption, action) {
    const b = element('button', { type: 'button', textContent: caption });
    b.dataset.online = name;
    b.addEventListener('click', action);
    return b;
  }

  function render() {
    const c = current;
    if (!c) return;
    readTexts();
    banner.textContent = t('OnlineReconnecting');
    banner.hidden = c.open || c.quiet || !c.shownOnce;
    bar.dataset.connected = c.open ? 'true' : 'false';
    const g = c.g;
    if (!g) return;
    c.shownOnce = true;
    // The whole game goes on the board once the game's own work (a box it
    // shows) is over.
    if (c.needDraw) {
      if (page.game._rindou_waiting() !== 0) {
        clearTimeout(c.drawLater);
        c.drawLater = setTimeout(render, 200);
      } else if (drawGame()) {
        c.needDraw = false;
        c.shown = true;
      }
    }
    const [lowerLeft, upperLeft] = secondsLeft();
    const rows = [];
    // The side drawn at the top first, as the board shows them.
    for (const side of turned() ? ['lower', 'upper'] : ['upper', 'lower']) {
      const p = g.players[side] || {};
      const label = `${sideName(side)}${p.name ? ` ${p.name}` : ''}${c.side === side ? ' ★' : ''}`;
      const presence = p.joined ? t(p.online ? 'OnlinePresent' : 'OnlineAbsent') : '—';
      let time = '';
      if (g.clock && g.clock.lower_ms !== undefined)
        time = hms(side === 'lower' ? lowerLeft : upperLeft);
      const row = element('div', { className: `online-player ${side}` },
                          element('span', { className: 'name', textContent: label }),
                          element('span', { className: `presence ${p.online ? 'on' : 'off'}`,
                                            textContent: presence }),
                          element('span', { className: 'time', textContent: time }));
      row.dataset.side = side;
      if (g.status === 'playing' && g.turn === side) row.classList.add('to-move');
      rows.push(row);
    }
    let status;
    if (g.status === 'ended') status = resultText(g.result);
    else if (g.status === 'waiting') status = t('OnlineWaiting');
    else if (!c.side) status = `${t('OnlineWatching')} · ${sideName(g.turn)}`;
    else status = t(g.turn === c.side ? 'OnlineYourTurn' : 'OnlineTheirTurn');
    if (g.clock && g.clock.days && g.clock.deadline_ms && g.status === 'playing')
      status += ` · ${t('OnlineDeadline', { date: new Date(g.clock.deadline_ms).toLocaleString(words.lang) })}`;
    if (g.watchers) status += ` · ${t('OnlineWatchers', { count: g.watchers })}`;
    const buttons = element('div', { className: 'online-actions' });
    const mine = c.side;
    if (mine && g.status === 'waiting' && c.invite)
      buttons.append(button('invite', t('OnlineInviteTitle'), showInvitation));
    if (mine && g.status !== 'ended') {
      const movedBoth = g.moves.filter((m) => !m.pass).length >= 2;
      if (!movedBoth)
        buttons.append(button('abort', t('OnlineAbort'), () => confirmThen(t('OnlineAbortQuestion'), 'abort')));
      if (g.status === 'playing') {
        buttons.append(button('resign', t('OnlineResign'), () => confirmThen(t('OnlineResignQuestion'), 'resign')));
        const myMoves = g.moves.filter((m, i) => !m.pass && ((i % 2 === 0) === (g.first === mine))).length;
        if (myMoves > 0 && g.offers.takeback !== mine)
          buttons.append(button('takeback', t('OnlineOfferTakeback'), () => send('takeback', { do: 'offer' })));
        if (claimable())
          buttons.append(button('claim', t('OnlineClaim'), () => send('claim')));
      }
    }
    if (g.status === 'ended') {
      if (mine && !g.rematch && g.offers.rematch !== mine)
        buttons.append(button('rematch', t('OnlineOfferRematch'), () => send('rematch', { do: 'offer' })));
      if (g.handicap === 0 && g.ply > 0)
        buttons.append(button('download', t('ButtonDownload'), download));
    }
    bar.replaceChildren(...rows, element('div', { className: 'online-status', textContent: status }),
                        buttons);
    c.lastSeconds = `${lowerLeft} ${upperLeft}`;
  }

  // The clocks run on between the server's messages, on the bar and in the
  // game's own clock places.
  // A game of the page's own put on the board by its menu ends online play
  // here; the online game stays on the server, and its link brings it back.
  // Asked after every command too, so that a board shown turned round is
  // named as the page's own game at once.
  function ownGameTookOver() {
    const c = current;
    if (c && c.shown && !c.needDraw && page.game._rindou_waiting() === 0 &&
        page.game._rindou_online_intact() === 0) {
      leave({ keepBoard: true });
      return true;
    }
    return false;
  }
  pageHooks.onIdle(ownGameTookOver);

  setInterval(() => {
    const c = current;
    if (ownGameTookOver()) return;
    if (!c || !c.g) return;
    if (c.claimShown !== claimable()) {
      c.claimShown = !c.claimShown;
      render();
    }
    if (!c.g.clock || c.g.clock.lower_ms === undefined) return;
    const [lowerLeft, upperLeft] = secondsLeft();
    if (`${lowerLeft} ${upperLeft}` === c.lastSeconds) return;
    if (c.shown) page.game._rindou_online_clock(...turnPair([lowerLeft, upperLeft]));
    render();
  }, 250);

  // ---- What page.js asks -------------------------------------------------------
  // A press on the board while online: true when it was the online game's.
  function press(button, x, y) {
    if (!current) return false;
    const c = current;
    if (!c.g || c.g.status !== 'playing' || !c.side) return true;
    const side = turnSide(c.side === 'lower' ? 1 : 2);
    const move = page.game.UTF8ToString(page.game._rindou_online_press(button, x, y, side));
    if (!move) return true;
    const m = JSON.parse(move);
    if (m.from) m.from = turnSquare(m.from);
    m.to = turnSquare(m.to);
    send('move', { ply: c.g.ply, move: m });
    return true;
  }

  function follow(hash) {
    let m;
    if ((m = /^join=([A-Za-z0-9]{8})\.([A-Za-z0-9_-]+)$/.exec(hash))) join(m[1], m[2]);
    else if ((m = /^watch=([A-Za-z0-9]{8})$/.exec(hash))) watch(m[1]);
    else if ((m = /^play=([A-Za-z0-9]{8})$/.exec(hash))) play(m[1]);
  }

  async function attach(hooks) {
    page = hooks;
    try {
      const answer = await fetch('/api/server', { cache: 'no-store' });
      available = answer.ok && (await answer.json()).server === 'rindou-server';
    } catch {
      available = false;
    }
    if (!available) {
      document.body.dataset.online = 'none';
      return;
    }
    readTexts();
    document.body.append(dialog, banner);
    document.getElementById('stage').append(bar);
    document.getElementById('menubar').append(menu);
    captionMenu();
    document.body.dataset.online = 'ready';
    // The page's language may change by its own menu: the captions follow.
    document.addEventListener('click', () => setTimeout(() => {
      readTexts();
      captionMenu();
    }, 0), true);
    follow(location.hash.slice(1));
    window.addEventListener('hashchange', () => follow(location.hash.slice(1)));
  }

  pageHooks.takePresses(press);
  pageHooks.onStart(() => attach({ game: pageHooks.game, closeDrawer: () => setDrawer(false) }));

  // For tests and the curious: the online game as this page holds it.
  return { state: () => current && current.g && JSON.parse(JSON.stringify(
    { id: current.id, side: current.side, v: current.v, open: current.open, ...current.g })) };
})();
