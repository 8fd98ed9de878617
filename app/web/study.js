// Studying a game in the page, as the window's study does: the move list
// beside or below the board (on a phone a sheet below or beside the
// arrangement), a line pressed to show that position, the hint's words, and
// the analysis at LEVEL4 or LEVEL5 in a worker of its own, with its progress,
// a cancel button, the marks ?!, ? and ?? with the move the search
// preferred, each side's counts and the graph of the game.
//
// Everything the study says comes from the game's module: the lines, the
// hint and the words from the game's own instance, the analysis from the
// same study code the window and the console run, in the worker's
// instance.  This side only shows it.
import { page } from './features.js';
import { BUILD_ID } from './wasm.js';

const MARK_CLASSES = ['', 'inaccuracy', 'mistake', 'blunder'];
// The sheet's share of a phone's screen: below the arrangement when upright,
// beside it when sideways.
const PORTRAIT_SHARE = 0.42;
const LANDSCAPE_SHARE = 0.42;

let texts = null;
let view = null;
// The last analysis finished, with the record it is of; shown only while the
// game's record is that one.
let analysis = null;
// The analysis under way: { worker, level }.
let running = null;

// ---- The sheet ---------------------------------------------------------------
const sheet = document.createElement('section');
sheet.id = 'study';
sheet.hidden = true;
sheet.setAttribute('aria-labelledby', 'study-title');
sheet.innerHTML = `
  <header>
    <h2 id="study-title"></h2>
    <button type="button" id="study-close" aria-label="">&times;</button>
  </header>
  <div id="study-actions">
    <button type="button" data-level="4"></button>
    <button type="button" data-level="5"></button>
  </div>
  <div id="study-progress" hidden>
    <progress max="1" value="0"></progress>
    <button type="button" id="study-cancel"></button>
  </div>
  <p id="study-failed" role="alert" hidden></p>
  <p id="study-hint" aria-live="polite"></p>
  <ol id="study-moves"></ol>
  <div id="study-summary"></div>
  <canvas id="study-graph" role="img"></canvas>`;
document.getElementById('stage').appendChild(sheet);

const title = sheet.querySelector('#study-title');
const closeButton = sheet.querySelector('#study-close');
const analyseButtons = [...sheet.querySelectorAll('#study-actions button')];
const progressRow = sheet.querySelector('#study-progress');
const progressBar = progressRow.querySelector('progress');
const cancelButton = sheet.querySelector('#study-cancel');
const failure = sheet.querySelector('#study-failed');
const hintLine = sheet.querySelector('#study-hint');
const moveList = sheet.querySelector('#study-moves');
const summary = sheet.querySelector('#study-summary');
const graph = sheet.querySelector('#study-graph');

function readTexts() {
  texts = JSON.parse(page.game.UTF8ToString(page.game._rindou_study_texts()));
  title.textContent = texts.moveList;
  closeButton.setAttribute('aria-label', texts.close);
  closeButton.title = texts.close;
  analyseButtons[0].textContent = texts.analyse4;
  analyseButtons[1].textContent = texts.analyse5;
  cancelButton.textContent = texts.cancel;
  progressBar.setAttribute('aria-label', texts.progress);
  graph.setAttribute('aria-label', texts.graph);
  if (sheet.dataset.state === 'failed') failure.textContent = texts.failed;
}

function fill(pattern, values) {
  return pattern.replace(/\{(\w+)\}/g, (all, name) => (name in values ? String(values[name]) : all));
}

// The analysis of the record now on the board, or null.
function current() {
  return analysis && view && analysis.key === view.key ? analysis.result : null;
}

// ---- Showing ---------------------------------------------------------------------
function refresh() {
  if (!page.game) return;
  view = JSON.parse(page.game.UTF8ToString(page.game._rindou_study_view()));
  if (sheet.hidden !== !view.shown) {
    sheet.hidden = !view.shown;
    document.body.classList.toggle('studying', view.shown);
    page.refit();
  }
  if (!view.shown) return;
  const result = current();
  if (moveList.children.length !== view.lines.length) {
    moveList.replaceChildren(...view.lines.map((_, i) => {
      const li = document.createElement('li');
      const b = document.createElement('button');
      b.type = 'button';
      b.dataset.position = String(i);
      li.appendChild(b);
      return li;
    }));
  }
  view.lines.forEach((line, i) => {
    const li = moveList.children[i];
    const b = li.firstChild;
    const review = result && i >= 1 ? result.moves[i - 1] : null;
    const mark = review ? review.mark : 0;
    const parts = [line];
    if (mark) parts.push(texts.marks[mark]);
    const better = review && review.best ? fill(texts.better, { move: review.best }) : '';
    b.textContent = parts.join('  ');
    if (better) {
      const span = document.createElement('span');
      span.className = 'better';
      span.textContent = better;
      b.append(' ', span);
    }
    li.className = MARK_CLASSES[mark] || '';
    if (review) {
      li.dataset.before = String(review.before);
      li.dataset.after = String(review.after);
      li.dataset.drop = review.drop.toFixed(3);
      li.dataset.mark = review.markName;
    } else {
      for (const k of ['before', 'after', 'drop', 'mark']) delete li.dataset[k];
    }
    if (i === view.current) b.setAttribute('aria-current', 'step');
    else b.removeAttribute('aria-current');
  });
  const shown = moveList.children[Math.min(view.current, moveList.children.length - 1)];
  if (shown) shown.scrollIntoView({ block: 'nearest' });
  // The hint's words stand only while the position is the one they were
  // given for.
  hintLine.textContent = view.hint;
  hintLine.hidden = !view.hint;
  showSummary(result);
  drawGraph(result);
}

function showSummary(result) {
  summary.replaceChildren();
  if (!result) return;
  const first = result.upperFirst ? result.upper : result.lower;
  const second = result.upperFirst ? result.lower : result.upper;
  for (const [side, counts] of [[texts.sente, first], [texts.gote, second]]) {
    const p = document.createElement('p');
    p.textContent = `${side} ${fill(texts.summary, counts)}`;
    summary.appendChild(p);
  }
}

// The graph: every position's winning chances from the first player's side,
// the marked moves as dots, the position shown as a line.
function graphPoints(result) {
  if (!result || result.moves.length === 0) return [];
  const points = [{ chances: result.moves[0].chancesBefore, mark: 0 }];
  for (const m of result.moves) points.push({ chances: m.chancesAfter, mark: m.mark });
  return points;
}

function drawGraph(result) {
  const points = graphPoints(result);
  graph.hidden = points.length < 2;
  if (graph.hidden) return;
  const box = graph.getBoundingClientRect();
  const dpr = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(box.width * dpr)), h = Math.max(1, Math.round(box.height * dpr));
  if (graph.width !== w || graph.height !== h) {
    graph.width = w;
    graph.height = h;
  }
  const c = graph.getContext('2d');
  const style = getComputedStyle(graph);
  c.fillStyle = style.backgroundColor;
  c.fillRect(0, 0, w, h);
  const mid = h / 2, step = (w - 1) / (points.length - 1);
  const at = (k) => [step * k, mid - points[k].chances * (mid - 4 * dpr)];
  c.strokeStyle = style.borderColor;
  c.lineWidth = dpr;
  c.beginPath();
  c.moveTo(0, mid);
  c.lineTo(w, mid);
  c.stroke();
  c.strokeStyle = style.color;
  c.lineWidth = 1.5 * dpr;
  c.beginPath();
  points.forEach((_, k) => (k ? c.lineTo(...at(k)) : c.moveTo(...at(k))));
  c.stroke();
  for (let k = 1; k < points.length; ++k) {
    if (!points[k].mark) continue;
    c.fillStyle = getComputedStyle(sheet).getPropertyValue(`--${MARK_CLASSES[points[k].mark]}`).trim();
    c.beginPath();
    c.arc(...at(k), 3.5 * dpr, 0, 2 * Math.PI);
    c.fill();
  }
  if (view && view.current < points.length) {
    c.strokeStyle = getComputedStyle(sheet).getPropertyValue('--current').trim();
    c.lineWidth = dpr;
    c.beginPath();
    c.moveTo(at(view.current)[0], 0);
    c.lineTo(at(view.current)[0], h);
    c.stroke();
  }
}

// ---- Commands ----------------------------------------------------------------------
function setShown(on) {
  if (!page.game) return;
  page.run(() => page.game._rindou_study_show(on ? 1 : 0));
  refresh();
}

function jump(position) {
  if (!view || position < 0 || position >= view.lines.length) return;
  page.run(() => page.game._rindou_study_jump(position));
}

// Where the study stands (analysing, analysed, cancelled, failed); a failure
// is said in words, never shown as an empty analysis.
function setState(state) {
  sheet.dataset.state = state;
  failure.hidden = state !== 'failed';
  failure.textContent = state === 'failed' ? texts.failed : '';
}

function stopAnalysis() {
  if (!running) return;
  running.worker.terminate();
  running = null;
  progressRow.hidden = true;
  analyseButtons.forEach((b) => { b.disabled = false; });
}

function analyse(level) {
  if (!page.game || running) return;
  refresh();
  if (!view || view.busy) return;
  if (!view.shown) setShown(true);
  const request = page.game.UTF8ToString(page.game._rindou_study_request());
  const key = view.key;
  let worker;
  try {
    worker = new Worker('study_worker.js');
  } catch (e) {
    console.error('rindou: no worker for the study', e);
    return;
  }
  running = { worker, level };
  progressBar.value = 0;
  progressRow.hidden = false;
  analyseButtons.forEach((b) => { b.disabled = true; });
  setState('analysing');
  worker.onmessage = (e) => {
    if (!running || running.worker !== worker) return;
    const d = e.data;
    if (d.progress) {
      const [done, total] = d.progress;
      progressBar.max = Math.max(1, total);
      progressBar.value = done;
      return;
    }
    stopAnalysis();
    if (d.analysis) {
      analysis = { key, result: d.analysis };
      setState('analysed');
    } else {
      console.error('rindou: the study', d.refused ? 'worker is of another build' : 'failed');
      setState('failed');
    }
    refresh();
  };
  worker.onerror = (e) => {
    if (!running || running.worker !== worker) return;
    console.error('rindou: the study failed', e.message);
    stopAnalysis();
    setState('failed');
  };
  worker.postMessage({ request, level, build: BUILD_ID });
}

closeButton.addEventListener('click', () => setShown(false));
analyseButtons.forEach((b) => b.addEventListener('click', () => analyse(Number(b.dataset.level))));
cancelButton.addEventListener('click', () => {
  stopAnalysis();
  setState('cancelled');
});
moveList.addEventListener('click', (e) => {
  const b = e.target.closest('button[data-position]');
  if (b) jump(Number(b.dataset.position));
});
// Up and Down in the list step through the positions, as in the window.
moveList.addEventListener('keydown', (e) => {
  if (!view || (e.key !== 'ArrowUp' && e.key !== 'ArrowDown')) return;
  e.preventDefault();
  e.stopPropagation();
  jump(view.current + (e.key === 'ArrowUp' ? -1 : 1));
});
graph.addEventListener('click', (e) => {
  const points = graphPoints(current());
  if (points.length < 2) return;
  const box = graph.getBoundingClientRect();
  const k = Math.round((e.clientX - box.left) / ((box.width - 1) / (points.length - 1)));
  jump(Math.max(0, Math.min(points.length - 1, k)));
});

// ---- Where the sheet stands --------------------------------------------------------
// The room the page has (below its menu bar on a desktop, the whole screen on
// a phone) shared between the game and the sheet; the view places the list
// on a desktop as it places it in the window.
page.setRoom((shape, x, y, width, height) => {
  if (sheet.hidden) return null;
  let game, list;
  if (shape === 0) {
    const at = JSON.parse(page.game.UTF8ToString(page.game._rindou_study_place(width, height)));
    sheet.classList.toggle('below', at.below);
    game = { width: at.board[0], height: at.board[1] };
    list = { x: at.list[0], y: at.list[1], width: at.list[2], height: at.list[3] };
  } else if (shape === 1) {
    const h = Math.round(height * PORTRAIT_SHARE);
    sheet.classList.add('below');
    game = { width, height: height - h };
    list = { x: 0, y: height - h, width, height: h };
  } else {
    const w = Math.round(width * LANDSCAPE_SHARE);
    sheet.classList.remove('below');
    game = { width: width - w, height };
    list = { x: width - w, y: 0, width: w, height };
  }
  document.body.classList.toggle('study-below', sheet.classList.contains('below'));
  Object.assign(sheet.style, { left: `${x + list.x}px`, top: `${y + list.y}px`,
                               width: `${list.width}px`, height: `${list.height}px` });
  requestAnimationFrame(() => drawGraph(current()));
  return game;
});

// ---- Its entries under the record menu ---------------------------------------------
page.addPageEntry({ name: 'MOVE_LIST', parent: 'KIFU', caption: () => studyText('moveList'),
                    choose: () => setShown(sheet.hidden) });
page.addPageEntry({ name: 'ANALYSE4', parent: 'KIFU', caption: () => studyText('analyse4'),
                    choose: () => analyse(4) });
page.addPageEntry({ name: 'ANALYSE5', parent: 'KIFU', caption: () => studyText('analyse5'),
                    choose: () => analyse(5) });

function studyText(name) {
  if (page.game) readTexts();
  return texts ? texts[name] : '';
}

page.onStart(() => {
  readTexts();
  refresh();
});
// After every command: the position, the record or the language may have
// changed.
page.onIdle(() => {
  readTexts();
  refresh();
});
window.addEventListener('resize', () => {
  if (!sheet.hidden) drawGraph(current());
});
