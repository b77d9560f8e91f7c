// The serial frame: 0x02, payload length L (16 bits, little-endian), L payload bytes, the
// exclusive-or of the payload, 0x03. Both the manager and the simulated tracker cut their
// input with FrameAssembler and build their output with BuildFrame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ravok {

constexpr uint8_t kFrameStart = 0x02;
constexpr uint8_t kFrameEnd = 0x03;
constexpr int kFrameOverhead = 5;     // start, two length bytes, checksum, end
constexpr int kMaxFrameSize = 512;    // the assembly buffer
constexpr int kMinPayload = 6;
constexpr int kMaxPayload = kMaxFrameSize - kFrameOverhead;  // 507

using TBuffer = std::array<uint8_t, kMaxFrameSize>;

// Exclusive-or of the bytes.
uint8_t XorOf(const uint8_t* data, size_t n);

// The whole frame around a payload (the payload must be kMinPayload..kMaxPayload bytes).
std::vector<uint8_t> BuildFrame(const std::vector<uint8_t>& payload);

// Cuts a byte stream into frames by start byte, length field and end byte; nothing else is
// checked here. State is kept across calls, so frames may arrive split over any number of
// reads and several frames may arrive in one read; they are delivered in arrival order.
class FrameAssembler {
 public:
  // Called with the buffer and the whole frame's length (start byte to end byte).
  using Callback = std::function<void(const TBuffer& data, int len)>;

  explicit FrameAssembler(Callback call) : call_(std::move(call)) {}
  void Feed(const uint8_t* bytes, size_t n);
  void Reset() { cntr_ = 0; }

 private:
  TBuffer data_{};
  int cntr_ = 0;  // bytes of the current frame collected; 0 while hunting for a start byte
  int len_ = 0;   // payload length from the length field
  Callback call_;
};

}  // namespace ravok
