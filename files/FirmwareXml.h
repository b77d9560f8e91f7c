// Firmware XML: ravok > firmware (device, type) > record, each record's text the image bytes
// as pairs of hexadecimal digits without separators.
#pragma once

#include <QDomDocument>
#include <QString>
#include <cstdint>
#include <vector>

#include "locallink/FirmwareImage.h"

namespace ravok {

class Shell;

// Fills the first imageSize bytes of image with 0xFF (growing it when shorter) and stores
// the bytes of every record of every matching firmware element (same device type number
// and firmware type) from position 0 upward in document order; a last single character of
// a record is ignored. count is the number of bytes stored.
// Result 1 when at least one record was found, 0 when none was, when a pair is not
// hexadecimal, or when the document holds more than imageSize bytes (reading stops at
// the size and the document is refused rather than cut short).
int ReadFirmwareXml(const QDomDocument& doc, int deviceType, int firmwareType, int imageSize,
                    std::vector<uint8_t>& image, int& count);

// Parses XML text into doc; false with the parser's message when it is not well-formed.
bool ParseXml(const QByteArray& text, QDomDocument& doc, QString* error = nullptr);
// Loads and parses an XML file; false when it cannot be read or is not well-formed.
bool LoadXmlFile(const QString& file, QDomDocument& doc, QString* error = nullptr);

// A firmware document (file or repository answer) into image, sent from offset 0 with the
// decoded size. Shows "Can not read firmware!" and returns false when decoding fails or
// yields no byte.
bool LoadFirmwareDocument(Shell& shell, const QDomDocument& doc, int deviceType,
                          int firmwareType, int limit, FirmwareImage& image);

}  // namespace ravok
