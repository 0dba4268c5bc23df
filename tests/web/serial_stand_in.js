// A stand-in for navigator.serial, put into the page before its own scripts run. Its port's
// streams carry bytes over a WebSocket to the bridge, behind which virtual-tracker answers.
// It keeps the rules that a real port enforces and that a page can get wrong: requestPort()
// only from a user's gesture, no close() while a stream is locked (the options given to open()
// are recorded for the tests to check). window.serialStandIn lets a test look at it and make the
// tracker misbehave.
'use strict';

// Runs inside the page: self-contained. config: { bridge, trackerArgs, granted, absent }.
function installSerialStandIn(config) {
  const lost = () => new DOMException('The device has been lost.', 'NetworkError');
  const control = {
    opens: [],  // the options of every open(), as given
    requests: 0,
    silent: false,          // drop every byte both ways, as a tracker that stopped answering
    sent: 0,                // bytes written toward the tracker
    vanishAfter: Infinity,  // unplug once this many bytes were written toward the tracker
    trace: [],              // [time, bytes out, bytes in] of every chunk either way
    ports: [],
  };

  class StandInPort extends EventTarget {
    #socket = null;
    #readable = null;
    #writable = null;
    gone = false;

    #reading = null;  // the readable's controller
    #waiting = [];    // bytes that came while no readable stood open

    // As on a real port, a stream that was cancelled or closed makes way for a new one.
    get readable() {
      if (!this.#readable && this.#socket) {
        const port = this;
        this.#readable = new ReadableStream({
          start(c) {
            port.#reading = c;
            port.#waiting.splice(0).forEach((bytes) => c.enqueue(bytes));
          },
          cancel() {
            port.#readable = port.#reading = null;
          },
        });
      }
      return this.#readable;
    }

    get writable() {
      if (!this.#writable && this.#socket) {
        const port = this;
        const done = () => {
          port.#writable = null;
        };
        this.#writable =
            new WritableStream({write: (chunk) => this.#send(chunk), close: done, abort: done});
      }
      return this.#writable;
    }

    #send(chunk) {
      if (this.gone) throw lost();
      const bytes = ArrayBuffer.isView(chunk) ?
          new Uint8Array(chunk.buffer, chunk.byteOffset, chunk.byteLength) :
          new Uint8Array(chunk);
      const room = Math.max(0, control.vanishAfter - control.sent);
      const now = bytes.subarray(0, Math.min(room, bytes.length));
      control.sent += now.length;
      control.trace.push([performance.now(), now.length, 0]);
      if (now.length && !control.silent) this.#socket.send(now);
      if (now.length < bytes.length) {
        control.vanishAfter = Infinity;  // once: the adapter plugged in again works
        this.unplug();
        throw lost();
      }
    }
    getInfo() {
      return {usbVendorId: 0x0403, usbProductId: 0x6001};
    }

    async open(options) {
      if (this.gone) throw lost();
      if (this.#socket) throw new DOMException('The port is already open.', 'InvalidStateError');
      control.opens.push(JSON.parse(JSON.stringify(options ?? null)));

      const args = encodeURIComponent(JSON.stringify(config.trackerArgs ?? []));
      const socket = new WebSocket(`${config.bridge}?args=${args}`);
      socket.binaryType = 'arraybuffer';
      await new Promise((resolve, reject) => {
        socket.onmessage = (e) => (e.data === 'ready' ? resolve() : undefined);
        socket.onclose = () =>
            reject(new DOMException('Failed to open serial port.', 'NetworkError'));
      });
      this.#socket = socket;
      socket.onmessage = (e) => {
        if (control.silent || typeof e.data === 'string') return;
        control.trace.push([performance.now(), 0, e.data.byteLength]);
        if (this.#reading)
          this.#reading.enqueue(new Uint8Array(e.data));
        else
          this.#waiting.push(new Uint8Array(e.data));
      };
      socket.onclose = () => this.unplug();
    }

    async close() {
      if (!this.#socket) throw new DOMException('The port is already closed.', 'InvalidStateError');
      if (this.#readable?.locked || this.#writable?.locked) {
        throw new TypeError('Failed to execute \'close\' on \'SerialPort\': a stream is locked');
      }
      this.#drop();
    }

    // As an adapter pulled out of its socket: pending and later reads and writes fail, the port
    // leaves getPorts() and "disconnect" is fired.
    unplug() {
      if (this.gone) return;
      this.gone = true;
      try {
        this.#reading?.error(lost());
      } catch {
      }
      this.#drop();
      control.ports = control.ports.filter((p) => p !== this);
      this.dispatchEvent(new Event('disconnect', {bubbles: true}));
      serial.dispatchEvent(new Event('disconnect'));
    }

    #drop() {
      const socket = this.#socket;
      this.#socket = this.#readable = this.#writable = this.#reading = null;
      this.#waiting = [];
      if (socket) {
        socket.onclose = null;
        socket.close();
      }
    }
  }

  class StandInSerial extends EventTarget {
    async getPorts() {
      return [...control.ports];
    }
    async requestPort() {
      control.requests++;
      if (!navigator.userActivation.isActive) {
        throw new DOMException(
            'Must be handling a user gesture to show a permission request.', 'SecurityError');
      }
      if (control.ports.length === 0) control.ports.push(new StandInPort());
      return control.ports[0];
    }
  }

  // Plug the adapter (back) in: a new port, granted already, announced by "connect".
  control.plugIn = () => {
    const port = new StandInPort();
    control.ports.push(port);
    serial.dispatchEvent(new Event('connect'));
    return port;
  };

  if (config.absent) {  // a browser without Web Serial
    delete Navigator.prototype.serial;
    return;
  }
  const serial = new StandInSerial();
  for (let i = 0; i < (config.granted ?? 1); i++) control.ports.push(new StandInPort());
  Object.defineProperty(Navigator.prototype, 'serial', {get: () => serial, configurable: true});
  window.serialStandIn = control;
}

module.exports = {installSerialStandIn};
