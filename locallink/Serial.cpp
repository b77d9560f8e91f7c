#include "locallink/Serial.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSerialPort>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

namespace ravok {
namespace {

// The time a write may take to leave the driver: a whole 512-byte frame at 9600 baud is
// about half a second.
constexpr int kWriteTimeoutMs = 2000;
// Queue size of the driver on the original link; one read takes at most this much.
constexpr qint64 kReadChunk = kMaxFrameSize;

// The one port of the process. The callback may close (or even reopen) the port while a
// read is being cut into frames, so a read keeps its own reference to the assembler, and
// the generation number stops frames of a closed port from reaching anyone.
struct OpenPort {
  QSerialPort* port = nullptr;
  std::shared_ptr<FrameAssembler> assembler;
  unsigned generation = 0;
  ~OpenPort() { delete port; }  // program end with the port still open
};

OpenPort& Unit() {
  static OpenPort unit;
  return unit;
}

void ReadFrames() {
  OpenPort& u = Unit();
  const unsigned generation = u.generation;
  char buf[kReadChunk];
  while (u.port && u.generation == generation) {
    const qint64 n = u.port->read(buf, sizeof buf);
    if (n <= 0) break;
    const std::shared_ptr<FrameAssembler> assembler = u.assembler;
    assembler->Feed(reinterpret_cast<const uint8_t*>(buf), static_cast<size_t>(n));
  }
}

bool ConfigureLine(QSerialPort& port, int baud) {
  if (!port.setBaudRate(baud) || !port.setDataBits(QSerialPort::Data8) ||
      !port.setParity(QSerialPort::NoParity) || !port.setStopBits(QSerialPort::OneStop) ||
      !port.setFlowControl(QSerialPort::NoFlowControl))
    return false;
  // Hold DTR and RTS inactive. Pseudo-terminals have no modem lines and refuse this, which
  // does not matter for them.
  port.setDataTerminalReady(false);
  port.setRequestToSend(false);
  port.clearError();
  return true;
}

}  // namespace

QString SerialDevicePath(const QString& portName) {
  if (portName.contains(QLatin1Char('/'))) return portName;
  return QStringLiteral("/dev/") + portName;
}

bool SerialOpen(const QString& portName, int baud, TSerialCallBack callback) {
  OpenPort& u = Unit();
  if (u.port) return false;
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(SerialDevicePath(portName));
  if (!port->open(QIODevice::ReadWrite)) return false;
  if (!ConfigureLine(*port, baud)) {
    port->close();
    return false;
  }
  const unsigned generation = ++u.generation;
  u.assembler = std::make_shared<FrameAssembler>(
      [generation, call = std::move(callback)](const TBuffer& data, int len) {
        if (Unit().generation == generation) call(data, len);
      });
  QObject::connect(port.get(), &QSerialPort::readyRead, port.get(), [] { ReadFrames(); });
  u.port = port.release();
  return true;
}

bool SerialClose() {
  OpenPort& u = Unit();
  if (!u.port) return false;
  ++u.generation;
  QSerialPort* port = std::exchange(u.port, nullptr);
  port->disconnect();
  port->close();
  // It may be inside its own readyRead right now; let the event loop delete it.
  if (QCoreApplication::instance())
    port->deleteLater();
  else
    delete port;
  u.assembler.reset();
  return true;
}

bool SerialIsOpen() { return Unit().port != nullptr; }

bool SerialWrite(const uint8_t* data, size_t n) {
  OpenPort& u = Unit();
  if (!u.port) return false;
  // Written straight to the descriptor: QSerialPort would queue the bytes, switch its
  // write notifier on and off and poll before writing, all of which costs time on every
  // request. Its own write buffer is always empty here, so the order of bytes is kept.
  const int fd = static_cast<int>(u.port->handle());
  size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd, data + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, kWriteTimeoutMs) <= 0) return false;
      continue;
    }
    return false;
  }
  return true;
}

}  // namespace ravok
