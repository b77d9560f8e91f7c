// Device records, UDP modes, location storage and the small lookups of the library.
#include "server/Handlers.h"

#include <stdlib.h>
#include <string.h>

#include <cmath>

#include "server/Server.h"

std::atomic<uint32_t> g_login_number{1};

namespace {

enum {
  IMEI_SIZE = 16,
  DSCR_SIZE = 16,
  CCID_SIZE = 21,
  VIN_SIZE = 18,
  VRN_SIZE = 14,
  TACHOFW_SIZE = 16,
  NUMBER_SIZE = 11,
};

const char* text_or_empty(const char* t) {
  return t ? t : "";
}

uint32_t le_u(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

uint64_t le_u64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

uint32_t parse_u32(const char* t) {
  return static_cast<uint32_t>(strtoul(t, nullptr, 10));
}
int32_t parse_s32(const char* t) {
  return static_cast<int32_t>(strtol(t, nullptr, 10));
}

}  // namespace

std::string sql_text(db_slot* slot, const char* text) {
  std::string out;
  db_escape(slot, out, text_or_empty(text));
  return out;
}

bool loc_format_value(db_slot* slot, const loc_row& row, const uint8_t* v, std::string& out) {
  switch (row.type) {
    case LT_U8:
      str_appendf(out, "%d", v[0]);
      return true;
    case LT_S8: {
      int x = static_cast<int8_t>(v[0]);
      if (x == -128) return false;
      str_appendf(out, "%d", x);
      return true;
    }
    case LT_U16:
      str_appendf(out, "%d", static_cast<int>(le_u(v, 2)));
      return true;
    case LT_S16: {
      int x = static_cast<int16_t>(le_u(v, 2));
      if (x == -32768) return false;
      str_appendf(out, "%d", x);
      return true;
    }
    case LT_U32:
      str_appendf(out, "%u", le_u(v, 4));
      return true;
    case LT_S32: {
      int32_t x = static_cast<int32_t>(le_u(v, 4));
      if (x == INT32_MIN) return false;
      str_appendf(out, "%d", x);
      return true;
    }
    case LT_FLOAT: {
      uint32_t bits = le_u(v, 4);
      float f;
      memcpy(&f, &bits, 4);
      if (std::isinf(f) && f > 0) return false;
      str_appendf(out, "%f", static_cast<double>(f));
      return true;
    }
    case LT_DATETIME:
      if (v[0] == 0) return false;
      str_appendf(out, "'%04d-%02d-%02d %02d:%02d:%02d'", v[0] + 2000, v[1], v[2], v[3], v[4],
                  v[5]);
      return true;
    case LT_S64: {
      int64_t x = static_cast<int64_t>(le_u64(v));
      if (x == INT64_MIN) return false;
      str_appendf(out, "%lld", static_cast<long long>(x));
      return true;
    }
    case LT_TEXT: {
      size_t n = 0;
      while (n < row.len && n < LOC_VALUE_MAX && v[n]) ++n;
      out.push_back('\'');
      db_escape(slot, out, reinterpret_cast<const char*>(v), n);
      out.push_back('\'');
      return true;
    }
    case LT_DOUBLE: {
      uint64_t bits = le_u64(v);
      double d;
      memcpy(&d, &bits, 8);
      if (std::isinf(d) && d > 0) return false;
      str_appendf(out, "%lf", d);
      return true;
    }
    case LT_BYTES:
      out += "0x";
      for (uint32_t i = 0; i < row.len && i < LOC_VALUE_MAX; ++i) str_appendf(out, "%02X", v[i]);
      return true;
  }
  return false;
}

void loc_build_lists(db_slot* slot, const loc_item* items, std::string& columns,
                     std::string& values) {
  // The list is built by the library; a cycle would never end, so the walk is bounded.
  int guard = 0;
  for (const loc_item* it = items; it && guard < 65536; it = it->next, ++guard) {
    const loc_row* row = loc_find(it->id, it->len);
    if (!row || !it->value) continue;
    std::string text;
    if (!loc_format_value(slot, *row, it->value, text)) continue;
    columns += ',';
    columns += row->column;
    values += ',';
    values += text;
  }
}

std::string loc_insert_statement(db_slot* slot, const ev_location* ev) {
  std::string columns = "id,locdatetime,device_id,seqno,event";
  std::string values = "DEFAULT,'";
  str_append_now(values);
  str_appendf(values, "',%u,%u,%u", ev->device_id, ev->seqno, ev->event);
  loc_build_lists(slot, ev->items, columns, values);
  std::string q;
  q.reserve(columns.size() + values.size() + 32);
  q = "insert into locdata(";
  q += columns;
  q += ") values(";
  q += values;
  q += ')';
  return q;
}

intptr_t on_device_login(intptr_t arg) {
  const ev_device_login* ev = reinterpret_cast<const ev_device_login*>(arg);
  if (!ev) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;

  std::string imei = sql_text(slot, ev->imei);
  std::string q;
  str_appendf(q,
              "select id,dscr,ccid,version,udpmode,vin,vrn,tachofw,status,crcc from devices "
              "where imei='%s'",
              imei.c_str());
  char id[NUMBER_SIZE], dscr[DSCR_SIZE], ccid[CCID_SIZE], version[NUMBER_SIZE],
      udpmode[NUMBER_SIZE], vin[VIN_SIZE], vrn[VRN_SIZE], tachofw[TACHOFW_SIZE],
      status[NUMBER_SIZE], crcc[NUMBER_SIZE];
  int rows =
      db_select_row(slot, q.c_str(), 10, id, sizeof id, dscr, sizeof dscr, ccid, sizeof ccid,
                    version, sizeof version, udpmode, sizeof udpmode, vin, sizeof vin, vrn,
                    sizeof vrn, tachofw, sizeof tachofw, status, sizeof status, crcc, sizeof crcc);
  uint32_t device_id = 0, mode = 0;
  bool ok = true;
  if (rows == 0) {
    q.clear();
    str_appendf(
        q,
        "insert into devices(id,imei,dscr,ccid,version,udpmode,vin,vrn,tachofw,status,crcc) "
        "values(DEFAULT,'%s','%s','%s',%d,0,'%s','%s','%s',%d,%u)",
        imei.c_str(), sql_text(slot, ev->dscr).c_str(), sql_text(slot, ev->ccid).c_str(),
        ev->version, sql_text(slot, ev->vin).c_str(), sql_text(slot, ev->vrn).c_str(),
        sql_text(slot, ev->tachofw).c_str(), ev->status, ev->crcc);
    ok = db_insert(slot, q.c_str(), &device_id) == 1;
  } else if (rows == 1) {
    device_id = parse_u32(id);
    mode = parse_u32(udpmode);
    bool same = strcmp(dscr, text_or_empty(ev->dscr)) == 0 &&
                strcmp(ccid, text_or_empty(ev->ccid)) == 0 && parse_s32(version) == ev->version &&
                strcmp(vin, text_or_empty(ev->vin)) == 0 &&
                strcmp(vrn, text_or_empty(ev->vrn)) == 0 &&
                strcmp(tachofw, text_or_empty(ev->tachofw)) == 0 &&
                parse_s32(status) == ev->status && parse_u32(crcc) == ev->crcc;
    if (!same) {
      q.clear();
      str_appendf(q,
                  "update devices set dscr='%s',ccid='%s',version=%d,vin='%s',vrn='%s',"
                  "tachofw='%s',status=%d,crcc=%u where id=%u",
                  sql_text(slot, ev->dscr).c_str(), sql_text(slot, ev->ccid).c_str(), ev->version,
                  sql_text(slot, ev->vin).c_str(), sql_text(slot, ev->vrn).c_str(),
                  sql_text(slot, ev->tachofw).c_str(), ev->status, ev->crcc, device_id);
      ok = db_exec(slot, q.c_str()) == 1;
    }
  } else {
    ok = false;
  }
  db_release(slot, ok);
  if (!ok) return 0;
  login_block* b = static_cast<login_block*>(comm_block(sizeof(login_block)));
  if (!b) return 0;
  b->device_id = device_id;
  b->udpmode = mode;
  return reinterpret_cast<intptr_t>(b);
}

intptr_t on_get_udp_mode(intptr_t arg) {
  uint32_t device_id = static_cast<uint32_t>(arg);
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  str_appendf(q, "select udpmode from devices where id=%u", device_id);
  char mode[NUMBER_SIZE];
  int rows = db_select_row(slot, q.c_str(), 1, mode, sizeof mode);
  db_release(slot, rows == 0 || rows == 1);
  if (rows != 1) return 0;
  udp_mode_block* b = static_cast<udp_mode_block*>(comm_block(sizeof(udp_mode_block)));
  if (!b) return 0;
  b->udpmode = parse_u32(mode);
  return reinterpret_cast<intptr_t>(b);
}

// Runs one statement on a pooled connection; 1 when it succeeded.
static intptr_t exec_one(const std::string& q) {
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  int ok = db_exec(slot, q.c_str());
  db_release(slot, ok == 1);
  return ok;
}

intptr_t on_set_udp_mode(intptr_t arg) {
  const ev_set_udp_mode* ev = reinterpret_cast<const ev_set_udp_mode*>(arg);
  if (!ev) return 0;
  std::string q;
  str_appendf(q, "update devices set udpmode=%u where id=%u", ev->mode - 1, ev->device_id);
  return exec_one(q);
}

intptr_t on_location(intptr_t arg) {
  const ev_location* ev = reinterpret_cast<const ev_location*>(arg);
  if (!ev) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string insert = loc_insert_statement(slot, ev);
  uint32_t loc_id = 0;
  bool ok;
  if (db_insert(slot, insert.c_str(), &loc_id)) {
    std::string q;
    str_appendf(q, "select locdata_id from recentdata where device_id=%u", ev->device_id);
    char dummy[NUMBER_SIZE];
    int rows = db_select_row(slot, q.c_str(), 1, dummy, sizeof dummy);
    q.clear();
    if (rows == 0)
      str_appendf(q,
                  "insert into recentdata(id,device_id,locdata_id,seqno) values(DEFAULT,%u,%u,%u)",
                  ev->device_id, loc_id, ev->seqno);
    else if (rows == 1)
      str_appendf(q, "update recentdata set locdata_id=%u,seqno=%u where device_id=%u", loc_id,
                  ev->seqno, ev->device_id);
    ok = !q.empty() && db_exec(slot, q.c_str()) == 1;
  } else {
    ok = db_store_wrongdata(slot, ev->device_id, "locdata", insert.c_str(), nullptr) == 1;
  }
  db_release(slot, ok);
  return ok ? 1 : 0;
}

intptr_t on_get_seqno(intptr_t arg) {
  int device_id = static_cast<int>(arg);
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  str_appendf(q, "select seqno from recentdata where device_id=%d", device_id);
  char seqno[NUMBER_SIZE];
  int rows = db_select_row(slot, q.c_str(), 1, seqno, sizeof seqno);
  db_release(slot, rows == 0 || rows == 1);
  return rows == 1 ? static_cast<intptr_t>(parse_u32(seqno)) : 0;
}

intptr_t on_check_password(intptr_t arg) {
  const ev_check_password* ev = reinterpret_cast<const ev_check_password*>(arg);
  if (!ev || !ev->password || strcmp(ev->password, g_cfg.telnet_passwd) != 0) return 0;
  return static_cast<intptr_t>(g_login_number.fetch_add(1));
}

static void copy_text(char* dst, size_t size, const char* src) {
  size_t n = strnlen(src, size - 1);
  memcpy(dst, src, n);
  dst[n] = 0;
}

intptr_t on_list_devices(intptr_t) {
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  int rows = db_select_rows(slot, "select id,imei,dscr,udpmode from devices");
  if (rows < 0) {
    db_release(slot, false);
    return 0;
  }
  device_block* first = nullptr;
  device_block* last = nullptr;
  char id[NUMBER_SIZE], imei[IMEI_SIZE], dscr[DSCR_SIZE], mode[NUMBER_SIZE];
  while (db_next_row(slot, 4, id, sizeof id, imei, sizeof imei, dscr, sizeof dscr, mode,
                     sizeof mode)) {
    device_block* b = static_cast<device_block*>(comm_block(sizeof(device_block)));
    if (!b) break;
    memset(b, 0, sizeof *b);
    copy_text(b->imei, sizeof b->imei, imei);
    copy_text(b->dscr, sizeof b->dscr, dscr);
    b->device_id = parse_u32(id);
    b->udpmode = parse_u32(mode);
    if (last)
      last->next = b;
    else
      first = b;
    last = b;
  }
  db_free_rows(slot);
  db_release(slot, true);
  return reinterpret_cast<intptr_t>(first);
}

intptr_t on_log(intptr_t arg) {
  const char* text = reinterpret_cast<const char*>(arg);
  if (text) log_write("%s", text);
  return 1;
}

intptr_t on_find_device(intptr_t arg) {
  const char* imei = reinterpret_cast<const char*>(arg);
  if (!imei) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  str_appendf(q, "select id from devices where imei='%s'", sql_text(slot, imei).c_str());
  char id[NUMBER_SIZE];
  int rows = db_select_row(slot, q.c_str(), 1, id, sizeof id);
  db_release(slot, rows == 0 || rows == 1);
  return rows == 1 ? static_cast<intptr_t>(parse_u32(id)) : 0;
}

intptr_t on_peer_check(intptr_t arg) {
  static const uint8_t kPeer[6] = {0x7F, 0x00, 0x00, 0x01, 0x90, 0x1F};
  const ev_peer_check* ev = reinterpret_cast<const ev_peer_check*>(arg);
  if (!ev || !ev->address) return 0;
  if ((ev->kind == 1 || ev->kind == 2) && memcmp(ev->address, kPeer, sizeof kPeer) == 0)
    return ev->kind;
  return 0;
}

intptr_t on_nop(intptr_t) {
  return 1;
}

intptr_t on_kind_info(intptr_t arg) {
  const ev_kind_info* ev = reinterpret_cast<const ev_kind_info*>(arg);
  kind_info_block* b = static_cast<kind_info_block*>(comm_block(sizeof(kind_info_block)));
  if (!b) return 0;
  memset(b, 0, sizeof *b);
  uint32_t kind = ev ? ev->kind : 0;
  if (kind == 1 || kind == 2)
    b->words[0] = 1;
  else if (kind == 3)
    b->words[0] = 2;
  return reinterpret_cast<intptr_t>(b);
}

intptr_t on_device_update(intptr_t arg) {
  const ev_device_update* ev = reinterpret_cast<const ev_device_update*>(arg);
  if (!ev) return 0;
  db_slot* slot = db_acquire();
  if (!slot) return 0;
  std::string q;
  str_appendf(q,
              "update devices set version=%d,vin='%s',vrn='%s',tachofw='%s',status=%d,crcc=%u "
              "where id=%u",
              ev->version, sql_text(slot, ev->vin).c_str(), sql_text(slot, ev->vrn).c_str(),
              sql_text(slot, ev->tachofw).c_str(), ev->status, ev->crcc, ev->device_id);
  int ok = db_exec(slot, q.c_str());
  db_release(slot, ok == 1);
  return ok;
}
