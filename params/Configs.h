// Device status: the tracker's internal state (versions, modem, GPS, CAN and black-box
// states, counters, identifiers), one record per value. Turns each record into the text
// line of the Firmware tab and picks its state icon. The viewer uses the first 48 rows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "params/Records.h"
#include "params/TextLocale.h"

namespace ravok::Configs {

// One status value: the record must have exactly this Pid and Len; Code is the output format.
struct TConvParam {
  std::string_view Name;
  uint16_t Pid;
  uint16_t Len;
  int32_t Code;
};

// Output formats (numbers little-endian, bytes unsigned unless noted).
enum StatusCode : int32_t {
  kStatusVersion = 1,       // u32 v as v/1000000.ddd.ddd
  kStatusU8 = 2,
  kStatusU32 = 3,
  kStatusHex16 = 4,         // 0x and 4 hex digits
  kStatusU16 = 5,
  kStatusModem = 6,         // modem state names
  kStatusGps = 7,           // GPS state names
  kStatusCan = 8,           // CAN state names
  kStatusBlackBox = 9,      // black-box state names
  kStatusFloat = 10,        // single, 7 digits, locale separator
  kStatusHours32 = 11,      // u32 seconds as h:mm.ss
  kStatusCharger = 12,
  kStatusFloat2 = 13,       // as 10
  kStatusPower = 14,
  kStatusImmobiliser = 15,
  kStatusHours16 = 16,      // u16 seconds as h:mm.ss
  kStatusBoot = 17,         // boot state names, else 0x and 4 hex digits
  kStatusText = 18,         // NULL when the first byte is 0, at most Len-1 characters
  kStatusUnixTime = 19,     // seconds since 1970 in the locale's date and time formats
  kStatusDevices = 20,
  kStatusUsb = 21,
  kStatusBootEvent = 22,
  kStatusS8List = 23,       // Len signed bytes, comma-separated
  kStatusU32List = 24,      // Len/4 u32, comma-separated
  kStatusEToll = 25,
  kStatusCreg = 26,         // 3GPP network registration status
  kStatusModemError = 27,
  kStatusBits8 = 28,        // 0b and 8 bits
  kStatusBits16 = 29,       // 0b and 16 bits
};

const std::vector<TConvParam>& StatusTable();        // 76 rows
const std::vector<TConvParam>& ViewerStatusTable();  // 48 rows, codes 1 to 21 only

// The text line of one status record: "Name=value", or for a record outside the table the
// hex Pid (3 digits at least), hex Len, "=" and the data bytes. Never fails; at most the
// record's 256 data bytes are read whatever Len says.
std::string DecodeStatus(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                         const TextLocale& locale);
std::string DecodeStatus(const TData& record, const TextLocale& locale);
// The viewer's variant: its own table.
std::string DecodeViewerStatus(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                               const TextLocale& locale);
std::string DecodeViewerStatus(const TData& record, const TextLocale& locale);

// State icon 1 (good), 2 (not ready) or 3 (error) for the modem, GPS, CAN and black-box
// states (Len 1); 0 for every other record.
int StatusIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data);
int StatusIcon(const TData& record);
// The viewer's choice: the same, except that it gives no icon for Can2Status (Pid 50).
int ViewerStatusIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data);
int ViewerStatusIcon(const TData& record);

}  // namespace ravok::Configs
