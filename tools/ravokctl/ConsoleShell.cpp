#include "tools/ravokctl/ConsoleShell.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace ravok::ctl {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

// The first Ctrl-C asks the running operation to stop (Terminate); a second one, for an
// operation that is not waiting where it could notice, ends the program at once.
void OnInterrupt(int) {
  g_interrupted = 1;
  std::signal(SIGINT, SIG_DFL);
}

void PrintLine(FILE* f, const QString& text) {
  std::fputs(text.toUtf8().constData(), f);
  std::fputc('\n', f);
  std::fflush(f);
}

}  // namespace

std::unique_ptr<QCoreApplication> MakeCoreApplication() {
  static int argc = 1;
  static char name[] = "ravokctl";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance()) return nullptr;
  return std::make_unique<QCoreApplication>(argc, argv);
}

ConsoleShell::ConsoleShell(bool assumeYes)
    : assumeYes_(assumeYes), progressOnTerminal_(isatty(STDERR_FILENO) != 0) {
  g_interrupted = 0;
  std::signal(SIGINT, OnInterrupt);
}

ConsoleShell::~ConsoleShell() { std::signal(SIGINT, SIG_DFL); }

MsgResult ConsoleShell::CenteredMessage(const QString& text, MsgKind kind, MsgButtons buttons) {
  HideBusyWindow();  // clear a progress line before the message
  if (kind == MsgKind::Error) ++errorsShown;
  if (buttons == MsgButtons::YesNo) {
    PrintLine(stderr, text + (assumeYes_ ? QStringLiteral(" [yes]") : QStringLiteral(" [no]")));
    return assumeYes_ ? MsgResult::Yes : MsgResult::No;
  }
  PrintLine(stderr, text);
  return MsgResult::Ok;
}

void ConsoleShell::ProcessMessages() {
  if (g_interrupted) {
    g_interrupted = 0;
    TerminateFlag = true;
  }
  pump_.Run();
}

void ConsoleShell::AddLogLine(const QString& line) {
  if (logToStdout)
    PrintLine(stdout, line);
  else if (verbose)
    PrintLine(stderr, line);
}

void ConsoleShell::ShowDeleteCount(int) {}

void ConsoleShell::DisplayStatusText(const QString&) {}

void ConsoleShell::DisplayProgressText(const QString& text) {
  if (!progressOnTerminal_) return;
  std::fprintf(stderr, "\r%3s%%", text.toUtf8().constData());
  std::fflush(stderr);
  progressVisible_ = true;
}

void ConsoleShell::HideBusyWindow() {
  if (progressVisible_) {
    std::fputs("\r    \r", stderr);
    std::fflush(stderr);
    progressVisible_ = false;
  }
}

}  // namespace ravok::ctl
