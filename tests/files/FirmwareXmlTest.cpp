#include <gtest/gtest.h>

#include "files/DataXml.h"
#include "files/FirmwareXml.h"
#include "tests/files/XmlTestUtil.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

using test::Doc;

struct FirmwareCase {
  const char* name;
  QByteArray xml;
  int imageSize;
  int result;
  std::vector<uint8_t> bytes;  // the bytes stored, in order (count = its size)
};

// Device 8, firmware type 1 is asked for in every case.
const FirmwareCase kFirmwareCases[] = {
    {"last single character ignored",
     R"(<ravok><firmware device="8" type="1"><record>0AFF1</record></firmware></ravok>)", 16, 1,
     {0x0A, 0xFF}},
    {"non-hex pair fails",
     R"(<ravok><firmware device="8" type="1"><record>0G</record></firmware></ravok>)", 16, 0, {}},
    {"bytes before a bad pair are counted",
     R"(<ravok><firmware device="8" type="1"><record>12340x</record></firmware></ravok>)", 16, 0,
     {0x12, 0x34}},
    {"either case of digits",
     R"(<ravok><firmware device="8" type="1"><record>aBcD</record></firmware></ravok>)", 16, 1,
     {0xAB, 0xCD}},
    {"matching elements and records concatenated in document order",
     R"(<ravok>
          <firmware device="8" type="1"><record>01</record><other>77</other><record>02</record></firmware>
          <firmware device="9" type="1"><record>EE</record></firmware>
          <firmware device="8" type="2"><record>DD</record></firmware>
          <firmware device="8" type="1"><record>03</record></firmware>
        </ravok>)",
     16, 1, {0x01, 0x02, 0x03}},
    {"elements below another root are not read",
     R"(<other><firmware device="8" type="1"><record>01</record></firmware></other>)", 16, 0, {}},
    {"no record", R"(<ravok><firmware device="8" type="1"/></ravok>)", 16, 0, {}},
    {"empty record is still a record",
     R"(<ravok><firmware device="8" type="1"><record/></firmware></ravok>)", 16, 1, {}},
    {"exactly the image size",
     R"(<ravok><firmware device="8" type="1"><record>010203</record></firmware></ravok>)", 3, 1,
     {1, 2, 3}},
    {"larger than the image is refused at the size",
     R"(<ravok><firmware device="8" type="1"><record>01020304</record></firmware></ravok>)", 3, 0,
     {1, 2, 3}},
    {"missing attributes read as 0",
     R"(<ravok><firmware type="1"><record>01</record></firmware></ravok>)", 16, 0, {}},
};

TEST(FirmwareXmlTest, DecodesRecordsIntoTheImage) {
  for (const FirmwareCase& c : kFirmwareCases) {
    std::vector<uint8_t> image(4, 0x00);  // a reused, dirty buffer
    int count = -1;
    EXPECT_EQ(ReadFirmwareXml(Doc(c.xml), 8, 1, c.imageSize, image, count), c.result) << c.name;
    ASSERT_EQ(count, int(c.bytes.size())) << c.name;
    ASSERT_GE(image.size(), size_t(c.imageSize)) << c.name;
    EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), image.begin())) << c.name;
    for (int i = count; i < c.imageSize; ++i) EXPECT_EQ(image[i], 0xFF) << c.name << " @" << i;
  }
}

TEST(FirmwareXmlTest, DocumentWithoutBytesIsNotAFirmware) {
  test::FakeShell shell;
  FirmwareImage image;
  EXPECT_FALSE(LoadFirmwareDocument(
      shell, Doc(R"(<ravok><firmware device="8" type="1"><record/></firmware></ravok>)"), 8, 1,
      kXmlFirmwareLimit, image));
  EXPECT_EQ(shell.Texts(), QStringList{kMsgCannotReadFirmware});
}

struct DataCase {
  const char* name;
  QByteArray xml;
  int imageSize;
  int result;
  QByteArray bytes;
  int listNumber;
};

const DataCase kDataCases[] = {
    {"one key",
     R"(<ravok><data type="2" crcc="77"><text>0123456789ABCDEF</text></data></ravok>)", 64, 1,
     "0123456789ABCDEF", 77},
    {"keys of several elements in order, other types ignored",
     R"(<ravok>
          <data type="2" crcc="5"><text>AAAA</text><note>x</note><text>BBBB</text></data>
          <data type="1" crcc="9"><text>CCCC</text></data>
          <data type="2" crcc="6"><text>DDDD</text></data>
        </ravok>)",
     64, 1, "AAAABBBBDDDD", 6},
    {"crcc 0 contributes nothing",
     R"(<ravok><data type="2" crcc="0"><text>AAAA</text></data></ravok>)", 64, 0, "", 0},
    {"crcc not a number",
     R"(<ravok><data type="2" crcc="x1"><text>AAAA</text></data></ravok>)", 64, 0, "", 0},
    {"low 8 bits of each character", "<ravok><data type=\"2\" crcc=\"1\"><text>\xC3\xA9\xC4\x80</text></data></ravok>",
     64, 1, QByteArray("\xE9\x00", 2), 1},
    {"longer than the image is refused at the size",
     R"(<ravok><data type="2" crcc="3"><text>ABCDE</text></data></ravok>)", 4, 0, "ABCD", 3},
};

TEST(DataXmlTest, DecodesKeysIntoTheImage) {
  for (const DataCase& c : kDataCases) {
    std::vector<uint8_t> image;
    int count = -1, list = -1;
    EXPECT_EQ(ReadDataXml(Doc(c.xml), c.imageSize, image, count, list), c.result) << c.name;
    EXPECT_EQ(list, c.listNumber) << c.name;
    ASSERT_EQ(count, c.bytes.size()) << c.name;
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.data()), count), c.bytes) << c.name;
    for (int i = count; i < c.imageSize; ++i) EXPECT_EQ(image[i], 0xFF) << c.name;
  }
}

}  // namespace
}  // namespace ravok
