#include "locallink/Serial.h"

#include <QByteArray>
#include <QSerialPort>
#include <memory>

namespace ravok {
namespace {

// The time a write may take to leave the driver: a whole 512-byte frame at 9600 baud is
// about half a second.
constexpr int kWriteTimeoutMs = 2000;
// Queue size of the driver on the original link; one read takes at most this much.
constexpr qint64 kReadChunk = kMaxFrameSize;

struct OpenPort {
  std::unique_ptr<QSerialPort> port;
  std::unique_ptr<FrameAssembler> assembler;
};

OpenPort& Unit() {
  static OpenPort unit;
  return unit;
}

void ReadFrames() {
  OpenPort& u = Unit();
  if (!u.port) return;
  char buf[kReadChunk];
  for (;;) {
    const qint64 n = u.port->read(buf, sizeof buf);
    if (n <= 0) break;
    u.assembler->Feed(reinterpret_cast<const uint8_t*>(buf), static_cast<size_t>(n));
    if (!u.port) break;  // the callback closed the port
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
  u.assembler = std::make_unique<FrameAssembler>(std::move(callback));
  QObject::connect(port.get(), &QSerialPort::readyRead, port.get(), [] { ReadFrames(); });
  u.port = std::move(port);
  return true;
}

bool SerialClose() {
  OpenPort& u = Unit();
  if (!u.port) return false;
  // Keep the objects alive until the port is closed; a pending readyRead must not reach a
  // deleted assembler.
  std::unique_ptr<QSerialPort> port = std::move(u.port);
  port->disconnect();
  port->close();
  port.reset();
  u.assembler.reset();
  return true;
}

bool SerialIsOpen() { return Unit().port != nullptr; }

bool SerialWrite(const uint8_t* data, size_t n) {
  OpenPort& u = Unit();
  if (!u.port) return false;
  const qint64 written = u.port->write(reinterpret_cast<const char*>(data), static_cast<qint64>(n));
  if (written != static_cast<qint64>(n)) return false;
  while (u.port && u.port->bytesToWrite() > 0)
    if (!u.port->waitForBytesWritten(kWriteTimeoutMs)) return false;
  return true;
}

}  // namespace ravok
