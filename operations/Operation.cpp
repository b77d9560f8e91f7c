#include "operations/Operation.h"

#include <algorithm>

#include "files/ConfigXml.h"
#include "params/Params.h"

namespace ravok {

QString FromLatin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string ToLatin1(const QString& s) { return s.toLatin1().toStdString(); }

QString ErrorInLineText(int row, const std::string& line) {
  const size_t eq = line.find('=');
  const std::string name = eq == std::string::npos ? std::string() : line.substr(0, eq);
  return QStringLiteral("Error in line %1 (%2)!").arg(row).arg(FromLatin1(name));
}

void SortByCatalogue(TDataList& records) {
  std::stable_sort(records.begin(), records.end(), [](const TData& a, const TData& b) {
    return IndexOfPid(a.Hdr.Pid) < IndexOfPid(b.Hdr.Pid);
  });
}

bool EncodeLines(Shell& shell, const std::vector<std::string>& lines, TDataList& records) {
  for (size_t i = 0; i < lines.size(); ++i) {
    TData r;
    const EncodeResult e = EncodeParam(lines[i], r);
    if (!e.ok) {
      shell.ShowError(!e.error.empty() ? FromLatin1(e.error)
                                       : ErrorInLineText(static_cast<int>(i + 1), lines[i]));
      return false;
    }
    records.push_back(r);
  }
  return true;
}

bool ConfigFileLines(Shell& shell, const QString& file, int deviceType,
                     std::vector<std::string>& lines) {
  QStringList fileLines;
  QString why;
  switch (ReadConfigFile(shell, file, deviceType, fileLines, &why)) {
    case ConfigFileResult::Unreadable:
      shell.ShowError(kMsgCannotProcessConfigFile);
      shell.AddLogLine(why);
      return false;
    case ConfigFileResult::Refused:
      return false;
    case ConfigFileResult::Read:
      break;
  }
  lines.clear();
  for (const QString& l : fileLines) lines.push_back(ToLatin1(l));
  return true;
}

void ConfirmSecrets(Shell& shell, TDataList& records) {
  std::erase_if(records, [&](const TData& r) {
    if (r.Hdr.Pid == kPinPid) return !shell.Confirm(kMsgSavePin);
    if (r.Hdr.Pid == kAccessKeyPid) return !shell.Confirm(kMsgSaveAccessKey);
    return false;
  });
}

THeaderList ReplacingDeletions(const TDataList& current, const TDataList& records) {
  THeaderList deletions;
  for (const TData& old : current) {
    if (old.Hdr.Pid == kPinPid || old.Hdr.Pid == kAccessKeyPid) continue;
    const bool kept = std::any_of(records.begin(), records.end(),
                                  [&](const TData& r) { return r.Hdr == old.Hdr; });
    if (!kept) deletions.push_back(old.Hdr);
  }
  return deletions;
}

std::span<const uint8_t> ImageBytes(const std::vector<uint8_t>& buffer, int start) {
  const size_t from = std::min<size_t>(static_cast<size_t>(std::max(start, 0)), buffer.size());
  return std::span<const uint8_t>(buffer).subspan(from);
}

std::span<const uint8_t> ImageBytes(const FirmwareImage& image) {
  return ImageBytes(image.bytes, image.start);
}

}  // namespace ravok
