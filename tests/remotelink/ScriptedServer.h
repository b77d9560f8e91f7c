// A command-port server for the tests, on a loopback port of its own: it accepts one
// connection at a time on a thread of its own, greets, and hands every received command
// (a header line with the item lines it announces) to a handler whose reply it plays back
// chunk by chunk: prompts without line ends, split packets, pauses, close or reset.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ravok::test {

struct Chunk {
  std::string bytes;
  int delayMs = 0;  // pause before the chunk is sent
};

enum class End { Stay, Close, Reset };

struct Reply {
  std::vector<Chunk> chunks;
  End end = End::Stay;
};

using Command = std::vector<std::string>;  // header line first, then its item lines
using Handler = std::function<Reply(const Command&)>;

inline Reply Lines(std::initializer_list<std::string> lines, End end = End::Stay) {
  std::string all;
  for (const auto& l : lines) all += l + "\r\n";
  return {{{all}}, end};
}

// Answer lines followed by the prompt.
inline Reply Answer(std::initializer_list<std::string> lines) {
  Reply r = Lines(lines);
  r.chunks.push_back({"command:\r\n"});
  return r;
}

// Number of item lines that follow a header line of the multi-line commands.
inline int ItemsFollowing(const std::string& line) {
  auto field = [&](int n) {
    const size_t sp = line.find(' ');
    if (sp == std::string::npos) return std::string();
    size_t start = sp + 1;
    for (int i = 1; i < n; ++i) {
      start = line.find(',', start);
      if (start == std::string::npos) return std::string();
      ++start;
    }
    const size_t end = line.find(',', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
  };
  auto number = [](const std::string& s) {
    try {
      return std::stoi(s);
    } catch (...) {
      return 0;
    }
  };
  if (line.rfind("writecfg ", 0) == 0 || line.rfind("writefirm ", 0) == 0) return number(field(2));
  if (line.rfind("bindata ", 0) == 0) return number(field(2));
  return 0;
}

class ScriptedServer {
 public:
  // greeting: sent on every new connection. Login: the default greeting and handler answer
  // the login dialogue with "user" / "tolmek".
  explicit ScriptedServer(Handler handler, Reply greeting = {{{"Ravok command port\r\nusername:\r\n"}}})
      : handler_(std::move(handler)), greeting_(std::move(greeting)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listen_, 4);
    socklen_t len = sizeof a;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
  }

  ~ScriptedServer() {
    stop_ = true;
    thread_.join();
    ::close(listen_);
  }

  uint16_t port() const { return port_; }
  std::string portText() const { return std::to_string(port_); }

  std::vector<Command> commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  // Every line received, in order.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    for (const auto& c : commands()) out.insert(out.end(), c.begin(), c.end());
    return out;
  }

 private:
  void Run() {
    while (!stop_) {
      if (!WaitReadable(listen_)) continue;
      const int c = ::accept(listen_, nullptr, nullptr);
      if (c < 0) continue;
      const bool reset = Serve(c);
      if (reset) {
        linger lg{1, 0};
        ::setsockopt(c, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
      }
      ::close(c);
    }
  }

  bool WaitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 20) > 0;
  }

  // Plays a reply; true when the connection is to end (the reset flag in `reset`).
  bool Play(int c, const Reply& r, bool& reset) {
    for (const Chunk& ch : r.chunks) {
      if (ch.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(ch.delayMs));
      if (!ch.bytes.empty()) ::send(c, ch.bytes.data(), ch.bytes.size(), MSG_NOSIGNAL);
    }
    reset = r.end == End::Reset;
    return r.end != End::Stay;
  }

  bool Serve(int c) {
    bool reset = false;
    if (Play(c, greeting_, reset)) return reset;
    std::string buffer;
    Command pending;
    int itemsLeft = 0;
    while (!stop_) {
      if (!WaitReadable(c)) continue;
      char data[4096];
      const ssize_t n = ::recv(c, data, sizeof data, 0);
      if (n <= 0) return false;
      buffer.append(data, static_cast<size_t>(n));
      size_t lf;
      while ((lf = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, lf);
        buffer.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (pending.empty()) itemsLeft = ItemsFollowing(line);
        else --itemsLeft;
        pending.push_back(line);
        if (itemsLeft > 0) continue;
        {
          std::lock_guard lock(mutex_);
          commands_.push_back(pending);
        }
        const Reply r = handler_(pending);
        pending.clear();
        if (Play(c, r, reset)) return reset;
      }
    }
    return false;
  }

  Handler handler_;
  Reply greeting_;
  int listen_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Command> commands_;
};

// Wraps a command handler with the login dialogue: the greeting asked for the user; the
// next line is the password; then the prompt (or "bye" for wrong credentials).
inline Handler WithLogin(Handler commands, std::string user = "user",
                         std::string password = "tolmek") {
  auto step = std::make_shared<int>(0);
  auto gotUser = std::make_shared<std::string>();
  return [=](const Command& c) -> Reply {
    if (*step == 0) {
      *step = 1;
      *gotUser = c[0];
      return {{{"passwd:\r\n"}}};
    }
    if (*step == 1) {
      *step = 2;
      if (*gotUser != user || c[0] != password) return Lines({"bye"}, End::Close);
      return {{{"command:\r\n"}}};
    }
    return commands(c);
  };
}

}  // namespace ravok::test
