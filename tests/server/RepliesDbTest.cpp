// Replies, command outcomes, EN 15430 assembly and the outbox poll against the sandbox.
#include <string.h>

#include <fstream>

#include "server/Outbox.h"
#include "server/Replies.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

using bytes = std::vector<uint8_t>;

class RepliesDb : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    en15430_clear();
  }
  intptr_t reply(uint32_t device, uint32_t outbox, uint16_t type, const bytes& data) {
    ev_reply ev = {device, 0, outbox, type, static_cast<uint16_t>(data.size()), data.data()};
    return server_callback(EV_REPLY, reinterpret_cast<intptr_t>(&ev));
  }
  intptr_t reply(uint32_t device, uint32_t outbox, uint16_t type, const std::string& text) {
    return reply(device, outbox, type, bytes(text.begin(), text.end()));
  }
};

TEST_F(RepliesDb, ReplyStoresItsInboxRow) {
  EXPECT_EQ(reply(5, 31, 22, bytes{1, 2, 0x34, 0x12, 4, 'i', '\'', '\\', 'n'}), 1);
  EXPECT_EQ(reply(5, 32, 99, bytes{}), 1);
  EXPECT_EQ(
      sql->rows(
          "select device_id,outbox_id,status,app_id,data0,data1,data2 from inbox order by id"),
      (std::vector<std::string>{"5|31|1|12|4|i'\\n|1 2 4660", "5|32|1|0|||"}));
  EXPECT_EQ(
      sql->value("select timestampdiff(second,add_date,utc_timestamp()) < 60 from inbox limit 1"),
      "1");
}

TEST_F(RepliesDb, DigiReplyRenamesTheDownloadInsideTheDriverDirectory) {
  std::string dir = temp_dir();
  snprintf(g_cfg.driver_dir, CFG_TEXT_SIZE, "%s", dir.c_str());
  std::ofstream(dir + "digi_40.tmp") << "digi";
  std::ofstream(dir + "digi_41.tmp") << "evil";
  auto name = [](const char* n) {
    bytes b = {2, 0, 0, 0, 0};
    for (const char* p = n; *p; ++p) b.insert(b.end(), {static_cast<uint8_t>(*p), 0});
    return b;
  };
  EXPECT_EQ(reply(5, 40, 4, name("D1_2026.ddd")), 1);
  EXPECT_EQ(read_file(dir + "D1_2026.ddd"), "digi");
  EXPECT_EQ(reply(5, 41, 4, name("../escaped")), 1);
  EXPECT_EQ(read_file(dir + "_._escaped"), "evil");
  EXPECT_EQ(read_file(dir + "../escaped"), "");
  EXPECT_EQ(sql->value("select data2 from inbox where outbox_id=41"), "../escaped");
}

TEST_F(RepliesDb, En15430HalvesAndTrailerMakeOneMessage) {
  EXPECT_EQ(reply(5, 21, 21, bytes{0xA1, 0xA2}), 1);
  EXPECT_EQ(reply(5, 22, 21, bytes{0xB1}), 1);
  EXPECT_EQ(reply(6, 30, 21, bytes{0xCC}), 1);  // another tracker's fragment stays
  EXPECT_EQ(reply(5, 23, 21, std::string("1;2;1765460707;1.5;2.5;3.5;ab12;")), 1);
  EXPECT_EQ(sql->rows("select device_id,utctime,rawdata from en15430"),
            (std::vector<std::string>{"5|1765460707|01A1A2B10D0A4142313204"}));
  EXPECT_EQ(sql->value("select count(*) from inbox"), "4") << "every fragment is an inbox row too";
  EXPECT_EQ(en15430_fragments_of(5), 0u);
  EXPECT_EQ(en15430_fragments_of(6), 1u);

  // A complete fragment (number ending in 0) on its own.
  EXPECT_EQ(reply(6, 33, 21, std::string("0;0;7;0;0;0;1;")), 1);
  EXPECT_EQ(sql->value("select rawdata from en15430 where device_id=6"),
            "01CC0D0A303030310"
            "4");
}

TEST_F(RepliesDb, En15430TrailerWithoutFragmentsOrWithAFirstHalfOnly) {
  EXPECT_EQ(reply(5, 13, 21, std::string("1;2;3;0;0;0;ff;")), 1);
  EXPECT_EQ(sql->value("select count(*) from en15430"), "0");
  EXPECT_EQ(sql->value("select count(*) from inbox"), "1");

  EXPECT_EQ(reply(5, 41, 21, bytes{1}), 1);  // first half, no second half
  EXPECT_EQ(reply(5, 43, 21, std::string("1;2;3;0;0;0;ff;")), 1);
  EXPECT_EQ(sql->value("select count(*) from en15430"), "0");
  EXPECT_EQ(en15430_fragments_of(5), 0u);
}

TEST_F(RepliesDb, FragmentsWithoutTrailerAreBounded) {
  for (uint32_t n = 0; n < FRAGMENTS_PER_DEVICE_MAX + 8; ++n) {
    bytes data(300, static_cast<uint8_t>(n));  // longer than a fragment holds
    ASSERT_EQ(reply(9, n * 10 + 1, 21, data), 1);
  }
  EXPECT_EQ(en15430_fragments_of(9), static_cast<size_t>(FRAGMENTS_PER_DEVICE_MAX));
}

// Moves a table out of the way for one test and always puts it back.
struct table_away {
  Inspector* sql;
  std::string name;
  bool away = false;
  table_away(Inspector* s, const char* n) : sql(s), name(n) {
    sql->exec("rename table " + name + " to " + name + "_away");
    away = true;
  }
  void back() {
    if (away) sql->exec("rename table " + name + "_away to " + name);
    away = false;
  }
  ~table_away() { back(); }
};

TEST_F(RepliesDb, RefusedInboxInsertLandsInWrongdataAndOnlyBothFailuresFail) {
  table_away inbox(sql, "inbox");
  EXPECT_EQ(reply(5, 7, 6, bytes{1, 0}), 1);
  std::vector<std::string> w = sql->rows("select device_id,name,query from wrongdata");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].substr(0, 18), "5|inbox|insert int");
  EXPECT_NE(w[0].find("',5,7,1,3,'1','','')"), std::string::npos) << w[0];
  EXPECT_EQ(db_connected_count(), 1) << "a refused insert kept by wrongdata keeps the connection";

  {
    table_away wrongdata(sql, "wrongdata");
    EXPECT_EQ(reply(5, 8, 6, bytes{1, 0}), 0);
    EXPECT_EQ(db_connected_count(), 0) << "both refused: the connection is closed";
  }
  inbox.back();
  EXPECT_EQ(reply(5, 9, 6, bytes{1, 0}), 1);
  EXPECT_EQ(sql->value("select outbox_id from inbox"), "9");
}

TEST_F(RepliesDb, CommandResultSetsStatusAndDate) {
  sql->exec("insert into outbox(id,device_id,app_id,status) values(1,5,2,1),(2,5,2,1)");
  const ev_command_result ok = {0, 1, 1, 0}, failed = {0, 2, 0, 0};
  EXPECT_EQ(server_callback(EV_COMMAND_RESULT, reinterpret_cast<intptr_t>(&ok)), 1);
  EXPECT_EQ(server_callback(EV_COMMAND_RESULT, reinterpret_cast<intptr_t>(&failed)), 1);
  EXPECT_EQ(
      sql->rows(
          "select id,status,timestampdiff(second,sent_date,utc_timestamp()) < 60 from outbox"),
      (std::vector<std::string>{"1|2|1", "2|3|1"}));
}

// One command per tracker per poll, its oldest, offered again until its outcome arrives.
TEST_F(RepliesDb, OutboxPollHandsOverTheOldestCommandOfEachTracker) {
  sql->exec(
      "insert into outbox(id,device_id,app_id,data0,status) values"
      "(1,1,2,'300',1),(2,1,3,'7',1),(3,1,2,'1',1),(4,2,18,'5,6',1),(5,3,7,'',1),(6,3,2,'9',1),"
      "(7,4,2,'1',2)");
  auto poll = [] {
    g_sent_commands.clear();
    outbox_poll();
    std::vector<std::string> sent;
    for (const sent_command& c : g_sent_commands)
      sent.push_back(std::to_string(c.device_id) + ":" + std::to_string(c.outbox_id) + ":" +
                     std::to_string(c.count));
    return sent;
  };
  EXPECT_EQ(poll(), (std::vector<std::string>{"1:1:1", "2:4:1"}));
  EXPECT_EQ(g_sent_commands[1].block, (bytes{18, 0, 4, 0, 4, 0, 0, 0, 5, 6, 0, 0}));
  EXPECT_EQ(sql->value("select status from outbox where id=5"), "4")
      << "app_id 7 has no command form";
  EXPECT_EQ(poll(), (std::vector<std::string>{"1:1:1", "2:4:1", "3:6:1"}));
  const ev_command_result done = {0, 1, 1, 0};
  server_callback(EV_COMMAND_RESULT, reinterpret_cast<intptr_t>(&done));
  EXPECT_EQ(poll(), (std::vector<std::string>{"1:2:1", "2:4:1", "3:6:1"}));
  EXPECT_EQ(sql->value("select count(*) from outbox where status=1"), "4");
}

}  // namespace
