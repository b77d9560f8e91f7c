#include "tools/ravokctl/DeviceOptions.h"

#include <charconv>

#include "locallink/LocalProtocol.h"
#include "locallink/QtTextLocale.h"

namespace ravok::ctl {

bool OptionValue(const Args& args, size_t& i, std::string& value) {
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

bool ParseWholeInt(const std::string& text, int& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && ptr == end && !text.empty();
}

const CommandSpec* FindCommand(std::span<const CommandSpec> commands, const std::string& name) {
  for (const CommandSpec& c : commands)
    if (name == c.name) return &c;
  return nullptr;
}

int ParseDeviceOptions(const char* word, const Args& args, size_t first,
                       std::span<const CommandSpec> commands, const OwnOption& own,
                       DeviceOptions& o) {
  bool haveLocale = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string v, error;
    if (own(args, i, error)) {
      if (!error.empty()) return UsageError(word, error);
    } else if (a == "--device-type") {
      if (!OptionValue(args, i, v) || !ParseWholeInt(v, o.deviceType) ||
          o.deviceType < kMinDeviceType || o.deviceType > kMaxDeviceType)
        return UsageError(word, "--device-type is 4 to 13");
    } else if (a == "--locale") {
      if (!OptionValue(args, i, v) || !TextLocaleFromName(v, o.locale))
        return UsageError(word, "--locale needs a known locale name");
      haveLocale = true;
    } else if (a == "--replace") {
      o.replace = true;
    } else if (a == "--yes") {
      o.yes = true;
    } else if (a == "--icon") {
      o.icon = true;
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (o.command.empty() && !a.starts_with("--")) {
      o.command = a;
    } else if (!o.command.empty()) {
      o.operands.push_back(a);
    } else {
      return UsageError(word, "unknown option '" + a + "'");
    }
  }
  if (!haveLocale) o.locale = OperatorTextLocale();
  if (o.command.empty()) return UsageError(word, "no command given");
  const CommandSpec* c = FindCommand(commands, o.command);
  if (!c) return UsageError(word, "unknown command '" + o.command + "'");
  if (o.operands.size() != c->operands)
    return UsageError(word, o.command + " needs " + std::to_string(c->operands) +
                                (c->operands == 1 ? " argument" : " arguments"));
  return -1;
}

}  // namespace ravok::ctl
