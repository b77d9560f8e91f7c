// The remote device operations: count checks, the write's questions and deletions, the
// status fallback, the firmware text and the extra entries, against a scripted server.
#include <QTemporaryDir>

#include "operations/RemoteOperations.h"
#include "tests/remotelink/Fixture.h"

namespace ravok::test {
namespace {

const char kImei[] = "356000000000001";
// Description "Truck 7" (Pid 1, 16 bytes), PIN "1234" (Pid 5, 8 bytes), an unknown record.
const std::string kDescItem = "item: 1,16,547275636B2037000000000000000000";
const std::string kPinItem = "item: 5,8,3132333400000000";
const std::string kRawItem = "item: 900,1,2A";

class OperationsTest : public LinkTest {
 protected:
  OperationsTest() { device.Imei = kImei, device.Description = "Truck 7"; }
  void Serve(Handler handler) {
    server = std::make_unique<ScriptedServer>(WithLogin(std::move(handler)));
    Login(*server);
    shell.messages.clear();
  }
  std::vector<Command> Commands() const {
    auto c = server->commands();
    return {c.begin() + 2, c.end()};
  }
  TDevice device;
  std::unique_ptr<ScriptedServer> server;
};

TEST_F(OperationsTest, ReadListsInCatalogueOrderAndReportsAShortfall) {
  Serve([](const Command&) {
    return Answer({"configuration: 4", kRawItem, kPinItem, kDescItem});
  });
  TDataList settings;
  std::vector<std::string> lines;
  EXPECT_FALSE(RemoteReadConfig(link, device, settings, lines));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Description=Truck 7");
  EXPECT_EQ(lines[1].substr(0, 4), "PIN=");
  EXPECT_EQ(lines[2], "03840001=2A");
  EXPECT_EQ(shell.Texts(), QStringList{"The number of parameters is incorrect: 3/4"});
  EXPECT_EQ(shell.StatusText(), "Done");
  EXPECT_FALSE(shell.Semaphore());
}

TEST_F(OperationsTest, ReadWithoutCountHeaderListsTheRecordsAndSucceedsSilently) {
  Serve([](const Command&) { return Answer({kDescItem}); });
  TDataList settings;
  std::vector<std::string> lines;
  EXPECT_TRUE(RemoteReadConfig(link, device, settings, lines));
  EXPECT_EQ(lines, std::vector<std::string>{"Description=Truck 7"});
  EXPECT_TRUE(shell.messages.empty());
}

TEST_F(OperationsTest, WriteAsksForAChangedDescriptionAndReplaceKeepsThePin) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    bool replace;
    std::deque<MsgResult> answers;
    QStringList questions;
    std::vector<Command> sent;
  };
  const Command readcfg{"readcfg 356000000000001"};
  const Case cases[] = {
      {"description kept", {"Description=Truck 7"}, false, {}, {},
       {{"writecfg 356000000000001,1", kDescItem}}},
      {"changed, No", {"Description=Truck 8"}, false, {MsgResult::No},
       {"Description is changed. Continue?"}, {}},
      {"changed, Yes", {"Description=Truck 8"}, false, {MsgResult::Yes},
       {"Description is changed. Continue?"},
       {{"writecfg 356000000000001,1", "item: 1,16,547275636B2038000000000000000000"}}},
      {"replace deletes all but PIN and what is written", {"Description=Truck 7"}, true, {}, {},
       {readcfg, {"writecfg 356000000000001,2", "item: 65535,4,84030100", kDescItem}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve([](const Command& cmd) {
      if (cmd[0].starts_with("readcfg"))
        return Answer({"configuration: 3", kDescItem, kPinItem, kRawItem});
      return Answer({});
    });
    shell.answers = c.answers;
    THeaderList deletions{{77, 1}};
    if (c.replace) deletions.clear();
    TDataList settings;
    const bool ok = RemoteWriteConfig(link, device, c.lines, c.replace, deletions, settings);
    EXPECT_EQ(ok, !c.sent.empty());
    EXPECT_EQ(shell.Texts(), c.questions);
    auto sent = Commands();
    if (!c.replace && !c.sent.empty()) {
      // the pending deletion goes first
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(sent[0][1], "item: 65535,4,4D000100");
      sent[0].erase(sent[0].begin() + 1);
      sent[0][0] = "writecfg 356000000000001,1";
    }
    EXPECT_EQ(sent, c.sent);
    if (ok) EXPECT_TRUE(deletions.empty());
    link.remote().RemoteClose();
  }
}

TEST_F(OperationsTest, StatusOfFirmwareThatCannotReportIsTheDeviceRecord) {
  struct Case {
    uint32_t version;
    bool canRead;
  } const cases[] = {{4008115, false}, {4008116, true},  {7000000, true},  {6011153, false},
                     {6011154, true},  {6022144, true},  {5002039, false}, {5004038, true},
                     {5012000, true},  {14000000, false}, {6000000, false}};
  for (const auto& c : cases) EXPECT_EQ(CanReadStatus(c.version), c.canRead) << c.version;

  Serve([](const Command&) { return Answer({}); });
  device = TDevice{"35", "Van", 4, "8948", 4008115, 10, 20, "10.0.0.9", 5000, "2026-01-02", 60};
  std::vector<TableLine> lines;
  EXPECT_TRUE(RemoteReadStatus(link, device, TextLocale{}, lines));
  std::vector<std::string> texts;
  for (const auto& l : lines) texts.push_back(l.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Description=Van", "Imei=35", "Version=4008115", "DatabaseKey=4",
                       "SimCcid=8948", "DeviceIP=10.0.0.9", "DevicePort=5000",
                       "LoginTime=2026-01-02", "RxData=10", "TxData=20", "Timeout=60"}));
  EXPECT_TRUE(Commands().empty());
}

TEST_F(OperationsTest, InfoTextOfTheFirmwareRecords) {
  Serve([](const Command&) {
    return Answer({"firmware: 4", "item: 1,2,0201", "item: 2,2,0700", "item: 3,4,FF000000",
                   "item: 9,1,00"});
  });
  QString text;
  EXPECT_TRUE(RemoteInfo(link, device, text));
  EXPECT_EQ(text, "Firmware: Status=0102 Counter=7 Crcc=000000FF");
  ASSERT_EQ(shell.messages.size(), 1u);
  EXPECT_EQ(shell.messages[0].text, text);
  EXPECT_EQ(shell.messages[0].kind, MsgKind::Information);
}

TEST_F(OperationsTest, LiveDataFailureReportsTheCountMessage) {
  Serve([](const Command&) { return Answer({"item: 1,3,0102"}); });
  std::vector<TableLine> lines;
  EXPECT_FALSE(RemoteReadLiveData(link, device, TextLocale{}, lines));
  EXPECT_EQ(shell.Texts(), QStringList{"The number of parameters is incorrect"});
}

TEST_F(OperationsTest, ModeAndDumpNeedTheServerConnection) {
  QStringList lines;
  EXPECT_FALSE(RemoteSetMode(link, kImei, 1));
  EXPECT_FALSE(RemoteUdpDump(link, lines));
  EXPECT_EQ(shell.Texts(), (QStringList{"Not connected to server", "Not connected to server"}));

  Serve([](const Command&) { return Answer({"item: 1,A,2,0"}); });
  EXPECT_TRUE(RemoteSetMode(link, kImei, 1));
  EXPECT_EQ(shell.StatusText(), "Mode changed");
  EXPECT_TRUE(RemoteUdpDump(link, lines));
  EXPECT_EQ(shell.log, (QStringList{"Description,UdpCopyMode,IMEI,DatabaseKey", "A,0,1,2",
                                    "1 rows"}));
}

TEST_F(OperationsTest, ExtraEntriesSendTheirIdAndValuesAndLogTheAnswer) {
  struct Case {
    const char* entry;
    bool set;
    const char* text;
    std::string answer;  // second answer line
    std::vector<std::string> sent;
    QString log;
    QStringList messages;
  };
  const Case cases[] = {
      {"Digital OUT1 Set/Get", true, "1,500", "item: 6", {"setparam 356000000000001,6,1,500,0,0"},
       "Truck 7 Set DOUT1: 1,500", {}},
      {"Distance Set/Get", true, "123,4", "item: 4", {"setparam 356000000000001,4,0,0,0,0"},
       "Truck 7 Set Distance: 0", {}},
      {"InternalSniffer Start/Status", true, "7", "item: 10",
       {"setparam 356000000000001,10,7,0,0,0"}, "Truck 7 Set InternalSniffer: 7,0,0,0", {}},
      {"KDV417", true, "1,2,3,4", "item: 25", {"setparam 356000000000001,25,1,2,3,0"},
       "Truck 7 KDV417 Setup: 1,2,3", {}},
      {"Torwick firmware update", false, "", "item: 20,772,0,0,0", {"getparam 356000000000001,20"},
       "Truck 7 Torwick: 4,3", {}},
      {"KX55 Firmware", false, "", "item: 1,5,6,7,8", {"getparam 356000000000001,1"},
       "Truck 7 KX55: 5,6", {}},
      {"Ravok test mode", false, "", "item: 23,1,2,3,4", {"getparam 356000000000001,23"},
       "Truck 7 Ravok test mode 1,2", {}},
      {"Ohmdale firmware update", false, "", "", {}, "", {"Can not read this parameter"}},
      {"Firmware info", true, "1", "", {}, "", {"Can not write this parameter"}},
      {"Digidown Status", true, "1", "", {}, "", {"Can not write this parameter"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    Serve([&](const Command&) { return Answer({"ok", c.answer}); });
    const int pos = ExtraEntryIndex(c.entry);
    ASSERT_GE(pos, 0);
    QString log;
    const bool ok = c.set ? RemoteExtraSet(link, device, pos, c.text, QString(), log)
                          : RemoteExtraGet(link, device, pos, QString(), log);
    EXPECT_EQ(ok, !c.log.isEmpty());
    EXPECT_EQ(log, c.log);
    EXPECT_EQ(AfterLogin(*server), c.sent);
    EXPECT_EQ(shell.Texts(), c.messages);
    link.remote().RemoteClose();
  }
  EXPECT_EQ(ExtraEntryIndex("24"), 24);
  EXPECT_EQ(ExtraEntryIndex("25"), -1);
  EXPECT_EQ(ExtraEntryIndex("distance set/get"), -1);
  EXPECT_EQ(ExtraLogLine("11.12.2026 14:00:00", "Van", " Get Door: 1"),
            "11.12.2026 14:00:00 Van Get Door: 1");
}

TEST_F(OperationsTest, AccessoryUploadFromAnIntelHexFile) {
  QTemporaryDir dir;
  const QString hex = dir.filePath("ohm.hex");
  QFile f(hex);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(":0400000001020304F2\n:00000001FF\n");
  f.close();
  Serve([](const Command&) { return Answer({"ok", "item: 1"}); });
  QString log;
  EXPECT_TRUE(RemoteAccessoryUpload(link, device, ExtraEntryIndex("Ohmdale firmware update"), hex,
                                    4, "t", log));
  EXPECT_EQ(log, "t Truck 7 Ohmdale: Firmware uploaded correctly");
  // Four bytes and 0xFF fill: s1 = 64270, s2 = 4966.
  std::string block = "item: 11,256,01020304";
  for (int i = 0; i < 252; ++i) block += "FF";
  EXPECT_EQ(Commands(), (std::vector<Command>{{"bindata 356000000000001,1,0,325516046,1,4", block}}));

  // A Tachoreader image must be longer than its boot area.
  EXPECT_FALSE(RemoteAccessoryUpload(link, device, ExtraEntryIndex("Tachoreader Firmware/Status"),
                                     hex, 4, "t", log));
  EXPECT_EQ(shell.Texts(), QStringList{"Firmware to short!"});
}

}  // namespace
}  // namespace ravok::test
