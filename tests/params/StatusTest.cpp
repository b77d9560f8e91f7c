// Status lines and icons.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "params/Configs.h"
#include "tests/params/ParamsTestSupport.h"

namespace ravok {
namespace {

using test::Record;

struct LineCase {
  uint16_t pid;
  uint16_t len;
  const char* hex;
  bool comma;  // decode with the "," locale instead of the "." one
  const char* line;
};

TEST(StatusDecode, LinesOfTheFullTable) {
  const LineCase cases[] = {
      {1, 4, "E6873E00", false, "RavokFirmware=4.098.022"},
      {1, 4, "85969800", false, "RavokFirmware=10.000.005"},
      {2, 4, "FFFFFFFF", false, "ServerVersion=4294.967.295"},
      {16, 4, "CD5F0100", false, "UpTime=25:01.01"},
      {21, 2, "3B00", false, "ChargeTime=0:00.59"},
      {24, 2, "FFFF", false, "ShutDownTime=18:12.15"},
      {3, 1, "09", false, "GsmStatus=Connected"},
      {3, 1, "0E", false, "GsmStatus=Gsm reset"},
      {3, 1, "0F", false, "GsmStatus=15"},
      {6, 1, "04", false, "GpsStatus=4"},
      {7, 1, "05", false, "Can1Status=Not cofigured"},
      {10, 1, "03", false, "BlackBoxStatus=Data error"},
      {20, 1, "02", false, "Charger=Wait"},
      {23, 1, "04", false, "PowerControl=Battery"},
      {26, 1, "FF", false, "Immobiliser=255"},
      {46, 1, "05", false, "Devices=ONEWIRE and MEMS_WAKEUP"},
      {48, 1, "02", false, "USB=D8"},
      {55, 1, "0B", false, "BootEvent=RETURN"},
      {64, 1, "02", false, "Door=Wait for indnition"},
      {66, 1, "0A", false, "CREG=Registered for CSFB not preferred, roaming"},
      {66, 1, "0B", false, "CREG=11"},
      {72, 1, "04", false, "GsmLastError=Connect error"},
      {60, 1, "C8", false, "eTollStatus=200"},
      {28, 2, "5AA5", false, "BootStatus=Crcc error"},
      {28, 2, "AA00", false, "BootStatus=Crcc error"},
      {28, 2, "A55A", false, "BootStatus=No errors"},
      {28, 2, "CD0B", false, "BootStatus=0x0BCD"},
      {9, 2, "EF00", false, "FlashId=0x00EF"},
      {15, 2, "FFFF", false, "GprsSessions=65535"},
      {58, 2, "0180", false, "Internals=0b1000000000000001"},
      {14, 4, "00003542", true, "CpuLoad=45,25"},
      {22, 4, "00003542", false, "Battery=45.25"},
      {59, 16, "C4050000000000000000000000000000", false, "RSSI16=-60,5,0,0,0,0,0,0,0,0,0,0,0,0,0,0"},
      {63, 12, "90D0030020A1070000000000", false, "CanSpeed=250000,500000,0"},
      {40, 16, "00353936303030303030303030303000", false, "IMEI=NULL"},
      {40, 16, "33353936303030303030303030303000", false, "IMEI=359600000000000"},
      // Text that fills all Len bytes: the last byte is not shown.
      {49, 9, "4142434445464748E9", false, "GsmFrm=ABCDEFGH"},
      {49, 9, "E9424300FF00000000", false, "GsmFrm=\xE9" "BC"},
      {43, 4, "0581E065", false, "D8Time=2/29/24 1:05:09 PM"},
      {43, 4, "0581E065", true, "D8Time=29.02.24 13:05:09"},
      {43, 4, "00000000", true, "D8Time=01.01.70"},
      // Records outside the table.
      {3, 2, "0900", false, "003002=0900"},
      {77, 1, "01", false, "04D001=01"},
      {4096, 0, "", false, "1000000="},
  };
  for (const auto& c : cases) {
    const TextLocale locale = c.comma ? TextLocale::Comma() : TextLocale::Dot();
    EXPECT_EQ(Configs::DecodeStatus(Record(c.pid, c.len, c.hex), locale), c.line)
        << "Pid " << c.pid << " Len " << c.len << " " << c.hex;
  }
}

TEST(StatusDecode, ViewerTable) {
  const LineCase cases[] = {
      {7, 1, "03", false, "CanStatus=Running"},
      {48, 1, "01", false, "USB=PENDRIVE"},
      {50, 1, "03", false, "032001=03"},  // Can2Status is newer
      {1, 4, "E6873E00", false, "RavokFirmware=4.098.022"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Configs::DecodeViewerStatus(Record(c.pid, c.len, c.hex), TextLocale::Dot()), c.line)
        << c.pid;
  EXPECT_EQ(Configs::DecodeStatus(Record(7, 1, "03"), TextLocale::Dot()), "Can1Status=Running");
}

TEST(StatusDecode, NeverReadsPastTheRecord) {
  const std::vector<uint8_t> none;
  EXPECT_EQ(Configs::DecodeStatus(59, 16, none, TextLocale::Dot()),
            "RSSI16=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(Configs::DecodeStatus(40, 16, none, TextLocale::Dot()), "IMEI=NULL");
  TData rec = Record(999, 60000, "");
  EXPECT_EQ(Configs::DecodeStatus(rec, TextLocale::Dot()).size(),
            std::string("3E7EA60=").size() + 2 * kRecordDataSize);
}

TEST(StatusIcon, StateIcons) {
  struct Case {
    uint16_t pid;
    uint8_t value;
    int icon;
    int viewerIcon;
  };
  const Case cases[] = {
      {3, 9, 1, 1},   {3, 3, 3, 3},   {3, 4, 3, 3},   {3, 15, 2, 2}, {3, 0, 2, 2},
      {6, 3, 1, 1},   {6, 4, 2, 2},   {6, 0, 2, 2},
      {7, 3, 1, 1},   {7, 4, 3, 3},   {7, 7, 2, 2},
      {10, 1, 1, 1},  {10, 2, 1, 1},  {10, 3, 3, 3},  {10, 0, 2, 2},
      {50, 3, 1, 0},  {50, 4, 3, 0},  {50, 0, 2, 0},
      {20, 1, 0, 0},  {48, 1, 0, 0},
  };
  for (const auto& c : cases) {
    const uint8_t data[1] = {c.value};
    EXPECT_EQ(Configs::StatusIcon(c.pid, 1, data), c.icon) << c.pid << " " << int(c.value);
    EXPECT_EQ(Configs::ViewerStatusIcon(c.pid, 1, data), c.viewerIcon) << c.pid << " " << int(c.value);
  }
  const uint8_t connected[2] = {9, 0};
  EXPECT_EQ(Configs::StatusIcon(3, 2, connected), 0);
}

TEST(StatusTables, Shape) {
  const auto& table = Configs::StatusTable();
  ASSERT_EQ(table.size(), 76u);
  ASSERT_EQ(Configs::ViewerStatusTable().size(), 48u);
  std::set<std::string_view> names;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].Pid, i + 1);
    EXPECT_TRUE(names.insert(table[i].Name).second) << table[i].Name;
  }
  EXPECT_EQ(Configs::ViewerStatusTable()[6].Name, "CanStatus");
  EXPECT_EQ(Configs::ViewerStatusTable()[47].Name, "USB");
}

}  // namespace
}  // namespace ravok
