// The game in progress survives a reload, a closed page or a tab the phone
// killed: after every command that changed it the page puts it aside in
// local storage, and the next visit takes it up exactly where it stood.
//
// The game writes and reads the state itself (rindou_saved_game,
// rindou_restore_game); this file decides when.  The site keeps one game
// aside, the one a tab acted on last.  Two tabs that hold the same game
// (one took it up from the other) would fork it and keep it twice: when one
// acts on it, the other says so and takes no more input.  Two tabs playing
// games of their own go on side by side; the one whose game is not put
// aside keeps its game as a left game when it goes, as before.
'use strict';

window.rindouResume = (() => {
  const KEY = 'rindou.gameInProgress';
  // The envelope's own version; the game's text carries its own too.
  const VERSION = 1;
  const tab = `${Date.now().toString(36)}-${Math.random().toString(36).slice(2)}`;
  let game = null;
  let acted = false;     // a command ran since the game was last put aside
  let holds = false;     // what is stored is this tab's game
  let lineage = null;    // the name of the game on this board, once put aside
  let games = 0;
  let stopped = false;   // another tab took the game
  let restoring = false; // the start was not over when the page was ready
  let texts = { resumed: '', otherTab: '' };

  function stored() {
    try {
      const v = JSON.parse(localStorage.getItem(KEY) || 'null');
      return v && v.version === VERSION && typeof v.game === 'string' ? v : null;
    } catch {
      return null;
    }
  }

  // One line over the foot of the board, never a box: it asks nothing.
  function say(text, kind) {
    const frame = document.getElementById('board-frame');
    if (!frame || !text) return;
    let line = document.getElementById('resume-line');
    if (!line) {
      line = document.createElement('div');
      line.id = 'resume-line';
      line.setAttribute('role', 'status');
      Object.assign(line.style, {
        position: 'absolute', left: '0', right: '0', bottom: '0', padding: '0.3em 0.6em',
        background: 'rgba(0, 0, 0, 0.72)', color: '#fff', font: '15px serif',
        textAlign: 'center', pointerEvents: 'none', whiteSpace: 'nowrap', overflow: 'hidden',
        textOverflow: 'ellipsis',
      });
      frame.appendChild(line);
    }
    line.textContent = text;
    line.dataset.kind = kind;
    // The news of a game taken up goes once it has been read; the other tab's
    // stays, since this page no longer plays.
    clearTimeout(say.timer);
    if (kind === 'resumed') say.timer = setTimeout(() => line.remove(), 6000);
  }

  // Puts the game aside as it stands now (or takes it away when it has
  // ended); `by` says whether a command of this tab changed it ('act') or
  // the page only notes its clock on the way out ('hide').
  function save(by) {
    if (!game || stopped) return;
    const text = game.UTF8ToString(game._rindou_saved_game());
    if (text === '=') return;
    try {
      if (!text) {
        if (holds) localStorage.removeItem(KEY);
        holds = false;
        lineage = null;
      } else {
        if (!lineage) lineage = `${tab}-${++games}`;
        localStorage.setItem(KEY, JSON.stringify({ version: VERSION, owner: tab, lineage, by,
                                                   game: text }));
        holds = true;
      }
    } catch {
      // A full or refused storage: the game is kept as a left game instead.
      holds = false;
    }
  }

  function restore() {
    restoring = false;
    const v = stored();
    if (!v || !game) return;
    const bytes = new TextEncoder().encode(v.game);
    const at = game._malloc(bytes.length + 1);
    if (!at) return;
    try {
      game.HEAPU8.set(bytes, at);
      game.HEAPU8[at + bytes.length] = 0;
      if (game._rindou_restore_game(at)) {
        holds = true;
        lineage = typeof v.lineage === 'string' ? v.lineage : `${tab}-restored`;
        say(texts.resumed, 'resumed');
        document.body.dataset.resumed = 'true';
      }
    } finally {
      game._free(at);
    }
  }

  function stop() {
    if (stopped) return;
    stopped = true;
    holds = false;
    document.body.dataset.otherTab = 'true';
    say(texts.otherTab, 'other-tab');
  }

  window.addEventListener('storage', (e) => {
    if (e.key !== KEY || !game || stopped) return;
    const parse = (value) => {
      try {
        return JSON.parse(value || 'null');
      } catch {
        return null;
      }
    };
    const now = parse(e.newValue), before = parse(e.oldValue);
    const mine = (v) => v && lineage && v.lineage === lineage && v.owner !== tab;
    // Another tab played this same game on, or ended it: this board is no
    // longer the game.  A tab only noting its clock as it closes takes
    // nothing.
    if ((mine(now) && now.by === 'act') || (!now && mine(before))) {
      stop();
      return;
    }
    // Another game is put aside in place of this one.
    if (!now || now.lineage !== lineage) holds = false;
  });
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'hidden' && holds) save('hide');
  });

  return {
    // The game has started: take up the game put aside, once nothing waits.
    start(module) {
      game = module;
      texts = JSON.parse(game.UTF8ToString(game._rindou_resume_texts()));
      if (game._rindou_waiting() === 0) restore();
      else restoring = true;
    },
    // For tests and the curious: the game as it would be put aside now
    // (empty when there is none, "=" while a command is under way).
    text() { return game ? game.UTF8ToString(game._rindou_saved_game()) : ''; },
    // Whether the page may hand the game a command now.
    accepts() { return !stopped; },
    // A command is handed to the game.
    acted() { acted = true; },
    // Nothing waits: the command is over.
    idle() {
      if (restoring) {
        setTimeout(restore, 0);
        return;
      }
      if (acted) {
        acted = false;
        save('act');
      }
    },
    // The work waits (a box, a pause, a search): a game that has ended is
    // no longer put aside; one in the middle of a command stays as it was.
    waiting() { if (acted) save('act'); },
    ended() { save('act'); },
    // The page goes: the game put aside goes on at the next visit, so it is
    // not kept as left; only a game that could not be put aside is.
    leave() {
      if (!game || stopped) return;
      if (holds) save('hide');
      if (!holds) game._rindou_leave();
    },
  };
})();
