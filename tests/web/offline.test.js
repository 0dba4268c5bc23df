// Installed once, the page comes back from its service worker with the server gone.
'use strict';
const assert = require('node:assert/strict');
const {after, before, test} = require('node:test');
const {start, within} = require('./harness');
const d = require('./dialog_page');

let h;
before(async () => (h = await start()));
after(() => h?.stop());

test('a reload without the server shows the dialog from the cache', async () => {
  const page = await h.open();
  await d.started(page);
  // Active means installed, and installing fetched every file into the cache.
  await within(
      10000, 'service worker', page.evaluate(() => navigator.serviceWorker.ready.then(() => true)));
  await page.reload({waitUntil: 'load'});
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
  await h.site.close();
  await page.reload({waitUntil: 'load'});
  await d.started(page);
  assert.equal(await d.value(page, 1000), 'NOCALL');
  assert.deepEqual(page.errors, []);
});
