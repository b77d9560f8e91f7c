// Faults on demand and image uploads.
#include <gtest/gtest.h>

#include "tests/trackersim/SimTestSupport.h"

namespace ravok::sim::test {
namespace {

Bytes ReadConfig(uint16_t i) { return Request(1, 0x28, 0x32, Le16(i)); }

TEST(TrackerFaults, ConfigurationReadFaults) {
  SimOptions o = SmallOptions();
  o.silentAt = 2;
  o.errorAt = {{1, 102}, {7, 103}};
  o.badChecksumAt = 3;
  TrackerCore t(o);
  // Error answers name the record at that index (none past the end).
  EXPECT_EQ(Exchange(t, ReadConfig(1)), AnswerFrame(1, {0x0C, 102, 1, 0, 16, 0}));
  EXPECT_TRUE(Exchange(t, ReadConfig(2), {}, std::chrono::hours(1)).empty());
  EXPECT_EQ(Exchange(t, ReadConfig(7)), AnswerFrame(1, {0x0C, 103, 0, 0, 0, 0}));
  Bytes bad = AnswerFrame(1, {0x28, 0x32, 0xE7, 0x03, 0x02, 0x00, 0x01, 0xAB});
  bad[bad.size() - 2] ^= 0xFF;
  EXPECT_EQ(Exchange(t, ReadConfig(3)), bad);
  // Faults are tied to the index, not to the order of requests: every time.
  EXPECT_TRUE(Exchange(t, ReadConfig(2)).empty());
  EXPECT_EQ(Exchange(t, ReadConfig(0)), AnswerFrame(1, {0x28, 0x32, 0, 0, 2, 0, 3, 0}));
  EXPECT_EQ(t.Counters().silenced, 2);
  // Faults of configuration reads leave live data and the viewer's reads alone.
  EXPECT_EQ(Exchange(t, Request(1, 0x28, 0x33, Le16(1))), AnswerFrame(1, {0x28, 0x33, 1, 0, 1, 0, 2}));
}

TEST(TrackerFaults, WriteFaultsCountWriteRequests) {
  SimOptions o = SmallOptions();
  o.writeFaults.errorAt = {{2, 101}};
  o.writeFaults.silentAt = 3;
  TrackerCore t(o);
  const Bytes w = Request(4, 0x3C, 0x32, {8, 0, 1, 0, 9});
  EXPECT_EQ(Exchange(t, w), AnswerFrame(4, {0x0B}));
  EXPECT_EQ(Exchange(t, Request(4, 0x3C, 0x32, {9, 0, 1, 0, 9})), AnswerFrame(4, {0x0C, 101, 9, 0, 1, 0}));
  EXPECT_TRUE(Exchange(t, Request(4, 0x3C, 0x32, {10, 0, 1, 0, 9})).empty());
  // A faulted write changes nothing.
  EXPECT_EQ(t.Configuration().size(), 4u);
  EXPECT_EQ(t.Configuration().back(), Rec(8, 1, {9}));
}

// The frames of an upload as the manager sends them: blocks numbered in groups of 248.
Bytes Block(int n, const Bytes& image) {
  Bytes p = {proto::kImageGroupBlocks, static_cast<uint8_t>(n % 248 + 1), 5, 0x0A, static_cast<uint8_t>(n),
             0x41, static_cast<uint8_t>(0x32 + n / 248)};
  for (int i = 0; i < 256; ++i) {
    const size_t at = static_cast<size_t>(n) * 256 + i;
    p.push_back(at < image.size() ? image[at] : 0xFF);
  }
  return BuildFrame(p);
}

Bytes EndSums(uint8_t sub, uint16_t blocks, uint16_t s1, uint16_t s2) {
  return Request(0, 0x41, sub, Cat({Le16(blocks), Le16(s1), Le16(s2)}));
}

Bytes EndValue(uint8_t sub, uint16_t blocks, uint32_t v) {
  return Request(0, 0x41, sub, Cat({Le16(blocks), Le16(v & 0xFFFF), Le16(v >> 16)}));
}

// Sums as the manager computes them over whole blocks.
std::pair<uint16_t, uint16_t> Sums(const Bytes& image, int blocks) {
  uint16_t s1 = 0, s2 = 0;
  for (int i = 0; i < blocks * 256; ++i) {
    s1 = static_cast<uint16_t>(s1 + (i < static_cast<int>(image.size()) ? image[i] : 0xFF));
    s2 = static_cast<uint16_t>(s2 + s1);
  }
  return {s1, s2};
}

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 256);
  return b;
}

// Sends blocks 0..blocks-1 and returns whether every one was acknowledged.
bool SendBlocks(TrackerCore& t, const Bytes& image, int blocks) {
  bool ok = true;
  for (int n = 0; n < blocks; ++n) {
    const Bytes a = Exchange(t, Block(n, image));
    ok = ok && a == AnswerFrame(static_cast<uint8_t>(n), {0x0B});
  }
  return ok;
}

TEST(TrackerImage, UploadWithSumsAcrossBlockGroups) {
  // 250 blocks: the last two are in the second group of 248 (subcommand 0x33).
  const Bytes image = Pattern(249 * 256 + 1);
  TrackerCore t(SmallOptions());
  ASSERT_TRUE(SendBlocks(t, image, 250));
  EXPECT_EQ(t.Image(), ImageState::Receiving);
  const auto [s1, s2] = Sums(image, 250);
  EXPECT_EQ(Exchange(t, EndSums(0x36, 250, s1, s2)), AnswerFrame(0, {0x0B}));
  EXPECT_EQ(t.Image(), ImageState::Good);
  Bytes expected = image;
  expected.resize(250 * 256, 0xFF);
  EXPECT_EQ(t.ImageBytes(), expected);
}

TEST(TrackerImage, EndFrameChecks) {
  const Bytes image = Pattern(2 * 256);
  const auto [s1, s2] = Sums(image, 2);
  struct Case {
    std::string name;
    int deviceType;
    int blocksSent;
    Bytes end;
    bool good;
  };
  const std::vector<Case> cases = {
      {"sums", 0, 2, EndSums(0x36, 2, s1, s2), true},
      {"sums, type 10 variant accepted by default", 0, 2, EndSums(0x3A, 2, s1, s2), true},
      {"wrong first sum", 0, 2, EndSums(0x36, 2, static_cast<uint16_t>(s1 + 1), s2), false},
      {"wrong second sum", 0, 2, EndSums(0x36, 2, s1, static_cast<uint16_t>(s2 ^ 0x8000)), false},
      {"count above blocks sent", 0, 2, EndSums(0x36, 3, s1, s2), false},
      {"count below blocks sent", 0, 2, EndSums(0x36, 1, s1, s2), false},
      {"no blocks", 0, 0, EndSums(0x36, 0, 0, 0), false},
      {"list value", 0, 2, EndValue(0x37, 2, 0x01020304), true},
      {"list value 0", 0, 2, EndValue(0x37, 2, 0), false},
      {"type 12 uses 0x3A", 12, 2, EndSums(0x3A, 2, s1, s2), true},
      {"type 10 value uses 0x3B", 10, 2, EndValue(0x3B, 2, 5), true},
  };
  for (const auto& c : cases) {
    SimOptions o = SmallOptions();
    o.deviceType = c.deviceType;
    TrackerCore t(o);
    ASSERT_TRUE(SendBlocks(t, image, c.blocksSent)) << c.name;
    const Bytes expected = c.good ? AnswerFrame(0, {0x0B}) : AnswerFrame(0, {0x0C, 3, 0, 0, 0, 0});
    EXPECT_EQ(Exchange(t, c.end), expected) << c.name;
    EXPECT_EQ(t.Image(), c.good ? ImageState::Good : (c.blocksSent ? ImageState::Bad : ImageState::None))
        << c.name;
  }
}

TEST(TrackerImage, EndFrameOfTheOtherDeviceTypeIsUnknown) {
  const Bytes image = Pattern(256);
  const auto [s1, s2] = Sums(image, 1);
  for (auto [type, sub] : {std::pair{8, 0x3A}, {12, 0x36}, {10, 0x37}}) {
    SimOptions o = SmallOptions();
    o.deviceType = type;
    TrackerCore t(o);
    ASSERT_TRUE(SendBlocks(t, image, 1));
    EXPECT_EQ(Exchange(t, EndSums(static_cast<uint8_t>(sub), 1, s1, s2)), AnswerFrame(0, {0x0C, 100, 0, 0, 0, 0}))
        << type << " " << sub;
    EXPECT_EQ(t.Image(), ImageState::Receiving);
  }
}

TEST(TrackerImage, NewUploadStartsAtBlockZeroAndFinishHookSeesIt) {
  const Bytes first = Pattern(3 * 256), second(256, 0x11);
  TrackerCore t(SmallOptions());
  std::vector<ImageState> seen;
  t.SetImageFinished([&](const TrackerCore& c) { seen.push_back(c.Image()); });
  ASSERT_TRUE(SendBlocks(t, first, 3));
  ASSERT_TRUE(SendBlocks(t, second, 1));  // an interrupted upload begun anew
  const auto [s1, s2] = Sums(second, 1);
  EXPECT_EQ(Exchange(t, EndSums(0x36, 1, s1, s2)), AnswerFrame(0, {0x0B}));
  EXPECT_EQ(t.ImageBytes(), second);
  // A repeated end frame checks the same blocks again, a wrong one marks them bad.
  EXPECT_EQ(Exchange(t, EndSums(0x36, 1, s1, s2)), AnswerFrame(0, {0x0B}));
  EXPECT_EQ(Exchange(t, EndSums(0x36, 2, s1, s2)), AnswerFrame(0, {0x0C, 3, 0, 0, 0, 0}));
  EXPECT_EQ(seen, (std::vector<ImageState>{ImageState::Good, ImageState::Good, ImageState::Bad}));
}

TEST(TrackerImage, BlockFaultsAndEndFrameFaults) {
  const Bytes image = Pattern(3 * 256);
  SimOptions o = SmallOptions();
  o.imageFaults.errorAt = {{1, 101}};
  o.imageFaults.silentAt = 3;  // the end frame of a 3-block upload
  TrackerCore t(o);
  EXPECT_EQ(Exchange(t, Block(0, image)), AnswerFrame(0, {0x0B}));
  EXPECT_EQ(Exchange(t, Block(1, image)), AnswerFrame(1, {0x0C, 101, 0, 0, 0, 0}));
  EXPECT_EQ(t.ImageBlocks(), 1);  // the refused block is not kept
  EXPECT_EQ(Exchange(t, Block(2, image)), AnswerFrame(2, {0x0B}));
  const auto [s1, s2] = Sums(image, 3);
  EXPECT_TRUE(Exchange(t, EndSums(0x36, 3, s1, s2)).empty());
}

TEST(TrackerImage, BlockBeyondTheImageBufferIsOutOfRange) {
  TrackerCore t(SmallOptions());
  EXPECT_EQ(Exchange(t, Block(2048, {})), AnswerFrame(0, {0x0C, 101, 0, 0, 0, 0}));
  EXPECT_EQ(t.Image(), ImageState::None);
}

}  // namespace
}  // namespace ravok::sim::test
