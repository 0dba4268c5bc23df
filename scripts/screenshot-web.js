// Writes a PNG of the web page's dialog (default docs/screenshot-web.png) as headless Chromium
// draws it, after the settings were read from virtual-tracker through the tests' stand-in port.
// Needs what the web tests need: scripts/web, the dev build's virtual-tracker, npm ci in tests/web.
//   node scripts/screenshot-web.js [output.png]
'use strict';
const path = require('node:path');
const {start, missing} = require('../tests/web/harness');
const d = require('../tests/web/dialog_page');

async function main(out) {
  const why = missing();
  if (why) throw new Error(why);
  const h = await start();
  try {
    // One tracker image for both exchanges: each opening of the port starts its own tracker.
    const page = await h.open({trackerArgs: ['--block', path.join(h.work, 'tracker.bin')]});
    await page.setViewport({width: 640, height: 720});
    await d.started(page);
    await d.type(page, 1000, 'PD0XYZ');
    await page.click(d.control(1009));
    await page.waitForFunction(() => document.body.dataset.beeps === '1');
    await page.click(d.control(1008));
    await page.waitForFunction(() => document.body.dataset.beeps === '2');
    await (await page.$('.window')).screenshot({path: out});
    console.log(`Wrote ${out}`);
  } finally {
    await h.stop();
  }
}

main(path.resolve(process.argv[2] || 'docs/screenshot-web.png')).catch((e) => {
  console.error(e.message);
  process.exit(1);
});
