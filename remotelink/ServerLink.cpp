#include "remotelink/ServerLink.h"

#include <QThread>
#include <cmath>

#include "locallink/DeviceError.h"

namespace ravok {
namespace {

const QString kPrompt = QStringLiteral("command:");

enum LoginState : uint8_t { kNotOpened = 1, kNoCommandPrompt = 2, kRefused = 3, kLoggedIn = 4 };

// Elapsed time in days, the unit the progress formulas are given in.
double Days(Duration d) { return std::chrono::duration<double>(d).count() / 86400.0; }

}  // namespace

int CountHeaderLength(const QString& line) {
  for (const char* prefix : {"configuration: ", "firmware: ", "status: "}) {
    if (line.startsWith(QLatin1String(prefix))) return static_cast<int>(qstrlen(prefix));
  }
  return 0;
}

int HeaderCount(const QString& line, int prefixLength) {
  bool ok = false;
  const int n = line.mid(prefixLength).toInt(&ok);
  return ok ? n : 0;
}

ServerLink::ServerLink(Shell& shell, ProgressDisplay& progress, Clock& clock)
    : sleep([](Duration d) {
        QThread::usleep(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
      }),
      shell_(shell),
      progress_(progress),
      clock_(clock) {}

bool ServerLink::ServerLogin(const QString& host, const QString& port, const QString& password,
                             const QString& user) {
  Fifo.clear();
  uint8_t state = kNotOpened;
  const bool opened = remote_.RemoteOpen(
      host, port, [this](const QString& line) { Fifo.push_back(line); },
      [this](int32_t code) {
        shell_.ShowError(QStringLiteral("Server connection error: ") + QString::number(code));
        ErrorFlag = true;
      });
  if (opened) {
    state = kNoCommandPrompt;
    Duration t0 = clock_.Now();
    while (clock_.Now() - t0 < kLoginTimeout) {
      shell_.ProcessMessages();
      if (Fifo.empty()) {
        sleep(kIdleSleep);
        continue;
      }
      t0 = clock_.Now();
      const QString line = Fifo.front();
      Fifo.pop_front();
      if (line == QLatin1String("username:")) {
        remote_.RemoteSendLine(user);
      } else if (line == QLatin1String("passwd:")) {
        remote_.RemoteSendLine(password);
      } else if (line == QLatin1String("bye")) {
        state = kRefused;
        break;
      } else if (line == kPrompt) {
        state = kLoggedIn;
        break;
      }
    }
    if (state != kLoggedIn) remote_.RemoteClose();
  }
  if (state == kLoggedIn) return true;
  ShowDeviceError(shell_, state);  // states 1..3 share the codes of the transactions
  return false;
}

bool ServerLink::ServerExecute(const QStringList& lines, QStringList& answer, bool idleSleep) {
  answer.clear();
  Fifo.clear();
  int expected = 0;
  int items = 0;
  uint8_t result = server_result::kNoPrompt;
  const bool multi = lines.size() > 1;
  if (multi) progress_.SetProgressMax(2 * static_cast<int>(lines.size()));

  for (int i = 0; i < lines.size(); ++i) {
    remote_.RemoteSendLine(lines[i]);
    if (multi) {
      progress_.ShowProgress(i + 1);
      sleep(kLineSendPause);
      shell_.ProcessMessages();
    }
  }
  const Duration t0 = clock_.Now();
  shell_.TerminateFlag = false;
  ErrorFlag = false;
  bool cancelSent = false;
  qsizetype answerChars = 0;
  Duration e{};
  do {
    e = clock_.Now() - t0;
    const double days = Days(e);
    if (multi)
      progress_.ShowProgressOf(static_cast<int>(std::lround(days * 62500)) + 50, 100);
    else
      progress_.ShowProgressOf(static_cast<int>(std::lround(days * 125000)), 100);
    shell_.ProcessMessages();
    if (shell_.TerminateFlag && !cancelSent) {
      remote_.RemoteSendLine(QStringLiteral("break"));
      cancelSent = true;
    }
    if (ErrorFlag) {
      result = server_result::kConnectionError;
      break;
    }
    if (!Fifo.empty()) {
      const QString line = Fifo.front();
      Fifo.pop_front();
      if (line == kPrompt) {
        if (result == server_result::kNoPrompt) result = server_result::kSuccess;
        break;
      }
      if (line == QLatin1String("timeout")) {
        result = server_result::kTimeoutLine;
      } else if (line.startsWith(QLatin1String("error"))) {
        result = server_result::kErrorLine;
      } else if (line == QLatin1String("busy")) {
        result = server_result::kBusyLine;
      } else if (const int n = CountHeaderLength(line); n > 0) {
        expected = HeaderCount(line, n);
        progress_.SetProgressMax(expected);
      } else if (line.startsWith(QLatin1String("item: "))) {
        ++items;
        if (expected > 0) progress_.ShowProgress(items);
      }
      if (result == server_result::kNoPrompt && answerChars + line.size() <= kMaxAnswerChars) {
        answerChars += line.size();
        answer.push_back(line);
      }
    } else if (idleSleep) {
      sleep(kIdleSleep);
    }
  } while (e <= kServerTimeout);

  progress_.ShowProgress(0);
  if (result != server_result::kSuccess) {
    ShowDeviceError(shell_, result);
    return false;
  }
  return !shell_.TerminateFlag;
}

bool ServerLink::ServerCommand(const QString& line, QStringList& answer, bool idleSleep) {
  return ServerExecute(QStringList{line}, answer, idleSleep);
}

void ServerLink::WaitUntil(Duration until) {
  while (clock_.Now() < until) {
    shell_.ProcessMessages();
    sleep(kIdleSleep);
  }
}

QString ItemField(const QString& item, int n) {
  int field = 1;
  QString out;
  for (QChar c : item) {
    if (c == QLatin1Char(',')) {
      if (field == n) break;
      ++field;
    } else if (field == n) {
      out.append(c);
    }
  }
  return out;
}

}  // namespace ravok
