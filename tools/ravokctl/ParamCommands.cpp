// ravokctl decode / encode / defaults: the parameter record codec from a shell.
#include <cstdio>

#include "params/Params.h"
#include "tools/ravokctl/Commands.h"
#include "tools/ravokctl/RecordArgs.h"

namespace ravok::ctl {
namespace {

constexpr const char* kDecodeUsage =
    "  decode [--viewer] HEX|-   record (hex of Pid LE, Len LE, data; blanks allowed) to its\n"
    "                            parameter line; --viewer: the viewer's catalogue;\n"
    "                            -: one record per stdin line";
constexpr const char* kEncodeUsage =
    "  encode LINE|-             parameter line to record hex (upper case, no blanks);\n"
    "                            -: one line per stdin line";
constexpr const char* kDefaultsUsage =
    "  defaults                  every catalogue default as a parameter line, in catalogue order";

bool IsOption(const std::string& a) { return a.size() > 1 && a[0] == '-'; }

int Decode(const Args& args) {
  bool viewer = false;
  std::string hex;
  bool fromStdin = false;
  int words = 0;
  for (const std::string& a : args) {
    if (a == "--viewer") {
      viewer = true;
    } else if (IsOption(a)) {
      return UsageError("decode", "unknown option '" + a + "'");
    } else {
      // A record written with blanks may arrive as several words.
      fromStdin = fromStdin || a == "-";
      if (words++) hex += ' ';
      hex += a;
    }
  }
  if (words == 0) return UsageError("decode", "no record given");
  if (fromStdin && words > 1) return UsageError("decode", "'-' must be the only argument");
  return ForEachInput(fromStdin ? "-" : hex, [viewer](const std::string& in, std::string& out) {
    TData rec;
    if (!ParseRecordHex(in, rec, &out)) return false;
    out = viewer ? DecodeViewerParam(rec) : DecodeParam(rec);
    return true;
  });
}

int Encode(const Args& args) {
  if (args.empty()) return UsageError("encode", "no parameter line given");
  if (args.size() > 1)
    return UsageError("encode", "give the line as one argument (quote it if it has blanks)");
  return ForEachInput(args[0], [](const std::string& in, std::string& out) {
    TData rec;
    const EncodeResult r = EncodeParam(in, rec);
    out = r ? RecordHex(rec) : r.reason;
    return r.ok;
  });
}

int Defaults(const Args& args) {
  if (!args.empty()) return UsageError("defaults", "no arguments expected");
  for (const TConvParam& row : ParamTable()) {
    const std::string line = std::string(row.Name) + "=" + std::string(row.Default);
    TData rec;
    const EncodeResult r = EncodeParam(line, rec);
    if (!r) {
      std::fprintf(stderr, "%s: default does not encode: %s\n", std::string(row.Name).c_str(),
                   Latin1ToUtf8(r.reason).c_str());
      continue;
    }
    std::puts(Latin1ToUtf8(DecodeParam(rec)).c_str());
  }
  return kExitOk;
}

const CommandRegistration kDecode("decode", kDecodeUsage, Decode);
const CommandRegistration kEncode("encode", kEncodeUsage, Encode);
const CommandRegistration kDefaults("defaults", kDefaultsUsage, Defaults);

}  // namespace
}  // namespace ravok::ctl
