// The menu bar, built from the game's menu table, and the drawer it turns
// into where one row of it does not fit; the commands its entries, keys
// and the arrangement's controls run; and the page's texts anew in the
// language chosen.  A feature module adds an entry of its own with
// addPageEntry before the game starts.
import { boxTexts, setBoxTexts } from './boxes.js';
import { game, run, drawLog } from './game.js';
import { panelRead, panelWrite, showKeptGames } from './record_panel.js';
import { arranged, origin, refit, DESKTOP } from './arrangement.js';
import { renameForAccess } from './access.js';

// The page's own entries a feature module adds (addPageEntry), each under
// a title of the menu table: { name, parent, caption(texts), choose() }.
const pageEntries = [];

export function addPageEntry(entry) {
  pageEntries.push(entry);
}

const menuItems = new Map();
// The title on the menu bar above each entry.
export const menuTitles = new Map();

function closeMenu(menu) {
  menu.classList.remove('open');
  menu.firstChild.setAttribute('aria-expanded', 'false');
  for (const inner of menu.querySelectorAll('.open')) closeMenu(inner);
}

export function closeMenus() {
  for (const open of document.querySelectorAll('#menubar > .menu.open')) closeMenu(open);
}

// The menus are built apart from the page, and shown by the function this
// returns: building them is slow on a slow phone, and the page can then
// show them in a task of their own with the canvas fitted to them.
export function buildMenus(tree) {
  const bar = document.getElementById('menubar');
  const built = document.createDocumentFragment();
  const holders = new Map([['', built]]);
  const parents = new Set(tree.map((e) => e.parent));
  for (const e of tree) {
    const into = holders.get(e.parent);
    if (parents.has(e.name)) {
      const menu = document.createElement('div');
      menu.className = 'menu';
      // A title is a menu item that opens a menu; the wrapper is no part of
      // what a screen reader is told.
      menu.setAttribute('role', 'none');
      const title = document.createElement('button');
      title.type = 'button';
      title.textContent = e.caption;
      title.dataset.entry = e.name;
      title.setAttribute('role', 'menuitem');
      title.setAttribute('aria-haspopup', 'menu');
      title.setAttribute('aria-expanded', 'false');
      const list = document.createElement('div');
      list.className = 'submenu';
      list.setAttribute('role', 'menu');
      list.setAttribute('aria-label', e.caption);
      menu.append(title, list);
      into.appendChild(menu);
      holders.set(e.name, list);
      title.addEventListener('click', (ev) => {
        ev.stopPropagation();
        const wasOpen = menu.classList.contains('open');
        if (e.parent === '') {
          closeMenus();
          if (wasOpen) return;
          // Opening a title runs its command (the record panel closes).
          menuCommand(e.name);
        } else {
          for (const sib of menu.parentNode.querySelectorAll(':scope > .menu.open'))
            closeMenu(sib);
          if (wasOpen) return;
        }
        menu.classList.add('open');
        title.setAttribute('aria-expanded', 'true');
      });
      title.addEventListener('mouseenter', () => {
        const sibling = menu.parentNode.querySelector(':scope > .menu.open');
        if (sibling && sibling !== menu) title.click();
      });
    } else {
      const item = document.createElement('button');
      item.type = 'button';
      item.className = 'menu-item';
      item.textContent = e.caption;
      item.dataset.entry = e.name;
      item.setAttribute('role', e.checkable ? 'menuitemcheckbox' : 'menuitem');
      item.addEventListener('click', (ev) => {
        ev.stopPropagation();
        closeMenus();
        setDrawer(false);
        if (e.choose) {
          e.choose();
        } else if (e.language) {
          run(() => game.ccall('rindou_choose_language', null, ['string'], [e.name]));
          retranslate();
        } else {
          menuCommand(e.name);
        }
      });
      into.appendChild(item);
      menuItems.set(e.name, { item, checkable: e.checkable, language: !!e.language });
    }
  }
  // The title on the menu bar above each entry.
  const parentOf = new Map(tree.map((e) => [e.name, e.parent]));
  for (const e of tree) {
    let title = '';
    for (let up = e.parent; up; up = parentOf.get(up)) title = up;
    menuTitles.set(e.name, title);
  }
  return () => {
    bar.appendChild(built);
    document.addEventListener('click', (ev) => {
      closeMenus();
      // A press beside the open drawer closes it.
      if (!bar.contains(ev.target) && ev.target !== menuToggle) setDrawer(false);
    });
  };
}

// The menu table's entries, the page's own choice of language under the
// options (as the window has it), each language in its own words, and the
// entries feature modules added, in the words of the language now chosen.
export function menuEntries() {
  const tree = JSON.parse(game.UTF8ToString(game._rindou_menu_tree()));
  const languages = JSON.parse(game.UTF8ToString(game._rindou_languages()));
  tree.push({ name: 'LANGUAGE', caption: languages.title, parent: 'OPTION', checkable: false });
  for (const l of languages.entries)
    tree.push({ name: l.name, caption: l.caption, parent: 'LANGUAGE', checkable: true,
                language: true, checked: l.checked });
  for (const e of pageEntries)
    tree.push({ name: e.name, caption: e.caption(boxTexts), parent: e.parent, checkable: false,
                choose: e.choose });
  return tree;
}

// Every caption and text of the page anew, in the language now chosen.
export function retranslate() {
  const before = boxTexts.lang;
  setBoxTexts(JSON.parse(game.UTF8ToString(game._rindou_box_texts())));
  panelWrite.querySelectorAll('label span').forEach((span, i) => {
    span.textContent = boxTexts.panel[i];
  });
  document.getElementById('promote').textContent = boxTexts.promote;
  document.getElementById('stay').textContent = boxTexts.stay;
  for (const e of menuEntries()) {
    const node = document.querySelector(`#menubar [data-entry="${e.name}"]`);
    if (node) node.textContent = e.caption;
    if (node && node.hasAttribute('aria-haspopup')) node.nextSibling.setAttribute('aria-label', e.caption);
  }
  if (!panelRead.hidden) showKeptGames();
  document.documentElement.lang = boxTexts.lang;
  renameForAccess();
  document.getElementById('panel-file').setAttribute('aria-label', boxTexts.open);
  syncMenu();
  // The controls' captions, and the menu bar's length, in this language:
  // the arrangement is fitted again only when the language changed.
  if (boxTexts.lang !== before) refit();
}

export function syncMenu() {
  // After every command: only the languages' marks, not the whole tree.
  const languages = new Map(JSON.parse(game.UTF8ToString(game._rindou_languages())).entries
    .map((l) => [l.name, l.checked]));
  for (const [name, { item, checkable, language }] of menuItems) {
    if (!checkable) continue;
    const on = language ? languages.get(name)
      : game.ccall('rindou_menu_checked', 'number', ['string'], [name]) !== 0;
    item.classList.toggle('checked', on);
    item.setAttribute('aria-checked', on ? 'true' : 'false');
  }
}

export function menuCommand(name) {
  if (drawLog && game && !game._rindou_ended() && game._rindou_waiting() === 0)
    drawLog.push(`> menu ${name}`);
  run(() => game.ccall('rindou_menu', null, ['string'], [name]));
}

// A control runs what choosing its entry on the menu bar runs.
export function control(command) {
  run(() => game.ccall('rindou_keyed', null, ['string', 'string'],
                       [menuTitles.get(command) || '', command]));
}

// ---- The drawer ------------------------------------------------------------
// The menu bar turns into a drawer behind a button where one row of it
// does not fit, and always on a phone's arrangement.
export const menuToggle = document.getElementById('menu-toggle');

export function placeMenu(scale) {
  const bar = document.getElementById('menubar');
  const phone = arranged.shape !== DESKTOP;
  document.body.classList.remove('drawer');
  let drawer = phone;
  if (!phone) {
    const items = [...bar.children];
    drawer = items.length > 1 && items[items.length - 1].offsetTop > items[0].offsetTop;
  }
  document.body.classList.toggle('drawer', drawer);
  if (!drawer) setDrawer(false);
  menuToggle.hidden = !drawer;
  if (phone) {
    const m = arranged.menu;
    menuToggle.classList.add('on-board');
    menuToggle.style.left = `${origin.x + m[0] * scale}px`;
    menuToggle.style.top = `${origin.y + m[1] * scale}px`;
    menuToggle.style.width = `${(m[2] - m[0]) * scale}px`;
    menuToggle.style.height = `${(m[3] - m[1]) * scale}px`;
  } else {
    menuToggle.classList.remove('on-board');
    menuToggle.removeAttribute('style');
  }
}

export function setDrawer(open) {
  document.body.classList.toggle('drawer-open', open);
  menuToggle.setAttribute('aria-expanded', open ? 'true' : 'false');
  if (!open) closeMenus();
}
menuToggle.addEventListener('click', (e) => {
  e.stopPropagation();
  setDrawer(!document.body.classList.contains('drawer-open'));
});
