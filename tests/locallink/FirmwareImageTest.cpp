#include <gtest/gtest.h>

#include <filesystem>

#include "locallink/FirmwareImage.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

QString Fixture(const char* name) {
  const auto dir = std::filesystem::path(__FILE__).parent_path().parent_path() / "files" / "data";
  return QString::fromStdString((dir / name).string());
}

TEST(FirmwareImageTest, OnlyLowerCaseHexExtensionIsIntelHex) {
  const std::pair<const char*, bool> cases[] = {
      {"fw.hex", true},          {"/a/b.c/fw.v2.hex", true}, {"fw.HEX", false},
      {"fw.Hex", false},         {"fw.hex.xml", false},      {"fw.xml", false},
      {"hex", false},            {"/a.hex/fw", false},       {"fw.hexx", false},
  };
  for (const auto& [name, hex] : cases) EXPECT_EQ(IsIntelHexName(name), hex) << name;
}

TEST(FirmwareImageTest, HexImageStartsAfterTheBootArea) {
  test::FakeShell shell;
  FirmwareImage image;
  ASSERT_TRUE(LoadHexImage(shell, Fixture("objcopy_2000.hex"), kImageBufferSize, kBootAreaSize,
                           kMsgCannotProcessFile, image));
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_EQ(image.start, 8192);
  EXPECT_EQ(image.size, 4096);
  EXPECT_EQ(image.Data()[0], 0xA5);
  EXPECT_EQ(image.Data()[4095], 0xB5);
  EXPECT_EQ(image.bytes.size(), size_t(kImageBufferSize));
}

TEST(FirmwareImageTest, HexFailuresShowOneMessage) {
  struct Case {
    const char* file;
    int bootArea;
    QString message;
  };
  const Case cases[] = {
      {"boot_only.hex", kBootAreaSize, kMsgFirmwareTooShort},
      {"lowercase.hex", kBootAreaSize, kMsgCannotProcessFile},
      {"missing-file.hex", kBootAreaSize, kMsgCannotProcessFile},
      // An image exactly as long as the boot area has nothing to send.
      {"segment_1000.hex", 0x10002, kMsgFirmwareTooShort},
  };
  for (const Case& c : cases) {
    test::FakeShell shell;
    FirmwareImage image;
    EXPECT_FALSE(LoadHexImage(shell, Fixture(c.file), kImageBufferSize, c.bootArea,
                              kMsgCannotProcessFile, image))
        << c.file;
    EXPECT_EQ(shell.Texts(), QStringList{c.message}) << c.file;
  }
}

TEST(FirmwareImageTest, PaddingCoversTheLastBatchWithFF) {
  FirmwareImage image;
  image.bytes.assign(100, 0x00);
  image.start = 10;
  image.size = 2049;  // two batches from offset 10
  PadImage(image);
  ASSERT_EQ(image.bytes.size(), size_t(10 + 2 * kUploadBatchSize));
  EXPECT_EQ(image.bytes[99], 0x00);
  EXPECT_EQ(image.bytes[100], 0xFF);
  EXPECT_EQ(image.bytes.back(), 0xFF);
}

}  // namespace
}  // namespace ravok
