// A recording shell for tests: keeps every message, log line and status text, answers
// confirmations from a script, and runs a hook on every ProcessMessages so a test can pump an
// in-process simulator and advance a fake clock.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "locallink/Shell.h"

namespace ravok::test {

struct ShownMessage {
  QString text;
  MsgKind kind;
  MsgButtons buttons;
};

class FakeShell : public Shell {
 public:
  MsgResult CenteredMessage(const QString& text, MsgKind kind, MsgButtons buttons) override {
    messages.push_back({text, kind, buttons});
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    if (answers.empty()) return MsgResult::No;
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
  }
  void ProcessMessages() override {
    ++pumps;
    if (onProcessMessages) onProcessMessages();
  }
  void AddLogLine(const QString& line) override { log.push_back(line); }
  void ShowDeleteCount(int count) override { deleteCount = count; }

  // Number of times a message with exactly this text was shown.
  int CountOf(const QString& text) const {
    int n = 0;
    for (const auto& m : messages) n += (m.text == text);
    return n;
  }
  bool ShownOnce(const QString& text) const { return CountOf(text) == 1; }
  QStringList Texts() const {
    QStringList out;
    for (const auto& m : messages) out << m.text;
    return out;
  }

  std::vector<ShownMessage> messages;
  std::deque<MsgResult> answers;  // replies to confirmations, in order; No when exhausted
  QStringList log;
  QStringList statusHistory;
  QStringList progressHistory;
  int deleteCount = -1;
  int busyShown = 0;
  long pumps = 0;
  std::function<void()> onProcessMessages;

 protected:
  void DisplayStatusText(const QString& text) override { statusHistory << text; }
  void DisplayProgressText(const QString& text) override { progressHistory << text; }
  void ShowBusyWindow() override { ++busyShown; }
  void HideBusyWindow() override {}
};

}  // namespace ravok::test
