// Records from a tracker or a file: the first 4 bytes are the header (any Len, even one
// larger than the data area), the rest the data. Decoding must not read outside the record,
// and a decoded line must encode and decode to itself (texts holding a "," cannot: the
// text form has no quoting, so the check runs with those bytes replaced).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "params/Params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ravok;
  if (size < 4) return 0;
  TData rec;
  rec.Hdr.Pid = static_cast<uint16_t>(data[0] | data[1] << 8);
  rec.Hdr.Len = static_cast<uint16_t>(data[2] | data[3] << 8);
  for (size_t i = 4; i < size && i - 4 < rec.Data.size(); ++i) rec.Data[i - 4] = data[i];
  // Most random Pids are unknown; fold half of the inputs onto catalogue rows.
  if (data[1] & 0x80) {
    const auto& row = ParamTable()[rec.Hdr.Pid % ParamTable().size()];
    rec.Hdr = {row.Pid, row.Len};
  }
  DecodeParam(rec);
  DecodeViewerParam(rec);
  for (auto& b : rec.Data)
    if (b == ',') b = ';';
  const std::string line = DecodeParam(rec);
  TData again;
  // NaN and infinity are shown but are not valid input; such lines may not encode.
  if (rec.Hdr.Len <= kMaxRecordLen && line.find("NAN") == std::string::npos &&
      line.find("INF") == std::string::npos) {
    if (!EncodeParam(line, again) || DecodeParam(again) != line) std::abort();
  }
  return 0;
}
