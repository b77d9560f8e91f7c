// The location item catalogue: item id, locdata column, value length and value type.
#pragma once

#include <stdint.h>

enum loc_type {
  LT_U8 = 1,
  LT_S8 = 2,
  LT_U16 = 3,
  LT_S16 = 4,
  LT_U32 = 5,
  LT_S32 = 6,
  LT_FLOAT = 7,
  LT_DATETIME = 8,
  LT_S64 = 9,
  LT_TEXT = 10,
  LT_DOUBLE = 11,
  LT_BYTES = 12,
};

enum { LOC_CATALOGUE_SIZE = 290, LOC_VALUE_MAX = 16 };

struct loc_row {
  uint32_t id;
  char column[24];
  uint32_t len;
  int type;
};

// The 290 rows in id order.
const loc_row* loc_catalogue();
// The row for an item id with this length; null when there is none.
const loc_row* loc_find(uint32_t id, uint32_t len);
