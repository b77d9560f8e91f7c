// The server's log file: one open-append-close per line under the log lock, each line
// prefixed with the hhmmss of the last timer tick.
#include <pthread.h>
#include <time.h>

#include "server/Server.h"

std::atomic<uint32_t> g_log_clock{0};

namespace {
pthread_mutex_t g_log_lock;
bool g_log_lock_ready = false;

void write_line(const char* fmt, va_list ap) {
  FILE* f = fopen(g_cfg.log_file, "a");
  if (!f) return;  // a log line that cannot be written is dropped
  fprintf(f, "%06u ", g_log_clock.load(std::memory_order_relaxed));
  vfprintf(f, fmt, ap);
  fclose(f);
}
}  // namespace

bool log_init() {
  if (g_log_lock_ready) return true;
  if (pthread_mutex_init(&g_log_lock, nullptr) != 0) return false;
  g_log_lock_ready = true;
  return true;
}

void log_done() {
  if (!g_log_lock_ready) return;
  pthread_mutex_destroy(&g_log_lock);
  g_log_lock_ready = false;
}

void log_write(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  if (g_log_lock_ready) pthread_mutex_lock(&g_log_lock);
  write_line(fmt, ap);
  if (g_log_lock_ready) pthread_mutex_unlock(&g_log_lock);
  va_end(ap);
}

void log_write_unlocked(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  write_line(fmt, ap);
  va_end(ap);
}

uint32_t log_clock_of(time_t t) {
  struct tm tm;
  gmtime_r(&t, &tm);
  return static_cast<uint32_t>(tm.tm_hour * 10000 + tm.tm_min * 100 + tm.tm_sec);
}

void str_vappendf(std::string& out, const char* fmt, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  char small[512];
  int n = vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  vsnprintf(&out[at], static_cast<size_t>(n) + 1, fmt, ap);
  out.resize(at + static_cast<size_t>(n));
}

void str_appendf(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  str_vappendf(out, fmt, ap);
  va_end(ap);
}

void str_append_now(std::string& out) {
  time_t t = time(nullptr);
  struct tm tm;
  gmtime_r(&t, &tm);
  str_appendf(out, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
              tm.tm_hour, tm.tm_min, tm.tm_sec);
}
