// The simulator program started on a real pseudo-terminal, and the manager's end of it:
// raw open of the path it prints, frame exchange with a time-out, stop by pid.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "locallink/Frame.h"

extern char** environ;

namespace ravok::sim::test {

class SimProcess {
 public:
  // Starts the program with these arguments and reads the path from its first line.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, err[1], 2);
    posix_spawn_file_actions_addclose(&fa, out[0]);
    posix_spawn_file_actions_addclose(&fa, err[0]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (rc != 0) {
      pid_ = -1;
      return false;
    }
    path_ = ReadLine(out_, timeout);
    return !path_.empty();
  }

  // Opens the pseudo-terminal as the manager does: raw, no controlling terminal.
  bool Open() {
    fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    if (fd_ < 0) return false;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B230400);
    return tcsetattr(fd_, TCSANOW, &t) == 0;
  }

  bool Send(const std::vector<uint8_t>& bytes) const {
    return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // The next complete frame, or nothing within the time-out. `reads` counts the reads it took.
  std::optional<std::vector<uint8_t>> Frame(std::chrono::milliseconds timeout, int* reads = nullptr) {
    std::optional<std::vector<uint8_t>> got;
    FrameAssembler a([&](const TBuffer& d, int len) {
      if (!got) got.emplace(d.begin(), d.begin() + len);
    });
    // Bytes left over from the last call come first.
    std::vector<uint8_t> rest;
    rest.swap(leftover_);
    size_t used = 0;
    for (; used < rest.size() && !got; ++used) a.Feed(&rest[used], 1);
    leftover_.assign(rest.begin() + static_cast<long>(used), rest.end());
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!got) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
      uint8_t buf[1024];
      const ssize_t n = read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      if (reads) ++*reads;
      ssize_t i = 0;
      for (; i < n && !got; ++i) a.Feed(&buf[i], 1);
      leftover_.insert(leftover_.end(), buf + i, buf + n);
    }
    return got;
  }

  std::optional<std::vector<uint8_t>> Exchange(const std::vector<uint8_t>& req,
                                               std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
    if (!Send(req)) return std::nullopt;
    return Frame(timeout);
  }

  // SIGTERM, then the exit code (-1 when it did not end within 5 s or died by a signal).
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    return Wait(std::chrono::milliseconds(5000));
  }

  int Wait(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(10000);
    }
    return -1;
  }

  std::string Stderr() {
    std::string s;
    char buf[512];
    pollfd p{err_, POLLIN, 0};
    while (poll(&p, 1, 0) > 0) {
      const ssize_t n = read(err_, buf, sizeof buf);
      if (n <= 0) break;
      s.append(buf, static_cast<size_t>(n));
    }
    return s;
  }

  const std::string& Path() const { return path_; }
  pid_t Pid() const { return pid_; }

  ~SimProcess() {
    if (fd_ >= 0) close(fd_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

 private:
  static std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char c;
      if (read(fd, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  pid_t pid_ = -1;
  int out_ = -1, err_ = -1, fd_ = -1;
  std::string path_;
  std::vector<uint8_t> leftover_;
};

}  // namespace ravok::sim::test
