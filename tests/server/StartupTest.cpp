// RavokSrv as a process: start-up failures with their texts and exit codes, the start-up log,
// the command port of the real library, and SIGTERM closing it like the window.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/server/LineClient.h"
#include "tests/server/ServerFixture.h"

using namespace srvtest;

namespace {

// A started server; one the test did not see end is killed when the test leaves.
struct process {
  pid_t pid = -1;
  std::string err_path;
  bool ended = false;
  process() = default;
  process(const process&) = delete;
  process(process&& o) noexcept : pid(o.pid), err_path(std::move(o.err_path)), ended(o.ended) {
    o.pid = -1;
  }
  ~process() {
    if (pid > 0 && !ended) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

process spawn(const std::string& cwd, const std::vector<std::string>& args) {
  process p;
  p.err_path = cwd + "stderr.txt";
  p.pid = fork();
  if (p.pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    int fd = open(p.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(RAVOKSRV_PATH));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(RAVOKSRV_PATH, argv.data());
    _exit(127);
  }
  return p;
}

// Exit code, or -1 when it did not end in time (then it is killed).
int wait_exit(process& p, int timeout_ms = 10000) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    int status;
    if (waitpid(p.pid, &status, WNOHANG) == p.pid) {
      p.ended = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;  // the destructor kills it
}

std::string config_text(const std::string& dir, int device_port, int telnet_port,
                        const char* token_line = "UBLOX_TOKEN=tok") {
  return "DEVICE_PORT=" + std::to_string(device_port) +
         "\nTELNET_PORT=" + std::to_string(telnet_port) + "\nLOG_FILE=" + dir +
         "server.log\nSQL_DATABASE=ravok\nSQL_HOST=127.0.0.1\nSQL_USER=u\nSQL_PASSWD=dbsecret\n"
         "SQL_PORT=1\nTELNET_PASSWD=telsecret\nRCV_TIMEOUT=10\nSND_TIMEOUT=10\nCMMD_TIMEOUT=60\n"
         "SQL_TIMEOUT=60\nDRIVER_DIR=" +
         dir + "\nSCANNER_DIR=" + dir + "\nFIRMWARE_DIR=" + dir + "\n" + token_line + "\n";
}

void write(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

TEST(Startup, FailuresShowTheirTextAndExitWithOne) {
  std::string dir = temp_dir();
  write(dir + "short.cfg", "DEVICE_PORT=1\n");
  write(dir + "good.cfg", config_text(dir, free_port(), free_port()));
  const struct {
    std::vector<std::string> args;
    const char* text;
  } cases[] = {
      {{}, "Error in config file (Server.cfg)\n"},
      {{dir + "short.cfg"}, "Error in config file\n"},
      {{dir + "missing.cfg"}, "Error in config file\n"},
      {{"--comm", dir + "nothing.so", dir + "good.cfg"}, "App: Can't initialize library\n"},
      {{"--comm", NOTABLE_PATH, dir + "good.cfg"}, "App: Can't initialize library\n"},
  };
  for (const auto& c : cases) {
    process p = spawn(dir, c.args);
    EXPECT_EQ(wait_exit(p), 1) << c.text;
    EXPECT_EQ(read_file(p.err_path), c.text);
  }
  EXPECT_EQ(read_file(dir + "server.log").substr(0, 38), "000000 Uruchomienie programu 1.001.084");
}

TEST(Startup, PortInUseStopsTheLibrary) {
  std::string dir = temp_dir();
  int port = free_port();
  write(dir + "Server.cfg", config_text(dir, port, port));  // both on one port: the second fails
  process p = spawn(dir, {"--comm", RAVOKCOMM_PATH});
  EXPECT_EQ(wait_exit(p), 1);
  EXPECT_EQ(read_file(p.err_path), "App: Can't initialize library\n");
}

TEST(Startup, RunsServesTheCommandPortAndStopsOnSigterm) {
  std::string dir = temp_dir();
  int telnet = free_port();
  write(dir + "my Server.cfg", config_text(dir, free_port(), telnet, "UBLOX_TOKEN="));
  // The library is found next to the program; the path with a blank is two arguments.
  process p = spawn(dir, {dir + "my", "Server.cfg"});
  std::string log;
  for (int i = 0; i < 200 && log.find("App: LibVersion=") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    log = read_file(dir + "server.log");
  }
  ASSERT_NE(log.find("000000 App: LibThreads=4\n"), std::string::npos) << log;
  EXPECT_NE(log.find("App: LibVersion=RavokComm 1.0.0\n"), std::string::npos);
  EXPECT_NE(log.find("000000 TELNET_PASSWD=***\n000000 RCV_TIMEOUT=10\n"), std::string::npos);
  EXPECT_NE(log.find("000000 UBLOX_TOKEN=\n"), std::string::npos);
  EXPECT_EQ(log.find("secret"), std::string::npos);

  LineClient c;
  ASSERT_TRUE(c.connect(telnet));
  EXPECT_EQ(c.read_until("username:"), "username:");
  c.send_line("u");
  EXPECT_EQ(c.read_until("passwd:"), "passwd:");
  c.send_line("telsecret");
  EXPECT_EQ(c.read_until("command:\r\n"), "command:\r\n");
  c.send_line("list");  // the database is down: an empty list, and the connect error logged
  EXPECT_EQ(c.read_until("command:\r\n"), "command:\r\n");

  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  c.send_line("list");
  EXPECT_EQ(c.read_until("command:\r\n"), "command:\r\n");
  kill(p.pid, SIGTERM);
  EXPECT_EQ(wait_exit(p), 0);
  log = read_file(dir + "server.log");
  size_t first = log.find("Database(0x"), last = log.rfind("Database(0x");
  ASSERT_NE(first, last) << log;
  EXPECT_EQ(log.substr(first - 7, 7), "000000 ") << "before the first tick";
  EXPECT_NE(log.substr(last - 7, 7), "000000 ") << "after a tick the prefix is its time";
  EXPECT_EQ(read_file(p.err_path), "");
}

}  // namespace
