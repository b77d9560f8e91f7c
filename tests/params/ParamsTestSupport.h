// Records written as hex in test tables: Pid LE, Len LE, then the data bytes (blanks ignored).
#pragma once

#include <string>
#include <string_view>

#include "params/Records.h"

namespace ravok::test {

// The bytes of hex text (either case, blanks ignored).
inline std::string BytesFromHex(std::string_view hex) {
  std::string bytes;
  int pending = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    if (pending < 0) {
      pending = v;
    } else {
      bytes.push_back(static_cast<char>(pending << 4 | v));
      pending = -1;
    }
  }
  return bytes;
}

inline void FillData(TData& rec, std::string_view bytes) {
  for (size_t i = 0; i < bytes.size() && i < size_t(kRecordDataSize); ++i)
    rec.Data[i] = static_cast<uint8_t>(bytes[i]);
}

inline TData RecordFromHex(std::string_view hex) {
  const std::string bytes = BytesFromHex(hex);
  TData rec;
  rec.Hdr.Pid = static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8);
  rec.Hdr.Len = static_cast<uint16_t>(static_cast<uint8_t>(bytes[2]) | static_cast<uint8_t>(bytes[3]) << 8);
  FillData(rec, std::string_view(bytes).substr(4));
  return rec;
}

// A record from its header and the hex of its data bytes.
inline TData Record(uint16_t pid, uint16_t len, std::string_view dataHex) {
  TData rec;
  rec.Hdr = {pid, len};
  FillData(rec, BytesFromHex(dataHex));
  return rec;
}

// Header and all Len data bytes, upper case, no blanks.
inline std::string HexOfRecord(const TData& rec) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  auto put = [&](uint8_t b) {
    out += digits[b >> 4];
    out += digits[b & 15];
  };
  put(rec.Hdr.Pid & 0xFF);
  put(rec.Hdr.Pid >> 8);
  put(rec.Hdr.Len & 0xFF);
  put(rec.Hdr.Len >> 8);
  for (int i = 0; i < rec.Hdr.Len && i < kRecordDataSize; ++i) put(rec.Data[i]);
  return out;
}

// n zero bytes as hex, for padding fixtures.
inline std::string Zeros(int n) { return std::string(2 * n, '0'); }

}  // namespace ravok::test
