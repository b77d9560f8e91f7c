#include "operations/SerialOperations.h"

#include <QDomDocument>
#include <algorithm>

#include "files/DataXml.h"
#include "files/FirmwareXml.h"
#include "locallink/FirmwareImage.h"
#include "params/Configs.h"
#include "params/Firmware.h"
#include "params/Params.h"

namespace ravok {
namespace {

bool UploadFrom(LocalProtocol& link, const std::vector<uint8_t>& buffer, int start, int size,
                uint32_t value) {
  return link.UploadImage(size, ImageBytes(buffer, start), value);
}

}  // namespace

bool SerialReadConfig(LocalProtocol& link, TDataList& settings, std::vector<std::string>& lines) {
  return AsOperation(link.GetShell(), [&] {
    lines.clear();
    const bool ok = link.ReadConfiguration(settings);
    SortByCatalogue(settings);
    for (const TData& r : settings) lines.push_back(DecodeParam(r));
    return ok;
  });
}

bool SerialWriteConfig(LocalProtocol& link, const std::vector<std::string>& lines, bool replace,
                       THeaderList& deleteList, TDataList& settings) {
  Shell& shell = link.GetShell();
  return AsOperation(shell, [&] {
    TDataList records;
    if (!EncodeLines(shell, lines, records)) return false;
    if (records.empty() && !shell.Confirm(kMsgConfigEmpty)) return false;
    ConfirmSecrets(shell, records);
    if (replace) {
      TDataList current;
      if (!link.ReadConfiguration(current)) return false;
      deleteList = ReplacingDeletions(current, records);
      shell.ShowDeleteCount(static_cast<int>(deleteList.size()));
    }
    if (!link.WriteConfiguration(deleteList, records)) return false;
    settings = records;
    deleteList.clear();
    shell.ShowDeleteCount(0);
    return true;
  });
}

bool SerialReadStatus(LocalProtocol& link, const TextLocale& locale,
                      std::vector<TableLine>& lines) {
  return AsOperation(link.GetShell(), [&] {
    TDataList records;
    const bool ok = link.ReadStatus(records);
    TableLines(
        records, [&](const TData& r) { return Configs::DecodeStatus(r, locale); },
        [](const TData& r) { return Configs::StatusIcon(r); }, lines);
    return ok;
  });
}

bool SerialReadLiveData(LocalProtocol& link, const TextLocale& locale,
                        std::vector<TableLine>& lines) {
  return AsOperation(link.GetShell(), [&] {
    TDataList records;
    const bool ok = link.ReadLiveData(records);
    TableLines(
        records, [&](const TData& r) { return Firmware::DecodeLiveData(r, locale); },
        [](const TData& r) { return Firmware::LiveDataIcon(r); }, lines);
    return ok;
  });
}

bool SerialReadIdent(LocalProtocol& link, QString& ident) {
  return AsOperation(link.GetShell(), [&] {
    const uint8_t r = link.ReadDeviceIdent(ident);
    if (r != result::kOk) link.ShowDeviceError(r);
    return r == result::kOk;
  });
}

bool SerialDump(LocalProtocol& link) {
  return AsOperation(link.GetShell(), [&] {
    const uint8_t r = link.RequestDebugLines();
    if (r != result::kOk) link.ShowDeviceError(r);
    return r == result::kOk;
  });
}

bool SerialTextCommand(LocalProtocol& link, const QString& text, bool second) {
  return AsOperation(link.GetShell(), [&] {
    const uint8_t r = link.SendTextCommand(text, second);
    if (r != result::kOk) link.ShowDeviceError(r);
    return r == result::kOk;
  });
}

bool SerialUpgrade(LocalProtocol& link, const QString& file) {
  return AsOperation(link.GetShell(), [&] {
    FirmwareImage image;
    if (!LoadMainFirmware(link.GetShell(), file, link.DeviceType(), image)) return false;
    return UploadFrom(link, image.bytes, image.start, image.size, 0);
  });
}

bool SerialDallas(LocalProtocol& link, const QString& file) {
  return AsOperation(link.GetShell(), [&] {
    QDomDocument doc;
    std::vector<uint8_t> image;
    int count = 0, listNumber = 0;
    if (!LoadXmlFile(file, doc) || ReadDataXml(doc, kKeyListLimit, image, count, listNumber) == 0) {
      link.GetShell().ShowError(kMsgCannotReadDallas);
      return false;
    }
    return UploadFrom(link, image, 0, count, static_cast<uint32_t>(listNumber));
  });
}

}  // namespace ravok
