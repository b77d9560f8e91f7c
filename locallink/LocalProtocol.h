// The request and answer protocol spoken with a tracker over the local link: the requests
// with their exact frames, the receiver that turns every incoming frame into answer state,
// the waiting rule, and the transactions built from single requests (whole configuration,
// live data, status, configuration write, image upload).
//
// One request is outstanding at a time. Answers carry no reference to their request: the
// first answer of any kind that arrives while a request waits ends the wait, so a late
// answer to an earlier request may be taken by the next one. Everything runs on the main
// thread; the wait keeps the main loop running through Shell::ProcessMessages so frames are
// delivered and the Terminate button works.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "locallink/Clock.h"
#include "locallink/DeviceError.h"
#include "locallink/Frame.h"
#include "locallink/FrameProtocol.h"
#include "locallink/FrameTransport.h"
#include "locallink/Progress.h"
#include "locallink/Shell.h"
#include "params/Records.h"

namespace ravok {

// Which answer arrived since the last request was built (LocalProtocol::WaitFlag).
namespace wait {
constexpr int kNone = 0;
constexpr int kAck = 1;
constexpr int kError = 2;
constexpr int kConfigRecord = 3;
constexpr int kLiveRecord = 4;
constexpr int kStatusRecord = 5;
constexpr int kDebugLines = 6;
constexpr int kIdent = 7;
}  // namespace wait


constexpr int kMinDeviceType = 4;
constexpr int kMaxDeviceType = 13;
constexpr int kDefaultDeviceType = 4;

// The payload of an answer frame when it passes the receiver's tests (length fields agree,
// payload and checksum exclusive-or to 0, payload bytes 0..3 are 1, 1, 5, 0x14); nullptr
// otherwise. L gets the payload length. Shared with the viewer's receiver.
const uint8_t* AnswerPayload(const TBuffer& data, int len, int& L);

// The record carried by a record answer (Pid at payload offset 7, Len at 9, data from 11)
// into out. False, out untouched, when the payload is too short for the header or the
// record claims more data than its frame carries or than a record holds.
bool RecordOfAnswer(const uint8_t* payload, int L, TData& out);

class LocalProtocol {
 public:
  LocalProtocol(Shell& shell, FrameTransport& transport,
                const Clock& clock = SteadyClock::Instance());

  // The selected device type (4..13); device types 10 and 12 end an image upload with the
  // newer subcommands. Values outside 4..13 are ignored.
  void SetDeviceType(int type);
  int DeviceType() const { return deviceType_; }

  // The receiver: called for every complete frame (start byte to end byte), whether or not
  // a request waits. Frames with a wrong checksum, wrong header bytes or an unknown command
  // are ignored.
  void FrameReceived(const TBuffer& data, int len);

  // Single requests. Each returns 0 when the awaited answer arrived, the code of the
  // tracker's error answer, or 255 when no fitting answer came within the time-out.
  uint8_t ReadConfigRecord(uint16_t index, TData& record);
  uint8_t ReadLiveRecord(uint16_t index, TData& record);
  uint8_t ReadStatusRecord(uint16_t index, TData& record);
  uint8_t ReadDeviceIdent(QString& text);
  uint8_t RequestDebugLines();
  uint8_t WriteConfigRecord(const TData& record);
  uint8_t SendImageBlock(uint16_t block, std::span<const uint8_t, proto::kImageBlockSize> bytes);
  uint8_t FinishImageSums(const std::array<uint8_t, 6>& bytes);
  uint8_t FinishImageValue(const std::array<uint8_t, 6>& bytes);
  uint8_t SendTextCommand(const QString& text, bool second);

  // Transactions. Each shows at most one message (through ShowDeviceError) and returns
  // false on failure; the lists keep what was read before a failure.
  bool ReadConfiguration(TDataList& list);
  bool ReadLiveData(TDataList& list);
  bool ReadStatus(TDataList& list);
  bool WriteConfiguration(const THeaderList& deletions, const TDataList& records);
  // Sends size bytes of image in 256-byte blocks, then the end frame: the block count and
  // the two running sums when value is 0, else the block count and value. Bytes of the last
  // block beyond the image are sent as the image holds them, 0xFF beyond its end.
  bool UploadImage(int size, std::span<const uint8_t> image, uint32_t value);

  void ShowDeviceError(uint8_t code) { ravok::ShowDeviceError(shell_, code); }
  ProgressDisplay& Progress() { return progress_; }
  Shell& GetShell() { return shell_; }

  // A request of any kind, for requests outside the table above (the viewer's older
  // reads): payload offsets 0..6 from RequestHeader plus the arguments; Exchange sets
  // WaitFlag to 0, fills in and increments DataSeqNo, sends the frame and waits for the
  // awaited answer with the result rule of every request.
  using Payload = std::vector<uint8_t>;
  static Payload RequestHeader(uint8_t command, uint8_t subcommand, uint8_t group = 1,
                               uint8_t index = 1);
  uint8_t Exchange(Payload payload, int awaited, Duration timeout);

  // Answer state.
  int WaitFlag = wait::kNone;
  TData WorkingData{};
  uint8_t DataSeqNo = 0;
  bool& TerminateFlag() { return shell_.TerminateFlag; }

 private:
  uint8_t Wait(int awaited, Duration timeout);
  uint8_t ReadRecord(uint8_t subcommand, int awaited, uint16_t index, TData& record);
  bool ReadTable(uint8_t (LocalProtocol::*request)(uint16_t, TData&), TDataList& list);
  uint8_t FinishImage(uint8_t subcommand, const std::array<uint8_t, 6>& bytes);
  bool UsesNewImageEnd() const { return deviceType_ == 10 || deviceType_ == 12; }

  void TakeRecord(const uint8_t* payload, int len, int flag);
  void TakeDebugLines(const uint8_t* payload, int len);

  Shell& shell_;
  FrameTransport& transport_;
  const Clock& clock_;
  ProgressDisplay progress_;
  int deviceType_ = kDefaultDeviceType;
};

}  // namespace ravok
