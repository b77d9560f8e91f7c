// RavokSrv's program: start-up, the one-second timer with its status display, shutdown.
// Without a window system the status window is an eight-row block redrawn on the terminal
// every second, and the start-up message boxes are lines on stderr.
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "server/Db.h"
#include "server/Outbox.h"
#include "server/Server.h"

namespace {

enum { STATUS_ROWS = 8, OUTBOX_POLL_TICKS = 30, TIMER_PERIOD_MS = 1000, QUIT_CHECK_MS = 50 };

const char* const kLabels[STATUS_ROWS] = {
    "Current date:",         "Current time:",     "Logged devices",        "Logged configs:",
    "Total received bytes:", "Total send bytes:", "Database connections:", "SQL requests:",
};

volatile sig_atomic_t g_quit = 0;
comm_settings g_settings;  // stays in place while the library runs

void on_signal(int) {
  g_quit = 1;
}

// Stands in for a message box of the start-up: the text on stderr, exit code 1.
int startup_failure(const char* text) {
  fprintf(stderr, "%s\n", text);
  return 1;
}

std::string default_library_path() {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "libravokcomm.so";
  exe[n] = 0;
  std::string dir(exe);
  size_t slash = dir.rfind('/');
  dir = slash == std::string::npos ? "." : dir.substr(0, slash);
  return dir + "/libravokcomm.so";
}

class status_display {
 public:
  status_display() : tty_(isatty(STDOUT_FILENO) == 1) {}

  // The window's first paint: the labels only.
  void paint_labels() {
    if (!tty_) return;
    for (const char* label : kLabels) printf("%-24s\n", label);
    fflush(stdout);
  }

  void draw(time_t now) {
    if (!tty_) return;
    struct tm tm;
    gmtime_r(&now, &tm);
    char values[STATUS_ROWS][64];
    snprintf(values[0], 64, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    snprintf(values[1], 64, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    snprintf(values[2], 64, "%d   ", g_comm->comm_device_count());
    snprintf(values[3], 64, "%d   ", g_comm->comm_config_count());
    snprintf(values[4], 64, "%u", g_comm->comm_bytes_received());
    snprintf(values[5], 64, "%u", g_comm->comm_bytes_sent());
    snprintf(values[6], 64, "%d", db_connected_count());
    snprintf(values[7], 64, "%u", g_sql_requests.load());
    printf("\033[%dF", STATUS_ROWS);  // back to the first row
    for (int i = 0; i < STATUS_ROWS; ++i) printf("%-24s%s\033[K\n", kLabels[i], values[i]);
    fflush(stdout);
  }

 private:
  bool tty_;
};

void timer_tick(status_display& status, int& ticks) {
  time_t now = time(nullptr);
  g_log_clock.store(log_clock_of(now));
  status.draw(now);
  db_idle_sweep(static_cast<int64_t>(now), g_cfg.sql_timeout);
  if (++ticks >= OUTBOX_POLL_TICKS) {
    ticks = 0;
    outbox_poll();
  }
}

void run_message_loop() {
  status_display status;
  status.paint_labels();
  int ticks = 0;
  auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(TIMER_PERIOD_MS);
  while (!g_quit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(QUIT_CHECK_MS));
    if (std::chrono::steady_clock::now() < next) continue;
    next += std::chrono::milliseconds(TIMER_PERIOD_MS);
    timer_tick(status, ticks);
  }
}

}  // namespace

int server_main(int argc, char** argv) {
  std::string config_path, library_path;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--comm") == 0 && i + 1 < argc) {
      library_path = argv[++i];
      continue;
    }
    if (!config_path.empty()) config_path += ' ';
    config_path += argv[i];
  }
  bool default_file = config_path.empty();
  if (default_file) config_path = "Server.cfg";
  if (library_path.empty()) library_path = default_library_path();

  if (!config_read(config_path.c_str(), &g_cfg))
    return startup_failure(default_file ? "Error in config file (Server.cfg)"
                                        : "Error in config file");
  log_write_unlocked("Uruchomienie programu %s\n", SERVER_VERSION);
  config_echo(&g_cfg);
  if (!db_init()) return startup_failure("Can't create mutex #1");
  if (!log_init()) return startup_failure("Can't create mutex #2");

  void* library = nullptr;
  g_comm = server_init() ? comm_load(library_path.c_str(), &library) : nullptr;
  memset(&g_settings, 0, sizeof g_settings);
  g_settings.device_port = g_cfg.device_port;
  g_settings.telnet_port = g_cfg.telnet_port;
  g_settings.rcv_timeout = g_cfg.rcv_timeout;
  g_settings.snd_timeout = g_cfg.snd_timeout;
  g_settings.cmmd_timeout = g_cfg.cmmd_timeout;
  g_settings.ublox_token = g_cfg.ublox_present ? g_cfg.ublox_token : nullptr;
  g_settings.callback = server_callback;
  if (!g_comm || g_comm->comm_start(&g_settings) == 0) {
    g_comm = nullptr;
    comm_unload(library);
    return startup_failure("App: Can't initialize library");
  }
  log_write("App: LibThreads=%d\n", g_comm->comm_thread_count());
  log_write("App: LibVersion=%s\n", g_comm->comm_version());

  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_signal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  run_message_loop();

  g_comm->comm_stop();
  db_done();
  log_done();
  g_comm = nullptr;
  comm_unload(library);
  return 0;
}
