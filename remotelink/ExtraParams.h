// The "Extra:" entries of the Advanced tab and of ravokctl: tracker functions outside the
// configuration, reached through the server with getparam/setparam or an accessory firmware
// upload with bindata. One table row per entry; the actions below interpret it.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "remotelink/ServerOps.h"

namespace ravok {

enum class ExtraSet : uint8_t { Param, Accessory, Refused };
enum class ExtraGet : uint8_t { Values, LowByteAndRest, Refused };

struct AccessoryImage {
  uint8_t firmwareType = 0;  // also the accessory number of the bindata header
  int maximum = 0;           // image buffer limit of the loaders
  int offset = 0;            // bytes skipped at the start of an Intel HEX image
  uint16_t typeCode = 0;     // bindata item type (11: single-block form)
};

struct ExtraEntry {
  const char* text;
  uint32_t id;  // getparam/setparam id
  ExtraSet set;
  int setValues;  // values the Set text takes (Param)
  AccessoryImage accessory;
  const char* setLog;
  ExtraGet get;
  int getValues;  // values logged by Get (Values)
  const char* getLog;
};

constexpr int kExtraEntryCount = 25;
extern const std::array<ExtraEntry, kExtraEntryCount> kExtraEntries;

// The position of an entry given by its text or its decimal position; -1 when none.
int ExtraEntryIndex(const QString& textOrPosition);

// Log line: time stamp (left out when empty), a space, the description, then the log text.
QString ExtraLogLine(const QString& stamp, const QString& description, const QString& text);

// Set of a getparam/setparam entry with the operator's text; Set of a refused entry shows
// its refusal. Returns the log text on success.
std::optional<QString> ExtraSetParam(ServerLink& link, const TDevice& device, int pos,
                                     const QString& text);
// Get of any entry; returns the log text on success.
std::optional<QString> ExtraGetParam(ServerLink& link, const TDevice& device, int pos);
// Upload of an accessory entry's loaded image; returns the log text on success.
std::optional<QString> ExtraAccessoryUpload(ServerLink& link, const TDevice& device, int pos,
                                            std::span<const uint8_t> image, int size);

}  // namespace ravok
