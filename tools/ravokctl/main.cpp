// ravokctl: the manager without windows.
#include <cstdio>
#include <map>
#include <string>

#include "tools/ravokctl/Commands.h"

namespace ravok::ctl {
namespace {

struct Entry {
  std::string usage;
  CommandFn fn;
};

std::map<std::string, Entry>& Table() {
  static std::map<std::string, Entry> table;
  return table;
}

}  // namespace

CommandRegistration::CommandRegistration(const char* word, const char* usage, CommandFn fn) {
  Table()[word] = {usage, fn};
}

void PrintUsage(const std::string& word) {
  auto it = Table().find(word);
  if (it != Table().end()) {
    std::fprintf(stderr, "usage:\n%s\n", it->second.usage.c_str());
    return;
  }
  std::fprintf(stderr, "usage: ravokctl COMMAND [ARGS...]   (ravokctl COMMAND --help for more)\n");
  for (const auto& [name, entry] : Table()) std::fprintf(stderr, "%s\n", entry.usage.c_str());
}

int UsageError(const std::string& word, const std::string& message) {
  std::fprintf(stderr, "ravokctl: %s\n", message.c_str());
  PrintUsage(word);
  return kExitUsage;
}

bool WantsHelp(const Args& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

}  // namespace ravok::ctl

int main(int argc, char** argv) {
  using namespace ravok::ctl;
  if (argc < 2) return UsageError("", "no command given");
  const std::string word = argv[1];
  if (word == "--help" || word == "-h" || word == "help") {
    PrintUsage();
    return kExitOk;
  }
  auto it = Table().find(word);
  if (it == Table().end()) return UsageError("", "unknown command '" + word + "'");
  Args args(argv + 2, argv + argc);
  if (WantsHelp(args) && args.size() == 1) {
    PrintUsage(word);
    return kExitOk;
  }
  return it->second.fn(args);
}
