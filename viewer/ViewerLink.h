// The viewer's side of the tracker link: its older read requests (a value named by id and
// length), its receiver, and the refresh that reads the fixed table of 30 values into
// lines with their state icons. No widgets: the window binds its controls to this, tests
// drive it against the simulated tracker on a fake clock.
#pragma once

#include <QMap>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "locallink/Clock.h"
#include "locallink/Frame.h"
#include "locallink/FrameProtocol.h"
#include "locallink/LocalProtocol.h"
#include "locallink/FrameTransport.h"
#include "locallink/Shell.h"
#include "params/Records.h"
#include "params/TextLocale.h"

namespace ravok::viewer {

// The texts the viewer shows.
inline const QString kNotSelectedText = QStringLiteral("Device is not selected");
inline const QString kNoAnswerText = QStringLiteral("Can not get answer");
inline const QString kCannotOpenText = QStringLiteral("Can not open serial port: ");

// Speeds of the speed box, by entry.
constexpr int kSpeeds[] = {9600, 230400};
inline int SpeedOfEntry(int entry) { return entry == 1 ? kSpeeds[1] : kSpeeds[0]; }

// What a table entry names, numbered as the viewer's requests know them.
enum class ValueKind { Status = 1, Live = 2, Config = 3 };

struct ViewerValue {
  ValueKind kind;
  uint16_t Pid;
  uint16_t Len;
  const char* name;  // the entry of the viewer's tables that decodes it
};

constexpr int kViewerValues = 30;
// The values a refresh reads, in order.
const std::array<ViewerValue, kViewerValues>& ViewerReadTable();



class ViewerLink {
 public:
  ViewerLink(Shell& shell, FrameTransport& transport,
             const Clock& clock = SteadyClock::Instance());

  // Every complete frame from the port, whether or not a request waits.
  void FrameReceived(const TBuffer& data, int len);

  // One value: 0 when it arrived (record filled), the tracker's error code (a configuration
  // record then gets the answer's header and zero data; the others are not touched), or 255
  // when no fitting answer came within the time-out.
  uint8_t ReadValue(ValueKind kind, uint16_t Pid, uint16_t Len, TData& record);
  // The identity request; its answer goes to the debug log and is not waited for.
  void SendIdentity();

  // Reads the 30 values in order. Each line is handed to addLine as soon as it is decoded;
  // values answered with an error are skipped; no answer shows "Can not get answer" and ends
  // the refresh (false). ParametersIcon receives table position -> icon for icons above 0.
  bool Refresh(const TextLocale& locale, const std::function<void(const QString&)>& addLine);
  // Makes a running refresh stop before its next request (the window is closing).
  void Stop() { stop_ = true; }

  // Icon of a data row (1-based) of the value list; 0 when it has none.
  int IconOfRow(int row) const { return ParametersIcon.value(row, 0); }

  // The decoded line and icon of a value that arrived.
  static QString LineOf(ValueKind kind, const TData& record, const TextLocale& locale);
  static int IconOf(ValueKind kind, const TData& record);

  // Answer state.
  int WaitFlag = wait::kNone;
  TData WorkingData{};
  uint8_t DataSeqNo = 0;
  QMap<int, int> ParametersIcon;

  // The time of day written before log lines ("HH:MM:SS.ZZZ"); tests may fix it.
  std::function<QString()> TimeOfDay;

 private:
  void Send(uint8_t subcommand, const uint8_t* args, int n);
  uint8_t Wait(int awaited);
  void TakeRecord(const uint8_t* p, int L, int flag);
  void LogLine(const QString& text);

  Shell& shell_;
  FrameTransport& transport_;
  const Clock& clock_;
  bool stop_ = false;
};

}  // namespace ravok::viewer
