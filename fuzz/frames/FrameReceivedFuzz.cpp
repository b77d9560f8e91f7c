// Arbitrary bytes from the tracker side: through the frame assembler into the receiver, and
// each input also as one frame buffer handed to the receiver directly with every length.
// The receiver must never read or copy past the frame or past a record's 256 data bytes.
#include <cstddef>
#include <cstdint>

#include "locallink/LocalProtocol.h"
#include "tests/support/FakeShell.h"

namespace {

struct NullTransport : ravok::FrameTransport {
  bool Write(const uint8_t*, size_t) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ravok::test::FakeShell shell;
  NullTransport transport;
  ravok::FakeClock clock;
  ravok::LocalProtocol link(shell, transport, clock);

  ravok::FrameAssembler assembler(
      [&](const ravok::TBuffer& frame, int len) { link.FrameReceived(frame, len); });
  assembler.Feed(data, size);

  // The same bytes as a frame buffer with a claimed length, valid or not.
  ravok::TBuffer buffer{};
  const size_t n = size < buffer.size() ? size : buffer.size();
  for (size_t i = 0; i < n; ++i) buffer[i] = data[i];
  if (size >= 2) link.FrameReceived(buffer, (data[0] | (data[1] << 8)) % 1024 - 256);
  link.FrameReceived(buffer, static_cast<int>(n));
  return 0;
}
