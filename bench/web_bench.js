// The web page in headless Chromium: the time from navigation to the painted dialog, and a read
// and a write of the settings through the stand-in port against `virtual-tracker --pace`, next
// to the native build's link_bench against the same kind of tracker in the same run.
//   node bench/web_bench.js [runs]      (default 5; needs scripts/web, the dev build, npm ci in
//   tests/web)
'use strict';
const {spawn, spawnSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {missing, start, within, TRACKER} = require('../tests/web/harness');
const d = require('../tests/web/dialog_page');

const LINE_BYTE_MS = 10 * 1000 / 4800;  // start bit, 8 data bits, stop bit
const runs = Math.max(1, Number(process.argv[2]) || 5);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// link_bench from the dev build against a paced tracker linked as port 161.
async function native() {
  const bench = path.resolve(__dirname, '../build/dev/bench/link_bench');
  const devices = fs.mkdtempSync(path.join(os.tmpdir(), 'vindrel-bench-'));
  const tracker = spawn(
      TRACKER, ['--pace', '--link', path.join(devices, 'ttyV0')],
      {stdio: ['ignore', 'pipe', 'inherit']});
  try {
    await within(5000, 'virtual-tracker', new Promise((r) => tracker.stdout.once('data', r)));
    const run =
        spawnSync(bench, ['161', devices, String(runs)], {encoding: 'utf8', timeout: 120000});
    return run.stdout + run.stderr;
  } finally {
    tracker.kill('SIGTERM');
    fs.rmSync(devices, {recursive: true, force: true});
  }
}

// Clicks a button and waits until the line has been quiet for half a second. Returns the time
// from the click to the last byte, and that exchange's bytes at 4800 baud.
async function exchange(page, id) {
  await page.evaluate(() => {
    serialStandIn.trace = [];
    document.addEventListener(
        'click', () => (serialStandIn.clickedAt = performance.now()), {capture: true, once: true});
  });
  await page.click(d.control(id));
  await page.waitForFunction(() => {
    const t = serialStandIn.trace;
    return t.length > 0 && performance.now() - t[t.length - 1][0] > 500;
  }, {timeout: 15000, polling: 50});
  return page.evaluate((byteMs) => {
    const t = serialStandIn.trace;
    const bytes = t.reduce((n, [, out, inn]) => n + out + inn, 0);
    return {ms: t[t.length - 1][0] - serialStandIn.clickedAt, lineMs: bytes * byteMs, bytes};
  }, LINE_BYTE_MS);
}

async function main() {
  const why = missing();
  if (why) throw new Error(why);
  console.log('Native build (link_bench, port 161, virtual-tracker --pace)');
  console.log(await native());

  const h = await start();
  try {
    const paint = [];
    for (let i = 0; i < runs; i++) {
      const page = await h.open({trackerArgs: ['--pace']});
      paint.push(await page.evaluate(async (s) => {
        while (!document.querySelector(s)) await new Promise((r) => setTimeout(r, 5));
        await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
        return performance.now();
      }, d.control(1000)));
      await page.close();
    }
    console.log(
        `Web: navigation to painted dialog, median of ${runs}: ${median(paint).toFixed(0)} ms` +
        ` (fastest ${Math.min(...paint).toFixed(0)})`);

    const page = await h.open({trackerArgs: ['--pace']});
    await d.started(page);
    // The stand-in's own share: "!" and its answer straight over the port, outside the program.
    const trip = await page.evaluate(async (n) => {
      const [port] = await navigator.serial.getPorts();
      await port.open({baudRate: 4800});
      const writer = port.writable.getWriter();
      const reader = port.readable.getReader();
      const ms = [];
      for (let i = 0; i < n; i++) {
        const t = performance.now();
        await writer.write(new Uint8Array([0x21]));
        await reader.read();
        ms.push(performance.now() - t);
      }
      writer.releaseLock();
      await reader.cancel();
      reader.releaseLock();
      await port.close();
      return ms.sort((a, b) => a - b)[n >> 1];
    }, 20 * runs);
    console.log(
        `Web: round trip of one byte through the stand-in alone, median: ${trip.toFixed(2)} ms` +
        ` (line ${(2 * LINE_BYTE_MS).toFixed(2)} ms)`);
    const reads = [];
    const writes = [];
    for (let i = 0; i < runs; i++) {
      writes.push(await exchange(page, 1009));  // leaves the link closed: the read opens it
      reads.push(await exchange(page, 1008));
    }
    for (const [what, xs] of [
             ['read settings (from closed)', reads], ['write settings (link up)', writes]]) {
      const x = [...xs].sort((a, b) => a.ms - b.ms)[Math.floor(xs.length / 2)];
      console.log(
          `Web: ${what}, median of ${runs}: ${x.ms.toFixed(1)} ms, line ${x.lineMs.toFixed(1)} ms` +
          ` (${x.bytes} bytes), ratio ${(x.ms / x.lineMs).toFixed(3)}`);
    }
  } finally {
    await h.stop();
  }
}

main().catch((e) => {
  console.error(e.message);
  process.exit(1);
});
