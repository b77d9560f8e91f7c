// What every device operation shares, whatever the connection: the one operation pattern
// (busy state, "Working...", the work, "Done"), the messages and questions of configuration
// writes, and the steps from parameter lines to records and from records to listed lines.
#pragma once

#include <QString>
#include <span>
#include <string>
#include <vector>

#include "locallink/FirmwareImage.h"
#include "locallink/Shell.h"
#include "params/Records.h"

namespace ravok {

// Parameters whose writing the operator confirms, and that a replacing write never deletes.
constexpr uint16_t kPinPid = 5;
constexpr uint16_t kAccessKeyPid = 185;

inline const QString kMsgWorking = QStringLiteral("Working...");
inline const QString kMsgDone = QStringLiteral("Done");
inline const QString kMsgConfigEmpty = QStringLiteral("The configuration is empty. Continue?");
inline const QString kMsgSavePin =
    QStringLiteral("Do you want to save the current PIN to the device?");
inline const QString kMsgSaveAccessKey =
    QStringLiteral("Do you want to save the current AccessKey to the device?");
inline const QString kMsgCannotReadDallas = QStringLiteral("Can not read dallas list!");
inline const QString kMsgCannotProcessConfigFile =
    QStringLiteral("Can not process the selected file");

// One line of the status or live-data list and its state icon (0: none).
struct TableLine {
  std::string text;
  int icon = 0;
};

// Runs work inside the busy state with the status texts of every operation; gives up
// silently (false) when another operation runs.
template <typename Work>
bool AsOperation(Shell& shell, Work work) {
  if (!shell.BeginBusy()) return false;
  shell.SetStatusText(kMsgWorking);
  const bool ok = work();
  shell.SetStatusText(kMsgDone);
  shell.EndBusy();
  return ok;
}

// Parameter text is single-byte (Latin-1) in the codec.
QString FromLatin1(const std::string& s);
std::string ToLatin1(const QString& s);

// "Error in line " row " (" name ")!", row counted from 1.
QString ErrorInLineText(int row, const std::string& line);

// Orders records by catalogue position; ids outside the catalogue go last.
void SortByCatalogue(TDataList& records);

// Encodes every line; the first that fails is shown ("Error in line ..." or the conversion
// error of a raw value) and ends with false.
bool EncodeLines(Shell& shell, const std::vector<std::string>& lines, TDataList& records);

// The parameter lines of a configuration file for a write (see ReadConfigFile). A file that
// cannot be read shows "Can not process the selected file", with the reason in the debug
// log; a line the import refuses has shown its own message.
bool ConfigFileLines(Shell& shell, const QString& file, int deviceType,
                     std::vector<std::string>& lines);

// Asks for every PIN and AccessKey record; those not confirmed are left out.
void ConfirmSecrets(Shell& shell, TDataList& records);

// Deletions for everything on the tracker that the new records do not hold (never the PIN
// or the AccessKey).
THeaderList ReplacingDeletions(const TDataList& current, const TDataList& records);

// The lines and icons of status or live-data records.
template <typename Decode, typename Icon>
void TableLines(const TDataList& records, Decode decode, Icon icon, std::vector<TableLine>& out) {
  out.clear();
  for (const TData& r : records) out.push_back({decode(r), icon(r)});
}

// The image bytes from its start (past a boot area), never beyond the buffer.
std::span<const uint8_t> ImageBytes(const FirmwareImage& image);
std::span<const uint8_t> ImageBytes(const std::vector<uint8_t>& buffer, int start);

}  // namespace ravok
