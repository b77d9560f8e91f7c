// Lines from a manager connection, split at line feeds, through the command port after a
// successful login, with a server that knows one tracker.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "comm/CommandPort.h"

namespace {
intptr_t fake_raise(int32_t event, intptr_t arg) {
  switch (event) {
    case EV_CHECK_PASSWORD:
      return 1;
    case EV_FIND_DEVICE:
      return strcmp(reinterpret_cast<const char*>(arg), "1") == 0 ? 1 : 0;
    case EV_SET_UDP_MODE:
      return 1;
    case EV_LIST_DEVICES: {
      device_block* b = static_cast<device_block*>(calloc(1, sizeof(device_block)));
      memcpy(b->imei, "1", 1);
      return reinterpret_cast<intptr_t>(b);
    }
  }
  return 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  command_port port(fake_raise);
  port.handle_line("user\n");
  port.handle_line("pw\n");
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    command_answer a = port.handle_line(text.substr(start, end - start));
    if (!a.text.empty() && a.text.find("command:") == std::string::npos) abort();
    start = end + 1;
  }
  return 0;
}
