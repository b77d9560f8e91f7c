#include "viewer/ViewerLink.h"

#include <QTime>
#include <algorithm>
#include <vector>

#include "locallink/DeviceError.h"
#include "locallink/LocalProtocol.h"
#include "params/Configs.h"
#include "params/Firmware.h"
#include "params/Params.h"

namespace ravok::viewer {
namespace {

using K = ValueKind;

constexpr std::array<ViewerValue, kViewerValues> kReadTable = {{
    {K::Config, 1, 16, "Description"},
    {K::Config, 2, 24, "APN"},
    {K::Config, 3, 16, "GprsLogin"},
    {K::Config, 4, 16, "GprsPasswd"},
    {K::Config, 5, 8, "PIN"},
    {K::Config, 6, 24, "ServerIp"},
    {K::Config, 7, 2, "ServerPort"},
    {K::Status, 1, 4, "RavokFirmware"},
    {K::Status, 40, 16, "IMEI"},
    {K::Status, 41, 21, "SimCCID"},
    {K::Status, 3, 1, "GsmStatus"},
    {K::Status, 6, 1, "GpsStatus"},
    {K::Status, 7, 1, "CanStatus"},
    {K::Status, 8, 4, "Can1RxFrames"},
    {K::Status, 31, 4, "Can2RxFrames"},
    {K::Status, 38, 4, "JbusRxFrames"},
    {K::Status, 39, 4, "D8RxFrames"},
    {K::Status, 10, 1, "BlackBoxStatus"},
    {K::Status, 18, 4, "NetworkCode"},
    {K::Live, 1, 1, "FixStatus"},
    {K::Live, 11, 1, "AntStatus"},
    {K::Live, 19, 1, "SignalLevel"},
    {K::Live, 17, 4, "AnalogInput2"},
    {K::Live, 18, 4, "AnalogInput3"},
    {K::Live, 15, 4, "Power"},
    {K::Live, 16, 4, "Battery"},
    {K::Live, 12, 1, "RawDigital"},
    {K::Live, 2, 1, "SatelitesUsed"},
    {K::Live, 10, 6, "DateTime"},
    {K::Live, 55, 16, "TagId"},
}};

// Subcommand and awaited answer of each kind of read.
struct KindRequest {
  uint8_t subcommand;
  int awaited;
};
KindRequest RequestOf(ValueKind kind) {
  switch (kind) {
    case K::Status: return {proto::kSubViewerStatus, wait::kStatusRecord};
    case K::Live: return {proto::kSubViewerLive, wait::kLiveRecord};
    case K::Config: break;
  }
  return {proto::kSubViewerConfig, wait::kConfigRecord};
}

QString Latin1(const uint8_t* p, int n) {
  return QString::fromLatin1(reinterpret_cast<const char*>(p), std::max(0, n));
}

}  // namespace

const std::array<ViewerValue, kViewerValues>& ViewerReadTable() { return kReadTable; }

ViewerLink::ViewerLink(Shell& shell, FrameTransport& transport, const Clock& clock)
    : TimeOfDay([] { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")); }),
      shell_(shell),
      transport_(transport),
      clock_(clock) {}

void ViewerLink::LogLine(const QString& text) {
  shell_.AddLogLine(TimeOfDay() + QLatin1Char(' ') + text);
}

void ViewerLink::FrameReceived(const TBuffer& data, int len) {
  int L = 0;
  const uint8_t* p = AnswerPayload(data, len, L);
  if (!p) return;

  // Bytes past the payload read as 0, never as stale buffer bytes.
  auto at = [&](int i) -> uint8_t { return i < L ? p[i] : 0; };
  const uint8_t sub = at(6);
  switch (p[5]) {
    case proto::kCmdDiagText:
      LogLine(Latin1(p + 6, L - 6));
      return;
    case proto::kCmdAck:
      WaitFlag = wait::kAck;
      return;
    case proto::kCmdError:
      WorkingData.Data[0] = sub;
      WorkingData.Hdr.Pid = static_cast<uint16_t>(at(7) | (at(8) << 8));
      WorkingData.Hdr.Len = static_cast<uint16_t>(at(9) | (at(10) << 8));
      WaitFlag = wait::kError;
      return;
    case proto::kCmdRead:
      break;
    default:
      return;
  }
  switch (sub) {
    case proto::kSubViewerConfig: return TakeRecord(p, L, wait::kConfigRecord);
    case proto::kSubViewerLive: return TakeRecord(p, L, wait::kLiveRecord);
    case proto::kSubViewerStatus: return TakeRecord(p, L, wait::kStatusRecord);
    case proto::kSubIdent: {
      QString imei;
      for (int i = 0; i < proto::kIdentBytes && at(7 + i) != 0; ++i) imei += QChar(at(7 + i));
      LogLine(QStringLiteral("IMEI: ") + imei);
      return;
    }
    default:
      return;
  }
}

void ViewerLink::TakeRecord(const uint8_t* p, int L, int flag) {
  // A record claiming more than a record holds or than its frame carries is dropped like a
  // corrupt frame; the request then times out.
  if (RecordOfAnswer(p, L, WorkingData)) WaitFlag = flag;
}

void ViewerLink::Send(uint8_t subcommand, const uint8_t* args, int n) {
  WaitFlag = wait::kNone;
  std::vector<uint8_t> payload = {1, 1, 5, 0x0A, DataSeqNo, proto::kCmdRead, subcommand};
  payload.insert(payload.end(), args, args + n);
  const std::vector<uint8_t> frame = BuildFrame(payload);
  ++DataSeqNo;
  transport_.Write(frame.data(), frame.size());
}

uint8_t ViewerLink::Wait(int awaited) {
  const Duration start = clock_.Now();
  while (clock_.Now() - start < kLocalTimeout && WaitFlag == wait::kNone) shell_.ProcessMessages();
  if (WaitFlag == awaited) return result::kOk;
  if (WaitFlag == wait::kError) {
    // An error answer carrying code 0 must not pass for the value.
    const uint8_t code = WorkingData.Data[0];
    return code == result::kOk ? result::kErrorAnswer : code;
  }
  return result::kDeviceNotRespond;
}

uint8_t ViewerLink::ReadValue(ValueKind kind, uint16_t Pid, uint16_t Len, TData& record) {
  const KindRequest req = RequestOf(kind);
  const uint8_t args[4] = {static_cast<uint8_t>(Pid & 0xFF), static_cast<uint8_t>(Pid >> 8),
                           static_cast<uint8_t>(Len & 0xFF), static_cast<uint8_t>(Len >> 8)};
  Send(req.subcommand, args, 4);
  const uint8_t r = Wait(req.awaited);
  const bool errorAnswer = r != result::kOk && r != result::kDeviceNotRespond;
  if (r == result::kOk || (errorAnswer && kind == ValueKind::Config)) {
    record.Hdr = WorkingData.Hdr;
    const int n = std::min<int>(record.Hdr.Len, kRecordDataSize);
    if (r == result::kOk)
      std::copy_n(WorkingData.Data.begin(), n, record.Data.begin());
    else
      std::fill_n(record.Data.begin(), n, 0);
  }
  return r;
}

void ViewerLink::SendIdentity() { Send(proto::kSubIdent, nullptr, 0); }

QString ViewerLink::LineOf(ValueKind kind, const TData& record, const TextLocale& locale) {
  switch (kind) {
    case K::Status:
      return QString::fromLatin1(Configs::DecodeViewerStatus(record, locale));
    case K::Live:
      return QString::fromLatin1(Firmware::DecodeViewerLiveData(record, locale));
    case K::Config:
      break;
  }
  return QString::fromLatin1(DecodeViewerParam(record));
}

int ViewerLink::IconOf(ValueKind kind, const TData& record) {
  switch (kind) {
    case K::Status: return Configs::ViewerStatusIcon(record);
    case K::Live: return Firmware::LiveDataIcon(record);
    case K::Config: break;
  }
  return 0;
}

bool ViewerLink::Refresh(const TextLocale& locale,
                         const std::function<void(const QString&)>& addLine) {
  ParametersIcon.clear();
  stop_ = false;
  for (int p = 1; p <= kViewerValues; ++p) {
    if (stop_) return false;
    const ViewerValue& v = kReadTable[p - 1];
    TData record;
    const uint8_t r = ReadValue(v.kind, v.Pid, v.Len, record);
    if (r == result::kDeviceNotRespond) {
      shell_.ShowError(kNoAnswerText);
      return false;
    }
    if (r != result::kOk) continue;
    const int icon = IconOf(v.kind, record);
    if (icon > 0) ParametersIcon.insert(p, icon);
    addLine(LineOf(v.kind, record, locale));
  }
  return true;
}

}  // namespace ravok::viewer
