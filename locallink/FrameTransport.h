// The byte transport the frame protocol writes its requests through: the serial port in
// the programs, an in-process simulated tracker in tests. Answers come back the other way,
// as whole frames handed to LocalProtocol::FrameReceived by whoever owns the transport.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravok {

class FrameTransport {
 public:
  virtual ~FrameTransport() = default;
  // Writes the bytes; true when all of them went out. The protocol does not look at the
  // result: a lost request shows as a missing answer.
  virtual bool Write(const uint8_t* data, size_t n) = 0;
};

}  // namespace ravok
