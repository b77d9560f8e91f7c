// Device and location handlers through server_callback against the sandbox database.
#include <math.h>

#include "server/Handlers.h"
#include "tests/server/LocationItems.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

intptr_t raise(int32_t event, const void* record) {
  return server_callback(event, reinterpret_cast<intptr_t>(record));
}

ev_device_login login_of(const char* imei, const char* dscr, const char* vin = "VIN1") {
  return ev_device_login{imei, dscr, "8948000000000000001", 4008115, vin, "WX 12345", "TFW1",
                         3,    77};
}

const login_block* login(const ev_device_login& ev) {
  return reinterpret_cast<const login_block*>(raise(EV_DEVICE_LOGIN, &ev));
}

class HandlersDb : public DbTest {};

TEST_F(HandlersDb, FirstLoginInsertsAndIdenticalLoginRunsNoUpdate) {
  ev_device_login ev = login_of("358000000000001", "truck 7");
  const login_block* b = login(ev);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->udpmode, 0u);
  uint32_t id = b->device_id;
  EXPECT_EQ(sql->value("select concat_ws('|',id,imei,dscr,ccid,version,udpmode,vin,vrn,tachofw,"
                       "status,crcc) from devices"),
            std::to_string(id) +
                "|358000000000001|truck 7|8948000000000000001|4008115|0|VIN1|"
                "WX 12345|TFW1|3|77");

  uint32_t before = g_sql_requests.load();
  b = login(ev);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->device_id, id);
  EXPECT_EQ(g_sql_requests.load() - before, 1u) << "an identical login runs only its select";

  // A changed field rewrites the row; the stored UDP mode comes back with the login.
  ev_set_udp_mode mode = {id, 3};
  EXPECT_EQ(raise(EV_SET_UDP_MODE, &mode), 1);
  ev.vin = "VIN2";
  before = g_sql_requests.load();
  b = login(ev);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->udpmode, 2u);
  EXPECT_EQ(g_sql_requests.load() - before, 2u);
  EXPECT_EQ(sql->value("select vin from devices"), "VIN2");
}

TEST_F(HandlersDb, LongDescriptionRewritesTheRowAtEveryLogin) {
  ev_device_login ev = login_of("358000000000002", "a description of 26 chars");
  ASSERT_NE(login(ev), nullptr);
  for (int i = 0; i < 2; ++i) {
    uint32_t before = g_sql_requests.load();
    ASSERT_NE(login(ev), nullptr);
    EXPECT_EQ(g_sql_requests.load() - before, 2u);
  }
  EXPECT_EQ(sql->value("select dscr from devices"), "a description of 26 chars");
}

TEST_F(HandlersDb, QuotesAndBackslashesAreStoredVerbatim) {
  const char* dscr = "O'Brien \\ \"x\"";
  const char* imei = "35'\\0";
  ev_device_login ev = login_of(imei, dscr, "v';drop--");
  const login_block* b = login(ev);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(sql->value("select concat_ws('|',imei,dscr,vin) from devices"),
            std::string(imei) + "|" + dscr + "|v';drop--");
  EXPECT_EQ(raise(EV_FIND_DEVICE, imei), static_cast<intptr_t>(b->device_id));
  uint32_t before = g_sql_requests.load();
  ASSERT_NE(login(ev), nullptr);
  EXPECT_EQ(g_sql_requests.load() - before, 1u) << "read-back texts compare equal";

  ev_device_update up = {b->device_id, 5, "a'b", "c\\d", "e", 9, 10};
  EXPECT_EQ(raise(EV_DEVICE_UPDATE, &up), 1);
  EXPECT_EQ(sql->value("select concat_ws('|',version,vin,vrn,tachofw,status,crcc) from devices"),
            "5|a'b|c\\d|e|9|10");
}

TEST_F(HandlersDb, UdpModeFindAndList) {
  uint32_t a = login(login_of("111111111111111", "alpha"))->device_id;
  uint32_t b = login(login_of("2222222222222222222", "a name longer than 15"))->device_id;
  ev_set_udp_mode set = {b, 3};
  EXPECT_EQ(raise(EV_SET_UDP_MODE, &set), 1);
  EXPECT_EQ(sql->value("select udpmode from devices where id=" + std::to_string(b)), "2");

  const udp_mode_block* m =
      reinterpret_cast<const udp_mode_block*>(server_callback(EV_GET_UDP_MODE, b));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->udpmode, 2u);
  EXPECT_EQ(server_callback(EV_GET_UDP_MODE, 9999), 0) << "unregistered tracker";

  EXPECT_EQ(raise(EV_FIND_DEVICE, "111111111111111"), static_cast<intptr_t>(a));
  EXPECT_EQ(raise(EV_FIND_DEVICE, "999"), 0);
  EXPECT_EQ(raise(EV_FIND_DEVICE, "111111111111111 "), 0) << "IMEIs are compared byte for byte";

  const device_block* d =
      reinterpret_cast<const device_block*>(server_callback(EV_LIST_DEVICES, 0));
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->imei, "111111111111111");
  EXPECT_STREQ(d->dscr, "alpha");
  EXPECT_EQ(d->device_id, a);
  EXPECT_EQ(d->udpmode, 0u);
  ASSERT_NE(d->next, nullptr);
  EXPECT_STREQ(d->next->imei, "222222222222222") << "cut to 15 characters";
  EXPECT_STREQ(d->next->dscr, "a name longer t");
  EXPECT_EQ(d->next->udpmode, 2u);
  EXPECT_EQ(d->next->next, nullptr);

  sql->truncate_all();
  EXPECT_EQ(server_callback(EV_LIST_DEVICES, 0), 0) << "empty table gives no chain";
}

// One location with an item of every type, markers that leave items out, and lengths that
// do not match the catalogue.
TEST_F(HandlersDb, LocationStoresEachValueTypeAndSkipsMarkers) {
  ItemList items = {
      {1, le(3, 1)},                          // fixstat
      {2, le(0x80, 1)},                       // satuse -128: left out
      {3, f32(52.25f)},                       // latitude
      {4, f32(INFINITY)},                     // longitude +inf: left out
      {5, f64(1.0)},                          // altitude with 8 bytes: not in the catalogue
      {10, {26, 12, 11, 13, 45, 7}},          // gpsdatetime
      {12, le(0x80, 1)},                      // rawdin 128
      {20, le(0xFFFFFFFF, 4)},                // network -1
      {21, le(0xFFFF, 2)},                    // lac 65535
      {33, le(0x8000, 2)},                    // spn110 -32768: left out
      {34, le(0xFFFE, 2)},                    // spn172 -2
      {9, le(4000000000u, 4)},                // distance
      {29, le(0x8000000000000000ull, 8)},     // spn917 minimum: left out
      {61453, le(0xFFFFFFFFFFFFFFFFull, 8)},  // userlong1 -1
      {55, text16("AB'C\\D")},                // tagid
      {56, text16("0123456789ABCDEF")},       // driverid0, no terminator in 16 bytes
      {247, {0x01, 0xA2, 0xFF}},              // interface_status
      {61461, f64(-2.5)},                     // userdouble1
      {99999, le(1, 4)},                      // unknown id
  };
  ev_location ev = {7, 41, 5, items.first()};
  EXPECT_EQ(raise(EV_LOCATION, &ev), 1);
  EXPECT_EQ(
      sql->value("select concat_ws('|',device_id,seqno,event,fixstat,ifnull(satuse,'N'),"
                 "latitude,ifnull(longitude,'N'),ifnull(altitude,'N'),gpsdatetime,rawdin,"
                 "network,lac,ifnull(spn110,'N'),spn172,distance,ifnull(spn917,'N'),userlong1,"
                 "tagid,driverid0,hex(interface_status),userdouble1) from locdata"),
      "7|41|5|3|N|52.25|N|N|2026-12-11 13:45:07|128|-1|65535|N|-2|4000000000|N|-1|AB'C\\D|"
      "0123456789ABCDEF|01A2FF|-2.5");
  EXPECT_EQ(
      sql->value("select timestampdiff(second,locdatetime,utc_timestamp()) < 60 from locdata"),
      "1");
}

TEST_F(HandlersDb, RecentDataFollowsTheLatestLocation) {
  EXPECT_EQ(server_callback(EV_GET_SEQNO, 7), 0) << "no location yet";
  ItemList none = {};
  for (uint32_t seq : {10u, 11u}) {
    ev_location ev = {7, seq, 1, none.first()};
    EXPECT_EQ(raise(EV_LOCATION, &ev), 1);
  }
  ev_location other = {8, 99, 1, none.first()};
  EXPECT_EQ(raise(EV_LOCATION, &other), 1);
  EXPECT_EQ(sql->rows("select device_id,locdata_id,seqno from recentdata order by device_id"),
            (std::vector<std::string>{"7|2|11", "8|3|99"}));
  EXPECT_EQ(server_callback(EV_GET_SEQNO, 7), 11);
  EXPECT_EQ(sql->value("select count(*) from locdata where fixstat is null and latitude is null"),
            "3")
      << "a location without items stores only the fixed columns";
}

TEST_F(HandlersDb, RefusedLocationInsertLandsInWrongdata) {
  ItemList items = {{3, f32(NAN)}};  // "nan" is no SQL value: the database refuses the insert
  ev_location ev = {7, 12, 2, items.first()};
  std::string statement = loc_insert_statement(nullptr, &ev);
  EXPECT_EQ(raise(EV_LOCATION, &ev), 1) << "stored through wrongdata";
  EXPECT_EQ(sql->value("select count(*) from locdata"), "0");
  EXPECT_EQ(sql->value("select count(*) from recentdata"), "0") << "recentdata left as it was";
  std::vector<std::string> w = sql->rows("select device_id,name,query from wrongdata");
  ASSERT_EQ(w.size(), 1u);
  // The statement carries the time of the event; compare all but the seconds it may differ in.
  std::string expected = "7|locdata|" + statement;
  EXPECT_EQ(w[0].substr(0, 40), expected.substr(0, 40));
  EXPECT_EQ(w[0].substr(w[0].find("',7,12,2")), expected.substr(expected.find("',7,12,2")));
  EXPECT_NE(read_file(g_cfg.log_file).find("Database(0x"), std::string::npos);
}

TEST_F(HandlersDb, NoDatabaseFailsEveryEventAndLogsOneConnectError) {
  g_cfg.sql_port = 1;  // nothing listens there
  EXPECT_EQ(login(login_of("1", "x")), nullptr);
  ev_location ev = {1, 1, 1, nullptr};
  EXPECT_EQ(raise(EV_LOCATION, &ev), 0);
  EXPECT_EQ(raise(EV_FIND_DEVICE, "1"), 0);
  EXPECT_EQ(server_callback(EV_LIST_DEVICES, 0), 0);
  EXPECT_EQ(db_connected_count(), 0);
  std::string log = read_file(g_cfg.log_file);
  size_t lines = 0;
  for (size_t at = log.find("Database("); at != std::string::npos;
       at = log.find("Database(", at + 1))
    ++lines;
  EXPECT_EQ(lines, 4u) << log;
}

}  // namespace
