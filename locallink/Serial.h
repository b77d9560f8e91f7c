// The serial port: one port per process, 8N1 without flow control, DTR and RTS inactive.
// Received bytes are cut into frames by a FrameAssembler whose state survives across reads;
// every complete frame is handed to the callback on the main thread, in arrival order
// (QSerialPort's readyRead runs in the thread that opened the port). The caller keeps the
// Qt event loop running while it waits for answers, for example with
// QCoreApplication::processEvents from Shell::ProcessMessages.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

#include "locallink/Frame.h"
#include "locallink/FrameTransport.h"

namespace ravok {

// The complete-frame callback: the frame buffer and the whole frame's length. The buffer
// may be read only during the call.
using TSerialCallBack = FrameAssembler::Callback;

constexpr int kSerialSpeeds[] = {9600, 230400};

// A name without a directory ("ttyUSB0") is looked up as /dev/NAME; a path is used as is.
QString SerialDevicePath(const QString& portName);

// Opens and configures the port and starts delivering frames. False when a port is already
// open (that one is left as it is) or when the port cannot be opened or configured.
bool SerialOpen(const QString& portName, int baud, TSerialCallBack callback);
// True when a port was open and is now closed.
bool SerialClose();
bool SerialIsOpen();
// Writes all bytes and waits until they have gone out; true when exactly n were written.
bool SerialWrite(const uint8_t* data, size_t n);

// The open port as the frame protocol's transport.
class SerialTransport final : public FrameTransport {
 public:
  bool Write(const uint8_t* data, size_t n) override { return SerialWrite(data, n); }
};

}  // namespace ravok
