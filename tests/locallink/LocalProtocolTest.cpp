// The frame protocol against a scripted tracker on a fake clock: every request's bytes, the
// receiver over hand-made answer frames, the waiting rule and the transactions.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "locallink/LocalProtocol.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

Bytes Hex(const std::string& text) {
  std::istringstream in(text);
  Bytes out;
  std::string byte;
  while (in >> byte) out.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  return out;
}

// An answer frame from the tracker: 1, 1, 5, 0x14, sequence 0, then the bytes.
Bytes Answer(Bytes body) {
  Bytes payload = {1, 1, 5, 0x14, 0};
  payload.insert(payload.end(), body.begin(), body.end());
  return BuildFrame(payload);
}
Bytes Ack() { return Answer({0x0B}); }
Bytes ErrorAnswer(uint8_t code, uint16_t pid, uint16_t len) {
  return Answer({0x0C, code, uint8_t(pid), uint8_t(pid >> 8), uint8_t(len), uint8_t(len >> 8)});
}
Bytes RecordAnswer(uint8_t sub, const TData& r) {
  Bytes body = {0x28, sub, uint8_t(r.Hdr.Pid), uint8_t(r.Hdr.Pid >> 8), uint8_t(r.Hdr.Len),
                uint8_t(r.Hdr.Len >> 8)};
  body.insert(body.end(), r.Data.begin(), r.Data.begin() + r.Hdr.Len);
  return Answer(body);
}

TData Record(uint16_t pid, Bytes data) {
  TData r;
  r.Hdr = {pid, static_cast<uint16_t>(data.size())};
  std::copy(data.begin(), data.end(), r.Data.begin());
  return r;
}
TData CountRecord(int n) { return Record(0, {uint8_t(n), uint8_t(n >> 8)}); }

// Payload field of a request frame.
int Command(const Bytes& f) { return f[8]; }
int Sub(const Bytes& f) { return f[9]; }
int Index(const Bytes& f) { return f[10] | (f[11] << 8); }

// A scripted tracker: every request frame goes to `script`, which returns the answers to
// send and how long after the request each one arrives. The fake clock moves 1 ms per turn
// of the main loop, and due answers are delivered through a frame assembler.
struct Bench : FrameTransport {
  struct Reply {
    Bytes frame;
    Duration after = 1ms;
  };
  test::FakeShell shell;
  FakeClock clock;
  LocalProtocol proto{shell, *this, clock};
  std::vector<Bytes> sent;
  std::function<std::vector<Reply>(const Bytes& request, int number)> script;
  std::function<void()> onTurn;  // extra work per main-loop turn

  Bench() {
    shell.onProcessMessages = [this] {
      clock.Advance(1ms);
      while (!queue.empty() && queue.front().due <= clock.Now()) {
        Bytes f = std::move(queue.front().frame);
        queue.pop_front();
        assembler.Feed(f.data(), f.size());
      }
      if (onTurn) onTurn();
    };
  }
  bool Write(const uint8_t* data, size_t n) override {
    sent.emplace_back(data, data + n);
    if (script)
      for (auto& r : script(sent.back(), static_cast<int>(sent.size())))
        Schedule(std::move(r.frame), r.after);
    return true;
  }
  void Schedule(Bytes f, Duration after) {
    const Duration due = clock.Now() + after;
    auto it = queue.begin();
    while (it != queue.end() && it->due <= due) ++it;
    queue.insert(it, {std::move(f), due});
  }

  // A tracker holding `records` for reads of subcommand `sub`, with a fault hook by index.
  void ServeTable(uint8_t sub, TDataList records,
                  std::function<std::vector<Reply>(int index)> fault = {}) {
    script = [=](const Bytes& req, int) -> std::vector<Reply> {
      if (Command(req) != 0x28 || Sub(req) != sub) return {{Ack()}};
      const int i = Index(req);
      if (fault && i > 0)
        if (auto f = fault(i); !f.empty()) return f[0].frame.empty() ? std::vector<Reply>{} : f;
      if (i == 0) return {{RecordAnswer(sub, CountRecord(int(records.size())))}};
      if (i > int(records.size())) return {{ErrorAnswer(101, 0, 0)}};
      return {{RecordAnswer(sub, records[i - 1])}};
    };
  }

 private:
  struct Due {
    Bytes frame;
    Duration due;
  };
  std::deque<Due> queue;
  FrameAssembler assembler{[this](const TBuffer& d, int len) { proto.FrameReceived(d, len); }};
};

std::vector<Bench::Reply> Silence() { return {{Bytes{}}}; }

TDataList SampleRecords(int n) {
  TDataList list;
  for (int i = 1; i <= n; ++i) list.push_back(Record(uint16_t(100 + i), {uint8_t(i), 0xA5}));
  return list;
}

// ---- requests ---------------------------------------------------------------------------

TEST(LocalRequestTest, ExactBytes) {
  Bench b;  // nobody answers; the requests time out
  b.proto.DataSeqNo = 0x10;
  TData rec;
  QString text;
  b.proto.ReadConfigRecord(0x0102, rec);
  b.proto.ReadLiveRecord(3, rec);
  b.proto.ReadStatusRecord(4, rec);
  b.proto.ReadDeviceIdent(text);
  b.proto.RequestDebugLines();
  b.proto.WriteConfigRecord(Record(7, {0x34, 0x12}));
  b.proto.WriteConfigRecord(MakeDeleteRecord({7, 2}));
  b.proto.SetDeviceType(8);
  b.proto.FinishImageSums({1, 2, 3, 4, 5, 6});
  b.proto.FinishImageValue({1, 2, 3, 4, 5, 6});
  b.proto.SendTextCommand("ABCDEFGHIJKLMNOPQRST", false);  // cut to 15 characters
  b.proto.SendTextCommand("1234", true);
  const char* expected[] = {
      "02 09 00 01 01 05 0A 10 28 32 02 01 06 03",
      "02 09 00 01 01 05 0A 11 28 33 03 00 06 03",
      "02 09 00 01 01 05 0A 12 28 34 04 00 05 03",
      "02 07 00 01 01 05 0A 13 28 64 50 03",
      "02 07 00 01 01 05 0A 14 28 65 56 03",
      "02 0D 00 01 01 05 0A 15 3C 32 07 00 02 00 34 12 37 03",
      "02 0F 00 01 01 05 0A 16 3C 32 FF FF 04 00 07 00 02 00 16 03",
      "02 0D 00 01 01 05 0A 17 41 36 01 02 03 04 05 06 68 03",
      "02 0D 00 01 01 05 0A 18 41 37 01 02 03 04 05 06 66 03",
      "02 17 00 01 01 05 0A 19 1E 32 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 00 7A 03",
      "02 17 00 01 01 05 0A 1A 1E 33 31 32 33 34 00 00 00 00 00 00 00 00 00 00 00 00 3C 03",
  };
  ASSERT_EQ(b.sent.size(), std::size(expected));
  for (size_t i = 0; i < b.sent.size(); ++i) EXPECT_EQ(b.sent[i], Hex(expected[i])) << i;
}

TEST(LocalRequestTest, ImageEndSubcommandFollowsDeviceType) {
  struct Case {
    int type;
    int sums, value;
  };
  for (Case c : {Case{4, 0x36, 0x37}, Case{8, 0x36, 0x37}, Case{10, 0x3A, 0x3B},
                 Case{11, 0x36, 0x37}, Case{12, 0x3A, 0x3B}, Case{13, 0x36, 0x37}}) {
    Bench b;
    b.proto.SetDeviceType(c.type);
    b.proto.FinishImageSums({});
    b.proto.FinishImageValue({});
    EXPECT_EQ(Sub(b.sent[0]), c.sums) << c.type;
    EXPECT_EQ(Sub(b.sent[1]), c.value) << c.type;
  }
  Bench b;
  b.proto.SetDeviceType(12);
  b.proto.SetDeviceType(3);  // out of range: ignored
  EXPECT_EQ(b.proto.DeviceType(), 12);
}

TEST(LocalRequestTest, ImageBlocksCountInGroupsOf248) {
  Bench b;
  std::array<uint8_t, 256> bytes;
  for (int i = 0; i < 256; ++i) bytes[i] = uint8_t(i);
  for (uint16_t n : {0, 247, 248, 500}) b.proto.SendImageBlock(n, bytes);
  struct Expect {
    int index, sub;
  };
  const Expect expected[] = {{1, 0x32}, {248, 0x32}, {1, 0x33}, {5, 0x34}};
  for (size_t i = 0; i < 4; ++i) {
    const Bytes& f = b.sent[i];
    ASSERT_EQ(f.size(), 268u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 10),
              (Bytes{0x02, 0x07, 0x01, 248, uint8_t(expected[i].index), 5, 0x0A, uint8_t(i),
                     0x41, uint8_t(expected[i].sub)}));
    EXPECT_EQ(Bytes(f.begin() + 10, f.begin() + 266), Bytes(bytes.begin(), bytes.end()));
    EXPECT_EQ(XorOf(f.data() + 3, 264), 0) << "checksum of block " << i;
    EXPECT_EQ(f.back(), 0x03);
  }
}

TEST(LocalRequestTest, SequenceNumberWrapsFrom255To0) {
  Bench b;
  b.script = [](const Bytes&, int) -> std::vector<Bench::Reply> { return {{Ack()}}; };
  b.proto.DataSeqNo = 254;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(b.proto.WriteConfigRecord(Record(1, {})), 0);
  ASSERT_EQ(b.sent.size(), 3u);
  EXPECT_EQ(b.sent[0][7], 254);
  EXPECT_EQ(b.sent[1][7], 255);
  EXPECT_EQ(b.sent[2][7], 0);
  EXPECT_EQ(b.proto.DataSeqNo, 1);
}

// ---- receiver ---------------------------------------------------------------------------

TEST(LocalReceiverTest, Answers) {
  struct Case {
    const char* name;
    const char* frame;
    int waitFlag;
    THeader hdr;       // expected WorkingData header
    Bytes data;        // expected first WorkingData bytes
    QStringList log;
  };
  const TData before = Record(0xEEEE, Bytes(20, 0xEE));
  const Case cases[] = {
      {"ack", "02 06 00 01 01 05 14 00 0B 1A 03", 1, before.Hdr, Bytes(20, 0xEE), {}},
      {"error answer", "02 0B 00 01 01 05 14 00 0C 66 07 00 02 00 7E 03", 2, {7, 2},
       {102, 0xEE}, {}},
      {"configuration record", "02 0E 00 01 01 05 14 00 28 32 01 00 03 00 56 61 00 3E 03", 3,
       {1, 3}, {'V', 'a', 0, 0xEE}, {}},
      {"live record", "02 0D 00 01 01 05 14 00 28 33 10 00 02 00 34 12 3E 03", 4, {0x10, 2},
       {0x34, 0x12, 0xEE}, {}},
      {"status record", "02 0C 00 01 01 05 14 00 28 34 20 00 01 00 09 25 03", 5, {0x20, 1},
       {0x09, 0xEE}, {}},
      {"identity",
       "02 17 00 01 01 05 14 00 28 64 33 35 36 39 33 38 30 33 35 36 34 33 38 30 39 00 69 03", 7,
       before.Hdr, {'3', '5', '6', '9', '3', '8', '0', '3', '5', '6', '4', '3', '8', '0', '9', 0,
                    0xEE}, {}},
      {"identity shorter than 16 bytes", "02 09 00 01 01 05 14 00 28 64 34 32 5B 03", 7,
       before.Hdr, {'4', '2', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEE}, {}},
      {"diagnostic lines", "02 0D 00 01 01 05 14 00 28 65 41 42 0A 0A 43 44 58 03", 6,
       before.Hdr, Bytes(20, 0xEE), {"AB", "", "CD"}},
      {"diagnostic lines ending in a line feed", "02 09 00 01 01 05 14 00 28 65 58 0A 0E 03", 6,
       before.Hdr, Bytes(20, 0xEE), {"X"}},
      {"error answer without its header bytes", "02 07 00 01 01 05 14 00 0C 65 78 03", 2, {0, 0},
       {101, 0xEE}, {}},
      // Ignored frames leave everything as it was.
      {"bad checksum", "02 06 00 01 01 05 14 00 0B 1B 03", 0, before.Hdr, Bytes(20, 0xEE), {}},
      {"origin of a request", "02 06 00 01 01 05 0A 00 0B 04 03", 0, before.Hdr,
       Bytes(20, 0xEE), {}},
      {"group byte not 1", "02 06 00 02 01 05 14 00 0B 19 03", 0, before.Hdr, Bytes(20, 0xEE),
       {}},
      {"unknown command", "02 07 00 01 01 05 14 00 29 32 0A 03", 0, before.Hdr, Bytes(20, 0xEE),
       {}},
      {"unknown read subcommand", "02 07 00 01 01 05 14 00 28 40 79 03", 0, before.Hdr,
       Bytes(20, 0xEE), {}},
      {"record longer than its frame",
       "02 0F 00 01 01 05 14 00 28 32 01 00 14 00 01 02 03 04 1A 03", 0, before.Hdr,
       Bytes(20, 0xEE), {}},
      {"record without its header", "02 09 00 01 01 05 14 00 28 32 01 00 0A 03", 0, before.Hdr,
       Bytes(20, 0xEE), {}},
  };
  for (const Case& c : cases) {
    Bench b;
    b.proto.WorkingData = before;
    const Bytes f = Hex(c.frame);
    // The rest of the buffer holds stale bytes that must never be read.
    TBuffer buf;
    buf.fill(0xEE);
    std::copy(f.begin(), f.end(), buf.begin());
    b.proto.FrameReceived(buf, int(f.size()));
    EXPECT_EQ(b.proto.WaitFlag, c.waitFlag) << c.name;
    EXPECT_EQ(b.proto.WorkingData.Hdr, c.hdr) << c.name;
    EXPECT_EQ(Bytes(b.proto.WorkingData.Data.begin(),
                    b.proto.WorkingData.Data.begin() + c.data.size()), c.data) << c.name;
    EXPECT_EQ(b.shell.log, c.log) << c.name;
  }
}

TEST(LocalReceiverTest, DiagnosticTextIsLoggedWithTimeOfDay) {
  Bench b;
  const Bytes f = Hex("02 08 00 01 01 05 14 07 32 4F 4B 20 03");
  TBuffer buf{};
  std::copy(f.begin(), f.end(), buf.begin());
  b.proto.FrameReceived(buf, int(f.size()));
  EXPECT_EQ(b.proto.WaitFlag, 0);
  ASSERT_EQ(b.shell.log.size(), 1);
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d OK$").match(b.shell.log[0]).hasMatch())
      << b.shell.log[0].toStdString();
}

TEST(LocalReceiverTest, RecordLengthsAreClampedToRecordAndFrame) {
  // A 507-byte payload claiming 300 data bytes: more than a record holds.
  Bytes body = {0x28, 0x32, 0x01, 0x00, 0x2C, 0x01};
  body.resize(507 - 5, 0x41);
  Bench b;
  const Bytes f = Answer(body);
  ASSERT_EQ(f.size(), 512u);
  TBuffer buf;
  std::copy(f.begin(), f.end(), buf.begin());
  b.proto.FrameReceived(buf, 512);
  EXPECT_EQ(b.proto.WaitFlag, 0);
  EXPECT_EQ(b.proto.WorkingData, TData{});

  // 256 data bytes, the most a record holds, are taken.
  Bytes full = {0x28, 0x32, 0x01, 0x00, 0x00, 0x01};
  full.resize(6 + 256, 0x42);
  const Bytes g = Answer(full);
  std::copy(g.begin(), g.end(), buf.begin());
  b.proto.FrameReceived(buf, int(g.size()));
  EXPECT_EQ(b.proto.WaitFlag, 3);
  EXPECT_EQ(b.proto.WorkingData.Hdr.Len, 256);
  EXPECT_EQ(b.proto.WorkingData.Data[255], 0x42);
}

// ---- waiting rule -----------------------------------------------------------------------

TEST(LocalWaitTest, FirstAnswerOfAnyKindEndsTheWait) {
  struct Case {
    const char* name;
    Bytes answer;
    int result;
  };
  const Case cases[] = {
      {"awaited record", RecordAnswer(0x32, Record(9, {1})), 0},
      {"acknowledgement instead of a record", Ack(), 255},
      {"live record instead of a configuration record", RecordAnswer(0x33, Record(9, {1})), 255},
      {"error answer", ErrorAnswer(102, 9, 1), 102},
      {"error answer with code 0", ErrorAnswer(0, 9, 1), 3},
  };
  for (const Case& c : cases) {
    Bench b;
    b.script = [&](const Bytes&, int) -> std::vector<Bench::Reply> { return {{c.answer, 5ms}}; };
    TData rec;
    EXPECT_EQ(b.proto.ReadConfigRecord(1, rec), c.result) << c.name;
    EXPECT_LT(b.clock.Now(), 10ms) << c.name << ": the wait ended at the first answer";
  }
}

TEST(LocalWaitTest, DiagnosticTextDoesNotEndTheWait) {
  Bench b;
  b.script = [](const Bytes&, int) -> std::vector<Bench::Reply> {
    return {{Answer({0x32, 'h', 'i'}), 1ms}, {Ack(), 100ms}};
  };
  EXPECT_EQ(b.proto.WriteConfigRecord(Record(1, {})), 0);
  EXPECT_GE(b.clock.Now(), 100ms);
  EXPECT_EQ(b.shell.log.size(), 1);
}

TEST(LocalWaitTest, TimeoutsOnTheClock) {
  struct Case {
    const char* name;
    std::function<uint8_t(LocalProtocol&)> request;
    Duration timeout;
  };
  const Case cases[] = {
      {"record read", [](LocalProtocol& p) { TData r; return p.ReadConfigRecord(1, r); },
       kLocalTimeout},
      {"write", [](LocalProtocol& p) { return p.WriteConfigRecord(Record(1, {})); },
       kLocalTimeout},
      {"image end", [](LocalProtocol& p) { return p.FinishImageSums({}); }, kLocalLongTimeout},
  };
  for (const Case& c : cases) {
    // Answered just before the time-out: taken.
    Bench early;
    early.script = [&](const Bytes& req, int) -> std::vector<Bench::Reply> {
      return {{Command(req) == 0x28 ? RecordAnswer(0x32, Record(1, {})) : Ack(),
               c.timeout - 2ms}};
    };
    EXPECT_EQ(c.request(early.proto), 0) << c.name;
    // No answer: 255 once the time-out has passed, not before.
    Bench silent;
    EXPECT_EQ(c.request(silent.proto), 255) << c.name;
    EXPECT_GE(silent.clock.Now(), c.timeout) << c.name;
    EXPECT_LE(silent.clock.Now(), c.timeout + 1ms) << c.name;
  }
}

TEST(LocalWaitTest, LateAcknowledgementIsTakenByTheNextRequest) {
  Bench b;
  // The first write is acknowledged after 2 s; the second is never answered.
  b.script = [](const Bytes&, int n) -> std::vector<Bench::Reply> {
    if (n == 1) return {{Ack(), 2000ms}};
    return {};
  };
  EXPECT_EQ(b.proto.WriteConfigRecord(Record(1, {})), 255);
  EXPECT_EQ(b.proto.WriteConfigRecord(Record(2, {})), 0);
  EXPECT_LT(b.clock.Now(), 2100ms);
}

TEST(LocalWaitTest, LateAnswerBeforeTheNextRequestIsForgotten) {
  Bench b;
  b.script = [](const Bytes&, int n) -> std::vector<Bench::Reply> {
    if (n == 1) return {{Ack(), 1800ms}};
    return {};
  };
  EXPECT_EQ(b.proto.WriteConfigRecord(Record(1, {})), 255);
  for (int i = 0; i < 200; ++i) b.shell.ProcessMessages();  // the ack arrives meanwhile
  EXPECT_EQ(b.proto.WaitFlag, 1);
  EXPECT_EQ(b.proto.WriteConfigRecord(Record(2, {})), 255);  // building it reset WaitFlag
}

// ---- single-request results -------------------------------------------------------------

TEST(LocalRequestTest, RecordOutputs) {
  Bench b;
  const TData stored = Record(42, {1, 2, 3});
  b.script = [&](const Bytes& req, int) -> std::vector<Bench::Reply> {
    if (Index(req) == 1) return {{RecordAnswer(uint8_t(Sub(req)), stored)}};
    return {{ErrorAnswer(102, 77, 4)}};
  };
  TData rec = Record(1, Bytes(8, 0x99));
  EXPECT_EQ(b.proto.ReadConfigRecord(1, rec), 0);
  EXPECT_EQ(rec.Hdr, stored.Hdr);
  EXPECT_EQ(Bytes(rec.Data.begin(), rec.Data.begin() + 8), (Bytes{1, 2, 3, 0x99, 0x99, 0x99, 0x99, 0x99}));

  // An error answer to a configuration read names the parameter, with zero data.
  rec = Record(1, Bytes(8, 0x99));
  EXPECT_EQ(b.proto.ReadConfigRecord(2, rec), 102);
  EXPECT_EQ(rec.Hdr, (THeader{77, 4}));
  EXPECT_EQ(Bytes(rec.Data.begin(), rec.Data.begin() + 8), (Bytes{0, 0, 0, 0, 0x99, 0x99, 0x99, 0x99}));

  // Live and status reads leave the record alone on an error.
  for (auto read : {&LocalProtocol::ReadLiveRecord, &LocalProtocol::ReadStatusRecord}) {
    rec = Record(1, {5});
    EXPECT_EQ((b.proto.*read)(2, rec), 102);
    EXPECT_EQ(rec, Record(1, {5}));
  }
}

TEST(LocalRequestTest, IdentityAndDebugLines) {
  Bench b;
  b.script = [](const Bytes& req, int) -> std::vector<Bench::Reply> {
    if (Sub(req) == 0x64) return {{Hex("02 17 00 01 01 05 14 00 28 64 33 35 36 39 33 38 30 33 35 36 34 33 38 30 39 00 69 03")}};
    return {{Answer({0x28, 0x65, 'G', 'S', 'M', ' ', 'o', 'k', 0x0A, 'G', 'P', 'S'})}};
  };
  QString ident = "old";
  EXPECT_EQ(b.proto.ReadDeviceIdent(ident), 0);
  EXPECT_EQ(ident, "356938035643809");
  EXPECT_EQ(b.proto.RequestDebugLines(), 0);
  EXPECT_EQ(b.shell.log, QStringList({"GSM ok", "GPS"}));

  Bench silent;
  ident = "old";
  EXPECT_EQ(silent.proto.ReadDeviceIdent(ident), 255);
  EXPECT_EQ(ident, "old");
}

// ---- transactions -----------------------------------------------------------------------

TEST(LocalTransactionTest, ReadConfiguration) {
  const TDataList records = SampleRecords(10);
  struct Case {
    const char* name;
    int count;
    std::function<std::vector<Bench::Reply>(int)> fault;
    bool ok;
    int listed;
    QStringList messages;
  };
  const Case cases[] = {
      {"all records", 10, {}, true, 10, {}},
      {"count 0", 0, {}, true, 0, {}},
      {"error answer at 5 of 10", 10,
       [](int i) -> std::vector<Bench::Reply> {
         if (i == 5) return {{ErrorAnswer(102, 105, 2)}};
         return {};
       },
       false, 10, {"Parameter not exists"}},
      {"two error answers: the last is shown", 10,
       [](int i) -> std::vector<Bench::Reply> {
         if (i == 3) return {{ErrorAnswer(102, 103, 2)}};
         if (i == 7) return {{ErrorAnswer(103, 107, 2)}};
         return {};
       },
       false, 10, {"Authorization error"}},
      {"no answer at 5", 10,
       [](int i) { return i == 5 ? Silence() : std::vector<Bench::Reply>{}; }, false, 4,
       {"Device not respond"}},
      {"bad checksum at 5", 10,
       [](int i) -> std::vector<Bench::Reply> {
         if (i != 5) return {};
         Bytes f = RecordAnswer(0x32, Record(105, {5, 0xA5}));
         f[f.size() - 2] ^= 1;
         return {{f}};
       },
       false, 4, {"Device not respond"}},
  };
  for (const Case& c : cases) {
    Bench b;
    b.ServeTable(0x32, TDataList(records.begin(), records.begin() + c.count), c.fault);
    TDataList list = {Record(1, {1})};  // cleared first
    EXPECT_EQ(b.proto.ReadConfiguration(list), c.ok) << c.name;
    EXPECT_EQ(b.shell.Texts(), c.messages) << c.name;
    ASSERT_EQ(int(list.size()), c.listed) << c.name;
    for (int i = 0; i < c.listed; ++i) {
      TData want = records[i];
      if (c.fault && !c.fault(i + 1).empty()) want.Data = {};  // error answer: zero data
      EXPECT_EQ(list[i], want) << c.name << " record " << i + 1;
    }
    EXPECT_EQ(b.shell.ProgressText(), "0") << c.name;
  }
}

TEST(LocalTransactionTest, ReadConfigurationProgressGrowsThenResets) {
  Bench b;
  b.ServeTable(0x32, SampleRecords(3));
  TDataList list;
  ASSERT_TRUE(b.proto.ReadConfiguration(list));
  EXPECT_EQ(b.shell.progressHistory, QStringList({"33", "66", "100", "0"}));
}

TEST(LocalTransactionTest, ReadConfigurationFailsAtTheCount) {
  for (auto [fault, message] : {std::pair{ErrorAnswer(103, 0, 0), "Authorization error"},
                                std::pair{Bytes{}, "Device not respond"}}) {
    Bench b;
    b.script = [&](const Bytes&, int) -> std::vector<Bench::Reply> {
      if (fault.empty()) return {};
      return {{fault}};
    };
    TDataList list;
    EXPECT_FALSE(b.proto.ReadConfiguration(list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(b.shell.Texts(), QStringList{message});
    EXPECT_EQ(b.sent.size(), 1u);
  }
}

TEST(LocalTransactionTest, LiveDataAndStatusStopAtTheFirstFailure) {
  using Read = bool (LocalProtocol::*)(TDataList&);
  const std::pair<Read, uint8_t> kinds[] = {{&LocalProtocol::ReadLiveData, 0x33},
                                            {&LocalProtocol::ReadStatus, 0x34}};
  for (auto [read, sub] : kinds) {
    const TDataList records = SampleRecords(5);
    Bench ok;
    ok.ServeTable(sub, records);
    TDataList list;
    EXPECT_TRUE((ok.proto.*read)(list));
    EXPECT_EQ(list, records);
    EXPECT_TRUE(ok.shell.messages.empty());

    Bench bad;
    bad.ServeTable(sub, records, [](int i) -> std::vector<Bench::Reply> {
      if (i == 3) return {{ErrorAnswer(101, 0, 0)}};
      return {};
    });
    EXPECT_FALSE((bad.proto.*read)(list));
    EXPECT_EQ(list, TDataList(records.begin(), records.begin() + 2));
    EXPECT_EQ(bad.shell.Texts(), QStringList{"Index out of range"});
    EXPECT_EQ(bad.sent.size(), 4u) << "no request after the failure";
  }
}

TEST(LocalTransactionTest, WriteConfigurationSendsDeletionsFirst) {
  Bench b;
  b.script = [](const Bytes&, int) -> std::vector<Bench::Reply> { return {{Ack()}}; };
  const TDataList records = SampleRecords(3);
  ASSERT_TRUE(b.proto.WriteConfiguration({{7, 2}, {8, 4}}, records));
  ASSERT_EQ(b.sent.size(), 5u);
  auto recordOf = [](const Bytes& f) {
    TData r;
    r.Hdr = {uint16_t(f[10] | f[11] << 8), uint16_t(f[12] | f[13] << 8)};
    std::copy(f.begin() + 14, f.end() - 2, r.Data.begin());
    return r;
  };
  EXPECT_EQ(recordOf(b.sent[0]), MakeDeleteRecord({7, 2}));
  EXPECT_EQ(recordOf(b.sent[1]), MakeDeleteRecord({8, 4}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(recordOf(b.sent[2 + i]), records[i]);
  EXPECT_EQ(b.shell.progressHistory, QStringList({"20", "40", "60", "80", "100", "0"}));
  EXPECT_TRUE(b.shell.messages.empty());
}

TEST(LocalTransactionTest, WriteConfigurationStopsAtTheFirstFailure) {
  struct Case {
    const char* name;
    int failAt;  // request number
    Bytes answer;
    size_t sent;
    QString message;
  };
  const Case cases[] = {
      {"deletion refused", 2, ErrorAnswer(102, 0, 0), 2, "Parameter not exists"},
      {"record unanswered", 4, {}, 4, "Device not respond"},
      {"record refused", 5, ErrorAnswer(103, 0, 0), 5, "Authorization error"},
  };
  for (const Case& c : cases) {
    Bench b;
    b.script = [&](const Bytes&, int n) -> std::vector<Bench::Reply> {
      if (n != c.failAt) return {{Ack()}};
      if (c.answer.empty()) return {};
      return {{c.answer}};
    };
    EXPECT_FALSE(b.proto.WriteConfiguration({{7, 2}, {8, 4}}, SampleRecords(3))) << c.name;
    EXPECT_EQ(b.sent.size(), c.sent) << c.name;
    EXPECT_EQ(b.shell.Texts(), QStringList{c.message}) << c.name;
  }
}

// A tracker that acknowledges every image frame and keeps the blocks and the end frame.
struct ImageTracker {
  std::vector<Bytes> blocks;
  Bytes end;
  int endSub = 0;
  std::vector<Bench::Reply> operator()(const Bytes& req, int) {
    if (req.size() == 268) blocks.emplace_back(req.begin() + 10, req.end() - 2);
    else if (Command(req) == 0x41) {
      endSub = Sub(req);
      end.assign(req.begin() + 10, req.end() - 2);
    }
    return {{Ack()}};
  }
};

TEST(LocalTransactionTest, UploadImageOf257BytesSendsTwoBlocksAndTheSums) {
  for (auto [type, sub] : {std::pair{12, 0x3A}, std::pair{8, 0x36}}) {
    Bench b;
    ImageTracker t;
    b.script = std::ref(t);
    b.proto.SetDeviceType(type);
    Bytes image(512, 0xFF);  // the loaders fill the rest of their buffer with 0xFF
    for (int i = 0; i < 257; ++i) image[i] = uint8_t(i * 7);
    ASSERT_TRUE(b.proto.UploadImage(257, image, 0));
    ASSERT_EQ(t.blocks.size(), 2u);
    EXPECT_EQ(t.blocks[0], Bytes(image.begin(), image.begin() + 256));
    EXPECT_EQ(t.blocks[1], Bytes(image.begin() + 256, image.end()));
    uint16_t s1 = 0, s2 = 0;
    for (uint8_t x : image) s1 += x, s2 += s1;
    EXPECT_EQ(t.endSub, sub);
    EXPECT_EQ(t.end, (Bytes{2, 0, uint8_t(s1), uint8_t(s1 >> 8), uint8_t(s2), uint8_t(s2 >> 8)}));
    EXPECT_EQ(b.shell.progressHistory, QStringList({"33", "66", "100", "0"}));
    EXPECT_EQ(b.proto.Progress().StatusMax2nd, 0);
    EXPECT_TRUE(b.shell.messages.empty());
  }
}

TEST(LocalTransactionTest, UploadImageWithValueAndShortBuffer) {
  Bench b;
  ImageTracker t;
  b.script = std::ref(t);
  b.proto.SetDeviceType(10);
  const Bytes image = {1, 2, 3};  // shorter than its block: the rest goes out as 0xFF
  ASSERT_TRUE(b.proto.UploadImage(3, image, 0x0A0B0C0D));
  ASSERT_EQ(t.blocks.size(), 1u);
  Bytes want(256, 0xFF);
  want[0] = 1, want[1] = 2, want[2] = 3;
  EXPECT_EQ(t.blocks[0], want);
  EXPECT_EQ(t.endSub, 0x3B);
  EXPECT_EQ(t.end, (Bytes{1, 0, 0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(LocalTransactionTest, UploadImageFailures) {
  struct Case {
    const char* name;
    std::function<std::vector<Bench::Reply>(int n)> answer;  // by request number
    bool terminateAfterFirstBlock;
    size_t sent;
    QString message;
  };
  const Case cases[] = {
      {"block refused", [](int n) -> std::vector<Bench::Reply> {
         if (n == 2) return {{ErrorAnswer(3, 0, 0)}};
         return {{Ack()}};
       }, false, 2, "Received error answer!"},
      {"block unanswered", [](int n) -> std::vector<Bench::Reply> {
         if (n == 3) return {};
         return {{Ack()}};
       }, false, 3, "Device not respond"},
      {"end frame refused", [](int n) -> std::vector<Bench::Reply> {
         if (n == 5) return {{ErrorAnswer(3, 0, 0)}};
         return {{Ack()}};
       }, false, 5, "Received error answer!"},
      {"end frame answered after 3 s is in time", [](int n) -> std::vector<Bench::Reply> {
         return {{Ack(), n == 5 ? 3000ms : 1ms}};
       }, false, 5, ""},
      {"Terminate after a good block", [](int) -> std::vector<Bench::Reply> {
         return {{Ack(), 10ms}};
       }, true, 1, "Terminated!"},
  };
  for (const Case& c : cases) {
    Bench b;
    b.script = [&](const Bytes&, int n) { return c.answer(n); };
    if (c.terminateAfterFirstBlock)
      b.onTurn = [&] { if (b.clock.Now() >= 5ms) b.shell.TerminateFlag = true; };
    b.shell.TerminateFlag = true;  // left from an earlier operation: cleared at the start
    const Bytes image(4 * 256, 0x5A);
    const bool ok = b.proto.UploadImage(int(image.size()), image, 0);
    EXPECT_EQ(ok, c.message.isEmpty()) << c.name;
    EXPECT_EQ(b.sent.size(), c.sent) << c.name;
    EXPECT_EQ(b.shell.Texts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message})
        << c.name;
    EXPECT_EQ(b.shell.ProgressText(), "0") << c.name;
    EXPECT_EQ(b.proto.Progress().StatusMax2nd, 0) << c.name;
  }
}

}  // namespace
}  // namespace ravok
