#include "locallink/Frame.h"

namespace ravok {

uint8_t XorOf(const uint8_t* data, size_t n) {
  uint8_t x = 0;
  for (size_t i = 0; i < n; ++i) x ^= data[i];
  return x;
}

std::vector<uint8_t> BuildFrame(const std::vector<uint8_t>& payload) {
  const size_t L = payload.size();
  std::vector<uint8_t> frame;
  frame.reserve(L + kFrameOverhead);
  frame.push_back(kFrameStart);
  frame.push_back(static_cast<uint8_t>(L & 0xFF));
  frame.push_back(static_cast<uint8_t>(L >> 8));
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(XorOf(payload.data(), L));
  frame.push_back(kFrameEnd);
  return frame;
}

void FrameAssembler::Feed(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t b = bytes[i];
    if (cntr_ == 0) {
      if (b == kFrameStart) {
        data_[0] = b;
        cntr_ = 1;
      }
      continue;
    }
    data_[cntr_++] = b;
    if (cntr_ == 2) {
      len_ = b;
    } else if (cntr_ == 3) {
      len_ += b * 256;
      if (len_ < kMinPayload || len_ > kMaxPayload) cntr_ = 0;
    } else if (cntr_ == len_ + kFrameOverhead) {
      if (b == kFrameEnd) call_(data_, cntr_);
      cntr_ = 0;
    }
  }
}

}  // namespace ravok
