// The connection pool against the sandbox database: column copying, contention, failures
// that close a connection, the idle sweep, and a database restarted under the server.
#include <stdlib.h>

#include <chrono>
#include <thread>
#include <vector>

#include "tests/server/LocationItems.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

class PoolDb : public DbTest {};

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(PoolDb, ColumnsAreCutTerminatedAndNullBecomesText) {
  db_slot* s = db_acquire();
  ASSERT_NE(s, nullptr);
  char a[4] = "zzz", b[16], c[8] = "keep";
  EXPECT_EQ(
      db_select_row(s, "select 'abcdef', NULL, 'x'", 3, a, sizeof a, b, sizeof b, c, size_t{0}), 1);
  EXPECT_STREQ(a, "abc");
  EXPECT_STREQ(b, "NULL");
  EXPECT_STREQ(c, "keep") << "a column with size 0 is skipped";
  EXPECT_EQ(db_select_row(s, "select 1 from devices", 1, a, sizeof a), 0);
  EXPECT_EQ(db_select_row(s, "select 1 union select 2", 1, a, sizeof a), 2);
  EXPECT_STREQ(a, "1") << "only the first row is copied";

  ASSERT_EQ(db_select_rows(s, "select 1 union select 2 union select 3"), 3);
  std::string seen;
  while (db_next_row(s, 1, a, sizeof a)) seen += a;
  EXPECT_EQ(seen, "123");
  db_free_rows(s);
  EXPECT_EQ(db_select_row(s, "select nonsense from nowhere", 1, a, sizeof a), -1);
  db_release(s, true);
}

TEST_F(PoolDb, RefusedStatementClosesTheConnectionAndTheNextUserReconnects) {
  db_slot* s = db_acquire();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(db_exec(s, "update nowhere set x=1"), 0);
  db_release(s, false);
  EXPECT_EQ(db_connected_count(), 0);
  s = db_acquire();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(db_exec(s, "update devices set udpmode=0"), 1);
  db_release(s, true);
  std::string log = read_file(g_cfg.log_file);
  EXPECT_EQ(count_of(log, "Connected\n"), 2) << log;
  EXPECT_EQ(count_of(log, "Disconnected\n"), 1) << log;
}

TEST_F(PoolDb, IdleSweepClosesConnectionsOlderThanTheTimeout) {
  db_slot* s = db_acquire();
  ASSERT_NE(s, nullptr);
  db_release(s, true);
  db_idle_sweep(s->last_used, 0);
  EXPECT_EQ(db_connected_count(), 1) << "used in this very second";
  db_idle_sweep(s->last_used + 1, 0);
  EXPECT_EQ(db_connected_count(), 0);
  EXPECT_EQ(count_of(read_file(g_cfg.log_file), "Disconnected\n"), 1);
}

// More threads than slots: every event is stored, never more than ten connections open.
TEST_F(PoolDb, ContentionStoresEveryEvent) {
  const int kThreads = 24, kEvents = 15;
  std::vector<std::thread> threads;
  std::atomic<int> stored{0};
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      ItemList items = {{1, le(3, 1)}, {3, f32(50.0f + t)}};
      for (int i = 0; i < kEvents; ++i) {
        ev_location ev = {static_cast<uint32_t>(100 + t), static_cast<uint32_t>(i), 1,
                          items.first()};
        stored += static_cast<int>(server_callback(EV_LOCATION, reinterpret_cast<intptr_t>(&ev)));
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(stored.load(), kThreads * kEvents);
  EXPECT_EQ(sql->value("select count(*) from locdata"), std::to_string(kThreads * kEvents));
  EXPECT_EQ(
      sql->value("select count(*) from recentdata where seqno=" + std::to_string(kEvents - 1)),
      std::to_string(kThreads));
  EXPECT_LE(db_connected_count(), DB_SLOT_COUNT);
}

TEST_F(PoolDb, CallerWaitsForAFreeSlotThenGivesUp) {
  db_slot* held[DB_SLOT_COUNT];
  for (auto& h : held) ASSERT_NE(h = db_acquire(), nullptr);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    db_release(held[4], true);
  });
  auto t0 = std::chrono::steady_clock::now();
  db_slot* got = db_acquire();
  auto waited = std::chrono::steady_clock::now() - t0;
  releaser.join();
  EXPECT_EQ(got, held[4]);
  EXPECT_GE(waited, std::chrono::milliseconds(1500));
  EXPECT_EQ(count_of(read_file(g_cfg.log_file), "can't get free connection"), 0);

  t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(db_acquire(), nullptr) << "all ten slots held for ten passes";
  EXPECT_GE(std::chrono::steady_clock::now() - t0,
            std::chrono::milliseconds((DB_ACQUIRE_PASSES - 1) * DB_PASS_WAIT_MS));
  EXPECT_EQ(count_of(read_file(g_cfg.log_file), "Database: can't get free connection\n"), 1);
  for (auto& h : held) db_release(h, true);
}

TEST_F(PoolDb, DatabaseRestartedMidRunIsReconnected) {
  ASSERT_FALSE(sandbox_script().empty());
  ev_location ev = {5, 1, 1, nullptr};
  intptr_t arg = reinterpret_cast<intptr_t>(&ev);
  ASSERT_EQ(server_callback(EV_LOCATION, arg), 1);
  std::string port = std::to_string(g_cfg.sql_port);
  std::string dir = sandbox_dir();
  ASSERT_EQ(system((sandbox_script() + " stop " + dir + " --keep").c_str()), 0);
  EXPECT_EQ(server_callback(EV_LOCATION, arg), 0) << "statement on the lost connection";
  EXPECT_EQ(server_callback(EV_LOCATION, arg), 0) << "connect refused";
  EXPECT_EQ(db_connected_count(), 0);
  ASSERT_EQ(system((sandbox_script() + " start " + dir + " " + port + " >/dev/null").c_str()), 0);
  ev.seqno = 2;
  EXPECT_EQ(server_callback(EV_LOCATION, arg), 1);
  EXPECT_EQ(db_connected_count(), 1);
  Inspector after;
  EXPECT_EQ(after.value("select seqno from recentdata where device_id=5"), "2");
}

}  // namespace
