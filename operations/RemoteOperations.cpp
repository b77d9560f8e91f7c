#include "operations/RemoteOperations.h"

#include <QDomDocument>
#include <QFileInfo>
#include <algorithm>

#include "files/DataXml.h"
#include "files/FirmwareXml.h"
#include "locallink/FirmwareImage.h"
#include "params/Configs.h"
#include "params/Firmware.h"
#include "params/Params.h"

namespace ravok {
namespace {

constexpr uint16_t kDescriptionPid = 1;
constexpr uint16_t kDescriptionLen = 16;

uint16_t Word(const TData& r, int at) { return static_cast<uint16_t>(r.Data[at] | r.Data[at + 1] << 8); }

QString HexDigits(uint32_t v, int width) {
  return QStringLiteral("%1").arg(v, width, 16, QLatin1Char('0')).toUpper();
}

// The operator confirms a description that differs from the server's for this tracker.
bool DescriptionAccepted(Shell& shell, const TDevice& device, const TDataList& records) {
  for (const TData& r : records) {
    if (r.Hdr.Pid != kDescriptionPid || r.Hdr.Len != kDescriptionLen) continue;
    const auto end = std::find(r.Data.begin(), r.Data.begin() + kDescriptionLen, 0);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(r.Data.data()),
                                             end - r.Data.begin());
    return text == device.Description || shell.Confirm(kMsgDescriptionChanged);
  }
  return true;
}

}  // namespace

QString ParamCountText(size_t records, int announced) {
  return QStringLiteral("The number of parameters is incorrect: %1/%2").arg(records).arg(announced);
}

int DeviceTypeOfVersion(uint32_t version) {
  const uint32_t g = version / 1000000;
  return g >= 4 && g <= 13 ? static_cast<int>(g) : 0;
}

bool CanReadStatus(uint32_t version) {
  const uint32_t g = version / 1000;
  const uint32_t b = version % 1000;
  const uint32_t generation = version / 1000000;
  return (g == 4008 && b >= 116) || (g >= 6010 && g <= 6013 && b >= 154) ||
         (g >= 6020 && g <= 6023 && b >= 144) || ((g == 5001 || g == 5002) && b >= 40) ||
         ((g == 5003 || g == 5004) && b >= 38) || g == 5010 || g == 5012 ||
         (generation >= 7 && generation <= 13);
}

std::vector<TableLine> DeviceLines(const TDevice& d) {
  const QStringList texts{
      "Description=" + d.Description,         "Imei=" + d.Imei,
      "Version=" + QString::number(d.Version), "DatabaseKey=" + QString::number(d.DatabaseKey),
      "SimCcid=" + d.Ccid,                     "DeviceIP=" + d.IP,
      "DevicePort=" + QString::number(d.Port), "LoginTime=" + d.TimeDate,
      "RxData=" + QString::number(d.RxData),   "TxData=" + QString::number(d.TxData),
      "Timeout=" + QString::number(d.Timeout)};
  std::vector<TableLine> lines;
  for (const QString& t : texts) lines.push_back({ToLatin1(t), 0});
  return lines;
}

QString FirmwareInfoText(const TDataList& records) {
  QString text = QStringLiteral("Firmware:");
  for (const TData& r : records) {
    if (r.Hdr.Pid == 1)
      text += QStringLiteral(" Status=") + HexDigits(Word(r, 0), 4);
    else if (r.Hdr.Pid == 2)
      text += QStringLiteral(" Counter=%1").arg(Word(r, 0));
    else if (r.Hdr.Pid == 3)
      text += QStringLiteral(" Crcc=") +
              HexDigits(static_cast<uint32_t>(Word(r, 0)) | static_cast<uint32_t>(Word(r, 2)) << 16, 8);
  }
  return text;
}

bool RemoteReadConfig(ServerLink& link, const TDevice& device, TDataList& settings,
                      std::vector<std::string>& lines) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    lines.clear();
    const int announced = ServerReadConfig(link, device, settings);
    SortByCatalogue(settings);
    for (const TData& r : settings) lines.push_back(DecodeParam(r));
    if (announced != -1 && static_cast<size_t>(announced) != settings.size()) {
      shell.ShowError(ParamCountText(settings.size(), announced));
      return false;
    }
    // Items without a count header are listed as read, without a message: not a failure.
    return announced != -1 || !settings.empty();
  });
}

bool RemoteWriteConfig(ServerLink& link, const TDevice& device,
                       const std::vector<std::string>& lines, bool replace,
                       THeaderList& deleteList, TDataList& settings) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    TDataList records;
    if (!EncodeLines(shell, lines, records)) return false;
    if (records.empty() && !shell.Confirm(kMsgConfigEmpty)) return false;
    if (!DescriptionAccepted(shell, device, records)) return false;
    ConfirmSecrets(shell, records);
    if (replace) {
      TDataList current;
      const int announced = ServerReadConfig(link, device, current);
      if (announced == -1) return false;
      if (static_cast<size_t>(announced) != current.size()) {
        shell.ShowError(ParamCountText(current.size(), announced));
        return false;
      }
      deleteList = ReplacingDeletions(current, records);
      shell.ShowDeleteCount(static_cast<int>(deleteList.size()));
    }
    if (!ServerWriteConfig(link, device, deleteList, records)) return false;
    settings = records;
    deleteList.clear();
    shell.ShowDeleteCount(0);
    return true;
  });
}

bool RemoteReadStatus(ServerLink& link, const TDevice& device, const TextLocale& locale,
                      std::vector<TableLine>& lines) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    if (!CanReadStatus(device.Version)) {
      lines = DeviceLines(device);
      return true;
    }
    TDataList records;
    const int announced = ServerReadStatus(link, device, records);
    TableLines(
        records, [&](const TData& r) { return Configs::DecodeStatus(r, locale); },
        [](const TData& r) { return Configs::StatusIcon(r); }, lines);
    if (announced != -1 && static_cast<size_t>(announced) != records.size()) {
      shell.ShowError(ParamCountText(records.size(), announced));
      return false;
    }
    return announced != -1 || !records.empty();
  });
}

bool RemoteReadLiveData(ServerLink& link, const TDevice& device, const TextLocale& locale,
                        std::vector<TableLine>& lines) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    TDataList records;
    const bool ok = ServerData(link, device, records);
    if (!ok) shell.ShowError(kMsgParamCountWrong);
    TableLines(
        records, [&](const TData& r) { return Firmware::DecodeLiveData(r, locale); },
        [](const TData& r) { return Firmware::LiveDataIcon(r); }, lines);
    return ok;
  });
}

bool RemoteInfo(ServerLink& link, const TDevice& device, QString& text, bool showText) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    TDataList records;
    const int announced = ServerReadFirmware(link, device, records);
    text = FirmwareInfoText(records);
    if (announced != -1 && static_cast<size_t>(announced) != records.size()) {
      shell.ShowError(ParamCountText(records.size(), announced));
      return false;
    }
    if (showText) shell.CenteredMessage(text, MsgKind::Information, MsgButtons::Ok);
    return true;
  });
}

bool RemoteSetMode(ServerLink& link, const QString& imei, int mode) {
  Shell& shell = link.shell();
  if (!shell.BeginBusy()) return false;
  bool ok = false;
  if (!link.remote().RemoteActive()) {
    shell.ShowError(kMsgNotConnected);
    shell.SetStatusText(kMsgDone);
  } else {
    shell.SetStatusText(kMsgWorking);
    ok = ServerSetMode(link, imei, mode);
    if (ok) shell.SetStatusText(kMsgModeChanged);
  }
  shell.EndBusy();
  return ok;
}

bool RemoteUpgrade(ServerLink& link, const TDevice& device, const QString& file, int deviceType) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    FirmwareImage image;
    if (!LoadMainFirmware(shell, file, deviceType, image)) return false;
    ResumeCheck(link, device.Imei, QFileInfo(file).absoluteFilePath());
    return ServerWriteFirmware(link, device, image.size, 0, ImageBytes(image));
  });
}

bool RemoteDallas(ServerLink& link, const TDevice& device, const QString& file) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    QDomDocument doc;
    std::vector<uint8_t> image;
    int count = 0, listNumber = 0;
    if (!LoadXmlFile(file, doc) || ReadDataXml(doc, kKeyListLimit, image, count, listNumber) == 0) {
      shell.ShowError(kMsgCannotReadDallas);
      return false;
    }
    ResumeCheck(link, device.Imei, QFileInfo(file).absoluteFilePath());
    return ServerWriteFirmware(link, device, count, static_cast<uint32_t>(listNumber), image);
  });
}

bool RemoteUdpDump(ServerLink& link, QStringList& lines) {
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    lines.clear();
    if (!link.remote().RemoteActive()) {
      shell.ShowError(kMsgNotConnected);
      return false;
    }
    TUdpModeList modes;
    if (!ServerDevices(link, modes)) return false;
    lines = UdpModeDump(modes);
    for (const QString& l : lines) shell.AddLogLine(l);
    return true;
  });
}

bool RemoteExtraSet(ServerLink& link, const TDevice& device, int pos, const QString& text,
                    const QString& stamp, QString& logLine) {
  return AsOperation(link.shell(), [&] {
    const auto log = ExtraSetParam(link, device, pos, text);
    if (log) logLine = ExtraLogLine(stamp, device.Description, *log);
    return log.has_value();
  });
}

bool RemoteExtraGet(ServerLink& link, const TDevice& device, int pos, const QString& stamp,
                    QString& logLine) {
  return AsOperation(link.shell(), [&] {
    const auto log = ExtraGetParam(link, device, pos);
    if (log) logLine = ExtraLogLine(stamp, device.Description, *log);
    return log.has_value();
  });
}

bool RemoteAccessoryUpload(ServerLink& link, const TDevice& device, int pos, const QString& file,
                           int deviceType, const QString& stamp, QString& logLine) {
  if (pos < 0 || pos >= kExtraEntryCount || kExtraEntries[pos].set != ExtraSet::Accessory)
    return false;
  Shell& shell = link.shell();
  return AsOperation(shell, [&] {
    const AccessoryImage& a = kExtraEntries[pos].accessory;
    FirmwareImage image;
    if (!LoadAccessoryFirmware(shell, file, deviceType, a.firmwareType, a.maximum, a.offset, image))
      return false;
    const auto log = ExtraAccessoryUpload(link, device, pos, ImageBytes(image), image.size);
    if (log) logLine = ExtraLogLine(stamp, device.Description, *log);
    return log.has_value();
  });
}

}  // namespace ravok
