// The device operations on a tracker reached through the data server, without widgets:
// each runs the one operation pattern (busy state, "Working...", the server transactions,
// "Done") and reports through the link's shell, every failure once. The main window and
// ravokctl call these.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "operations/SerialOperations.h"
#include "params/Records.h"
#include "params/TextLocale.h"
#include "remotelink/ExtraParams.h"
#include "remotelink/ServerOps.h"

namespace ravok {

inline const QString kMsgNotConnected = QStringLiteral("Not connected to server");
inline const QString kMsgDescriptionChanged = QStringLiteral("Description is changed. Continue?");
inline const QString kMsgParamCountWrong = QStringLiteral("The number of parameters is incorrect");
inline const QString kMsgModeChanged = QStringLiteral("Mode changed");

// "The number of parameters is incorrect: " records "/" announced.
QString ParamCountText(size_t records, int announced);

// The device type (4..13) of a tracker's firmware version, or 0 when it names none.
int DeviceTypeOfVersion(uint32_t version);
// Whether the tracker's firmware can report its status through the server.
bool CanReadStatus(uint32_t version);
// The tracker's own record from the device list, for firmware that cannot report status.
std::vector<TableLine> DeviceLines(const TDevice& device);
// The "Firmware:" text of the firmware information records.
QString FirmwareInfoText(const TDataList& records);

// Read: the configuration in catalogue order; the announced count is checked.
bool RemoteReadConfig(ServerLink& link, const TDevice& device, TDataList& settings,
                      std::vector<std::string>& lines);
// Write of the parameter lines after the pending deletions (replace: first read the tracker
// and delete what the lines do not hold, except PIN and AccessKey).
bool RemoteWriteConfig(ServerLink& link, const TDevice& device,
                       const std::vector<std::string>& lines, bool replace,
                       THeaderList& deleteList, TDataList& settings);
bool RemoteReadStatus(ServerLink& link, const TDevice& device, const TextLocale& locale,
                      std::vector<TableLine>& lines);
bool RemoteReadLiveData(ServerLink& link, const TDevice& device, const TextLocale& locale,
                        std::vector<TableLine>& lines);
// Info: the "Firmware:" text; shown as information when showText is set.
bool RemoteInfo(ServerLink& link, const TDevice& device, QString& text, bool showText = true);
// Mode: needs the open server connection; the IMEI is the one the operator typed.
bool RemoteSetMode(ServerLink& link, const QString& imei, int mode);
// Upgrade from an Intel HEX or firmware XML file, resuming an interrupted upload of the
// same file to the same tracker when the operator agrees.
bool RemoteUpgrade(ServerLink& link, const TDevice& device, const QString& file, int deviceType);
// Key list upload from a key list XML file.
bool RemoteDallas(ServerLink& link, const TDevice& device, const QString& file);
// Dump: the UDP mode list into the debug log (and lines).
bool RemoteUdpDump(ServerLink& link, QStringList& lines);

// The Extra entries; logLine receives the log line after the time stamp `stamp`.
bool RemoteExtraSet(ServerLink& link, const TDevice& device, int pos, const QString& text,
                    const QString& stamp, QString& logLine);
bool RemoteExtraGet(ServerLink& link, const TDevice& device, int pos, const QString& stamp,
                    QString& logLine);
bool RemoteAccessoryUpload(ServerLink& link, const TDevice& device, int pos, const QString& file,
                           int deviceType, const QString& stamp, QString& logLine);

}  // namespace ravok
