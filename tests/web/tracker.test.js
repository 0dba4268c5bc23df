// The tracker's settings over the stand-in port, and a tracker that goes silent, one that is
// unplugged mid-write, and the GPS simulation's sentences as the tracker takes them.
'use strict';
const assert = require('node:assert/strict');
const path = require('node:path');
const {after, before, test} = require('node:test');
const {start} = require('./harness');
const d = require('./dialog_page');

let h;
before(async () => (h = await start()));
after(() => h?.stop());

async function withTracker(name, extra = []) {
  const log = path.join(h.work, `${name}.log`);
  const block = path.join(h.work, `${name}.bin`);
  const page = await h.open({trackerArgs: ['--log', log, '--block', block, ...extra]});
  await d.started(page);
  return {page, log};
}

const waitValue = (page, id, want) =>
    page.waitForFunction((s, w) => document.querySelector(s).value === w, {}, d.control(id), want);

test('edited settings written, then read back into a fresh dialog', async () => {
  const {page, log} = await withTracker('written');
  await d.type(page, 1000, 'PD0ABC-7');
  await d.type(page, 1019, '120');
  await page.click(d.control(1017));
  await page.click(d.control(1009));
  await d.trackerLog(log, (e) => e.some((l) => l.startsWith('block-written')));
  await page.waitForFunction(() => document.body.dataset.beeps === '1');
  assert.equal(await page.$('dialog[open]'), null);

  const {page: fresh} = await withTracker('written');  // same block file: the same tracker
  assert.equal(await d.value(fresh, 1000), 'NOCALL');
  await fresh.click(d.control(1008));
  await waitValue(fresh, 1000, 'PD0ABC-7');
  assert.equal(await d.value(fresh, 1019), '120');
  assert.equal(await d.value(fresh, 1017), true);
  assert.equal(await d.enabled(fresh, 1033), true);
  assert.equal(await d.beeps(fresh), 1);
});

test('a silent tracker: "No Communication..." after the time-out', async () => {
  const {page} = await withTracker('silent');
  await page.evaluate(() => (serialStandIn.silent = true));
  const started = Date.now();
  await page.click(d.control(1008));
  const box = await d.message(page, 5000);
  assert.deepEqual(
      [box.text, box.icon], ['No Communication with TALVORIN possible', 'exclamation']);
  assert.ok(Date.now() - started >= 900, `${Date.now() - started} ms`);
  await d.answer(page);
  assert.equal(await d.value(page, 1000), 'NOCALL');
});

test('unplugged mid-write: the error, and once back a read works', async () => {
  const {page} = await withTracker('vanish');
  await d.type(page, 1000, 'PE1XX');
  await page.evaluate(() => (serialStandIn.vanishAfter = serialStandIn.sent + 40));
  await page.click(d.control(1009));
  const box = await d.message(page, 5000);
  assert.equal(box.icon, 'stop');
  assert.notEqual(box.text.trim(), '');
  await d.answer(page);
  assert.equal(await d.beeps(page), 0);
  // Plugged in again, the adapter is a new port to the browser: the list shows it once opened.
  const before = await d.value(page, 1025);
  await page.evaluate(() => serialStandIn.plugIn());
  await page.click(d.control(1025));
  const entries = `${d.control(1025)} option`;
  await page.waitForFunction(
      (s, old) => ![...document.querySelectorAll(s)].some((o) => o.value === old), {}, entries,
      before);
  await page.select(d.control(1025), await page.$eval(entries, (o) => o.value));
  await d.type(page, 1000, 'X');
  await page.click(d.control(1008));
  await waitValue(page, 1000, 'NOCALL');  // the tracker kept its old settings
  assert.equal(await page.$('dialog[open]'), null);
});

test('unplugged mid-read: the error, not taken for a slow tracker', async () => {
  const {page} = await withTracker('vanish-read', ['--fault', 'stall-block=100']);
  await page.click(d.control(1008));
  await page.waitForFunction(() => serialStandIn.trace.reduce((n, [, , got]) => n + got, 0) >= 100);
  await page.evaluate(() => serialStandIn.ports[0].unplug());
  const box = await d.message(page);
  assert.deepEqual([box.icon, await d.value(page, 1000)], ['stop', 'NOCALL']);
});

test('two GPS ticks the tracker accepts', async () => {
  const {page, log} = await withTracker('gps');
  await page.click(d.control(1005));
  const nmea = (e) => e.filter((l) => l.startsWith('nmea'));
  const events = nmea(await d.trackerLog(log, (e) => nmea(e).length >= 4, 9000));
  // "nmea-rejected" would name a sentence whose checksum or ending the tracker refused.
  assert.deepEqual(
      events.slice(0, 4).map((l) => l.split(',')[0]),
      ['nmea $GPRMC', 'nmea $GPGGA', 'nmea $GPRMC', 'nmea $GPGGA']);
});
