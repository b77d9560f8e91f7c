// Key list XML as the manager reads it: ravok > data (type 2, crcc = list number) > text,
// each text one 16-character driver key.
#pragma once

#include <QDomDocument>
#include <cstdint>
#include <vector>

namespace ravok {

// Fills the first imageSize bytes of image with 0xFF (growing it when shorter) and appends
// every character of every text of every data element of type 2 with a non-zero crcc as
// one byte (its low 8 bits), from position 0 upward. listNumber is the crcc of the last
// data element of type 2 (0 when missing or not a number; such an element adds nothing).
// count is the number of bytes stored.
// Result 1 when at least one text was found, 0 when none was or when the texts hold more
// than imageSize bytes (reading stops at the size and the list is refused).
int ReadDataXml(const QDomDocument& doc, int imageSize, std::vector<uint8_t>& image, int& count,
                int& listNumber);

}  // namespace ravok
