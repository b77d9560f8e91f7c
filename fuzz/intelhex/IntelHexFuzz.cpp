// Arbitrary bytes as an Intel HEX file: the reader must never write outside its buffer,
// and a size it reports must lie within the limit.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "locallink/IntelHex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), int(size));
  // A small limit so that the skip-past-the-limit path is taken as often as storing.
  for (const int limit : {0, 0x2100, 524288}) {
    std::vector<uint8_t> buffer;
    int imageSize = -1;
    if (ravok::ParseIntelHex(text, limit, buffer, imageSize) &&
        (imageSize < 0 || imageSize > limit || buffer.size() < size_t(limit)))
      std::abort();
  }
  return 0;
}
