#include <gtest/gtest.h>

#include "files/FirmwareXml.h"
#include "locallink/FirmwareImage.h"
#include "tests/files/XmlTestUtil.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

using test::DataFile;

QByteArray FirmwareDoc(int device, int type, const QByteArray& hex) {
  return "<ravok><firmware device=\"" + QByteArray::number(device) + "\" type=\"" +
         QByteArray::number(type) + "\"><record>" + hex + "</record></firmware></ravok>";
}

TEST(FirmwareLoadTest, MainFirmwareByExtension) {
  test::TempFiles files;
  struct Case {
    const char* name;
    QString file;
    bool ok;
    int start, size;
    QString message;
  };
  const Case cases[] = {
      {"hex: boot area skipped", DataFile("objcopy_2000.hex"), true, 8192, 4096, {}},
      {"hex: boot area only", DataFile("boot_only.hex"), false, 0, 0, kMsgFirmwareTooShort},
      {"hex: bad file", DataFile("lowercase.hex"), false, 0, 0, kMsgCannotProcessFile},
      {"HEX in capitals is firmware XML",
       files.Copy(DataFile("objcopy_2000.hex"), "FW.HEX"), false, 0, 0, kMsgCannotReadFirmware},
      {"xml: sent from offset 0", files.Write("fw.xml", FirmwareDoc(8, 1, "0102030405")), true, 0,
       5, {}},
      {"xml: other device", files.Write("fw9.xml", FirmwareDoc(9, 1, "01")), false, 0, 0,
       kMsgCannotReadFirmware},
      {"xml: accessory type", files.Write("fw2.xml", FirmwareDoc(8, 2, "01")), false, 0, 0,
       kMsgCannotReadFirmware},
      {"xml: missing file", "/nonexistent/fw.xml", false, 0, 0, kMsgCannotReadFirmware},
  };
  for (const Case& c : cases) {
    test::FakeShell shell;
    FirmwareImage image;
    EXPECT_EQ(LoadMainFirmware(shell, c.file, 8, image), c.ok) << c.name;
    EXPECT_EQ(shell.Texts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message})
        << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(image.start, c.start) << c.name;
    EXPECT_EQ(image.size, c.size) << c.name;
  }
}

TEST(FirmwareLoadTest, XmlFirmwareLargerThanTheLimitIsRefused) {
  test::TempFiles files;
  const QByteArray exact = QByteArray(kXmlFirmwareLimit, 'A').toHex();  // "41" per byte
  test::FakeShell shell;
  FirmwareImage image;
  ASSERT_TRUE(LoadMainFirmware(shell, files.Write("max.xml", FirmwareDoc(8, 1, exact)), 8, image));
  EXPECT_EQ(image.size, kXmlFirmwareLimit);
  EXPECT_EQ(image.Data()[kXmlFirmwareLimit - 1], 0x41);
  EXPECT_FALSE(
      LoadMainFirmware(shell, files.Write("big.xml", FirmwareDoc(8, 1, exact + "41")), 8, image));
  EXPECT_EQ(shell.Texts(), QStringList{kMsgCannotReadFirmware});
}

TEST(FirmwareLoadTest, AccessoryImagesUseTheirLimitAndBootArea) {
  test::TempFiles files;
  const QString xml = files.Write("acc.xml", FirmwareDoc(8, 3, "A1B2C3"));
  struct Case {
    const char* name;
    QString file;
    int maximum, bootArea;
    bool ok;
    int start, size;
    QString message;
  };
  const Case cases[] = {
      // Data 0x2000..0x2FFF; a maximum of 0x800 after an 8192-byte boot area cuts at 0x2800.
      {"hex cut at maximum plus boot area", DataFile("objcopy_2000.hex"), 0x800, 8192, true, 8192,
       0x800, {}},
      {"hex without boot area", DataFile("objcopy_2000.hex"), 253952, 0, true, 0, 0x3000, {}},
      {"hex too short", DataFile("boot_only.hex"), 126976, 8192, false, 0, 0, kMsgFirmwareTooShort},
      {"bad hex", DataFile("bad_checksum.hex"), 126976, 8192, false, 0, 0,
       kMsgCannotProcessFileAccessory},
      {"xml of the accessory type", xml, 253952, 8192, true, 0, 3, {}},
      {"xml larger than the maximum", xml, 2, 8192, false, 0, 0, kMsgCannotReadFirmware},
  };
  for (const Case& c : cases) {
    test::FakeShell shell;
    FirmwareImage image;
    EXPECT_EQ(LoadAccessoryFirmware(shell, c.file, 8, 3, c.maximum, c.bootArea, image), c.ok)
        << c.name;
    EXPECT_EQ(shell.Texts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message})
        << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(image.start, c.start) << c.name;
    EXPECT_EQ(image.size, c.size) << c.name;
    // Whole batches are readable from the start, 0xFF past the file's bytes.
    EXPECT_GE(image.bytes.size(), size_t(c.start + 2048 * ((c.size + 2047) / 2048))) << c.name;
  }
}

}  // namespace
}  // namespace ravok
