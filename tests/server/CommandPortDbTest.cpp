// The real communications library, loaded as the server loads it, serving the command port
// to a line client, with the server's handlers and the sandbox database behind it.
#include <stdlib.h>

#include "tests/server/LineClient.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

class CommandPortDb : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    snprintf(g_cfg.telnet_passwd, CFG_TEXT_SIZE, "pw'1");
    table_ = comm_load(RAVOKCOMM_PATH, &handle_);
    ASSERT_NE(table_, nullptr) << RAVOKCOMM_PATH;
    g_comm = table_;
    settings_ = {};
    settings_.device_port = free_port();
    settings_.telnet_port = free_port();
    settings_.callback = server_callback;
    ASSERT_EQ(table_->comm_start(&settings_), 1);
  }
  void TearDown() override {
    if (table_) table_->comm_stop();
    comm_unload(handle_);
    DbTest::TearDown();
  }
  void login(LineClient& c) {
    ASSERT_TRUE(c.connect(settings_.telnet_port));
    EXPECT_EQ(c.read_until("username:"), "username:");
    c.send_line("admin");
    EXPECT_EQ(c.read_until("passwd:"), "passwd:");
    c.send_line("pw'1");
    EXPECT_EQ(c.read_until("command:\r\n"), "command:\r\n");
  }

  const comm_table* table_ = nullptr;
  void* handle_ = nullptr;
  comm_settings settings_;
};

TEST_F(CommandPortDb, ManagerSessionListsAndSetsModes) {
  ev_device_login a = {"358000000000001", "truck 7", "", 4008115, "", "", "", 0, 0};
  ev_device_login b = {"358000000000002", "van", "", 4008116, "", "", "", 0, 0};
  // The real library's blocks: the test stands in for the library and frees them.
  free(reinterpret_cast<void*>(server_callback(EV_DEVICE_LOGIN, reinterpret_cast<intptr_t>(&a))));
  free(reinterpret_cast<void*>(server_callback(EV_DEVICE_LOGIN, reinterpret_cast<intptr_t>(&b))));

  LineClient c;
  login(c);
  EXPECT_EQ(table_->comm_config_count(), 1);
  c.send_line("list");
  EXPECT_EQ(c.read_until("command:\r\n"),
            "item: 358000000000001,truck 7,1,,0,0,0,,0,,0\r\n"
            "item: 358000000000002,van,2,,0,0,0,,0,,0\r\n"
            "command:\r\n");
  c.send_line("setmode 358000000000002,2");
  EXPECT_EQ(c.read_until("command:\r\n"), "ok\r\ncommand:\r\n");
  EXPECT_EQ(sql->value("select udpmode from devices where id=2"), "2");
  c.send_line("devices");
  EXPECT_EQ(c.read_until("command:\r\n"),
            "item: 358000000000001,truck 7,1,0\r\nitem: 358000000000002,van,2,2\r\ncommand:\r\n");
  c.send_line("readcfg 358000000000001");
  EXPECT_EQ(c.read_until("command:\r\n"), "error: device not connected\r\ncommand:\r\n");
  EXPECT_GT(table_->comm_bytes_received(), 0u);
  EXPECT_GT(table_->comm_bytes_sent(), 0u);
}

TEST_F(CommandPortDb, WrongPasswordIsRefused) {
  LineClient c;
  ASSERT_TRUE(c.connect(settings_.telnet_port));
  EXPECT_EQ(c.read_until("username:"), "username:");
  c.send_line("admin");
  EXPECT_EQ(c.read_until("passwd:"), "passwd:");
  c.send_line("pw");
  EXPECT_EQ(c.read_until("bye\r\n"), "bye\r\n");
  EXPECT_TRUE(c.closed_by_peer());
  EXPECT_EQ(table_->comm_config_count(), 0);
}

TEST_F(CommandPortDb, OverlongLineEndsOnlyThatSession) {
  LineClient bad, good;
  login(bad);
  bad.send_line(std::string(10000, 'x'));
  EXPECT_TRUE(bad.closed_by_peer());
  login(good);
  good.send_line("break");
  EXPECT_EQ(good.read_until("command:\r\n"), "command:\r\n");
}

}  // namespace
