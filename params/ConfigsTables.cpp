// The status value table, Pid 1 to 76.
#include "params/Configs.h"

namespace ravok::Configs {

const std::vector<TConvParam>& StatusTable() {
  static const std::vector<TConvParam> table = {
      {"RavokFirmware", 1, 4, 1},
      {"ServerVersion", 2, 4, 1},
      {"GsmStatus", 3, 1, 6},
      {"GprsTxData", 4, 4, 3},
      {"GprsRxData", 5, 4, 3},
      {"GpsStatus", 6, 1, 7},
      {"Can1Status", 7, 1, 8},
      {"Can1RxFrames", 8, 4, 3},
      {"FlashId", 9, 2, 4},
      {"BlackBoxStatus", 10, 1, 9},
      {"BlackBoxWrite", 11, 4, 3},
      {"BlackBoxRead", 12, 4, 3},
      {"DatabaseKey", 13, 4, 3},
      {"CpuLoad", 14, 4, 10},
      {"GprsSessions", 15, 2, 5},
      {"UpTime", 16, 4, 11},
      {"GprsMinTime", 17, 4, 3},
      {"NetworkCode", 18, 4, 3},
      {"CpuTemp", 19, 4, 10},
      {"Charger", 20, 1, 12},
      {"ChargeTime", 21, 2, 16},
      {"Battery", 22, 4, 13},
      {"PowerControl", 23, 1, 14},
      {"ShutDownTime", 24, 2, 16},
      {"Power", 25, 4, 13},
      {"Immobiliser", 26, 1, 15},
      {"UsedMem", 27, 2, 5},
      {"BootStatus", 28, 2, 17},
      {"BootCount", 29, 2, 5},
      {"UdpCopyMode", 30, 4, 3},
      {"Can2RxFrames", 31, 4, 3},
      {"VIN", 32, 18, 18},
      {"VRN", 33, 14, 18},
      {"InboxWrPtr", 34, 4, 3},
      {"InboxRdPtr", 35, 4, 3},
      {"OutboxWrPtr", 36, 4, 3},
      {"OutboxRdPtr", 37, 4, 3},
      {"JbusRxFrames", 38, 4, 3},
      {"D8RxFrames", 39, 4, 3},
      {"IMEI", 40, 16, 18},
      {"SimCCID", 41, 21, 18},
      {"Can1TxFrames", 42, 4, 3},
      {"D8Time", 43, 4, 19},
      {"FifoWrPtr", 44, 4, 3},
      {"FifoRdPtr", 45, 4, 3},
      {"Devices", 46, 1, 20},
      {"Crcc", 47, 4, 3},
      {"USB", 48, 1, 21},
      {"GsmFrm", 49, 9, 18},
      {"Can2Status", 50, 1, 8},
      {"TachoRxFrames", 51, 4, 3},
      {"TachoTxFrames", 52, 4, 3},
      {"Can3RxFrames", 53, 4, 3},
      {"ModemVer", 54, 16, 18},
      {"BootEvent", 55, 1, 22},
      {"BleFrames", 56, 4, 3},
      {"UID", 57, 4, 3},
      {"Internals", 58, 2, 29},
      {"RSSI16", 59, 16, 23},
      {"eTollStatus", 60, 1, 2},
      {"RAT", 61, 1, 2},
      {"RSSI32", 62, 16, 23},
      {"CanSpeed", 63, 12, 24},
      {"Door", 64, 1, 25},
      {"RSSI48", 65, 16, 23},
      {"CREG", 66, 1, 26},
      {"TrailerID", 67, 18, 18},
      {"TachoFrm", 68, 16, 18},
      {"CanTimer", 69, 2, 5},
      {"CanWindow", 70, 2, 5},
      {"JbusTxFrames", 71, 4, 3},
      {"GsmLastError", 72, 1, 27},
      {"D8State", 73, 1, 2},
      {"EN15430", 74, 2, 29},
      {"RS232RxFrames", 75, 4, 3},
      {"RS232TxFrames", 76, 4, 3},
  };
  return table;
}

// The viewer's older table: the first 48 values, the CAN state still named CanStatus.
const std::vector<TConvParam>& ViewerStatusTable() {
  static const std::vector<TConvParam> table = [] {
    constexpr size_t kViewerRows = 48;
    constexpr uint16_t kCanStatusPid = 7;
    std::vector<TConvParam> rows(StatusTable().begin(), StatusTable().begin() + kViewerRows);
    for (auto& row : rows)
      if (row.Pid == kCanStatusPid) row.Name = "CanStatus";
    return rows;
  }();
  return table;
}

}  // namespace ravok::Configs
