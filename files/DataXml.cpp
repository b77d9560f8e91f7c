#include "files/DataXml.h"

#include <algorithm>

#include "files/XmlWalk.h"

namespace ravok {

int ReadDataXml(const QDomDocument& doc, int imageSize, std::vector<uint8_t>& image, int& count,
                int& listNumber) {
  imageSize = std::max(imageSize, 0);
  if (image.size() < size_t(imageSize)) image.resize(imageSize);
  std::fill(image.begin(), image.begin() + imageSize, uint8_t(0xFF));
  count = 0;
  listNumber = 0;
  bool found = false;
  bool full = false;
  ForEachSection(doc, QStringLiteral("data"), [&](const QDomElement& data) {
    if (full || AttributeInt(data, QStringLiteral("type")) != 2) return;
    listNumber = AttributeInt(data, QStringLiteral("crcc"));
    if (listNumber == 0) return;
    ForEachChild(data, QStringLiteral("text"), [&](const QDomElement& text) {
      if (full) return;
      found = true;
      for (const QChar c : text.text()) {
        if (count >= imageSize) {
          full = true;
          return;
        }
        image[count++] = uint8_t(c.unicode() & 0xFF);
      }
    });
  });
  return (found && !full) ? 1 : 0;
}

}  // namespace ravok
