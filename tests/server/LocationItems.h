// Location item lists built in tests: ids with their little-endian value bytes.
#pragma once

#include <stdint.h>
#include <string.h>

#include <initializer_list>
#include <vector>

#include "comm/ravokcomm.h"

namespace srvtest {

inline std::vector<uint8_t> le(uint64_t v, int n) {
  std::vector<uint8_t> b;
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return b;
}
inline std::vector<uint8_t> f32(float f) {
  uint32_t bits;
  memcpy(&bits, &f, 4);
  return le(bits, 4);
}
inline std::vector<uint8_t> f64(double d) {
  uint64_t bits;
  memcpy(&bits, &d, 8);
  return le(bits, 8);
}
inline std::vector<uint8_t> text16(const char* t) {
  std::vector<uint8_t> b(16, 0);
  memcpy(b.data(), t, strnlen(t, 16));
  return b;
}

struct item_spec {
  uint32_t id;
  std::vector<uint8_t> value;
};

// Owns the values and the linked items the library would build.
class ItemList {
 public:
  ItemList(std::initializer_list<item_spec> specs) : specs_(specs) {
    items_.resize(specs_.size());
    for (size_t i = 0; i < specs_.size(); ++i) {
      items_[i].next = i + 1 < specs_.size() ? &items_[i + 1] : nullptr;
      items_[i].id = specs_[i].id;
      items_[i].len = static_cast<uint32_t>(specs_[i].value.size());
      items_[i].value = specs_[i].value.data();
    }
  }
  const loc_item* first() const { return items_.empty() ? nullptr : &items_[0]; }

 private:
  std::vector<item_spec> specs_;
  std::vector<loc_item> items_;
};

}  // namespace srvtest
