// How the tests reach the page's dialog: its controls by identifier, its message boxes, its
// window menu, and the virtual tracker's log. Every wait is bounded by the page's timeout.
'use strict';
const fs = require('node:fs');

// A control's element: the page names it after its identifier.
const control = (id) => `#c${id}`;

const value = (page, id) =>
    page.$eval(control(id), (e) => (e.type === 'checkbox' ? e.checked : e.value));
const enabled = (page, id) => page.$eval(control(id), (e) => !e.disabled);
const focused = (page) => page.evaluate(() => document.activeElement?.id ?? '');

// Replaces an edit field's text as the user would: a triple click selects it all, then type.
async function type(page, id, text) {
  await page.click(control(id), {count: 3});
  if (text === '')
    await page.keyboard.press('Backspace');
  else
    await page.keyboard.type(text);
}

// Resolves once the dialog has started.
const started = (page) => page.waitForSelector('body[data-state="running"]');

// The open message box: { caption, text, icon }, once one is shown.
async function message(page, timeout) {
  await page.waitForSelector('dialog#message[open]', {timeout});
  return page.evaluate(() => ({
                         caption: document.getElementById('message-caption').textContent,
                         text: document.getElementById('message-text').textContent,
                         icon: document.getElementById('message-icon').dataset.icon,
                       }));
}

// Closes the open message box with its OK button and waits until it is gone.
async function answer(page) {
  await page.click('#message-ok');
  await page.waitForSelector('dialog#message', {hidden: true});
}

// The text of a small dialog ("about", "squelch"), once it is shown.
async function smallDialog(page, name) {
  const dialog = await page.waitForSelector(`dialog#${name}[open]`);
  return dialog.evaluate((e) => e.textContent);
}

// Runs a command of the window menu (16 About, 32 open, 48 save).
async function menu(page, command) {
  await page.click('#menu-button');
  await page.click(`#m${command}`);
}

const beeps = (page) => page.evaluate(() => Number(document.body.dataset.beeps || 0));

// Resolves with the tracker's log lines once ready(lines) holds; polls the file.
async function trackerLog(file, ready, timeout = 8000) {
  const end = Date.now() + timeout;
  for (;;) {
    const lines =
        fs.existsSync(file) ? fs.readFileSync(file, 'utf8').split('\n').filter(Boolean) : [];
    const events = lines.map((l) => l.replace(/^\S+ /, ''));
    if (ready(events)) return events;
    if (Date.now() > end)
      throw new Error(`tracker log not as awaited within ${timeout} ms:\n${events.join('\n')}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

module.exports = {
  control,
  value,
  enabled,
  focused,
  type,
  started,
  message,
  answer,
  smallDialog,
  menu,
  beeps,
  trackerLog,
};
