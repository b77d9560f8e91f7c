// ravokctl --server against the scripted server: what goes to stdout, stderr and the exit
// status.
#ifdef RAVOKCTL_PATH

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>

#include "tests/remotelink/Fixture.h"

namespace ravok::test {
namespace {

struct CtlRun {
  int status;
  QString out;
  QString err;
};

CtlRun Ctl(const ScriptedServer& server, QStringList args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  EnsureApp();
  args.prepend(QString("127.0.0.1:%1").arg(server.port()));
  args.prepend("--server");
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(RAVOKCTL_PATH, args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

Reply Tracker(const Command& c) {
  if (c[0] == "list")
    return Answer({"item: 356002,beta,7,8948,7001002,1,2,10.0.0.2,5000,2026-12-11 10:00,30",
                   "item: 356001,Alpha,9"});
  if (c[0] == "readcfg 356002")
    return Answer({"configuration: 2", "item: 900,1,2A", "item: 1,16,547275636B0000000000000000000000"});
  if (c[0] == "readcfg 356001") return Answer({"configuration: 3", "item: 900,1,2A"});
  if (c[0] == "getparam 356002,4") return Answer({"getparam", "item: 4,123456,0,0,0"});
  if (c[0] == "readfirm 356002") return Answer({"firmware: 1", "item: 2,2,0700"});
  return Answer({});
}

TEST(CommandLine, OutputAndExitStatusOfServerCommands) {
  struct Case {
    QStringList args;
    int status;
    QString out;
    QString err;
  };
  const Case cases[] = {
      {{"list"},
       0,
       "356001,Alpha,9,,0,0,0,,0,,0\n356002,beta,7,8948,7001002,1,2,10.0.0.2,5000,2026-12-11 "
       "10:00,30\n",
       ""},
      {{"read", "356002"}, 0, "Description=Truck\n03840001=2A\n", ""},
      {{"read", "356001"}, 1, "03840001=2A\n", "The number of parameters is incorrect: 1/3\n"},
      {{"getparam", "356002", "Distance Set/Get"}, 0, "beta Get Distance: 123456\n", ""},
      {{"getparam", "356002", "18"}, 1, "", "Can not read this parameter\n"},
      {{"getparam", "999", "3"}, 1, "", "Device is not selected\n"},
      {{"info", "356002"}, 0, "Firmware: Counter=7\n", ""},
      {{"setmode", "356002", "UDP"}, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    ScriptedServer server(WithLogin(Tracker));
    const CtlRun r = Ctl(server, c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(CommandLine, LoginFailureAndUsageErrors) {
  ScriptedServer refusing(WithLogin(Tracker, "user", "secret"));
  const CtlRun r = Ctl(refusing, {"list"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Received error answer!\n");
  EXPECT_EQ(Ctl(refusing, {"read"}).status, 2);
  EXPECT_EQ(Ctl(refusing, {"frobnicate"}).status, 2);
}

TEST(CommandLine, InterruptedUpgradeResumesInTheNextRun) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("RAVOKCTL_STATE_DIR", dir.path());
  // Three batches of eight blocks and a last block: four writefirm transactions.
  const QString firmware = dir.filePath("fw.xml");
  QFile f(firmware);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("<ravok><firmware device=\"8\" type=\"1\"><record>" +
          QByteArray(2 * (3 * 2048 + 1), 'A') + "</record></firmware></ravok>");
  f.close();
  std::atomic<int> writes{0};
  std::atomic<bool> failSecond{true};
  auto handler = [&](const Command& c) -> Reply {
    if (c[0].rfind("writefirm ", 0) == 0) {
      const int n = ++writes;
      if (failSecond && n == 2) return Answer({"error"});
      return Answer({});
    }
    return Tracker(c);
  };
  auto firstItems = [](const ScriptedServer& server) {
    std::vector<std::string> items;
    for (const Command& c : server.commands())
      if (c[0].rfind("writefirm ", 0) == 0) items.push_back(c[1].substr(0, c[1].find(',')));
    return items;
  };
  {
    ScriptedServer server(WithLogin(handler));
    const CtlRun r = Ctl(server, {"--device-type", "8", "upgrade", "356002", firmware}, env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Received error answer!\n");
    EXPECT_EQ(firstItems(server), (std::vector<std::string>{"item: 1", "item: 9"}));
  }
  failSecond = false;
  {
    ScriptedServer server(WithLogin(handler));
    const CtlRun r = Ctl(server, {"--yes", "--device-type", "8", "upgrade", "356002", firmware}, env);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, "Continue the process from the last position? [yes]\n");
    EXPECT_EQ(firstItems(server), (std::vector<std::string>{"item: 9", "item: 17", "item: 25"}));
  }
}

TEST(CommandLine, InterruptSendsBreak) {
  ScriptedServer server(WithLogin([](const Command& c) -> Reply {
    if (c[0] == "break") return Answer({});
    return {};  // readcfg: no answer until the break
  }));
  EnsureApp();
  QProcess p;
  p.start(RAVOKCTL_PATH, {"--server", QString("127.0.0.1:%1").arg(server.port()), "read", "35"});
  for (int i = 0; i < 500 && server.lines() != std::vector<std::string>{"user", "tolmek", "readcfg 35"}; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(20000));
  EXPECT_EQ(p.exitCode(), 1);
  EXPECT_EQ(server.lines(), (std::vector<std::string>{"user", "tolmek", "readcfg 35", "break"}));
}

}  // namespace
}  // namespace ravok::test

#endif
