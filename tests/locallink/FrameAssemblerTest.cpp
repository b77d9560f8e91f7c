#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "locallink/Frame.h"

namespace ravok {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Payload(size_t n) {
  Bytes p(n);
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(i + 1);
  return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Feeds the chunks in order and returns the delivered frames.
std::vector<Bytes> Assemble(const std::vector<Bytes>& chunks) {
  std::vector<Bytes> frames;
  FrameAssembler a([&](const TBuffer& d, int len) { frames.emplace_back(d.begin(), d.begin() + len); });
  for (const auto& c : chunks) a.Feed(c.data(), c.size());
  return frames;
}

TEST(FrameAssemblerTest, BuildFrameLayout) {
  EXPECT_EQ(BuildFrame({1, 1, 5, 0x14, 0, 0x0B}),
            (Bytes{0x02, 0x06, 0x00, 1, 1, 5, 0x14, 0, 0x0B, 0x1A, 0x03}));
}

TEST(FrameAssemblerTest, Cases) {
  const Bytes f6 = BuildFrame(Payload(6));
  const Bytes f507 = BuildFrame(Payload(507));
  Bytes badEnd = BuildFrame(Payload(6));
  badEnd.back() = 0x04;
  struct Case {
    std::string name;
    std::vector<Bytes> chunks;
    std::vector<Bytes> expected;
  };
  const std::vector<Case> cases = {
      {"whole frame", {f6}, {f6}},
      {"noise before start", {Cat({{0xFF, 0x03, 0x00}, f6})}, {f6}},
      {"largest frame is 512 bytes", {f507}, {f507}},
      {"length 5 dropped, next start taken", {Cat({{0x02, 0x05, 0x00}, f6})}, {f6}},
      {"length 508 dropped", {Cat({{0x02, 0xFC, 0x01}, f6})}, {f6}},
      {"bad end byte dropped, next byte examined", {Cat({badEnd, f6})}, {f6}},
      {"split 1, 7, rest", {Bytes(f6.begin(), f6.begin() + 1), Bytes(f6.begin() + 1, f6.begin() + 8),
                            Bytes(f6.begin() + 8, f6.end())}, {f6}},
      {"two frames in one read", {Cat({f6, f507})}, {f6, f507}},
  };
  for (const auto& c : cases) EXPECT_EQ(Assemble(c.chunks), c.expected) << c.name;
  EXPECT_EQ(f507.size(), 512u);
}

TEST(FrameAssemblerTest, BadEndByteThatIsAStartByteStartsNextFrame) {
  // The end position holds 0x02: the frame is dropped and that byte is not reused, since
  // the assembler examines the byte after it.
  Bytes f = BuildFrame(Payload(6));
  f.back() = 0x02;
  EXPECT_TRUE(Assemble({Cat({f, {0x06}})}).empty());
}

}  // namespace
}  // namespace ravok
