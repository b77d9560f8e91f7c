#include "tests/server/LineClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace srvtest {

LineClient::~LineClient() {
  if (fd_ >= 0) close(fd_);
}

bool LineClient::connect(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool LineClient::send_line(const std::string& line) {
  std::string data = line + "\r\n";
  return ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
}

std::string LineClient::read_until(const std::string& end, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (pending_.size() < end.size() ||
         pending_.compare(pending_.size() - end.size(), end.size(), end) != 0) {
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
    if (left <= 0) break;
    pollfd p = {fd_, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buf[4096];
    ssize_t n = recv(fd_, buf, sizeof buf, 0);
    if (n <= 0) break;
    pending_.append(buf, static_cast<size_t>(n));
  }
  std::string out;
  out.swap(pending_);
  return out;
}

bool LineClient::closed_by_peer(int timeout_ms) {
  pollfd p = {fd_, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return false;
  char c;
  return recv(fd_, &c, 1, 0) <= 0;  // orderly close or reset
}

int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

}  // namespace srvtest
