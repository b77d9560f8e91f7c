// A small TCP line client for the command port tests, on 127.0.0.1 only.
#pragma once

#include <string>

namespace srvtest {

class LineClient {
 public:
  ~LineClient();
  bool connect(int port);
  bool send_line(const std::string& line);  // adds CR LF
  // Reads until the text received so far ends with `end`, or the time-out; returns all of it.
  std::string read_until(const std::string& end, int timeout_ms = 5000);
  // True when the peer closed the connection within the time.
  bool closed_by_peer(int timeout_ms = 2000);

 private:
  int fd_ = -1;
  std::string pending_;
};

// A port nothing listens on right now.
int free_port();

}  // namespace srvtest
