// Handlers that need no database, the location statement text and the item catalogue.
#include <math.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "server/Handlers.h"
#include "tests/server/LocationItems.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

class Handlers : public ::testing::Test {
 protected:
  void SetUp() override {
    init_server_state();
    snprintf(g_cfg.telnet_passwd, CFG_TEXT_SIZE, "Secret");
  }
  void TearDown() override { free_blocks(); }
};

intptr_t raise(int32_t event, const void* record) {
  return server_callback(event, reinterpret_cast<intptr_t>(record));
}

TEST_F(Handlers, PasswordLoginNumbersCountUpOnlyOnMatches) {
  uint32_t first = g_login_number.load();
  const struct {
    const char* password;
    bool ok;
  } cases[] = {{"Secret", true}, {"secret", false}, {"Secret ", false},
               {"", false},      {nullptr, false},  {"Secret", true}};
  uint32_t expected = first;
  for (const auto& c : cases) {
    ev_check_password ev = {0, c.password};
    EXPECT_EQ(raise(EV_CHECK_PASSWORD, &ev), c.ok ? static_cast<intptr_t>(expected++) : 0)
        << (c.password ? c.password : "(null)");
  }
  EXPECT_EQ(g_login_number.load(), expected);
}

TEST_F(Handlers, ConcurrentLoginsNeverShareANumber) {
  const int kThreads = 8, kEach = 500;
  std::vector<std::vector<intptr_t>> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      ev_check_password ev = {0, "Secret"};
      for (int i = 0; i < kEach; ++i) got[t].push_back(raise(EV_CHECK_PASSWORD, &ev));
    });
  for (auto& th : threads) th.join();
  std::vector<intptr_t> all;
  for (auto& g : got) all.insert(all.end(), g.begin(), g.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
  EXPECT_EQ(all.back() - all.front(), kThreads * kEach - 1);
}

TEST_F(Handlers, PeerCheckKindInfoLogAndNop) {
  const uint8_t local8080[6] = {0x7F, 0, 0, 1, 0x90, 0x1F};
  const uint8_t local8081[6] = {0x7F, 0, 0, 1, 0x91, 0x1F};
  const struct {
    uint16_t kind;
    const uint8_t* addr;
    intptr_t result;
  } peers[] = {{1, local8080, 1}, {2, local8080, 2}, {3, local8080, 0},
               {0, local8080, 0}, {1, local8081, 0}, {1, nullptr, 0}};
  for (const auto& p : peers) {
    ev_peer_check ev = {0, p.kind, 0, p.addr};
    EXPECT_EQ(raise(EV_PEER_CHECK, &ev), p.result) << p.kind;
  }
  const uint32_t kinds[][2] = {{1, 1}, {2, 1}, {3, 2}, {0, 0}, {4, 0}};
  for (const auto& k : kinds) {
    ev_kind_info ev = {0, k[0]};
    const kind_info_block* b = reinterpret_cast<const kind_info_block*>(raise(EV_KIND_INFO, &ev));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->words[0], k[1]) << k[0];
    EXPECT_EQ(b->words[1] | b->words[2] | b->words[3], 0u);
  }
  EXPECT_EQ(raise(EV_LOG, "Lib: 50% done\n"), 1);
  EXPECT_EQ(read_file(g_cfg.log_file), "000000 Lib: 50% done\n");
  EXPECT_EQ(server_callback(EV_NOP, 12345), 1);
  for (int32_t other : {0, 23, 99, -1}) EXPECT_EQ(server_callback(other, 0), 0) << other;
}

// Replaces the first quoted date of a statement so the rest can be compared exactly.
std::string without_time(std::string s) {
  size_t at = s.find("'20");
  if (at != std::string::npos) s.replace(at, 21, "'T'");
  return s;
}

TEST_F(Handlers, LocationStatementText) {
  ItemList items = {
      {1, le(0xFE, 1)},                                   // fixstat -2
      {8, f32(12.5f)},                                    // kph
      {3, f32(1.0f)},                                     // latitude
      {3, le(0, 8)},                                      // latitude with 8 bytes: left out
      {10, {0, 1, 1, 0, 0, 0}},                           // gpsdatetime with year 0: left out
      {10, {9, 2, 3, 4, 5, 6}},                           // gpsdatetime
      {12, le(0x80, 1)},                                  // rawdin
      {47, le(7, 4)},                                     // imp0
      {29, le(1234567890123ull, 8)},                      // spn917
      {55, text16("TAG1")},                               // tagid
      {249, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAB, 0xCD}},  // security_flags
      {61465, le(1, 1)},                                  // not in the catalogue
      {61461, f64(0.125)},                                // userdouble1
  };
  ev_location ev = {17, 400, 9, items.first()};
  EXPECT_EQ(without_time(loc_insert_statement(nullptr, &ev)),
            "insert into locdata(id,locdatetime,device_id,seqno,event,fixstat,kph,latitude,"
            "gpsdatetime,rawdin,imp0,spn917,tagid,security_flags,userdouble1) values(DEFAULT,'T',"
            "17,400,9,-2,12.500000,1.000000,'2009-02-03 04:05:06',128,7,1234567890123,'TAG1',"
            "0x00010203040506070809ABCD,0.125000)");
  ItemList quoted = {{55, text16("O'B\\\"")}};
  ev_location q = {1, 2, 3, quoted.first()};
  EXPECT_EQ(without_time(loc_insert_statement(nullptr, &q)),
            "insert into locdata(id,locdatetime,device_id,seqno,event,tagid) values(DEFAULT,'T',"
            "1,2,3,'O\\'B\\\\\\\"')");
  ev_location empty = {1, 2, 3, nullptr};
  EXPECT_EQ(without_time(loc_insert_statement(nullptr, &empty)),
            "insert into locdata(id,locdatetime,device_id,seqno,event) values(DEFAULT,'T',1,2,3)");
}

TEST_F(Handlers, LocationStatementGrowsPastTheOldFixedBuffers) {
  // 300 items of a long float text: far beyond a 4,095-character value list.
  std::vector<uint8_t> big = f32(3.0e38f);
  std::vector<loc_item> items(300);
  for (size_t i = 0; i < items.size(); ++i)
    items[i] = {i + 1 < items.size() ? &items[i + 1] : nullptr, 3, 4, big.data()};
  ev_location ev = {1, 1, 1, items.data()};
  std::string q = loc_insert_statement(nullptr, &ev);
  EXPECT_GT(q.size(), 12000u);
  EXPECT_EQ(q.back(), ')');
  EXPECT_EQ(std::count(q.begin(), q.end(), ','), 2 * 300 + 8);
}

TEST(Catalogue, RowsAndLookups) {
  const loc_row* rows = loc_catalogue();
  for (uint32_t id = 1; id <= 256; ++id) EXPECT_EQ(rows[id - 1].id, id);
  EXPECT_EQ(rows[256].id, 61441u);
  EXPECT_EQ(rows[LOC_CATALOGUE_SIZE - 1].id, 63498u);
  const struct {
    uint32_t id, len;
    const char* column;
    int type;
  } spots[] = {
      {15, 4, "ain0", LT_FLOAT},
      {18, 4, "ain3", LT_FLOAT},
      {41, 1, "spn596", LT_S8},
      {44, 1, "spn1613", LT_S8},
      {67, 4, "spn180", LT_FLOAT},
      {72, 4, "spn582_3", LT_FLOAT},
      {91, 1, "quantizer8", LT_S8},
      {134, 4, "Spn354_0", LT_FLOAT},
      {165, 1, "RSSI_9", LT_S8},
      {187, 4, "spn169_29", LT_FLOAT},
      {227, 4, "Spn168_29", LT_FLOAT},
      {231, 2, "level7", LT_U16},
      {238, 4, "spreading_dosage_2", LT_FLOAT},
      {251, 10, "indicator_flags", LT_BYTES},
      {61452, 4, "userint4", LT_S32},
      {61464, 8, "userdouble4", LT_DOUBLE},
      {63490, 4, "acc2", LT_U32},
      {63492, 4, "shadowacc2", LT_FLOAT},
  };
  for (const auto& s : spots) {
    const loc_row* r = loc_find(s.id, s.len);
    ASSERT_NE(r, nullptr) << s.id;
    EXPECT_STREQ(r->column, s.column);
    EXPECT_EQ(r->type, s.type) << s.column;
  }
  EXPECT_EQ(loc_find(3, 8), nullptr);
  EXPECT_EQ(loc_find(257, 1), nullptr);
  EXPECT_EQ(loc_find(0, 1), nullptr);
}

}  // namespace
