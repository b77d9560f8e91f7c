#include "server/Outbox.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "server/Db.h"
#include "server/Server.h"

namespace {

struct command_form {
  uint32_t app_id;
  uint16_t code;
  uint16_t length;
};

const command_form kForms[] = {{1, 1, 168}, {2, 3, 1}, {3, 5, 2}, {18, 18, 4}};

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A text into a fixed zero-terminated field of size bytes (at most size - 1 characters).
void put_text(std::vector<uint8_t>& b, size_t at, size_t size, const char* text, size_t max) {
  size_t n = strnlen(text, std::min(size - 1, max));
  memcpy(&b[at], text, n);
}

long decimal(const char* t) {
  return strtol(t, nullptr, 10);
}

}  // namespace

std::vector<uint8_t> outbox_command_block(uint32_t app_id, uint32_t outbox_id, const char* data0,
                                          const char* data1) {
  const command_form* form = nullptr;
  for (const command_form& f : kForms)
    if (f.app_id == app_id) form = &f;
  if (!form) return {};
  std::vector<uint8_t> b(COMMAND_HEADER_SIZE + form->length, 0);
  put16(b, 0, form->code);
  put16(b, 2, form->length);
  put16(b, 4, outbox_id);
  put16(b, 6, outbox_id >> 16);
  uint8_t* payload = &b[COMMAND_HEADER_SIZE];
  switch (app_id) {
    case 1:
      put_text(b, COMMAND_HEADER_SIZE, 17, data0, 16);
      put_text(b, COMMAND_HEADER_SIZE + 17, 151, data1, 150);
      break;
    case 2:
      payload[0] = static_cast<uint8_t>(decimal(data0));
      break;
    case 3:
      put16(b, COMMAND_HEADER_SIZE, static_cast<uint32_t>(decimal(data0)));
      break;
    case 18: {
      // Up to four comma-separated numbers; missing ones are 0.
      const char* p = data0;
      for (int i = 0; i < 4 && p; ++i) {
        payload[i] = static_cast<uint8_t>(decimal(p));
        p = strchr(p, ',');
        if (p) ++p;
      }
      break;
    }
  }
  return b;
}

void outbox_poll() {
  db_slot* slot = db_acquire();
  if (!slot) return;
  if (db_select_rows(slot,
                     "select id,device_id,app_id,data0,data1,data2 from outbox where status=1 "
                     "order by device_id,id") < 0) {
    db_release(slot, false);
    return;
  }
  char id[OUTBOX_ID_SIZE], device[OUTBOX_ID_SIZE], app[OUTBOX_ID_SIZE], data0[OUTBOX_DATA0_SIZE],
      data1[OUTBOX_DATA1_SIZE], data2[OUTBOX_DATA2_SIZE];
  bool have_last = false;
  uint32_t last_device = 0;
  while (db_next_row(slot, 6, id, sizeof id, device, sizeof device, app, sizeof app, data0,
                     sizeof data0, data1, sizeof data1, data2, sizeof data2)) {
    uint32_t device_id = static_cast<uint32_t>(strtoul(device, nullptr, 10));
    if (have_last && device_id == last_device) continue;  // one command per tracker per poll
    have_last = true;
    last_device = device_id;
    uint32_t outbox_id = static_cast<uint32_t>(strtoul(id, nullptr, 10));
    std::vector<uint8_t> block = outbox_command_block(
        static_cast<uint32_t>(strtoul(app, nullptr, 10)), outbox_id, data0, data1);
    if (!block.empty()) {
      if (g_comm && g_comm->comm_send_command)
        g_comm->comm_send_command(device_id, outbox_id, 1, block.data());
      continue;
    }
    db_slot* second = db_acquire();
    if (!second) continue;
    std::string q;
    str_appendf(q, "update outbox set status=%d where id=%u", OUTBOX_STATUS_REFUSED, outbox_id);
    int ok = db_exec(second, q.c_str());
    db_release(second, ok == 1);
  }
  db_free_rows(slot);
  db_release(slot, true);
}
