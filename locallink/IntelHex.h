// Intel HEX firmware files turned into a flat byte image.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace ravok {

// Reads the two characters at the 1-based positions pos and pos + 1 of line (the first
// pair of a record is at pos = 2, just after the colon) as one byte, high digit first.
// Only 0-9 and A-F (upper case) are digits. Fails when pos is not less than the line's
// length or a character is not a digit; on success pos advances by 2.
// pos is a plain int, so records of any length are read (up to 255 data bytes).
bool HexPair(const std::string& line, int& pos, uint8_t& value);

// Fills the first `limit` bytes of buffer with 0xFF (growing it to `limit` when shorter)
// and loads the records of the file into it. Data at or beyond `limit` are read and
// checked but not stored. On true, size is one more than the highest address written
// (0 when nothing was written). Stops at the end record; a file without one is accepted
// when every line is good. Any bad line (not starting with ":", a bad hex pair, a wrong
// count for record types 2 to 5, a segment not a multiple of 0x1000, a checksum error)
// gives false and the buffer must not be used.
bool ReadIntelHex(const QString& file, int limit, std::vector<uint8_t>& buffer, int& size);

// The same over the file's contents already in memory. Lines end with LF, CR LF or CR.
bool ParseIntelHex(const QByteArray& contents, int limit, std::vector<uint8_t>& buffer, int& size);

}  // namespace ravok
