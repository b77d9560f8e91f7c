// Reply decoding into inbox texts, command blocks of outbox rows, the relay, file names.
#include <string.h>

#include "server/Outbox.h"
#include "server/Replies.h"
#include "tests/server/LocationItems.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

using bytes = std::vector<uint8_t>;

bytes cat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
bytes zeros(size_t n) {
  return bytes(n, 0);
}
bytes str(const char* s) {
  return bytes(s, s + strlen(s));
}
bytes utf16(const std::vector<uint16_t>& chars) {
  bytes b;
  for (uint16_t c : chars) {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  return b;
}

// 26-12-11 13:45:07, -1, 5, 1.5, -2.0
const bytes kHeader = cat({{26, 12, 11, 13, 45, 7, 0xFF, 5}, f32(1.5f), f32(-2.0f)});
const char kHeaderText[] = "26-12-11 13:45:07 -1 5 1.500000 -2.000000";

bytes entry16() {
  bytes e = {26, 12, 11, 13, 45, 7, 0x80, 3};
  bytes t1 = zeros(16), t2 = zeros(16);
  memcpy(t1.data(), "DRV1", 4);
  memcpy(t2.data(), "0123456789ABCDEF", 16);  // 16 characters without a terminator
  return cat({e, t1, t2});
}
bytes entry17() {
  return cat({le(7, 4), {0xFF, 2}, f32(1.5f), f32(2.5f), le(0xFED4, 2), f32(0.25f), {9}});
}
const char kEntry17[] = "7,-1,2,1.500000,2.500000,-300,0.250000,9";

bytes repeat(const bytes& b, int n) {
  bytes out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), b.begin(), b.end());
  return out;
}
std::string repeat(const std::string& s, int n, const char* sep) {
  std::string out;
  for (int i = 0; i < n; ++i) out += (i ? sep : "") + s;
  return out;
}

struct reply_case {
  const char* name;
  uint16_t type;
  bytes data;
  uint32_t app_id;
  std::string data0, data1, data2;
};

TEST(Replies, EveryTypeDecodesToItsInboxTexts) {
  bytes type2 = zeros(168);
  memcpy(type2.data(), "CMD1", 4);
  memcpy(type2.data() + 17, "answer text", 11);
  const reply_case cases[] = {
      {"2 text, text, header", 2, cat({type2, kHeader}), 1, "CMD1", "answer text", kHeaderText},
      {"4 utf-16 text", 4, cat({{2}, le(12345, 4), utf16({'a', '\'', 'b', 0xE9, 10})}), 2, "2",
       "12345", "a_b__"},
      {"4 code only", 4, {7}, 2, "7", "", ""},
      {"6 number and text", 6, cat({le(0x1234, 2), le(1, 4), str("hi")}), 3, "4660", "1", "hi"},
      {"6 short", 6, le(5, 2), 3, "5", "", ""},
      {"7 words", 7, cat({kHeader, le(0x1234, 2), le(0xABCD, 2)}), 4, "1 2", "1234ABCD",
       kHeaderText},
      {"10 words", 10, cat({kHeader, le(1, 2)}), 4, "4 1", "0001", kHeaderText},
      {"14 words", 14, cat({kHeader, le(0xBEEF, 2)}), 5, "4 1", "BEEF", kHeaderText},
      {"16 one entry and two bytes", 16, cat({entry16(), {0x80, 0xFB}}), 7, "1",
       "26-12-11,13:45:07,DRV1,0123456789ABCDEF,NULL,3", "NULL,-5"},
      {"17 ten entries", 17, repeat(entry17(), 10), 8, "10", repeat(kEntry17, 8, " "),
       repeat(kEntry17, 2, " ")},
      {"19 two entries",
       19,
       {5, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0xF6, 200, 1, 2, 3, 4, 5, 6, 7},
       9,
       "2",
       "AABBCCDDEEFF 010203040506",
       "5,-10 200,7"},
      {"20 one entry", 20, cat({{9, 1, 2, 3, 4, 5, 6, 0xFE}, f32(1.0f), f32(2.0f), f32(3.0f)}), 10,
       "1", "010203040506,9,-2,3.000000,1.000000,2.000000", ""},
      {"21 raw bytes", 21, {0xDE, 0xAD, 0x01}, 11, "3", "DEAD01", ""},
      {"22 counted text",
       22,
       {1, 2, 0x34, 0x12, 3, 'x', 'y', 'z', 'w'},
       12,
       "3",
       "xyz",
       "1 2 4660"},
      {"65535 hex", 65535, {0x00, 0x7F, 0xFF}, 0, "", "007FFF", ""},
      {"99 unknown", 99, {1, 2, 3}, 0, "", "", ""},
  };
  for (const reply_case& c : cases) {
    reply_texts t = reply_decode(c.type, c.data.data(), c.data.size());
    EXPECT_EQ(t.app_id, c.app_id) << c.name;
    EXPECT_EQ(t.data0, c.data0) << c.name;
    EXPECT_EQ(t.data1, c.data1) << c.name;
    EXPECT_EQ(t.data2, c.data2) << c.name;
  }
}

TEST(Replies, Type15ShowsOneHundredTwentyWords) {
  bytes data = kHeader;
  for (int i = 0; i < 120; ++i) data.push_back(static_cast<uint8_t>(i));
  reply_texts t = reply_decode(15, data.data(), data.size());
  EXPECT_EQ(t.app_id, 6u);
  EXPECT_EQ(t.data0, "");
  ASSERT_EQ(t.data1.size(), 480u);
  EXPECT_EQ(t.data1.substr(0, 12), "000000010002");
  EXPECT_EQ(t.data1.substr(476), "0077");
  EXPECT_EQ(t.data2, kHeaderText);
}

TEST(Replies, LongTextsAreCutCleanlyAtTheRowCapacity) {
  reply_texts t = reply_decode(17, repeat(entry17(), 30).data(), 30 * 21);
  EXPECT_EQ(t.data0, "30");
  EXPECT_EQ(t.data2, repeat(kEntry17, 6, " ")) << "whole entries only, within 247 characters";

  bytes long4 = cat({{1}, le(0, 4), utf16(std::vector<uint16_t>(300, 'q'))});
  EXPECT_EQ(reply_decode(4, long4.data(), long4.size()).data2, std::string(240, 'q'));

  bytes many16 = repeat(entry16(), 20);
  t = reply_decode(16, many16.data(), many16.size());
  EXPECT_EQ(t.data0, "20");
  EXPECT_LE(t.data1.size(), static_cast<size_t>(INBOX_DATA1_MAX));
  EXPECT_EQ(t.data1.size() % 47, 46u) << "ends after a whole entry";

  bytes words = cat({kHeader, zeros(600)});
  t = reply_decode(7, words.data(), words.size());
  EXPECT_EQ(t.data0, "1 300");
  EXPECT_EQ(t.data1.size(), 484u);

  // Data shorter than the fields it should hold reads as zero, never past its end.
  t = reply_decode(2, str("AB").data(), 2);
  EXPECT_EQ(t.data0, "AB");
  EXPECT_EQ(t.data2, "00-00-00 00:00:00 0 0 0.000000 0.000000");
  t = reply_decode(22, bytes{1, 2, 3, 4, 200, 'a'}.data(), 6);
  EXPECT_EQ(t.data1, "a");
}

TEST(Outbox, CommandBlocks) {
  bytes app1 =
      cat({{1, 0, 168, 0, 0x2A, 0x01, 0, 0}, str("0123456789ABCDEF"), {0}, bytes(150, 'x'), {0}});
  const std::string long_data1(200, 'x');
  const struct {
    uint32_t app_id;
    const char* data0;
    const char* data1;
    bytes block;
  } cases[] = {
      {1, "0123456789ABCDEFGH", long_data1.c_str(), app1},
      {2, "300", "", {3, 0, 1, 0, 0x2A, 0x01, 0, 0, 0x2C}},
      {3, "70000", "", {5, 0, 2, 0, 0x2A, 0x01, 0, 0, 0x70, 0x11}},
      {18, "1,0,255,7", "", {18, 0, 4, 0, 0x2A, 0x01, 0, 0, 1, 0, 0xFF, 7}},
      {18, "5,6", "", {18, 0, 4, 0, 0x2A, 0x01, 0, 0, 5, 6, 0, 0}},
      {2, "abc", "", {3, 0, 1, 0, 0x2A, 0x01, 0, 0, 0}},
      {7, "1", "", {}},
      {0, "1", "", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(outbox_command_block(c.app_id, 0x12A, c.data0, c.data1), c.block)
        << c.app_id << " " << c.data0;
}

TEST(Relay, PassesLengthAndDataForKindsOneAndTwo) {
  init_server_state();
  const uint8_t data[3] = {9, 8, 7};
  const struct {
    uint32_t kind;
    uint16_t length;
    bool sent;
  } cases[] = {{1, 3, true}, {2, 3, true}, {3, 3, false}, {0, 3, false}, {1, 0, false}};
  for (const auto& c : cases) {
    g_sent_data.clear();
    ev_relay ev = {77, c.kind, c.length, 0, data};
    EXPECT_EQ(server_callback(EV_RELAY, reinterpret_cast<intptr_t>(&ev)), 1);
    ASSERT_EQ(g_sent_data.size(), c.sent ? 1u : 0u) << c.kind;
    if (c.sent) {
      EXPECT_EQ(g_sent_data[0].key, 77u);
      EXPECT_EQ(g_sent_data[0].kind, c.kind);
      EXPECT_EQ(g_sent_data[0].count, 1);
      EXPECT_EQ(g_sent_data[0].block, (bytes{3, 0, 9, 8, 7}));
    }
  }
}

TEST(FileNames, TrackerNamesStayInTheirDirectory) {
  const std::pair<const char*, const char*> cases[] = {
      {"card.ddd", "card.ddd"},
      {"../../etc/passwd", "_._.._etc_passwd"},
      {"a/b\\c", "a_b_c"},
      {"..", "_."},
      {".hidden", "_hidden"},
      {"x..y", "x..y"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(safe_file_name(c.first), c.second) << c.first;
}

}  // namespace
