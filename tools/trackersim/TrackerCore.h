// The simulated tracker: the tracker side of the serial frame protocol, independent of any
// port. Bytes from the manager go in through Receive; the answers come out of TakeOutput,
// each byte at the time it is due. The shaping of the output (answer delay, pacing to a
// baud rate, frames cut into small pieces) and the faults on demand live here, so that unit
// tests drive the tracker in-process on a fake clock exactly as the program drives it on a
// pseudo-terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "locallink/Clock.h"
#include "locallink/Frame.h"
#include "locallink/FrameProtocol.h"
#include "params/Records.h"

namespace ravok::sim {

// Error codes the tracker answers with.
constexpr uint8_t kErrUnknownMessage = 100;
constexpr uint8_t kErrIndexOutOfRange = 101;
constexpr uint8_t kErrParameterNotExists = 102;
constexpr uint8_t kErrImageRejected = 3;  // end frame whose count or sums do not match

constexpr int kImageBlockSize = proto::kImageBlockSize;
constexpr int kMaxImageBlocks = 0x80000 / kImageBlockSize;  // the 512 KB image buffer
constexpr int kIdentSize = 16;
constexpr int kTextCommandSize = 15;

// Output shaping.
constexpr Duration kSplitGap = std::chrono::milliseconds(2);  // between the pieces of a frame
constexpr Duration kChatterPeriod = std::chrono::seconds(3);
constexpr int kBitsPerByte = 10;  // 8N1: start bit, 8 data bits, stop bit

// Faults for one kind of request, keyed by the request's number (see SimOptions).
struct Faults {
  std::optional<int> silentAt;           // no answer at all
  std::map<int, uint8_t> errorAt;        // error answer with this code
  std::optional<int> badChecksumAt;      // the answer's checksum byte is wrong
};

struct SimOptions {
  // Faults of ReadConfigRecord(N), N being the record index (0 is the count).
  std::optional<int> silentAt;
  std::map<int, uint8_t> errorAt;
  Duration delay{};                      // extra time before every answer
  std::optional<int> badChecksumAt;
  bool split = false;                    // every frame goes out in small pieces
  int baud = 0;                          // 0: unpaced; else each byte takes 10 bit times
  bool chatter = false;                  // unsolicited diagnostic text every kChatterPeriod
  std::string imei = "356938035643809";
  // Faults of WriteConfigRecord, N counting write requests from 1 since the start.
  Faults writeFaults;
  // Faults of an image upload, N being the 0-based block number; the end frame of an
  // upload of B blocks counts as number B.
  Faults imageFaults;
  // 0 accepts both end-frame variants; 4 to 13 accepts only the subcommands of that type.
  int deviceType = 0;
  // Configuration to start with; empty: every catalogue default that encodes.
  std::optional<TDataList> config;
};

enum class ImageState { None, Receiving, Good, Bad };

struct TextCommand {
  bool second = false;   // subcommand 0x33 (Settings) rather than 0x32 (BlackBox)
  std::string text;
  friend bool operator==(const TextCommand&, const TextCommand&) = default;
};

struct SimCounters {
  int framesReceived = 0;  // complete frames cut from the input
  int framesIgnored = 0;   // wrong checksum or header bytes: no answer
  int answers = 0;         // frames queued in reply to requests
  int errorAnswers = 0;
  int silenced = 0;        // requests left unanswered on purpose
  int writes = 0;          // WriteConfigRecord requests, deletions included
  int chatterLines = 0;
};

class TrackerCore {
 public:
  explicit TrackerCore(SimOptions opts = {});

  // Bytes from the manager, in any split; `now` is when they arrived.
  void Receive(const uint8_t* data, size_t n, Duration now);
  // Bytes due to go out by `now`, in order.
  std::vector<uint8_t> TakeOutput(Duration now);
  // When the next byte is due; nothing while the tracker has nothing to say.
  std::optional<Duration> NextOutputTime() const;
  // When the next batch of at most `maxBytes` bytes is complete: the due time of the
  // maxBytes-th pending byte, or of the last byte of a frame (or of a split piece) if that
  // comes first. A program that wakes only then hands bytes over as a UART's receive FIFO
  // does, without ever delivering a byte before its time or a frame's end late.
  std::optional<Duration> NextBatchTime(size_t maxBytes) const;
  // Whether that batch ends with the last byte of a frame: the byte whose time the
  // manager's wait depends on.
  bool NextBatchEndsFrame(size_t maxBytes) const;

  const SimOptions& Options() const { return opts_; }
  const TDataList& Configuration() const { return config_; }
  const TDataList& LiveData() const { return live_; }
  const TDataList& Status() const { return status_; }
  // The blocks of the current or last upload (block count x 256 bytes, 0xFF where no
  // block arrived) and the outcome of its end frame.
  std::vector<uint8_t> ImageBytes() const;
  int ImageBlocks() const { return imageBlocks_; }
  ImageState Image() const { return imageState_; }
  std::optional<uint32_t> ImageValue() const { return imageValue_; }
  const std::vector<TextCommand>& TextCommands() const { return textCommands_; }
  const SimCounters& Counters() const { return counters_; }
  // Called after every end frame, with the image's outcome (the program writes the file).
  void SetImageFinished(std::function<void(const TrackerCore&)> f) { onImageEnd_ = std::move(f); }
  // Called with the payload of every request the tracker accepts, before it is answered.
  void SetRequestHook(std::function<void(const uint8_t* payload, int len)> f) { onRequest_ = std::move(f); }

 private:
  struct Pending {
    uint8_t byte;
    Duration due;
    bool lastOfPiece;  // last byte of a frame or of a split piece
    bool lastOfFrame;
  };
  void OnFrame(const TBuffer& frame, int len);
  void Dispatch(const uint8_t* p, int L);
  void ReadIndexed(const uint8_t* p, int L, const TDataList& list, const Faults* faults);
  void ReadById(const uint8_t* p, int L, const TDataList& list);
  void Write(const uint8_t* p, int L);
  void ImageBlock(const uint8_t* p, int L);
  void ImageEnd(const uint8_t* p, int L);
  void TextCommandFrame(const uint8_t* p, int L);
  bool EndFrameSubcommand(uint8_t sub, bool& sums) const;

  // Queue an answer unless a fault says otherwise; `faults` and `n` select the fault, and an
  // injected error answer names `about` (or the record the answer carries).
  void Answer(std::vector<uint8_t> payload, const Faults* faults = nullptr, int n = 0,
              THeader about = {});
  std::vector<uint8_t> Header(uint8_t cmd) const;
  std::vector<uint8_t> RecordAnswer(uint8_t sub, const TData& rec) const;
  std::vector<uint8_t> ErrorAnswer(uint8_t code, uint16_t pid, uint16_t len) const;
  std::string DebugText() const;
  void Enqueue(const std::vector<uint8_t>& frame, Duration ready);
  void ChatterDue(Duration now);
  Duration ByteTime(int64_t k) const;

  SimOptions opts_;
  Faults readFaults_;
  TDataList config_, live_, status_;
  FrameAssembler assembler_;

  Duration lineIn_{};         // when the last received byte is through the modelled line
  Duration inStart_{};        // start of the current burst of received bytes
  int64_t inCount_ = 0;       // bytes of that burst
  Duration lineOut_{};        // when the output line is free again
  uint8_t requestSeq_ = 0;    // sequence number of the request being answered
  uint8_t ownSeq_ = 0;        // sequence numbers of unsolicited frames
  std::deque<Pending> out_;
  std::optional<Duration> nextChatter_;
  int chatterIndex_ = 0;

  std::vector<uint8_t> image_;
  std::vector<bool> haveBlock_;
  int imageBlocks_ = 0;
  ImageState imageState_ = ImageState::None;
  std::optional<uint32_t> imageValue_;
  std::function<void(const TrackerCore&)> onImageEnd_;
  std::function<void(const uint8_t*, int)> onRequest_;
  std::vector<TextCommand> textCommands_;
  SimCounters counters_;
};

}  // namespace ravok::sim
