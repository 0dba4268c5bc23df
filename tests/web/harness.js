// What the browser tests share: the site on a static server, the bridge to virtual-tracker, a
// headless Chromium, and pages with the serial stand-in in place. Everything listens on
// 127.0.0.1 at a free port, every wait is bounded, and stop() ends all of it.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');
const {startBridge, startProgram, within} = require('./bridge');
const {installSerialStandIn} = require('./serial_stand_in');

const CHROMIUM = process.env.VINDREL_CHROMIUM || '/usr/bin/chromium';
const SITE = process.env.VINDREL_WEB_SITE || path.resolve(__dirname, '../../build/web/site');
const TRACKER = process.env.VINDREL_VIRTUAL_TRACKER ||
    path.resolve(__dirname, '../../build/dev/tools/virtual-tracker');

// Why these tests cannot run here, or null when they can.
function missing() {
  if (!fs.existsSync(CHROMIUM)) return `no Chromium at ${CHROMIUM}`;
  if (!fs.existsSync(path.join(SITE, 'index.html'))) return `no site in ${SITE} (scripts/web)`;
  if (!fs.existsSync(TRACKER)) return `no virtual-tracker at ${TRACKER}`;
  return null;
}

// Serves a folder with Python's server, as scripts/web --serve does; resolves to
// { origin, close() }.
async function serve(root) {
  const {child, found} = await startProgram(
      'python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', root],
      /port (\d+)/);
  const ended = new Promise((resolve) => child.on('exit', resolve));
  return {
    origin: `http://127.0.0.1:${found}`,
    close: async () => {
      child.kill('SIGKILL');
      await ended;
    },
  };
}

// The site, the bridge and a browser, for one test file.
async function start({root = SITE} = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vindrel-chromium-'));
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vindrel-web-'));
  const parts = [];
  const stop = async () => {
    for (const part of parts.splice(0).reverse()) await part().catch(() => {});
    fs.rmSync(profile, {recursive: true, force: true});
    fs.rmSync(work, {recursive: true, force: true});
  };
  try {
    const site = await serve(root);
    parts.push(site.close);
    const bridge = await startBridge(TRACKER);
    parts.push(bridge.close);
    const browser = await within(20000, 'Chromium start', puppeteer.launch({
      executablePath: CHROMIUM,
      userDataDir: profile,
      headless: true,
      args: [
        '--no-sandbox', '--headless=new', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'
      ],
      protocolTimeout: 30000,
    }));
    parts.push(async () => browser.process()?.kill('SIGKILL'));
    parts.push(() => within(10000, 'Chromium close', browser.close()));

    // A page with the stand-in: stand = { trackerArgs, granted, absent }.
    const open = async (stand = {}, url = '/') => {
      const page = await browser.newPage();
      page.setDefaultTimeout(10000);
      const errors = [];
      page.on('pageerror', (e) => errors.push(e.message));
      await page.evaluateOnNewDocument(installSerialStandIn, {bridge: bridge.url, ...stand});
      await within(15000, `loading ${url}`, page.goto(site.origin + url, {waitUntil: 'load'}));
      page.errors = errors;
      return page;
    };
    return {site, bridge, browser, open, work, stop, serve};
  } catch (e) {
    await stop();
    throw e;
  }
}

module.exports = {
  missing,
  start,
  within,
  serve,
  SITE,
  TRACKER
};
