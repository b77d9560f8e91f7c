// The connection, the login dialogue and the transaction engine against a scripted server.
#include <QElapsedTimer>

#include "remotelink/ServerLink.h"
#include "tests/remotelink/Fixture.h"

namespace ravok::test {
namespace {

using namespace std::chrono_literals;

// Pumps Qt until the Fifo holds n lines or the real time runs out.
void WaitForLines(const std::deque<QString>& fifo, size_t n, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (fifo.size() < n && t.elapsed() < ms) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(2ms);
  }
}

class RemoteTest : public LinkTest {
 protected:
  bool Open(const ScriptedServer& server) {
    return link.remote().RemoteOpen(
        "127.0.0.1", QString::fromStdString(server.portText()),
        [this](const QString& l) { fifo.push_back(l); }, [this](int32_t c) { codes.push_back(c); });
  }
  std::deque<QString> fifo;
  std::vector<int32_t> codes;
};

TEST_F(RemoteTest, CutsLinesAtLfDropsCrAndHandsOverAPartialLineAfterQuiet) {
  ScriptedServer server([](const Command&) { return Reply{}; },
                        Reply{{{"a\r\nb\n"}, {"x\ry", 30}, {"z\n", 30}, {"prompt:"}}});
  ASSERT_TRUE(Open(server));
  QElapsedTimer t;
  t.start();
  WaitForLines(fifo, 4);
  EXPECT_EQ(fifo, (std::deque<QString>{"a", "b", "xyz", "prompt:"}));
  EXPECT_GE(t.elapsed(), kPartialLineDelay.count() - 100);  // the prompt waited for quiet
}

TEST_F(RemoteTest, OverlongLineIsCutAtTheLimitAndTheNextLineIsWhole) {
  const std::string huge(3 * kMaxLineLength, 'x');
  ScriptedServer server([](const Command&) { return Reply{}; },
                        Reply{{{huge + "\nnext\n"}}});
  ASSERT_TRUE(Open(server));
  WaitForLines(fifo, 2);
  ASSERT_EQ(fifo.size(), 2u);
  EXPECT_EQ(fifo[0], QString(kMaxLineLength, QLatin1Char('x')));
  EXPECT_EQ(fifo[1], "next");
}

TEST_F(RemoteTest, SingleByteTextBothWays) {
  ScriptedServer server([](const Command& c) { return Lines({c[0]}); }, Reply{});
  ASSERT_TRUE(Open(server));
  EXPECT_TRUE(link.remote().RemoteSendLine(QString::fromLatin1("caf\xe9")));
  WaitForLines(fifo, 1);
  ASSERT_EQ(fifo.size(), 1u);
  EXPECT_EQ(fifo[0], QString::fromLatin1("caf\xe9"));
  EXPECT_EQ(server.lines(), (std::vector<std::string>{"caf\xe9"}));
}

TEST_F(RemoteTest, OpenCloseAndSendFollowTheOpenFlag) {
  ScriptedServer server([](const Command& c) { return Lines({"echo " + c[0]}); }, Reply{});
  EXPECT_FALSE(link.remote().RemoteClose());
  EXPECT_FALSE(link.remote().RemoteSendLine("x"));
  ASSERT_TRUE(Open(server));
  EXPECT_TRUE(link.remote().RemoteActive());
  EXPECT_FALSE(Open(server));  // the open connection stays usable
  EXPECT_TRUE(link.remote().RemoteSendLine("one"));
  WaitForLines(fifo, 1);
  EXPECT_EQ(fifo, (std::deque<QString>{"echo one"}));
  EXPECT_TRUE(link.remote().RemoteClose());
  EXPECT_FALSE(link.remote().RemoteActive());
  EXPECT_FALSE(link.remote().RemoteSendLine("two"));
  EXPECT_FALSE(link.remote().RemoteOpen("127.0.0.1", "notaport", {}, {}));
}

TEST_F(RemoteTest, ResetDropsThePartialLineAndReportsOnceOrderlyCloseReportsNothing) {
  {
    ScriptedServer server([](const Command&) { return Reply{}; },
                          Reply{{{"whole\r\npart"}, {"", 50}}, End::Reset});
    ASSERT_TRUE(Open(server));
    WaitForLines(fifo, 3, 1500);
    EXPECT_EQ(fifo, (std::deque<QString>{"whole"}));
    EXPECT_EQ(codes, (std::vector<int32_t>{ECONNRESET}));
    link.remote().RemoteClose();
  }
  fifo.clear();
  codes.clear();
  ScriptedServer server([](const Command&) { return Reply{}; },
                        Reply{{{"bye\r\n"}}, End::Close});
  ASSERT_TRUE(Open(server));
  WaitForLines(fifo, 3, 500);
  EXPECT_EQ(fifo, (std::deque<QString>{"bye"}));
  EXPECT_TRUE(codes.empty());
}

// --- login ---

TEST_F(LinkTest, LoginAnswersPromptsWithoutLineEndsAndDropsBanners) {
  ScriptedServer server(
      [](const Command& c) -> Reply {
        if (c[0] == "user") return {{{"passwd:"}}};
        return Lines({"welcome", "command:"});
      },
      Reply{{{"Ravok command port\r\nversion 4\r\n"}, {"username:", 20}}});
  RealPace();
  EXPECT_TRUE(link.ServerLogin("127.0.0.1", QString::fromStdString(server.portText()), "tolmek",
                               "user"));
  EXPECT_EQ(server.lines(), (std::vector<std::string>{"user", "tolmek"}));
  EXPECT_TRUE(shell.messages.empty());
  EXPECT_TRUE(link.remote().RemoteActive());
}

TEST_F(LinkTest, LoginSendsEmptyFieldsAsEmptyLines) {
  ScriptedServer server(WithLogin([](const Command&) { return Reply{}; }, "", ""));
  EXPECT_TRUE(link.ServerLogin("127.0.0.1", QString::fromStdString(server.portText()), "", ""));
  EXPECT_EQ(server.lines(), (std::vector<std::string>{"", ""}));
}

TEST_F(LinkTest, LoginFailuresShowTheirReasonOnceAndCloseTheConnection) {
  struct Case {
    const char* name;
    Reply greeting;
    bool refusePort;
    const char* message;
  };
  const Case cases[] = {
      {"refused connect", {}, true, "Can not get answer!"},
      {"silent server", Reply{{{"hello\r\n"}}}, false, "Recceived timeout answer!"},
      {"wrong password", Reply{{{"username:\r\n"}}}, false, "Received error answer!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeShell s;
    FakeClock clk;
    ProgressDisplay pd(s);
    ServerLink l(s, pd, clk);
    s.onProcessMessages = [&] {
      QCoreApplication::processEvents();
      clk.Advance(1ms);
    };
    l.sleep = [&](Duration d) {
      clk.Advance(d);
      std::this_thread::sleep_for(d / 10);
    };
    QString port;
    {
      ScriptedServer server(WithLogin([](const Command&) { return Reply{}; }, "user", "other"),
                            c.greeting);
      port = QString::fromStdString(server.portText());
      if (!c.refusePort) {
        EXPECT_FALSE(l.ServerLogin("127.0.0.1", port, "tolmek", "user"));
      }
    }
    if (c.refusePort) EXPECT_FALSE(l.ServerLogin("127.0.0.1", port, "tolmek", "user"));
    EXPECT_EQ(s.Texts(), QStringList{c.message});
    EXPECT_FALSE(l.remote().RemoteActive());
  }
}

// --- transactions ---

struct ExecCase {
  const char* name;
  Reply reply;
  bool ok;
  QStringList answer;
  QStringList messages;
};

TEST_F(LinkTest, ExecuteResultsFromTheAnswerLines) {
  const ExecCase cases[] = {
      {"prompt only", Lines({"command:"}), true, {}, {}},
      {"header and items kept",
       Lines({"configuration: 1", "item: 1,1,0A", "command:"}),
       true,
       {"configuration: 1", "item: 1,1,0A"},
       {}},
      {"error line ends what is kept",
       Lines({"a", "error: no tracker", "b", "command:"}),
       false,
       {"a"},
       {"Received error answer!"}},
      {"timeout line", Lines({"timeout", "command:"}), false, {}, {"Recceived timeout answer!"}},
      {"busy without prompt wins over the timeout", Lines({"busy"}), false, {},
       {"Received busy answer!"}},
      {"no prompt", Lines({"item: 1,0,"}), false, {"item: 1,0,"}, {"Can not get answer!"}},
      {"split packets", Reply{{{"item: 1,2,A"}, {"BCD\r\ncomm", 40}, {"and:\r\n", 40}}}, true,
       {"item: 1,2,ABCD"}, {}},
      {"errors is still an error line", Lines({"errors", "command:"}), false, {},
       {"Received error answer!"}},
      {"Error in capitals is kept", Lines({"Error", "command:"}), true, {"Error"}, {}},
  };
  for (const ExecCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(WithLogin([&](const Command&) { return c.reply; }));
    Login(server);
    shell.messages.clear();
    pumpStep = 20ms;
    QStringList answer;
    EXPECT_EQ(link.ServerCommand("data 1", answer, true), c.ok);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(shell.Texts(), c.messages);
    EXPECT_EQ(progress.StatusMax2nd, 0);
    EXPECT_EQ(shell.ProgressText(), "0");
    link.remote().RemoteClose();
    pumpStep = 1ms;
  }
}

TEST_F(LinkTest, NoPromptWithinTheServerTimeoutFromTheEndOfSending) {
  ScriptedServer server(WithLogin([](const Command&) { return Reply{}; }));
  Login(server);
  pumpStep = 100ms;
  const Duration start = clock.Now();
  QStringList answer;
  EXPECT_FALSE(link.ServerExecute({"writecfg 1,1", "item: 1,0,"}, answer, true));
  const Duration waited = clock.Now() - start - 2 * kLineSendPause;
  EXPECT_GT(waited, kServerTimeout);
  EXPECT_LT(waited, kServerTimeout + 1s);
  EXPECT_EQ(shell.Texts(), QStringList{"Can not get answer!"});
}

TEST_F(LinkTest, ConnectionResetEndsTheCommandWithOnlyTheConnectionMessage) {
  ScriptedServer server(WithLogin([](const Command&) {
    return Reply{{{"item: 1,0,\r\npart"}, {"", 50}}, End::Reset};
  }));
  Login(server);
  QStringList answer;
  EXPECT_FALSE(link.ServerCommand("readcfg 1", answer, true));
  EXPECT_EQ(shell.Texts(), QStringList{QString("Server connection error: %1").arg(ECONNRESET)});
  EXPECT_TRUE(link.ErrorFlag);
}

TEST_F(LinkTest, TerminateSendsBreakOnceAndEndsSilentlyOrWithTheBreakAnswer) {
  for (const bool failBreak : {false, true}) {
    SCOPED_TRACE(failBreak);
    ScriptedServer server(WithLogin([&](const Command& c) -> Reply {
      if (c[0] != "break") return Lines({"item: 1,0,"});  // a long answer, no prompt yet
      return failBreak ? Lines({"error", "command:"}) : Lines({"command:"});
    }));
    Login(server);
    shell.messages.clear();
    onPump = [&] {
      if (shell.pumps == 20) shell.TerminateFlag = true;  // the operator presses Terminate
    };
    QStringList answer;
    EXPECT_FALSE(link.ServerCommand("data 1", answer, true));
    onPump = nullptr;
    EXPECT_EQ(AfterLogin(server), (std::vector<std::string>{"data 1", "break"}));
    EXPECT_EQ(shell.Texts(),
              failBreak ? QStringList{"Received error answer!"} : QStringList{});
    link.remote().RemoteClose();
    shell.pumps = 0;
    shell.TerminateFlag = false;
  }
}

TEST_F(LinkTest, MultiLineCommandsFillTheFirstHalfOfTheBarWhileSending) {
  ScriptedServer server(WithLogin([](const Command&) { return Lines({"command:"}); }));
  Login(server);
  shell.progressHistory.clear();
  QStringList answer;
  EXPECT_TRUE(link.ServerExecute({"writecfg 1,1", "item: 1,0,"}, answer, true));
  ASSERT_GE(shell.progressHistory.size(), 3);
  EXPECT_EQ(shell.progressHistory[0], "25");
  EXPECT_EQ(shell.progressHistory[1], "50");
  EXPECT_EQ(shell.progressHistory.back(), "0");
}

TEST(ItemField, FieldsSplitAtCommas) {
  struct Case {
    const char* item;
    int n;
    const char* field;
  } const cases[] = {
      {"1,2,,4", 1, "1"}, {"1,2,,4", 2, "2"}, {"1,2,,4", 3, ""}, {"1,2,,4", 4, "4"},
      {"1,2,,4", 9, ""},  {"", 1, ""},        {"abc", 1, "abc"}, {"a,b", 0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ItemField(c.item, c.n), c.field) << c.item << " " << c.n;
}

}  // namespace
}  // namespace ravok::test
