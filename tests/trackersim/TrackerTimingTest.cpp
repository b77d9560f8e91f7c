// When answer bytes become due: delay, pacing to a baud rate, split frames, chatter.
#include <gtest/gtest.h>

#include "tests/trackersim/SimTestSupport.h"

namespace ravok::sim::test {
namespace {

using std::chrono::nanoseconds;

const Bytes kReadCount = Request(0, 0x28, 0x32, Le16(0));                                 // 14 bytes
const Bytes kCountAnswer = AnswerFrame(0, {0x28, 0x32, 0x00, 0x00, 0x02, 0x00, 0x03, 0x00});  // 18 bytes

// Every due time of the pending output, draining the tracker.
std::vector<Duration> DueTimes(TrackerCore& t) {
  std::vector<Duration> times;
  while (auto next = t.NextOutputTime()) {
    const auto bytes = t.TakeOutput(*next);
    times.insert(times.end(), bytes.size(), *next);
  }
  return times;
}

TEST(TrackerTiming, UnpacedAnswersAreDueAtOnce) {
  TrackerCore t(SmallOptions());
  EXPECT_FALSE(t.NextOutputTime());
  t.Receive(kReadCount.data(), kReadCount.size(), milliseconds(5));
  EXPECT_EQ(t.NextOutputTime(), milliseconds(5));
  EXPECT_TRUE(t.TakeOutput(milliseconds(4)).empty());
  EXPECT_EQ(t.TakeOutput(milliseconds(5)), kCountAnswer);
  EXPECT_FALSE(t.NextOutputTime());
}

TEST(TrackerTiming, DelayHoldsTheWholeAnswer) {
  SimOptions o = SmallOptions();
  o.delay = milliseconds(1500);
  TrackerCore t(o);
  t.Receive(kReadCount.data(), kReadCount.size(), milliseconds(10));
  EXPECT_EQ(t.NextOutputTime(), milliseconds(1510));
  EXPECT_TRUE(t.TakeOutput(milliseconds(1509)).empty());
  EXPECT_EQ(t.TakeOutput(milliseconds(1510)), kCountAnswer);
}

TEST(TrackerTiming, PacedToTheWireTimeOfBothDirections) {
  // 9600 baud, 8N1: 1/960 s per byte. The first byte of the 14-byte request is through
  // the line when it arrives, the last 13 byte times later; answer byte k (from 1) is
  // due k byte times after that.
  SimOptions o = SmallOptions();
  o.baud = 9600;
  TrackerCore t(o);
  const Duration t0 = milliseconds(100);
  auto byteTimes = [&](int64_t k) { return nanoseconds(k * 10'000'000'000 / 9600); };
  t.Receive(kReadCount.data(), kReadCount.size(), t0);
  const auto due = DueTimes(t);
  ASSERT_EQ(due.size(), kCountAnswer.size());
  for (size_t k = 0; k < due.size(); ++k) EXPECT_EQ(due[k], t0 + byteTimes(13) + byteTimes(k + 1)) << k;
  // From the first byte in to the last byte out: the wire time of 31 bytes (to the ns).
  EXPECT_NEAR((due.back() - t0).count(), byteTimes(31).count(), 1);
}

TEST(TrackerTiming, PacingSplitRequestAndBackToBackAnswers) {
  SimOptions o = SmallOptions();
  o.baud = 230400;
  TrackerCore t(o);
  auto bt = [](int64_t k) { return nanoseconds(k * 10'000'000'000 / 230400); };
  // The request arrives in two reads, the second while the first is still on the line.
  t.Receive(kReadCount.data(), 5, {});
  t.Receive(kReadCount.data() + 5, kReadCount.size() - 5, microseconds(50));
  // A second request follows at once: its answer queues behind the first one.
  t.Receive(kReadCount.data(), kReadCount.size(), microseconds(60));
  const auto due = DueTimes(t);
  ASSERT_EQ(due.size(), 2 * kCountAnswer.size());
  EXPECT_EQ(due.front(), bt(13) + bt(1));
  EXPECT_EQ(due[17], bt(13) + bt(18));
  // The second request is through the line at 27 byte times, before the first answer
  // ends at 31: the second answer follows the first without a gap.
  EXPECT_EQ(due[18], bt(13) + bt(18) + bt(1));
  EXPECT_EQ(due.back(), bt(13) + bt(18) + bt(18));
}

TEST(TrackerTiming, BatchesEndAtFrameAndPieceEnds) {
  auto bt = [](int64_t k) { return nanoseconds(k * 10'000'000'000 / 9600); };
  SimOptions o = SmallOptions();
  o.baud = 9600;
  TrackerCore t(o);
  t.Receive(kReadCount.data(), kReadCount.size(), {});
  t.Receive(kReadCount.data(), kReadCount.size(), {});
  const Duration start = bt(13);  // the first request is through the line
  // Two 18-byte answers back to back: batches of 16, then the 2 to the frame's end.
  EXPECT_EQ(t.NextBatchTime(16), start + bt(16));
  EXPECT_EQ(t.TakeOutput(start + bt(16)).size(), 16u);
  EXPECT_EQ(t.NextBatchTime(16), start + bt(18));
  EXPECT_EQ(t.TakeOutput(start + bt(18)).size(), 2u);
  EXPECT_EQ(t.NextBatchTime(100), start + bt(18) + bt(18));
  EXPECT_EQ(t.NextBatchTime(0), t.NextOutputTime());
  // Split pieces end a batch too.
  o.baud = 0;
  o.split = true;
  TrackerCore u(o);
  u.Receive(kReadCount.data(), kReadCount.size(), {});
  EXPECT_EQ(u.NextBatchTime(16), Duration{});
  EXPECT_EQ(u.TakeOutput({}).size(), 1u);
  EXPECT_EQ(u.NextBatchTime(16), kSplitGap);
}

TEST(TrackerTiming, PauseInTheRequestStartsTheLineAnew) {
  SimOptions o = SmallOptions();
  o.baud = 230400;
  TrackerCore t(o);
  auto bt = [](int64_t k) { return nanoseconds(k * 10'000'000'000 / 230400); };
  t.Receive(kReadCount.data(), 5, {});
  // The rest comes 1 ms later, long after the first five bytes were through.
  t.Receive(kReadCount.data() + 5, kReadCount.size() - 5, milliseconds(1));
  EXPECT_EQ(t.NextOutputTime(), milliseconds(1) + bt(8) + bt(1));
}

TEST(TrackerTiming, SplitFramesComeInPieces) {
  SimOptions o = SmallOptions();
  o.split = true;
  TrackerCore t(o);
  t.Receive(kReadCount.data(), kReadCount.size(), {});
  // Pieces of 1, 7, 3, 5, 2 bytes, kSplitGap apart.
  std::vector<size_t> pieces;
  Bytes all;
  Duration now{};
  while (auto next = t.NextOutputTime()) {
    EXPECT_EQ(*next, now);
    const auto b = t.TakeOutput(*next);
    pieces.push_back(b.size());
    all.insert(all.end(), b.begin(), b.end());
    now += kSplitGap;
  }
  EXPECT_EQ(pieces, (std::vector<size_t>{1, 7, 3, 5, 2}));
  EXPECT_EQ(all, kCountAnswer);
}

TEST(TrackerTiming, ChatterComesEveryPeriodBetweenFrames) {
  SimOptions o = SmallOptions();
  o.chatter = true;
  TrackerCore t(o);
  EXPECT_TRUE(t.TakeOutput({}).empty());  // the first call starts the period
  EXPECT_EQ(t.NextOutputTime(), kChatterPeriod);
  const std::string text = "GPS: fix 3D, 9 satellites";
  Bytes line = {0x32};
  line.insert(line.end(), text.begin(), text.end());
  EXPECT_EQ(t.TakeOutput(kChatterPeriod), AnswerFrame(0, line));
  // Two periods later two lines are due, the sequence numbers counting up.
  const Bytes out = t.TakeOutput(3 * kChatterPeriod);
  EXPECT_EQ(out[7], 1);
  EXPECT_EQ(t.Counters().chatterLines, 3);
  // An answer never lands inside a chatter frame.
  SimOptions p = o;
  p.baud = 9600;
  TrackerCore u(p);
  u.TakeOutput({});
  const Bytes first = u.TakeOutput(kChatterPeriod);  // chatter queued, its bytes paced
  u.Receive(kReadCount.data(), kReadCount.size(), kChatterPeriod);
  Bytes rest;
  while (auto next = u.NextOutputTime()) {
    if (*next > 2 * kChatterPeriod - milliseconds(1)) break;
    const auto b = u.TakeOutput(*next);
    rest.insert(rest.end(), b.begin(), b.end());
  }
  Bytes all = first;
  all.insert(all.end(), rest.begin(), rest.end());
  EXPECT_EQ(all, Cat({AnswerFrame(0, line), kCountAnswer}));
}

}  // namespace
}  // namespace ravok::sim::test
