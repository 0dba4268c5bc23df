// Runs one test file under node's test runner, or says why it cannot run here and exits 77,
// which CTest counts as skipped.
'use strict';
const {spawnSync} = require('node:child_process');

let why = null;
try {
  require.resolve('puppeteer-core');
  require.resolve('ws');
  why = require('./harness').missing();
} catch {
  why = 'npm packages missing (npm ci in tests/web)';
}
if (why) {
  // scripts/test has installed and built everything these tests need: there a skip is a failure.
  console.log(`${process.env.VINDREL_WEB_REQUIRED ? 'Failed' : 'Skipped'}: ${why}`);
  process.exit(process.env.VINDREL_WEB_REQUIRED ? 1 : 77);
}
const run = spawnSync(
    process.execPath, ['--test', process.argv[2]],
    {stdio: 'inherit', timeout: 280000, killSignal: 'SIGKILL'});
process.exit(run.status ?? 1);
