#include "tools/trackersim/SimConfig.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <charconv>
#include <fstream>

#include "files/ConfigXml.h"
#include "tools/trackersim/Catalogues.h"

namespace ravok::sim {
namespace {

bool ToInt(const std::string& s, long long lo, long long hi, long long& v) {
  const char* end = s.data() + s.size();
  auto [p, ec] = std::from_chars(s.data(), end, v);
  return ec == std::errc() && p == end && !s.empty() && v >= lo && v <= hi;
}

// "N" names configuration record N, "wN" the N-th write, "bN" image block N (the end frame
// of a B-block upload being number B).
bool FaultTarget(const std::string& text, SimOptions& o, Faults*& faults, int& n) {
  std::string digits = text;
  faults = nullptr;  // the configuration read faults of SimOptions itself
  if (!text.empty() && (text[0] == 'w' || text[0] == 'b')) {
    faults = text[0] == 'w' ? &o.writeFaults : &o.imageFaults;
    digits = text.substr(1);
  }
  long long v = 0;
  if (!ToInt(digits, 0, 65535, v)) return false;
  n = static_cast<int>(v);
  return true;
}

bool IsDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string HelpText() {
  return R"(Usage: ravok-tracker-sim (--serial [--link PATH] | --port DEVICE [--speed N]) [options]

A simulated Ravok tracker on the local serial frame protocol.

Where it listens:
  --serial            open a pseudo-terminal and print its path on the first line of stdout
  --link PATH         also make PATH a symbolic link to it (removed again on exit)
  --port DEVICE       serve a real serial device instead (raw 8N1, no flow control)
  --speed N           line speed of --port (default 230400)

What it holds:
  --config FILE       configuration from parameter lines or a configuration XML
                      (default: every catalogue default that encodes)
  --save FILE         write the configuration as parameter lines on exit
  --imei DIGITS       identity, 1 to 16 digits (default 356938035643809)
  --device-type N     4 to 13: accept only that type's end-frame subcommands (0x3A/0x3B on
                      types 10 and 12, 0x36/0x37 on the others) and read an XML
                      configuration for that type; default: accept both
  --image-out FILE    after every end frame of an upload, write the received blocks to FILE
  --chatter           send a diagnostic text line every 3 seconds
  --verbose           log every request on stderr

Faults (N is a configuration record index, as asked by ReadConfigRecord(N); 0 is the
count. wN is the N-th configuration write since start, counted from 1, delete records
included. bN is image block N, counted from 0; the end frame of a B-block upload is bB):
  --silent-at N       no answer at all to that request, every time it comes
  --error-at N:CODE   error answer (0x0C) with CODE and the Pid/Len of the record concerned
                      (0/0 when there is none); a faulted write or block changes nothing.
                      May be given several times.
  --bad-checksum-at N the answer to that request carries a wrong checksum byte (a write
                      or block is carried out all the same)
  --delay MS          every answer starts MS milliseconds after its request
  --split             every frame goes out in pieces of 1, 7, 3, 5, 2 bytes, 2 ms apart
  --baud N            pace to the wire time of N baud, 8N1, both ways: a byte counts as
                      received when it is read and each further byte of a burst 10/N s
                      after the one before; answer byte k is written k x 10/N s after the
                      request's last byte (or after the previous frame has gone out)
  --fifo N            while paced, hand bytes over N at a time at most, as a UART's
                      receive FIFO does (default 16; 1: every byte at its own time). No
                      byte goes out before its time and a frame's last byte always on time;
                      fewer hand-overs keep a busy manager from falling behind
  --spin US           while paced, busy-wait the last US microseconds before a frame's
                      last byte is due instead of sleeping (default 0: always sleep), so
                      that a late wake-up on a loaded machine does not delay the answer

Answers: unknown or malformed requests get error 100, indexes past the end error 101,
the viewer's reads of a Pid/Len that is not held error 102, an end frame whose block
count, sums or list value (0) do not match error 3. Requests with a wrong checksum or
header bytes get no answer. SIGINT or SIGTERM ends the program.
)";
}

bool ParseArgs(const std::vector<std::string>& args, ProgramOptions& out, std::string& error) {
  out = {};
  SimOptions& s = out.sim;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    auto number = [&](long long lo, long long hi, long long& v) {
      std::string t;
      if (!value(t)) return false;
      if (!ToInt(t, lo, hi, v)) {
        error = a + ": not a number from " + std::to_string(lo) + " to " + std::to_string(hi) + ": " + t;
        return false;
      }
      return true;
    };
    long long v = 0;
    std::string t;
    if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (a == "--serial") {
      out.serial = true;
    } else if (a == "--link") {
      if (!value(out.link)) return false;
    } else if (a == "--port") {
      if (!value(out.port)) return false;
    } else if (a == "--speed") {
      if (!number(50, 4000000, v)) return false;
      out.speed = static_cast<int>(v);
    } else if (a == "--config") {
      if (!value(out.configFile)) return false;
    } else if (a == "--save") {
      if (!value(out.saveFile)) return false;
    } else if (a == "--image-out") {
      if (!value(out.imageOut)) return false;
    } else if (a == "--imei") {
      if (!value(s.imei)) return false;
      if (!IsDigits(s.imei) || s.imei.size() > kIdentSize) {
        error = "--imei: 1 to 16 digits: " + s.imei;
        return false;
      }
    } else if (a == "--device-type") {
      if (!number(4, 13, v)) return false;
      s.deviceType = static_cast<int>(v);
    } else if (a == "--chatter") {
      s.chatter = true;
    } else if (a == "--split") {
      s.split = true;
    } else if (a == "--fifo") {
      if (!number(1, 4096, v)) return false;
      out.fifo = static_cast<int>(v);
    } else if (a == "--spin") {
      if (!number(0, 10000, v)) return false;
      out.spinUs = static_cast<int>(v);
    } else if (a == "--verbose") {
      out.verbose = true;
    } else if (a == "--delay") {
      if (!number(0, 3600000, v)) return false;
      s.delay = std::chrono::milliseconds(v);
    } else if (a == "--baud") {
      if (!number(1, 100000000, v)) return false;
      s.baud = static_cast<int>(v);
    } else if (a == "--silent-at" || a == "--bad-checksum-at" || a == "--error-at") {
      if (!value(t)) return false;
      std::string target = t, code;
      if (a == "--error-at") {
        const auto colon = t.find(':');
        if (colon == std::string::npos) {
          error = "--error-at: N:CODE expected: " + t;
          return false;
        }
        target = t.substr(0, colon);
        code = t.substr(colon + 1);
      }
      Faults* f = nullptr;
      int n = 0;
      long long c = 0;
      if (!FaultTarget(target, s, f, n) || (a == "--error-at" && !ToInt(code, 0, 255, c))) {
        error = a + ": N, wN or bN expected" + std::string(a == "--error-at" ? " with a CODE of 0 to 255" : "") +
                ": " + t;
        return false;
      }
      if (a == "--silent-at") (f ? f->silentAt : s.silentAt) = n;
      if (a == "--bad-checksum-at") (f ? f->badChecksumAt : s.badChecksumAt) = n;
      if (a == "--error-at") (f ? f->errorAt : s.errorAt)[n] = static_cast<uint8_t>(c);
    } else {
      error = "unknown option: " + a;
      return false;
    }
  }
  if (out.help) return true;
  if (out.serial == !out.port.empty()) {
    error = "give either --serial or --port DEVICE";
    return false;
  }
  if (!out.link.empty() && !out.serial) {
    error = "--link needs --serial";
    return false;
  }
  return true;
}

bool LoadConfigFile(const std::string& path, int deviceType, TDataList& out, std::string& error) {
  const QString file = QString::fromLocal8Bit(path.c_str());
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) {
    error = path + ": " + f.errorString().toStdString();
    return false;
  }
  if (f.readAll().trimmed().isEmpty()) {  // a tracker without parameters
    out.clear();
    return true;
  }
  QStringList lines;
  QString why;
  bool loaded = false;
  for (int type = deviceType ? deviceType : kFirstDeviceType;
       !loaded && type <= (deviceType ? deviceType : kLastDeviceType); ++type)
    loaded = LoadConfigLines(file, type, lines, &why);
  if (!loaded) {
    error = why.toStdString();
    return false;
  }
  TDataList records;
  for (int i = 0; i < lines.size(); ++i) {
    TData rec;
    const std::string line = lines[i].toLatin1().toStdString();
    if (!EncodeLine(line, rec)) {
      error = path + ": parameter line " + std::to_string(i + 1) + " does not encode: " + line;
      return false;
    }
    records.push_back(rec);
  }
  out = std::move(records);
  return true;
}

bool SaveConfigFile(const std::string& path, const TDataList& records, std::string& error) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  for (const auto& r : records) f << DecodeRecord(r) << '\n';
  f.close();
  if (!f) {
    error = path + ": cannot write";
    return false;
  }
  return true;
}

}  // namespace ravok::sim
