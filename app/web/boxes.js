// The boxes: a notice, a question and the about box in one <dialog>, and
// the page's words for them (boxTexts) in the language now chosen.

import { yieldToPage } from './wasm.js';

export const box = document.getElementById('box');
export let boxTexts = { yes: 'Yes', no: 'No', aboutTitle: '', homePage: '' };
let boxAnswer = null;
// A box asked for and about to show.
let boxComing = false;

// Whether a box is open, or asked for and about to open: the board's keys
// are its then, not the game's.
export function boxOpen() {
  return box.open || boxComing;
}

export function openBox(title, text, buttons, picture, answer) {
  document.getElementById('box-title').textContent = title;
  document.getElementById('box-text').textContent = text;
  const img = document.getElementById('box-picture');
  img.hidden = !picture;
  if (picture) img.srcset = picture;
  const row = document.getElementById('box-buttons');
  row.replaceChildren();
  for (const [caption, value, name] of buttons) {
    const b = document.createElement('button');
    b.textContent = caption;
    b.value = value;
    b.name = name;
    row.appendChild(b);
  }
  boxAnswer = answer;
  box.returnValue = '';
  // Shown in a task of its own: the box laid out for its words (the first
  // box of all finds its faces then) made the answer to the press or key
  // that asked for it long on a slow phone.
  boxComing = true;
  yieldToPage().then(() => {
    boxComing = false;
    if (!box.open) box.showModal();
    row.lastChild.focus();
  });
}

box.addEventListener('close', () => {
  const answer = boxAnswer;
  boxAnswer = null;
  if (answer) answer(box.returnValue);
});
// Esc closes a notice or the about box as its OK does; a question waits
// for Yes or No.
box.addEventListener('cancel', (e) => {
  if (box.dataset.kind === 'question') e.preventDefault();
});

// The page's words in the language now chosen, as the game gives them.
export function setBoxTexts(texts) {
  boxTexts = texts;
}
