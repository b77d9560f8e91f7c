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

// True when args holds "--help" or "-h".
bool WantsHelp(const Args& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

}  // namespace

CommandRegistration::CommandRegistration(const char* word, const char* usage, CommandFn fn) {
  Table()[word] = {usage, fn};
}

void PrintUsage(const std::string& word, FILE* out) {
  auto it = Table().find(word);
  if (it != Table().end()) {
    std::fprintf(out, "usage:\n%s\n", it->second.usage.c_str());
    return;
  }
  std::fprintf(out, "usage: ravokctl COMMAND [ARGS...]   (ravokctl COMMAND --help for more)\n");
  for (const auto& [name, entry] : Table()) std::fprintf(out, "%s\n", entry.usage.c_str());
}

int UsageError(const std::string& word, const std::string& message) {
  std::fprintf(stderr, "ravokctl: %s\n", message.c_str());
  PrintUsage(word);
  return kExitUsage;
}


}  // namespace ravok::ctl

int main(int argc, char** argv) {
  using namespace ravok::ctl;
  if (argc < 2) return UsageError("", "no command given");
  const std::string word = argv[1];
  if (word == "--help" || word == "-h" || word == "help") {
    PrintUsage({}, stdout);
    return kExitOk;
  }
  auto it = Table().find(word);
  if (it == Table().end()) return UsageError("", "unknown command '" + word + "'");
  Args args(argv + 2, argv + argc);
  // --help anywhere asks for the command's usage, and nothing is run.
  if (WantsHelp(args)) {
    PrintUsage(word, stdout);
    return kExitOk;
  }
  return it->second.fn(args);
}
