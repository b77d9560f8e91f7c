// Tracker replies: the first two bytes choose the reply type, the rest is its data. Every
// decoded text must stay within the inbox row's capacity.
#include <stdint.h>
#include <stdlib.h>

#include "server/Replies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint16_t type = static_cast<uint16_t>(data[0] | (data[1] << 8));
  size_t length = size - 2 > 65535 ? 65535 : size - 2;
  reply_texts t = reply_decode(type, data + 2, length);
  if (t.data0.size() > INBOX_DATA0_MAX || t.data1.size() > INBOX_DATA1_MAX ||
      t.data2.size() > INBOX_DATA2_MAX)
    abort();
  safe_file_name(t.data2);
  return 0;
}
