// Record <-> line conversions against hex fixtures (Pid LE, Len LE, data).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <set>
#include <span>

#include "params/Params.h"
#include "tests/params/ParamsTestSupport.h"

namespace ravok {
namespace {

using test::HexOfRecord;
using test::RecordFromHex;
using test::Zeros;

struct Pair {
  std::string hex;
  std::string line;
};

// Records whose line encodes back to the very same bytes.
const Pair kBothWays[] = {
    {"0100 1000 56616E203132" + Zeros(10), "Description=Van 12"},
    {"0100 1000 E4FF" + Zeros(14), "Description=\xE4\xFF"},
    {"1400 1800 0A00 02 04F00000 18 10 0000 00 00 18 10 00 0000003E 00000000",
     "Can1Filter1=10,2,$F004,24,16,0,0,0,24,16,0,0.125,0"},
    {"4D01 0800 01000000 00000100", "CanConfig=1,$00010000"},
    {"7D01 0400 FFFF0000", "CanConfigMini=65535"},
    {"B500 0400 76845F50", "PowerLevel=1.5E10"},
    {"B500 0400 BD378635", "PowerLevel=1E-6"},
    {"B100 8000 70110100 05000000" + Zeros(120), "CanSniffer1=$00011170,$0005"},
    {"B500 0400 A69BC4BA", "PowerLevel=-0.0015"},
    {"B501 2C00 000600 5261766F6B3133" + Zeros(15) + "5256313300 FE07 100E0000 84030000 2C010000",
     "Meshtastic=0,6,0,Ravok13,RV13,-2,7,3600,900,300"},
    {"5101 2600 2100 01 4142434445464748494A4B4C4D4E4F5051 00 16 04 6E2A 00 10 10 10 01 "
     "0AD7233C 00000000",
     "BleFilter1=33,1,ABCDEFGHIJKLMNOPQ,22,4,10862,0,16,16,16,1,0.01,0"},
    {"3400 0C00 0100 0A00 0000003F 0000C0BF", "Ignition=1,10,0.5,-1.5"},
    {"0C00 4000 0100 0200" + Zeros(60), "FrameConfig=1,2"},
    {"7F01 0800" + Zeros(8), "DinLoConfig=0,0,0,0,0,0,0,0"},
    {"1100 0200 2CFF", "MaxAngle=44,255"},
    {"8900 4400 414200434400" + Zeros(62), "Dallas1=AB,CD"},
    {"E703 0200 01AB", "03E70002=01AB"},
    {"E703 0000", "03E70000="},
    {"FFFF 0400 07000200", "FFFF0004=07000200"},
};

// Records whose line does not keep every byte (or is a raw line of a known Pid).
const Pair kDecodeOnly[] = {
    {"0100 1400 56616E203132" + Zeros(14), "00010014=56616E203132" + Zeros(14)},
    {"0100 1000 00 41424344" + Zeros(11), "Description="},
    {"0500 0800 3132333435363738", "PIN=1234567"},
    {"B500 0400 00E09C50", "PowerLevel=2.105541E10"},  // 21055406000 needs more digits  // the last byte is never shown
    {"AD00 0800 0400060000000000", "Negation=4"},
    {"6401 0100 00", "Immobiliser=0"},
    {"0A00 8000" + Zeros(128), "NetworkCodes=0"},
    {"B100 8000" + Zeros(128), "CanSniffer1=$0000"},
    {"8900 4400 00 414200" + Zeros(64), "Dallas1="},
    // A Name area without its 0 byte shows 17 characters.
    {"5101 2600 2100 01 4142434445464748494A4B4C4D4E4F5051 5A 16 04 6E2A 00 10 10 10 01 "
     "0AD7233C 00000000",
     "BleFilter1=33,1,ABCDEFGHIJKLMNOPQ,22,4,10862,0,16,16,16,1,0.01,0"},
};

TEST(ParamsCodec, DecodeFixtures) {
  for (const auto& tables : {std::span<const Pair>(kBothWays), std::span<const Pair>(kDecodeOnly)})
    for (const auto& [hex, line] : tables) EXPECT_EQ(DecodeParam(RecordFromHex(hex)), line) << hex;
}

TEST(ParamsCodec, EncodeGivesTheSameBytesBack) {
  for (const auto& [hex, line] : kBothWays) {
    TData rec;
    const EncodeResult r = EncodeParam(line, rec);
    ASSERT_TRUE(r) << line << ": " << r.reason;
    EXPECT_EQ(HexOfRecord(rec), HexOfRecord(RecordFromHex(hex))) << line;
  }
}

TEST(ParamsCodec, ViewerCatalogue) {
  const std::string changeEvent = "B400 0C00 0A00 02 02 00002F45 00401C45";
  EXPECT_EQ(DecodeViewerParam(RecordFromHex(changeEvent)), "ChangeEvent=10,2,2,2800,2500");
  EXPECT_EQ(DecodeParam(RecordFromHex(changeEvent)), "ChangeEvent1=10,2,2,2800,2500");
  const std::string apn2 = "9601 1800 41" + Zeros(23);
  EXPECT_EQ(DecodeViewerParam(RecordFromHex(apn2)), "01960018=41" + Zeros(23));
  EXPECT_EQ(DecodeParam(RecordFromHex(apn2)), "APN2=A");
}

TEST(ParamsCodec, DecodeClampsAnOversizedLen) {
  TData rec = RecordFromHex("E703 0000");
  rec.Hdr.Len = 300;  // not a valid record; only the data area is shown
  EXPECT_EQ(DecodeParam(rec), "03E7012C=" + Zeros(256));
}

struct EncodeCase {
  std::string line;
  std::string hex;  // empty: the line does not encode
};

const EncodeCase kEncodeCases[] = {
    {"Description=", "0100 1000" + Zeros(16)},
    {"Description=ABCDEFGHIJKLMNO", "0100 1000 4142434445464748494A4B4C4D4E4F 00"},
    {"Description=ABCDEFGHIJKLMNOP", ""},  // no room for the 0 byte
    {"Description=a,b", ""},
    {"Description=a,", "0100 1000 61" + Zeros(15)},
    {"Negation=4,5,6", "AD00 0800 0405060000000000"},
    {"Negation=", ""},
    {"Negation=4,,6", "AD00 0800 04" + Zeros(7)},
    {"Negation=1,2,3,4,5,6,7,8", "AD00 0800 0102030405060708"},
    {"Negation=1,2,3,4,5,6,7,8,9", ""},
    {"Negation=1,2,3,4,5,6,7,8,", "AD00 0800 0102030405060708"},
    {"DinLoConfig=0,0,0", ""},
    {"DinLoConfig=0,0,0,0,0,0,0,", ""},
    {"MaxAngle=300,-1", "1100 0200 2CFF"},
    {"ServerPort=0x2328", "0700 0200 2823"},
    {"ServerPort= 9000", "0700 0200 2823"},
    {"ServerPort=9000 ", ""},
    {"MaxSpeed=125.5,130", "6601 0800 0000FB42 00000243"},
    {"MaxSpeed=125,5,130", ""},
    {"Dallas1=AB,,CD", "8900 4400 414200" + Zeros(65)},
    {"Dallas1=,AB", "8900 4400 00414200" + Zeros(64)},  // only a later empty field ends
    {"BleFilter1=33,1,ABCDEFGHIJKLMNOPQRST,$16,4,$2A6E,0,16,16,16,1,0.01,0.0",
     "5101 2600 2100 01 4142434445464748494A4B4C4D4E4F5051 00 16 04 6E2A 00 10 10 10 01 "
     "0AD7233C 00000000"},
    {"BleFilter1=33,1,,$16,4,$2A6E,0,16,16,16,1,0.01,0.0",
     "5101 2600 2100 01" + Zeros(18) + "16 04 6E2A 00 10 10 10 01 0AD7233C 00000000"},
    {"Can1Filter1=10,2", ""},
    {"Can1Filter1=10,2,61444,24,16,0,0,0,24,16,0,0.125,0.0,1", ""},
    {"Can1Filter1=10,2,61444,24,16,0,0,0,24,16,0,0.125,", ""},
    {"Ignition=1,10,0.0", ""},
    {"03e70002=01ab", "E703 0200 01AB"},
    {"03E70002=01A", ""},
    {"03E70002=01AB00", ""},
    {"0001010=00", ""},  // 7 characters: neither raw nor a name
    {"00010100=" + Zeros(256), "0100 0001" + Zeros(256)},
    {"00010101=" + Zeros(257), ""},  // Len above the record's data area
    {"Description", ""},
    {"description=x", ""},
    {"=1", ""},
};

TEST(ParamsCodec, EncodeCases) {
  for (const auto& [line, hex] : kEncodeCases) {
    TData rec;
    const EncodeResult r = EncodeParam(line, rec);
    EXPECT_EQ(r.ok, !hex.empty()) << line << ": " << r.reason;
    EXPECT_TRUE(r.error.empty()) << line;
    if (r && !hex.empty()) EXPECT_EQ(HexOfRecord(rec), HexOfRecord(RecordFromHex(hex))) << line;
    if (!r) EXPECT_FALSE(r.reason.empty()) << line;
  }
}

TEST(ParamsCodec, FailureLeavesTheRecordUnchanged) {
  const TData before = RecordFromHex("E703 0200 01AB");
  for (const char* line : {"Negation=1,x", "Dallas1=ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOP",
                           "03E70002=01G1", "Unknown=1"}) {
    TData rec = before;
    EXPECT_FALSE(EncodeParam(line, rec)) << line;
    EXPECT_EQ(rec, before) << line;
  }
}

TEST(ParamsCodec, NonHexPairOfARawLineIsAConversionError) {
  TData rec;
  for (const char* line : {"03E70002=01G1", "03E70002=0x01", "03E70002= 101"}) {
    const EncodeResult r = EncodeParam(line, rec);
    EXPECT_FALSE(r) << line;
    EXPECT_FALSE(r.error.empty()) << line;
  }
  EXPECT_EQ(EncodeParam("03E70002=01G1", rec).error, "'$G1' is not a valid integer value");
}

// Integer syntax, seen through a single U4 (GprsMinTime, Pid 9).
TEST(ParamsCodec, IntegerSyntax) {
  const std::pair<const char*, const char*> cases[] = {
      {"$16", "16000000"},  {"0x16", "16000000"}, {"0X16", "16000000"},
      {"x16", "16000000"},  {"X16", "16000000"},  {"+5", "05000000"},
      {"-1", "FFFFFFFF"},   {"  7", "07000000"},  {"-$10", "F0FFFFFF"},
      {"007", "07000000"},  {"4294967296", "00000000"},
      {"9223372036854775807", "FFFFFFFF"},       {"-9223372036854775808", "00000000"},
      {"$FFFFFFFFFFFFFFFF", "FFFFFFFF"},
      {"9223372036854775808", nullptr},          {"$10000000000000000", nullptr},
      {"7 ", nullptr},      {"$", nullptr},       {"0x", nullptr},
      {"", nullptr},        {"1e3", nullptr},     {"--1", nullptr},
      {"+-1", nullptr},     {"$-1", nullptr},     {"0x1g", nullptr},
      {"- 1", nullptr},     {"1.0", nullptr},     {"\t1", nullptr},
  };
  for (auto [text, bytes] : cases) {
    TData rec;
    const EncodeResult r = EncodeParam(std::string("GprsMinTime=") + text, rec);
    ASSERT_EQ(r.ok, bytes != nullptr) << "'" << text << "'";
    if (bytes) EXPECT_EQ(HexOfRecord(rec), std::string("09000400") + bytes) << text;
  }
}

// Float syntax, seen through a single F4 (SmartGpsSpeed, Pid 362).
TEST(ParamsCodec, FloatSyntax) {
  const std::pair<const char*, const char*> cases[] = {
      {"1e3", "00007A44"},  {".5", "0000003F"},   {"5.", "0000A040"},
      {" 2.5", "00002040"}, {"+2.5", "00002040"}, {"-1.5E-3", "A69BC4BA"},
      {"-0", "00000080"},   {"1e-50", "00000000"}, {"1e-999", "00000000"},
      {"0.0000001e-400", "00000000"}, {"100000e-5000", "00000000"}, {"3.4028234e38", "FFFF7F7F"},
      {"7", "0000E040"},
      {"3.5e38", nullptr},  {"1e39", nullptr},    {"1e999", nullptr},   {"0.001e400", nullptr},
      {"inf", nullptr},     {"nan", nullptr},     {"INF", nullptr},
      {"0x10", nullptr},    {"2.5 ", nullptr},    {"1,5", nullptr},
      {"", nullptr},        {".", nullptr},       {"e5", nullptr},
      {"1e", nullptr},      {"1.2.3", nullptr},   {"$10", nullptr},
  };
  for (auto [text, bytes] : cases) {
    TData rec;
    const EncodeResult r = EncodeParam(std::string("SmartGpsSpeed=") + text, rec);
    ASSERT_EQ(r.ok, bytes != nullptr) << "'" << text << "'";
    if (bytes) EXPECT_EQ(HexOfRecord(rec), std::string("6A010400") + bytes) << text;
  }
}

TEST(ParamsCodec, HeaderOfLine) {
  const struct {
    const char* line;
    bool ok;
    uint16_t pid, len;
  } cases[] = {
      {"Can1Filter1=anything", true, 20, 24}, {"0A0B0003=", true, 2571, 3},
      {"0a0b0003=zz", true, 2571, 3},          {"FFFF0101=", true, 65535, 257},
      {"Meshtastic=", true, 437, 44},          {"Bogus=1", false, 0, 0},
      {"Can1Filter1", false, 0, 0},            {"0A0B000=", false, 0, 0},
      {"0A0B000G=", false, 0, 0},              {"can1filter1=1", false, 0, 0},
  };
  for (const auto& c : cases) {
    THeader h{7, 7};
    ASSERT_EQ(HeaderOfLine(c.line, h), c.ok) << c.line;
    EXPECT_EQ(h, (c.ok ? THeader{c.pid, c.len} : THeader{7, 7})) << c.line;
  }
}

// Every default encodes (the three empty ones aside); its decoded line is stable through
// another encode and decode, and only the float defaults beyond 7 digits change bytes.
TEST(ParamsCodec, EveryDefaultRoundTrips) {
  std::set<std::string> notEncoded, changedBytes;
  for (const auto& row : ParamTable()) {
    const std::string name(row.Name);
    TData first, second;
    const EncodeResult r = EncodeParam(name + "=" + std::string(row.Default), first);
    if (!r) {
      notEncoded.insert(name);
      EXPECT_TRUE(r.error.empty()) << name;
      continue;
    }
    const std::string line = DecodeParam(first);
    ASSERT_TRUE(EncodeParam(line, second)) << line;
    EXPECT_EQ(DecodeParam(second), line);
    if (!(first == second)) changedBytes.insert(name);
  }
  EXPECT_EQ(notEncoded, (std::set<std::string>{"CanSniffer1", "CanSniffer2", "AccessKey"}));
  std::set<std::string> lossy;
  for (const char* can : {"Can1", "Can2", "Can3"})
    for (const char* n : {"3", "5", "6", "9"}) lossy.insert(std::string(can) + "FilterEx" + n);
  EXPECT_EQ(changedBytes, lossy);
}

TEST(FloatText, GeneralFormatWithSevenDigits) {
  const std::pair<float, const char*> cases[] = {
      {0.0f, "0"},
      {-0.0f, "0"},
      {0.125f, "0.125"},
      {-40.0f, "-40"},
      {0.1f, "0.1"},
      {0.00390625f, "0.00390625"},
      {250.996f, "250.996"},
      {1734.96875f, "1734.969"},
      {9999999.0f, "9999999"},
      {1234567.0f, "1234567"},
      {12345678.0f, "1.234568E7"},
      {21055406000.0f, "2.105541E10"},
      {2105540607.5f, "2.105541E9"},
      {9999999.5f, "1E7"},
      {0.00001f, "0.00001"},
      {0.000012345f, "0.000012345"},
      {0.000001f, "1E-6"},
      {-1.5e-7f, "-1.5E-7"},
      {FLT_MAX, "3.402823E38"},
      {FLT_TRUE_MIN, "1.401298E-45"},
      {std::numeric_limits<float>::infinity(), "INF"},
      {-std::numeric_limits<float>::infinity(), "-INF"},
      {std::nanf(""), "NAN"},
  };
  for (auto [value, text] : cases) EXPECT_EQ(FloatText(value), text) << text;
  EXPECT_EQ(FloatText(-0.125f, ','), "-0,125");
  EXPECT_EQ(FloatText(1.5e-7f, ','), "1,5E-7");
  EXPECT_EQ(FloatText(40.0f, ','), "40");
}

}  // namespace
}  // namespace ravok
