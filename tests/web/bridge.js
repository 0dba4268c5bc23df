// Carries a stand-in serial port's bytes between a WebSocket and a pseudo-terminal on which
// virtual-tracker plays the tracker: one tracker per connection, ended with the connection.
// The connection's query "args" (a JSON array) is handed to virtual-tracker as its options.
'use strict';
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const tty = require('node:tty');
const {WebSocketServer} = require('ws');

const START_TIMEOUT_MS = 5000;

// Resolves within ms or rejects naming what was awaited.
function within(ms, what, promise) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: not within ${ms} ms`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

// Starts a program and resolves to { child, found } once its output matches pattern (found: the
// first group); rejects, and ends the program, when it fails or stays quiet past the bound.
async function startProgram(program, args, pattern) {
  const child = spawn(program, args, {stdio: ['ignore', 'pipe', 'pipe']});
  let out = '', err = '';
  child.stderr.on('data', (d) => (err += d));
  const said = new Promise((resolve, reject) => {
    child.on('error', reject);
    child.on('exit', (code) => reject(new Error(`exited with ${code}`)));
    child.stdout.on('data', (d) => {
      const match = pattern.exec(out += d);
      if (match) resolve(match[1]);
    });
  });
  try {
    return {child, found: await within(START_TIMEOUT_MS, 'its start', said)};
  } catch (e) {
    child.kill('SIGKILL');
    throw new Error(`${program} ${args.join(' ')}: ${e.message}: ${err.trim()}`);
  }
}

// Listens on 127.0.0.1 at a free port. Resolves to { url, close() }; close() ends every tracker.
async function startBridge(program) {
  const server = new WebSocketServer({host: '127.0.0.1', port: 0});
  await new Promise((resolve, reject) => {
    server.once('listening', resolve);
    server.once('error', reject);
  });
  const ends = new Set();

  server.on('connection', async (socket, request) => {
    let tracker = null;
    let fd = -1;
    let input = null;
    const end = () => {
      ends.delete(end);
      if (input)
        input.destroy();
      else if (fd >= 0)
        fs.closeSync(fd);
      fd = -1;
      if (tracker) tracker.child.kill('SIGTERM');
      if (socket.readyState === socket.OPEN) socket.close();
    };
    ends.add(end);
    socket.on('close', end);
    try {
      const query = new URL(request.url, 'ws://127.0.0.1').searchParams;
      const args = JSON.parse(query.get('args') || '[]');
      const {child, found} = await startProgram(program, args, /^(.*)\n/);  // its pty's path
      tracker = {child, path: found};
      tracker.child.on('exit', end);
      if (!ends.has(end)) return end();  // the page went away while the tracker started
      fd = fs.openSync(tracker.path, fs.constants.O_RDWR | fs.constants.O_NOCTTY);
    } catch (e) {
      socket.close(1011, e.message.slice(0, 120));
      return end();
    }
    // Reading goes through a tty stream (polled, never blocking); writing through fs, whose
    // writes queue in order without blocking the event loop.
    input = new tty.ReadStream(fd);
    input.on('data', (bytes) => socket.send(bytes));
    input.on('error', end);  // EIO: the tracker closed its line
    // The read stream made the descriptor non-blocking: a full pty buffer answers EAGAIN.
    const write = (chunk, done) => fs.write(fd, chunk, (e, n) => {
      if (e && e.code !== 'EAGAIN') return end();
      const rest = chunk.subarray(e ? 0 : n);
      if (rest.length === 0) return done();
      setTimeout(() => write(rest, done), 2);
    });
    let writes = Promise.resolve();
    socket.on('message', (bytes) => {
      const chunk = Buffer.from(bytes);
      writes = writes.then(() => new Promise((resolve) => fd >= 0 && write(chunk, resolve)));
    });
    socket.send('ready');
  });

  return {
    url: `ws://127.0.0.1:${server.address().port}/`,
    close: () => {
      for (const end of [...ends]) end();
      return new Promise((resolve) => server.close(resolve));
    },
  };
}

module.exports = {
  startBridge,
  startProgram,
  within
};
