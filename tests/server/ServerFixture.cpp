#include "tests/server/ServerFixture.h"

#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace srvtest {

std::vector<sent_command> g_sent_commands;
std::vector<sent_data> g_sent_data;

namespace {

std::mutex g_blocks_lock;
std::vector<void*> g_blocks;

void* fake_alloc(uint32_t size) {
  void* p = calloc(1, size);
  std::lock_guard<std::mutex> lock(g_blocks_lock);
  g_blocks.push_back(p);
  return p;
}
int32_t fake_start(const comm_settings*) {
  return 1;
}
void fake_send_command(uint32_t device_id, uint32_t outbox_id, int32_t count, const uint8_t* b) {
  sent_command c{device_id, outbox_id, count, {}};
  if (b) {
    size_t n = COMMAND_HEADER_SIZE + (b[2] | (b[3] << 8));
    c.block.assign(b, b + n);
  }
  g_sent_commands.push_back(c);
}
void fake_send_data(uint32_t key, uint32_t kind, int32_t count, const uint8_t* b) {
  sent_data d{key, kind, count, {}};
  if (b) d.block.assign(b, b + 2 + (b[0] | (b[1] << 8)));
  g_sent_data.push_back(d);
}
void fake_stop() {}
uint32_t fake_zero_u() {
  return 0;
}
int32_t fake_zero() {
  return 0;
}
const char* fake_version() {
  return "fake";
}

const comm_table kFakeTable = {COMM_ORDINAL_COUNT, fake_start,  fake_send_command, fake_send_data,
                               fake_stop,          fake_zero_u, fake_zero_u,       fake_zero,
                               fake_zero,          fake_zero,   fake_version,      fake_alloc};

std::string cfg_value(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  return "";
}

}  // namespace

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {
std::vector<std::string> g_temp_dirs;
void remove_temp_dirs() {
  for (const std::string& d : g_temp_dirs) std::filesystem::remove_all(d);
}
}  // namespace

std::string temp_dir() {
  char tmpl[] = "/tmp/ravoksrv-test-XXXXXX";
  char* d = mkdtemp(tmpl);
  if (!d) return "/tmp/";
  if (g_temp_dirs.empty()) atexit(remove_temp_dirs);
  g_temp_dirs.push_back(d);
  return std::string(d) + "/";
}

void init_server_state() {
  memset(&g_cfg, 0, sizeof g_cfg);
  static std::string dir = temp_dir();
  snprintf(g_cfg.log_file, sizeof g_cfg.log_file, "%sserver.log", dir.c_str());
  remove(g_cfg.log_file);
  g_comm = &kFakeTable;
  g_sent_commands.clear();
  g_sent_data.clear();
  ASSERT_TRUE(server_init());
  ASSERT_TRUE(db_init());
  ASSERT_TRUE(log_init());
}

void free_blocks() {
  std::lock_guard<std::mutex> lock(g_blocks_lock);
  for (void* p : g_blocks) free(p);
  g_blocks.clear();
}

std::string sandbox_dir() {
  const char* d = getenv("RAVOK_SANDBOX_DIR");
  return d ? d : "";
}

std::string sandbox_script() {
  const char* s = getenv("RAVOK_SANDBOX_SCRIPT");
  return s ? s : "";
}

bool load_sandbox_config() {
  std::string text = read_file(sandbox_dir() + "/sandbox.cfg");
  if (text.empty()) return false;
  snprintf(g_cfg.sql_database, CFG_TEXT_SIZE, "%s", cfg_value(text, "SQL_DATABASE").c_str());
  snprintf(g_cfg.sql_host, CFG_TEXT_SIZE, "%s", cfg_value(text, "SQL_HOST").c_str());
  snprintf(g_cfg.sql_user, CFG_TEXT_SIZE, "%s", cfg_value(text, "SQL_USER").c_str());
  snprintf(g_cfg.sql_passwd, CFG_TEXT_SIZE, "%s", cfg_value(text, "SQL_PASSWD").c_str());
  g_cfg.sql_port = atoi(cfg_value(text, "SQL_PORT").c_str());
  g_cfg.sql_timeout = 60;
  return g_cfg.sql_port > 0;
}

Inspector::Inspector() {
  db_ = mysql_init(nullptr);
  mysql_options(db_, MYSQL_SET_CHARSET_NAME, "latin1");
  unsigned int tcp = MYSQL_PROTOCOL_TCP;
  mysql_options(db_, MYSQL_OPT_PROTOCOL, &tcp);
  if (!mysql_real_connect(db_, g_cfg.sql_host, g_cfg.sql_user, g_cfg.sql_passwd, g_cfg.sql_database,
                          static_cast<unsigned>(g_cfg.sql_port), nullptr, 0)) {
    ADD_FAILURE() << "inspector cannot connect: " << mysql_error(db_);
    mysql_close(db_);
    db_ = nullptr;
  }
}

Inspector::~Inspector() {
  if (db_) mysql_close(db_);
}

void Inspector::exec(const std::string& q) {
  ASSERT_TRUE(db_);
  ASSERT_EQ(mysql_query(db_, q.c_str()), 0) << q << ": " << mysql_error(db_);
  MYSQL_RES* r = mysql_store_result(db_);
  if (r) mysql_free_result(r);
}

std::vector<std::string> Inspector::rows(const std::string& q) {
  std::vector<std::string> out;
  if (!db_) return out;
  if (mysql_query(db_, q.c_str()) != 0) {
    ADD_FAILURE() << q << ": " << mysql_error(db_);
    return out;
  }
  MYSQL_RES* r = mysql_store_result(db_);
  if (!r) return out;
  unsigned n = mysql_num_fields(r);
  while (MYSQL_ROW row = mysql_fetch_row(r)) {
    unsigned long* len = mysql_fetch_lengths(r);
    std::string line;
    for (unsigned i = 0; i < n; ++i) {
      if (i) line += '|';
      line += row[i] ? std::string(row[i], len[i]) : "NULL";
    }
    out.push_back(line);
  }
  mysql_free_result(r);
  return out;
}

std::string Inspector::value(const std::string& q) {
  std::vector<std::string> r = rows(q);
  return r.empty() ? "<none>" : r[0];
}

void Inspector::truncate_all() {
  for (const char* t :
       {"devices", "locdata", "recentdata", "outbox", "inbox", "en15430", "files", "wrongdata"})
    exec(std::string("truncate table ") + t);
}

void DbTest::SetUp() {
  init_server_state();
  ASSERT_TRUE(load_sandbox_config()) << "RAVOK_SANDBOX_DIR does not name a started sandbox";
  sql = new Inspector;
  ASSERT_TRUE(sql->ok());
  sql->truncate_all();
}

void DbTest::TearDown() {
  db_done();
  free_blocks();
  delete sql;
  sql = nullptr;
}

}  // namespace srvtest
