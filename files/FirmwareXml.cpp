#include "files/FirmwareXml.h"

#include <algorithm>

#include "files/XmlWalk.h"
#include "locallink/Shell.h"

namespace ravok {
namespace {

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

enum class Stored { Ok, BadPair, Full };

// Stores the pairs of text as bytes after the count already stored; a last single
// character is ignored.
Stored StoreHexText(const QString& text, int imageSize, std::vector<uint8_t>& image, int& count) {
  for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
    const int hi = HexDigit(text[i].unicode());
    const int lo = HexDigit(text[i + 1].unicode());
    if (hi < 0 || lo < 0) return Stored::BadPair;
    if (count >= imageSize) return Stored::Full;
    image[count++] = uint8_t(hi * 16 + lo);
  }
  return Stored::Ok;
}

}  // namespace

int ReadFirmwareXml(const QDomDocument& doc, int deviceType, int firmwareType, int imageSize,
                    std::vector<uint8_t>& image, int& count) {
  imageSize = std::max(imageSize, 0);
  if (image.size() < size_t(imageSize)) image.resize(imageSize);
  std::fill(image.begin(), image.begin() + imageSize, uint8_t(0xFF));
  count = 0;
  bool found = false;
  bool failed = false;
  ForEachSection(doc, QStringLiteral("firmware"), [&](const QDomElement& fw) {
    if (failed || AttributeInt(fw, QStringLiteral("device")) != deviceType ||
        AttributeInt(fw, QStringLiteral("type")) != firmwareType)
      return;
    ForEachChild(fw, QStringLiteral("record"), [&](const QDomElement& record) {
      if (failed) return;
      found = true;
      failed = StoreHexText(record.text(), imageSize, image, count) != Stored::Ok;
    });
  });
  return (found && !failed) ? 1 : 0;
}

bool LoadFirmwareDocument(Shell& shell, const QDomDocument& doc, int deviceType,
                          int firmwareType, int limit, FirmwareImage& image) {
  image = FirmwareImage{};
  int count = 0;
  // A document without a single byte would send a block of 0xFF as firmware.
  if (ReadFirmwareXml(doc, deviceType, firmwareType, limit, image.bytes, count) != 1 ||
      count == 0) {
    shell.ShowError(kMsgCannotReadFirmware);
    return false;
  }
  image.start = 0;
  image.size = count;
  PadImage(image);
  return true;
}

}  // namespace ravok
