#include "locallink/LocalProtocol.h"

#include <QTime>
#include <algorithm>

namespace ravok {
namespace {

constexpr uint8_t kRequestGroup = 1;
constexpr uint8_t kRequestIndex = 1;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

QString Latin1(const uint8_t* bytes, int n) {
  return QString::fromLatin1(reinterpret_cast<const char*>(bytes), n);
}

}  // namespace

LocalProtocol::LocalProtocol(Shell& shell, FrameTransport& transport, const Clock& clock)
    : shell_(shell), transport_(transport), clock_(clock), progress_(shell) {}

void LocalProtocol::SetDeviceType(int type) {
  if (type >= kMinDeviceType && type <= kMaxDeviceType) deviceType_ = type;
}

// ---- receiver ---------------------------------------------------------------------------

const uint8_t* AnswerPayload(const TBuffer& data, int len, int& L) {
  if (len < kMinPayload + kFrameOverhead || len > kMaxFrameSize) return nullptr;
  L = data[1] | (data[2] << 8);
  if (L + kFrameOverhead != len) return nullptr;
  const uint8_t* p = data.data() + 3;
  if (XorOf(p, L + 1) != 0) return nullptr;  // payload and checksum byte together give 0
  if (p[0] != 1 || p[1] != 1 || p[2] != proto::kFixed || p[3] != proto::kOriginTracker)
    return nullptr;
  return p;
}

bool RecordOfAnswer(const uint8_t* p, int L, TData& out) {
  if (L < proto::kRecordDataOffset) return false;
  const int recLen = p[9] | (p[10] << 8);
  // A record that claims more data than a record holds or than its frame carries is
  // corrupt: it is dropped like a frame with a bad checksum, and the request times out.
  if (recLen > kRecordDataSize || recLen > L - proto::kRecordDataOffset) return false;
  out.Hdr.Pid = static_cast<uint16_t>(p[7] | (p[8] << 8));
  out.Hdr.Len = static_cast<uint16_t>(recLen);
  std::copy_n(p + proto::kRecordDataOffset, recLen, out.Data.begin());
  return true;
}

void LocalProtocol::FrameReceived(const TBuffer& data, int len) {
  int L = 0;
  const uint8_t* p = AnswerPayload(data, len, L);
  if (!p) return;

  // Bytes past the payload read as 0, so a short frame can never reach stale buffer bytes.
  auto at = [&](int i) -> uint8_t { return i < L ? p[i] : 0; };
  const uint8_t command = p[5];
  const uint8_t sub = at(6);

  switch (command) {
    case proto::kCmdDiagText:
      shell_.AddLogLine(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
                        QLatin1Char(' ') + Latin1(p + 6, L - 6));
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
    case proto::kSubConfig: TakeRecord(p, L, wait::kConfigRecord); return;
    case proto::kSubLive: TakeRecord(p, L, wait::kLiveRecord); return;
    case proto::kSubStatus: TakeRecord(p, L, wait::kStatusRecord); return;
    case proto::kSubDebugLines: TakeDebugLines(p, L); return;
    case proto::kSubIdent:
      for (int i = 0; i < proto::kIdentBytes; ++i) WorkingData.Data[i] = at(7 + i);
      WaitFlag = wait::kIdent;
      return;
    default:
      return;
  }
}

void LocalProtocol::TakeRecord(const uint8_t* p, int L, int flag) {
  if (RecordOfAnswer(p, L, WorkingData)) WaitFlag = flag;
}

void LocalProtocol::TakeDebugLines(const uint8_t* p, int L) {
  WaitFlag = wait::kDebugLines;
  int start = 7;
  for (int i = 7; i < L; ++i) {
    if (p[i] != 0x0A) continue;
    shell_.AddLogLine(Latin1(p + start, i - start));
    start = i + 1;
  }
  if (start < L) shell_.AddLogLine(Latin1(p + start, L - start));
}

// ---- requests ---------------------------------------------------------------------------

LocalProtocol::Payload LocalProtocol::RequestHeader(uint8_t command, uint8_t subcommand,
                                                    uint8_t group, uint8_t index) {
  // The sequence number at offset 4 is filled in by Exchange.
  return {group, index, proto::kFixed, proto::kOriginManager, 0, command, subcommand};
}

uint8_t LocalProtocol::Exchange(Payload payload, int awaited, Duration timeout) {
  WaitFlag = wait::kNone;
  payload[4] = DataSeqNo++;
  const std::vector<uint8_t> frame = BuildFrame(payload);
  transport_.Write(frame.data(), frame.size());
  return Wait(awaited, timeout);
}

uint8_t LocalProtocol::Wait(int awaited, Duration timeout) {
  const Duration start = clock_.Now();
  while (clock_.Now() - start < timeout && WaitFlag == wait::kNone) shell_.ProcessMessages();
  if (WaitFlag == awaited) return result::kOk;
  if (WaitFlag == wait::kError) {
    // An error answer carrying code 0 would otherwise pass for success.
    const uint8_t code = WorkingData.Data[0];
    return code == result::kOk ? result::kErrorAnswer : code;
  }
  return result::kDeviceNotRespond;
}

uint8_t LocalProtocol::ReadRecord(uint8_t subcommand, int awaited, uint16_t index,
                                  TData& record) {
  Payload payload = RequestHeader(proto::kCmdRead, subcommand);
  PutU16(payload, index);
  const uint8_t r = Exchange(std::move(payload), awaited, kLocalTimeout);
  if (r == result::kOk) {
    record.Hdr = WorkingData.Hdr;
    std::copy_n(WorkingData.Data.begin(), record.Hdr.Len, record.Data.begin());
  }
  return r;
}

uint8_t LocalProtocol::ReadConfigRecord(uint16_t index, TData& record) {
  const uint8_t r = ReadRecord(proto::kSubConfig, wait::kConfigRecord, index, record);
  if (r != result::kOk && WaitFlag == wait::kError) {
    // The error answer names the parameter; the record keeps its header with zero data.
    record.Hdr = WorkingData.Hdr;
    std::fill_n(record.Data.begin(), std::min<int>(record.Hdr.Len, kRecordDataSize), 0);
  }
  return r;
}

uint8_t LocalProtocol::ReadLiveRecord(uint16_t index, TData& record) {
  return ReadRecord(proto::kSubLive, wait::kLiveRecord, index, record);
}

uint8_t LocalProtocol::ReadStatusRecord(uint16_t index, TData& record) {
  return ReadRecord(proto::kSubStatus, wait::kStatusRecord, index, record);
}

uint8_t LocalProtocol::ReadDeviceIdent(QString& text) {
  const uint8_t r = Exchange(RequestHeader(proto::kCmdRead, proto::kSubIdent), wait::kIdent,
                             kLocalTimeout);
  if (r == result::kOk) {
    const auto* d = WorkingData.Data.data();
    text = Latin1(d, static_cast<int>(std::find(d, d + proto::kIdentBytes, 0) - d));
  }
  return r;
}

uint8_t LocalProtocol::RequestDebugLines() {
  return Exchange(RequestHeader(proto::kCmdRead, proto::kSubDebugLines), wait::kDebugLines,
                  kLocalTimeout);
}

uint8_t LocalProtocol::WriteConfigRecord(const TData& record) {
  // A record never holds more than 256 data bytes; one that says otherwise cannot be sent
  // without reading past it.
  if (record.Hdr.Len > kRecordDataSize) return result::kDeviceNotRespond;
  Payload payload = RequestHeader(proto::kCmdWrite, proto::kSubWriteRecord);
  PutU16(payload, record.Hdr.Pid);
  PutU16(payload, record.Hdr.Len);
  payload.insert(payload.end(), record.Data.begin(), record.Data.begin() + record.Hdr.Len);
  return Exchange(std::move(payload), wait::kAck, kLocalTimeout);
}

uint8_t LocalProtocol::SendImageBlock(uint16_t block,
                                      std::span<const uint8_t, proto::kImageBlockSize> bytes) {
  const int group = block / proto::kImageGroupBlocks;
  Payload payload = RequestHeader(
      proto::kCmdImage, static_cast<uint8_t>(proto::kSubImageGroup0 + group),
      static_cast<uint8_t>(proto::kImageGroupBlocks),
      static_cast<uint8_t>(block % proto::kImageGroupBlocks + 1));
  payload.insert(payload.end(), bytes.begin(), bytes.end());
  return Exchange(std::move(payload), wait::kAck, kLocalTimeout);
}

uint8_t LocalProtocol::FinishImage(uint8_t subcommand, const std::array<uint8_t, 6>& bytes) {
  Payload payload = RequestHeader(proto::kCmdImage, subcommand);
  payload.insert(payload.end(), bytes.begin(), bytes.end());
  return Exchange(std::move(payload), wait::kAck, kLocalLongTimeout);
}

uint8_t LocalProtocol::FinishImageSums(const std::array<uint8_t, 6>& bytes) {
  return FinishImage(UsesNewImageEnd() ? proto::kSubImageSumsNew : proto::kSubImageSums, bytes);
}

uint8_t LocalProtocol::FinishImageValue(const std::array<uint8_t, 6>& bytes) {
  return FinishImage(UsesNewImageEnd() ? proto::kSubImageValueNew : proto::kSubImageValue,
                     bytes);
}

uint8_t LocalProtocol::SendTextCommand(const QString& text, bool second) {
  Payload payload =
      RequestHeader(proto::kCmdText, second ? proto::kSubTextSecond : proto::kSubTextFirst);
  for (int i = 0; i < proto::kTextCommandChars; ++i)
    payload.push_back(i < text.size() ? static_cast<uint8_t>(text[i].unicode() & 0xFF) : 0);
  payload.push_back(0);
  return Exchange(std::move(payload), wait::kAck, kLocalTimeout);
}

// ---- transactions -----------------------------------------------------------------------

bool LocalProtocol::ReadConfiguration(TDataList& list) {
  list.clear();
  TData first{};
  uint8_t error = ReadConfigRecord(0, first);
  if (error == result::kOk) {
    const int count = first.Data[0] | (first.Data[1] << 8);
    progress_.SetProgressMax(count);
    for (int i = 1; i <= count; ++i) {
      TData record{};
      const uint8_t r = ReadConfigRecord(static_cast<uint16_t>(i), record);
      progress_.ShowProgress(i);
      if (r != result::kOk) error = r;
      if (r == result::kDeviceNotRespond) break;
      list.push_back(record);  // an error answer is kept with its header and zero data
    }
  }
  progress_.ShowProgress(0);
  if (error != result::kOk) {
    ShowDeviceError(error);
    return false;
  }
  return true;
}

bool LocalProtocol::ReadTable(uint8_t (LocalProtocol::*request)(uint16_t, TData&),
                              TDataList& list) {
  list.clear();
  TData first{};
  uint8_t error = (this->*request)(0, first);
  if (error == result::kOk) {
    const int count = first.Data[0] | (first.Data[1] << 8);
    progress_.SetProgressMax(count);
    for (int i = 1; i <= count; ++i) {
      TData record{};
      error = (this->*request)(static_cast<uint16_t>(i), record);
      progress_.ShowProgress(i);
      if (error != result::kOk) break;
      list.push_back(record);
    }
  }
  progress_.ShowProgress(0);
  if (error != result::kOk) {
    ShowDeviceError(error);
    return false;
  }
  return true;
}

bool LocalProtocol::ReadLiveData(TDataList& list) {
  return ReadTable(&LocalProtocol::ReadLiveRecord, list);
}

bool LocalProtocol::ReadStatus(TDataList& list) {
  return ReadTable(&LocalProtocol::ReadStatusRecord, list);
}

bool LocalProtocol::WriteConfiguration(const THeaderList& deletions, const TDataList& records) {
  const int total = static_cast<int>(deletions.size() + records.size());
  progress_.SetProgressMax(total);
  int done = 0;
  for (const THeader& h : deletions) {
    const uint8_t r = WriteConfigRecord(MakeDeleteRecord(h));
    if (r != result::kOk) {
      ShowDeviceError(r);
      return false;
    }
    progress_.ShowProgress(++done);
  }
  uint8_t error = result::kOk;
  for (const TData& record : records) {
    error = WriteConfigRecord(record);
    if (error != result::kOk) break;
    progress_.ShowProgress(++done);
  }
  progress_.ShowProgress(0);
  if (error != result::kOk) {
    ShowDeviceError(error);
    return false;
  }
  return true;
}

bool LocalProtocol::UploadImage(int size, std::span<const uint8_t> image, uint32_t value) {
  constexpr int kBlock = proto::kImageBlockSize;
  const int blocks = (std::max(size, 0) - 1) / kBlock + 1;
  progress_.SetBlockProgressMax(blocks + 1);
  TerminateFlag() = false;
  uint16_t s1 = 0, s2 = 0;
  std::array<uint8_t, kBlock> block{};
  for (int b = 1; b <= blocks; ++b) {
    progress_.ShowBlockProgress(b);
    const size_t base = static_cast<size_t>(b - 1) * kBlock;
    for (int k = 0; k < kBlock; ++k) {
      // Past the caller's buffer the block holds what the image loaders fill with.
      block[k] = base + k < image.size() ? image[base + k] : 0xFF;
      s1 = static_cast<uint16_t>(s1 + block[k]);
      s2 = static_cast<uint16_t>(s2 + s1);
    }
    const uint8_t r = SendImageBlock(static_cast<uint16_t>(b - 1), block);
    if (r != result::kOk || TerminateFlag()) {
      ShowDeviceError(r);  // 0 here is a stop by Terminate: "Terminated!"
      progress_.ShowBlockProgress(0);
      progress_.SetBlockProgressMax(0);
      return false;
    }
  }
  progress_.ShowBlockProgress(blocks + 1);
  std::array<uint8_t, 6> end{};
  end[0] = static_cast<uint8_t>(blocks & 0xFF);
  end[1] = static_cast<uint8_t>((blocks >> 8) & 0xFF);
  uint8_t r;
  if (value == 0) {
    end[2] = static_cast<uint8_t>(s1 & 0xFF);
    end[3] = static_cast<uint8_t>(s1 >> 8);
    end[4] = static_cast<uint8_t>(s2 & 0xFF);
    end[5] = static_cast<uint8_t>(s2 >> 8);
    r = FinishImageSums(end);
  } else {
    for (int i = 0; i < 4; ++i) end[2 + i] = static_cast<uint8_t>(value >> (8 * i));
    r = FinishImageValue(end);
  }
  if (r != result::kOk) ShowDeviceError(r);
  progress_.ShowBlockProgress(0);
  progress_.SetBlockProgressMax(0);
  return r == result::kOk;
}

}  // namespace ravok
