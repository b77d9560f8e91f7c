// ravokctl live / status: live data and status records to their text lines and icons.
#include <functional>

#include "params/Configs.h"
#include "params/Firmware.h"
#include "tools/ravokctl/Commands.h"
#include "locallink/QtTextLocale.h"
#include "tools/ravokctl/RecordArgs.h"

namespace ravok::ctl {
namespace {

constexpr const char* kLiveUsage =
    "  live [--viewer] [--locale NAME] [--icon] HEX|-\n"
    "                            live data record (hex of Pid LE, Len LE, data; blanks\n"
    "                            allowed) to its text line; --viewer: the viewer's table;\n"
    "                            --locale: e.g. en_US, de_DE (default: the operator's);\n"
    "                            --icon: the icon number on a second line (after a tab\n"
    "                            with -); -: one record per stdin line";
constexpr const char* kStatusUsage =
    "  status [--viewer] [--locale NAME] [--icon] HEX|-\n"
    "                            status record to its text line; options as for live";

struct RecordTexts {
  std::function<std::string(const TData&, const TextLocale&)> line;
  std::function<int(const TData&)> icon;
};

struct Options {
  bool viewer = false;
  bool icon = false;
  bool fromStdin = false;
  TextLocale locale;
  std::string hex;
};

bool IsOption(const std::string& a) { return a.size() > 1 && a[0] == '-'; }

// Parses the words after the command; returns an exit status on a usage error, else -1.
int ParseOptions(const char* word, const Args& args, Options& o) {
  bool haveLocale = false;
  int words = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string localeName;
    if (a == "--viewer") {
      o.viewer = true;
      continue;
    }
    if (a == "--icon") {
      o.icon = true;
      continue;
    }
    if (a == "--locale" || a.starts_with("--locale=")) {
      if (a == "--locale") {
        if (i + 1 >= args.size()) return UsageError(word, "--locale needs a locale name");
        localeName = args[++i];
      } else {
        localeName = a.substr(9);
      }
      if (!TextLocaleFromName(localeName, o.locale))
        return UsageError(word, "unknown locale '" + localeName + "'");
      haveLocale = true;
      continue;
    }
    if (IsOption(a)) return UsageError(word, "unknown option '" + a + "'");
    // A record written with blanks may arrive as several words.
    o.fromStdin = o.fromStdin || a == "-";
    if (words++) o.hex += ' ';
    o.hex += a;
  }
  if (words == 0) return UsageError(word, "no record given");
  if (o.fromStdin && words > 1) return UsageError(word, "'-' must be the only argument");
  if (!haveLocale) o.locale = OperatorTextLocale();
  return -1;
}

int Run(const char* word, const Args& args, const RecordTexts& full, const RecordTexts& viewer) {
  Options o;
  if (const int status = ParseOptions(word, args, o); status >= 0) return status;
  const RecordTexts& texts = o.viewer ? viewer : full;
  // One result per line on stdin, so the icon follows the text after a tab there.
  const char* iconSeparator = o.fromStdin ? "\t" : "\n";
  return ForEachInput(o.fromStdin ? "-" : o.hex, [&](const std::string& in, std::string& out) {
    TData rec;
    if (!ParseRecordHex(in, rec, &out)) return false;
    out = texts.line(rec, o.locale);
    if (o.icon) out += iconSeparator + std::to_string(texts.icon(rec));
    return true;
  });
}

std::string LiveLine(const TData& r, const TextLocale& l) { return Firmware::DecodeLiveData(r, l); }
std::string ViewerLiveLine(const TData& r, const TextLocale& l) {
  return Firmware::DecodeViewerLiveData(r, l);
}
int LiveIcon(const TData& r) { return Firmware::LiveDataIcon(r); }
std::string StatusLine(const TData& r, const TextLocale& l) { return Configs::DecodeStatus(r, l); }
std::string ViewerStatusLine(const TData& r, const TextLocale& l) {
  return Configs::DecodeViewerStatus(r, l);
}
int StatusIconOf(const TData& r) { return Configs::StatusIcon(r); }
int ViewerStatusIconOf(const TData& r) { return Configs::ViewerStatusIcon(r); }

int Live(const Args& args) {
  return Run("live", args, {LiveLine, LiveIcon}, {ViewerLiveLine, LiveIcon});
}

int Status(const Args& args) {
  return Run("status", args, {StatusLine, StatusIconOf}, {ViewerStatusLine, ViewerStatusIconOf});
}

const CommandRegistration kLive("live", kLiveUsage, Live);
const CommandRegistration kStatus("status", kStatusUsage, Status);

}  // namespace
}  // namespace ravok::ctl
