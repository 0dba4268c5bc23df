#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

namespace vindrel::test {

// A shell command whose standard output the test reads, every read bounded by one deadline: past
// it the process and everything it started are killed, so that a program that hangs fails the
// test instead of hanging it.
class BoundedProcess {
 public:
  BoundedProcess(const std::string& command, std::chrono::milliseconds patience)
      : deadline(std::chrono::steady_clock::now() + patience) {
    int ends[2];
    if (::pipe(ends) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::setpgid(0, 0);  // a group of its own, which a kill ends whole
      ::dup2(ends[1], STDOUT_FILENO);
      ::close(ends[0]);
      ::close(ends[1]);
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(ends[1]);
    out = ends[0];
  }
  ~BoundedProcess() {
    if (pid > 0) ::kill(-pid, SIGKILL);
    Wait();
    if (out >= 0) ::close(out);
  }

  // The next line with its '\n' (or what came before the end of the output), or nullopt at the
  // end of the output and past the deadline.
  std::optional<std::string> Line() {
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd fd{out, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0 ||
          ::read(out, &c, 1) != 1) {
        break;
      }
      line += c;
    }
    return line.empty() ? std::nullopt : std::optional(line);
  }
  // Everything up to the end of the output (or up to the deadline).
  std::string Rest() {
    std::string rest;
    while (const auto line = Line()) rest += *line;
    return rest;
  }
  // The exit status as waitpid gives it once the output has ended; -1 when the deadline passed
  // first, and the processes are killed.
  int Wait() {
    Rest();
    int status = -1;
    while (pid > 0 && ::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() < deadline) {
        ::poll(nullptr, 0, 10);
        continue;
      }
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      status = -1;
      break;
    }
    pid = -1;
    return status;
  }

  pid_t pid = -1;

 private:
  int out = -1;
  const std::chrono::steady_clock::time_point deadline;
};

}  // namespace vindrel::test
