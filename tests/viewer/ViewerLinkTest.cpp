// The viewer's requests, receiver and refresh against the in-process simulated tracker on a
// fake clock, and against hand-made frames for what the simulator never sends.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "locallink/DeviceError.h"
#include "tests/keylist/QtPrinters.h"
#include "tests/support/FakeShell.h"
#include "tools/trackersim/Catalogues.h"
#include "tools/trackersim/TrackerCore.h"
#include "viewer/ViewerLink.h"

namespace ravok::viewer {
namespace {

using Bytes = std::vector<uint8_t>;
using std::chrono::milliseconds;

// Requests go to the simulator, except the one numbered dropAt (counted from 1), which is
// lost on the line. Every frame written is kept.
class SimTransport : public FrameTransport {
 public:
  SimTransport(sim::TrackerCore& sim, const FakeClock& clock) : sim_(sim), clock_(clock) {}
  bool Write(const uint8_t* data, size_t n) override {
    written.emplace_back(data, data + n);
    if (dropAt != static_cast<int>(written.size())) sim_.Receive(data, n, clock_.Now());
    return true;
  }
  std::vector<Bytes> written;
  std::optional<int> dropAt;

 private:
  sim::TrackerCore& sim_;
  const FakeClock& clock_;
};

// The configuration values 1 to 7 of the read table.
TDataList ViewerConfig() {
  TDataList list;
  for (const char* line : {"Description=Truck 7", "APN=internet.fleet", "GprsLogin=user",
                           "GprsPasswd=secret", "PIN=1234", "ServerIp=10.1.2.3",
                           "ServerPort=9000"}) {
    TData rec;
    EXPECT_TRUE(sim::EncodeLine(line, rec)) << line;
    list.push_back(rec);
  }
  return list;
}

class ViewerLinkTest : public ::testing::Test {
 protected:
  void Start(sim::SimOptions opts) {
    sim_.emplace(std::move(opts));
    transport_.emplace(*sim_, clock_);
    link_.emplace(shell_, *transport_, clock_);
    link_->TimeOfDay = [] { return QStringLiteral("12:34:56.789"); };
    assembler_.emplace([this](const TBuffer& d, int len) { link_->FrameReceived(d, len); });
    shell_.onProcessMessages = [this] {
      clock_.Advance(milliseconds(1));
      const Bytes out = sim_->TakeOutput(clock_.Now());
      assembler_->Feed(out.data(), out.size());
    };
  }
  sim::SimOptions WithConfig(TDataList config) {
    sim::SimOptions opts;
    opts.config = std::move(config);
    return opts;
  }
  QStringList Refresh(bool expectComplete) {
    QStringList lines;
    EXPECT_EQ(link_->Refresh(TextLocale::Dot(), [&](const QString& l) { lines << l; }),
              expectComplete);
    return lines;
  }

  FakeClock clock_;
  test::FakeShell shell_;
  std::optional<sim::TrackerCore> sim_;
  std::optional<SimTransport> transport_;
  std::optional<ViewerLink> link_;
  std::optional<FrameAssembler> assembler_;
};

TEST_F(ViewerLinkTest, RefreshReadsAllThirtyValuesInTableOrder) {
  Start(WithConfig(ViewerConfig()));
  const QStringList lines = Refresh(true);
  ASSERT_EQ(lines.size(), kViewerValues);
  // Each kind goes to its decoder and its table: configuration lines, the viewer's status
  // names (CanStatus), live data without descriptions; values as the simulator holds them.
  const QStringList expected = {
      "Description=Truck 7", "APN=internet.fleet", "GprsLogin=user", "GprsPasswd=secret",
      "PIN=1234", "ServerIp=10.1.2.3", "ServerPort=9000", "RavokFirmware=10.001.042",
      "IMEI=356938035643809", "SimCCID=89371012345678901234", "GsmStatus=Connected",
      "GpsStatus=Running", "CanStatus=Running", "Can1RxFrames=1520", "Can2RxFrames=0",
      "JbusRxFrames=0", "D8RxFrames=0", "BlackBoxStatus=No errors", "NetworkCode=24701",
      "FixStatus=2", "AntStatus=1", "SignalLevel=24", "AnalogInput2=0.35", "AnalogInput3=0",
      "Power=12.6", "Battery=4.1", "RawDigital=0b00000101", "SatelitesUsed=9",
      "DateTime=26-12-11 12:00.00", "TagId=NULL"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(shell_.messages.empty());
  // State icons of GsmStatus, GpsStatus, CanStatus, BlackBoxStatus, FixStatus, AntStatus
  // and SignalLevel, keyed by table position.
  for (int p : {11, 12, 13, 18, 20, 21}) EXPECT_EQ(link_->IconOfRow(p), 1) << p;
  EXPECT_GT(link_->IconOfRow(22), 0);
  EXPECT_EQ(link_->ParametersIcon.size(), 7);
  EXPECT_EQ(link_->IconOfRow(1), 0);
}

TEST_F(ViewerLinkTest, RequestFrames) {
  Start(WithConfig(ViewerConfig()));
  link_->DataSeqNo = 255;
  TData rec;
  EXPECT_EQ(link_->ReadValue(ValueKind::Config, 2, 24, rec), 0);
  EXPECT_EQ(link_->ReadValue(ValueKind::Live, 55, 16, rec), 0);
  EXPECT_EQ(link_->ReadValue(ValueKind::Status, 41, 21, rec), 0);
  link_->SendIdentity();
  const std::vector<Bytes> expected = {
      {0x02, 0x0B, 0x00, 1, 1, 5, 0x0A, 0xFF, 0x28, 0x3C, 0x02, 0x00, 0x18, 0x00, 0xFE, 0x03},
      {0x02, 0x0B, 0x00, 1, 1, 5, 0x0A, 0x00, 0x28, 0x3D, 0x37, 0x00, 0x10, 0x00, 0x3D, 0x03},
      {0x02, 0x0B, 0x00, 1, 1, 5, 0x0A, 0x01, 0x28, 0x3E, 0x29, 0x00, 0x15, 0x00, 0x24, 0x03},
      {0x02, 0x07, 0x00, 1, 1, 5, 0x0A, 0x02, 0x28, 0x64, 0x41, 0x03},
  };
  EXPECT_EQ(transport_->written, expected);
  EXPECT_EQ(link_->DataSeqNo, 3);
}

TEST_F(ViewerLinkTest, NoAnswerAtValueEightEndsTheRefresh) {
  Start(WithConfig(ViewerConfig()));
  transport_->dropAt = 8;
  const Duration before = clock_.Now();
  const QStringList lines = Refresh(false);
  EXPECT_EQ(lines.size(), 7);
  EXPECT_EQ(lines.back(), "ServerPort=9000");
  EXPECT_TRUE(shell_.ShownOnce(kNoAnswerText));
  EXPECT_EQ(shell_.messages.size(), 1u);
  EXPECT_EQ(shell_.messages[0].kind, MsgKind::Error);
  EXPECT_EQ(transport_->written.size(), 8u);  // nothing is asked after the silence
  EXPECT_GE(clock_.Now() - before, kLocalTimeout);
}

TEST_F(ViewerLinkTest, ErrorAnswerAtValueTwoIsSkippedAndIconsKeepTablePositions) {
  TDataList config = ViewerConfig();
  config.erase(config.begin() + 1);  // no APN: the tracker answers "Parameter not exists"
  Start(WithConfig(config));
  const QStringList lines = Refresh(true);
  ASSERT_EQ(lines.size(), 29);
  EXPECT_EQ(lines[0], "Description=Truck 7");
  EXPECT_EQ(lines[1], "GprsLogin=user");
  EXPECT_TRUE(lines[9].startsWith("GsmStatus=")) << lines[9].toStdString();
  EXPECT_TRUE(shell_.messages.empty());
  // GsmStatus is row 10 of the list but keeps its icon under table position 11.
  EXPECT_EQ(link_->IconOfRow(11), 1);
  EXPECT_EQ(link_->IconOfRow(10), 0);
}

TEST_F(ViewerLinkTest, ReadResultsAndRecords) {
  Start(WithConfig(ViewerConfig()));
  struct Case {
    std::string name;
    ValueKind kind;
    uint16_t Pid, Len;
    uint8_t result;
    THeader header;  // of the record afterwards
  };
  const std::vector<Case> cases = {
      {"configuration", ValueKind::Config, 7, 2, 0, {7, 2}},
      {"configuration error: answer's header, zero data", ValueKind::Config, 99, 3,
       result::kParameterNotExists, {99, 3}},
      {"status error: record untouched", ValueKind::Status, 999, 1, result::kParameterNotExists,
       {0xAAAA, 1}},
      {"live error: record untouched", ValueKind::Live, 999, 1, result::kParameterNotExists,
       {0xAAAA, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TData rec;
    rec.Hdr = {0xAAAA, 1};
    rec.Data.fill(0x55);
    EXPECT_EQ(link_->ReadValue(c.kind, c.Pid, c.Len, rec), c.result);
    EXPECT_EQ(rec.Hdr, c.header);
    if (c.kind == ValueKind::Config && c.result != 0)
      EXPECT_EQ(Bytes(rec.Data.begin(), rec.Data.begin() + 4), (Bytes{0, 0, 0, 0x55}));
    if (c.result == 0) EXPECT_EQ(Bytes(rec.Data.begin(), rec.Data.begin() + 2), (Bytes{0x28, 0x23}));
  }
}

// Frames the simulator does not send: the receiver's rules one by one.
class ViewerReceiverTest : public ::testing::Test {
 protected:
  class NullTransport : public FrameTransport {
   public:
    bool Write(const uint8_t*, size_t) override { return true; }
  };
  ViewerReceiverTest() : link_(shell_, transport_, clock_) {
    link_.TimeOfDay = [] { return QStringLiteral("08:09:10.011"); };
  }
  void Deliver(const Bytes& frame) {
    TBuffer buf{};
    std::copy(frame.begin(), frame.end(), buf.begin());
    link_.FrameReceived(buf, static_cast<int>(frame.size()));
  }
  static Bytes Answer(Bytes tail) {
    Bytes p = {1, 1, 5, 0x14, 0x33};
    p.insert(p.end(), tail.begin(), tail.end());
    return BuildFrame(p);
  }
  FakeClock clock_;
  test::FakeShell shell_;
  NullTransport transport_;
  ViewerLink link_;
};

TEST_F(ViewerReceiverTest, AnswerTable) {
  Bytes badSum = Answer({0x0B, 0});
  badSum[badSum.size() - 2] ^= 1;
  Bytes manager = BuildFrame({1, 1, 5, 0x0A, 0, 0x0B, 0});
  struct Case {
    std::string name;
    Bytes frame;
    int waitFlag;
    QStringList log;
  };
  const std::vector<Case> cases = {
      {"acknowledgement", Answer({0x0B, 0}), wait::kAck, {}},
      {"diagnostic text, checksum not part of it", Answer({0x32, 'O', 'K'}), wait::kNone,
       {"08:09:10.011 OK"}},
      {"identity: logged up to the first 0, flag unchanged",
       Answer({0x28, 0x64, '3', '5', '6', '9', 0, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '1'}),
       wait::kNone, {"08:09:10.011 IMEI: 3569"}},
      {"identity of 16 characters, short frame reads zeros",
       Answer({0x28, 0x64, 'A', 'B'}), wait::kNone, {"08:09:10.011 IMEI: AB"}},
      {"status record", Answer({0x28, 0x3E, 3, 0, 1, 0, 9}), wait::kStatusRecord, {}},
      {"live record", Answer({0x28, 0x3D, 1, 0, 1, 0, 2}), wait::kLiveRecord, {}},
      {"configuration record", Answer({0x28, 0x3C, 7, 0, 2, 0, 0x28, 0x23}), wait::kConfigRecord, {}},
      {"record longer than its frame is dropped", Answer({0x28, 0x3C, 7, 0, 9, 0, 1}),
       wait::kNone, {}},
      {"record longer than 256 bytes is dropped", Answer({0x28, 0x3C, 7, 0, 0x01, 0x01, 1}),
       wait::kNone, {}},
      {"the manager's record answers are not the viewer's", Answer({0x28, 0x32, 7, 0, 1, 0, 1}),
       wait::kNone, {}},
      {"error answer", Answer({0x0C, 102, 2, 0, 24, 0}), wait::kError, {}},
      {"wrong checksum", badSum, wait::kNone, {}},
      {"frame from a manager", manager, wait::kNone, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    shell_.log.clear();
    link_.WaitFlag = wait::kNone;
    Deliver(c.frame);
    EXPECT_EQ(link_.WaitFlag, c.waitFlag);
    EXPECT_EQ(shell_.log, c.log);
  }
  Deliver(Answer({0x28, 0x3C, 7, 0, 2, 0, 0x28, 0x23}));
  EXPECT_EQ(link_.WorkingData.Hdr, (THeader{7, 2}));
  EXPECT_EQ(link_.WorkingData.Data[1], 0x23);
  Deliver(Answer({0x0C, 102, 2, 0, 24, 0}));
  EXPECT_EQ(link_.WorkingData.Hdr, (THeader{2, 24}));
  EXPECT_EQ(link_.WorkingData.Data[0], 102);
}

TEST_F(ViewerReceiverTest, WaitOutcomes) {
  struct Case {
    std::string name;
    std::optional<Bytes> answer;  // delivered while the request waits
    uint8_t result;
  };
  const std::vector<Case> cases = {
      {"nothing within the time-out", std::nullopt, result::kDeviceNotRespond},
      {"an answer of another kind", Answer({0x28, 0x3D, 1, 0, 1, 0, 2}), result::kDeviceNotRespond},
      {"an acknowledgement", Answer({0x0B, 0}), result::kDeviceNotRespond},
      {"error answer with its code", Answer({0x0C, 101, 0, 0, 0, 0}), 101},
      {"error answer with code 0 is still an error", Answer({0x0C, 0, 0, 0, 0, 0}),
       result::kErrorAnswer},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int pumps = 0;
    shell_.onProcessMessages = [&] {
      clock_.Advance(milliseconds(10));
      if (++pumps == 3 && c.answer) Deliver(*c.answer);
    };
    const Duration start = clock_.Now();
    TData rec;
    EXPECT_EQ(link_.ReadValue(ValueKind::Status, 3, 1, rec), c.result);
    if (!c.answer) {
      EXPECT_GE(clock_.Now() - start, kLocalTimeout);
      EXPECT_LT(clock_.Now() - start, kLocalTimeout + milliseconds(20));
    }
  }
}

}  // namespace
}  // namespace ravok::viewer
