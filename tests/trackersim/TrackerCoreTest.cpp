#include <gtest/gtest.h>

#include "tests/trackersim/SimTestSupport.h"

namespace ravok::sim::test {
namespace {

TEST(TrackerCoreReads, ConfigurationRecordsByIndex) {
  TrackerCore t(SmallOptions());
  struct Case {
    uint16_t index;
    Bytes answer;  // after the sequence number
  };
  const std::vector<Case> cases = {
      {0, {0x28, 0x32, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00}},
      {1, Cat({{0x28, 0x32, 0x01, 0x00, 0x10, 0x00, 'V', 'a', 'n', ' ', '1', '2'}, Bytes(10, 0)})},
      {2, {0x28, 0x32, 0x07, 0x00, 0x02, 0x00, 0x28, 0x23}},
      {3, {0x28, 0x32, 0xE7, 0x03, 0x02, 0x00, 0x01, 0xAB}},
      {4, {0x0C, 101, 0x00, 0x00, 0x00, 0x00}},
      {0xFFFF, {0x0C, 101, 0x00, 0x00, 0x00, 0x00}},
  };
  uint8_t seq = 250;  // the answer repeats the request's sequence number
  for (const auto& c : cases) {
    EXPECT_EQ(Exchange(t, Request(seq, 0x28, 0x32, Le16(c.index))), AnswerFrame(seq, c.answer))
        << "index " << c.index;
    ++seq;
  }
}

TEST(TrackerCoreReads, ExactFrameOfCountAnswer) {
  TrackerCore t(SmallOptions());
  const Bytes req = {0x02, 0x09, 0x00, 1, 1, 5, 0x0A, 0x00, 0x28, 0x32, 0x00, 0x00, 0x15, 0x03};
  ASSERT_EQ(req, Request(0, 0x28, 0x32, {0, 0}));
  EXPECT_EQ(Exchange(t, req), (Bytes{0x02, 0x0D, 0x00, 1, 1, 5, 0x14, 0x00, 0x28, 0x32, 0x00, 0x00, 0x02,
                                     0x00, 0x03, 0x00, 0x0A, 0x03}));
}

TEST(TrackerCoreReads, RequestSplitAnyWayAndNoiseBetween) {
  TrackerCore t(SmallOptions());
  const Bytes req = Cat({{0xFF, 0x00}, Request(3, 0x28, 0x32, Le16(2)), {0x55}, Request(4, 0x28, 0x32, Le16(0))});
  for (uint8_t b : req) t.Receive(&b, 1, {});
  EXPECT_EQ(t.TakeOutput({}), Cat({AnswerFrame(3, {0x28, 0x32, 0x07, 0x00, 0x02, 0x00, 0x28, 0x23}),
                                   AnswerFrame(4, {0x28, 0x32, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00})}));
}

TEST(TrackerCoreReads, IgnoresFramesNotMeantForIt) {
  TrackerCore t(SmallOptions());
  Bytes badSum = Request(0, 0x28, 0x32, Le16(1));
  badSum[badSum.size() - 2] ^= 0x01;
  Bytes fromTracker = BuildFrame({1, 1, 5, 0x14, 0, 0x28, 0x32, 1, 0});
  Bytes wrongFixed = BuildFrame({1, 1, 4, 0x0A, 0, 0x28, 0x32, 1, 0});
  Bytes wrongGroup = BuildFrame({2, 1, 5, 0x0A, 0, 0x28, 0x32, 1, 0});
  for (const Bytes& f : {badSum, fromTracker, wrongFixed, wrongGroup}) EXPECT_TRUE(Exchange(t, f).empty());
  EXPECT_EQ(t.Counters().framesReceived, 4);
  EXPECT_EQ(t.Counters().framesIgnored, 4);
  EXPECT_EQ(t.Counters().answers, 0);
}

TEST(TrackerCoreReads, UnknownOrMalformedRequestsGetUnknownMessage) {
  TrackerCore t(SmallOptions());
  const Bytes unknown = AnswerFrame(9, {0x0C, 100, 0, 0, 0, 0});
  EXPECT_EQ(Exchange(t, Request(9, 0x28, 0x99, {0, 0})), unknown);
  EXPECT_EQ(Exchange(t, Request(9, 0x77, 0x32)), unknown);
  EXPECT_EQ(Exchange(t, Request(9, 0x28, 0x32)), unknown);          // index missing
  // No subcommand: the byte after the command is the checksum, 0x64 here.
  ASSERT_EQ(BuildFrame({1, 1, 5, 0x0A, 0x43, 0x28})[9], 0x64);
  EXPECT_EQ(Exchange(t, BuildFrame({1, 1, 5, 0x0A, 0x43, 0x28})), AnswerFrame(0x43, {0x0C, 100, 0, 0, 0, 0}));
  EXPECT_EQ(Exchange(t, Request(9, 0x28, 0x3C, {1, 0, 16})), unknown);  // Len missing
}

TEST(TrackerCoreReads, LiveDataAndStatusCountAndRecords) {
  TrackerCore t;
  ASSERT_FALSE(t.LiveData().empty());
  ASSERT_FALSE(t.Status().empty());
  EXPECT_EQ(Exchange(t, Request(1, 0x28, 0x33, Le16(0))),
            AnswerFrame(1, Cat({{0x28, 0x33, 0, 0, 2, 0}, Le16(static_cast<uint16_t>(t.LiveData().size()))})));
  EXPECT_EQ(Exchange(t, Request(2, 0x28, 0x34, Le16(0))),
            AnswerFrame(2, Cat({{0x28, 0x34, 0, 0, 2, 0}, Le16(static_cast<uint16_t>(t.Status().size()))})));
  // Status row 40 is the IMEI: 15 digits and a 0 byte.
  const Bytes imei = {'3', '5', '6', '9', '3', '8', '0', '3', '5', '6', '4', '3', '8', '0', '9', 0};
  EXPECT_EQ(Exchange(t, Request(3, 0x28, 0x34, Le16(40))), AnswerFrame(3, Cat({{0x28, 0x34, 40, 0, 16, 0}, imei})));
  // Live row 1 is FixStatus with a fix; past the end is out of range.
  EXPECT_EQ(Exchange(t, Request(4, 0x28, 0x33, Le16(1))), AnswerFrame(4, {0x28, 0x33, 1, 0, 1, 0, 2}));
  const uint16_t past = static_cast<uint16_t>(t.LiveData().size() + 1);
  EXPECT_EQ(Exchange(t, Request(5, 0x28, 0x33, Le16(past))), AnswerFrame(5, {0x0C, 101, 0, 0, 0, 0}));
}

TEST(TrackerCoreReads, IdentityAndDebugLines) {
  SimOptions o = SmallOptions();
  o.imei = "123456789012345";
  TrackerCore t(o);
  EXPECT_EQ(Exchange(t, Request(7, 0x28, 0x64)),
            AnswerFrame(7, {0x28, 0x64, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1', '2', '3', '4', '5', 0}));
  const Bytes out = Exchange(t, Request(8, 0x28, 0x65));
  const std::string text(out.begin() + 10, out.end() - 2);
  EXPECT_EQ(text,
            "Ravok simulated tracker\nIMEI: 123456789012345\nParameters: 3\nFrames: 2 received, 0 ignored\n"
            "Image: 0 blocks");
  EXPECT_EQ(out, AnswerFrame(8, Cat({{0x28, 0x65}, Bytes(text.begin(), text.end())})));
}

TEST(TrackerCoreReads, ViewerReadsById) {
  TrackerCore t(SmallOptions());
  struct Case {
    uint8_t sub;
    uint16_t pid, len;
    Bytes answer;
  };
  const std::vector<Case> cases = {
      {0x3C, 7, 2, {0x28, 0x3C, 7, 0, 2, 0, 0x28, 0x23}},
      {0x3C, 7, 4, {0x0C, 102, 7, 0, 4, 0}},  // known id, other length: not there
      {0x3C, 2, 24, {0x0C, 102, 2, 0, 24, 0}},
      {0x3D, 19, 1, {0x28, 0x3D, 19, 0, 1, 0, 24}},  // SignalLevel
      {0x3E, 3, 1, {0x28, 0x3E, 3, 0, 1, 0, 9}},     // GsmStatus connected
      {0x3E, 40, 15, {0x0C, 102, 40, 0, 15, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Exchange(t, Request(1, 0x28, c.sub, Cat({Le16(c.pid), Le16(c.len)}))), AnswerFrame(1, c.answer))
        << int(c.sub) << " " << c.pid;
}

TEST(TrackerCoreReads, DefaultTrackerAnswersEveryValueTheViewerAsks) {
  // The viewer's fixed read list: sub 0x3C configuration, 0x3E status, 0x3D live data.
  struct Want {
    uint8_t sub;
    uint16_t pid, len;
  };
  const std::vector<Want> viewer = {
      {0x3C, 1, 16}, {0x3C, 2, 24}, {0x3C, 3, 16}, {0x3C, 4, 16}, {0x3C, 5, 8}, {0x3C, 6, 24},
      {0x3C, 7, 2},  {0x3E, 1, 4},  {0x3E, 40, 16}, {0x3E, 41, 21}, {0x3E, 3, 1}, {0x3E, 6, 1},
      {0x3E, 7, 1},  {0x3E, 8, 4},  {0x3E, 31, 4}, {0x3E, 38, 4}, {0x3E, 39, 4}, {0x3E, 10, 1},
      {0x3E, 18, 4}, {0x3D, 1, 1},  {0x3D, 11, 1}, {0x3D, 19, 1}, {0x3D, 17, 4}, {0x3D, 18, 4},
      {0x3D, 15, 4}, {0x3D, 16, 4}, {0x3D, 12, 1}, {0x3D, 2, 1},  {0x3D, 10, 6}, {0x3D, 55, 16},
  };
  TrackerCore t;
  for (const auto& w : viewer) {
    const Bytes a = Exchange(t, Request(1, 0x28, w.sub, Cat({Le16(w.pid), Le16(w.len)})));
    ASSERT_EQ(a.size(), 16u + w.len) << w.pid;
    EXPECT_EQ(Bytes(a.begin() + 8, a.begin() + 14), Cat({{0x28, w.sub}, Le16(w.pid), Le16(w.len)})) << w.pid;
  }
}

TEST(TrackerCoreWrites, WriteReplaceAppendDelete) {
  TrackerCore t(SmallOptions());
  const Bytes ack = AnswerFrame(5, {0x0B});
  // ServerPort=9001 replaces, a new record is appended, Description is deleted.
  EXPECT_EQ(Exchange(t, Request(5, 0x3C, 0x32, {7, 0, 2, 0, 0x29, 0x23})), ack);
  EXPECT_EQ(Exchange(t, Request(5, 0x3C, 0x32, {5, 0, 8, 0, '1', '2', '3', '4', 0, 0, 0, 0})), ack);
  EXPECT_EQ(Exchange(t, Request(5, 0x3C, 0x32, {0xFF, 0xFF, 4, 0, 1, 0, 16, 0})), ack);
  // Deleting what is not there changes nothing and is acknowledged all the same.
  EXPECT_EQ(Exchange(t, Request(5, 0x3C, 0x32, {0xFF, 0xFF, 4, 0, 1, 0, 20, 0})), ack);
  EXPECT_EQ(t.Configuration(),
            (TDataList{Rec(7, 2, {0x29, 0x23}), Rec(999, 2, {0x01, 0xAB}), Rec(5, 8, {'1', '2', '3', '4'})}));
  EXPECT_EQ(t.Counters().writes, 4);
  // The count follows.
  EXPECT_EQ(Exchange(t, Request(6, 0x28, 0x32, Le16(0))), AnswerFrame(6, {0x28, 0x32, 0, 0, 2, 0, 3, 0}));
}

TEST(TrackerCoreWrites, RecordMustLieInsideFrame) {
  TrackerCore t(SmallOptions());
  // Len 8 announced, 2 data bytes present; Len 300 does not fit a record.
  EXPECT_EQ(Exchange(t, Request(1, 0x3C, 0x32, {5, 0, 8, 0, 1, 2})), AnswerFrame(1, {0x0C, 100, 5, 0, 8, 0}));
  Bytes big = Cat({{9, 0}, Le16(300), Bytes(300, 0x41)});
  big.resize(4 + 250);  // keep the frame within 512 bytes
  EXPECT_EQ(Exchange(t, Request(2, 0x3C, 0x32, big)), AnswerFrame(2, {0x0C, 100, 9, 0, 0x2C, 0x01}));
  EXPECT_EQ(t.Configuration(), SmallConfig());
}

TEST(TrackerCoreWrites, TextCommands) {
  TrackerCore t(SmallOptions());
  auto text = [](std::string s) {
    Bytes b(16, 0);
    for (size_t i = 0; i < s.size() && i < 15; ++i) b[i] = static_cast<uint8_t>(s[i]);
    return b;
  };
  EXPECT_EQ(Exchange(t, Request(1, 0x1E, 0x32, text("356938035643809"))), AnswerFrame(1, {0x0B}));
  EXPECT_EQ(Exchange(t, Request(2, 0x1E, 0x33, text("ver"))), AnswerFrame(2, {0x0B}));
  EXPECT_EQ(t.TextCommands(),
            (std::vector<TextCommand>{{false, "356938035643809"}, {true, "ver"}}));
}

}  // namespace
}  // namespace ravok::sim::test
