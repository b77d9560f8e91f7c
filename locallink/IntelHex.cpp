#include "locallink/IntelHex.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>

namespace ravok {
namespace {

// Longest line accepted: a full record (255 data bytes) is 521 characters.
constexpr size_t kMaxLineLength = 4096;

enum RecordType : uint8_t {
  kData = 0,
  kEndOfFile = 1,
  kExtendedSegment = 2,
  kStartSegment = 3,
  kExtendedLinear = 4,
  kStartLinear = 5,
};

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// State carried from record to record while a file is read.
struct HexReader {
  int limit;
  std::vector<uint8_t>& buffer;
  int size = 0;
  uint32_t upper = 0;  // upper 16 bits of the address, from type 2 or 4 records

  // Reads one record; false when it is bad. endSeen is set for an end record.
  bool Record(const std::string& line, bool& endSeen) {
    if (line.empty() || line[0] != ':') return false;
    int pos = 2;
    uint8_t count = 0, high = 0, low = 0, type = 0;
    if (!HexPair(line, pos, count) || !HexPair(line, pos, high) || !HexPair(line, pos, low) ||
        !HexPair(line, pos, type))
      return false;
    uint8_t sum = count + high + low + type;
    auto next = [&](uint8_t& b) {
      if (!HexPair(line, pos, b)) return false;
      sum += b;
      return true;
    };
    switch (type) {
      case kExtendedSegment:
      case kExtendedLinear: {
        uint8_t h = 0, l = 0;
        if (count != 2 || !next(h) || !next(l)) return false;
        const uint32_t value = h * 256u + l;
        if (type == kExtendedSegment) {
          // A segment that is not a multiple of 0x1000 cannot be expressed as upper bits.
          if ((value & 0x0FFF) != 0) return false;
          upper = value >> 12;
        } else {
          upper = value;
        }
        break;
      }
      case kStartSegment:
      case kStartLinear: {
        // The start address means nothing to an image; its bytes only count in the sum.
        uint8_t b = 0;
        if (count != 4) return false;
        for (int i = 0; i < 4; ++i)
          if (!next(b)) return false;
        break;
      }
      case kData: {
        uint64_t address = uint64_t(upper) * 65536u + high * 256u + low;
        for (int i = 0; i < count; ++i, ++address) {
          uint8_t b = 0;
          if (!next(b)) return false;
          if (address < uint64_t(limit)) {
            buffer[address] = b;
            size = std::max(size, int(address) + 1);
          }
        }
        break;
      }
      default:
        // The end record and unknown types carry no data: the next byte is the checksum.
        break;
    }
    uint8_t checksum = 0;
    if (!next(checksum) || sum != 0) return false;
    endSeen = (type == kEndOfFile);
    (void)checksum;
    return true;
  }
};

}  // namespace

bool HexPair(const std::string& line, int& pos, uint8_t& value) {
  if (pos < 1 || pos >= int(line.size())) return false;
  const int hi = DigitValue(line[pos - 1]);
  const int lo = DigitValue(line[pos]);
  if (hi < 0 || lo < 0) return false;
  value = uint8_t(hi * 16 + lo);
  pos += 2;
  return true;
}

namespace {

// Feeds the lines of a device (LF, CR LF or CR line ends) to the reader until the end
// record, the end of the input or a bad line.
bool ReadRecords(QIODevice& dev, int limit, std::vector<uint8_t>& buffer, int& size) {
  limit = std::max(limit, 0);
  if (buffer.size() < size_t(limit)) buffer.resize(limit);
  std::fill(buffer.begin(), buffer.begin() + limit, uint8_t(0xFF));
  HexReader reader{limit, buffer};
  std::string line;
  bool endSeen = false;
  bool afterCr = false;  // a LF right after a CR belongs to the same line end
  char chunk[65536];
  for (;;) {
    const qint64 n = dev.read(chunk, sizeof chunk);
    if (n < 0) return false;
    if (n == 0) break;
    for (qint64 i = 0; i < n; ++i) {
      const char c = chunk[i];
      if (c == '\n' && afterCr) {
        afterCr = false;
        continue;
      }
      afterCr = (c == '\r');
      if (c == '\n' || c == '\r') {
        if (!reader.Record(line, endSeen)) return false;
        if (endSeen) {
          size = reader.size;
          return true;
        }
        line.clear();
      } else {
        // No good record comes near this length; a longer line is not Intel HEX.
        if (line.size() >= kMaxLineLength) return false;
        line.push_back(c);
      }
    }
  }
  if (!line.empty() && !reader.Record(line, endSeen)) return false;
  size = reader.size;
  return true;
}

}  // namespace

bool ParseIntelHex(const QByteArray& contents, int limit, std::vector<uint8_t>& buffer,
                   int& size) {
  QBuffer dev;
  dev.setData(contents);
  dev.open(QIODevice::ReadOnly);
  return ReadRecords(dev, limit, buffer, size);
}

bool ReadIntelHex(const QString& file, int limit, std::vector<uint8_t>& buffer, int& size) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return ReadRecords(f, limit, buffer, size);
}

}  // namespace ravok
