// The options every device command group (--serial, --server, ...) shares, and the parsing
// of "[OPTIONS] COMMAND OPERANDS..." with each group's own options added.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "params/TextLocale.h"
#include "tools/ravokctl/Commands.h"

namespace ravok::ctl {

struct DeviceOptions {
  int deviceType = 0;
  bool replace = false;  // --replace: delete what the file does not hold
  bool yes = false;      // --yes: the answer to every confirmation
  bool icon = false;     // --icon: the icon number after a tab
  bool verbose = false;  // --verbose: the debug log on stderr
  TextLocale locale;     // --locale NAME, else the operator's
  std::string command;
  Args operands;
};

struct CommandSpec {
  const char* name;
  size_t operands;
  bool needsDevice = false;  // the group looks the tracker up before running it
};

// A group's own option at args[i]: returns true when it was one (advancing i past a value)
// and sets error when its value is bad.
using OwnOption = std::function<bool(const Args& args, size_t& i, std::string& error)>;

// The value after args[i], advancing i; false when there is none.
bool OptionValue(const Args& args, size_t& i, std::string& value);
// A whole decimal integer.
bool ParseWholeInt(const std::string& text, int& out);

// Parses args from position first on. Returns -1 when they are good, else the usage exit
// status (after printing the reason and word's usage).
int ParseDeviceOptions(const char* word, const Args& args, size_t first,
                       std::span<const CommandSpec> commands, const OwnOption& own,
                       DeviceOptions& o);

const CommandSpec* FindCommand(std::span<const CommandSpec> commands, const std::string& name);

}  // namespace ravok::ctl
