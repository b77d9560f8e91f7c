#include "comm/CommandPort.h"

#include <stdlib.h>
#include <string.h>

namespace {

const char kUserPrompt[] = "username:";
const char kPasswordPrompt[] = "passwd:";
const char kRefused[] = "bye" COMMAND_EOL;
const char kPromptLine[] = COMMAND_PROMPT COMMAND_EOL;

// Commands that need the tracker itself; its side of the library is not spoken yet.
const char* const kTrackerCommands[] = {"data",      "readcfg", "readfirm", "readstat", "writecfg",
                                        "writefirm", "bindata", "getparam", "setparam"};

std::string line_of(const std::string& text) {
  return text + COMMAND_EOL;
}

// A text field of an item line: commas and control characters would break the line grammar
// (or start a line of their own), so they become '_'.
std::string item_text(const char* text, size_t size) {
  std::string out;
  for (size_t i = 0; i < size && text[i]; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out.push_back(c == ',' || c < 32 || c == 127 ? '_' : static_cast<char>(c));
  }
  return out;
}

bool parse_number(const std::string& t, uint32_t* out) {
  if (t.empty() || t.size() > 10 || t.find_first_not_of("0123456789") != std::string::npos)
    return false;
  unsigned long long v = strtoull(t.c_str(), nullptr, 10);
  if (v > 0xFFFFFFFFull) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

void free_chain(device_block* b) {
  while (b) {
    device_block* next = b->next;
    free(b);
    b = next;
  }
}

}  // namespace

std::string command_port_greeting() {
  return kUserPrompt;
}

command_answer command_port::handle_line(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  command_answer a;
  switch (state_) {
    case USER:
      state_ = PASSWORD;
      a.text = kPasswordPrompt;
      break;
    case PASSWORD: {
      ev_check_password ev = {0, line.c_str()};
      if (raise_(EV_CHECK_PASSWORD, reinterpret_cast<intptr_t>(&ev)) == 0) {
        a.text = kRefused;
        a.close = true;
      } else {
        state_ = COMMANDS;
        a.text = kPromptLine;
      }
      break;
    }
    case COMMANDS:
      // Item lines of a multi-line command the library cannot carry out get no answer of their
      // own: the command's header was answered already.
      if (line.compare(0, 5, "item:") == 0) break;
      a.text = run_command(line) + kPromptLine;
      break;
  }
  return a;
}

std::string command_port::run_command(const std::string& line) {
  size_t space = line.find(' ');
  std::string word = line.substr(0, space);
  std::string args = space == std::string::npos ? std::string() : line.substr(space + 1);
  // An empty line and "break" (Terminate on the manager's side) only get the prompt.
  if (line.empty() || word == "break") return "";
  if (word == "list") return list(true);
  if (word == "devices") return list(false);
  if (word == "setmode") return setmode(args);
  for (const char* c : kTrackerCommands)
    if (word == c) return tracker_command(args);
  return line_of("error: unknown command");
}

// list: every tracker with the fields of a connected one; the library knows none of them
// yet, so ccid, version, counters, address, time and timeout stay empty or 0.
// devices: every tracker with its stored UDP mode.
std::string command_port::list(bool full) {
  device_block* chain = reinterpret_cast<device_block*>(raise_(EV_LIST_DEVICES, 0));
  std::string out;
  for (device_block* b = chain; b; b = b->next) {
    out += "item: " + item_text(b->imei, sizeof b->imei) + "," +
           item_text(b->dscr, sizeof b->dscr) + "," + std::to_string(b->device_id);
    if (full)
      out += ",,0,0,0,,0,,0";
    else
      out += "," + std::to_string(b->udpmode);
    out += COMMAND_EOL;
  }
  free_chain(chain);
  return out;
}

std::string command_port::setmode(const std::string& args) {
  size_t comma = args.rfind(',');
  uint32_t mode = 0;
  if (comma == std::string::npos || comma == 0 || !parse_number(args.substr(comma + 1), &mode) ||
      mode > 2)
    return line_of("error: usage setmode IMEI,MODE (0 TCP, 1 UDP, 2 NoSleep)");
  std::string imei = args.substr(0, comma);
  uint32_t id =
      static_cast<uint32_t>(raise_(EV_FIND_DEVICE, reinterpret_cast<intptr_t>(imei.c_str())));
  if (id == 0) return line_of("error: unknown device");
  ev_set_udp_mode ev = {id, mode + 1};  // the library's modes are one above the stored ones
  if (raise_(EV_SET_UDP_MODE, reinterpret_cast<intptr_t>(&ev)) == 0)
    return line_of("error: mode not stored");
  return line_of("ok");
}

std::string command_port::tracker_command(const std::string& args) {
  std::string imei = args.substr(0, args.find(','));
  if (imei.empty()) return line_of("error: no device given");
  if (raise_(EV_FIND_DEVICE, reinterpret_cast<intptr_t>(imei.c_str())) == 0)
    return line_of("error: unknown device");
  return line_of("error: device not connected");
}
