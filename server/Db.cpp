#include "server/Db.h"

#include <pthread.h>
#include <string.h>
#include <unistd.h>

#include "server/Server.h"

namespace {

db_slot g_slots[DB_SLOT_COUNT];
pthread_mutex_t g_pool_lock;
bool g_pool_ready = false;

int64_t now_seconds() {
  return static_cast<int64_t>(time(nullptr));
}

struct pool_guard {
  pool_guard() { pthread_mutex_lock(&g_pool_lock); }
  ~pool_guard() { pthread_mutex_unlock(&g_pool_lock); }
};

void log_error(db_slot* slot) {
  log_write("Database(%p): %s\n", static_cast<void*>(slot), mysql_error(slot->handle));
}

bool run(db_slot* slot, const char* sql) {
  if (!slot || !slot->handle || !sql) return false;
  if (mysql_real_query(slot->handle, sql, strlen(sql)) != 0) {
    log_error(slot);
    return false;
  }
  g_sql_requests.fetch_add(1, std::memory_order_relaxed);
  return true;
}

// Copies one column into its buffer: cut to size - 1, always terminated, NULL as "NULL".
void copy_column(char* buf, size_t size, const char* value, unsigned long len) {
  if (!buf || size == 0) return;
  if (!value) {
    value = "NULL";
    len = 4;
  }
  size_t n = len < size - 1 ? len : size - 1;
  memcpy(buf, value, n);
  buf[n] = 0;
}

void copy_row(MYSQL_RES* res, MYSQL_ROW row, int columns, va_list ap) {
  unsigned int fields = mysql_num_fields(res);
  unsigned long* lengths = mysql_fetch_lengths(res);
  for (int i = 0; i < columns; ++i) {
    char* buf = va_arg(ap, char*);
    size_t size = va_arg(ap, size_t);
    if (static_cast<unsigned int>(i) >= fields) {
      copy_column(buf, size, nullptr, 0);
      continue;
    }
    copy_column(buf, size, row[i], row[i] ? lengths[i] : 0);
  }
}

bool connect_slot(db_slot* slot) {
  slot->handle = mysql_init(nullptr);
  if (!slot->handle) return false;
  unsigned int timeout = DB_CONNECT_TIMEOUT_S;
  mysql_options(slot->handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  // Tracker texts are single-byte; latin1 keeps every byte as it came.
  mysql_options(slot->handle, MYSQL_SET_CHARSET_NAME, "latin1");
  // A configured port means TCP, also for the host name localhost (which the client library
  // would otherwise take as its default local socket).
  if (g_cfg.sql_port > 0) {
    unsigned int tcp = MYSQL_PROTOCOL_TCP;
    mysql_options(slot->handle, MYSQL_OPT_PROTOCOL, &tcp);
  }
  if (!mysql_real_connect(slot->handle, g_cfg.sql_host, g_cfg.sql_user, g_cfg.sql_passwd,
                          g_cfg.sql_database, static_cast<unsigned int>(g_cfg.sql_port), nullptr,
                          0)) {
    log_error(slot);
    mysql_close(slot->handle);
    slot->handle = nullptr;
    return false;
  }
  log_write("Database(%p): Connected\n", static_cast<void*>(slot));
  return true;
}

}  // namespace

bool db_init() {
  if (!g_pool_ready) {
    if (pthread_mutex_init(&g_pool_lock, nullptr) != 0) return false;
    g_pool_ready = true;
  }
  for (db_slot& s : g_slots) {
    s.in_use = 0;
    s.connected = 0;
    s.last_used = 0;
    s.handle = nullptr;
    s.kept = nullptr;
  }
  return true;
}

void db_done() {
  if (!g_pool_ready) return;
  for (db_slot& s : g_slots) {
    pool_guard guard;
    s.in_use = 0;
    if (s.connected) {
      db_close(&s);
      s.connected = 0;
    }
  }
  pthread_mutex_destroy(&g_pool_lock);
  g_pool_ready = false;
}

db_slot* db_slots() {
  return g_slots;
}

db_slot* db_acquire() {
  for (int pass = 0; pass < DB_ACQUIRE_PASSES; ++pass) {
    for (db_slot& s : g_slots) {
      {
        pool_guard guard;
        if (s.in_use) continue;
        s.in_use = 1;
        s.last_used = now_seconds();
        if (s.connected) return &s;
      }
      if (!connect_slot(&s)) {
        pool_guard guard;
        s.in_use = 0;
        return nullptr;
      }
      pool_guard guard;
      s.connected = 1;
      return &s;
    }
    if (pass + 1 < DB_ACQUIRE_PASSES) usleep(DB_PASS_WAIT_MS * 1000);
  }
  log_write("Database: can't get free connection\n");
  return nullptr;
}

void db_close(db_slot* slot) {
  if (slot->kept) {
    mysql_free_result(slot->kept);
    slot->kept = nullptr;
  }
  if (slot->handle) {
    mysql_close(slot->handle);
    slot->handle = nullptr;
  }
  log_write("Database(%p): Disconnected\n", static_cast<void*>(slot));
}

void db_release(db_slot* slot, bool ok) {
  if (!slot) return;
  if (slot->kept) db_free_rows(slot);
  if (ok) {
    if (slot->connected) slot->last_used = now_seconds();
  } else if (slot->connected) {
    db_close(slot);
    pool_guard guard;
    slot->connected = 0;
  }
  pool_guard guard;
  slot->in_use = 0;
}

int db_select_row(db_slot* slot, const char* sql, int columns, ...) {
  if (!run(slot, sql)) return -1;
  MYSQL_RES* res = mysql_store_result(slot->handle);
  if (!res) {
    if (mysql_field_count(slot->handle) == 0) return 0;  // no result set: 0 rows
    log_error(slot);
    return -1;
  }
  int rows = static_cast<int>(mysql_num_rows(res));
  if (rows > 0) {
    MYSQL_ROW row = mysql_fetch_row(res);
    if (row) {
      va_list ap;
      va_start(ap, columns);
      copy_row(res, row, columns, ap);
      va_end(ap);
    }
  }
  mysql_free_result(res);
  return rows;
}

int db_select_rows(db_slot* slot, const char* sql) {
  if (slot && slot->kept) db_free_rows(slot);
  if (!run(slot, sql)) return -1;
  slot->kept = mysql_store_result(slot->handle);
  if (!slot->kept) {
    if (mysql_field_count(slot->handle) == 0) return 0;
    log_error(slot);
    return -1;
  }
  return static_cast<int>(mysql_num_rows(slot->kept));
}

int db_next_row(db_slot* slot, int columns, ...) {
  if (!slot || !slot->kept) return 0;
  MYSQL_ROW row = mysql_fetch_row(slot->kept);
  if (!row) return 0;
  va_list ap;
  va_start(ap, columns);
  copy_row(slot->kept, row, columns, ap);
  va_end(ap);
  return 1;
}

void db_free_rows(db_slot* slot) {
  if (slot && slot->kept) {
    mysql_free_result(slot->kept);
    slot->kept = nullptr;
  }
}

int db_insert(db_slot* slot, const char* sql, uint32_t* new_id) {
  if (!run(slot, sql)) return 0;
  if (new_id) *new_id = static_cast<uint32_t>(mysql_insert_id(slot->handle));
  return 1;
}

int db_exec(db_slot* slot, const char* sql) {
  return run(slot, sql) ? 1 : 0;
}

int db_store_wrongdata(db_slot* slot, uint32_t device_id, const char* table, const char* sql,
                       uint32_t* new_id) {
  // The failed statement is kept whole as a binary value, however long it is.
  std::string q = "insert into wrongdata(id,add_date,device_id,name,query) values(DEFAULT,'";
  str_append_now(q);
  str_appendf(q, "',%u,'%s',x'", device_id, table);
  static const char kHex[] = "0123456789abcdef";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(sql); *p; ++p) {
    q.push_back(kHex[*p >> 4]);
    q.push_back(kHex[*p & 15]);
  }
  q += "')";
  return db_insert(slot, q.c_str(), new_id);
}

void db_escape(db_slot* slot, std::string& out, const char* text, size_t len) {
  if (!text || len == 0) return;
  if (slot && slot->handle) {
    size_t at = out.size();
    out.resize(at + len * 2 + 1);
    unsigned long n = mysql_real_escape_string(slot->handle, &out[at], text, len);
    out.resize(at + n);
    return;
  }
  // Without a connection (statements built for inspection): the client library's rules for
  // a single-byte character set.
  for (size_t i = 0; i < len; ++i) {
    char c = text[i];
    switch (c) {
      case 0:
        out += "\\0";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\'':
        out += "\\'";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\032':
        out += "\\Z";
        break;
      default:
        out.push_back(c);
    }
  }
}

void db_escape(db_slot* slot, std::string& out, const char* text) {
  if (text) db_escape(slot, out, text, strlen(text));
}

void db_idle_sweep(int64_t now, int timeout) {
  for (db_slot& s : g_slots) {
    pool_guard guard;
    if (!s.in_use && s.connected && now - s.last_used > timeout) {
      db_close(&s);
      s.connected = 0;
    }
  }
}

int db_connected_count() {
  int n = 0;
  pool_guard guard;
  for (const db_slot& s : g_slots) n += s.connected ? 1 : 0;
  return n;
}
