#include <gtest/gtest.h>

#include "locallink/DeviceError.h"
#include "locallink/Progress.h"
#include "tests/support/FakeShell.h"

namespace ravok {
namespace {

TEST(ShellTest, StatusTextRevertsAfterFiftyTicksOutsideBusyState) {
  test::FakeShell shell;
  shell.SetStatusText("Done");
  for (int i = 0; i < kStatusRevertTicks - 1; ++i) shell.StatusTick();
  EXPECT_EQ(shell.StatusText(), "Done");
  shell.StatusTick();
  EXPECT_EQ(shell.StatusText(), "Ready");
}

TEST(ShellTest, StatusTextStaysWhileBusy) {
  test::FakeShell shell;
  ASSERT_TRUE(shell.BeginBusy());
  shell.SetStatusText("Working...");
  for (int i = 0; i < 200; ++i) shell.StatusTick();
  EXPECT_EQ(shell.StatusText(), "Working...");
  shell.EndBusy();
  for (int i = 0; i < kStatusRevertTicks; ++i) shell.StatusTick();
  EXPECT_EQ(shell.StatusText(), "Ready");
}

TEST(ShellTest, SecondBeginBusyIsRefused) {
  test::FakeShell shell;
  EXPECT_TRUE(shell.BeginBusy());
  EXPECT_FALSE(shell.BeginBusy());
  EXPECT_EQ(shell.busyShown, 1);
  shell.EndBusy();
  EXPECT_TRUE(shell.BeginBusy());
}

TEST(ProgressTest, GrowsOnlyAndResetsAtZero) {
  test::FakeShell shell;
  ProgressDisplay progress(shell);
  progress.SetProgressMax(5);
  for (int i : {1, 2, 3, 4, 5}) progress.ShowProgress(i);
  progress.ShowProgress(2);  // smaller than shown: ignored
  progress.ShowProgress(0);
  EXPECT_EQ(shell.progressHistory, QStringList({"20", "40", "60", "80", "100", "0"}));
}

TEST(ProgressTest, BlockProgressTakesPrecedence) {
  test::FakeShell shell;
  ProgressDisplay progress(shell);
  progress.SetBlockProgressMax(4);
  progress.ShowProgress(50);  // ignored while a block transfer runs
  progress.ShowBlockProgress(2);
  progress.ShowBlockProgress(1);  // block progress is always written
  progress.SetBlockProgressMax(0);
  progress.ShowBlockProgress(3);  // ignored once it ended
  EXPECT_EQ(shell.progressHistory, QStringList({"50", "25"}));
}

TEST(DeviceErrorTest, CodesAndMessages) {
  const std::pair<int, const char*> cases[] = {
      {0, "Terminated!"},          {1, "Can not get answer!"},
      {2, "Recceived timeout answer!"}, {3, "Received error answer!"},
      {4, "Received busy answer!"}, {100, "Unknown message"},
      {101, "Index out of range"}, {102, "Parameter not exists"},
      {103, "Authorization error"}, {255, "Device not respond"},
      {7, "Unknown error"},        {104, "Unknown error"},
  };
  for (auto [code, text] : cases) {
    test::FakeShell shell;
    ShowDeviceError(shell, static_cast<uint8_t>(code));
    EXPECT_TRUE(shell.ShownOnce(text)) << code;
    EXPECT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].kind, MsgKind::Error);
  }
  test::FakeShell silent;
  ShowDeviceError(silent, 5);
  EXPECT_TRUE(silent.messages.empty());
}

}  // namespace
}  // namespace ravok
