// ravokctl's command table. Each command group (parameter codec, serial port, server,
// key lists, ...) lives in its own source file and registers the first word it answers to
// with a static CommandRegistration, so groups are added without touching main.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace ravok::ctl {

// Exit statuses shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the operation ran and failed
constexpr int kExitUsage = 2;   // malformed arguments

using Args = std::vector<std::string>;
// Runs a command; args are the words after the command's own first word.
using CommandFn = int (*)(const Args& args);

struct CommandRegistration {
  // word: the first word (e.g. "decode", "--serial"); usage: one or more lines for --help.
  CommandRegistration(const char* word, const char* usage, CommandFn fn);
};

// Prints the usage of the command registered under word (or of all).
void PrintUsage(const std::string& word = {}, FILE* out = stderr);
// Usage error: prints message and the command's usage, returns kExitUsage.
int UsageError(const std::string& word, const std::string& message);

}  // namespace ravok::ctl
