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

// Runs work inside the busy state with the status texts of every operation.
template <typename Work>
bool AsOperation(Shell& shell, Work work) {
  if (!shell.BeginBusy()) return false;
  shell.SetStatusText(kMsgWorking);
  const bool ok = work();
  shell.SetStatusText(kMsgDone);
  shell.EndBusy();
  return ok;
}

QString Latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string NameOfLine(const std::string& line) {
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

bool SameHeader(const TData& a, const TData& b) { return a.Hdr == b.Hdr; }

// Asks for every PIN and AccessKey record; those not confirmed are left out.
void ConfirmSecrets(Shell& shell, TDataList& records) {
  std::erase_if(records, [&](const TData& r) {
    if (r.Hdr.Pid == kPinPid) return !shell.Confirm(kMsgSavePin);
    if (r.Hdr.Pid == kAccessKeyPid) return !shell.Confirm(kMsgSaveAccessKey);
    return false;
  });
}

// Deletions for everything on the tracker that the new records do not hold.
THeaderList ReplacingDeletions(const TDataList& current, const TDataList& records) {
  THeaderList deletions;
  for (const TData& old : current) {
    if (old.Hdr.Pid == kPinPid || old.Hdr.Pid == kAccessKeyPid) continue;
    const bool kept = std::any_of(records.begin(), records.end(),
                                  [&](const TData& r) { return SameHeader(r, old); });
    if (!kept) deletions.push_back(old.Hdr);
  }
  return deletions;
}

template <typename Decode, typename Icon>
void TableLines(const TDataList& records, Decode decode, Icon icon, std::vector<TableLine>& out) {
  out.clear();
  for (const TData& r : records) out.push_back({decode(r), icon(r)});
}

bool UploadFrom(LocalProtocol& link, const std::vector<uint8_t>& buffer, int start, int size,
                uint32_t value) {
  const size_t from = std::min<size_t>(static_cast<size_t>(std::max(start, 0)), buffer.size());
  return link.UploadImage(size, std::span<const uint8_t>(buffer).subspan(from), value);
}

}  // namespace

QString ErrorInLineText(int row, const std::string& line) {
  return QStringLiteral("Error in line %1 (%2)!").arg(row).arg(Latin1(NameOfLine(line)));
}

void SortByCatalogue(TDataList& records) {
  std::stable_sort(records.begin(), records.end(), [](const TData& a, const TData& b) {
    return IndexOfPid(a.Hdr.Pid) < IndexOfPid(b.Hdr.Pid);
  });
}

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
    for (size_t i = 0; i < lines.size(); ++i) {
      TData r;
      const EncodeResult e = EncodeParam(lines[i], r);
      if (!e.ok) {
        shell.ShowError(!e.error.empty() ? Latin1(e.error)
                                         : ErrorInLineText(static_cast<int>(i + 1), lines[i]));
        return false;
      }
      records.push_back(r);
    }
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
