// Parameter lines from an operator or an imported file. Encoding must not crash, and a
// line that encodes gives a record whose line encodes to the same record again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "params/Params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ravok;
  std::string line(reinterpret_cast<const char*>(data), size);
  // Random bytes rarely hit a name; use the first byte to pick a catalogue name sometimes.
  if (size > 0 && line.find('=') == std::string::npos) {
    const auto& row = ParamTable()[data[0] % ParamTable().size()];
    line = std::string(row.Name) + "=" + line.substr(1);
  }
  TData rec;
  THeader hdr;
  HeaderOfLine(line, hdr);
  if (!EncodeParam(line, rec)) return 0;
  const std::string decoded = DecodeParam(rec);
  TData again;
  if (!EncodeParam(decoded, again)) std::abort();
  if (DecodeParam(again) != decoded) std::abort();
  return 0;
}
