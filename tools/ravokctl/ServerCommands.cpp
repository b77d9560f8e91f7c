// ravokctl --server: the remote operations on trackers reached through the data server's
// command port.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cstdio>
#include <memory>

#include "files/ConfigXml.h"
#include "locallink/LocalProtocol.h"
#include "operations/RemoteOperations.h"
#include "tools/ravokctl/Commands.h"
#include "tools/ravokctl/ConsoleShell.h"
#include "tools/ravokctl/DeviceOptions.h"
#include "tools/ravokctl/RecordArgs.h"

namespace ravok::ctl {
namespace {

constexpr const char* kWord = "--server";
constexpr const char* kUsage =
    "  --server HOST[:PORT] [--user U] [--password P] [--slow] [OPTIONS] COMMAND\n"
    "                            work through the data server's command port (defaults\n"
    "                            127.0.0.1:9001, user, tolmek). Commands:\n"
    "      list                  the trackers: Imei,Description,DatabaseKey,Ccid,Version,\n"
    "                            RxData,TxData,IP,Port,TimeDate,Timeout, by description\n"
    "      devices               the UDP mode list\n"
    "      read IMEI             the configuration as parameter lines, catalogue order\n"
    "      write IMEI FILE       write the parameter lines or configuration XML of FILE\n"
    "                            (--replace: delete what FILE does not hold, except PIN and\n"
    "                            AccessKey; --yes: confirm the questions)\n"
    "      status IMEI | live IMEI   status or live-data lines (--icon, --locale NAME)\n"
    "      info IMEI             the firmware information text\n"
    "      setmode IMEI MODE     connection mode: 0/TCP, 1/UDP, 2/NoSleep\n"
    "      upgrade IMEI FILE     upload firmware (Intel HEX .hex or firmware XML); --yes\n"
    "                            resumes an interrupted upload of the same file\n"
    "      dallas IMEI FILE      upload a key list XML\n"
    "      getparam IMEI ENTRY   read an extra entry (its text or position 0..24)\n"
    "      setparam IMEI ENTRY VALUES   set an extra entry (values separated by commas)\n"
    "      accessory IMEI ENTRY FILE    upload an accessory firmware for an extra entry\n"
    "                            (--slow: slow firmware upload; --device-type 4..13 for\n"
    "                            firmware XML, else the tracker's version decides)";

constexpr const char* kDefaultHost = "127.0.0.1";
constexpr const char* kDefaultPort = "9001";
constexpr const char* kDefaultUser = "user";
constexpr const char* kDefaultPassword = "tolmek";
inline const QString kMsgNotSelected = QStringLiteral("Device is not selected");

struct Options : DeviceOptions {  // deviceType 0: from the tracker's version
  QString host = kDefaultHost;
  QString port = kDefaultPort;
  QString user = kDefaultUser;
  QString password = kDefaultPassword;
  bool slow = false;
};

constexpr CommandSpec kCommands[] = {
    {"list", 0, false},     {"devices", 0, false},  {"read", 1, false},
    {"write", 2, true},     {"status", 1, true},    {"live", 1, false},
    {"info", 1, false},     {"setmode", 2, false},  {"upgrade", 2, true},
    {"dallas", 2, false},   {"getparam", 2, true},  {"setparam", 3, true},
    {"accessory", 3, true},
};

QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.c_str()); }

// HOST, HOST:PORT, [V6]:PORT or [V6].
bool ParseAddress(const std::string& text, Options& o) {
  std::string host = text, port;
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return false;
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != ':') return false;
      port = text.substr(close + 2);
    }
  } else if (std::count(text.begin(), text.end(), ':') == 1) {
    const size_t colon = text.find(':');
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  if (host.empty()) return false;
  o.host = Text(host);
  if (!port.empty()) {
    bool ok = false;
    const uint p = Text(port).toUInt(&ok);
    if (!ok || p > 65535) return false;
    o.port = Text(port);
  }
  return true;
}

int Parse(const Args& args, Options& o) {
  if (args.empty() || !ParseAddress(args[0], o))
    return UsageError(kWord, "--server needs HOST[:PORT]");
  auto own = [&o](const Args& a, size_t& i, std::string& error) {
    if (a[i] == "--slow") {
      o.slow = true;
      return true;
    }
    if (a[i] != "--user" && a[i] != "--password") return false;
    std::string v;
    if (!OptionValue(a, i, v))
      error = a[i] + " needs a value";
    else
      (a[i - 1] == "--user" ? o.user : o.password) = Text(v);
    return true;
  };
  return ParseDeviceOptions(kWord, args, 1, kCommands, own, o);
}

void Print(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  std::fputc('\n', stdout);
}

void PrintLatin1(const std::string& latin1) { Print(QString::fromLatin1(latin1.c_str())); }

QString DeviceLine(const TDevice& d) {
  return QStringList{d.Imei,
                     d.Description,
                     QString::number(d.DatabaseKey),
                     d.Ccid,
                     QString::number(d.Version),
                     QString::number(d.RxData),
                     QString::number(d.TxData),
                     d.IP,
                     QString::number(d.Port),
                     d.TimeDate,
                     QString::number(d.Timeout)}
      .join(QLatin1Char(','));
}

// 0, 1, 2 or TCP, UDP, NoSleep (any case); -1 when none.
int ModeOf(const QString& text) {
  static const char* kNames[] = {"TCP", "UDP", "NoSleep"};
  for (int m = 0; m < 3; ++m)
    if (text == QString::number(m) || text.compare(QLatin1String(kNames[m]), Qt::CaseInsensitive) == 0)
      return m;
  return -1;
}

bool FindDevice(ServerLink& link, const QString& imei, TDevice& device) {
  TDeviceList list;
  if (!ServerList(link, list)) return false;
  for (const TDevice& d : list) {
    if (d.Imei != imei) continue;
    device = d;
    return true;
  }
  link.shell().ShowError(kMsgNotSelected);
  return false;
}

int DeviceTypeFor(const Options& o, const TDevice& device) {
  if (o.deviceType) return o.deviceType;
  const int fromVersion = DeviceTypeOfVersion(device.Version);
  return fromVersion ? fromVersion : kDefaultDeviceType;
}

// Where an interrupted firmware or key list upload is remembered between runs, so that the
// next upload of the same file to the same tracker can go on from the last batch that was
// acknowledged (RAVOKCTL_STATE_DIR, else the user's data folder).
QString ResumeFile() {
  QString dir = qEnvironmentVariable("RAVOKCTL_STATE_DIR");
  if (dir.isEmpty())
    dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
          QStringLiteral("/ravokctl");
  return dir + QStringLiteral("/upload-resume");
}

void LoadResumeState(ServerLink& link) {
  QFile f(ResumeFile());
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return;
  const QStringList l = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  if (l.size() < 3) return;
  link.FirmwareLastPosition = l[0].toUInt();
  link.FirmwareLastImei = l[1];
  link.FirmwareLastFileName = l[2];
}

void SaveResumeState(const ServerLink& link) {
  const QString file = ResumeFile();
  QDir().mkpath(QFileInfo(file).path());
  QFile f(file);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return;
  f.write((QString::number(link.FirmwareLastPosition) + QLatin1Char('\n') +
           link.FirmwareLastImei + QLatin1Char('\n') + link.FirmwareLastFileName + QLatin1Char('\n'))
              .toUtf8());
}

// An upload that remembers its position across runs of ravokctl.
template <typename Upload>
bool ResumableUpload(ServerLink& link, const QString& file, Upload upload) {
  LoadResumeState(link);
  const bool ok = upload(QFileInfo(file).absoluteFilePath());
  SaveResumeState(link);
  return ok;
}

bool Run(const Options& o, ServerLink& link, ConsoleShell& shell) {
  const std::string& c = o.command;
  auto operand = [&](size_t i) { return Text(o.operands[i]); };
  if (c == "list") {
    TDeviceList list;
    if (!ServerList(link, list)) return false;
    SortDevices(list);
    for (const TDevice& d : list) Print(DeviceLine(d));
    return true;
  }
  if (c == "devices") {
    QStringList lines;
    const bool ok = RemoteUdpDump(link, lines);
    for (const QString& l : lines) Print(l);
    return ok;
  }
  if (c == "setmode") {
    const int mode = ModeOf(operand(1));
    if (mode < 0) {
      shell.ShowError(QStringLiteral("Unknown mode: ") + operand(1));
      return false;
    }
    return RemoteSetMode(link, operand(0), mode);
  }

  TDevice device;
  device.Imei = operand(0);
  if (FindCommand(kCommands, c)->needsDevice && !FindDevice(link, device.Imei, device)) return false;

  if (c == "read") {
    TDataList settings;
    std::vector<std::string> lines;
    const bool ok = RemoteReadConfig(link, device, settings, lines);
    for (const auto& l : lines) PrintLatin1(l);
    return ok;
  }
  if (c == "write") {
    std::vector<std::string> lines;
    if (!ConfigFileLines(shell, operand(1), DeviceTypeFor(o, device), lines)) return false;
    THeaderList deletions;
    TDataList settings;
    return RemoteWriteConfig(link, device, lines, o.replace, deletions, settings);
  }
  if (c == "status" || c == "live") {
    std::vector<TableLine> lines;
    const bool ok = c == "status" ? RemoteReadStatus(link, device, o.locale, lines)
                                  : RemoteReadLiveData(link, device, o.locale, lines);
    for (const TableLine& l : lines)
      PrintLatin1(o.icon ? l.text + "\t" + std::to_string(l.icon) : l.text);
    return ok;
  }
  if (c == "info") {
    QString text;
    const bool ok = RemoteInfo(link, device, text, false);
    if (ok) Print(text);
    return ok;
  }
  if (c == "upgrade")
    return ResumableUpload(link, operand(1), [&](const QString& file) {
      return RemoteUpgrade(link, device, file, DeviceTypeFor(o, device));
    });
  if (c == "dallas")
    return ResumableUpload(link, operand(1),
                           [&](const QString& file) { return RemoteDallas(link, device, file); });

  const int pos = ExtraEntryIndex(operand(1));
  if (pos < 0) {
    shell.ShowError(QStringLiteral("Unknown entry: ") + operand(1));
    return false;
  }
  QString log;
  bool ok = false;
  if (c == "getparam") {
    ok = RemoteExtraGet(link, device, pos, QString(), log);
  } else if (c == "setparam") {
    if (kExtraEntries[pos].set == ExtraSet::Accessory) {
      shell.ShowError(QStringLiteral("This entry is an accessory upload: use accessory"));
      return false;
    }
    ok = RemoteExtraSet(link, device, pos, operand(2), QString(), log);
  } else if (kExtraEntries[pos].set != ExtraSet::Accessory) {
    shell.ShowError(QStringLiteral("This entry is not an accessory upload"));
    return false;
  } else {
    ok = RemoteAccessoryUpload(link, device, pos, operand(2), DeviceTypeFor(o, device), QString(),
                               log);
  }
  if (ok) Print(log);
  return ok;
}

int ServerCommand(const Args& args) {
  Options o;
  if (const int usage = Parse(args, o); usage >= 0) return usage;

  const auto app = MakeCoreApplication();

  ConsoleShell shell(o.yes);
  shell.verbose = o.verbose;
  ProgressDisplay progress(shell);
  ServerLink link(shell, progress);
  link.SlowUpload = o.slow;
  if (!link.ServerLogin(o.host, o.port, o.password, o.user)) return kExitFailed;
  const bool ok = Run(o, link, shell);
  std::fflush(stdout);
  link.remote().RemoteClose();
  return ok && shell.errorsShown == 0 ? kExitOk : kExitFailed;
}

const CommandRegistration kRegistration(kWord, kUsage, ServerCommand);

}  // namespace
}  // namespace ravok::ctl
