#include "params/Configs.h"

#include <cstdio>
#include <initializer_list>
#include <utility>

#include "params/FirmwareBytes.h"

namespace ravok::Configs {
namespace {

constexpr int kFloatDigits = 7;
constexpr int kLastViewerCode = kStatusUsb;
constexpr int kLastCode = kStatusBits16;

// State names by value; a value past the list is shown in decimal.
struct StateNames {
  int32_t code;
  std::initializer_list<const char*> names;
};

const StateNames kStateNames[] = {
    {kStatusModem,
     {"Not initialized", "Reset", "Initializing", "PIN error", "PUK error", "Configuring",
      "Register", "Get status", "Connecting", "Connected", "Sms mode", "Power off",
      "Udp copy mode", "SIM error", "Gsm reset"}},
    {kStatusGps, {"Not initialized", "Reset", "Configuring", "Running"}},
    {kStatusCan,
     {"Not initialized", "Reset", "Configuring", "Running", "Config error", "Not cofigured",
      "Bus warning", "Bus error"}},
    {kStatusBlackBox, {"Not operational", "Ready", "No errors", "Data error"}},
    {kStatusCharger, {"Off", "On", "Wait"}},
    {kStatusPower, {"Default", "Shutdown", "Normal", "Charge", "Battery"}},
    {kStatusImmobiliser, {"Deactivated", "Activated", "Waiting"}},
    {kStatusDevices,
     {"None", "ONEWIRE only", "MEMS only", "ONEWIRE and MEMS", "MEMS_WAKEUP only",
      "ONEWIRE and MEMS_WAKEUP"}},
    {kStatusUsb, {"None", "PENDRIVE", "D8", "EXT"}},
    {kStatusBootEvent,
     {"Not initialized", "RESET", "DIN0", "DIN1", "CAN1", "CAN2", "JBUS", "POWER", "TIMER",
      "MEMS", "RESTART", "RETURN"}},
    {kStatusEToll, {"Wait for open", "Wait for auth", "Wait for indnition", "Wait for de-auth"}},
    {kStatusCreg,
     {"Not registered", "Registered, home network", "Searching a new operator to register to",
      "Registration denied", "Unknown", "Registered, roaming",
      "Registered for SMS only, home network", "Registered for SMS only, roaming",
      "Attached for emergency bearer services only",
      "Registered for CSFB not preferred, home network",
      "Registered for CSFB not preferred, roaming"}},
    {kStatusModemError, {"No error", "SIM error", "Register error", "GPRS error", "Connect error"}},
};

// Boot states are sparse 16-bit values; others are shown as 0x and 4 hex digits.
const std::pair<uint16_t, const char*> kBootStates[] = {
    {0, "Ready"},          {165, "Activated"},   {170, "Crcc error"},
    {195, "Dallas"},       {255, "Empty"},       {23205, "No errors"},
    {42330, "Crcc error"}, {43605, "Eeprom error"},
};

const StateNames* NamesOf(int32_t code) {
  for (const auto& s : kStateNames)
    if (s.code == code) return &s;
  return nullptr;
}

std::string StateText(const StateNames& s, uint8_t value) {
  if (value < s.names.size()) return s.names.begin()[value];
  return std::to_string(value);
}

std::string VersionText(uint32_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u.%03u.%03u", v / 1000000, v / 1000 % 1000, v % 1000);
  return buf;
}

std::string HoursText(uint32_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%u:%02u.%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

std::string BootText(uint16_t v) {
  for (const auto& [value, name] : kBootStates)
    if (value == v) return name;
  return Hex16Text(v);
}

std::string SignedByteList(const RecordBytes& b) {
  std::string out;
  for (size_t i = 0; i < b.size(); ++i) {
    if (i > 0) out += ',';
    out += std::to_string(b.S8(i));
  }
  return out;
}

std::string U32List(const RecordBytes& b) {
  std::string out;
  for (size_t i = 0; i + 4 <= b.size(); i += 4) {
    if (i > 0) out += ',';
    out += std::to_string(b.U32(i));
  }
  return out;
}

std::string ValueText(int32_t code, const RecordBytes& b, const TextLocale& locale) {
  if (const StateNames* names = NamesOf(code)) return StateText(*names, b.U8());
  switch (code) {
    case kStatusVersion: return VersionText(b.U32());
    case kStatusU8: return std::to_string(b.U8());
    case kStatusU32: return std::to_string(b.U32());
    case kStatusHex16: return Hex16Text(b.U16());
    case kStatusU16: return std::to_string(b.U16());
    case kStatusFloat:
    case kStatusFloat2: return LocaleFloatText(b.F32(), kFloatDigits, locale);
    case kStatusHours32: return HoursText(b.U32());
    case kStatusHours16: return HoursText(b.U16());
    case kStatusBoot: return BootText(b.U16());
    case kStatusText:
      if (b.U8() == 0) return "NULL";
      return b.size() < 2 ? std::string() : b.Text(b.size() - 1);
    case kStatusUnixTime: return LocaleDateTimeText(b.U32(), locale);
    case kStatusS8List: return SignedByteList(b);
    case kStatusU32List: return U32List(b);
    case kStatusBits8: return BitsText(b.U8(), 8);
    case kStatusBits16: return BitsText(b.U16(), 16);
    default: return {};
  }
}

std::string Decode(const std::vector<TConvParam>& table, int lastCode, uint16_t pid,
                   uint16_t len, std::span<const uint8_t> data, const TextLocale& locale) {
  const RecordBytes bytes(len, data);
  for (const auto& row : table) {
    if (row.Pid != pid || row.Len != len) continue;
    std::string line(row.Name);
    line += '=';
    if (row.Code >= 1 && row.Code <= lastCode) line += ValueText(row.Code, bytes, locale);
    return line;
  }
  return UnknownRecordLine(pid, bytes, len);
}

// Icon of a state byte: good values give 1, error values 3, anything else 2.
struct IconRule {
  uint16_t pid;
  std::initializer_list<uint8_t> good;
  std::initializer_list<uint8_t> bad;
};

constexpr uint16_t kCan2StatusPid = 50;

const IconRule kIconRules[] = {
    {3, {9}, {3, 4}},                 // GsmStatus: connected; PIN or PUK error
    {6, {3}, {}},                     // GpsStatus: running
    {7, {3}, {4}},                    // Can1Status: running; config error
    {10, {1, 2}, {3}},                // BlackBoxStatus: ready, no errors; data error
    {kCan2StatusPid, {3}, {4}},       // Can2Status: running; config error
};

bool Contains(std::initializer_list<uint8_t> list, uint8_t v) {
  for (uint8_t x : list)
    if (x == v) return true;
  return false;
}

int Icon(uint16_t pid, uint16_t len, std::span<const uint8_t> data, bool viewer) {
  if (len != 1 || (viewer && pid == kCan2StatusPid)) return 0;
  const uint8_t value = RecordBytes(len, data).U8();
  for (const auto& rule : kIconRules) {
    if (rule.pid != pid) continue;
    if (Contains(rule.good, value)) return 1;
    if (Contains(rule.bad, value)) return 3;
    return 2;
  }
  return 0;
}

}  // namespace

std::string DecodeStatus(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                         const TextLocale& locale) {
  return Decode(StatusTable(), kLastCode, Pid, Len, data, locale);
}

std::string DecodeStatus(const TData& record, const TextLocale& locale) {
  return DecodeStatus(record.Hdr.Pid, record.Hdr.Len, record.Data, locale);
}

std::string DecodeViewerStatus(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data,
                               const TextLocale& locale) {
  return Decode(ViewerStatusTable(), kLastViewerCode, Pid, Len, data, locale);
}

std::string DecodeViewerStatus(const TData& record, const TextLocale& locale) {
  return DecodeViewerStatus(record.Hdr.Pid, record.Hdr.Len, record.Data, locale);
}

int StatusIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data) {
  return Icon(Pid, Len, data, false);
}

int StatusIcon(const TData& record) { return StatusIcon(record.Hdr.Pid, record.Hdr.Len, record.Data); }

int ViewerStatusIcon(uint16_t Pid, uint16_t Len, std::span<const uint8_t> data) {
  return Icon(Pid, Len, data, true);
}

int ViewerStatusIcon(const TData& record) {
  return ViewerStatusIcon(record.Hdr.Pid, record.Hdr.Len, record.Data);
}

}  // namespace ravok::Configs
