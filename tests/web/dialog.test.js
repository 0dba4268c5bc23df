// The dialog in the browser: start-up, the checks, the small commands, About, squelch and
// settings files, against virtual-tracker behind the stand-in port.
'use strict';
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const {after, before, describe, test} = require('node:test');
const {start} = require('./harness');
const d = require('./dialog_page');

let h;
before(async () => (h = await start()));
after(() => h?.stop());

// A page whose tracker logs to a file of the test's own.
async function withTracker(name, extra = [], stand = {}) {
  const log = path.join(h.work, `${name}.log`);
  const page = await h.open({trackerArgs: ['--log', log, ...extra], ...stand});
  await d.started(page);
  return {page, log};
}

describe('start-up', () => {
  test('granted port listed, defaults, enabling, focus on the callsign', async () => {
    const {page} = await withTracker('start');
    const entries =
        await page.$$eval(`${d.control(1025)} option`, (o) => o.map((e) => e.textContent));
    assert.ok(entries.length >= 2, entries.join());
    assert.equal(entries[entries.length - 1], 'Poort toevoegen...');
    assert.notEqual(await d.value(page, 1025), '');
    assert.equal(await d.value(page, 1000), 'NOCALL');
    assert.equal(await d.focused(page), 'c1000');
    await page.click(d.control(1017));  // the enabling follows the check box
    assert.deepEqual([await d.enabled(page, 1020), await d.enabled(page, 1033)], [true, true]);
    assert.deepEqual(page.errors, []);
  });

  test('without Web Serial: which browsers can, and the virtual tracker', async () => {
    const page = await h.open({absent: true});
    assert.equal(await page.$eval('#no-serial', (e) => e.hidden), false);
    assert.match(await page.$eval('#no-serial', (e) => e.textContent), /Chrome, Edge/);
    assert.equal(await page.$eval('#dialog', (e) => e.hidden), true);
  });

  test('no port yet: "Poort toevoegen..." asks the browser, from the click', async () => {
    const page = await h.open({granted: 0});
    assert.equal(
        (await d.message(page)).text, 'Er zijn geen serieele poorten beschikbaar op dit systeem');
    await d.answer(page);
    await d.started(page);
    assert.equal(await page.evaluate(() => serialStandIn.requests), 0);
    await page.select(d.control(1025), 'add');
    await page.waitForFunction(() => serialStandIn.ports.length === 1);
    await page.waitForFunction(
        (s) => document.querySelector(s).value.startsWith('Poort 1'), {}, d.control(1025));
    await page.click(d.control(1010));
    assert.match((await d.message(page)).text, /VinDrel versie 1\.7/);
  });
});

test('an interval out of range is named, with the focus on it', async () => {
  const {page} = await withTracker('check');
  await d.type(page, 1019, '300');
  await page.click(d.control(1023));
  const box = await d.message(page);
  assert.equal(box.text, 'Please enter an integer between 5 and 255.');
  await d.answer(page);
  assert.equal(await d.focused(page), 'c1019');
  assert.equal(
      await page.$eval(d.control(1019), (e) => e.value.slice(e.selectionStart, e.selectionEnd)),
      '300');
  assert.equal(await d.enabled(page, 1022), true);  // the refresh goes on after the message
});

describe('ending and coming back', () => {
  test('Enter in a field ends the dialog and closes the port', async () => {
    const {page} = await withTracker('end');
    await page.click(d.control(1010));
    await d.message(page);
    await d.answer(page);
    assert.notEqual(await page.evaluate(() => serialStandIn.ports[0].readable), null);
    await page.focus(d.control(1006));
    await page.keyboard.press('Enter');
    await page.waitForSelector('body[data-state="ended"]');
    assert.equal(await page.evaluate(() => serialStandIn.ports[0].readable), null);
  });

  test('the port that answered is chosen again after a reload', async () => {
    const {page} = await withTracker('remember', [], {granted: 2});
    await page.select(
        d.control(1025),
        await page.$eval(`${d.control(1025)} option:nth-child(2)`, (o) => o.value));
    const chosen = await d.value(page, 1025);
    await page.click(d.control(1010));
    await d.message(page);
    await page.reload();
    await d.started(page);
    assert.equal(await d.value(page, 1025), chosen);
  });
});

describe('commands', () => {
  test('version bytes shown signed, over 4800 8N1 without flow control', async () => {
    const {page} = await withTracker('version', ['--version', '0x81.7']);
    await page.click(d.control(1010));
    const box = await d.message(page);
    assert.equal(box.text, 'VinDrel versie -127.7');
    assert.deepEqual(
        await page.evaluate(() => serialStandIn.opens[0]),
        {baudRate: 4800, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none'});
  });

  test('both tones; squelch from "A" to "*" around its own dialog; About', async () => {
    const {page, log} = await withTracker('tones');
    await page.click(d.control(1003));
    await d.trackerLog(log, (e) => e.includes('tone 1200'));
    await page.click(d.control(1004));
    await d.trackerLog(log, (e) => e.includes('tone 2200'));
    await page.click(d.control(1026));
    assert.match(await d.smallDialog(page, 'squelch'), /Stel het niveau dusdanig in/);
    assert.ok(
        !(await d.trackerLog(log, (e) => e.includes('squelch begin'))).includes('squelch end'));
    await page.click('#squelch-c1');
    await d.trackerLog(log, (e) => e.includes('squelch end'));
    assert.equal(await page.$('dialog[open]'), null);
    await d.menu(page, 16);  // About, which Esc closes without ending the dialog
    assert.match(await d.smallDialog(page, 'about'), /VinDrel Configuratie programma 1\.0\.0\.7/);
    await page.keyboard.press('Escape');
    await page.waitForSelector('dialog#about', {hidden: true});
    assert.equal(await page.$eval('body', (b) => b.dataset.state), 'running');
  });
});

test('saved settings open again in a fresh dialog', async () => {
  const {page} = await withTracker('save');
  await d.type(page, 1000, 'PA3XYZ-9');
  await d.type(page, 1006, 'Op pad');
  const cdp = await page.createCDPSession();
  await cdp.send(
      'Browser.setDownloadBehavior',
      {behavior: 'allow', downloadPath: h.work, eventsEnabled: true});
  const done = new Promise(
      (resolve) =>
          cdp.on('Browser.downloadProgress', (e) => e.state === 'completed' && resolve(e)));
  await d.menu(page, 48);
  await page.waitForSelector('dialog#save[open]');
  await page.click('#save-ok');
  await done;
  const file = fs.readdirSync(h.work).find((f) => f.endsWith('.json'));
  const saved = JSON.parse(fs.readFileSync(path.join(h.work, file), 'utf8'));
  assert.equal(saved.format, 'vindrel-settings');

  const fresh = (await withTracker('open')).page;
  const [chooser] = await Promise.all([fresh.waitForFileChooser(), d.menu(fresh, 32)]);
  await chooser.accept([path.join(h.work, file)]);
  await fresh.waitForFunction(
      (s) => document.querySelector(s).value === 'PA3XYZ-9', {}, d.control(1000));
  assert.equal(await d.value(fresh, 1006), 'Op pad');
});
