// The outbox poll: queued commands handed to the library, every 30 timer ticks.
#pragma once

#include <stdint.h>

#include <vector>

enum {
  OUTBOX_ID_SIZE = 11,
  OUTBOX_DATA0_SIZE = 17,
  OUTBOX_DATA1_SIZE = 481,
  OUTBOX_DATA2_SIZE = 241,
  OUTBOX_STATUS_REFUSED = 4,
};

// The command block of an outbox row; empty when its app_id has no command form.
std::vector<uint8_t> outbox_command_block(uint32_t app_id, uint32_t outbox_id, const char* data0,
                                          const char* data1);

void outbox_poll();
