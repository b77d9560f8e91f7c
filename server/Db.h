// The pool of ten MariaDB/MySQL connections and the statement operations every handler uses.
#pragma once

#include <mysql.h>
#include <stddef.h>
#include <stdint.h>
#include <time.h>

#include <string>

enum {
  DB_SLOT_COUNT = 10,
  DB_ACQUIRE_PASSES = 10,
  DB_PASS_WAIT_MS = 1000,
  DB_CONNECT_TIMEOUT_S = 10,
};

struct db_slot {
  unsigned char in_use;
  unsigned char connected;
  int64_t last_used;
  MYSQL* handle;
  MYSQL_RES* kept;
};

// Marks all slots free and disconnected and creates the pool lock; false when it cannot.
bool db_init();
// Closes every connected slot and destroys the pool lock.
void db_done();

db_slot* db_acquire();
void db_release(db_slot* slot, bool ok);
void db_close(db_slot* slot);

// Column buffers are passed as (char* buffer, size_t size) pairs after the column count.
int db_select_row(db_slot* slot, const char* sql, int columns, ...);
int db_select_rows(db_slot* slot, const char* sql);
int db_next_row(db_slot* slot, int columns, ...);
void db_free_rows(db_slot* slot);
int db_insert(db_slot* slot, const char* sql, uint32_t* new_id);
int db_exec(db_slot* slot, const char* sql);
int db_store_wrongdata(db_slot* slot, uint32_t device_id, const char* table, const char* sql,
                       uint32_t* new_id);

// Appends text escaped for a quoted SQL value (the slot's connection decides the escaping).
void db_escape(db_slot* slot, std::string& out, const char* text, size_t len);
void db_escape(db_slot* slot, std::string& out, const char* text);

// Closes free connections idle for more than timeout seconds at time now.
void db_idle_sweep(int64_t now, int timeout);
int db_connected_count();

// The slot array, for tests that look at the flags.
db_slot* db_slots();
