// The device operations on a tracker behind the local frame protocol, without widgets:
// each runs the one operation pattern (busy state, "Working...", the transaction, "Done")
// and reports through the protocol's shell. Failures are shown once, where they occur; the
// result says whether the operation succeeded. The main window and ravokctl call these.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "locallink/LocalProtocol.h"
#include "operations/Operation.h"
#include "params/Records.h"
#include "params/TextLocale.h"

namespace ravok {

// Reads the configuration into settings and gives its parameter lines in catalogue order.
// The records read before a failure are kept and listed as well.
bool SerialReadConfig(LocalProtocol& link, TDataList& settings, std::vector<std::string>& lines);

// Encodes the lines and writes them after the pending deletions. With replace, first reads
// the tracker and schedules the deletion of every parameter the lines do not hold (except
// the PIN and the AccessKey). On success settings become the written records and
// deleteList is emptied.
bool SerialWriteConfig(LocalProtocol& link, const std::vector<std::string>& lines, bool replace,
                       THeaderList& deleteList, TDataList& settings);

bool SerialReadStatus(LocalProtocol& link, const TextLocale& locale, std::vector<TableLine>& lines);
bool SerialReadLiveData(LocalProtocol& link, const TextLocale& locale,
                        std::vector<TableLine>& lines);

// The tracker's identity text (its IMEI).
bool SerialReadIdent(LocalProtocol& link, QString& ident);
// Asks for the diagnostic lines; they arrive in the shell's debug log.
bool SerialDump(LocalProtocol& link);
// Firmware upgrade from an Intel HEX or firmware XML file (end frame with the sums).
bool SerialUpgrade(LocalProtocol& link, const QString& file);
// Key list upload from a key list XML file (end frame with the list number).
bool SerialDallas(LocalProtocol& link, const QString& file);
// The black-box (second = false) and settings (second = true) text commands.
bool SerialTextCommand(LocalProtocol& link, const QString& text, bool second);

}  // namespace ravok
