// Records and text on ravokctl's command line and standard streams.
//
// A record is written as the hex text of the bytes every transport carries: Pid (2 bytes,
// little-endian), Len (2 bytes, little-endian), then the Len data bytes; either case,
// blanks allowed. Console text is UTF-8; record text is Latin-1 (byte 0x80..0xFF is
// U+0080..U+00FF), so a decoded line fed back to encode gives the same record.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "params/Records.h"

namespace ravok::ctl {

// Parses record hex text. False with a reason in *error (when error is not null) for odd
// digit counts, non-hex characters, too few/many bytes, Len > 256; out is then unchanged.
bool ParseRecordHex(std::string_view text, TData& out, std::string* error);
// The record as upper-case hex without blanks (header and Len data bytes).
std::string RecordHex(const TData& rec);

std::string Latin1ToUtf8(std::string_view latin1);
// A character keeps the low 8 bits of its code (U+0080..U+00FF are the bytes 0x80..0xFF);
// malformed UTF-8 becomes '?' and clears *ok.
std::string Utf8ToLatin1(std::string_view utf8, bool* ok = nullptr);

// Converter for ForEachInput: in and out are Latin-1 (like all parameter text); false
// with the reason in out for a failure.
using Converter = std::function<bool(const std::string& in, std::string& out)>;

// Runs convert for the single argument, or, when arg is "-", for every stdin line (CR/LF
// stripped), printing one result per line in order. ForEachInput converts the console's
// UTF-8 to Latin-1 for convert and its result back to UTF-8; malformed UTF-8 is a
// failure without calling convert. A failure prints "ERROR: reason" on stdout in place
// of the result in stdin mode (and the status is 1 at the end), or "ERROR: reason" on
// stderr in single mode (status 1). Returns the exit status.
int ForEachInput(const std::string& arg, const Converter& convert);

}  // namespace ravok::ctl
