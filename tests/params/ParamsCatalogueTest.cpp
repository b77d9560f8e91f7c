#include <gtest/gtest.h>

#include <set>

#include "params/ParamLayout.h"
#include "params/Params.h"

namespace ravok {
namespace {

TEST(ParamsCatalogue, ShapeOfMainTable) {
  const auto& rows = ParamTable();
  ASSERT_EQ(rows.size(), 437u);
  EXPECT_EQ(ParamCount(), 437);
  std::set<std::string_view> names;
  std::set<int> pids;
  for (const auto& r : rows) {
    EXPECT_TRUE(names.insert(r.Name).second) << "duplicate name " << r.Name;
    EXPECT_TRUE(pids.insert(r.Pid).second) << "duplicate pid " << r.Pid;
  }
  EXPECT_EQ(*pids.begin(), 1);
  EXPECT_EQ(*pids.rbegin(), 437);
}

// Every row's Len is Count elements of its code, and every element layout covers its bytes
// exactly once, field after field.
TEST(ParamsCatalogue, LengthsMatchLayouts) {
  for (int code = kMinCode; code <= kMaxCode; ++code) {
    const CodeLayout& layout = *LayoutOfCode(code);
    int next = 0;
    for (const FieldDef& f : layout.fields) {
      EXPECT_EQ(f.offset, next) << "code " << code << " field " << f.name;
      next = f.offset + FieldSize(f);
    }
    EXPECT_EQ(next, layout.size) << "code " << code;
  }
  for (const auto& r : ParamTable()) {
    const CodeLayout* layout = LayoutOfCode(r.Code);
    ASSERT_NE(layout, nullptr) << r.Name;
    if (layout->kind != CodeKind::String) {
      EXPECT_EQ(r.Len, r.Count * layout->size) << r.Name;
    }
  }
}

TEST(ParamsCatalogue, FieldsPerElementOfStructuredCodes) {
  const std::pair<int, int> cases[] = {{8, 4},   {10, 4},  {15, 4},  {9, 13},  {23, 13},
                                       {26, 13}, {11, 9},  {12, 7},  {21, 7},  {14, 6},
                                       {16, 5},  {18, 5},  {17, 3},  {22, 18}, {27, 18},
                                       {24, 11}, {28, 10}, {1, 1},   {13, 1},  {25, 1}};
  for (auto [code, fields] : cases) EXPECT_EQ(FieldsPerElement(*LayoutOfCode(code)), fields) << code;
}

struct SpotRow {
  int position;  // 1-based
  TConvParam row;
};

// A few rows of every family, first and last members included.
const SpotRow kSpotRows[] = {
    {1, {"Description", 1, 16, "RavokECO", 1, 1, 0, kColorBlue, false}},
    {3, {"APN2", 406, 24, "internet", 1, 1, 0, kColorBlue, false}},
    {15, {"FrameConfig", 12, 64, "1,2,3,4,5,6,7,8,9", 3, 32, 1, kColorBlue, false}},
    {33, {"CanSetupEx", 186, 17, "0,250000,1,250000,1,250000,1", 21, 1, 16, kColorBlue, false}},
    {43, {"Can1Setup", 19, 8, "250000,1,1,1", 8, 1, 5, kColorRed, false}},
    {44, {"Can1Filter1", 20, 24, "10,2,61444,24,16,0,0,0,24,16,0,0.125,0.0", 9, 1, 6, kColorRed, true}},
    {75, {"Can1Filter32", 51, 24, "0,0,0,0,0,0,0,0,0,0,0,0.0,0.0", 9, 1, 6, kColorRed, true}},
    {107, {"Can1FilterEx32", 218, 35, "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0.0,0.0,0.0,0.0", 22, 1, 17, kColorRed, true}},
    {108, {"Can2Setup", 54, 8, "250000,1,1,1", 8, 1, 5, kColorLime, false}},
    {126, {"Can2Filter18", 72, 24, "14,7,65132,24,16,0,0,0,3,3,0,1.0,0.0", 9, 1, 6, kColorLime, true}},
    {174, {"Can3FilterEx2", 252, 35, "10,3,65265,24,16,0,0,0,8,16,0,0,2,1,0.00390625,0.0,0.0,250.996", 22, 1, 17, kColorNavy, true}},
    {205, {"JbusFilter1", 87, 16, "10,2,128,190,0,16,0,0.25,0.0", 11, 1, 7, kColorGreen, true}},
    {244, {"JbusFilterEx8", 290, 26, "12,2,140,171,0,16,0,0,0,0.1375,-17.7,0.0,0.0", 23, 1, 18, kColorGreen, true}},
    {269, {"D8Filter1", 119, 14, "10,3,96,16,0,0.00390625,0", 12, 1, 8, kColorFuchsia, true}},
    {300, {"D8FilterEx16", 330, 24, "0,0,0,0,0,0,0,0.0,0.0,0.0,0.0", 24, 1, 19, kColorFuchsia, true}},
    {310, {"CanSniffer2", 178, 128, "", 19, 32, 0, kColorMaroon, false}},
    {313, {"ChangeEvent2", 182, 12, "0,0,0,0.0,0.0", 18, 1, 15, kColorMaroon, true}},
    {317, {"DinLevel", 331, 8, "4.0,8.0", 13, 2, 0, kColorMaroon, false}},
    {331, {"CfgDist", 411, 35, "8,10,30,15,3,12,6,15,3.5,35,0.6,0.3,30,15,400,1,2.0,3", 27, 1, 25, kColorMaroon, false}},
    {333, {"Meshtastic", 437, 44, "0,6,0,Ravok13,RV13,22,7,3600,900,300", 28, 1, 26, kColorMaroon, false}},
    {349, {"Dallas16", 152, 68, "****************", 1, 4, 0, kColorYellow, false}},
    {357, {"Quantizer8", 160, 16, "0,0,0,0.0,0.0,0.0", 14, 1, 9, kColorAqua, true}},
    {365, {"Matrix4", 168, 9, "0,0,0,0,0", 16, 1, 11, kColorAqua, false}},
    {367, {"BleFilter2", 338, 38, "33,2,F1:DC:03:04:A1:EA,$16,19,0,0,0,55,15,7,0.01,0.0", 26, 1, 22, kColorPurple, true}},
    {382, {"BleFilter17", 365, 38, "0,0,00:00:00:00:00:00,0,0,0,0,0,0,0,0,0.0,0.0", 26, 1, 22, kColorPurple, true}},
    {413, {"BleFilter48", 402, 38, "0,0,00:00:00:00:00:00,0,0,0,0,0,0,0,0,0.0,0.0", 26, 1, 22, kColorPurple, true}},
    {414, {"TermID1", 413, 4, "0", 4, 1, 0, kColorYellow, false}},
    {437, {"TermID24", 436, 4, "0", 4, 1, 0, kColorYellow, false}},
};

TEST(ParamsCatalogue, SpotRowsOfEveryFamily) {
  for (const auto& [position, want] : kSpotRows) {
    SCOPED_TRACE(std::string(want.Name));
    ASSERT_EQ(IndexOfName(want.Name), position);
    const TConvParam& got = ParamTable()[position - 1];
    EXPECT_EQ(got.Pid, want.Pid);
    EXPECT_EQ(IndexOfPid(want.Pid), position);
    EXPECT_EQ(got.Len, want.Len);
    EXPECT_EQ(got.Default, want.Default);
    EXPECT_EQ(ParamDefault(position - 1), want.Default);
    EXPECT_EQ(got.Code, want.Code);
    EXPECT_EQ(got.Count, want.Count);
    EXPECT_EQ(ParamDialogNo(position - 1), want.Dialog);
    EXPECT_EQ(DialogOfName(want.Name), want.Dialog);
    EXPECT_EQ(ColorOfName(want.Name), want.Color);
    EXPECT_EQ(InfoOfName(want.Name), want.Info);
  }
  EXPECT_EQ(ParamName(436), "TermID24");
}

TEST(ParamsCatalogue, NamesAndIdsOutsideTheCatalogue) {
  for (std::string_view name : {"description", "Description ", "", "Can1Filter33", "ChangeEvent"}) {
    EXPECT_EQ(IndexOfName(name), 438) << name;
    EXPECT_EQ(DialogOfName(name), 0) << name;
    EXPECT_EQ(ColorOfName(name), kColorSilver) << name;
    EXPECT_FALSE(InfoOfName(name)) << name;
  }
  EXPECT_EQ(IndexOfPid(65535), 438);
  EXPECT_EQ(IndexOfPid(0), 438);
  EXPECT_EQ(IndexOfPid(438), 438);
}

TEST(ParamsCatalogue, ViewerTable) {
  const auto& rows = ViewerParamTable();
  ASSERT_EQ(rows.size(), 181u);
  // Same order as the main catalogue, with ChangeEvent1 renamed.
  int last = 0;
  for (const auto& r : rows) {
    const int pos = IndexOfPid(r.Pid);
    EXPECT_GT(pos, last) << r.Name;
    last = pos;
    const auto& main = ParamTable()[pos - 1];
    EXPECT_EQ(r.Name, main.Name == "ChangeEvent1" ? "ChangeEvent" : main.Name);
    EXPECT_LT(r.Code, 20) << r.Name;
  }
  const auto has = [&](std::string_view name) {
    for (const auto& r : rows)
      if (r.Name == name) return true;
    return false;
  };
  for (std::string_view name : {"Description", "Can1Filter32", "JbusFilter1", "D8Filter16",
                                "Dallas16", "Quantizer1", "Matrix4", "PowerLevel", "ChangeEvent"})
    EXPECT_TRUE(has(name)) << name;
  for (std::string_view name : {"APN2", "ChangeEvent1", "ChangeEvent2", "Door", "TermID1",
                                "BleFilter1", "Can1FilterEx1", "CfgDist", "MinFuel"})
    EXPECT_FALSE(has(name)) << name;
}

TEST(ParamsCatalogue, ConfigNames) {
  EXPECT_EQ(ConfigNames().size(), 120u);
  const struct {
    uint16_t id, index;
    const char* desc;
  } cases[] = {
      {10, 1, ""},
      {10, 2, "Engine speed"},
      {10, 4, "Vehicle distance"},
      {14, 5, "Vehicle montion"},
      {22, 3, "Cargo Weight"},
      {23, 4, "Axle Weight 3"},
      {32, 2, "Percent torque"},
      {34, 1, "Cargo Temperature 4"},
      {42, 3, "Ignition"},
      {46, 4, "Battery Potential 7"},
      {47, 2, "Cargo Temperature 9"},
      {56, 2, "Cargo Temperature 19"},
      {59, 2, "Cargo Temperature 29"},
      {59, 3, ""},
      {60, 1, "Relative Humidity 10"},
      {71, 2, "Battery Potential 29"},
      {72, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ConfigNameOf(c.id, c.index), c.desc) << c.id << "," << c.index;
}

TEST(ParamsCatalogue, FieldOf) {
  const struct {
    int n;
    const char* text;
    const char* field;
  } cases[] = {
      {3, "1,,3", "3"}, {2, "1,,3", ""},   {4, "1,2,3", ""}, {1, " 1,2", " 1"},
      {1, "", ""},      {2, "a,", ""},     {1, "abc", "abc"}, {0, "a,b", ""},
      {2, "a, b ,c", " b "},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldOf(c.n, c.text), c.field) << c.n << " of " << c.text;
}

TEST(ParamsCatalogue, IsHexDigit) {
  for (char c : std::string_view("0123456789abcdefABCDEF")) EXPECT_TRUE(IsHexDigit(c)) << c;
  for (char c : std::string_view("gG/:@`x $-\0\xE4", 12)) EXPECT_FALSE(IsHexDigit(c)) << c;
}

}  // namespace
}  // namespace ravok
