#include "remotelink/ExtraParams.h"

#include <QStringList>

namespace ravok {
namespace {

constexpr AccessoryImage kNoImage{};
constexpr int kTachoMax = 253952;
constexpr int kBootArea = 8192;

constexpr ExtraEntry Param(const char* text, uint32_t id, int setValues, const char* setLog,
                           int getValues, const char* getLog) {
  return {text, id, ExtraSet::Param, setValues, kNoImage, setLog, ExtraGet::Values, getValues,
          getLog};
}

}  // namespace

// The getparam/setparam id is the entry's position plus one.
const std::array<ExtraEntry, kExtraEntryCount> kExtraEntries = {{
    {"KX55 Firmware", 1, ExtraSet::Accessory, 0, {2, kTachoMax, 0, 2},
     " KX55: Firmware uploaded correctly", ExtraGet::Values, 2, " KX55: "},
    {"Digidown Status", 2, ExtraSet::Refused, 0, kNoImage, "", ExtraGet::Values, 1,
     " Digidown: "},
    {"Tachoreader Firmware/Status", 3, ExtraSet::Accessory, 0, {3, kTachoMax, kBootArea, 10},
     " Tachoreader: Firmware uploaded correctly", ExtraGet::Values, 4, " Tachoreader: "},
    Param("Distance Set/Get", 4, 1, " Set Distance: ", 1, " Get Distance: "),
    Param("Digital OUT0 Set/Get", 5, 2, " Set DOUT0: ", 2, " Get DOUT0: "),
    Param("Digital OUT1 Set/Get", 6, 2, " Set DOUT1: ", 2, " Get DOUT1: "),
    Param("Digital OUT2 Set/Get", 7, 2, " Set DOUT2: ", 2, " Get DOUT2: "),
    Param("Digital OUT3 Set/Get", 8, 2, " Set DOUT3: ", 2, " Get DOUT3: "),
    Param("Immobiliser Set/Get", 9, 1, " Set Immobiliser: ", 1, " Get Immobiliser: "),
    Param("InternalSniffer Start/Status", 10, 4, " Set InternalSniffer: ", 4,
          " Get InternalSniffer: "),
    Param("Firmware background update", 11, 2, " Set FirmwareBackgroundUpdate: ", 4,
          " Get FirmwareBackgroundUpdate: "),
    Param("SPN247 on ignition", 12, 2, " Set SPN247: ", 2, " Get SPN247: "),
    Param("eTOLL Set/Get", 13, 1, " Set eTOLL: ", 1, " Get eTOLL: "),
    Param("Button Set/Get", 14, 1, " Set Button: ", 1, " Get Button: "),
    Param("SPN235 on speed and ignition", 15, 2, " Set SPN235: ", 2, " Get SPN235: "),
    Param("Acc Set/Get", 16, 2, " Set Acc: ", 2, " Get Acc: "),
    Param("VirtOnTimers Set/Get", 17, 4, " Set VirtOnTimers: ", 4, " Get VirtOnTimers: "),
    Param("VirtOffTimers Set/Get", 18, 4, " Set VirtOffTimers: ", 4, " Get VirtOffTimers: "),
    {"Ohmdale firmware update", 19, ExtraSet::Accessory, 0, {4, 7168, 0, 11},
     " Ohmdale: Firmware uploaded correctly", ExtraGet::Refused, 0, ""},
    {"Torwick firmware update", 20, ExtraSet::Accessory, 0, {5, 126976, kBootArea, 11},
     " Torwick: Firmware uploaded correctly", ExtraGet::LowByteAndRest, 0, " Torwick: "},
    Param("Door Set/Get", 21, 1, " Set Door: ", 1, " Get Door: "),
    {"Bandwick firmware update", 22, ExtraSet::Accessory, 0, {6, 126976, kBootArea, 11},
     " Bandwick: Firmware uploaded correctly", ExtraGet::LowByteAndRest, 0, " Bandwick: "},
    Param("Ravok test mode", 23, 2, " Ravok test mode: ", 2, " Ravok test mode "),
    {"Firmware info", 24, ExtraSet::Refused, 0, kNoImage, "", ExtraGet::Values, 4,
     " Firmware: "},
    Param("KDV417", 25, 3, " KDV417 Setup: ", 3, " KDV417 Status: "),
}};

namespace {

uint32_t ValueOf(const QString& text) {
  bool ok = false;
  const qlonglong v = text.toLongLong(&ok, 10);
  return ok ? static_cast<uint32_t>(v) : 0;
}

QString JoinValues(const uint32_t* values, int n) {
  QStringList parts;
  for (int i = 0; i < n; ++i) parts << QString::number(values[i]);
  return parts.join(QLatin1Char(','));
}

bool ValidPos(int pos) { return pos >= 0 && pos < kExtraEntryCount; }

}  // namespace

int ExtraEntryIndex(const QString& textOrPosition) {
  for (int i = 0; i < kExtraEntryCount; ++i)
    if (textOrPosition == QLatin1String(kExtraEntries[i].text)) return i;
  bool ok = false;
  const int pos = textOrPosition.toInt(&ok, 10);
  return ok && ValidPos(pos) ? pos : -1;
}

QString ExtraLogLine(const QString& stamp, const QString& description, const QString& text) {
  return stamp.isEmpty() ? description + text : stamp + QLatin1Char(' ') + description + text;
}

std::optional<QString> ExtraSetParam(ServerLink& link, const TDevice& device, int pos,
                                     const QString& text) {
  if (!ValidPos(pos)) return std::nullopt;
  const ExtraEntry& e = kExtraEntries[pos];
  if (e.set != ExtraSet::Param) {
    if (e.set == ExtraSet::Refused)
      link.shell().ShowError(QStringLiteral("Can not write this parameter"));
    return std::nullopt;
  }
  uint32_t values[4] = {0, 0, 0, 0};
  if (e.setValues == 1) {
    values[0] = ValueOf(text);
  } else {
    for (int i = 0; i < e.setValues; ++i) values[i] = ValueOf(ItemField(text, i + 1));
  }
  if (!ServerSetParam(link, device.Imei, e.id, values)) return std::nullopt;
  return QLatin1String(e.setLog) + JoinValues(values, e.setValues);
}

std::optional<QString> ExtraGetParam(ServerLink& link, const TDevice& device, int pos) {
  if (!ValidPos(pos)) return std::nullopt;
  const ExtraEntry& e = kExtraEntries[pos];
  if (e.get == ExtraGet::Refused) {
    link.shell().ShowError(QStringLiteral("Can not read this parameter"));
    return std::nullopt;
  }
  uint32_t values[4] = {0, 0, 0, 0};
  if (!ServerGetParam(link, device.Imei, e.id, values)) return std::nullopt;
  if (e.get == ExtraGet::LowByteAndRest) {
    const uint32_t split[2] = {values[0] & 0xFF, values[0] >> 8};
    return QLatin1String(e.getLog) + JoinValues(split, 2);
  }
  return QLatin1String(e.getLog) + JoinValues(values, e.getValues);
}

std::optional<QString> ExtraAccessoryUpload(ServerLink& link, const TDevice& device, int pos,
                                            std::span<const uint8_t> image, int size) {
  if (!ValidPos(pos) || kExtraEntries[pos].set != ExtraSet::Accessory) return std::nullopt;
  const ExtraEntry& e = kExtraEntries[pos];
  if (!ServerBinData(link, device.Imei, size, e.accessory.firmwareType, e.accessory.typeCode,
                     image))
    return std::nullopt;
  return QString::fromLatin1(e.setLog);
}

}  // namespace ravok
