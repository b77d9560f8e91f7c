// Location item lists as the library builds them from tracker data: records of a 2-byte id,
// a 1-byte length and that many value bytes, turned into the locdata statement.
#include <stdint.h>

#include <vector>

#include "server/Handlers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<loc_item> items;
  items.reserve(size / 3 + 1);
  size_t at = 0;
  while (at + 3 <= size) {
    uint32_t id = data[at] | (data[at + 1] << 8);
    // Ids above 256 land in the user and extra ranges so they are reached too.
    if (id > 256) id = 61440 + (id % 2060);
    uint32_t len = data[at + 2] % 20;
    at += 3;
    if (at + len > size) break;
    items.push_back({nullptr, id, len, data + at});
    at += len;
  }
  for (size_t i = 0; i + 1 < items.size(); ++i) items[i].next = &items[i + 1];
  ev_location ev = {1, 2, 3, items.empty() ? nullptr : items.data()};
  loc_insert_statement(nullptr, &ev);
  return 0;
}
