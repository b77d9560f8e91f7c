#include "tools/trackersim/TrackerCore.h"

#include <algorithm>
#include <array>

#include "tools/trackersim/Catalogues.h"

namespace ravok::sim {
namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutU16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// Sizes of the pieces a split frame is cut into, used in turn: single bytes, pieces that
// end inside the header, and pieces that cross the length field.
constexpr std::array<int, 5> kSplitPieces = {1, 7, 3, 5, 2};

// Diagnostic texts the tracker sends now and then with --chatter.
constexpr std::array<const char*, 4> kChatter = {
    "GPS: fix 3D, 9 satellites",
    "GSM: registered, signal 24",
    "CAN1: running, 1520 frames",
    "Power 12.6 V, battery 4.1 V",
};

const TData* FindRecord(const TDataList& list, uint16_t pid, uint16_t len) {
  for (const auto& r : list)
    if (r.Hdr.Pid == pid && r.Hdr.Len == len) return &r;
  return nullptr;
}

}  // namespace

TrackerCore::TrackerCore(SimOptions opts)
    : opts_(std::move(opts)),
      assembler_([this](const TBuffer& f, int len) { OnFrame(f, len); }) {
  readFaults_ = {opts_.silentAt, opts_.errorAt, opts_.badChecksumAt};
  config_ = opts_.config ? *opts_.config : DefaultConfiguration();
  live_ = DefaultLiveData();
  status_ = DefaultStatus(opts_.imei);
}

Duration TrackerCore::ByteTime(int64_t k) const {
  if (opts_.baud <= 0) return Duration{};
  // Whole nanoseconds from the start of the run, so no rounding error piles up.
  return Duration{k * kBitsPerByte * int64_t{1'000'000'000} / opts_.baud};
}

void TrackerCore::Receive(const uint8_t* data, size_t n, Duration now) {
  // The manager's bytes reach us at once on a pseudo-terminal; on a real line they take
  // their wire time, so a request counts as complete only when its last byte would be.
  // A byte in hand has been received completely: the first byte of a burst is through the
  // line now, each further one a byte time after the one before.
  for (size_t i = 0; i < n; ++i) {
    if (inCount_ == 0 || now >= inStart_ + ByteTime(inCount_)) {
      inStart_ = now;
      inCount_ = 0;
    }
    lineIn_ = inStart_ + ByteTime(inCount_++);
    assembler_.Feed(data + i, 1);
  }
}

void TrackerCore::OnFrame(const TBuffer& frame, int len) {
  ++counters_.framesReceived;
  const int L = len - kFrameOverhead;
  const uint8_t* p = frame.data() + 3;
  // Checksum over payload and checksum byte is 0; the header names the manager.
  if (XorOf(p, L + 1) != 0 || p[2] != proto::kFixed || p[3] != proto::kOriginManager) {
    ++counters_.framesIgnored;
    return;
  }
  const bool block = p[5] == proto::kCmdImage && L == 7 + kImageBlockSize;
  const bool groupOk = block ? (p[0] == proto::kImageGroupBlocks && p[1] >= 1 && p[1] <= proto::kImageGroupBlocks)
                             : (p[0] == 1 && p[1] == 1);
  if (!groupOk) {
    ++counters_.framesIgnored;
    return;
  }
  requestSeq_ = p[4];
  if (onRequest_) onRequest_(p, L);
  Dispatch(p, L);
}

void TrackerCore::Dispatch(const uint8_t* p, int L) {
  if (L < 7) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));  // no subcommand
  const uint8_t cmd = p[5], sub = p[6];
  switch (cmd) {
    case proto::kCmdRead:
      switch (sub) {
        case proto::kSubConfig: return ReadIndexed(p, L, config_, &readFaults_);
        case proto::kSubLive: return ReadIndexed(p, L, live_, nullptr);
        case proto::kSubStatus: return ReadIndexed(p, L, status_, nullptr);
        case proto::kSubViewerConfig: return ReadById(p, L, config_);
        case proto::kSubViewerLive: return ReadById(p, L, live_);
        case proto::kSubViewerStatus: return ReadById(p, L, status_);
        case proto::kSubIdent: {
          auto a = Header(proto::kCmdRead);
          a.push_back(proto::kSubIdent);
          for (int i = 0; i < kIdentSize; ++i)
            a.push_back(i < static_cast<int>(opts_.imei.size()) ? static_cast<uint8_t>(opts_.imei[i]) : 0);
          return Answer(std::move(a));
        }
        case proto::kSubDebugLines: {
          auto a = Header(proto::kCmdRead);
          a.push_back(proto::kSubDebugLines);
          for (char c : DebugText()) a.push_back(static_cast<uint8_t>(c));
          return Answer(std::move(a));
        }
      }
      break;
    case proto::kCmdWrite:
      if (sub == proto::kSubConfig) return Write(p, L);
      break;
    case proto::kCmdImage:
      if (L == 7 + kImageBlockSize) return ImageBlock(p, L);
      if (L == 13) return ImageEnd(p, L);
      break;
    case proto::kCmdText:
      if ((sub == proto::kSubTextFirst || sub == proto::kSubTextSecond) && L >= 7) return TextCommandFrame(p, L);
      break;
  }
  Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));
}

void TrackerCore::ReadIndexed(const uint8_t* p, int L, const TDataList& list, const Faults* faults) {
  if (L < 9) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));
  const int index = U16(p + 7);
  const uint8_t sub = p[6];
  if (index == 0) {
    TData count;
    count.Hdr = {0, 2};
    count.Data[0] = static_cast<uint8_t>(list.size() & 0xFF);
    count.Data[1] = static_cast<uint8_t>(list.size() >> 8);
    return Answer(RecordAnswer(sub, count), faults, index);
  }
  if (index > static_cast<int>(list.size()))
    return Answer(ErrorAnswer(kErrIndexOutOfRange, 0, 0), faults, index);
  Answer(RecordAnswer(sub, list[index - 1]), faults, index);
}

void TrackerCore::ReadById(const uint8_t* p, int L, const TDataList& list) {
  if (L < 11) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));
  const uint16_t pid = U16(p + 7), len = U16(p + 9);
  if (const TData* r = FindRecord(list, pid, len)) return Answer(RecordAnswer(p[6], *r));
  Answer(ErrorAnswer(kErrParameterNotExists, pid, len));
}

void TrackerCore::Write(const uint8_t* p, int L) {
  const int n = ++counters_.writes;
  if (L < 11) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0), &opts_.writeFaults, n);
  TData rec;
  rec.Hdr = {U16(p + 7), U16(p + 9)};
  // The record must lie inside the frame and fit the 256-byte data area.
  if (rec.Hdr.Len > kRecordDataSize || 11 + rec.Hdr.Len > L)
    return Answer(ErrorAnswer(kErrUnknownMessage, rec.Hdr.Pid, rec.Hdr.Len), &opts_.writeFaults, n);
  std::copy(p + 11, p + 11 + rec.Hdr.Len, rec.Data.begin());
  // A faulted write changes nothing: the manager sees an error or nothing at all.
  const bool faulted = opts_.writeFaults.silentAt == n || opts_.writeFaults.errorAt.count(n);
  if (!faulted) {
    const bool del = rec.Hdr.Pid == kDeletePid && rec.Hdr.Len == kDeleteLen;
    const THeader target = del ? THeader{U16(rec.Data.data()), U16(rec.Data.data() + 2)} : rec.Hdr;
    auto same = [&](const TData& r) { return r.Hdr == target; };
    if (del) {
      std::erase_if(config_, same);
    } else if (auto it = std::find_if(config_.begin(), config_.end(), same); it != config_.end()) {
      *it = rec;
    } else {
      config_.push_back(rec);
    }
  }
  Answer(Header(proto::kCmdAck), &opts_.writeFaults, n, rec.Hdr);
}

void TrackerCore::ImageBlock(const uint8_t* p, int /*L*/) {
  if (p[6] < proto::kSubImageGroup0) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));
  const int n = (p[6] - proto::kSubImageGroup0) * proto::kImageGroupBlocks + (p[1] - 1);
  if (n >= kMaxImageBlocks)
    return Answer(ErrorAnswer(kErrIndexOutOfRange, 0, 0), &opts_.imageFaults, n);
  const bool faulted = opts_.imageFaults.silentAt == n || opts_.imageFaults.errorAt.count(n);
  if (!faulted) {
    if (n == 0 || imageState_ != ImageState::Receiving) {  // block 0 starts a new upload
      image_.clear();
      haveBlock_.clear();
      imageBlocks_ = 0;
      imageValue_.reset();
      imageState_ = ImageState::Receiving;
    }
    const size_t end = static_cast<size_t>(n + 1) * kImageBlockSize;
    if (image_.size() < end) image_.resize(end, 0xFF);
    if (haveBlock_.size() < static_cast<size_t>(n + 1)) haveBlock_.resize(n + 1, false);
    std::copy(p + 7, p + 7 + kImageBlockSize, image_.begin() + static_cast<long>(n) * kImageBlockSize);
    if (!haveBlock_[n]) ++imageBlocks_;
    haveBlock_[n] = true;
  }
  Answer(Header(proto::kCmdAck), &opts_.imageFaults, n);
}

bool TrackerCore::EndFrameSubcommand(uint8_t sub, bool& sums) const {
  const bool type10 = opts_.deviceType == 10 || opts_.deviceType == 12;
  const bool anyType = opts_.deviceType == 0;
  sums = sub == proto::kSubImageSums || sub == proto::kSubImageSumsNew;
  if (sub == proto::kSubImageSums || sub == proto::kSubImageValue) return anyType || !type10;
  if (sub == proto::kSubImageSumsNew || sub == proto::kSubImageValueNew) return anyType || type10;
  return false;
}

void TrackerCore::ImageEnd(const uint8_t* p, int /*L*/) {
  bool sums = false;
  if (!EndFrameSubcommand(p[6], sums)) return Answer(ErrorAnswer(kErrUnknownMessage, 0, 0));
  const int blocks = U16(p + 7);
  const Faults& f = opts_.imageFaults;
  if (f.silentAt == blocks || f.errorAt.count(blocks)) return Answer(Header(proto::kCmdAck), &f, blocks);

  // The end frame checks out only when exactly blocks 0 to B-1 arrived; a repeated end
  // frame checks the same blocks again.
  bool ok = imageState_ != ImageState::None && blocks > 0 && imageBlocks_ == blocks &&
            static_cast<int>(haveBlock_.size()) == blocks;
  if (ok && sums) {
    uint16_t s1 = 0, s2 = 0;
    for (size_t i = 0; i < static_cast<size_t>(blocks) * kImageBlockSize; ++i) {
      s1 = static_cast<uint16_t>(s1 + image_[i]);
      s2 = static_cast<uint16_t>(s2 + s1);
    }
    ok = s1 == U16(p + 9) && s2 == U16(p + 11);
  } else if (ok) {
    imageValue_ = U32(p + 9);
    ok = *imageValue_ != 0;
  }
  if (imageState_ != ImageState::None) imageState_ = ok ? ImageState::Good : ImageState::Bad;
  if (onImageEnd_) onImageEnd_(*this);
  Answer(ok ? Header(proto::kCmdAck) : ErrorAnswer(kErrImageRejected, 0, 0), &f, blocks);
}

void TrackerCore::TextCommandFrame(const uint8_t* p, int L) {
  TextCommand t;
  t.second = p[6] == proto::kSubTextSecond;
  for (int i = 7; i < std::min(L, 7 + kTextCommandSize) && p[i] != 0; ++i) t.text += static_cast<char>(p[i]);
  textCommands_.push_back(t);
  Answer(Header(proto::kCmdAck));
}

std::vector<uint8_t> TrackerCore::ImageBytes() const {
  const size_t n = std::min(image_.size(), haveBlock_.size() * kImageBlockSize);
  return {image_.begin(), image_.begin() + static_cast<long>(n)};
}

std::vector<uint8_t> TrackerCore::Header(uint8_t cmd) const {
  return {1, 1, proto::kFixed, proto::kOriginTracker, requestSeq_, cmd};
}

std::vector<uint8_t> TrackerCore::RecordAnswer(uint8_t sub, const TData& rec) const {
  auto a = Header(proto::kCmdRead);
  a.push_back(sub);
  PutU16(a, rec.Hdr.Pid);
  PutU16(a, rec.Hdr.Len);
  const int len = std::min<int>(rec.Hdr.Len, kRecordDataSize);
  a.insert(a.end(), rec.Data.begin(), rec.Data.begin() + len);
  return a;
}

std::vector<uint8_t> TrackerCore::ErrorAnswer(uint8_t code, uint16_t pid, uint16_t len) const {
  auto a = Header(proto::kCmdError);
  a.push_back(code);
  PutU16(a, pid);
  PutU16(a, len);
  return a;
}

void TrackerCore::Answer(std::vector<uint8_t> payload, const Faults* faults, int n, THeader about) {
  const Duration ready = lineIn_ + opts_.delay;
  if (faults && faults->silentAt == n) {
    ++counters_.silenced;
    return;
  }
  if (faults) {
    if (auto it = faults->errorAt.find(n); it != faults->errorAt.end()) {
      // The error names the record the request was about.
      if (payload.size() >= 11 && payload[5] == proto::kCmdRead) about = {U16(&payload[7]), U16(&payload[9])};
      payload = ErrorAnswer(it->second, about.Pid, about.Len);
    }
  }
  if (payload[5] == proto::kCmdError) ++counters_.errorAnswers;
  ++counters_.answers;
  auto frame = BuildFrame(payload);
  if (faults && faults->badChecksumAt == n) frame[frame.size() - 2] ^= 0xFF;
  Enqueue(frame, ready);
}

void TrackerCore::Enqueue(const std::vector<uint8_t>& frame, Duration ready) {
  const Duration start = std::max(ready, lineOut_);
  size_t piece = 0, inPiece = 0;
  for (size_t k = 0; k < frame.size(); ++k) {
    const size_t pieceSize = kSplitPieces[piece % kSplitPieces.size()];
    const Duration gap = opts_.split ? kSplitGap * static_cast<int64_t>(piece) : Duration{};
    const bool pieceEnd = opts_.split && ++inPiece == pieceSize;
    const bool frameEnd = k + 1 == frame.size();
    out_.push_back({frame[k], start + ByteTime(static_cast<int64_t>(k) + 1) + gap, pieceEnd || frameEnd, frameEnd});
    if (pieceEnd) {
      ++piece;
      inPiece = 0;
    }
  }
  lineOut_ = out_.back().due;
}

std::string TrackerCore::DebugText() const {
  std::string s;
  s += "Ravok simulated tracker\n";
  s += "IMEI: " + opts_.imei + "\n";
  s += "Parameters: " + std::to_string(config_.size()) + "\n";
  s += "Frames: " + std::to_string(counters_.framesReceived) + " received, " +
       std::to_string(counters_.framesIgnored) + " ignored\n";
  s += "Image: " + std::to_string(imageBlocks_) + " blocks";
  return s;  // the last line has no line end: the receiver shows it too
}

void TrackerCore::ChatterDue(Duration now) {
  if (!opts_.chatter) return;
  if (!nextChatter_) nextChatter_ = now + kChatterPeriod;
  while (*nextChatter_ <= now) {
    std::vector<uint8_t> a = {1, 1, proto::kFixed, proto::kOriginTracker, ownSeq_++, proto::kCmdDiagText};
    for (const char* c = kChatter[chatterIndex_++ % kChatter.size()]; *c; ++c) a.push_back(static_cast<uint8_t>(*c));
    ++counters_.chatterLines;
    Enqueue(BuildFrame(a), *nextChatter_);
    *nextChatter_ += kChatterPeriod;
  }
}

std::vector<uint8_t> TrackerCore::TakeOutput(Duration now) {
  ChatterDue(now);
  std::vector<uint8_t> bytes;
  while (!out_.empty() && out_.front().due <= now) {
    bytes.push_back(out_.front().byte);
    out_.pop_front();
  }
  return bytes;
}

std::optional<Duration> TrackerCore::NextBatchTime(size_t maxBytes) const {
  std::optional<Duration> t;
  for (size_t i = 0; i < out_.size() && i < std::max<size_t>(maxBytes, 1); ++i) {
    t = out_[i].due;
    if (out_[i].lastOfPiece) break;
  }
  if (nextChatter_ && (!t || *nextChatter_ < *t)) t = nextChatter_;
  return t;
}

bool TrackerCore::NextBatchEndsFrame(size_t maxBytes) const {
  for (size_t i = 0; i < out_.size() && i < std::max<size_t>(maxBytes, 1); ++i)
    if (out_[i].lastOfPiece) return out_[i].lastOfFrame;
  return false;
}

std::optional<Duration> TrackerCore::NextOutputTime() const {
  std::optional<Duration> t;
  if (!out_.empty()) t = out_.front().due;
  if (nextChatter_ && (!t || *nextChatter_ < *t)) t = nextChatter_;
  return t;
}

}  // namespace ravok::sim
