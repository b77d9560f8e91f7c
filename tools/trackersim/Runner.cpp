#include "tools/trackersim/Runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace ravok::sim {
namespace {

// How long before a frame's last byte is due a long sleep is broken off (see Run).
constexpr Duration kPreWake = std::chrono::microseconds(300);

// Output waiting for a reader, at most.
constexpr size_t kMaxBacklog = 64 * 1024;

volatile sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }

Duration Now() { return SteadyClock::Instance().Now(); }

void Log(const std::string& s) { std::fprintf(stderr, "ravok-tracker-sim: %s\n", s.c_str()); }

bool Fail(const std::string& what) {
  Log(what + ": " + std::strerror(errno));
  return false;
}

bool SpeedOf(int baud, speed_t& out) {
  static const std::pair<int, speed_t> kSpeeds[] = {
      {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
      {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
      {230400, B230400}, {460800, B460800}, {921600, B921600},
  };
  for (auto [b, s] : kSpeeds)
    if (b == baud) return out = s, true;
  return false;
}

// Raw 8N1, no flow control, no echo, no line processing.
bool SetRaw(int fd, speed_t speed) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSTOPB | CRTSCTS | PARENB);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

// The master side, with the slave held open by us as well: the pseudo-terminal then
// survives clients that come and go, and its line settings stay raw.
bool OpenPseudoTerminal(int& master, int& slave, std::string& path) {
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) return Fail("posix_openpt");
  char name[256];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
    return Fail("pseudo-terminal");
  path = name;
  slave = open(name, O_RDWR | O_NOCTTY);
  if (slave < 0) return Fail(path);
  if (!SetRaw(slave, B230400)) return Fail(path);
  return true;
}

bool OpenPort(const std::string& device, int speed, int& fd) {
  speed_t s;
  if (!SpeedOf(speed, s)) {
    Log("--speed " + std::to_string(speed) + " is not a speed the serial interface offers");
    return false;
  }
  fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return Fail(device);
  if (!SetRaw(fd, s)) return Fail(device);
  return true;
}

bool MakeLink(const std::string& target, const std::string& link) {
  struct stat st{};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      Log(link + " exists and is not a symbolic link; not replaced");
      return false;
    }
    unlink(link.c_str());
  }
  if (symlink(target.c_str(), link.c_str()) != 0) return Fail(link);
  return true;
}

std::string Hex(const uint8_t* p, int n) {
  std::string s;
  char b[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02X ", p[i]);
    s += b;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

void WriteImage(const TrackerCore& core, const std::string& file) {
  const auto bytes = core.ImageBytes();
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) Log(file + ": cannot write the image");
}

class Server {
 public:
  Server(const ProgramOptions& o, int fd) : opts_(o), fd_(fd), core_(o.sim) {
    const int flags = fcntl(fd_, F_GETFL);
    fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    core_.SetImageFinished([this](const TrackerCore& c) {
      Log("image of " + std::to_string(c.ImageBlocks()) + " blocks " +
          (c.Image() == ImageState::Good ? "checked out" : "did not check out"));
      if (!opts_.imageOut.empty()) WriteImage(c, opts_.imageOut);
    });
    if (o.verbose)
      core_.SetRequestHook([](const uint8_t* p, int L) { Log("request " + Hex(p + 5, std::min(L - 5, 8))); });
  }

  bool Run(const sigset_t& waitMask) {
    uint8_t buf[4096];
    while (!gStop) {
      const auto due = core_.NextBatchTime(static_cast<size_t>(opts_.fifo));
      const auto now = Now();
      // Woken early or by input: a batch goes out whole, at its time.
      std::vector<uint8_t> out;
      if (!due || now >= *due) out = core_.TakeOutput(now);
      if (!out.empty() && due) {
        const auto late = std::chrono::duration_cast<std::chrono::microseconds>(now - *due).count();
        ++wakes_;
        lateSum_ += late;
        lateMax_ = std::max<long long>(lateMax_, late);
      }
      // Nobody reads (no client, or a client that stopped): like bytes on a line that no
      // receiver takes, what does not fit the backlog is lost rather than kept forever.
      if (pending_.size() + out.size() <= kMaxBacklog) {
        pending_.insert(pending_.end(), out.begin(), out.end());
      } else {
        dropped_ += static_cast<long long>(out.size());
      }
      if (!Flush()) return false;

      // Sleep until input comes or the next byte is due; ppoll takes nanoseconds, so the
      // pacing keeps to the byte time rather than to a scheduler tick.
      timespec ts{}, *timeout = nullptr;
      const size_t fifo = static_cast<size_t>(opts_.fifo);
      if (auto next = core_.NextBatchTime(fifo); next && pending_.empty()) {
        auto wait = std::max(*next - Now(), Duration{});
        // The last byte of a frame decides when the manager's wait ends: wake a little
        // early and busy-wait the rest, so a late wake-up on a loaded machine costs
        // nothing as long as it is shorter than the spin window.
        // A long sleep ends later than asked for; before a frame's last byte the program
        // wakes once early and sleeps the short rest, which it then keeps to more closely.
        if (core_.NextBatchEndsFrame(fifo) && wait > 2 * kPreWake) wait -= kPreWake;
        const Duration spin = std::chrono::microseconds(opts_.spinUs);
        if (spin.count() > 0 && core_.NextBatchEndsFrame(fifo)) {
          if (wait <= spin) {
            while (Now() < *next) {
            }
            continue;
          }
          wait -= spin;
        }
        ts.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
        ts.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
        timeout = &ts;
      }
      pollfd p{fd_, static_cast<short>(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0};
      const int r = ppoll(&p, 1, timeout, &waitMask);
      if (r < 0) {
        if (errno == EINTR) continue;
        return Fail("ppoll");
      }
      if (r == 0) continue;
      if (p.revents & POLLIN) {
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
          core_.Receive(buf, static_cast<size_t>(n), Now());
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
          return Fail("read");
        }
      } else if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        Log("the device went away");
        return false;
      }
    }
    return true;
  }

  const TrackerCore& Core() const { return core_; }
  long long Dropped() const { return dropped_; }
  // How late the writes came after their first byte was due.
  std::string Lateness() const {
    if (!wakes_) return "no output";
    return std::to_string(wakes_) + " writes, " + std::to_string(lateSum_ / wakes_) + " us late on average, " +
           std::to_string(lateMax_) + " us at most";
  }

 private:
  // Writes what it can without blocking; a client that stops reading holds the rest.
  bool Flush() {
    while (!pending_.empty()) {
      const ssize_t n = write(fd_, pending_.data(), pending_.size());
      if (n > 0) {
        pending_.erase(pending_.begin(), pending_.begin() + n);
      } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
      } else {
        return Fail("write");
      }
    }
    return true;
  }

  const ProgramOptions& opts_;
  int fd_;
  TrackerCore core_;
  std::vector<uint8_t> pending_;
  long long wakes_ = 0, lateSum_ = 0, lateMax_ = 0;
  long long dropped_ = 0;  // output bytes lost because nobody read them
};

}  // namespace

int RunSimulator(const ProgramOptions& opts) {
  // Timer slack of 1 ns: wake-ups land on the due byte, not up to 50 us after it.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

  sigset_t block, orig;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  sigaddset(&block, SIGHUP);
  sigprocmask(SIG_BLOCK, &block, &orig);  // delivered only inside ppoll: no lost wake-up
  struct sigaction sa{};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int fd = -1, slave = -1;
  std::string path;
  if (opts.serial) {
    if (!OpenPseudoTerminal(fd, slave, path)) return 1;
    if (!opts.link.empty() && !MakeLink(path, opts.link)) return 1;
  } else {
    path = opts.port;
    if (!OpenPort(opts.port, opts.speed, fd)) return 1;
  }
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);

  Server server(opts, fd);
  const bool ok = server.Run(orig);
  const auto& c = server.Core().Counters();
  Log("stopped: " + std::to_string(c.framesReceived) + " frames received, " +
      std::to_string(c.framesIgnored) + " ignored, " + std::to_string(c.answers) + " answers");
  if (opts.sim.baud > 0) Log("pacing: " + server.Lateness());
  if (server.Dropped()) Log(std::to_string(server.Dropped()) + " output bytes dropped: nobody read them");
  int rc = ok ? 0 : 1;
  if (!opts.saveFile.empty()) {
    std::string error;
    if (!SaveConfigFile(opts.saveFile, server.Core().Configuration(), error)) {
      Log(error);
      rc = 1;
    }
  }
  if (!opts.link.empty()) unlink(opts.link.c_str());
  if (slave >= 0) close(slave);
  close(fd);
  return rc;
}

}  // namespace ravok::sim
