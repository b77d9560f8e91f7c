// The remote operations: the exact lines they send and what they make of the answers.
#include <algorithm>

#include "remotelink/ServerOps.h"
#include "tests/remotelink/Fixture.h"

namespace ravok::test {
namespace {

using namespace std::chrono_literals;

const TDevice kTracker{.Imei = "356000000000001", .Description = "Truck 7"};

std::string Hex(const std::vector<uint8_t>& bytes) {
  return HexOf(bytes).toStdString();
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

class OpsTest : public LinkTest {
 protected:
  // A server whose answers come from a table keyed by the command's header line prefix.
  void Serve(Handler handler) {
    server = std::make_unique<ScriptedServer>(WithLogin(std::move(handler)));
    Login(*server);
    shell.messages.clear();
  }
  std::vector<std::string> Sent() const { return AfterLogin(*server); }
  std::vector<std::string> Headers() const {
    std::vector<std::string> out;
    for (const auto& c : server->commands()) out.push_back(c[0]);
    out.erase(out.begin(), out.begin() + 2);
    return out;
  }
  std::unique_ptr<ScriptedServer> server;
};

TEST(DataItem, ParsesOnlyWellFormedRecords) {
  struct Case {
    const char* item;
    bool ok;
    uint16_t pid;
    uint16_t len;
    std::vector<uint8_t> data;
  } const cases[] = {
      {"12,3,0aFf10", true, 12, 3, {0x0A, 0xFF, 0x10}},
      {"1,0,", true, 1, 0, {}},
      {"x,1,41", true, 0, 1, {0x41}},          // a Pid that is no number reads as 0
      {"65537,1,41", true, 1, 1, {0x41}},      // low 16 bits
      {"1,2,ABC", false, 0, 0, {}},            // 3 digits for 2 bytes
      {"1,2,ABCDEF", false, 0, 0, {}},
      {"1,2,AG00", false, 0, 0, {}},           // not hexadecimal
      {"1,2,+1-2", false, 0, 0, {}},
      {"1,257,", false, 0, 0, {}},             // longer than a record
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    TData rec;
    rec.Hdr = {0, 0};
    EXPECT_EQ(ParseDataItem(c.item, rec), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(rec.Hdr, (THeader{c.pid, c.len}));
    EXPECT_TRUE(std::equal(c.data.begin(), c.data.end(), rec.Data.begin()));
  }
  TData full;
  const QString item = "7,256," + QString::fromStdString(Repeat("5A", 256));
  ASSERT_TRUE(ParseDataItem(item, full));
  EXPECT_EQ(full.Data[255], 0x5A);
  EXPECT_FALSE(ParseDataItem("7,257," + QString::fromStdString(Repeat("5A", 257)), full));
}

TEST_F(OpsTest, ListMakesTrackersFromItemsAndSortsByCharacterCode) {
  Serve([](const Command&) {
    return Answer({"item: 3560001,beta,17,8948000,8001002,100,200,10.1.2.3,70000,"
                   "2026-12-01 10:00:00,30",
                   "item: 3560002,Alpha,5", "note", "item: 3560003,alpha,x,,y"});
  });
  TDeviceList list{TDevice{}};
  ASSERT_TRUE(ServerList(link, list));
  EXPECT_EQ(Sent(), std::vector<std::string>{"list"});
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (TDevice{"3560001", "beta", 17, "8948000", 8001002, 100, 200, "10.1.2.3",
                              4464, "2026-12-01 10:00:00", 30}));
  EXPECT_EQ(list[1], (TDevice{.Imei = "3560002", .Description = "Alpha", .DatabaseKey = 5}));
  EXPECT_EQ(list[2], (TDevice{.Imei = "3560003", .Description = "alpha"}));
  SortDevices(list);
  EXPECT_EQ(list[0].Description, "Alpha");
  EXPECT_EQ(list[1].Description, "alpha");
  EXPECT_EQ(list[2].Description, "beta");
}

TEST_F(OpsTest, EmptyListSucceedsFailedListFails) {
  Serve([](const Command& c) { return c[0] == "list" ? Answer({}) : Lines({"busy", "command:"}); });
  TDeviceList list{TDevice{}};
  EXPECT_TRUE(ServerList(link, list));
  EXPECT_TRUE(list.empty());
  TUdpModeList modes;
  EXPECT_FALSE(ServerDevices(link, modes));
  EXPECT_EQ(shell.Texts(), QStringList{"Received busy answer!"});
}

TEST_F(OpsTest, DevicesGiveTheUdpModeDump) {
  Serve([](const Command&) {
    return Answer({"item: 222,Van,9,1", "item: 111,Van,4,0", "item: 333,Bus,12,2"});
  });
  TUdpModeList modes;
  ASSERT_TRUE(ServerDevices(link, modes));
  EXPECT_EQ(modes[0], (TUdpMode{"222", "Van", 9, 1}));
  EXPECT_EQ(UdpModeDump(modes), (QStringList{"Description,UdpCopyMode,IMEI,DatabaseKey",
                                             "Bus,2,333,12", "Van,0,111,4", "Van,1,222,9",
                                             "3 rows"}));
}

TEST_F(OpsTest, RecordReadersReturnTheAnnouncedCountAndStopAtAMalformedItem) {
  struct Case {
    const char* name;
    int (*reader)(ServerLink&, const TDevice&, TDataList&);
    const char* command;
    Reply answer;
    int result;
    size_t records;
  };
  const Case cases[] = {
      {"fewer items than announced", ServerReadConfig, "readcfg 356000000000001",
       Answer({"configuration: 3", "item: 1,2,4142", "item: 5,1,07"}), 3, 2},
      {"no header", ServerReadConfig, "readcfg 356000000000001",
       Answer({"item: 1,2,4142", "item: 5,1,07"}), -1, 2},
      {"second item short", ServerReadConfig, "readcfg 356000000000001",
       Answer({"configuration: 2", "item: 1,2,4142", "item: 5,4,070809", "item: 6,1,01"}), 2, 1},
      {"header not a number", ServerReadFirmware, "readfirm 356000000000001",
       Answer({"firmware: many", "item: 1,2,0201"}), 0, 1},
      {"failed command", ServerReadStatus, "readstat 356000000000001",
       Lines({"status: 1", "item: 1,1,01", "timeout", "command:"}), -1, 0},
      {"status", ServerReadStatus, "readstat 356000000000001",
       Answer({"status: 2", "item: 1,1,01", "item: 2,1,02"}), 2, 2},
      {"last header wins", ServerReadStatus, "readstat 356000000000001",
       Answer({"status: 2", "item: 1,1,01", "status: 1"}), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve([&](const Command&) { return c.answer; });
    TDataList list(4);
    EXPECT_EQ(c.reader(link, kTracker, list), c.result);
    EXPECT_EQ(list.size(), c.records);
    EXPECT_EQ(Sent(), std::vector<std::string>{c.command});
    if (c.records > 0) EXPECT_EQ(list[0].Hdr.Pid, 1);
    link.remote().RemoteClose();
  }
}

TEST_F(OpsTest, DataFailsOnAMalformedItemKeepingTheRecordsBefore) {
  Serve([](const Command&) { return Answer({"item: 1,1,0A", "item: 2,1,ZZ", "item: 3,1,0C"}); });
  TDataList list;
  EXPECT_FALSE(ServerData(link, kTracker, list));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Data[0], 0x0A);
  EXPECT_EQ(Sent(), std::vector<std::string>{"data 356000000000001"});
  EXPECT_TRUE(shell.messages.empty());
}

TEST(WriteConfig, DeletionBlocksOf64HeadersThenRecords) {
  TData desc;
  desc.Hdr = {1, 3};
  desc.Data[0] = 'A';
  desc.Data[1] = 'b';
  const QStringList small =
      WriteConfigLines("35", THeaderList{{0x0102, 4}, {0x0110, 0x0100}}, TDataList{desc});
  EXPECT_EQ(small, (QStringList{"writecfg 35,2", "item: 65535,8,0201040010010001",
                                "item: 1,3,416200"}));

  struct Case {
    size_t deletions;
    QStringList header;
    std::vector<int> blockLengths;
  } const cases[] = {
      {130, {"writecfg 35,5"}, {256, 256, 8}},
      {64, {"writecfg 35,3"}, {256}},
      {0, {"writecfg 35,2"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.deletions);
    THeaderList dels(c.deletions, THeader{7, 2});
    const QStringList lines = WriteConfigLines("35", dels, TDataList(2));
    EXPECT_EQ(lines[0], c.header[0]);
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(1 + c.blockLengths.size() + 2));
    for (size_t b = 0; b < c.blockLengths.size(); ++b) {
      const QString expected = QString("item: 65535,%1,").arg(c.blockLengths[b]) +
                               QString("07000200").repeated(c.blockLengths[b] / 4);
      EXPECT_EQ(lines[static_cast<qsizetype>(1 + b)], expected);
    }
    EXPECT_EQ(lines.back(), "item: 0,0,");
  }
}

TEST_F(OpsTest, WriteConfigSendsItsLinesInOneTransaction) {
  Serve([](const Command&) { return Answer({"ok"}); });
  TData rec;
  rec.Hdr = {9, 1};
  rec.Data[0] = 0xFE;
  EXPECT_TRUE(ServerWriteConfig(link, kTracker, {{5, 4}}, {rec}));
  ASSERT_EQ(server->commands().size(), 3u);
  EXPECT_EQ(server->commands()[2],
            (Command{"writecfg 356000000000001,2", "item: 65535,4,05000400", "item: 9,1,FE"}));
}

TEST_F(OpsTest, SetModeLine) {
  Serve([](const Command&) { return Answer({}); });
  EXPECT_TRUE(ServerSetMode(link, "12345", 2));
  EXPECT_EQ(Sent(), std::vector<std::string>{"setmode 12345,2"});
}

// --- firmware upload ---

std::string Block(uint32_t n, uint8_t fill) {
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", fill);
  return "item: " + std::to_string(n) + ",256," + Repeat(hex, 256);
}

TEST_F(OpsTest, WriteFirmwareBatchesOfEightThenTheRestWithTheTrailer) {
  Serve([](const Command&) { return Answer({}); });
  // 2049 zero bytes: blocks 1..9; the sums over zeros stay 0.
  std::vector<uint8_t> image(9 * 256, 0);
  EXPECT_TRUE(ServerWriteFirmware(link, kTracker, 2049, 0, image));
  const auto cmds = server->commands();
  ASSERT_EQ(cmds.size(), 4u);
  Command first{"writefirm 356000000000001,8"};
  for (uint32_t i = 1; i <= 8; ++i) first.push_back(Block(i, 0));
  EXPECT_EQ(cmds[2], first);
  EXPECT_EQ(cmds[3], (Command{"writefirm 356000000000001,2", Block(9, 0),
                              "item: 65535,6,090000000000"}));
  EXPECT_EQ(link.FirmwareLastPosition, 0u);
  EXPECT_EQ(progress.StatusMax2nd, 0);
}

TEST_F(OpsTest, WriteFirmwareTrailerSumsAndListValue) {
  Serve([](const Command&) { return Answer({}); });
  // One byte 2 and a buffer of zeros: s1 = 2, s2 = 2 x 256 = 0x0200.
  std::vector<uint8_t> image(256, 0);
  image[0] = 2;
  EXPECT_TRUE(ServerWriteFirmware(link, kTracker, 1, 0, image));
  // Key list: the value replaces the sums; a buffer that ends early is filled with 0xFF.
  EXPECT_TRUE(ServerWriteFirmware(link, kTracker, 257, 0x01020304,
                                  std::vector<uint8_t>(257, 0x11)));
  const auto cmds = server->commands();
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(cmds[2], (Command{"writefirm 356000000000001,2", "item: 1,256,02" + Repeat("00", 255),
                              "item: 65535,6,010002000002"}));
  EXPECT_EQ(cmds[3], (Command{"writefirm 356000000000001,3", Block(1, 0x11),
                              "item: 2,256,11" + Repeat("FF", 255), "item: 65534,6,020004030201"}));
}

TEST_F(OpsTest, SlowWriteFirmwareSendsOneBlockPerTransaction) {
  Serve([](const Command&) { return Answer({}); });
  link.SlowUpload = true;
  EXPECT_TRUE(ServerWriteFirmware(link, kTracker, 2049, 0, std::vector<uint8_t>(9 * 256, 0)));
  const auto cmds = server->commands();
  ASSERT_EQ(cmds.size(), 2u + 10u);
  for (uint32_t i = 1; i <= 9; ++i)
    EXPECT_EQ(cmds[1 + i], (Command{"writefirm 356000000000001,1", Block(i, 0)}));
  EXPECT_EQ(cmds[11], (Command{"writefirm 356000000000001,1", "item: 65535,6,090000000000"}));
}

TEST_F(OpsTest, InterruptedUploadResumesAfterTheLastAcknowledgedBatchWhenConfirmed) {
  int writes = 0;
  bool failThird = true;
  Serve([&](const Command&) {
    ++writes;
    if (writes == 3 && failThird) return Lines({"error", "command:"});
    return Answer({});
  });
  const std::vector<uint8_t> image(4 * 2048, 0);
  ResumeCheck(link, kTracker.Imei, "/fw/a.hex");
  EXPECT_FALSE(ServerWriteFirmware(link, kTracker, 3 * 2048 + 1, 0, image));
  EXPECT_EQ(link.FirmwareLastPosition, 16u);
  EXPECT_EQ(shell.Texts(), QStringList{"Received error answer!"});
  failThird = false;

  struct Case {
    const char* name;
    QString file;
    MsgResult answer;
    std::vector<std::string> headers;  // the writefirm transactions of the repeat
    bool asked;
  };
  const std::string h8 = "writefirm 356000000000001,8";
  const std::string h2 = "writefirm 356000000000001,2";
  const Case cases[] = {
      {"same file, Yes", "/fw/a.hex", MsgResult::Yes, {h8, h2}, true},
      {"same file, No", "/fw/a.hex", MsgResult::No, {h8, h8, h8, h2}, true},
      {"other file", "/fw/b.hex", MsgResult::Yes, {h8, h8, h8, h2}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.FirmwareLastPosition = 16;
    link.FirmwareLastFileName = "/fw/a.hex";
    shell.messages.clear();
    shell.answers = {c.answer};
    const size_t before = server->commands().size();
    ResumeCheck(link, kTracker.Imei, c.file);
    EXPECT_EQ(shell.CountOf("Continue the process from the last position?"), c.asked ? 1 : 0);
    EXPECT_TRUE(ServerWriteFirmware(link, kTracker, 3 * 2048 + 1, 0, image));
    std::vector<std::string> headers;
    const auto cmds = server->commands();
    for (size_t i = before; i < cmds.size(); ++i) headers.push_back(cmds[i][0]);
    EXPECT_EQ(headers, c.headers);
    if (c.headers.size() == 2) EXPECT_EQ(cmds[before][1], Block(17, 0));  // batch three
    EXPECT_EQ(link.FirmwareLastPosition, 0u);
  }
}

// --- accessory upload ---

TEST_F(OpsTest, BinDataSingleBlockFormOneBlockPerTransaction) {
  Serve([](const Command&) { return Answer({"ok", "item: 1"}); });
  std::vector<uint8_t> image(512, 0);
  image[0] = 1;  // s1 = 1, s2 = 512: check value 512 x 65536 + 1
  const Duration start = clock.Now();
  EXPECT_TRUE(ServerBinData(link, "77", 300, 4, 11, image));
  const auto cmds = server->commands();
  ASSERT_EQ(cmds.size(), 4u);
  EXPECT_EQ(cmds[2], (Command{"bindata 77,1,0,33554433,2,4", "item: 11,256,01" + Repeat("00", 255)}));
  EXPECT_EQ(cmds[3], (Command{"bindata 77,1,1,33554433,2,4", Block(11, 0)}));
  EXPECT_GE(clock.Now() - start, 2 * kBinDataPause);  // the tracker's pace per block
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(OpsTest, BinDataBatchFormCarriesTheSumOfEarlierBatches) {
  Serve([](const Command&) { return Answer({"ok", "item: 8"}); });
  std::vector<uint8_t> image(4096, 0);
  image[0] = 0xFF;
  image[2047] = 0x02;  // 257 sent in the first batch
  EXPECT_TRUE(ServerBinData(link, "77", 2049, 3, 10, image));
  const auto cmds = server->commands();
  ASSERT_EQ(cmds.size(), 4u);
  ASSERT_EQ(cmds[2].size(), 9u);
  EXPECT_EQ(cmds[2][0], "bindata 77,8,0,0,16,3");
  EXPECT_EQ(cmds[2][1], "item: 10,256,FF" + Repeat("00", 255));
  EXPECT_EQ(cmds[2][8], "item: 10,256," + Repeat("00", 255) + "02");
  EXPECT_EQ(cmds[3][0], "bindata 77,8,8,257,16,3");

  // 300 bytes: one batch of eight blocks.
  EXPECT_TRUE(ServerBinData(link, "77", 300, 3, 10, image));
  EXPECT_EQ(server->commands()[4][0], "bindata 77,8,0,0,8,3");
  EXPECT_EQ(server->commands()[4].size(), 9u);
}

TEST_F(OpsTest, BinDataAnswersThatDoNotConfirmTheBlocksStopTheUpload) {
  struct Case {
    uint16_t type;
    Reply answer;
    const char* message;
  };
  const Case cases[] = {
      {11, Answer({"ok", "item: 2"}), "Data overflow!"},
      {11, Answer({"item: 1"}), "Unexpected answer!"},
      {10, Answer({"ok", "item: 1"}), "Data overflow!"},
      {10, Answer({"ok", "item: 8", "x"}), "Unexpected answer!"},
      {10, Lines({"busy", "command:"}), "Received busy answer!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Serve([&](const Command&) { return c.answer; });
    EXPECT_FALSE(ServerBinData(link, "77", 5000, 2, c.type, std::vector<uint8_t>(6144, 0)));
    EXPECT_EQ(shell.Texts(), QStringList{c.message});
    EXPECT_EQ(server->commands().size(), 3u);  // nothing after the first transaction
    EXPECT_EQ(progress.StatusMax2nd, 0);
    link.remote().RemoteClose();
  }
}

// --- getparam / setparam ---

TEST_F(OpsTest, GetParamChecksTheAnswer) {
  struct Case {
    const char* name;
    Reply answer;
    bool ok;
    std::vector<uint32_t> values;
    QStringList messages;
  };
  const Case cases[] = {
      {"values", Answer({"getparam", "item: 6,1,500,4294967297,x"}), true, {1, 500, 1, 0}, {}},
      {"other id", Answer({"getparam", "item: 7,1,2,3,4"}), false, {}, {"Unexpected answer!"}},
      {"one line", Answer({"item: 6,1,2,3,4"}), false, {}, {"Unexpected answer!"}},
      {"second line no item", Answer({"getparam", "6,1,2,3,4"}), false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve([&](const Command&) { return c.answer; });
    uint32_t values[4] = {9, 9, 9, 9};
    EXPECT_EQ(ServerGetParam(link, "77", 6, values), c.ok);
    EXPECT_EQ(Sent(), std::vector<std::string>{"getparam 77,6"});
    if (c.ok) EXPECT_EQ(std::vector<uint32_t>(values, values + 4), c.values);
    EXPECT_EQ(shell.Texts(), c.messages);
    link.remote().RemoteClose();
  }
}

TEST_F(OpsTest, SetParamChecksTheConfirmedId) {
  struct Case {
    Reply answer;
    bool ok;
    QStringList messages;
  };
  const Case cases[] = {
      {Answer({"setparam", "item: 6"}), true, {}},
      {Answer({"setparam", "item: 6,1"}), false, {"Unexpected answer!"}},
      {Answer({"setparam", "done"}), false, {}},
      {Answer({}), false, {"Unexpected answer!"}},
  };
  for (const Case& c : cases) {
    Serve([&](const Command&) { return c.answer; });
    const uint32_t values[4] = {1, 500, 0, 4294967295u};
    EXPECT_EQ(ServerSetParam(link, "77", 6, values), c.ok);
    EXPECT_EQ(Sent(), std::vector<std::string>{"setparam 77,6,1,500,0,4294967295"});
    EXPECT_EQ(shell.Texts(), c.messages);
    link.remote().RemoteClose();
  }
}

}  // namespace
}  // namespace ravok::test
