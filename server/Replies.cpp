#include "server/Replies.h"

#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <vector>

#include "server/Handlers.h"
#include "server/Server.h"

namespace {

// Bounds-checked little-endian reads of reply data.
struct reader {
  const uint8_t* data;
  size_t length;
  uint8_t u8(size_t i) const { return data && i < length ? data[i] : 0; }
  int s8(size_t i) const { return static_cast<int8_t>(u8(i)); }
  uint32_t u16(size_t i) const { return u8(i) | (u8(i + 1) << 8); }
  int s16(size_t i) const { return static_cast<int16_t>(u16(i)); }
  uint32_t u32(size_t i) const {
    return u8(i) | (u8(i + 1) << 8) | (u8(i + 2) << 16) | (static_cast<uint32_t>(u8(i + 3)) << 24);
  }
  double f32(size_t i) const {
    uint32_t bits = u32(i);
    float f;
    memcpy(&f, &bits, 4);
    return f;
  }
  // Text from byte i up to a zero byte, at most max bytes and never past the data.
  std::string text(size_t i, size_t max) const {
    std::string t;
    for (size_t k = i; k < length && k < i + max && data[k]; ++k)
      t.push_back(static_cast<char>(data[k]));
    return t;
  }
};

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
  std::string s;
  va_list ap;
  va_start(ap, f);
  str_vappendf(s, f, ap);
  va_end(ap);
  return s;
}

std::string header_text(const reader& r, size_t at) {
  return fmt("%02d-%02d-%02d %02d:%02d:%02d %d %d %f %f", r.u8(at), r.u8(at + 1), r.u8(at + 2),
             r.u8(at + 3), r.u8(at + 4), r.u8(at + 5), r.s8(at + 6), r.s8(at + 7), r.f32(at + 8),
             r.f32(at + 12));
}

// Appends piece (after sep when out is not empty) unless that would pass cap.
bool append_capped(std::string& out, const std::string& piece, size_t cap, const char* sep = "") {
  size_t extra = (out.empty() ? 0 : strlen(sep)) + piece.size();
  if (out.size() + extra > cap) return false;
  if (!out.empty()) out += sep;
  out += piece;
  return true;
}

std::string cap(std::string s, size_t max) {
  if (s.size() > max) s.resize(max);
  return s;
}

void hex_bytes(const reader& r, size_t from, size_t to, std::string& out, size_t max) {
  for (size_t i = from; i < to && i < r.length; ++i)
    if (!append_capped(out, fmt("%02X", r.u8(i)), max)) break;
}

// Types 7 to 14: k 16-bit words after the 16-byte header.
void decode_words(reply_texts& t, const reader& r, int sub) {
  int k = r.length > 16 ? static_cast<int>((r.length - 16) / 2) : 0;
  t.data0 = fmt("%d %d", sub, k);
  for (int i = 0; i < k; ++i)
    if (!append_capped(t.data1, fmt("%04X", r.u16(16 + 2 * static_cast<size_t>(i))),
                       INBOX_DATA1_MAX))
      break;
  t.data2 = header_text(r, 0);
}

std::string entry16(const reader& r, size_t at) {
  std::string e = fmt("%02d-%02d-%02d,%02d:%02d:%02d", r.u8(at), r.u8(at + 1), r.u8(at + 2),
                      r.u8(at + 3), r.u8(at + 4), r.u8(at + 5));
  e += "," + r.text(at + 8, 16) + "," + r.text(at + 24, 16);
  for (size_t b : {at + 6, at + 7})
    e += r.s8(b) == -128 ? std::string(",NULL") : fmt(",%d", r.s8(b));
  return e;
}

std::string entry17(const reader& r, size_t at) {
  return fmt("%u,%d,%d,%f,%f,%d,%f,%d", r.u32(at), r.s8(at + 4), r.s8(at + 5), r.f32(at + 6),
             r.f32(at + 10), r.s16(at + 14), r.f32(at + 16), r.s8(at + 20));
}

std::string mac6(const reader& r, size_t at) {
  return fmt("%02X%02X%02X%02X%02X%02X", r.u8(at + 1), r.u8(at + 2), r.u8(at + 3), r.u8(at + 4),
             r.u8(at + 5), r.u8(at + 6));
}

std::string entry20(const reader& r, size_t at) {
  return mac6(r, at) + fmt(",%d,%d,%f,%f,%f", r.u8(at), r.s8(at + 7), r.f32(at + 16), r.f32(at + 8),
                           r.f32(at + 12));
}

// Entries 1 to 8 go to data1, the rest to data2, blank-separated.
template <class Entry>
void decode_split(reply_texts& t, const reader& r, size_t size, Entry entry) {
  size_t n = r.length / size;
  t.data0 = fmt("%d", static_cast<int>(n));
  for (size_t i = 0; i < n; ++i) {
    if (i < 8)
      append_capped(t.data1, entry(r, i * size), INBOX_DATA1_MAX, " ");
    else if (!append_capped(t.data2, entry(r, i * size), INBOX_DATA2_MAX, " "))
      break;
  }
}

void decode_type4(reply_texts& t, const reader& r) {
  t.data0 = fmt("%d", r.u8(0));
  if (r.length < 5) return;
  t.data1 = fmt("%u", r.u32(1));
  size_t chars = std::min<size_t>((r.length - 5) / 2, REPLY_TEXT_MAX);
  for (size_t i = 0; i < chars; ++i) {
    uint32_t c = r.u16(5 + 2 * i);
    t.data2.push_back(c < 32 || c > 126 || c == '\'' ? '_' : static_cast<char>(c));
  }
}

void decode_type16(reply_texts& t, const reader& r) {
  size_t n = r.length / 40;
  t.data0 = fmt("%d", static_cast<int>(n));
  for (size_t i = 0; i < n; ++i)
    if (!append_capped(t.data1, entry16(r, i * 40), INBOX_DATA1_MAX, " ")) break;
  for (size_t i = n * 40; i < r.length; ++i)
    if (!append_capped(t.data2, r.s8(i) == -128 ? std::string("NULL") : fmt("%d", r.s8(i)),
                       INBOX_DATA2_MAX, ","))
      break;
}

void decode_type19(reply_texts& t, const reader& r) {
  size_t n = r.length / 8;
  t.data0 = fmt("%d", static_cast<int>(n));
  for (size_t i = 0; i < n; ++i) {
    if (!append_capped(t.data1, mac6(r, i * 8), INBOX_DATA1_MAX, " ")) break;
    append_capped(t.data2, fmt("%d,%d", r.u8(i * 8), r.s8(i * 8 + 7)), INBOX_DATA2_MAX, " ");
  }
}

}  // namespace

reply_texts reply_decode(uint16_t type, const uint8_t* data, size_t length) {
  reader r{data, data ? length : 0};
  reply_texts t;
  switch (type) {
    case 2:
      t.app_id = 1;
      t.data0 = r.text(0, 17);
      t.data1 = r.text(17, 151);
      t.data2 = header_text(r, 168);
      break;
    case 4:
      t.app_id = 2;
      decode_type4(t, r);
      break;
    case 6:
      t.app_id = 3;
      t.data0 = fmt("%d", static_cast<int>(r.u16(0)));
      if (r.length >= 6) t.data1 = fmt("%u", r.u32(2));
      if (r.length > 6) t.data2 = r.text(6, REPLY_TEXT_MAX);
      break;
    case 7:
    case 8:
    case 9:
    case 10:
      t.app_id = 4;
      decode_words(t, r, type - 6);
      break;
    case 11:
    case 12:
    case 13:
    case 14:
      t.app_id = 5;
      decode_words(t, r, type - 10);
      break;
    case 15:
      t.app_id = 6;
      for (size_t i = 16; i < 136; ++i) t.data1 += fmt("00%02X", r.u8(i));
      t.data1 = cap(t.data1, INBOX_DATA1_MAX);
      t.data2 = header_text(r, 0);
      break;
    case 16:
      t.app_id = 7;
      decode_type16(t, r);
      break;
    case 17:
      t.app_id = 8;
      decode_split(t, r, 21, entry17);
      break;
    case 19:
      t.app_id = 9;
      decode_type19(t, r);
      break;
    case 20:
      t.app_id = 10;
      decode_split(t, r, 20, entry20);
      break;
    case 21:
      t.app_id = 11;
      t.data0 = fmt("%d", static_cast<int>(r.length));
      hex_bytes(r, 0, 240, t.data1, INBOX_DATA1_MAX);
      hex_bytes(r, 240, 360, t.data2, INBOX_DATA2_MAX);
      break;
    case 22: {
      t.app_id = 12;
      size_t c = r.u8(4);
      t.data0 = fmt("%d", static_cast<int>(c));
      t.data1 = r.length > 5 ? std::string(reinterpret_cast<const char*>(data) + 5,
                                           std::min(c, r.length - 5))
                             : std::string();
      t.data1 = cap(t.data1.substr(0, t.data1.find('\0')), INBOX_DATA1_MAX);
      t.data2 = fmt("%d %d %d", r.u8(0), r.u8(1), static_cast<int>(r.u16(2)));
      break;
    }
    case 65535:
      hex_bytes(r, 0, r.length, t.data1, INBOX_DATA1_MAX);
      break;
    default:
      break;
  }
  t.data0 = cap(t.data0, INBOX_DATA0_MAX);
  t.data1 = cap(t.data1, INBOX_DATA1_MAX);
  t.data2 = cap(t.data2, INBOX_DATA2_MAX);
  return t;
}

std::string safe_file_name(const std::string& name) {
  std::string s = name;
  for (char& c : s)
    if (c == '/' || c == '\\') c = '_';
  if (!s.empty() && s[0] == '.') s[0] = '_';
  return s;
}

// ---- EN 15430 fragment store ----

namespace {

struct fragment {
  uint32_t device_id;
  uint32_t number;
  uint8_t data[FRAGMENT_DATA_MAX];
  size_t length;
  time_t added;
};

pthread_mutex_t g_fragment_lock = PTHREAD_MUTEX_INITIALIZER;
std::vector<fragment> g_fragments;  // in arrival order

struct fragment_guard {
  fragment_guard() { pthread_mutex_lock(&g_fragment_lock); }
  ~fragment_guard() { pthread_mutex_unlock(&g_fragment_lock); }
};

void drop_stale(time_t now) {
  g_fragments.erase(
      std::remove_if(g_fragments.begin(), g_fragments.end(),
                     [now](const fragment& f) { return now - f.added > FRAGMENT_MAX_AGE_S; }),
      g_fragments.end());
}

void store_fragment(uint32_t device_id, uint32_t number, const uint8_t* data, size_t length) {
  fragment_guard guard;
  time_t now = time(nullptr);
  drop_stale(now);
  fragment f = {device_id, number, {}, std::min<size_t>(length, FRAGMENT_DATA_MAX), now};
  if (data) memcpy(f.data, data, f.length);
  size_t held = 0;
  for (fragment& g : g_fragments) {
    if (g.device_id != device_id) continue;
    if (g.number == number) {
      g = f;
      return;
    }
    ++held;
  }
  if (held >= FRAGMENTS_PER_DEVICE_MAX) {
    auto oldest = std::find_if(g_fragments.begin(), g_fragments.end(),
                               [device_id](const fragment& g) { return g.device_id == device_id; });
    g_fragments.erase(oldest);
  }
  g_fragments.push_back(f);
}

bool take_first(uint32_t device_id, fragment* out) {
  fragment_guard guard;
  for (auto it = g_fragments.begin(); it != g_fragments.end(); ++it)
    if (it->device_id == device_id) {
      *out = *it;
      g_fragments.erase(it);
      return true;
    }
  return false;
}

void drop_device(uint32_t device_id) {
  fragment_guard guard;
  g_fragments.erase(
      std::remove_if(g_fragments.begin(), g_fragments.end(),
                     [device_id](const fragment& f) { return f.device_id == device_id; }),
      g_fragments.end());
}

}  // namespace

size_t en15430_fragments_of(uint32_t device_id) {
  fragment_guard guard;
  return static_cast<size_t>(
      std::count_if(g_fragments.begin(), g_fragments.end(),
                    [device_id](const fragment& f) { return f.device_id == device_id; }));
}

void en15430_clear() {
  fragment_guard guard;
  g_fragments.clear();
}

bool en15430_step(db_slot* slot, uint32_t device_id, uint32_t number, const uint8_t* data,
                  size_t length) {
  if (number % 10 != 3) {
    store_fragment(device_id, number, data, length);
    return true;
  }
  std::string trailer = data ? std::string(reinterpret_cast<const char*>(data), length) : "";
  int unused1 = 0, unused2 = 0;
  unsigned utctime = 0, check = 0;
  float f1, f2, f3;
  sscanf(trailer.c_str(), "%d;%d;%u;%f;%f;%f;%x;", &unused1, &unused2, &utctime, &f1, &f2, &f3,
         &check);

  fragment first, next;
  if (!take_first(device_id, &first)) return true;
  std::vector<uint8_t> body(first.data, first.data + first.length);
  uint32_t last_role = first.number % 10;
  if (last_role == 1 && take_first(device_id, &next)) {
    last_role = next.number % 10;
    if (last_role == 2) body.insert(body.end(), next.data, next.data + next.length);
  }
  if (last_role != 0 && last_role != 2) {
    drop_device(device_id);
    return true;
  }
  std::vector<uint8_t> message;
  message.push_back(0x01);
  message.insert(message.end(), body.begin(), body.end());
  message.push_back(0x0D);
  message.push_back(0x0A);
  char crc[5];
  snprintf(crc, sizeof crc, "%04X", check & 0xFFFF);
  message.insert(message.end(), crc, crc + 4);
  message.push_back(0x04);

  std::string q = "insert into en15430(id,add_date,device_id,utctime,rawdata) values(DEFAULT,'";
  str_append_now(q);
  str_appendf(q, "',%u,%u,'", device_id, utctime);
  for (uint8_t b : message) str_appendf(q, "%02X", b);
  q += "')";
  bool stored = db_insert(slot, q.c_str(), nullptr) == 1 ||
                db_store_wrongdata(slot, device_id, "en15430", q.c_str(), nullptr) == 1;
  if (stored) drop_device(device_id);
  return stored;
}

// ---- Events ----

namespace {

void rename_digi(uint32_t outbox_id, const std::string& name) {
  std::string safe = safe_file_name(name);
  if (safe.empty()) return;
  std::string from, to;
  str_appendf(from, "%sdigi_%u.tmp", g_cfg.driver_dir, outbox_id);
  str_appendf(to, "%s%s", g_cfg.driver_dir, safe.c_str());
  rename(from.c_str(), to.c_str());
}

}  // namespace

intptr_t on_reply(intptr_t arg) {
  const ev_reply* ev = reinterpret_cast<const ev_reply*>(arg);
  if (!ev) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  const uint8_t* data = ev->data;
  size_t length = data ? ev->length : 0;
  reply_texts t = reply_decode(ev->type, data, length);
  if (ev->type == 4 && length > 0 && data[0] == 2) rename_digi(ev->outbox_id, t.data2);
  bool en_ok = ev->type != 21 || en15430_step(slot, ev->device_id, ev->outbox_id, data, length);

  std::string q =
      "insert into inbox(id,add_date,device_id,outbox_id,status,app_id,data0,data1,data2) "
      "values(DEFAULT,'";
  str_append_now(q);
  str_appendf(q, "',%u,%u,1,%u,'%s','%s','%s')", ev->device_id, ev->outbox_id, t.app_id,
              sql_text(slot, t.data0.c_str()).c_str(), sql_text(slot, t.data1.c_str()).c_str(),
              sql_text(slot, t.data2.c_str()).c_str());
  bool stored = db_insert(slot, q.c_str(), nullptr) == 1 ||
                db_store_wrongdata(slot, ev->device_id, "inbox", q.c_str(), nullptr) == 1;
  db_release(slot, stored && en_ok);
  return stored ? 1 : 0;
}

intptr_t on_command_result(intptr_t arg) {
  const ev_command_result* ev = reinterpret_cast<const ev_command_result*>(arg);
  if (!ev) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  str_appendf(q, "update outbox set status=%d,sent_date='", ev->outcome != 0 ? 2 : 3);
  str_append_now(q);
  str_appendf(q, "' where id=%u", ev->outbox_id);
  int ok = db_exec(slot, q.c_str());
  db_release(slot, ok == 1);
  return ok;
}

intptr_t on_relay(intptr_t arg) {
  const ev_relay* ev = reinterpret_cast<const ev_relay*>(arg);
  if (!ev || (ev->kind != 1 && ev->kind != 2) || ev->length == 0 || !ev->data) return 1;
  std::vector<uint8_t> block(2 + ev->length);
  block[0] = static_cast<uint8_t>(ev->length);
  block[1] = static_cast<uint8_t>(ev->length >> 8);
  memcpy(block.data() + 2, ev->data, ev->length);
  if (g_comm && g_comm->comm_send_data) g_comm->comm_send_data(ev->key, ev->kind, 1, block.data());
  return 1;
}
