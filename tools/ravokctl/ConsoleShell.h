// The console shell of ravokctl: messages to stderr (each once, as shown), confirmations
// answered by a flag, progress on stderr only when it is a terminal, and the Qt event loop
// for ProcessMessages (one sleeping turn). Ctrl-C sets TerminateFlag; a second Ctrl-C ends
// the program.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <memory>

#include "locallink/EventPump.h"
#include "locallink/Shell.h"

namespace ravok::ctl {

// The event loop the links need, unless one exists already (then null).
std::unique_ptr<QCoreApplication> MakeCoreApplication();

class ConsoleShell : public Shell {
 public:
  // assumeYes: the answer to every confirmation.
  explicit ConsoleShell(bool assumeYes = false);
  ~ConsoleShell() override;

  MsgResult CenteredMessage(const QString& text, MsgKind kind, MsgButtons buttons) override;
  void ProcessMessages() override;
  void AddLogLine(const QString& line) override;
  void ShowDeleteCount(int count) override;

  // Debug log lines go to stdout when set (the debug command), else to stderr when verbose.
  bool logToStdout = false;
  bool verbose = false;
  // Number of error messages shown; a command that showed one fails.
  int errorsShown = 0;

 protected:
  void DisplayStatusText(const QString& text) override;
  void DisplayProgressText(const QString& text) override;
  void ShowBusyWindow() override {}
  void HideBusyWindow() override;

 private:
  bool assumeYes_;
  bool progressOnTerminal_;
  bool progressVisible_ = false;
  EventPump pump_;  // sleeps until the next event instead of spinning
};

}  // namespace ravok::ctl
