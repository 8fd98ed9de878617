// The record panel: the boxes of a record to write and its save button,
// the choice of a record file to read, and the kept games to open or
// download; a record file dropped on the page is read as one chosen.
import { cString } from './wasm.js';
import { boxTexts } from './boxes.js';
import { kept } from './kept.js';
import { game, hooks, run } from './game.js';

// The record panel.  Writing: the four boxes and the save button; the record comes as a
// download.  Reading: the choice of a record file of the person's own.
const panel = document.getElementById('panel');
export const panelRead = document.getElementById('panel-read');
export const panelWrite = document.getElementById('panel-write');
const panelFile = document.getElementById('panel-file');
export const panelBoxes = () => [...panelWrite.querySelectorAll('input')];

export function panelDo(what) {
  switch (what) {
    case 0: panelRead.hidden = true; break;
    case 1: panelWrite.hidden = true; break;
    case 2: for (const b of panelBoxes()) b.value = ''; break;
    case 3: panelRead.hidden = true; panelWrite.hidden = false; break;
    case 4:
      panelRead.hidden = false;
      panelWrite.hidden = true;
      panelFile.value = '';
      showKeptGames();
      break;
    case 5: showKeptGames(); break;
    default: break;
  }
  panel.hidden = panelRead.hidden && panelWrite.hidden;
}

// The kept games in the reading panel, newest first: each opened as a
// record file chosen, or downloaded.
export function showKeptGames() {
  const list = document.getElementById('kept-list');
  document.getElementById('kept-title').textContent = boxTexts.keptGames;
  const names = kept.listed();
  list.replaceChildren();
  if (!names.length) {
    const li = document.createElement('li');
    li.className = 'none';
    li.textContent = boxTexts.noKeptGames;
    list.appendChild(li);
  }
  for (const name of names) {
    const li = document.createElement('li');
    const label = document.createElement('span');
    label.textContent = name.replace(/\.棋譜$/, '');
    const open = document.createElement('button');
    open.type = 'button';
    open.textContent = boxTexts.open;
    open.className = 'kept-open';
    open.addEventListener('click', () => loadRecord(name, kept.files.get(name)));
    const down = document.createElement('button');
    down.type = 'button';
    down.textContent = boxTexts.download;
    down.className = 'kept-download';
    down.addEventListener('click', () => hooks.download(name, kept.files.get(name)));
    li.dataset.name = name;
    li.append(label, open, down);
    list.appendChild(li);
  }
}

// A record file's bytes, read as the file of that name chosen in the
// panel; no bytes for a file larger than any record, which the game
// refuses as too large.
function loadRecord(name, bytes) {
  if (!game) return;
  const nameAt = cString(game, name);
  let at = 0;
  try {
    if (!nameAt) throw new Error('no memory for the name');
    if (bytes) {
      at = game._malloc(bytes.length + 1);
      if (!at) throw new Error('no memory for the record');
      game.HEAPU8.set(bytes, at);
    }
    run(() => game._rindou_panel_load(nameAt, at, bytes ? bytes.length : 0));
  } catch (e) {
    console.warn('rindou: the record cannot be read', e);
  } finally {
    if (at) game._free(at);
    if (nameAt) game._free(nameAt);
  }
}

// A record file the person chose: its size is weighed before anything of
// it is read.
async function loadFile(file) {
  if (!game) return;
  if (file.size > game._rindou_record_limit()) {
    loadRecord(file.name, null);
    return;
  }
  let bytes;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (e) {
    console.warn('rindou: the record cannot be read', e);
    return;
  }
  // A file that grew while it was read is as large as it became.
  loadRecord(file.name, bytes.length > game._rindou_record_limit() ? null : bytes);
}

document.getElementById('panel-save').addEventListener('click', () => {
  run(() => game._rindou_panel_save());
});
panelFile.addEventListener('change', () => {
  const file = panelFile.files[0];
  if (file) loadFile(file);
});
// A record file dropped on the page is read as if chosen from the panel
// the reading command opens.
document.addEventListener('dragover', (e) => {
  if (e.dataTransfer && [...e.dataTransfer.types].includes('Files')) e.preventDefault();
});
document.addEventListener('drop', async (e) => {
  const file = e.dataTransfer && e.dataTransfer.files[0];
  if (!file) return;
  e.preventDefault();
  if (!game || game._rindou_waiting() !== 0) return;
  run(() => game.ccall('rindou_keyed', null, ['string', 'string'], ['KIFU', 'KIFU_READ']));
  await loadFile(file);
});
