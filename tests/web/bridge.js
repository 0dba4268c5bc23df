// Carries a stand-in serial port's bytes between a WebSocket and a pseudo-terminal on which
// virtual-tracker plays the tracker: one tracker per connection, ended with the connection.
// The connection's query "args" (a JSON array) is handed to virtual-tracker as its options.
'use strict';
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const tty = require('node:tty');
const {WebSocketServer} = require('ws');

const START_TIMEOUT_MS = 5000;

// Starts a tracker and resolves to { child, path } once it has said which pseudo-terminal it
// serves; rejects (and ends the child) when it fails or stays quiet past the bound.
function startTracker(program, args) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, args, {stdio: ['ignore', 'pipe', 'pipe']});
    let out = '';
    let err = '';
    const fail = (why) => {
      clearTimeout(timer);
      child.kill('SIGKILL');
      reject(new Error(`virtual-tracker ${args.join(' ')}: ${why}${err ? `: ${err.trim()}` : ''}`));
    };
    const timer = setTimeout(() => fail(`no path within ${START_TIMEOUT_MS} ms`), START_TIMEOUT_MS);
    child.stderr.on('data', (d) => (err += d));
    child.on('error', (e) => fail(e.message));
    child.on('exit', (code) => fail(`exited with ${code}`));
    child.stdout.on('data', (d) => {
      out += d;
      const newline = out.indexOf('\n');
      if (newline < 0) return;
      clearTimeout(timer);
      child.removeAllListeners('exit');
      resolve({child, path: out.slice(0, newline)});
    });
  });
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
      tracker = await startTracker(program, JSON.parse(query.get('args') || '[]'));
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

module.exports = {startBridge};
