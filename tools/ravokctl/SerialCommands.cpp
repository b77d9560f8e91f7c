// ravokctl --serial: the device operations on a tracker behind a serial port (or a
// pseudo-terminal such as the simulated tracker's).
#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <memory>

#include "files/ConfigXml.h"
#include "locallink/LocalProtocol.h"
#include "locallink/Serial.h"
#include "operations/SerialOperations.h"
#include "tools/ravokctl/Commands.h"
#include "tools/ravokctl/ConsoleShell.h"
#include "tools/ravokctl/DeviceOptions.h"
#include "tools/ravokctl/RecordArgs.h"

namespace ravok::ctl {
namespace {

constexpr const char* kWord = "--serial";
constexpr const char* kUsage =
    "  --serial PORT [--speed 9600|230400] [--device-type 4..13] [OPTIONS] COMMAND\n"
    "                            talk to a tracker on a serial port (ttyUSB0 is /dev/ttyUSB0;\n"
    "                            a path such as /dev/pts/3 is used as is). Commands:\n"
    "      read                  the configuration as parameter lines, catalogue order\n"
    "      write FILE            write the parameter lines or configuration XML of FILE\n"
    "                            (--replace: delete what FILE does not hold, except PIN\n"
    "                            and AccessKey; --yes: confirm the PIN/AccessKey and\n"
    "                            empty-configuration questions)\n"
    "      status | live         status or live-data lines (--icon: icon after a tab;\n"
    "                            --locale NAME: number and date format)\n"
    "      ident                 the tracker's identity\n"
    "      debug                 the tracker's diagnostic lines\n"
    "      upgrade FILE          upload firmware (Intel HEX .hex or firmware XML)\n"
    "      dallas FILE           upload a key list XML\n"
    "      blackbox TEXT | settings TEXT   the black-box or settings command\n"
    "                            (--verbose: the debug log on stderr)";

constexpr const char* kMsgCannotOpen = "Can not open serial port: ";

struct Options : DeviceOptions {
  Options() { deviceType = kDefaultDeviceType; }
  QString port;
  int speed = 9600;
};

constexpr CommandSpec kCommands[] = {{"read", 0},    {"write", 1},  {"status", 0},
                                     {"live", 0},    {"ident", 0},  {"debug", 0},
                                     {"upgrade", 1}, {"dallas", 1}, {"blackbox", 1},
                                     {"settings", 1}};

// Returns an exit status on a usage error, else -1.
int Parse(const Args& args, Options& o) {
  if (args.empty()) return UsageError(kWord, "--serial needs a port");
  o.port = QString::fromStdString(args[0]);
  auto own = [&o](const Args& a, size_t& i, std::string& error) {
    if (a[i] != "--speed") return false;
    std::string v;
    if (!OptionValue(a, i, v) || !ParseWholeInt(v, o.speed) || (o.speed != 9600 && o.speed != 230400))
      error = "--speed is 9600 or 230400";
    return true;
  };
  return ParseDeviceOptions(kWord, args, 1, kCommands, own, o);
}

void PrintLine(const std::string& latin1) {
  std::fputs(Latin1ToUtf8(latin1).c_str(), stdout);
  std::fputc('\n', stdout);
}

void PrintTable(const std::vector<TableLine>& lines, bool icon) {
  for (const TableLine& l : lines)
    PrintLine(icon ? l.text + "\t" + std::to_string(l.icon) : l.text);
}

bool Run(const Options& o, LocalProtocol& link, ConsoleShell& shell) {
  const std::string& c = o.command;
  const QString operand = o.operands.empty() ? QString() : QString::fromStdString(o.operands[0]);
  if (c == "read") {
    TDataList settings;
    std::vector<std::string> lines;
    const bool ok = SerialReadConfig(link, settings, lines);
    for (const auto& l : lines) PrintLine(l);
    return ok;
  }
  if (c == "write") {
    std::vector<std::string> lines;
    if (!ConfigFileLines(shell, operand, o.deviceType, lines)) return false;
    THeaderList deletions;
    TDataList settings;
    return SerialWriteConfig(link, lines, o.replace, deletions, settings);
  }
  if (c == "status" || c == "live") {
    std::vector<TableLine> lines;
    const bool ok = c == "status" ? SerialReadStatus(link, o.locale, lines)
                                  : SerialReadLiveData(link, o.locale, lines);
    PrintTable(lines, o.icon);
    return ok;
  }
  if (c == "ident") {
    QString ident;
    if (!SerialReadIdent(link, ident)) return false;
    PrintLine(("IMEI: " + ident).toLatin1().toStdString());
    return true;
  }
  if (c == "debug") {
    shell.logToStdout = true;
    return SerialDump(link);
  }
  if (c == "upgrade") return SerialUpgrade(link, operand);
  if (c == "dallas") return SerialDallas(link, operand);
  return SerialTextCommand(link, operand, c == "settings");
}

int SerialCommand(const Args& args) {
  Options o;
  if (const int usage = Parse(args, o); usage >= 0) return usage;

  const auto app = MakeCoreApplication();

  ConsoleShell shell(o.yes);
  shell.verbose = o.verbose;
  SerialTransport transport;
  LocalProtocol link(shell, transport);
  link.SetDeviceType(o.deviceType);
  if (!SerialOpen(o.port, o.speed,
                  [&link](const TBuffer& data, int len) { link.FrameReceived(data, len); })) {
    shell.ShowError(QString::fromLatin1(kMsgCannotOpen) + o.port);
    return kExitFailed;
  }
  const bool ok = Run(o, link, shell);
  std::fflush(stdout);
  SerialClose();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return ok && shell.errorsShown == 0 ? kExitOk : kExitFailed;
}

const CommandRegistration kRegistration(kWord, kUsage, SerialCommand);

}  // namespace
}  // namespace ravok::ctl
