#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "locallink/FirmwareImage.h"
#include "locallink/IntelHex.h"

namespace ravok {
namespace {

QString Fixture(const char* name) {
  const auto dir = std::filesystem::path(__FILE__).parent_path().parent_path() / "files" / "data";
  return QString::fromStdString((dir / name).string());
}

std::vector<uint8_t> FixtureBytes(const char* name) {
  QFile f(Fixture(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  const QByteArray b = f.readAll();
  return {b.begin(), b.end()};
}

TEST(HexPairTest, ReadsUpperCaseDigitsAtOneBasedPositions) {
  struct Case {
    std::string line;
    int pos;
    bool ok;
    uint8_t value;
  };
  const Case cases[] = {
      {":1A", 2, true, 0x1A},    {":FF", 2, true, 0xFF},  {":0009", 4, true, 0x09},
      {":1a", 2, false, 0},      {":G0", 2, false, 0},    {":1", 2, false, 0},
      {":12", 3, false, 0},      {":12", 0, false, 0},    {":  ", 2, false, 0},
  };
  for (const Case& c : cases) {
    int pos = c.pos;
    uint8_t value = 0;
    EXPECT_EQ(HexPair(c.line, pos, value), c.ok) << c.line << " @" << c.pos;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.line;
      EXPECT_EQ(pos, c.pos + 2);
    }
  }
}

TEST(HexPairTest, ReadsBeyondPosition255) {
  const std::string line = ":" + std::string(300, '0') + "7E";
  int pos = 302;
  uint8_t value = 0;
  ASSERT_TRUE(HexPair(line, pos, value));
  EXPECT_EQ(value, 0x7E);
  EXPECT_EQ(pos, 304);
}

TEST(IntelHexTest, ObjcopyImageLandsAtItsAddresses) {
  // 4096 bytes at 0x2000, CR LF lines, closed by a start segment record and the end record.
  std::vector<uint8_t> buffer;
  int size = -1;
  ASSERT_TRUE(ReadIntelHex(Fixture("objcopy_2000.hex"), kImageBufferSize, buffer, size));
  EXPECT_EQ(size, 12288);
  ASSERT_EQ(buffer.size(), size_t(kImageBufferSize));
  const auto data = FixtureBytes("objcopy_2000.bin");
  EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin() + 0x2000));
  EXPECT_EQ(buffer[0x1FFF], 0xFF);
  EXPECT_EQ(buffer[0x3000], 0xFF);
  EXPECT_EQ(buffer[kImageBufferSize - 1], 0xFF);
}

TEST(IntelHexTest, ObjcopySegmentRecordsAndStartLinearAddress) {
  // objcopy writes extended segment records (0x1000, 0x2000) across the 64 KiB boundary
  // at 0x20000 and a start linear address record for the entry point.
  std::vector<uint8_t> buffer;
  int size = -1;
  ASSERT_TRUE(ReadIntelHex(Fixture("objcopy_segments.hex"), kImageBufferSize, buffer, size));
  EXPECT_EQ(size, 0x1FF00 + 512);
  const auto data = FixtureBytes("objcopy_segments.bin");
  EXPECT_TRUE(std::equal(data.begin(), data.end(), buffer.begin() + 0x1FF00));
  EXPECT_EQ(buffer[0x1FEFF], 0xFF);
}

struct HexCase {
  const char* file;
  int limit;
  int size;                                             // -1: the read fails
  std::vector<std::pair<int, uint8_t>> bytes = {};      // address, expected byte
};

class IntelHexFixtureTest : public testing::TestWithParam<HexCase> {};

TEST_P(IntelHexFixtureTest, ReadsFixture) {
  const HexCase& c = GetParam();
  std::vector<uint8_t> buffer;
  int size = -1;
  const bool ok = ReadIntelHex(Fixture(c.file), c.limit, buffer, size);
  ASSERT_EQ(ok, c.size >= 0) << c.file;
  if (!ok) return;
  EXPECT_EQ(size, c.size) << c.file;
  for (const auto& [address, value] : c.bytes)
    EXPECT_EQ(buffer.at(address), value) << c.file << " @0x" << std::hex << address;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, IntelHexFixtureTest,
    testing::Values(
        // Type 4: upper 1 is 0x10000; upper 8 (0x80000) lies past the image and is skipped.
        HexCase{"linear.hex", kImageBufferSize, 0x10003,
                {{0x3000, 0x11}, {0x3001, 0x22}, {0x10000, 0xAA}, {0x10002, 0xCC}, {0x10003, 0xFF}}},
        // A smaller limit cuts inside a record: the rest is read and checked, not stored.
        HexCase{"linear.hex", 0x3001, 0x3001, {{0x3000, 0x11}}},
        // Records of 200 and 255 data bytes.
        HexCase{"long_records.hex", kImageBufferSize, 0x20C8 + 255,
                {{0x2000, 0x00}, {0x2001, 0x07}, {0x20C7, uint8_t(199 * 7)}, {0x20C8, 3},
                 {0x20C8 + 254, uint8_t(3 + 254 * 7)}}},
        HexCase{"segment_1000.hex", kImageBufferSize, 0x10002, {{0x10000, 1}, {0x10001, 2}, {0, 0xFF}}},
        HexCase{"boot_only.hex", kImageBufferSize, 0x2000, {{0, 0}, {0x1FFF, uint8_t(15 * 7)}}},
        HexCase{"no_end_record.hex", kImageBufferSize, 0x2020, {{0x201F, uint8_t(31 * 7)}}},
        HexCase{"after_end.hex", kImageBufferSize, 0x2001, {{0x2000, 0x42}}},
        HexCase{"segment_1800.hex", kImageBufferSize, -1},
        HexCase{"lowercase.hex", kImageBufferSize, -1},
        HexCase{"blank_line.hex", kImageBufferSize, -1},
        HexCase{"bad_checksum.hex", kImageBufferSize, -1},
        HexCase{"short_record.hex", kImageBufferSize, -1},
        HexCase{"no_colon.hex", kImageBufferSize, -1},
        HexCase{"bad_count.hex", kImageBufferSize, -1},
        HexCase{"missing-file.hex", kImageBufferSize, -1}),
    [](const testing::TestParamInfo<HexCase>& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      std::replace(name.begin(), name.end(), '-', '_');
      return name + "_" + std::to_string(info.index);
    });

TEST(IntelHexTest, LineEndsAndOddContents) {
  const QByteArray record = ":02200000ABCD66";
  struct Case {
    QByteArray text;
    int size;  // -1: fails
  };
  const Case cases[] = {
      {record + "\r\n:00000001FF\r\n", 0x2002},
      {record + "\r:00000001FF", 0x2002},  // lone CR ends a line too
      {record, 0x2002},                    // last line without a line end
      {"", 0},                             // nothing written, nothing wrong
      {record + "\n\n", -1},               // a blank line without an end record first
      {":" + QByteArray(5000, '0'), -1},   // absurdly long line
      {QByteArray("\x00\x01\x02", 3), -1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer;
    int size = -1;
    const bool ok = ParseIntelHex(c.text, kImageBufferSize, buffer, size);
    EXPECT_EQ(ok, c.size >= 0) << c.text.left(40).toStdString();
    if (ok) EXPECT_EQ(size, c.size) << c.text.left(40).toStdString();
  }
}

TEST(IntelHexTest, RefillsAReusedBuffer) {
  std::vector<uint8_t> buffer(kImageBufferSize, 0x00);
  int size = 0;
  ASSERT_TRUE(ParseIntelHex(":02200000ABCD66\n", kImageBufferSize, buffer, size));
  EXPECT_EQ(buffer[0], 0xFF);
  EXPECT_EQ(buffer[0x2000], 0xAB);
  EXPECT_EQ(buffer[0x2002], 0xFF);
}

}  // namespace
}  // namespace ravok
