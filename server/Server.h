// RavokSrv: shared state and the functions every part of the server uses.
#pragma once

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <string>

#include "comm/ravokcomm.h"

#define SERVER_VERSION "1.001.084"

enum { CFG_TEXT_SIZE = 256, CFG_LINE_SIZE = 256 };

struct server_config {
  int device_port;
  int telnet_port;
  char log_file[CFG_TEXT_SIZE];
  char sql_database[CFG_TEXT_SIZE];
  char sql_host[CFG_TEXT_SIZE];
  char sql_user[CFG_TEXT_SIZE];
  char sql_passwd[CFG_TEXT_SIZE];
  int sql_port;
  char telnet_passwd[CFG_TEXT_SIZE];
  int rcv_timeout;
  int snd_timeout;
  int cmmd_timeout;
  int sql_timeout;
  char driver_dir[CFG_TEXT_SIZE];
  char scanner_dir[CFG_TEXT_SIZE];
  char firmware_dir[CFG_TEXT_SIZE];
  char ublox_token[CFG_TEXT_SIZE];
  bool ublox_present;
};

extern server_config g_cfg;

// Counters shared by all threads.
extern std::atomic<uint32_t> g_sql_requests;  // statements that succeeded
extern std::atomic<uint32_t> g_log_clock;     // hhmmss of the last timer tick, 0 before it
extern std::atomic<uint32_t> g_login_number;  // next number handed to a manager login

// ---- Configuration ----
// Reads the 17-line configuration; returns true when it is valid.
bool config_read(const char* path, server_config* cfg);
// Writes the start-up echo (passwords never shown) through log_write_unlocked.
void config_echo(const server_config* cfg);

// ---- Log ----
bool log_init();  // creates the log lock; false when it cannot be created
void log_done();
void log_write(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void log_write_unlocked(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// hhmmss of a UTC time, the log prefix clock's value.
uint32_t log_clock_of(time_t t);

// ---- Text helpers ----
// Appends printf-style text to out; out grows as needed.
void str_appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void str_vappendf(std::string& out, const char* fmt, va_list ap);
// Appends the current UTC time as 'YYYY-MM-DD hh:mm:ss' without quotes.
void str_append_now(std::string& out);

// ---- Communications library ----
// The bound operations table; null until bound.
extern const comm_table* g_comm;
// Loads the library at path and binds its table; null (and the handle closed) on failure.
const comm_table* comm_load(const char* path, void** handle);
void comm_unload(void* handle);
// Allocates a result block through the library; null when none is bound or it fails.
void* comm_block(uint32_t size);

// ---- The event entry point ----
extern "C" intptr_t server_callback(int32_t event, intptr_t arg);

// Sets the process-wide state before any event: library init of the client, the pool lock.
bool server_init();
void server_done();

// ---- Program ----
// The whole program: start-up, timer loop, shutdown. Returns the exit code.
int server_main(int argc, char** argv);
