#include "server/Catalogue.h"

#include <stdio.h>

namespace {

// One entry per name or run of names that count up: a run of `count` consecutive ids from
// `first` named prefix + number, numbers from `from`; count 0 is a single id named prefix.
struct loc_run {
  uint32_t first;
  const char* prefix;
  int count;
  int from;
  uint32_t len;
  int type;
};

// clang-format off
const loc_run kRuns[] = {
    {1, "fixstat", 0, 0, 1, 2},          {2, "satuse", 0, 0, 1, 2},
    {3, "latitude", 0, 0, 4, 7},         {4, "longitude", 0, 0, 4, 7},
    {5, "altitude", 0, 0, 4, 7},         {6, "altref", 0, 0, 4, 7},
    {7, "cogt", 0, 0, 4, 7},             {8, "kph", 0, 0, 4, 7},
    {9, "distance", 0, 0, 4, 5},         {10, "gpsdatetime", 0, 0, 6, 8},
    {11, "antstat", 0, 0, 1, 2},         {12, "rawdin", 0, 0, 1, 1},
    {13, "hidin", 0, 0, 1, 1},           {14, "lodin", 0, 0, 1, 1},
    {15, "ain", 4, 0, 4, 7},             {19, "sig", 0, 0, 1, 2},
    {20, "network", 0, 0, 4, 6},         {21, "lac", 0, 0, 2, 3},
    {22, "ci", 0, 0, 2, 3},              {23, "noiseperms", 0, 0, 2, 3},
    {24, "agccnt", 0, 0, 2, 3},          {25, "jamind", 0, 0, 1, 1},
    {26, "canid", 0, 0, 2, 3},           {27, "spn190", 0, 0, 4, 7},
    {28, "spn84", 0, 0, 4, 7},           {29, "spn917", 0, 0, 8, 9},
    {30, "spn96", 0, 0, 4, 7},           {31, "spn250", 0, 0, 4, 7},
    {32, "spn247", 0, 0, 4, 7},          {33, "spn110", 0, 0, 2, 4},
    {34, "spn172", 0, 0, 2, 4},          {35, "spn175", 0, 0, 4, 7},
    {36, "spn91", 0, 0, 4, 7},           {37, "spn521", 0, 0, 4, 7},
    {38, "spn523", 0, 0, 1, 2},          {39, "spn520", 0, 0, 1, 2},
    {40, "spn", 2, 595, 1, 2},           {42, "spn", 3, 1611, 1, 2},
    {45, "rawvirt", 0, 0, 2, 3},         {46, "chgvirt", 0, 0, 2, 3},
    {47, "imp", 4, 0, 4, 5},             {51, "freq", 4, 0, 2, 3},
    {55, "tagid", 0, 0, 16, 10},         {56, "driverid", 2, 0, 16, 10},
    {58, "level", 4, 0, 2, 3},           {62, "acctemp", 0, 0, 1, 2},
    {63, "accx", 0, 0, 4, 7},            {64, "accy", 0, 0, 4, 7},
    {65, "accz", 0, 0, 4, 7},            {66, "spn597", 0, 0, 1, 2},
    {67, "spn", 2, 180, 4, 7},           {69, "spn582_", 4, 0, 4, 7},
    {73, "ldwr", 0, 0, 2, 3},            {74, "ldwl", 0, 0, 2, 3},
    {75, "ttc", 0, 0, 2, 3},             {76, "fcw", 0, 0, 2, 3},
    {77, "brake", 0, 0, 2, 3},           {78, "accel", 0, 0, 2, 3},
    {79, "corner", 0, 0, 2, 3},          {80, "drivingstate", 0, 0, 1, 2},
    {81, "ecorating", 0, 0, 1, 2},       {82, "drivingscore", 0, 0, 1, 2},
    {83, "quantizer", 4, 1, 1, 2},       {87, "quantichg1", 0, 0, 1, 2},
    {88, "quantizer", 4, 5, 1, 2},       {92, "quantichg2", 0, 0, 1, 2},
    {93, "fixstat2", 0, 0, 2, 3},        {94, "latitude1", 0, 0, 4, 7},
    {95, "longitude1", 0, 0, 4, 7},      {96, "latitude2", 0, 0, 4, 7},
    {97, "longitude2", 0, 0, 4, 7},      {98, "latitude3", 0, 0, 4, 7},
    {99, "longitude3", 0, 0, 4, 7},      {100, "trailer", 2, 1, 4, 5},
    {102, "utctime", 0, 0, 4, 5},        {103, "spn899", 0, 0, 1, 2},
    {104, "spn513", 0, 0, 1, 2},         {105, "spn169_", 8, 0, 4, 7},
    {113, "bbmem", 0, 0, 2, 3},          {114, "msgmem", 0, 0, 2, 3},
    {115, "kphstatus", 0, 0, 2, 3},      {116, "kph", 3, 1, 4, 7},
    {119, "freqstatus", 0, 0, 2, 3},     {120, "freq", 3, 4, 2, 3},
    {123, "virt1ontimer", 0, 0, 4, 5},   {124, "virt1offtimer", 0, 0, 4, 5},
    {125, "virt2ontimer", 0, 0, 4, 5},   {126, "virt2offtimer", 0, 0, 4, 5},
    {127, "virt3ontimer", 0, 0, 4, 5},   {128, "virt3offtimer", 0, 0, 4, 5},
    {129, "virt4ontimer", 0, 0, 4, 5},   {130, "virt4offtimer", 0, 0, 4, 5},
    {131, "spn235", 0, 0, 4, 7},         {132, "spn1761", 0, 0, 4, 7},
    {133, "spn3484", 0, 0, 1, 1},        {134, "Spn354_", 8, 0, 4, 7},
    {142, "Spn168_", 8, 0, 4, 7},        {150, "spn169_", 2, 8, 4, 7},
    {152, "Spn354_", 2, 8, 4, 7},        {154, "Spn168_", 2, 8, 4, 7},
    {156, "RSSI_", 10, 0, 1, 2},         {166, "ain", 2, 4, 4, 7},
    {168, "spn169_", 20, 10, 4, 7},      {188, "Spn354_", 20, 10, 4, 7},
    {208, "Spn168_", 20, 10, 4, 7},      {228, "level", 4, 4, 2, 3},
    {232, "tagid2", 0, 0, 16, 10},       {233, "spreading", 0, 0, 1, 2},
    {234, "plow", 0, 0, 1, 2},           {235, "brine_dosage_ml", 0, 0, 4, 7},
    {236, "brine_dosage_g", 0, 0, 4, 7}, {237, "spreading_dosage_", 2, 1, 4, 7},
    {239, "spreading_width", 0, 0, 4, 7}, {240, "spreading_width_left", 0, 0, 4, 7},
    {241, "material_total_", 2, 1, 4, 7}, {243, "brine_total_liters", 0, 0, 4, 7},
    {244, "spreading_total_dist", 0, 0, 4, 7}, {245, "spreader_oper_time", 0, 0, 4, 7},
    {246, "simulation_speed", 0, 0, 4, 7}, {247, "interface_status", 0, 0, 3, 12},
    {248, "connection_flags", 0, 0, 3, 12}, {249, "security_flags", 0, 0, 12, 12},
    {250, "state_flags", 0, 0, 8, 12},   {251, "indicator_flags", 0, 0, 10, 12},
    {252, "BatteryRangeKm", 0, 0, 2, 4}, {253, "BatteryVoltageV", 0, 0, 2, 4},
    {254, "EReadyFlag", 0, 0, 1, 2},     {255, "ChargeCurrentA", 0, 0, 4, 7},
    {256, "PowerUsageA", 0, 0, 4, 7},    {61441, "userchar", 4, 1, 1, 2},
    {61445, "usershort", 4, 1, 2, 4},    {61449, "userint", 4, 1, 4, 6},
    {61453, "userlong", 4, 1, 8, 9},     {61457, "userfloat", 4, 1, 4, 7},
    {61461, "userdouble", 4, 1, 8, 11},  {63489, "acc", 2, 1, 4, 5},
    {63491, "shadowacc", 2, 1, 4, 7},    {63493, "stickybits1", 0, 0, 2, 3},
    {63494, "stickymask1", 0, 0, 2, 3},  {63495, "stickychg1", 0, 0, 2, 3},
    {63496, "stickybits2", 0, 0, 2, 3},  {63497, "stickymask2", 0, 0, 2, 3},
    {63498, "stickychg2", 0, 0, 2, 3},
};
// clang-format on

struct catalogue {
  loc_row rows[LOC_CATALOGUE_SIZE];
  int size = 0;

  catalogue() {
    for (const loc_run& r : kRuns) {
      int n = r.count == 0 ? 1 : r.count;
      for (int i = 0; i < n && size < LOC_CATALOGUE_SIZE; ++i) {
        loc_row& row = rows[size++];
        row.id = r.first + static_cast<uint32_t>(i);
        if (r.count == 0)
          snprintf(row.column, sizeof row.column, "%s", r.prefix);
        else
          snprintf(row.column, sizeof row.column, "%s%d", r.prefix, r.from + i);
        row.len = r.len;
        row.type = r.type;
      }
    }
  }
};

const catalogue& table() {
  static const catalogue c;
  return c;
}

}  // namespace

const loc_row* loc_catalogue() {
  return table().rows;
}

const loc_row* loc_find(uint32_t id, uint32_t len) {
  const catalogue& c = table();
  int lo = 0, hi = c.size - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    if (c.rows[mid].id == id) return c.rows[mid].len == len ? &c.rows[mid] : nullptr;
    if (c.rows[mid].id < id)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return nullptr;
}
