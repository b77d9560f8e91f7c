// EV_LOCATION events per second through server_callback into the sandbox database, against
// a bare client loop that sends the same statements on its own connections.
//   RAVOK_SANDBOX_DIR=DIR bench_server_location      (bench/server/run-location-bench does it all)
#include <benchmark/benchmark.h>
#include <mysql.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "server/Db.h"
#include "server/Handlers.h"
#include "server/Server.h"

namespace {

const int kThreads = 10;

std::vector<uint8_t> le(uint64_t v, int n) {
  std::vector<uint8_t> b;
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return b;
}
std::vector<uint8_t> f32(float f) {
  uint32_t bits;
  memcpy(&bits, &f, 4);
  return le(bits, 4);
}

// What a tracker on the road reports: position, time, inputs, GSM cell, CAN values, a driver.
struct realistic_location {
  std::vector<std::vector<uint8_t>> values;
  std::vector<loc_item> items;
  realistic_location() {
    std::vector<uint8_t> driver(16, 0);
    memcpy(driver.data(), "0000012345678901", 16);
    const std::pair<uint32_t, std::vector<uint8_t>> spec[] = {
        {1, le(3, 1)},
        {2, le(9, 1)},
        {3, f32(52.2297f)},
        {4, f32(21.0122f)},
        {5, f32(110.5f)},
        {7, f32(271.3f)},
        {8, f32(63.2f)},
        {9, le(1234567, 4)},
        {10, {26, 12, 11, 13, 45, 7}},
        {12, le(0x15, 1)},
        {13, le(0x01, 1)},
        {14, le(0x14, 1)},
        {15, f32(12.6f)},
        {16, f32(0.0f)},
        {19, le(23, 1)},
        {20, le(26001, 4)},
        {21, le(1234, 2)},
        {22, le(56789, 2)},
        {27, f32(1450.0f)},
        {28, f32(62.5f)},
        {30, f32(48.0f)},
        {31, f32(120000.5f)},
        {56, driver},
        {58, le(740, 2)},
        {102, le(1765460707, 4)},
    };
    for (const auto& s : spec) values.push_back(s.second);
    items.resize(values.size());
    for (size_t i = 0; i < values.size(); ++i)
      items[i] = {i + 1 < values.size() ? &items[i + 1] : nullptr, spec[i].first,
                  static_cast<uint32_t>(values[i].size()), values[i].data()};
  }
};

const realistic_location& location() {
  static const realistic_location l;
  return l;
}

void* bench_alloc(uint32_t size) {
  return malloc(size);
}
int32_t zero() {
  return 0;
}
uint32_t zero_u() {
  return 0;
}
const comm_table kTable = {COMM_ORDINAL_COUNT,
                           nullptr,
                           nullptr,
                           nullptr,
                           nullptr,
                           zero_u,
                           zero_u,
                           zero,
                           zero,
                           zero,
                           nullptr,
                           bench_alloc};

std::string cfg_value(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  return "";
}

bool setup_once() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    const char* dir = getenv("RAVOK_SANDBOX_DIR");
    if (!dir) return;
    std::ifstream in(std::string(dir) + "/sandbox.cfg");
    std::stringstream s;
    s << in.rdbuf();
    std::string t = s.str();
    snprintf(g_cfg.sql_database, CFG_TEXT_SIZE, "%s", cfg_value(t, "SQL_DATABASE").c_str());
    snprintf(g_cfg.sql_host, CFG_TEXT_SIZE, "%s", cfg_value(t, "SQL_HOST").c_str());
    snprintf(g_cfg.sql_user, CFG_TEXT_SIZE, "%s", cfg_value(t, "SQL_USER").c_str());
    snprintf(g_cfg.sql_passwd, CFG_TEXT_SIZE, "%s", cfg_value(t, "SQL_PASSWD").c_str());
    g_cfg.sql_port = atoi(cfg_value(t, "SQL_PORT").c_str());
    snprintf(g_cfg.log_file, CFG_TEXT_SIZE, "%s/bench.log", dir);
    g_comm = &kTable;
    ok = g_cfg.sql_port > 0 && server_init() && db_init() && log_init();
  });
  return ok;
}

void BM_LocationThroughCallback(benchmark::State& state) {
  if (!setup_once()) {
    state.SkipWithError("RAVOK_SANDBOX_DIR does not name a started sandbox");
    return;
  }
  ev_location ev = {static_cast<uint32_t>(1000 + state.thread_index()), 0, 1,
                    location().items.data()};
  int64_t failed = 0;
  for (auto _ : state) {
    ++ev.seqno;
    if (server_callback(EV_LOCATION, reinterpret_cast<intptr_t>(&ev)) != 1) ++failed;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["failed"] = static_cast<double>(failed);
}

// The same three statements per event (locdata insert, recentdata lookup, recentdata update)
// sent by a plain loop, one connection per thread.
void BM_BareClientSameStatements(benchmark::State& state) {
  if (!setup_once()) {
    state.SkipWithError("RAVOK_SANDBOX_DIR does not name a started sandbox");
    return;
  }
  MYSQL* db = mysql_init(nullptr);
  mysql_options(db, MYSQL_SET_CHARSET_NAME, "latin1");
  if (!mysql_real_connect(db, g_cfg.sql_host, g_cfg.sql_user, g_cfg.sql_passwd, g_cfg.sql_database,
                          static_cast<unsigned>(g_cfg.sql_port), nullptr, 0)) {
    state.SkipWithError(mysql_error(db));
    mysql_close(db);
    return;
  }
  uint32_t device = static_cast<uint32_t>(2000 + state.thread_index());
  ev_location ev = {device, 0, 1, location().items.data()};
  std::string insert = loc_insert_statement(nullptr, &ev);
  std::string select =
      "select locdata_id from recentdata where device_id=" + std::to_string(device);
  std::string first = "insert into recentdata(id,device_id,locdata_id,seqno) values(DEFAULT," +
                      std::to_string(device) + ",0,0)";
  mysql_query(db, first.c_str());
  int64_t failed = 0;
  uint32_t seqno = 0;
  for (auto _ : state) {
    ++seqno;
    if (mysql_query(db, insert.c_str()) != 0) {
      ++failed;
      continue;
    }
    unsigned long long id = mysql_insert_id(db);
    if (mysql_query(db, select.c_str()) == 0) {
      MYSQL_RES* r = mysql_store_result(db);
      if (r) mysql_free_result(r);
    }
    std::string update = "update recentdata set locdata_id=" + std::to_string(id) +
                         ",seqno=" + std::to_string(seqno) +
                         " where device_id=" + std::to_string(device);
    if (mysql_query(db, update.c_str()) != 0) ++failed;
  }
  mysql_close(db);
  state.SetItemsProcessed(state.iterations());
  state.counters["failed"] = static_cast<double>(failed);
}

BENCHMARK(BM_LocationThroughCallback)->Threads(kThreads)->UseRealTime()->MinTime(5.0);
BENCHMARK(BM_BareClientSameStatements)->Threads(kThreads)->UseRealTime()->MinTime(5.0);

}  // namespace

BENCHMARK_MAIN();
