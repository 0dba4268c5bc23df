// Times the serial port against an instant peer on a pseudo-terminal: what the port itself adds to
// the tracker protocol's many single-byte round trips (a settings write is 112 of them) and to a
// 256-byte block read. The line has no speed here, so this is pure overhead.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "serial/serial_port.h"

namespace {

using vindrel::CSerialPort;

constexpr int kVirtualPort = 161;  // ttyV0
constexpr char kBlockRequest = 'R';
constexpr char kQuit = 'Q';
constexpr int kRoundTrips = 112;

// The other end of the line: echoes every byte at once, answers kBlockRequest with 256 bytes.
class InstantPeer {
 public:
  InstantPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    const std::string slave = ::ptsname(master_);
    slave_ = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);  // keeps the line up
    char pattern[] = "/tmp/vindrel-bench-XXXXXX";
    if (slave_ < 0 || ::mkdtemp(pattern) == nullptr) {
      throw std::runtime_error("cannot set up " + slave);
    }
    devices_ = pattern;
    std::filesystem::create_symlink(slave, devices_ / "ttyV0");
    thread_ = std::thread([this] { Serve(); });
  }

  ~InstantPeer() {
    thread_.join();
    ::close(slave_);
    ::close(master_);
    std::error_code ignored;
    std::filesystem::remove_all(devices_, ignored);
  }

  std::string Devices() const { return devices_.string(); }

 private:
  void Serve() const {
    char block[256];
    for (int i = 0; i < 256; ++i) {
      block[i] = static_cast<char>(i);
    }
    for (char byte; ::read(master_, &byte, 1) == 1 && byte != kQuit;) {
      const bool ok = byte == kBlockRequest ? ::write(master_, block, sizeof block) == sizeof block
                                            : ::write(master_, &byte, 1) == 1;
      if (!ok) {
        return;
      }
    }
  }

  int master_ = -1;
  int slave_ = -1;
  std::filesystem::path devices_;
  std::thread thread_;
};

// The port as the tracker link opens it.
void OpenLikeTheTrackerLink(CSerialPort& port, const std::string& devices) {
  port.SetDeviceDirectory(devices);
  port.Open(kVirtualPort, 4800, vindrel::ParityNone, 8, vindrel::StopBitsOne, vindrel::FlowNone,
            false);
  port.SetQueueSizes(1024, 1024);
  vindrel::SerialTimeouts timeouts;
  port.GetTimeoutSettings(timeouts);
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutConstant = 1000;
  timeouts.WriteTotalTimeoutConstant = 1000;
  port.SetTimeoutSettings(timeouts);
}

void Quit(CSerialPort& port) { port.Write(&kQuit, 1); }

void BM_SingleByteRoundTrips(benchmark::State& state) {
  InstantPeer peer;
  CSerialPort port;
  OpenLikeTheTrackerLink(port, peer.Devices());
  std::chrono::steady_clock::duration spent{};
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRoundTrips; ++i) {
      const char sent = static_cast<char>('a' + i % 26);
      char echo = 0;
      if (port.Write(&sent, 1) != 1 || port.Read(&echo, 1) != 1 || echo != sent) {
        state.SkipWithError("no echo");
        break;
      }
    }
    spent += std::chrono::steady_clock::now() - start;
  }
  Quit(port);
  const double trips = static_cast<double>(state.iterations()) * kRoundTrips;
  state.counters["us_per_round_trip"] =
      std::chrono::duration<double, std::micro>(spent).count() / trips;
}
BENCHMARK(BM_SingleByteRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlockRead256(benchmark::State& state) {
  InstantPeer peer;
  CSerialPort port;
  OpenLikeTheTrackerLink(port, peer.Devices());
  char block[256];
  for (auto _ : state) {
    if (port.Write(&kBlockRequest, 1) != 1 || port.Read(block, sizeof block) != sizeof block) {
      state.SkipWithError("short block");
      break;
    }
  }
  Quit(port);
}
BENCHMARK(BM_BlockRead256)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
