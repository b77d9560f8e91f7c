// Live data: the tracker's current measurements, one record per data item (same header as
// a parameter record, Pid being the item id). Turns each record into the text line of the
// Parameters tab and picks its state icon. The viewer uses an older, smaller table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "params/Params.h"
#include "params/Records.h"
#include "params/TextLocale.h"

namespace ravok::Firmware {

// One data item: the record must have exactly this Pid and Len; Code is the output format.
struct TConvParam {
  std::string_view Name;
  uint16_t Pid;
  uint16_t Len;
  int32_t Code;
};

// Description of the data item that a live record with Pid (in Id) and Len (in Index)
// carries: the shape of the catalogue's data-item descriptions.
using TConfigNames = ravok::TConfigNames;

// Output formats (numbers little-endian; "NULL" is the tracker's "not available").
enum LiveCode : int32_t {
  kLiveS8 = 1,          // signed byte, -128 NULL
  kLiveHex16 = 2,       // 0x and 4 hex digits
  kLiveS32 = 3,         // -2147483648 NULL
  kLiveFloat = 4,       // single, infinite NULL, 7 digits, locale separator
  kLiveDateTime = 5,    // 6 bytes yy-mm-dd hh:mm.ss
  kLiveU32 = 6,
  kLiveU16 = 7,
  kLiveU8 = 8,
  kLiveS64 = 9,         // most negative NULL
  kLiveS16 = 10,        // -32768 NULL
  kLiveText = 11,       // NULL when the first byte is 0
  kLiveDouble = 12,     // double, infinite NULL, 15 digits, locale separator
  kLiveBits8 = 13,      // 0b and 8 bits
  kLiveBits16 = 14,     // 0b and 16 bits
  kLiveUnixTime = 15,   // seconds since 1970 in the locale's date and time formats
  kLiveHexBytes = 16,   // every byte as 2 hex digits
};

const std::vector<TConvParam>& LiveDataTable();        // 285 rows
const std::vector<TConvParam>& ViewerLiveDataTable();  // 142 rows, codes 1 to 14 only
const std::vector<TConfigNames>& LiveDataNames();      // 120 rows

// The text line of one live record: "Name=value", "Name (description) =value", or for a
// record outside the table the hex Pid (3 digits at least), hex Len, "=" and the data bytes.
// Never fails; at most the record's 256 data bytes are read whatever Len says.
std::string DecodeLiveData(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                           const TextLocale& locale);
std::string DecodeLiveData(const TData& record, const TextLocale& locale);
// The viewer's variant: its own table, no descriptions.
std::string DecodeViewerLiveData(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                                 const TextLocale& locale);
std::string DecodeViewerLiveData(const TData& record, const TextLocale& locale);

// State icon 1 to 3 for FixStatus, AntStatus and SignalLevel records (Len 1); 0 otherwise.
// The viewer uses the same choice.
int LiveDataIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data);
int LiveDataIcon(const TData& record);

// The description of the item with this Pid and Len, or an empty text.
std::string LiveDataDesc(uint16_t Pid, uint16_t Len);

}  // namespace ravok::Firmware
