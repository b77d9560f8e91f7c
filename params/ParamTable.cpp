// The compiled catalogue: one declarative row per parameter or per numbered family, expanded
// once into the 437 catalogue rows (and filtered into the viewer's 181), plus ConfigNames.
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "params/Params.h"

namespace ravok {
namespace {

// A single row (first == 0) or a family Name<first>..Name<last> with consecutive Pids from
// pid. Family member n takes defaults[n - first] while there is one, else def.
struct RowSpec {
  const char* name;
  int first, last;
  uint16_t pid, len;
  int code, count, dialog;
  uint32_t color;
  bool info;
  const char* def;
  std::initializer_list<const char*> defaults = {};
};

constexpr uint32_t R = kColorRed, L = kColorLime, G = kColorGreen, Y = kColorYellow,
                   N = kColorNavy, P = kColorPurple, B = kColorBlue, F = kColorFuchsia,
                   A = kColorAqua, M = kColorMaroon;

const std::initializer_list<const char*> kCanFilter = {
    "10,2,61444,24,16,0,0,0,24,16,0,0.125,0.0",
    "10,3,65265,24,16,0,0,0,8,16,0,0.00390625,0.0",
    "10,4,65217,24,16,0,0,0,0,32,0,5.0,0.0",
    "11,1,65276,24,16,0,0,0,8,8,0,0.4,0.0",
    "11,2,65257,24,16,0,0,0,32,32,0,0.5,0.0",
    "11,3,65253,24,16,0,0,0,0,32,0,0.05,0.0",
    "12,1,65262,24,16,0,0,0,0,8,0,1.0,-40.0",
    "12,2,65269,24,16,0,0,0,40,8,0,1.0,-40.0",
    "12,3,65262,24,16,0,0,0,16,16,0,0.03125,-273.0",
    "13,1,61443,24,16,0,0,0,8,8,0,0.4,0.0",
    "13,2,61441,24,16,0,0,0,8,8,0,0.4,0.0",
    "14,1,61445,24,16,0,0,0,24,8,0,1.0,-125.0",
    "14,2,61440,24,16,0,0,0,8,8,0,1.0,-125.0",
    "14,3,65265,24,16,0,0,0,24,2,0,1.0,0.0",
    "14,4,65265,24,16,0,0,0,26,2,0,1.0,0.0",
    "14,5,65132,24,16,0,0,0,6,2,0,1.0,0.0",
    "14,6,65132,24,16,0,0,0,0,3,0,1.0,0.0",
    "14,7,65132,24,16,0,0,0,3,3,0,1.0,0.0",
};
constexpr const char* kCanFilterZero = "0,0,0,0,0,0,0,0,0,0,0,0.0,0.0";

const std::initializer_list<const char*> kCanFilterEx = {
    "10,2,61444,24,16,0,0,0,24,16,0,0,2,1,0.125,0.0,0.0,8031.875",
    "10,3,65265,24,16,0,0,0,8,16,0,0,2,1,0.00390625,0.0,0.0,250.996",
    "10,4,65217,24,16,0,0,0,0,32,0,0,2,1,5.0,0.0,0.0,21055406000",
    "11,1,65276,24,16,0,0,0,8,8,0,0,2,1,0.4,0.0,0.0,100.0",
    "11,2,65257,24,16,0,0,0,32,32,0,0,2,1,0.5,0.0,0.0,2105540607.5",
    "11,3,65253,24,16,0,0,0,0,32,0,0,2,1,0.05,0.0,0.0,210554060.75",
    "12,1,65262,24,16,0,0,0,0,8,0,0,2,1,1.0,-40.0,-40.0,210.0",
    "12,2,65269,24,16,0,0,0,40,8,0,0,2,1,1.0,-40.0,-40.0,210.0",
    "12,3,65262,24,16,0,0,0,16,16,0,0,2,1,0.03125,-273.0,-273.0,1734.96875",
    "13,1,61443,24,16,0,0,0,8,8,0,0,2,1,0.4,0.0,0.0,100.0",
    "13,2,61441,24,16,0,0,0,8,8,0,0,2,1,0.4,0.0,0.0,100.0",
    "14,1,61445,24,16,0,0,0,24,8,0,0,2,1,1.0,-125.0,-125.0,125.0",
    "14,2,61440,24,16,0,0,0,8,8,0,0,2,1,1.0,-125.0,-125.0,0.0",
    "14,3,65265,24,16,0,0,0,24,2,0,0,2,1,1.0,0.0,0.0,3.0",
    "14,4,65265,24,16,0,0,0,26,2,0,0,2,1,1.0,0.0,0.0,3.0",
    "14,5,65132,24,16,0,0,0,6,2,0,0,2,1,1.0,0.0,0.0,3.0",
    "14,6,65132,24,16,0,0,0,0,3,0,0,2,1,1.0,0.0,0.0,15.0",
    "14,7,65132,24,16,0,0,0,3,3,0,0,2,1,1.0,0.0,0.0,15.0",
};
constexpr const char* kCanFilterExZero = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0.0,0.0,0.0,0.0";

const std::initializer_list<const char*> kJbusFilter = {
    "10,2,128,190,0,16,0,0.25,0.0",   "10,3,144,84,0,8,0,0.805,0.0",
    "10,4,140,245,0,32,0,161.0,0.0",  "11,1,140,96,0,8,0,0.5,0.0",
    "11,2,128,250,0,32,0,0.473,0.0",  "11,3,128,247,0,32,0,0.05,0.0",
    "12,1,128,110,0,8,0,0.55,-17.7",  "12,2,140,171,0,16,0,0.1375,-17.7",
};
constexpr const char* kJbusFilterZero = "0,0,0,0,0,0,0,0.0,0.0";

const std::initializer_list<const char*> kJbusFilterEx = {
    "10,2,128,190,0,16,0,0,0,0.25,0.0,0.0,0.0",   "10,3,144,84,0,8,0,0,0,0.805,0.0,0.0,0.0",
    "10,4,140,245,0,32,0,0,0,161.0,0.0,0.0,0.0",  "11,1,140,96,0,8,0,0,0,0.5,0.0,0.0,0.0",
    "11,2,128,250,0,32,0,0,0,0.473,0.0,0.0,0.0",  "11,3,128,247,0,32,0,0,0,0.05,0.0,0.0,0.0",
    "12,1,128,110,0,8,0,0,0,0.55,-17.7,0.0,0.0",  "12,2,140,171,0,16,0,0,0,0.1375,-17.7,0.0,0.0",
};
constexpr const char* kJbusFilterExZero = "0,0,0,0,0,0,0,0,0,0.0,0.0,0.0,0.0";

const std::initializer_list<const char*> kD8Filter = {
    "10,3,96,16,0,0.00390625,0", "10,4,112,32,0,5,0", "14,5,70,2,0,1,0",
    "14,6,64,3,0,1,0",           "14,7,67,3,0,1,0",
};
constexpr const char* kD8FilterZero = "0,0,0,0,0,0.0,0.0";

const std::initializer_list<const char*> kD8FilterEx = {
    "10,3,96,16,0,0,0,0.00390625,0.0,0.0,0.0", "10,4,112,32,0,0,0,5.0,0.0,0.0,0.0",
    "14,5,70,2,0,0,0,1.0,0.0,0.0,0.0",         "14,6,64,3,0,0,0,1.0,0.0,0.0,0.0",
    "14,7,67,3,0,0,0,1.0,0.0,0.0,0.0",
};
constexpr const char* kD8FilterExZero = "0,0,0,0,0,0,0,0.0,0.0,0.0,0.0";

const std::initializer_list<const char*> kBleFilter = {
    "33,1,CA:5A:31:F3:52:CB,$16,4,$2A6E,0,16,16,16,1,0.01,0.0",
    "33,2,F1:DC:03:04:A1:EA,$16,19,0,0,0,55,15,7,0.01,0.0",
};
constexpr const char* kBleFilterZero = "0,0,00:00:00:00:00:00,0,0,0,0,0,0,0,0,0.0,0.0";

// Catalogue order.
const RowSpec kCatalogue[] = {
    // name, first, last, pid, len, code, count, dialog, color, info, default
    {"Description", 0, 0, 1, 16, 1, 1, 0, B, false, "RavokECO"},
    {"APN", 0, 0, 2, 24, 1, 1, 0, B, false, "internet"},
    {"APN2", 0, 0, 406, 24, 1, 1, 0, B, false, "internet"},
    {"GprsLogin", 0, 0, 3, 16, 1, 1, 0, B, false, "rvk"},
    {"GprsPasswd", 0, 0, 4, 16, 1, 1, 0, B, false, "qjx"},
    {"PIN", 0, 0, 5, 8, 1, 1, 0, B, false, "7390"},
    {"ServerIp", 0, 0, 6, 24, 1, 1, 0, B, false, "127.0.0.1"},
    {"ServerPort", 0, 0, 7, 2, 3, 1, 0, B, false, "9000"},
    {"ServerIp2", 0, 0, 353, 24, 1, 1, 0, B, false, "127.0.0.1"},
    {"ServerPort2", 0, 0, 354, 2, 3, 1, 0, B, false, "9000"},
    {"PinForSms", 0, 0, 8, 8, 1, 1, 0, B, false, "7390"},
    {"GprsMinTime", 0, 0, 9, 4, 4, 1, 0, B, false, "600"},
    {"NetworkCodes", 0, 0, 10, 128, 4, 32, 0, B, false, "26001,26002,26003,26006"},
    {"GsmNumber", 0, 0, 11, 16, 1, 1, 0, B, false, "48601234567"},
    {"FrameConfig", 0, 0, 12, 64, 3, 32, 1, B, false, "1,2,3,4,5,6,7,8,9"},
    {"HeartBeat", 0, 0, 13, 4, 4, 1, 0, B, false, "300"},
    {"MaxTime", 0, 0, 14, 8, 7, 2, 0, B, false, "900,900"},
    {"MinTime", 0, 0, 15, 8, 7, 2, 0, B, false, "10,10"},
    {"MaxDistance", 0, 0, 16, 8, 7, 2, 0, B, false, "1000,1000"},
    {"MaxAngle", 0, 0, 17, 2, 5, 2, 0, B, false, "90,90"},
    {"Options", 0, 0, 18, 64, 3, 32, 2, B, false, "1,2,3,4,5,6"},
    {"Ignition", 0, 0, 52, 12, 10, 1, 3, B, false, "1,10,0.0,0.0"},
    {"OverSpeed", 0, 0, 53, 12, 10, 1, 4, B, false, "1,10,90.0,80.0"},
    {"OverTemp", 0, 0, 175, 12, 10, 1, 13, B, false, "1,10,70.0,60.0"},
    {"Negation", 0, 0, 173, 8, 2, 8, 0, B, false, "4,5,6"},
    {"Mask", 0, 0, 174, 8, 2, 8, 0, B, false, "1,4,5,6"},
    {"DinLoConfig", 0, 0, 383, 8, 5, 8, 0, B, false, "0,0,0,0,0,0,0,0"},
    {"DinHiConfig", 0, 0, 384, 8, 5, 8, 0, B, false, "0,0,0,0,0,0,0,0"},
    {"Dout", 0, 0, 176, 4, 5, 4, 14, B, false, "0,0,0,0"},
    {"Immobiliser", 0, 0, 356, 1, 2, 1, 0, B, false, "0"},
    {"CanConfigMini", 0, 0, 381, 4, 25, 1, 23, B, false, "0"},
    {"CanConfig", 0, 0, 333, 8, 25, 2, 21, B, false, "0,0"},
    {"CanSetupEx", 0, 0, 186, 17, 21, 1, 16, B, false, "0,250000,1,250000,1,250000,1"},
    {"CanConfigEx", 0, 0, 332, 12, 25, 3, 20, B, false, "0,0,0"},
    {"MaxSpeed", 0, 0, 358, 8, 13, 2, 0, B, false, "125.0,130.0"},
    {"MinSpeed", 0, 0, 357, 8, 13, 2, 0, B, false, "5.0,10.0"},
    {"FixNowTime", 0, 0, 359, 2, 3, 1, 0, B, false, "300"},
    {"ImmoTime", 0, 0, 360, 2, 3, 1, 0, B, false, "30"},
    {"FixStatTime", 0, 0, 361, 2, 3, 1, 0, B, false, "300"},
    {"SmartGpsSpeed", 0, 0, 362, 4, 13, 1, 0, B, false, "5.0"},
    {"BlackNetwork", 0, 0, 363, 128, 4, 32, 0, B, false, "232"},
    {"Door", 0, 0, 386, 1, 2, 1, 0, B, false, "1"},
    {"Can1Setup", 0, 0, 19, 8, 8, 1, 5, R, false, "250000,1,1,1"},
    {"Can1Filter", 1, 32, 20, 24, 9, 1, 6, R, true, kCanFilterZero, kCanFilter},
    {"Can1FilterEx", 1, 32, 187, 35, 22, 1, 17, R, true, kCanFilterExZero, kCanFilterEx},
    {"Can2Setup", 0, 0, 54, 8, 8, 1, 5, L, false, "250000,1,1,1"},
    {"Can2Filter", 1, 32, 55, 24, 9, 1, 6, L, true, kCanFilterZero, kCanFilter},
    {"Can2FilterEx", 1, 32, 219, 35, 22, 1, 17, L, true, kCanFilterExZero, kCanFilterEx},
    {"Can3FilterEx", 1, 32, 251, 35, 22, 1, 17, N, true, kCanFilterExZero, kCanFilterEx},
    {"JbusFilter", 1, 32, 87, 16, 11, 1, 7, G, true, kJbusFilterZero, kJbusFilter},
    {"JbusFilterEx", 1, 32, 283, 26, 23, 1, 18, G, true, kJbusFilterExZero, kJbusFilterEx},
    {"D8Filter", 1, 16, 119, 14, 12, 1, 8, F, true, kD8FilterZero, kD8Filter},
    {"D8FilterEx", 1, 16, 315, 24, 24, 1, 19, F, true, kD8FilterExZero, kD8FilterEx},
    {"AccCalib", 0, 0, 135, 6, 6, 3, 0, M, false, "0,0,0"},
    {"AccEvents", 0, 0, 136, 12, 13, 3, 0, M, false, "0.0,0.0,0.0"},
    {"Continental", 0, 0, 169, 4, 17, 1, 12, M, false, "300,1,0"},
    {"Activity", 0, 0, 170, 4, 4, 1, 0, M, false, "300"},
    {"DeviceID", 0, 0, 403, 4, 4, 1, 0, M, false, "300"},
    {"BlueID", 0, 0, 405, 4, 4, 1, 0, M, false, "300"},
    {"Tachoreader", 0, 0, 171, 4, 4, 1, 0, M, false, "250000"},
    {"ShadowAcc", 0, 0, 172, 8, 13, 2, 0, M, false, "1.0,1.0"},
    {"CanSniffer", 1, 2, 177, 128, 19, 32, 0, M, false, ""},
    {"SnifferName", 0, 0, 179, 16, 1, 1, 0, M, false, "CanSniffer"},
    {"ChangeEvent1", 0, 0, 180, 12, 18, 1, 15, M, true, "10,2,2,2800.0,2500.0"},
    {"ChangeEvent", 2, 4, 182, 12, 18, 1, 15, M, true, "0,0,0,0.0,0.0"},
    {"PowerLevel", 0, 0, 181, 4, 13, 1, 0, M, false, "11.5"},
    {"DinLevel", 0, 0, 331, 8, 13, 2, 0, M, false, "4.0,8.0"},
    {"AccessKey", 0, 0, 185, 8, 20, 2, 0, M, false, ""},
    {"WakeUpTimer", 0, 0, 334, 2, 3, 1, 0, M, false, "3600"},
    {"PowerWakeUp", 0, 0, 335, 4, 13, 1, 0, M, false, "0.7"},
    {"AccWakeUp", 0, 0, 336, 4, 13, 1, 0, M, false, "0.250"},
    {"eTollMode", 0, 0, 355, 1, 2, 1, 0, M, false, "1"},
    {"AccToSpn250", 0, 0, 364, 4, 4, 1, 0, M, false, "1000"},
    {"GpsThreshold", 0, 0, 382, 2, 5, 2, 0, M, false, "5,20"},
    {"BleScanCount", 0, 0, 385, 1, 2, 1, 0, M, false, "10"},
    {"MinFuel", 0, 0, 404, 2, 3, 1, 0, M, false, "100"},
    {"CanlogProgNo", 0, 0, 407, 4, 4, 1, 0, M, false, "11120"},
    {"CanlogParamCfg", 0, 0, 408, 5, 5, 5, 24, M, false, "0,0,0,0,0"},
    {"EN15430Cfg", 0, 0, 409, 4, 6, 2, 0, M, false, "60,16383"},
    {"CanlogDTC", 0, 0, 410, 4, 6, 2, 0, M, false, "30,223"},
    {"CfgDist", 0, 0, 411, 35, 27, 1, 25, M, false,
     "8,10,30,15,3,12,6,15,3.5,35,0.6,0.3,30,15,400,1,2.0,3"},
    {"GpsWakeUp", 0, 0, 412, 2, 3, 1, 0, M, false, "60"},
    {"Meshtastic", 0, 0, 437, 44, 28, 1, 26, M, false, "0,6,0,Ravok13,RV13,22,7,3600,900,300"},
    {"Dallas", 1, 16, 137, 68, 1, 4, 0, Y, false, "****************"},
    {"Quantizer", 1, 8, 153, 16, 14, 1, 9, A, true, "0,0,0,0.0,0.0,0.0"},
    {"Vector", 1, 4, 161, 8, 15, 1, 10, A, false, "0,0,0,0"},
    {"Matrix", 1, 4, 165, 9, 16, 1, 11, A, false, "0,0,0,0,0"},
    {"BleFilter", 1, 16, 337, 38, 26, 1, 22, P, true, kBleFilterZero, kBleFilter},
    {"BleFilter", 17, 32, 365, 38, 26, 1, 22, P, true, kBleFilterZero},
    {"BleFilter", 33, 48, 387, 38, 26, 1, 22, P, true, kBleFilterZero},
    {"TermID", 1, 24, 413, 4, 4, 1, 0, Y, false, "0"},
};

// Rows the viewer's older catalogue does not have (besides codes 20 to 28 and the Ex
// filters); its ChangeEvent1 row is named ChangeEvent and ChangeEvent2..4 are missing.
const std::string_view kNotInViewer[] = {
    "APN2",         "ServerIp2",    "ServerPort2",   "DinLoConfig",    "DinHiConfig",
    "Immobiliser",  "CanConfigMini", "CanConfig",    "CanConfigEx",    "CanSetupEx",
    "MaxSpeed",     "MinSpeed",     "FixNowTime",    "ImmoTime",       "FixStatTime",
    "SmartGpsSpeed", "BlackNetwork", "Door",         "DeviceID",       "BlueID",
    "DinLevel",     "AccessKey",    "WakeUpTimer",   "PowerWakeUp",    "AccWakeUp",
    "eTollMode",    "AccToSpn250",  "GpsThreshold",  "BleScanCount",   "MinFuel",
    "CanlogProgNo", "CanlogParamCfg", "CanlogDTC",   "EN15430Cfg",     "CfgDist",
    "GpsWakeUp",    "Meshtastic",   "ChangeEvent2",  "ChangeEvent3",   "ChangeEvent4",
};

// Storage for generated names and descriptions; a deque never moves its elements, so the
// string_views into it stay valid.
std::deque<std::string>& TextStore() {
  static std::deque<std::string> store;
  return store;
}

std::string_view Keep(std::string text) { return TextStore().emplace_back(std::move(text)); }

std::vector<TConvParam> BuildCatalogue() {
  std::vector<TConvParam> rows;
  rows.reserve(kParamRows);
  for (const RowSpec& s : kCatalogue) {
    if (s.first == 0) {
      rows.push_back({s.name, s.pid, s.len, s.def, s.code, s.count, s.dialog, s.color, s.info});
      continue;
    }
    for (int n = s.first; n <= s.last; ++n) {
      const size_t k = static_cast<size_t>(n - s.first);
      const char* def = k < s.defaults.size() ? s.defaults.begin()[k] : s.def;
      rows.push_back({Keep(s.name + std::to_string(n)), static_cast<uint16_t>(s.pid + k), s.len,
                      def, s.code, s.count, s.dialog, s.color, s.info});
    }
  }
  return rows;
}

bool InViewer(const TConvParam& row) {
  if (row.Code >= 20 && row.Code <= 28) return false;
  if (row.Name.starts_with("BleFilter") || row.Name.starts_with("TermID")) return false;
  if (row.Name.find("FilterEx") != std::string_view::npos) return false;
  for (std::string_view name : kNotInViewer)
    if (row.Name == name) return false;
  return true;
}

std::vector<TConvParam> BuildViewerCatalogue() {
  std::vector<TConvParam> rows;
  for (const TConvParam& row : ParamTable()) {
    if (!InViewer(row)) continue;
    rows.push_back(row);
    if (row.Name == "ChangeEvent1") rows.back().Name = "ChangeEvent";
  }
  return rows;
}

// Descriptions of the data items, in Id order. An entry either lists its texts (Index
// counting from firstIndex) or numbers them "<prefix> <n>" from firstNumber over
// consecutive Ids with perId items each (Index from 1 in every Id).
struct NamesSpec {
  uint16_t firstId;
  uint16_t firstIndex;
  std::initializer_list<const char*> texts;
  const char* prefix = nullptr;
  int firstNumber = 0;
  std::initializer_list<int> perId = {};
};

const NamesSpec kConfigNames[] = {
    {10, 2, {"Engine speed", "Wheel based speed", "Vehicle distance"}},
    {11, 1, {"Fuel level", "Total fuel", "Total engine hours"}},
    {12, 1, {"Coolant temperature", "Air inlet temp", "Oil temperature"}},
    {13, 1, {"Accel pedal position", "Brake pedal pos"}},
    {14, 1, {"Current gear", "Actual retarder", "Cruise ctrl active", "Cruise ctrl enable",
             "Vehicle montion", "Driver 1 state", "Driver 2 state"}},
    {22, 1, {"Brake Switch", "Trailer Weight", "Cargo Weight"}},
    {23, 1, {}, "Axle Weight", 0, {4}},
    {32, 1, {"Engine torque mode", "Percent torque"}},
    {33, 1, {}, "Cargo Temperature", 0, {4, 4}},
    {42, 1, {"Engine Total Idle Hours", "Catalyst Tank Level", "Ignition"}},
    {43, 1, {}, "Relative Humidity", 0, {4, 4}},
    {45, 1, {}, "Battery Potential", 0, {4, 4}},
    {47, 1, {}, "Cargo Temperature", 8, {2}},
    {48, 1, {}, "Relative Humidity", 8, {2}},
    {49, 1, {}, "Battery Potential", 8, {2}},
    {54, 1, {}, "Cargo Temperature", 10, {4, 4, 2, 4, 4, 2}},
    {60, 1, {}, "Relative Humidity", 10, {4, 4, 2, 4, 4, 2}},
    {66, 1, {}, "Battery Potential", 10, {4, 4, 2, 4, 4, 2}},
};

void AddNames(std::vector<TConfigNames>& rows, const NamesSpec& s) {
  if (!s.prefix) {
    uint16_t index = s.firstIndex;
    for (const char* text : s.texts) rows.push_back({s.firstId, index++, text});
    return;
  }
  int number = s.firstNumber;
  uint16_t id = s.firstId;
  for (int items : s.perId) {
    for (int index = 1; index <= items; ++index)
      rows.push_back({id, static_cast<uint16_t>(index),
                      Keep(std::string(s.prefix) + " " + std::to_string(number++))});
    ++id;
  }
}

std::vector<TConfigNames> BuildConfigNames() {
  std::vector<TConfigNames> rows;
  for (const NamesSpec& s : kConfigNames) AddNames(rows, s);
  return rows;
}

}  // namespace

const std::vector<TConvParam>& ParamTable() {
  static const std::vector<TConvParam> rows = BuildCatalogue();
  return rows;
}

const std::vector<TConvParam>& ViewerParamTable() {
  static const std::vector<TConvParam> rows = BuildViewerCatalogue();
  return rows;
}

const std::vector<TConfigNames>& ConfigNames() {
  static const std::vector<TConfigNames> rows = BuildConfigNames();
  return rows;
}

}  // namespace ravok
