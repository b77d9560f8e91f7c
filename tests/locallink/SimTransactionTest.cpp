// The transactions against the simulated tracker in-process, on a fake clock: the tracker
// core answers each request at the time it is due (delays, pacing, split frames and faults
// included), and the clock jumps from one due byte to the next.
#include <gtest/gtest.h>

#include "locallink/LocalProtocol.h"
#include "tests/support/FakeShell.h"
#include "tools/trackersim/TrackerCore.h"

namespace ravok {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

struct SimLink : FrameTransport {
  test::FakeShell shell;
  FakeClock clock;
  sim::TrackerCore core;
  LocalProtocol proto{shell, *this, clock};
  uint64_t wireBytes = 0;
  std::function<void()> onTurn;

  explicit SimLink(sim::SimOptions opts = {}) : core(std::move(opts)) {
    shell.onProcessMessages = [this] {
      // One main-loop turn: up to 1 ms, or to the next byte the tracker has due.
      Duration next = clock.Now() + 1ms;
      if (auto due = core.NextOutputTime(); due && *due > clock.Now() && *due < next) next = *due;
      clock.Advance(next - clock.Now());
      const Bytes out = core.TakeOutput(clock.Now());
      assembler.Feed(out.data(), out.size());
      if (onTurn) onTurn();
    };
  }
  bool Write(const uint8_t* data, size_t n) override {
    wireBytes += n;
    core.Receive(data, n, clock.Now());
    return true;
  }

 private:
  FrameAssembler assembler{[this](const TBuffer& d, int len) {
    wireBytes += static_cast<uint64_t>(len);
    proto.FrameReceived(d, len);
  }};
};

TData Record(uint16_t pid, Bytes data) {
  TData r;
  r.Hdr = {pid, static_cast<uint16_t>(data.size())};
  std::copy(data.begin(), data.end(), r.Data.begin());
  return r;
}

TDataList TenRecords() {
  TDataList l;
  for (int i = 1; i <= 10; ++i) l.push_back(Record(uint16_t(200 + i), {uint8_t(i), 0x5A, 0xC3}));
  return l;
}

sim::SimOptions WithConfig(TDataList config) {
  sim::SimOptions o;
  o.config = std::move(config);
  return o;
}

TEST(SimTransactionTest, ReadsTheWholeDefaultConfiguration) {
  SimLink link;
  TDataList list;
  ASSERT_TRUE(link.proto.ReadConfiguration(list));
  EXPECT_EQ(list, link.core.Configuration());
  EXPECT_GT(list.size(), 400u);
  EXPECT_EQ(link.proto.DataSeqNo, (list.size() + 1) % 256) << "one request per record and the count";
  EXPECT_TRUE(link.shell.messages.empty());
}

TEST(SimTransactionTest, ReadConfigurationFaults) {
  const TDataList records = TenRecords();
  struct Case {
    const char* name;
    std::function<void(sim::SimOptions&)> fault;
    bool ok;
    size_t listed;
    int zeroed;  // 1-based record that came back as an error answer, 0 for none
    QStringList messages;
  };
  const Case cases[] = {
      {"answers 1 s late", [](auto& o) { o.delay = 1000ms; }, true, 10, 0, {}},
      {"answers split in pieces, paced at 9600 baud",
       [](auto& o) { o.split = true, o.baud = 9600; }, true, 10, 0, {}},
      {"no answer at 5", [](auto& o) { o.silentAt = 5; }, false, 4, 0, {"Device not respond"}},
      {"bad checksum at 5", [](auto& o) { o.badChecksumAt = 5; }, false, 4, 0,
       {"Device not respond"}},
      {"error answer 102 at 5 of 10", [](auto& o) { o.errorAt[5] = 102; }, false, 10, 5,
       {"Parameter not exists"}},
      {"no answer to the count", [](auto& o) { o.silentAt = 0; }, false, 0, 0,
       {"Device not respond"}},
      {"answers after the time-out", [](auto& o) { o.delay = 2000ms; }, false, 0, 0,
       {"Device not respond"}},
  };
  for (const Case& c : cases) {
    sim::SimOptions o = WithConfig(records);
    c.fault(o);
    SimLink link(o);
    TDataList list;
    EXPECT_EQ(link.proto.ReadConfiguration(list), c.ok) << c.name;
    EXPECT_EQ(link.shell.Texts(), c.messages) << c.name;
    ASSERT_EQ(list.size(), c.listed) << c.name;
    for (size_t i = 0; i < list.size(); ++i) {
      TData want = records[i];
      if (int(i) + 1 == c.zeroed) want.Data = {};
      EXPECT_EQ(list[i], want) << c.name << " record " << i + 1;
    }
  }
}

TEST(SimTransactionTest, ReadTakesNoLongerThanTheWire) {
  // With the tracker paced to 230400 baud, a read on the fake clock costs its wire time:
  // the wait ends at the answer's last byte and the next request leaves at once.
  sim::SimOptions o = WithConfig(TenRecords());
  o.baud = 230400;
  SimLink link(o);
  TDataList list;
  ASSERT_TRUE(link.proto.ReadConfiguration(list));
  const Duration wire = std::chrono::nanoseconds(link.wireBytes * 10 * 1'000'000'000 / 230400);
  EXPECT_GE(link.clock.Now(), wire - 11 * 50us);  // the last byte of each answer is not waited for
  EXPECT_LE(link.clock.Now(), wire + 11 * 1ms);   // at most one main-loop turn per exchange
}

TEST(SimTransactionTest, LateAcknowledgementIsTakenByTheNextWrite) {
  sim::SimOptions o;
  o.delay = 1800ms;  // past the 1.728 s time-out
  SimLink link(o);
  EXPECT_EQ(link.proto.WriteConfigRecord(Record(300, {1})), 255);
  EXPECT_EQ(link.proto.WriteConfigRecord(Record(301, {2})), 0) << "took the first write's ack";
  EXPECT_LT(link.clock.Now(), 1800ms + 10ms);
}

TEST(SimTransactionTest, WriteConfigurationDeletesThenWrites) {
  SimLink link(WithConfig(TenRecords()));
  const TDataList records = {Record(201, {9, 9, 9}), Record(400, {1, 2})};
  ASSERT_TRUE(link.proto.WriteConfiguration({{202, 3}, {203, 3}}, records));
  TDataList want = TenRecords();
  want.erase(want.begin() + 1, want.begin() + 3);
  want[0] = records[0];
  want.push_back(records[1]);
  EXPECT_EQ(link.core.Configuration(), want);
  EXPECT_EQ(link.core.Counters().writes, 4);
  EXPECT_TRUE(link.shell.messages.empty());
}

TEST(SimTransactionTest, WriteConfigurationStopsAtARefusedRecord) {
  sim::SimOptions o = WithConfig(TenRecords());
  o.writeFaults.errorAt[3] = 103;  // the first record after two deletions
  SimLink link(o);
  EXPECT_FALSE(link.proto.WriteConfiguration({{202, 3}, {203, 3}},
                                             {Record(400, {1}), Record(401, {2})}));
  EXPECT_EQ(link.shell.Texts(), QStringList{"Authorization error"});
  EXPECT_EQ(link.core.Counters().writes, 3);
  EXPECT_EQ(link.core.Configuration().size(), 8u) << "the deletions stay done";
}

TEST(SimTransactionTest, UploadImage) {
  Bytes image(512, 0xFF);
  for (int i = 0; i < 257; ++i) image[i] = uint8_t(i * 3 + 1);
  struct Case {
    const char* name;
    int simType, linkType;
    std::function<void(sim::SimOptions&)> fault;
    bool ok;
    sim::ImageState state;
    QStringList messages;
  };
  const Case cases[] = {
      {"Ravok-12 sums", 12, 12, {}, true, sim::ImageState::Good, {}},
      {"Ravok-8 sums", 8, 8, {}, true, sim::ImageState::Good, {}},
      {"Ravok-12 tracker, Ravok-8 selected", 12, 8, {}, false, sim::ImageState::Receiving,
       {"Unknown message"}},
      {"block 1 unanswered", 0, 8, [](auto& o) { o.imageFaults.silentAt = 1; }, false,
       sim::ImageState::Receiving, {"Device not respond"}},
      {"end frame refused", 0, 8, [](auto& o) { o.imageFaults.errorAt[2] = 3; }, false,
       sim::ImageState::Receiving, {"Received error answer!"}},
  };
  for (const Case& c : cases) {
    sim::SimOptions o;
    o.deviceType = c.simType;
    if (c.fault) c.fault(o);
    SimLink link(o);
    link.proto.SetDeviceType(c.linkType);
    EXPECT_EQ(link.proto.UploadImage(257, image, 0), c.ok) << c.name;
    EXPECT_EQ(link.core.Image(), c.state) << c.name;
    EXPECT_EQ(link.shell.Texts(), c.messages) << c.name;
    if (c.ok) EXPECT_EQ(link.core.ImageBytes(), image) << c.name;
  }
}

TEST(SimTransactionTest, UploadImageWithAListNumberAndTerminate) {
  SimLink link;
  const Bytes keys(3000, 0x31);
  ASSERT_TRUE(link.proto.UploadImage(int(keys.size()), keys, 7));
  EXPECT_EQ(link.core.Image(), sim::ImageState::Good);
  EXPECT_EQ(link.core.ImageValue(), 7u);
  EXPECT_EQ(link.core.ImageBlocks(), 12);

  SimLink stopped;
  stopped.onTurn = [&] {
    if (stopped.core.Counters().answers == 3) stopped.shell.TerminateFlag = true;
  };
  EXPECT_FALSE(stopped.proto.UploadImage(int(keys.size()), keys, 7));
  EXPECT_EQ(stopped.shell.Texts(), QStringList{"Terminated!"});
  EXPECT_EQ(stopped.core.ImageBlocks(), 3);
  EXPECT_EQ(stopped.core.Image(), sim::ImageState::Receiving);
}

TEST(SimTransactionTest, ChatterDoesNotDisturbARead) {
  sim::SimOptions o;
  o.chatter = true;
  o.baud = 9600;  // the read takes long enough for a few diagnostic lines
  SimLink link(o);
  TDataList list;
  ASSERT_TRUE(link.proto.ReadConfiguration(list));
  EXPECT_EQ(list, link.core.Configuration());
  EXPECT_EQ(link.shell.log.size(), link.core.Counters().chatterLines);
  EXPECT_GT(link.shell.log.size(), 0);
}

}  // namespace
}  // namespace ravok
