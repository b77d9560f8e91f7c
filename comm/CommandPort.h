// The command port's line protocol for manager connections, without the socket: login
// ("username:", "passwd:"), then one command per line, every answer ending with the prompt.
#pragma once

#include <stdint.h>

#include <string>

#include "comm/ravokcomm.h"

typedef intptr_t (*raise_fn)(int32_t event, intptr_t arg);

struct command_answer {
  std::string text;    // bytes to send, line ends included (empty: send nothing)
  bool close = false;  // close the connection after sending
};

#define COMMAND_PROMPT "command:"
#define COMMAND_EOL "\r\n"

// What a new connection is sent first.
std::string command_port_greeting();

class command_port {
 public:
  explicit command_port(raise_fn raise) : raise_(raise) {}

  // One received line (its line end may still be there).
  command_answer handle_line(std::string line);
  bool logged_in() const { return state_ == COMMANDS; }

 private:
  enum state { USER, PASSWORD, COMMANDS };

  std::string run_command(const std::string& line);
  std::string list(bool full);
  std::string setmode(const std::string& args);
  std::string tracker_command(const std::string& args);

  raise_fn raise_;
  state state_ = USER;
};
