#include "tools/ravokctl/RecordArgs.h"

#include <cstdio>
#include <iostream>

#include "tools/ravokctl/Commands.h"

namespace ravok::ctl {
namespace {

constexpr int kHeaderBytes = 4;
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

void PutLine(FILE* f, const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), f);
  std::fputc('\n', f);
  std::fflush(f);
}

// One conversion with the console's UTF-8 on both sides.
bool ConvertUtf8(const Converter& convert, const std::string& utf8In, std::string& utf8Out) {
  bool latin1 = true;
  const std::string in = Utf8ToLatin1(utf8In, &latin1);
  if (!latin1) {
    utf8Out = "input is not valid UTF-8";
    return false;
  }
  std::string out;
  const bool ok = convert(in, out);
  utf8Out = Latin1ToUtf8(out);
  return ok;
}

}  // namespace

bool ParseRecordHex(std::string_view text, TData& out, std::string* error) {
  std::string bytes;
  int pending = -1;  // high nibble waiting for its pair
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsBlank(c)) continue;
    const int v = HexValue(c);
    if (v < 0) return Fail(error, "not a hex digit at position " + std::to_string(i + 1));
    if (pending < 0) {
      pending = v;
    } else {
      bytes.push_back(static_cast<char>(pending << 4 | v));
      pending = -1;
    }
  }
  if (pending >= 0) return Fail(error, "odd number of hex digits");
  if (bytes.size() < kHeaderBytes)
    return Fail(error, "a record needs at least 4 bytes (Pid and Len)");
  auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  const uint16_t pid = static_cast<uint16_t>(byte(0) | byte(1) << 8);
  const uint16_t len = static_cast<uint16_t>(byte(2) | byte(3) << 8);
  if (len > kRecordDataSize)
    return Fail(error, "Len " + std::to_string(len) + " is above " +
                           std::to_string(kRecordDataSize));
  const size_t have = bytes.size() - kHeaderBytes;
  if (have != len)
    return Fail(error, "Len " + std::to_string(len) + " but " + std::to_string(have) +
                           " data bytes");
  TData rec;
  rec.Hdr = {pid, len};
  for (size_t i = 0; i < have; ++i) rec.Data[i] = byte(kHeaderBytes + i);
  out = rec;
  return true;
}

std::string RecordHex(const TData& rec) {
  const int len = rec.Hdr.Len < kRecordDataSize ? rec.Hdr.Len : kRecordDataSize;
  std::string hex;
  hex.reserve(2 * (kHeaderBytes + len));
  auto put = [&](uint8_t b) {
    hex.push_back(kHexDigits[b >> 4]);
    hex.push_back(kHexDigits[b & 0xF]);
  };
  put(rec.Hdr.Pid & 0xFF);
  put(rec.Hdr.Pid >> 8);
  put(rec.Hdr.Len & 0xFF);
  put(rec.Hdr.Len >> 8);
  for (int i = 0; i < len; ++i) put(rec.Data[i]);
  return hex;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string utf8;
  utf8.reserve(latin1.size());
  for (char ch : latin1) {
    const auto c = static_cast<uint8_t>(ch);
    if (c < 0x80) {
      utf8.push_back(ch);
    } else {
      utf8.push_back(static_cast<char>(0xC0 | c >> 6));
      utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return utf8;
}

std::string Utf8ToLatin1(std::string_view utf8, bool* ok) {
  std::string latin1;
  latin1.reserve(utf8.size());
  bool good = true;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    if (c < 0x80) {
      latin1.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // Length of the sequence from its lead byte; continuation bytes must follow.
    const int n = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t cp = n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    bool valid = n > 0 && i + n <= utf8.size();
    for (int k = 1; valid && k < n; ++k) {
      const auto cc = static_cast<uint8_t>(utf8[i + k]);
      valid = (cc & 0xC0) == 0x80;
      cp = cp << 6 | (cc & 0x3F);
    }
    // Overlong forms and code points past U+10FFFF are not valid UTF-8.
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && cp >= kSmallest[n] && cp <= 0x10FFFF;
    if (valid) {
      // A record byte is the low 8 bits of the character's code, as the text form stores it.
      latin1.push_back(static_cast<char>(cp & 0xFF));
    } else {
      latin1.push_back('?');
      good = false;
    }
    i += valid ? n : 1;
  }
  if (ok) *ok = good;
  return latin1;
}

int ForEachInput(const std::string& arg, const Converter& convert) {
  std::string out;
  if (arg != "-") {
    if (ConvertUtf8(convert, arg, out)) {
      PutLine(stdout, out);
      return kExitOk;
    }
    PutLine(stderr, "ERROR: " + out);
    return kExitFailed;
  }
  int status = kExitOk;
  std::string line;
  while (std::getline(std::cin, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (ConvertUtf8(convert, line, out)) {
      PutLine(stdout, out);
    } else {
      PutLine(stdout, "ERROR: " + out);
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace ravok::ctl
