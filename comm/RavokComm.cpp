// libravokcomm.so: the data server's network side. A pool of Asio threads serves the tracker
// port and the command port for manager connections, and turns their traffic into calls of
// the server's callback. The tracker protocol itself is not spoken yet: tracker connections
// are accepted and their bytes counted.
#define ASIO_STANDALONE
#include "comm/ravokcomm.h"

#include <stdlib.h>
#include <string.h>

#include <asio.hpp>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comm/CommandPort.h"

using asio::ip::tcp;

namespace {

enum { COMM_THREADS = 4, MAX_LINE = 4096, DEVICE_READ_SIZE = 2048 };

const char kVersion[] = "RavokComm 1.0.0";

std::atomic<uint32_t> g_received{0};
std::atomic<uint32_t> g_sent{0};
std::atomic<int32_t> g_devices{0};
std::atomic<int32_t> g_configs{0};

struct comm_state {
  const comm_settings* settings = nullptr;
  asio::io_context io;
  asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
  tcp::acceptor device_acceptor{io};
  tcp::acceptor telnet_acceptor{io};
  std::vector<std::thread> threads;
};

comm_state* g_state = nullptr;

intptr_t raise(int32_t event, intptr_t arg) {
  if (!g_state || !g_state->settings->callback) return 0;
  return g_state->settings->callback(event, arg);
}

// A manager connection: login, then one command line at a time, each answered in full
// before the next line is read.
class command_session : public std::enable_shared_from_this<command_session> {
 public:
  explicit command_session(tcp::socket s) : socket_(std::move(s)), buffer_(MAX_LINE) {}
  ~command_session() {
    if (port_.logged_in()) g_configs.fetch_sub(1);
  }

  void start() { send(command_port_greeting(), false); }

 private:
  void read_line() {
    auto self = shared_from_this();
    asio::async_read_until(socket_, buffer_, '\n', [self](std::error_code ec, size_t n) {
      if (ec) return;  // closed, reset, or a line longer than MAX_LINE: the session ends
      g_received.fetch_add(static_cast<uint32_t>(n));
      std::string line(asio::buffers_begin(self->buffer_.data()),
                       asio::buffers_begin(self->buffer_.data()) + static_cast<std::ptrdiff_t>(n));
      self->buffer_.consume(n);
      bool was_logged_in = self->port_.logged_in();
      command_answer answer = self->port_.handle_line(line);
      if (!was_logged_in && self->port_.logged_in()) g_configs.fetch_add(1);
      if (answer.text.empty() && !answer.close)
        self->read_line();
      else
        self->send(answer.text, answer.close);
    });
  }

  void send(const std::string& text, bool close) {
    auto self = shared_from_this();
    auto data = std::make_shared<std::string>(text);
    asio::async_write(socket_, asio::buffer(*data),
                      [self, data, close](std::error_code ec, size_t n) {
                        g_sent.fetch_add(static_cast<uint32_t>(n));
                        if (ec) return;
                        if (close) {
                          std::error_code ignored;
                          self->socket_.shutdown(tcp::socket::shutdown_both, ignored);
                          self->socket_.close(ignored);
                          return;
                        }
                        self->read_line();
                      });
  }

  tcp::socket socket_;
  asio::streambuf buffer_;
  command_port port_{raise};
};

// A tracker connection: its bytes are read and counted until it closes.
class device_session : public std::enable_shared_from_this<device_session> {
 public:
  explicit device_session(tcp::socket s) : socket_(std::move(s)) {}
  void start() {
    auto self = shared_from_this();
    socket_.async_read_some(asio::buffer(data_), [self](std::error_code ec, size_t n) {
      if (ec) return;
      g_received.fetch_add(static_cast<uint32_t>(n));
      self->start();
    });
  }

 private:
  tcp::socket socket_;
  char data_[DEVICE_READ_SIZE];
};

template <class Session>
void accept_loop(tcp::acceptor& acceptor) {
  acceptor.async_accept([&acceptor](std::error_code ec, tcp::socket s) {
    if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
    if (!ec) std::make_shared<Session>(std::move(s))->start();
    accept_loop<Session>(acceptor);
  });
}

bool listen_on(tcp::acceptor& acceptor, int port) {
  if (port <= 0 || port > 65535) return false;
  std::error_code ec;
  tcp::endpoint ep(tcp::v4(), static_cast<unsigned short>(port));
  acceptor.open(ep.protocol(), ec);
  if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor.bind(ep, ec);
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  return !ec;
}

void stop_state() {
  if (!g_state) return;
  g_state->work.reset();
  g_state->io.stop();
  for (std::thread& t : g_state->threads) t.join();
  delete g_state;
  g_state = nullptr;
}

int32_t start(const comm_settings* settings) {
  if (g_state || !settings || !settings->callback) return 0;
  g_state = new comm_state;
  g_state->settings = settings;
  if (!listen_on(g_state->device_acceptor, settings->device_port) ||
      !listen_on(g_state->telnet_acceptor, settings->telnet_port)) {
    stop_state();
    return 0;
  }
  accept_loop<device_session>(g_state->device_acceptor);
  accept_loop<command_session>(g_state->telnet_acceptor);
  for (int i = 0; i < COMM_THREADS; ++i) g_state->threads.emplace_back([] { g_state->io.run(); });
  return 1;
}

// The tracker side is not spoken yet, so there is nobody to hand a command or data to.
void send_command(uint32_t, uint32_t, int32_t, const uint8_t*) {}
void send_data(uint32_t, uint32_t, int32_t, const uint8_t*) {}
void stop() {
  stop_state();
  g_configs.store(0);
  g_devices.store(0);
}
uint32_t bytes_received() {
  return g_received.load();
}
uint32_t bytes_sent() {
  return g_sent.load();
}
int32_t device_count() {
  return g_devices.load();
}
int32_t config_count() {
  return g_configs.load();
}
int32_t thread_count() {
  return COMM_THREADS;
}
const char* version() {
  return kVersion;
}
void* alloc(uint32_t size) {
  return malloc(size == 0 ? 1 : size);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const comm_table ravokcomm_ordinals = {
    COMM_ORDINAL_COUNT, start,        send_command, send_data,    stop,    bytes_received,
    bytes_sent,         device_count, config_count, thread_count, version, alloc,
};
