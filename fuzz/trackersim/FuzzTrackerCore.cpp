// Any byte stream from the manager side: the tracker never reads outside a frame, never
// answers with a malformed frame, and its output stays a sequence of whole frames.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tools/trackersim/TrackerCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ravok;
  using namespace ravok::sim;
  SimOptions o;
  o.config = TDataList{};  // skip building the catalogue defaults on every input
  o.errorAt = {{1, 102}};
  o.silentAt = 2;
  o.writeFaults.errorAt = {{3, 101}};
  o.imageFaults.badChecksumAt = 1;
  o.deviceType = size % 2 ? 10 : 0;
  TrackerCore t(o);
  // The first byte chooses how the rest is cut into reads.
  const size_t step = size ? (data[0] % 16) + 1 : 1;
  std::vector<uint8_t> out;
  for (size_t i = size ? 1 : 0; i < size; i += step) {
    const size_t n = std::min(step, size - i);
    t.Receive(data + i, n, Duration{static_cast<int64_t>(i)});
    const auto b = t.TakeOutput(Duration{static_cast<int64_t>(i)});
    out.insert(out.end(), b.begin(), b.end());
  }
  int frames = 0;
  FrameAssembler a([&](const TBuffer&, int) { ++frames; });
  a.Feed(out.data(), out.size());
  size_t expectedBytes = 0;
  {
    // Re-cut the output: every byte belongs to a frame.
    size_t at = 0;
    while (at + 3 <= out.size() && out[at] == kFrameStart) {
      const size_t len = out[at + 1] | (out[at + 2] << 8);
      at += len + kFrameOverhead;
    }
    expectedBytes = at;
  }
  if (expectedBytes != out.size() || frames != t.Counters().answers) std::abort();
  return 0;
}
