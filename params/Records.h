// The binary parameter record every transport carries: 4 header bytes (Pid, Len,
// little-endian) followed by Len data bytes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ravok {

struct THeader {
  uint16_t Pid = 0;
  uint16_t Len = 0;
  friend bool operator==(const THeader&, const THeader&) = default;
};

constexpr int kRecordDataSize = 256;

struct TData {
  THeader Hdr;
  std::array<uint8_t, kRecordDataSize> Data{};
  friend bool operator==(const TData&, const TData&) = default;
};

// A record with this Pid and Len 4 whose data is another parameter's header deletes it.
constexpr uint16_t kDeletePid = 65535;
constexpr uint16_t kDeleteLen = 4;

inline TData MakeDeleteRecord(const THeader& target) {
  TData rec;
  rec.Hdr = {kDeletePid, kDeleteLen};
  rec.Data[0] = static_cast<uint8_t>(target.Pid & 0xFF);
  rec.Data[1] = static_cast<uint8_t>(target.Pid >> 8);
  rec.Data[2] = static_cast<uint8_t>(target.Len & 0xFF);
  rec.Data[3] = static_cast<uint8_t>(target.Len >> 8);
  return rec;
}

// Owning lists of record wrappers become plain vectors of the records.
using TDataList = std::vector<TData>;
using THeaderList = std::vector<THeader>;

}  // namespace ravok
