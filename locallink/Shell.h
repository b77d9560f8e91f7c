// How every operation talks to the operator: messages, the status text, the busy state,
// the pending-deletion badge, the progress text, the debug log and the main loop.
// The main window, the console (ravokctl) and the tests' recording fake implement the
// display hooks; the busy and status-text rules are kept here once.
#pragma once

#include <QString>

namespace ravok {

enum class MsgKind { Error, Information, Confirmation };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

// Ticks of the 100 ms status timer before a status text reverts to "Ready".
constexpr int kStatusRevertTicks = 50;

class Shell {
 public:
  virtual ~Shell() = default;

  // Shows a modal message of that kind and returns the button pressed.
  virtual MsgResult CenteredMessage(const QString& text, MsgKind kind, MsgButtons buttons) = 0;
  // Lets the main loop deliver pending events (frames, lines, the Terminate button).
  virtual void ProcessMessages() = 0;
  // Adds one line to the debug log.
  virtual void AddLogLine(const QString& line) = 0;
  virtual void ShowDeleteCount(int count) = 0;

  // Convenience for the most common message: an error with an OK button.
  void ShowError(const QString& text) { CenteredMessage(text, MsgKind::Error, MsgButtons::Ok); }
  bool Confirm(const QString& text) {
    return CenteredMessage(text, MsgKind::Confirmation, MsgButtons::YesNo) == MsgResult::Yes;
  }

  // Status text: reverts to "Ready" kStatusRevertTicks ticks after it was set, but not
  // while an operation runs.
  void SetStatusText(const QString& text);
  void StatusTick();
  const QString& StatusText() const { return statusText_; }

  // Busy state: brackets every operation; a second BeginBusy is refused.
  bool BeginBusy();
  void EndBusy();
  bool Semaphore() const { return semaphore_; }

  // The progress text behind the status bar: a number 0..100 drawn as a bar.
  void SetProgressText(const QString& text);
  const QString& ProgressText() const { return progressText_; }

  // Set by the busy window's Terminate button; cleared by the operations that watch it.
  bool TerminateFlag = false;

 protected:
  virtual void DisplayStatusText(const QString& text) = 0;
  virtual void DisplayProgressText(const QString& text) = 0;
  virtual void ShowBusyWindow() = 0;
  virtual void HideBusyWindow() = 0;

 private:
  bool semaphore_ = false;
  int refreshTimer_ = 0;
  QString statusText_ = QStringLiteral("Ready");
  QString progressText_;
};

}  // namespace ravok
