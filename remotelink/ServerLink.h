// The manager's side of the command port: the login dialogue and the transaction engine
// every remote operation runs on. A transaction sends its lines, then reads answer lines
// until the prompt "command:", a failure line decides the result, and the operator's
// Terminate sends "break" once. Lines reach Fifo only while the shell processes messages.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>

#include "locallink/Clock.h"
#include "locallink/Progress.h"
#include "locallink/Shell.h"
#include "remotelink/Remote.h"

namespace ravok {

// Pauses of the waiting loops.
constexpr Duration kIdleSleep = std::chrono::milliseconds(10);
constexpr Duration kLineSendPause = std::chrono::milliseconds(100);
// The most text one answer keeps (a list of some hundred thousand trackers fits); lines
// past it are dropped, so a server that never stops talking cannot exhaust memory.
constexpr qsizetype kMaxAnswerChars = 64 * 1024 * 1024;

// Outcomes of a transaction, shown through ShowDeviceError (6 is never shown).
namespace server_result {
constexpr uint8_t kNoPrompt = 1;
constexpr uint8_t kTimeoutLine = 2;
constexpr uint8_t kErrorLine = 3;
constexpr uint8_t kBusyLine = 4;
constexpr uint8_t kConnectionError = 5;
constexpr uint8_t kSuccess = 6;
}  // namespace server_result

class ServerLink {
 public:
  ServerLink(Shell& shell, ProgressDisplay& progress, Clock& clock = SteadyClock::Instance());

  // True when the server's command prompt arrived; otherwise shows the reason, closes the
  // connection and returns false.
  bool ServerLogin(const QString& host, const QString& port, const QString& password,
                   const QString& user);

  // Runs one transaction; answer receives the lines before the prompt (up to a failure line).
  bool ServerExecute(const QStringList& lines, QStringList& answer, bool idleSleep);
  bool ServerCommand(const QString& line, QStringList& answer, bool idleSleep);

  // Lets messages be processed until the clock has passed `until`.
  void WaitUntil(Duration until);
  void Sleep(Duration d) { sleep(d); }

  Remote& remote() { return remote_; }
  Shell& shell() { return shell_; }
  ProgressDisplay& progress() { return progress_; }
  Clock& clock() { return clock_; }

  std::deque<QString> Fifo;  // received lines, oldest first
  bool ErrorFlag = false;    // a server connection error was reported

  // "Slow firmware upload": one block per firmware transaction, longer accessory pauses.
  bool SlowUpload = false;
  // Firmware upload resume state; lives as long as the program.
  uint32_t FirmwareLastPosition = 0;
  QString FirmwareLastImei;
  QString FirmwareLastFileName;

  // Real sleep by default; tests may replace it.
  std::function<void(Duration)> sleep;

 private:
  Shell& shell_;
  ProgressDisplay& progress_;
  Clock& clock_;
  Remote remote_;
};

// Length of the count header ("configuration: ", "firmware: ", "status: ") that starts the
// line, 0 when none does; HeaderCount reads the number after it (0 when it is not one).
int CountHeaderLength(const QString& line);
int HeaderCount(const QString& line, int prefixLength);

// Field n (1-based) of an item text, fields separated by commas; empty when there are fewer.
QString ItemField(const QString& item, int n);

}  // namespace ravok
