// Shared set-up of the server tests: a fake communications library that records what the
// server hands it, a log file of its own, and (for the database tests) the sandbox's
// connection settings with a second, independent connection to look at the tables.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>

#include <string>
#include <vector>

#include "server/Db.h"
#include "server/Server.h"

namespace srvtest {

// Reads a whole file; empty when missing.
std::string read_file(const std::string& path);
// A fresh temporary directory (ends with '/').
std::string temp_dir();

// Installs the fake library table and a temporary log; clears the configuration.
void init_server_state();
// The fake library's blocks: every comm_alloc block, to be freed by the test.
void free_blocks();

struct sent_command {
  uint32_t device_id, outbox_id;
  int32_t count;
  std::vector<uint8_t> block;
};
extern std::vector<sent_command> g_sent_commands;
struct sent_data {
  uint32_t key, kind;
  int32_t count;
  std::vector<uint8_t> block;
};
extern std::vector<sent_data> g_sent_data;

// Points the server at the sandbox database named by RAVOK_SANDBOX_DIR.
bool load_sandbox_config();
std::string sandbox_dir();
std::string sandbox_script();

// An independent connection to the sandbox database for checking rows.
class Inspector {
 public:
  Inspector();
  ~Inspector();
  bool ok() const { return db_ != nullptr; }
  // Runs a statement; fails the test on error.
  void exec(const std::string& sql);
  // First column of the first row, "NULL" for NULL, "<none>" without rows.
  std::string value(const std::string& sql);
  // All rows, columns joined with '|'.
  std::vector<std::string> rows(const std::string& sql);
  void truncate_all();

 private:
  MYSQL* db_ = nullptr;
};

// Fixture of the database tests: server state, sandbox config, empty tables.
class DbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  Inspector* sql = nullptr;
};

}  // namespace srvtest
