// Live data lines and icons, and the locale-dependent number and date texts they use.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "params/Firmware.h"
#include "params/Params.h"
#include "params/TextLocale.h"
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

TEST(LiveDataDecode, LinesOfTheFullTable) {
  const LineCase cases[] = {
      {27, 4, "00509C44", false, "Spn190 (Engine speed) =1250.5"},
      {27, 4, "00509C44", true, "Spn190 (Engine speed) =1250,5"},
      {27, 4, "0000807F", false, "Spn190 (Engine speed) =NULL"},
      {27, 4, "000080FF", false, "Spn190 (Engine speed) =NULL"},
      {3, 4, "9A998DC1", true, "Latitude=-17,7"},
      {3, 4, "02E09C50", true, "Latitude=2,105541E10"},
      {19, 1, "80", false, "SignalLevel=NULL"},
      {19, 1, "EC", false, "SignalLevel=-20"},
      {26, 2, "F00F", false, "CanId=4080"},
      {21, 2, "F00F", false, "Lac=0x0FF0"},
      {20, 4, "00000080", false, "NetworkCode=NULL"},
      {20, 4, "FFFFFFFF", false, "NetworkCode=-1"},
      {9, 4, "FFFFFFFF", false, "Distance=4294967295"},
      {25, 1, "FF", false, "JamInd=255"},
      {10, 6, "180C05090307", false, "DateTime=24-12-05 09:03.07"},
      {10, 6, "FF0000000000", false, "DateTime=255-00-00 00:00.00"},
      {12, 1, "05", false, "RawDigital=0b00000101"},
      {45, 2, "0180", false, "RawVirt=0b1000000000000001"},
      {55, 16, "00414243000000000000000000000000", false, "TagId=NULL"},
      {55, 16, "41420043000000000000000000000000", false, "TagId=AB"},
      {55, 16, "3031323334353637383941424344E946", false, "TagId=0123456789ABCD\xE9" "F"},
      {29, 8, "0000000000000080", false, "Spn917 (Vehicle distance) =NULL"},
      {29, 8, "FBFFFFFFFFFFFFFF", false, "Spn917 (Vehicle distance) =-5"},
      {33, 2, "0080", false, "Spn110 (Coolant temperature) =NULL"},
      {33, 2, "FEFF", false, "Spn110 (Coolant temperature) =-2"},
      {61461, 8, "555555555555D53F", true, "UserDouble1=0,333333333333333"},
      {61461, 8, "408CB5781DAF1544", false, "UserDouble1=1E20"},
      {61461, 8, "000000000000F07F", false, "UserDouble1=NULL"},
      {102, 4, "00000000", false, "UTCTime=1/1/70"},
      {102, 4, "100E0000", false, "UTCTime=1/1/70 1:00:00 AM"},
      {102, 4, "00000000", true, "UTCTime=01.01.70"},
      {102, 4, "100E0000", true, "UTCTime=01.01.70 01:00:00"},
      {249, 12, "00A1B2C3D4E5F60708090AFF", false, "security_flags=00A1B2C3D4E5F60708090AFF"},
      {227, 4, "00004841", true, "spn168_29 (Battery Potential 29) =12,5"},
      // Records outside the table: hex Pid and Len of at least 3 digits, then the bytes.
      {300, 2, "ABCD", false, "12C002=ABCD"},
      {61441, 2, "0102", false, "F001002=0102"},
      {1, 0, "", false, "001000="},
      {65535, 4, "07000200", false, "FFFF004=07000200"},
  };
  for (const auto& c : cases) {
    const TextLocale locale = c.comma ? TextLocale::Comma() : TextLocale::Dot();
    EXPECT_EQ(Firmware::DecodeLiveData(Record(c.pid, c.len, c.hex), locale), c.line)
        << "Pid " << c.pid << " Len " << c.len << " " << c.hex;
  }
}

TEST(LiveDataDecode, ViewerTableHasNoDescriptionsAndOlderItems) {
  const LineCase cases[] = {
      {27, 4, "00509C44", false, "Spn190=1250.5"},
      {102, 4, "100E0000", false, "UTCTime=3600"},
      {108, 4, "00000000", false, "Spn169_3=0"},
      {109, 4, "00000000", false, "06D004=00000000"},        // Spn169_4 is newer
      {247, 3, "010203", false, "0F7003=010203"},            // interface_status is newer
      {63498, 2, "0300", false, "StickyChg2=0b0000000000000011"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Firmware::DecodeViewerLiveData(Record(c.pid, c.len, c.hex), TextLocale::Dot()),
              c.line)
        << c.pid;
}

TEST(LiveDataDecode, NeverReadsPastTheRecord) {
  // A Len beyond the 256 data bytes shows only the bytes the record holds.
  TData rec = Record(300, 1000, "");
  rec.Data.fill(0xAB);
  const std::string line = Firmware::DecodeLiveData(rec, TextLocale::Dot());
  std::string bytes;
  for (int i = 0; i < kRecordDataSize; ++i) bytes += "AB";
  EXPECT_EQ(line, "12C3E8=" + bytes);
  // Data shorter than Len (a caller's short buffer) reads as zeros, not beyond the buffer.
  const std::vector<uint8_t> two = {0x41, 0x42};
  EXPECT_EQ(Firmware::DecodeLiveData(55, 16, two, TextLocale::Dot()), "TagId=AB");
  EXPECT_EQ(Firmware::DecodeLiveData(27, 4, std::span<const uint8_t>(), TextLocale::Dot()),
            "Spn190 (Engine speed) =0");
  EXPECT_EQ(Firmware::DecodeLiveData(300, 3, two, TextLocale::Dot()), "12C003=414200");
}

TEST(LiveDataIcon, StateIcons) {
  struct Case {
    uint16_t pid;
    uint16_t len;
    uint8_t value;
    int icon;
  };
  const Case cases[] = {
      {1, 1, 1, 1},    {1, 1, 2, 1},    {1, 1, 0, 2},   {1, 1, 3, 2},  {1, 2, 1, 0},
      {11, 1, 1, 1},   {11, 1, 2, 3},   {11, 1, 0, 2},  {11, 1, 7, 2},
      {19, 1, 32, 2},  {19, 1, 99, 2},  {19, 1, 31, 1}, {19, 1, 21, 1}, {19, 1, 25, 1},
      {19, 1, 20, 2},  {19, 1, 1, 2},   {19, 1, 0, 3},  {19, 1, 0xEC, 3}, {19, 1, 0x80, 3},
      {19, 2, 25, 0},  {2, 1, 1, 0},    {61441, 1, 1, 0},
  };
  for (const auto& c : cases) {
    const uint8_t data[2] = {c.value, 0};
    EXPECT_EQ(Firmware::LiveDataIcon(c.pid, c.len, data), c.icon)
        << "Pid " << c.pid << " Len " << c.len << " value " << int(c.value);
  }
}

TEST(LiveDataTables, ShapeAndKeys) {
  const auto& table = Firmware::LiveDataTable();
  ASSERT_EQ(table.size(), 285u);
  ASSERT_EQ(Firmware::ViewerLiveDataTable().size(), 142u);
  ASSERT_EQ(Firmware::LiveDataNames().size(), 120u);

  std::set<std::string_view> names;
  for (const auto& row : table) EXPECT_TRUE(names.insert(row.Name).second) << row.Name;

  // Every description names an existing item, in item order.
  size_t lastRow = 0;
  for (const auto& n : Firmware::LiveDataNames()) {
    size_t at = 0;
    while (at < table.size() && !(table[at].Pid == n.Id && table[at].Len == n.Index)) ++at;
    ASSERT_LT(at, table.size()) << n.Desc;
    EXPECT_GE(at, lastRow) << n.Desc;
    lastRow = at;
  }
  // The same descriptions as the catalogue's data items, in the same order.
  ASSERT_EQ(ConfigNames().size(), Firmware::LiveDataNames().size());
  for (size_t i = 0; i < ConfigNames().size(); ++i)
    EXPECT_EQ(Firmware::LiveDataNames()[i].Desc, ConfigNames()[i].Desc) << i;
  EXPECT_EQ(Firmware::LiveDataDesc(105, 4), "Cargo Temperature 0");
  EXPECT_EQ(Firmware::LiveDataDesc(105, 2), "");
  EXPECT_EQ(Firmware::LiveDataDesc(26, 2), "");
}

TEST(LiveDataTables, FamilyBoundaries) {
  struct Row {
    size_t index;
    const char* name;
    uint16_t pid, len;
    int32_t code;
  };
  const Row rows[] = {
      {0, "FixStatus", 1, 1, 1},          {91, "QuantiChg2", 92, 1, 8},
      {101, "UTCTime", 102, 4, 15},       {129, "Virt4OffTimer", 130, 4, 6},
      {167, "spn169_10", 168, 4, 4},      {226, "spn168_29", 227, 4, 4},
      {250, "indicator_flags", 251, 10, 16}, {251, "UserChar1", 61441, 1, 1},
      {274, "UserDouble4", 61464, 8, 12}, {284, "StickyChg2", 63498, 2, 14},
  };
  const auto& table = Firmware::LiveDataTable();
  for (const auto& r : rows) {
    EXPECT_EQ(table[r.index].Name, r.name) << r.index;
    EXPECT_EQ(table[r.index].Pid, r.pid) << r.name;
    EXPECT_EQ(table[r.index].Len, r.len) << r.name;
    EXPECT_EQ(table[r.index].Code, r.code) << r.name;
  }
  EXPECT_EQ(Firmware::ViewerLiveDataTable()[101].Code, Firmware::kLiveU32);
  EXPECT_EQ(Firmware::ViewerLiveDataTable()[108].Name, "UserChar1");
}

TEST(LocaleText, GeneralNumberFormat) {
  struct Case {
    double value;
    int digits;
    const char* dot;
  };
  const Case cases[] = {
      {0.125, 7, "0.125"},
      {-40, 7, "-40"},
      {0, 7, "0"},
      {-0.0, 7, "0"},
      {1234567, 7, "1234567"},
      {12345678, 7, "1.234568E7"},
      {9999999.6, 7, "1E7"},
      {21055410000.0, 7, "2.105541E10"},
      {static_cast<float>(0.1), 7, "0.1"},
      {static_cast<float>(36.6), 7, "36.6"},
      {0.00001, 7, "0.00001"},
      {0.000001, 7, "1E-6"},
      {-0.0000123456789, 7, "-0.00001234568"},
      {0.0000099999, 7, "9.9999E-6"},
      {1.0 / 3.0, 15, "0.333333333333333"},
      {123456789012345.0, 15, "123456789012345"},
      {1234567890123456.0, 15, "1.23456789012346E15"},
      {std::numeric_limits<double>::infinity(), 7, "INF"},
      {-std::numeric_limits<double>::infinity(), 7, "-INF"},
      {std::nan(""), 7, "NAN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LocaleFloatText(c.value, c.digits, TextLocale::Dot()), c.dot) << c.dot;
    std::string comma = c.dot;
    for (auto& ch : comma)
      if (ch == '.') ch = ',';
    EXPECT_EQ(LocaleFloatText(c.value, c.digits, TextLocale::Comma()), comma) << c.dot;
  }
}

TEST(LocaleText, DateAndTime) {
  TextLocale iso = TextLocale::Dot();
  iso.ShortDateFormat = "yyyy-MM-dd";
  iso.LongTimeFormat = "HH:mm:ss";
  TextLocale named = TextLocale::Dot();
  named.ShortDateFormat = "d MMM yyyy 'KW''s' dddd";
  named.LongTimeFormat = "hh.mm.ss ap";
  struct Case {
    uint32_t seconds;
    const TextLocale* locale;
    const char* text;
  };
  const TextLocale dot = TextLocale::Dot(), comma = TextLocale::Comma();
  const Case cases[] = {
      {0, &dot, "1/1/70"},
      {43200, &dot, "1/1/70 12:00:00 PM"},
      {1709211909, &dot, "2/29/24 1:05:09 PM"},
      {1709211909, &comma, "29.02.24 13:05:09"},
      {1709164800, &comma, "29.02.24"},  // exact midnight: no time
      {1709164801, &iso, "2024-02-29 00:00:01"},
      {4294967295u, &iso, "2106-02-07 06:28:15"},
      {951782400, &iso, "2000-02-29"},
      {1709211909, &named, "29 Feb 2024 KW's Thursday 01.05.09 pm"},
      {1709164801, &named, "29 Feb 2024 KW's Thursday 12.00.01 am"},
  };
  for (const auto& c : cases) EXPECT_EQ(LocaleDateTimeText(c.seconds, *c.locale), c.text);
}

}  // namespace
}  // namespace ravok
