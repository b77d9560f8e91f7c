// Tracker replies: the inbox texts of every reply type, the EN 15430 fragment store and the
// command outcome and relay events.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "comm/ravokcomm.h"
#include "server/Db.h"

// Capacities of one inbox row's texts; longer texts are cut at a whole entry.
enum { INBOX_DATA0_MAX = 275, INBOX_DATA1_MAX = 487, INBOX_DATA2_MAX = 247, REPLY_TEXT_MAX = 240 };

struct reply_texts {
  uint32_t app_id = 0;
  std::string data0, data1, data2;
};

// Decodes a reply of the given type into its inbox columns. Bytes past the data's length
// read as zero.
reply_texts reply_decode(uint16_t type, const uint8_t* data, size_t length);

intptr_t on_reply(intptr_t arg);
intptr_t on_command_result(intptr_t arg);
intptr_t on_relay(intptr_t arg);

// EN 15430 fragments of trackers that never send their trailer are bounded in number per
// tracker and in age; the oldest give way first.
enum { FRAGMENT_DATA_MAX = 256, FRAGMENTS_PER_DEVICE_MAX = 32, FRAGMENT_MAX_AGE_S = 3600 };

// One EN 15430 reply (type 21) of a tracker: a fragment is kept, a trailer assembles and
// stores the message on the given connection. Returns false when storing failed.
bool en15430_step(db_slot* slot, uint32_t device_id, uint32_t number, const uint8_t* data,
                  size_t length);
// Fragments held for a tracker (for tests).
size_t en15430_fragments_of(uint32_t device_id);
void en15430_clear();

// A tracker-supplied file name made safe to append to a directory: path separators become
// '_' and so does a leading dot, so the name can never leave its directory or be hidden.
std::string safe_file_name(const std::string& name);
