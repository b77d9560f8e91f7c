#include "params/Firmware.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "params/FirmwareBytes.h"

namespace ravok::Firmware {
namespace {

constexpr int kFloatDigits = 7;
constexpr int kDoubleDigits = 15;
constexpr int kLastViewerCode = kLiveBits16;
constexpr int kLastCode = kLiveHexBytes;
constexpr const char* kNull = "NULL";

std::string ValueText(int32_t code, const RecordBytes& b, const TextLocale& locale) {
  switch (code) {
    case kLiveS8: return b.S8() == std::numeric_limits<int8_t>::min() ? kNull : std::to_string(b.S8());
    case kLiveHex16: return Hex16Text(b.U16());
    case kLiveS32:
      return b.S32() == std::numeric_limits<int32_t>::min() ? kNull : std::to_string(b.S32());
    case kLiveFloat:
      return std::isinf(b.F32()) ? kNull : LocaleFloatText(b.F32(), kFloatDigits, locale);
    case kLiveDateTime: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%02u-%02u-%02u %02u:%02u.%02u", b.U8(0), b.U8(1), b.U8(2),
                    b.U8(3), b.U8(4), b.U8(5));
      return buf;
    }
    case kLiveU32: return std::to_string(b.U32());
    case kLiveU16: return std::to_string(b.U16());
    case kLiveU8: return std::to_string(b.U8());
    case kLiveS64:
      return b.S64() == std::numeric_limits<int64_t>::min() ? kNull : std::to_string(b.S64());
    case kLiveS16:
      return b.S16() == std::numeric_limits<int16_t>::min() ? kNull : std::to_string(b.S16());
    case kLiveText: return b.U8() == 0 ? kNull : b.Text(b.size());
    case kLiveDouble:
      return std::isinf(b.F64()) ? kNull : LocaleFloatText(b.F64(), kDoubleDigits, locale);
    case kLiveBits8: return BitsText(b.U8(), 8);
    case kLiveBits16: return BitsText(b.U16(), 16);
    case kLiveUnixTime: return LocaleDateTimeText(b.U32(), locale);
    case kLiveHexBytes: return b.Hex();
    default: return {};
  }
}

const TConvParam* FindRow(const std::vector<TConvParam>& table, uint16_t pid, uint16_t len) {
  for (const auto& row : table)
    if (row.Pid == pid && row.Len == len) return &row;
  return nullptr;
}

std::string Decode(const std::vector<TConvParam>& table, int lastCode, bool withDesc,
                   uint16_t pid, uint16_t len, std::span<const uint8_t> data,
                   const TextLocale& locale) {
  const RecordBytes bytes(len, data);
  const TConvParam* row = FindRow(table, pid, len);
  if (!row) return UnknownRecordLine(pid, bytes, len);
  std::string line(row->Name);
  const std::string desc = withDesc ? LiveDataDesc(pid, len) : std::string();
  line += desc.empty() ? "=" : " (" + desc + ") =";
  if (row->Code >= 1 && row->Code <= lastCode) line += ValueText(row->Code, bytes, locale);
  return line;
}

}  // namespace

std::string DecodeLiveData(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                           const TextLocale& locale) {
  return Decode(LiveDataTable(), kLastCode, true, Pid, Len, data, locale);
}

std::string DecodeLiveData(const TData& record, const TextLocale& locale) {
  return DecodeLiveData(record.Hdr.Pid, record.Hdr.Len, record.Data, locale);
}

std::string DecodeViewerLiveData(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                                 const TextLocale& locale) {
  return Decode(ViewerLiveDataTable(), kLastViewerCode, false, Pid, Len, data, locale);
}

std::string DecodeViewerLiveData(const TData& record, const TextLocale& locale) {
  return DecodeViewerLiveData(record.Hdr.Pid, record.Hdr.Len, record.Data, locale);
}

int LiveDataIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data) {
  constexpr uint16_t kFixStatus = 1, kAntStatus = 11, kSignalLevel = 19;
  if (Len != 1) return 0;
  const RecordBytes bytes(Len, data);
  const uint8_t value = bytes.U8();
  switch (Pid) {
    case kFixStatus: return value == 1 || value == 2 ? 1 : 2;
    case kAntStatus: return value == 1 ? 1 : value == 2 ? 3 : 2;
    case kSignalLevel: {
      const int level = bytes.S8();
      if (level > 31) return 2;
      if (level >= 21) return 1;
      if (level >= 1) return 2;
      return 3;
    }
    default: return 0;
  }
}

int LiveDataIcon(const TData& record) {
  return LiveDataIcon(record.Hdr.Pid, record.Hdr.Len, record.Data);
}

std::string LiveDataDesc(uint16_t Pid, uint16_t Len) {
  for (const auto& n : LiveDataNames())
    if (n.Id == Pid && n.Index == Len) return std::string(n.Desc);
  return {};
}

}  // namespace ravok::Firmware
