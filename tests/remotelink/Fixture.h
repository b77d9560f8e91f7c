// A link on a fake clock with a recording shell: every message pump lets Qt deliver socket
// events and moves the clock a little; every sleep of the link moves the clock by its length
// while really sleeping a tenth of it, so time-outs run fast but the server thread keeps up.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "locallink/Progress.h"
#include "remotelink/ServerLink.h"
#include "tests/remotelink/ScriptedServer.h"
#include "tests/support/FakeShell.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace ravok::test {

inline void EnsureApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_remotelink";
  static char* argv[] = {name, nullptr};
  new QCoreApplication(argc, argv);
}

class LinkTest : public ::testing::Test {
 protected:
  LinkTest() {
    EnsureApp();
    shell.onProcessMessages = [this] {
      QCoreApplication::processEvents();
      clock.Advance(pumpStep);
      if (onPump) onPump();
    };
    link.sleep = [this](Duration d) {
      clock.Advance(d);
      std::this_thread::sleep_for(d / 10);
    };
  }

  // Fake time no faster than real time: for answers that wait for the partial-line delay.
  void RealPace() {
    pumpStep = Duration::zero();
    link.sleep = [this](Duration d) {
      clock.Advance(d);
      std::this_thread::sleep_for(d);
    };
  }

  void Login(const ScriptedServer& server) {
    ASSERT_TRUE(link.ServerLogin("127.0.0.1", QString::fromStdString(server.portText()),
                                 "tolmek", "user"));
  }

  // The lines the server received after the login's user and password lines.
  static std::vector<std::string> AfterLogin(const ScriptedServer& server) {
    auto all = server.lines();
    return {all.begin() + std::min<size_t>(2, all.size()), all.end()};
  }

  FakeShell shell;
  ProgressDisplay progress{shell};
  FakeClock clock;
  ServerLink link{shell, progress, clock};
  Duration pumpStep = std::chrono::milliseconds(1);
  std::function<void()> onPump;
};

}  // namespace ravok::test
