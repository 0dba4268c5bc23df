// Writes a PNG of the page's dialog as headless Chromium paints it, with one granted port:
//   node tests/web/screenshot.js [output.png]      (default docs/screenshot-web.png)
'use strict';
const path = require('node:path');
const { missing, start } = require('./harness');
const d = require('./dialog_page');

async function main() {
  const why = missing();
  if (why) throw new Error(why);
  const out = path.resolve(process.argv[2] || path.join(__dirname, '../../docs/screenshot-web.png'));
  const h = await start();
  try {
    const page = await h.open();
    await page.setViewport({ width: 800, height: 700, deviceScaleFactor: 1 });
    await page.waitForSelector(d.control(1000), { visible: true });
    const window = await page.$('#dialog');
    await window.screenshot({ path: out });
    console.log(out);
  } finally {
    await h.stop();
  }
}

main().catch((e) => {
  console.error(e.message);
  process.exit(1);
});
