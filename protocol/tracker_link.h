#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace vindrel {

// What the link needs from the window that owns it.
class TrackerLinkOwner {
 public:
  virtual ~TrackerLinkOwner() = default;
  // The number attached to the port list's selected entry; 0 when nothing is selected (which
  // opens no device).
  virtual int SelectedPortNumber() = 0;
  // Shows one of the link's messages (exclamation box, OK button).
  virtual void ShowMessage(const std::string& text) = 0;
  // Starts (or restarts, replacing the running one) the GPS-simulation timer with this
  // identifier and period; returns the running timer's identifier, 0 when none could be started.
  virtual unsigned StartTimer(unsigned timerId, unsigned periodMs) = 0;
  // Stops the GPS-simulation timer with this identifier.
  virtual void StopTimer(unsigned timerId) = 0;
  // The tracker on port portNumber has just answered the handshake.
  virtual void HandshakeAnswered(int /*portNumber*/) {}
};

// The serial connection to the tracker: the handshake, the port-open state and the command byte
// that opens every exchange.
class TrackerLink {
 public:
  explicit TrackerLink(TrackerLinkOwner& owner) : owner(owner) {}

  // Ends a running GPS simulation, tidies up and reopens the selected port at 4800 8N1 with
  // one-second time-outs, and sends "!" until "!" or ">" comes back. A silent tracker shows
  // "No Communication with TALVORIN possible" and leaves the port open; a serial error shows
  // PortOpenFailureMessage when the open failed (not there, not allowed, in use), "De seriele
  // poort is al in gebruik" when a later step did, and leaves the link down.
  bool Connect();
  // Connects when the link is down or holds another port than the owner's selected one, discards
  // whatever the line still holds, writes c and waits for its echo. Serial errors after the
  // connect are not caught.
  bool SendCommand(std::uint8_t c);
  // The link is up on the port the owner has selected: a command needs no connect first.
  bool Connected();
  // Closes the port and marks the link down.
  void Close();

  // Opens port portNumber with the tracker's line settings (4800 8N1, no flow control), its
  // queue sizes and one-second read and write time-outs, and remembers the number. Sends
  // nothing and leaves portOpen as it is; serial errors are not caught.
  void OpenPort(int portNumber);

  TrackerLinkOwner& Owner() { return owner; }

  CSerialPort port;
  bool portOpen = false;
  unsigned gpsTimer = 0;  // identifier of the running GPS-simulation timer, 0 when none runs

  // A wait for the handshake answer or an echo that receives only other bytes fails, as after a
  // time-out, once this much time has passed or this many bytes were dropped.
  static constexpr std::chrono::seconds kMaxReplyWait{3};
  static constexpr std::size_t kMaxDroppedBytes = 1024;

 private:
  // Reads until wanted or alternative comes; false on a time-out or at the bound above.
  bool AwaitByte(std::uint8_t wanted, std::uint8_t alternative);

  TrackerLinkOwner& owner;
  int openPortNumber = 0;  // the port OpenPort last opened
};

}  // namespace vindrel
