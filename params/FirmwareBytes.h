// Byte access and hex texts shared by the live data and status decoders. A record's data is
// read through RecordBytes: its size is Len, cut to the 256 bytes a record can hold, and a
// byte the caller's buffer does not hold reads as 0, so no Len can make a decoder read past
// the buffer.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "params/Records.h"

namespace ravok {

class RecordBytes {
 public:
  RecordBytes(uint16_t len, std::span<const uint8_t> data)
      : size_(std::min<size_t>(len, kRecordDataSize)),
        data_(data.first(std::min(size_, data.size()))) {}

  size_t size() const { return size_; }
  uint8_t operator[](size_t i) const { return i < data_.size() ? data_[i] : 0; }
  // Little-endian unsigned number of `bytes` bytes from offset `at`.
  uint64_t Unsigned(size_t at, int bytes) const {
    uint64_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | (*this)[at + static_cast<size_t>(k)];
    return v;
  }
  uint8_t U8(size_t at = 0) const { return (*this)[at]; }
  uint16_t U16(size_t at = 0) const { return static_cast<uint16_t>(Unsigned(at, 2)); }
  uint32_t U32(size_t at = 0) const { return static_cast<uint32_t>(Unsigned(at, 4)); }
  uint64_t U64(size_t at = 0) const { return Unsigned(at, 8); }
  int8_t S8(size_t at = 0) const { return static_cast<int8_t>(U8(at)); }
  int16_t S16(size_t at = 0) const { return static_cast<int16_t>(U16(at)); }
  int32_t S32(size_t at = 0) const { return static_cast<int32_t>(U32(at)); }
  int64_t S64(size_t at = 0) const { return static_cast<int64_t>(U64(at)); }
  float F32(size_t at = 0) const { return std::bit_cast<float>(U32(at)); }
  double F64(size_t at = 0) const { return std::bit_cast<double>(U64(at)); }

  // Every byte as two upper-case hex digits, no separators.
  std::string Hex() const {
    std::string out;
    char buf[3];
    for (size_t i = 0; i < size_; ++i) {
      std::snprintf(buf, sizeof buf, "%02X", (*this)[i]);
      out += buf;
    }
    return out;
  }
  // Characters up to the first 0 byte, at most `max` of them (byte value = character code).
  std::string Text(size_t max) const {
    std::string out;
    for (size_t i = 0; i < size_ && i < max && (*this)[i] != 0; ++i)
      out += static_cast<char>((*this)[i]);
    return out;
  }

 private:
  size_t size_;
  std::span<const uint8_t> data_;
};

// "0x" and 4 upper-case hex digits.
inline std::string Hex16Text(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}

// "0b" and the `bits` lowest bits, most significant first.
inline std::string BitsText(uint32_t v, int bits) {
  std::string out = "0b";
  for (int i = bits - 1; i >= 0; --i) out += ((v >> i) & 1) ? '1' : '0';
  return out;
}

// The line of a record outside a table: Pid and Len in at least 3 upper-case hex digits, "="
// and the data bytes in hex.
inline std::string UnknownRecordLine(uint16_t pid, const RecordBytes& bytes, uint16_t len) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03X%03X=", pid, len);
  return buf + bytes.Hex();
}

}  // namespace ravok
