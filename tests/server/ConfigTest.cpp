// Server.cfg reading and the log line prefix.
#include <fstream>

#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

const char* const kGoodLines[17] = {
    "DEVICE_PORT=5000",      "TELNET_PORT=5001",        "LOG_FILE=/var/log/ravok.log",
    "SQL_DATABASE=ravok",    "SQL_HOST=db.local",       "SQL_USER=data",
    "SQL_PASSWD=secret1",    "SQL_PORT=3306",           "TELNET_PASSWD=secret2",
    "RCV_TIMEOUT=-5",        "SND_TIMEOUT=+7",          "CMMD_TIMEOUT=30",
    "SQL_TIMEOUT=600",       "DRIVER_DIR=/srv/driver/", "SCANNER_DIR=/srv/scan/",
    "FIRMWARE_DIR=/srv/fw/", "UBLOX_TOKEN=tok123",
};

std::string good_file(int replace = -1, const char* with = nullptr, int lines = 17) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::string(i == replace ? with : kGoodLines[i]) + "\n";
  return text;
}

std::string write_temp(const std::string& text) {
  static std::string dir = temp_dir();
  static int n = 0;
  std::string path = dir + "cfg" + std::to_string(n++);
  std::ofstream(path) << text;
  return path;
}

TEST(Config, ReadsAllSeventeenLines) {
  server_config c;
  ASSERT_TRUE(config_read(write_temp(good_file()).c_str(), &c));
  EXPECT_EQ(c.device_port, 5000);
  EXPECT_EQ(c.telnet_port, 5001);
  EXPECT_STREQ(c.log_file, "/var/log/ravok.log");
  EXPECT_STREQ(c.sql_database, "ravok");
  EXPECT_STREQ(c.sql_host, "db.local");
  EXPECT_STREQ(c.sql_user, "data");
  EXPECT_STREQ(c.sql_passwd, "secret1");
  EXPECT_EQ(c.sql_port, 3306);
  EXPECT_STREQ(c.telnet_passwd, "secret2");
  EXPECT_EQ(c.rcv_timeout, -5);
  EXPECT_EQ(c.snd_timeout, 7);
  EXPECT_EQ(c.cmmd_timeout, 30);
  EXPECT_EQ(c.sql_timeout, 600);
  EXPECT_STREQ(c.driver_dir, "/srv/driver/");
  EXPECT_STREQ(c.scanner_dir, "/srv/scan/");
  EXPECT_STREQ(c.firmware_dir, "/srv/fw/");
  EXPECT_TRUE(c.ublox_present);
  EXPECT_STREQ(c.ublox_token, "tok123");
}

struct config_case {
  const char* name;
  std::string text;
  bool valid;
};

TEST(Config, TableOfFiles) {
  std::string swapped = good_file();
  swapped.replace(0, 34, std::string(kGoodLines[1]) + "\n" + kGoodLines[0] + "\n");
  const config_case cases[] = {
      {"empty token", good_file(16, "UBLOX_TOKEN="), true},
      {"other 17th line", good_file(16, "SOMETHING"), true},
      {"extra lines ignored", good_file() + "garbage\nmore\n", true},
      {"no line end at the end", good_file().substr(0, good_file().size() - 1), true},
      {"only 16 lines", good_file(-1, nullptr, 16), false},
      {"lines swapped", swapped, false},
      {"port not a number", good_file(0, "DEVICE_PORT=abc"), false},
      {"blank before key", good_file(3, " SQL_DATABASE=ravok"), false},
      {"empty text value", good_file(4, "SQL_HOST="), false},
      {"lower-case key", good_file(1, "telnet_port=5001"), false},
      {"empty file", "", false},
  };
  for (const config_case& k : cases) {
    server_config c;
    EXPECT_EQ(config_read(write_temp(k.text).c_str(), &c), k.valid) << k.name;
  }
  server_config c;
  EXPECT_FALSE(config_read("/nonexistent/Server.cfg", &c));
  ASSERT_TRUE(config_read(write_temp(good_file(16, "UBLOX_TOKEN=")).c_str(), &c));
  EXPECT_FALSE(c.ublox_present);
  ASSERT_TRUE(config_read(write_temp(good_file(5, "SQL_USER=data user")).c_str(), &c));
  EXPECT_STREQ(c.sql_user, "data") << "a text value ends at the first blank";
}

TEST(Config, EchoNeverShowsPasswords) {
  init_server_state();
  server_config c;
  ASSERT_TRUE(config_read(write_temp(good_file()).c_str(), &c));
  snprintf(c.log_file, sizeof c.log_file, "%s", g_cfg.log_file);
  g_cfg = c;
  g_log_clock = 0;
  config_echo(&c);
  std::string log = read_file(c.log_file);
  EXPECT_EQ(log.find("secret"), std::string::npos);
  EXPECT_EQ(log.find("tok123"), std::string::npos);
  EXPECT_NE(log.find("000000 SQL_PASSWD=***\n000000 SQL_PORT=3306\n000000 TELNET_PASSWD=***\n"),
            std::string::npos);
  EXPECT_NE(log.find("000000 UBLOX_TOKEN=***\n"), std::string::npos);
  EXPECT_EQ(log.substr(0, 24), "000000 DEVICE_PORT=5000\n");
}

TEST(Log, PrefixIsTheLastTickAndLinesAreAppended) {
  init_server_state();
  struct tm tm = {};
  tm.tm_year = 126;
  tm.tm_mon = 11;
  tm.tm_mday = 11;
  tm.tm_hour = 7;
  tm.tm_min = 5;
  tm.tm_sec = 9;
  EXPECT_EQ(log_clock_of(timegm(&tm)), 70509u);
  g_log_clock = 0;
  log_write("first %d\n", 1);
  g_log_clock = 70509;
  log_write("second\n");
  log_write("%s", "third\n");
  EXPECT_EQ(read_file(g_cfg.log_file), "000000 first 1\n070509 second\n070509 third\n");
  snprintf(g_cfg.log_file, sizeof g_cfg.log_file, "/nonexistent/dir/log");
  log_write("dropped\n");  // an unwritable log loses the line and goes on
  g_log_clock = 0;
}

}  // namespace
