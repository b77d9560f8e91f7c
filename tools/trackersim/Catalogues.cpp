#include "tools/trackersim/Catalogues.h"

#include <bit>
#include <cstring>
#include <map>
#include <string_view>
#include <variant>

#include "params/Configs.h"
#include "params/Firmware.h"
#include "params/Params.h"

namespace ravok::sim {
namespace {

// 2026-12-11 12:00:00 UTC: the simulated tracker's clock for time values.
constexpr uint32_t kSimTime = 1796990400;

// A plausible value for a named item: a number (stored in the row's width), a float, a
// text or raw bytes.
using Value = std::variant<int64_t, double, std::string, std::vector<uint8_t>>;

void PutLE(TData& r, uint64_t v) {
  for (int i = 0; i < r.Hdr.Len && i < 8; ++i) r.Data[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutFloat(TData& r, double v) {
  if (r.Hdr.Len == 8) return PutLE(r, std::bit_cast<uint64_t>(v));
  PutLE(r, std::bit_cast<uint32_t>(static_cast<float>(v)));
}

void PutText(TData& r, const std::string& s) {
  // Texts keep a terminating 0 byte inside the record.
  for (size_t i = 0; i < s.size() && i + 1 < r.Hdr.Len; ++i) r.Data[i] = static_cast<uint8_t>(s[i]);
}

bool IsFloatCode(int32_t code, bool live) {
  using namespace Firmware;
  using namespace Configs;
  return live ? (code == kLiveFloat || code == kLiveDouble)
              : (code == kStatusFloat || code == kStatusFloat2);
}

TData MakeRecord(uint16_t pid, uint16_t len, int32_t code, bool live, const Value* v) {
  TData r;
  r.Hdr = {pid, len};
  if (!v) return r;  // zero: the quiet state of a counter, input or filter
  if (auto* i = std::get_if<int64_t>(v)) {
    if (IsFloatCode(code, live)) PutFloat(r, static_cast<double>(*i));
    else PutLE(r, static_cast<uint64_t>(*i));
  } else if (auto* d = std::get_if<double>(v)) {
    PutFloat(r, *d);
  } else if (auto* s = std::get_if<std::string>(v)) {
    PutText(r, *s);
  } else if (auto* b = std::get_if<std::vector<uint8_t>>(v)) {
    for (size_t k = 0; k < b->size() && k < len; ++k) r.Data[k] = (*b)[k];
  }
  return r;
}

// A tracker parked in a yard: fix, engine idling, on board power.
const std::map<std::string_view, Value>& LiveValues() {
  static const std::map<std::string_view, Value> m = {
      {"FixStatus", int64_t{2}},          {"SatelitesUsed", int64_t{9}},
      {"Latitude", 56.9496},              {"Longitude", 24.1052},
      {"MslAltitude", 12.5},              {"Cogt", 87.5},
      {"Distance", int64_t{128450}},      {"DateTime", std::vector<uint8_t>{26, 12, 11, 12, 0, 0}},
      {"AntStatus", int64_t{1}},          {"RawDigital", int64_t{0x05}},
      {"HighDigital", int64_t{0x01}},     {"Power", 12.6},
      {"Battery", 4.1},                   {"AnalogInput2", 0.35},
      {"SignalLevel", int64_t{24}},       {"NetworkCode", int64_t{24701}},
      {"Lac", int64_t{0x1A2B}},           {"Ci", int64_t{0x3C4D}},
      {"CanId", int64_t{0x18FE}},         {"Spn190", 750.0},
      {"Spn96", 62.5},                    {"Spn250", 18234.5},
      {"Spn247", 4521.0},                 {"Spn110", int64_t{84}},
      {"Spn523", int64_t{0}},             {"AccTemp", int64_t{23}},
      {"AccZ", 1.0},                      {"UTCTime", int64_t{kSimTime}},
  };
  return m;
}

Value Imei(const std::string& imei) { return imei; }

const std::map<std::string_view, Value>& StatusValues() {
  static const std::map<std::string_view, Value> m = {
      {"RavokFirmware", int64_t{10001042}}, {"ServerVersion", int64_t{2000015}},
      {"GsmStatus", int64_t{9}},            {"GprsTxData", int64_t{184220}},
      {"GprsRxData", int64_t{20480}},       {"GpsStatus", int64_t{3}},
      {"Can1Status", int64_t{3}},           {"CanStatus", int64_t{3}},
      {"Can1RxFrames", int64_t{1520}},      {"FlashId", int64_t{0x00EF}},
      {"BlackBoxStatus", int64_t{2}},       {"BlackBoxWrite", int64_t{3120}},
      {"BlackBoxRead", int64_t{3104}},      {"DatabaseKey", int64_t{1001}},
      {"CpuLoad", 12.5},                    {"GprsSessions", int64_t{3}},
      {"UpTime", int64_t{3723}},            {"GprsMinTime", int64_t{60}},
      {"NetworkCode", int64_t{24701}},      {"CpuTemp", 41.5},
      {"Charger", int64_t{0}},              {"Battery", 4.1},
      {"PowerControl", int64_t{2}},         {"Power", 12.6},
      {"UsedMem", int64_t{412}},            {"BootStatus", int64_t{23205}},
      {"BootCount", int64_t{17}},           {"VIN", std::string("YV2RT40A8KB123456")},
      {"VRN", std::string("AB-1234")},      {"SimCCID", std::string("89371012345678901234")},
      {"D8Time", int64_t{kSimTime}},        {"Devices", int64_t{3}},
      {"GsmFrm", std::string("BG96A07")},   {"Can2Status", int64_t{5}},
      {"ModemVer", std::string("BG96MAR02A07M1G")},
      {"BootEvent", int64_t{1}},            {"UID", int64_t{305419896}},
      {"RSSI16", std::vector<uint8_t>{0xC4, 0xC9, 0xBF}},
      {"CanSpeed", std::vector<uint8_t>{0x90, 0xD0, 0x03, 0x00, 0x20, 0xA1, 0x07, 0x00}},
      {"CREG", int64_t{1}},                 {"RAT", int64_t{7}},
  };
  return m;
}

template <class Table>
TDataList RecordsOf(const Table& table, const std::map<std::string_view, Value>& values, bool live,
                    const std::string* imei) {
  TDataList list;
  list.reserve(table.size());
  for (const auto& row : table) {
    Value own;
    const Value* v = nullptr;
    if (imei && row.Name == "IMEI") {
      own = Imei(*imei);
      v = &own;
    } else if (auto it = values.find(row.Name); it != values.end()) {
      v = &it->second;
    }
    list.push_back(MakeRecord(row.Pid, row.Len, row.Code, live, v));
  }
  return list;
}

}  // namespace

TDataList DefaultConfiguration() {
  TDataList list;
  for (const auto& row : ParamTable()) {
    TData rec;
    if (EncodeParam(std::string(row.Name) + "=" + std::string(row.Default), rec)) list.push_back(rec);
  }
  return list;
}

TDataList DefaultLiveData() { return RecordsOf(Firmware::LiveDataTable(), LiveValues(), true, nullptr); }

TDataList DefaultStatus(const std::string& imei) {
  return RecordsOf(Configs::StatusTable(), StatusValues(), false, &imei);
}

bool EncodeLine(const std::string& line, TData& rec) { return EncodeParam(line, rec).ok; }

std::string DecodeRecord(const TData& rec) { return DecodeParam(rec); }

}  // namespace ravok::sim
