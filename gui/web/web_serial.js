// The page's side of the serial line, for serial/serial_port_web.cpp and port_discovery_web.cpp.
// Only the Web Serial API's own calls are used: navigator.serial.getPorts() and requestPort(),
// and of a port open(), close(), readable, writable and getInfo().
//
// Ports are numbered in the order the page first sees them (1, 2, ...): a port keeps its number
// while the page lives. One port is open at a time. Calls that fail answer with a negative
// reason: -1 the port is not there, -2 it would not open (held elsewhere), -3 the line failed,
// -4 no open line.
var vindrelSerial = (() => {
  const kMissing = -1, kBusy = -2, kBroken = -3, kNotOpen = -4;
  const seen = [];  // every port the page has met; number = place + 1
  let line = null;  // the open port: {port, reader, writer, input, failed, wake, ...}

  const numberOf = (port) => {
    if (!seen.includes(port)) seen.push(port);
    return seen.indexOf(port) + 1;
  };
  const granted = async () => ('serial' in navigator ? navigator.serial.getPorts() : []);
  const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

  // Reads the port for as long as it is open, so that nothing the tracker sends is lost between
  // two reads of the program. A line error (break, framing, parity, overrun) ends one readable
  // stream and the port offers the next; a device that has gone leaves none.
  async function pump(open) {
    while (!open.closing && open.port.readable) {
      open.reader = open.port.readable.getReader();
      let lineError = false;
      try {
        for (;;) {
          const {value, done} = await open.reader.read();
          if (done) break;
          if (value && value.length) {
            open.input.push(value);
            open.wake();
          }
        }
      } catch (error) {
        lineError = !(error && error.name === 'NetworkError');
      } finally {
        open.reader.releaseLock();
        open.reader = null;
      }
      // A stream that ended, or failed for want of its device: nothing more will come.
      if (!lineError) break;
    }
    if (!open.closing) open.failed = true;
    open.wake();
  }

  return {
    // The numbers of the ports the browser lets the page use, in the browser's order.
    async list() {
      return (await granted()).map(numberOf).filter((n) => n <= 255);
    },

    // 0xVVVVPPPP for a USB port, -1 when the browser tells no USB ids.
    usbIds(number) {
      const port = seen[number - 1];
      const info = port && port.getInfo ? port.getInfo() : {};
      if (info.usbVendorId === undefined || info.usbProductId === undefined) return -1;
      return info.usbVendorId * 65536 + info.usbProductId;
    },

    // Asks the user for a port (the browser's chooser; call it from the user's click). Its
    // number, or 0 when the user chose none.
    async request() {
      try {
        return numberOf(await navigator.serial.requestPort());
      } catch (error) {
        return 0;
      }
    },

    async present(number) {
      const port = seen[number - 1];
      return port !== undefined && (await granted()).includes(port) ? 1 : 0;
    },

    async open(number, options) {
      const port = seen[number - 1];
      if (!port) return kMissing;
      try {
        await port.open(options);
      } catch (error) {
        return error && error.name === 'NotFoundError' ? kMissing : kBusy;
      }
      const open = {port, input: [], failed: false, closing: false, wake: () => {}};
      open.writer = port.writable.getWriter();
      open.lastWrite = Promise.resolve();
      line = open;
      open.pumped = pump(open);
      return 0;
    },

    async close() {
      const open = line;
      line = null;
      if (!open) return;
      open.closing = true;
      try {
        if (open.reader) await open.reader.cancel();
      } catch (error) {
        // the stream has failed already
      }
      await open.pumped;
      try {
        open.writer.releaseLock();
      } catch (error) {
        // a write still pending is given up
      }
      try {
        await open.port.close();
      } catch (error) {
        // a port that has gone is closed
      }
    },

    // Up to count bytes that have come, waiting at most waitMs (-1: without limit) for the first
    // when none has. A Uint8Array, or a negative reason.
    async read(count, waitMs) {
      const open = line;
      if (!open) return kNotOpen;
      if (!open.input.length && !open.failed && waitMs !== 0) {
        await new Promise((resolve) => {
          const timer = waitMs > 0 ? setTimeout(resolve, waitMs) : null;
          open.wake = () => {
            clearTimeout(timer);
            resolve();
          };
        });
        open.wake = () => {};
      }
      if (!open.input.length) return open.failed ? kBroken : new Uint8Array(0);
      const out = new Uint8Array(count);
      let taken = 0;
      while (taken < count && open.input.length) {
        const chunk = open.input[0];
        const n = Math.min(count - taken, chunk.length);
        out.set(chunk.subarray(0, n), taken);
        taken += n;
        if (n === chunk.length) open.input.shift();
        else open.input[0] = chunk.subarray(n);
      }
      return out.subarray(0, taken);
    },

    // Hands the bytes to the port; the count taken within waitMs (-1: without limit), 0 when the
    // time ran out first, or a negative reason.
    async write(bytes, waitMs) {
      const open = line;
      if (!open) return kNotOpen;
      if (open.failed) return kBroken;
      const written = open.writer.write(bytes).then(() => bytes.length, () => kBroken);
      open.lastWrite = written;
      if (waitMs < 0) return written;
      return Promise.race([written, sleep(waitMs).then(() => 0)]);
    },

    // Waits (at most waitMs, -1: without limit) until the last write has been taken.
    async flush(waitMs) {
      const open = line;
      if (!open) return;
      await (waitMs < 0 ? open.lastWrite : Promise.race([open.lastWrite, sleep(waitMs)]));
    },

    purgeInput() {
      if (line) line.input = [];
    },
  };
})();
