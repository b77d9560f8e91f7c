// The command port's line protocol, against a scripted server callback.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "comm/CommandPort.h"

namespace {

struct fake_server {
  std::vector<std::string> passwords;
  std::vector<std::string> found;
  std::vector<ev_set_udp_mode> modes;
  bool store_ok = true;
} g_fake;

device_block* device(const char* imei, const char* dscr, uint32_t id, uint32_t mode) {
  device_block* b = static_cast<device_block*>(calloc(1, sizeof(device_block)));
  memcpy(b->imei, imei, strnlen(imei, 15));
  memcpy(b->dscr, dscr, strnlen(dscr, 15));
  b->device_id = id;
  b->udpmode = mode;
  return b;
}

intptr_t fake_raise(int32_t event, intptr_t arg) {
  switch (event) {
    case EV_CHECK_PASSWORD: {
      const char* p = reinterpret_cast<const ev_check_password*>(arg)->password;
      g_fake.passwords.push_back(p);
      return strcmp(p, "pw") == 0 ? 1 : 0;
    }
    case EV_LIST_DEVICES: {
      device_block* a = device("358000000000001", "truck, 7", 3, 0);
      a->next = device("358000000000002", "van\r\ncommand:", 9, 2);
      return reinterpret_cast<intptr_t>(a);
    }
    case EV_FIND_DEVICE: {
      std::string imei = reinterpret_cast<const char*>(arg);
      g_fake.found.push_back(imei);
      return imei == "358000000000001" ? 3 : 0;
    }
    case EV_SET_UDP_MODE:
      g_fake.modes.push_back(*reinterpret_cast<const ev_set_udp_mode*>(arg));
      return g_fake.store_ok ? 1 : 0;
  }
  return 0;
}

command_port logged_in_port() {
  command_port p(fake_raise);
  p.handle_line("admin\r\n");
  p.handle_line("pw\r\n");
  return p;
}

TEST(CommandPort, LoginPromptsWithoutLineEndThenCommandPrompt) {
  g_fake = {};
  EXPECT_EQ(command_port_greeting(), "username:");
  command_port p(fake_raise);
  command_answer a = p.handle_line("admin\r\n");
  EXPECT_EQ(a.text, "passwd:");
  EXPECT_FALSE(a.close);
  a = p.handle_line("pw\r\n");
  EXPECT_EQ(a.text, "command:\r\n");
  EXPECT_FALSE(a.close);
  EXPECT_TRUE(p.logged_in());
  EXPECT_EQ(g_fake.passwords, std::vector<std::string>{"pw"});
}

TEST(CommandPort, WrongPasswordSaysByeAndCloses) {
  command_port p(fake_raise);
  p.handle_line("admin\n");
  command_answer a = p.handle_line("PW\n");
  EXPECT_EQ(a.text, "bye\r\n");
  EXPECT_TRUE(a.close);
  EXPECT_FALSE(p.logged_in());
}

TEST(CommandPort, ListAndDevicesAnswerFromTheDeviceChain) {
  command_port p = logged_in_port();
  EXPECT_EQ(p.handle_line("list\r\n").text,
            "item: 358000000000001,truck_ 7,3,,0,0,0,,0,,0\r\n"
            "item: 358000000000002,van__command:,9,,0,0,0,,0,,0\r\n"
            "command:\r\n");
  EXPECT_EQ(p.handle_line("devices\r\n").text,
            "item: 358000000000001,truck_ 7,3,0\r\n"
            "item: 358000000000002,van__command:,9,2\r\n"
            "command:\r\n");
}

TEST(CommandPort, CommandTable) {
  const struct {
    const char* line;
    const char* answer;
  } cases[] = {
      {"break", "command:\r\n"},
      {"", "command:\r\n"},
      {"setmode 358000000000001,1", "ok\r\ncommand:\r\n"},
      {"setmode 358000000000009,1", "error: unknown device\r\ncommand:\r\n"},
      {"setmode 358000000000001,3",
       "error: usage setmode IMEI,MODE (0 TCP, 1 UDP, 2 NoSleep)\r\ncommand:\r\n"},
      {"setmode 358000000000001,x",
       "error: usage setmode IMEI,MODE (0 TCP, 1 UDP, 2 NoSleep)\r\ncommand:\r\n"},
      {"setmode", "error: usage setmode IMEI,MODE (0 TCP, 1 UDP, 2 NoSleep)\r\ncommand:\r\n"},
      {"readcfg 358000000000001", "error: device not connected\r\ncommand:\r\n"},
      {"writecfg 358000000000001,3", "error: device not connected\r\ncommand:\r\n"},
      {"getparam 358000000000009,4", "error: unknown device\r\ncommand:\r\n"},
      {"data", "error: no device given\r\ncommand:\r\n"},
      {"item: 65535,4,01000400", ""},
      {"frobnicate 1", "error: unknown command\r\ncommand:\r\n"},
      {"LIST", "error: unknown command\r\ncommand:\r\n"},
      {" list", "error: unknown command\r\ncommand:\r\n"},
  };
  for (const auto& c : cases) {
    command_port p = logged_in_port();
    command_answer a = p.handle_line(std::string(c.line) + "\r\n");
    EXPECT_EQ(a.text, c.answer) << c.line;
    EXPECT_FALSE(a.close);
  }
}

TEST(CommandPort, SetmodeStoresTheLibraryModeOneHigher) {
  g_fake = {};
  command_port p = logged_in_port();
  p.handle_line("setmode 358000000000001,2\r\n");
  ASSERT_EQ(g_fake.modes.size(), 1u);
  EXPECT_EQ(g_fake.modes[0].device_id, 3u);
  EXPECT_EQ(g_fake.modes[0].mode, 3u);
  g_fake.store_ok = false;
  EXPECT_EQ(p.handle_line("setmode 358000000000001,0\r\n").text,
            "error: mode not stored\r\ncommand:\r\n");
}

}  // namespace
