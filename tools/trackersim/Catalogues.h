// What the simulated tracker holds at start, made from the compiled tables: its
// configuration, one live-data record and one status record per table row with plausible
// values, and the text form of records for loading and saving configurations.
#pragma once

#include <string>

#include "params/Records.h"

namespace ravok::sim {

// Every catalogue default that encodes, in catalogue order.
TDataList DefaultConfiguration();
// One record per live-data row, in table order.
TDataList DefaultLiveData();
// One record per status row, in table order; the IMEI row carries `imei`.
TDataList DefaultStatus(const std::string& imei);

// A parameter line to its record (false when the line does not encode).
bool EncodeLine(const std::string& line, TData& rec);
// A record to its parameter line.
std::string DecodeRecord(const TData& rec);

}  // namespace ravok::sim
