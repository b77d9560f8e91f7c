// Arbitrary live data and status records through every decoder and icon choice. The first
// four bytes are the header (Pid, Len little-endian; Len may claim more than follows), the
// rest the data; a record is decoded both from a TData and from the bare bytes. The same
// data is also decoded under the header of a table row chosen by the Pid, so random inputs
// reach every output format and not only the line of an unknown record.
#include <cstddef>
#include <cstdint>
#include <span>

#include "params/Configs.h"
#include "params/Firmware.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ravok;
  if (size < 4) return 0;
  const uint16_t pid = static_cast<uint16_t>(data[0] | data[1] << 8);
  const uint16_t len = static_cast<uint16_t>(data[2] | data[3] << 8);
  const std::span<const uint8_t> bytes(data + 4, size - 4);

  TData rec;
  rec.Hdr = {pid, len};
  for (size_t i = 0; i < bytes.size() && i < rec.Data.size(); ++i) rec.Data[i] = bytes[i];

  TextLocale odd = TextLocale::Comma();
  odd.ShortDateFormat = "'yyyy";  // an unterminated quote
  odd.LongTimeFormat = "hhhhh ''a zzzz t";
  for (const TextLocale& l : {TextLocale::Dot(), odd}) {
    Firmware::DecodeLiveData(rec, l);
    Firmware::DecodeLiveData(pid, len, bytes, l);
    Firmware::DecodeViewerLiveData(pid, len, bytes, l);
    Configs::DecodeStatus(rec, l);
    Configs::DecodeStatus(pid, len, bytes, l);
    Configs::DecodeViewerStatus(pid, len, bytes, l);
  }
  const auto& live = Firmware::LiveDataTable()[pid % Firmware::LiveDataTable().size()];
  const auto& status = Configs::StatusTable()[pid % Configs::StatusTable().size()];
  Firmware::DecodeLiveData(live.Pid, live.Len, bytes, odd);
  Firmware::DecodeViewerLiveData(live.Pid, live.Len, bytes, odd);
  Configs::DecodeStatus(status.Pid, status.Len, bytes, odd);
  Configs::DecodeViewerStatus(status.Pid, status.Len, bytes, odd);
  Firmware::LiveDataIcon(pid, len, bytes);
  Configs::StatusIcon(pid, len, bytes);
  Configs::ViewerStatusIcon(pid, len, bytes);
  return 0;
}
