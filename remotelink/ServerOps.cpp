#include "remotelink/ServerOps.h"

#include <algorithm>
#include <array>

namespace ravok {
namespace {

const QString kItemPrefix = QStringLiteral("item: ");

int64_t ToInt64(const QString& text) {
  bool ok = false;
  const qlonglong v = text.toLongLong(&ok, 10);
  return ok ? v : 0;
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  return -1;
}

// Blocks are cut from the caller's buffer; bytes past its end go out as 0xFF, the loaders'
// fill byte, so a short buffer is never read past.
std::array<uint8_t, kBlockSize> BlockOf(std::span<const uint8_t> image, int index) {
  std::array<uint8_t, kBlockSize> block;
  block.fill(0xFF);
  const size_t start = static_cast<size_t>(index) * kBlockSize;
  if (start < image.size()) {
    const size_t n = std::min<size_t>(kBlockSize, image.size() - start);
    std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(start), n, block.begin());
  }
  return block;
}

int BlockCount(int size, int blockSize) { return (size - 1) / blockSize + 1; }

// Fletcher-style sums of the firmware trailer and the bindata check value.
struct Sums {
  uint16_t s1 = 0;
  uint16_t s2 = 0;
  void Add(std::span<const uint8_t> bytes) {
    for (uint8_t x : bytes) {
      s1 = static_cast<uint16_t>(s1 + x);
      s2 = static_cast<uint16_t>(s2 + s1);
    }
  }
};

QString Hex16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
  return HexOf(b);
}

QString Hex32(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  return HexOf(b);
}

QString BlockItem(uint32_t tag, const std::array<uint8_t, kBlockSize>& block) {
  return kItemPrefix + QString::number(tag) + QStringLiteral(",256,") + HexOf(block);
}

void EndBlockProgress(ServerLink& link) {
  link.progress().ShowBlockProgress(0);
  link.progress().SetBlockProgressMax(0);
}

// Walks the answer of a record reader; stops at the first malformed item.
template <typename OnHeader>
bool ReadRecordItems(const QStringList& answer, TDataList& list, OnHeader onHeader) {
  for (const QString& line : answer) {
    onHeader(line);
    const QString item = ItemText(line);
    if (item.isNull()) continue;
    TData rec;
    if (!ParseDataItem(item, rec)) return false;
    list.push_back(rec);
  }
  return true;
}

int ServerReadRecords(ServerLink& link, const char* word, const char* header,
                      const TDevice& device, TDataList& list) {
  list.clear();
  QStringList answer;
  if (!link.ServerCommand(QLatin1String(word) + device.Imei, answer, true)) return -1;
  int result = -1;
  const QLatin1String prefix(header);
  ReadRecordItems(answer, list, [&](const QString& line) {
    if (line.startsWith(prefix)) result = HeaderCount(line, static_cast<int>(prefix.size()));
  });
  return result;
}

// getparam and setparam answers: exactly two lines, the second an item.
enum class ParamAnswer { Bad, NotItem, Item };

ParamAnswer CheckParamAnswer(ServerLink& link, const QStringList& answer) {
  if (answer.size() != 2) {
    link.shell().ShowError(QStringLiteral("Unexpected answer!"));
    return ParamAnswer::Bad;
  }
  return answer[1].startsWith(kItemPrefix) ? ParamAnswer::Item : ParamAnswer::NotItem;
}

// The two answer lines of bindata; the second must be "item: " and the block count.
bool CheckBinDataAnswer(ServerLink& link, const QStringList& answer, int blocks) {
  if (answer.size() != 2) {
    link.shell().ShowError(QStringLiteral("Unexpected answer!"));
    return false;
  }
  if (answer[1] != kItemPrefix + QString::number(blocks)) {
    link.shell().ShowError(QStringLiteral("Data overflow!"));
    return false;
  }
  return true;
}

}  // namespace

QString HexOf(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size() * 2));
  for (uint8_t b : bytes) {
    out.append(QLatin1Char(kDigits[b >> 4]));
    out.append(QLatin1Char(kDigits[b & 0x0F]));
  }
  return out;
}

uint32_t ItemU32(const QString& item, int n) {
  return static_cast<uint32_t>(ToInt64(ItemField(item, n)));
}

uint16_t ItemU16(const QString& item, int n) {
  bool ok = false;
  const int v = ItemField(item, n).toInt(&ok, 10);
  return ok ? static_cast<uint16_t>(v) : 0;
}

QString ItemText(const QString& line) {
  if (!line.startsWith(kItemPrefix)) return QString();
  QString rest = line.mid(kItemPrefix.size());
  if (rest.isNull()) rest = QStringLiteral("");
  return rest;
}

bool ParseDataItem(const QString& item, TData& rec) {
  const uint16_t pid = ItemU16(item, 1);
  const uint16_t len = ItemU16(item, 2);
  const QString hex = ItemField(item, 3);
  if (len > kRecordDataSize || hex.size() != 2 * len) return false;
  std::array<uint8_t, kRecordDataSize> data{};
  for (int i = 0; i < len; ++i) {
    const int hi = HexDigit(hex[2 * i]);
    const int lo = HexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    data[static_cast<size_t>(i)] = static_cast<uint8_t>(hi << 4 | lo);
  }
  rec.Hdr = {pid, len};
  rec.Data = data;
  return true;
}

TDevice DeviceOfItem(const QString& item) {
  TDevice d;
  d.Imei = ItemField(item, 1);
  d.Description = ItemField(item, 2);
  d.DatabaseKey = ItemU32(item, 3);
  d.Ccid = ItemField(item, 4);
  d.Version = ItemU32(item, 5);
  d.RxData = ItemU32(item, 6);
  d.TxData = ItemU32(item, 7);
  d.IP = ItemField(item, 8);
  d.Port = ItemU16(item, 9);
  d.TimeDate = ItemField(item, 10);
  d.Timeout = ItemU32(item, 11);
  return d;
}

TUdpMode UdpModeOfItem(const QString& item) {
  return {ItemField(item, 1), ItemField(item, 2), ItemU32(item, 3), ItemU32(item, 4)};
}

bool ServerList(ServerLink& link, TDeviceList& list) {
  list.clear();
  QStringList answer;
  if (!link.ServerCommand(QStringLiteral("list"), answer, false)) return false;
  for (const QString& line : answer) {
    const QString item = ItemText(line);
    if (!item.isNull()) list.push_back(DeviceOfItem(item));
  }
  return true;
}

bool ServerDevices(ServerLink& link, TUdpModeList& list) {
  list.clear();
  QStringList answer;
  if (!link.ServerCommand(QStringLiteral("devices"), answer, false)) return false;
  for (const QString& line : answer) {
    const QString item = ItemText(line);
    if (!item.isNull()) list.push_back(UdpModeOfItem(item));
  }
  return true;
}

bool ServerData(ServerLink& link, const TDevice& device, TDataList& list) {
  list.clear();
  QStringList answer;
  if (!link.ServerCommand(QStringLiteral("data ") + device.Imei, answer, true)) return false;
  return ReadRecordItems(answer, list, [](const QString&) {});
}

int ServerReadConfig(ServerLink& link, const TDevice& device, TDataList& list) {
  return ServerReadRecords(link, "readcfg ", "configuration: ", device, list);
}

int ServerReadFirmware(ServerLink& link, const TDevice& device, TDataList& list) {
  return ServerReadRecords(link, "readfirm ", "firmware: ", device, list);
}

int ServerReadStatus(ServerLink& link, const TDevice& device, TDataList& list) {
  return ServerReadRecords(link, "readstat ", "status: ", device, list);
}

QStringList WriteConfigLines(const QString& imei, const THeaderList& deletions,
                             const TDataList& records) {
  QStringList lines;
  const size_t blocks = (deletions.size() + kDeleteBlockHeaders - 1) / kDeleteBlockHeaders;
  lines << QStringLiteral("writecfg ") + imei + QLatin1Char(',') +
               QString::number(blocks + records.size());
  for (size_t b = 0; b < blocks; ++b) {
    const size_t first = b * kDeleteBlockHeaders;
    const size_t k = std::min<size_t>(kDeleteBlockHeaders, deletions.size() - first);
    QString line = kItemPrefix + QStringLiteral("65535,") + QString::number(4 * k) +
                   QLatin1Char(',');
    for (size_t i = first; i < first + k; ++i)
      line += Hex16(deletions[i].Pid) + Hex16(deletions[i].Len);
    lines << line;
  }
  for (const TData& rec : records) {
    const size_t len = std::min<size_t>(rec.Hdr.Len, kRecordDataSize);
    lines << kItemPrefix + QString::number(rec.Hdr.Pid) + QLatin1Char(',') +
                 QString::number(rec.Hdr.Len) + QLatin1Char(',') +
                 HexOf(std::span(rec.Data.data(), len));
  }
  return lines;
}

bool ServerWriteConfig(ServerLink& link, const TDevice& device, const THeaderList& deletions,
                       const TDataList& records) {
  QStringList answer;
  return link.ServerExecute(WriteConfigLines(device.Imei, deletions, records), answer, true);
}

bool ServerSetMode(ServerLink& link, const QString& imei, int mode) {
  QStringList answer;
  return link.ServerCommand(
      QStringLiteral("setmode ") + imei + QLatin1Char(',') + QString::number(mode), answer, true);
}

void ResumeCheck(ServerLink& link, const QString& imei, const QString& file) {
  if (imei != link.FirmwareLastImei || file != link.FirmwareLastFileName) {
    link.FirmwareLastPosition = 0;
    link.FirmwareLastImei = imei;
    link.FirmwareLastFileName = file;
  } else if (link.FirmwareLastPosition > 0 &&
             !link.shell().Confirm(QStringLiteral("Continue the process from the last position?"))) {
    link.FirmwareLastPosition = 0;
  }
}

bool ServerWriteFirmware(ServerLink& link, const TDevice& device, int size, uint32_t listValue,
                         std::span<const uint8_t> image) {
  const int blocks = BlockCount(size, kBlockSize);
  const QString header = QStringLiteral("writefirm ") + device.Imei + QLatin1Char(',');
  link.progress().SetBlockProgressMax(blocks + 1);
  Sums sums;
  QStringList batch;
  QStringList answer;
  for (int i = 1; i <= blocks; ++i) {
    link.progress().ShowBlockProgress(i);
    const auto block = BlockOf(image, i - 1);
    batch << BlockItem(static_cast<uint32_t>(i), block);
    sums.Add(block);
    if (batch.size() < kBlocksPerBatch && !link.SlowUpload) continue;
    batch.prepend(header + QString::number(batch.size()));
    if (link.FirmwareLastPosition >= static_cast<uint32_t>(i)) {
      // Acknowledged before an interruption: skipped on resume.
      link.Sleep(kIdleSleep);
      link.shell().ProcessMessages();
    } else if (link.ServerExecute(batch, answer, true)) {
      link.FirmwareLastPosition = static_cast<uint32_t>(i);
    } else {
      EndBlockProgress(link);
      return false;
    }
    batch.clear();
  }
  link.progress().ShowBlockProgress(blocks + 1);
  const uint16_t count = static_cast<uint16_t>(blocks);
  if (listValue == 0)
    batch << kItemPrefix + QStringLiteral("65535,6,") + Hex16(count) + Hex16(sums.s1) +
                 Hex16(sums.s2);
  else
    batch << kItemPrefix + QStringLiteral("65534,6,") + Hex16(count) + Hex32(listValue);
  batch.prepend(header + QString::number(batch.size()));
  const bool ok = link.ServerExecute(batch, answer, true);
  if (ok) link.FirmwareLastPosition = 0;
  EndBlockProgress(link);
  return ok;
}

bool ServerBinData(ServerLink& link, const QString& imei, int size, uint8_t accessory,
                   uint16_t type, std::span<const uint8_t> image) {
  const QString head = QStringLiteral("bindata ") + imei;
  QStringList answer;
  if (type == kSingleBlockType) {
    const int blocks = BlockCount(size, kBlockSize);
    link.progress().SetBlockProgressMax(blocks);
    Sums sums;
    for (int i = 0; i < blocks; ++i) sums.Add(BlockOf(image, i));
    const uint32_t check = static_cast<uint32_t>(sums.s2) << 16 | sums.s1;
    for (int s = 1; s <= blocks; ++s) {
      link.progress().ShowBlockProgress(s);
      const QStringList lines{
          head + QStringLiteral(",1,%1,%2,%3,%4").arg(s - 1).arg(check).arg(blocks).arg(accessory),
          BlockItem(type, BlockOf(image, s - 1))};
      const Duration t0 = link.clock().Now();
      if (!link.ServerExecute(lines, answer, true) || !CheckBinDataAnswer(link, answer, 1)) {
        EndBlockProgress(link);
        return false;
      }
      link.WaitUntil(t0 + (link.SlowUpload ? kBinDataSlowPause : kBinDataPause));
    }
  } else {
    const int batches = BlockCount(size, kBlockSize * kBlocksPerBatch);
    link.progress().SetBlockProgressMax(batches);
    uint32_t sent = 0;
    for (int s = 1; s <= batches; ++s) {
      link.progress().ShowBlockProgress(s);
      const int first = kBlocksPerBatch * (s - 1);
      QStringList lines{head + QStringLiteral(",8,%1,%2,%3,%4")
                                   .arg(first)
                                   .arg(sent)
                                   .arg(kBlocksPerBatch * batches)
                                   .arg(accessory)};
      const Duration t0 = link.clock().Now();
      for (int b = first; b < first + kBlocksPerBatch; ++b) {
        const auto block = BlockOf(image, b);
        lines << BlockItem(type, block);
        for (uint8_t x : block) sent += x;
      }
      if (!link.ServerExecute(lines, answer, true) ||
          !CheckBinDataAnswer(link, answer, kBlocksPerBatch)) {
        EndBlockProgress(link);
        return false;
      }
      if (link.SlowUpload) link.WaitUntil(t0 + kBinDataPause);
    }
  }
  EndBlockProgress(link);
  return true;
}

bool ServerGetParam(ServerLink& link, const QString& imei, uint32_t id, uint32_t values[4]) {
  QStringList answer;
  if (!link.ServerCommand(
          QStringLiteral("getparam ") + imei + QLatin1Char(',') + QString::number(id), answer,
          true))
    return false;
  const ParamAnswer kind = CheckParamAnswer(link, answer);
  if (kind != ParamAnswer::Item) return false;
  const QString item = ItemText(answer[1]);
  for (int i = 0; i < 4; ++i) values[i] = ItemU32(item, i + 2);
  if (ToInt64(ItemField(item, 1)) != static_cast<int64_t>(id)) {
    link.shell().ShowError(QStringLiteral("Unexpected answer!"));
    return false;
  }
  return true;
}

bool ServerSetParam(ServerLink& link, const QString& imei, uint32_t id, const uint32_t values[4]) {
  QString line = QStringLiteral("setparam ") + imei + QLatin1Char(',') + QString::number(id);
  for (int i = 0; i < 4; ++i) line += QLatin1Char(',') + QString::number(values[i]);
  QStringList answer;
  if (!link.ServerCommand(line, answer, true)) return false;
  if (CheckParamAnswer(link, answer) != ParamAnswer::Item) return false;
  if (ToInt64(ItemText(answer[1])) != static_cast<int64_t>(id)) {
    link.shell().ShowError(QStringLiteral("Unexpected answer!"));
    return false;
  }
  return true;
}

void SortDevices(TDeviceList& list) {
  std::stable_sort(list.begin(), list.end(), [](const TDevice& a, const TDevice& b) {
    return a.Description < b.Description;
  });
}

QStringList UdpModeDump(TUdpModeList list) {
  std::stable_sort(list.begin(), list.end(), [](const TUdpMode& a, const TUdpMode& b) {
    if (a.Description != b.Description) return a.Description < b.Description;
    return a.Imei < b.Imei;
  });
  QStringList out{QStringLiteral("Description,UdpCopyMode,IMEI,DatabaseKey")};
  for (const TUdpMode& m : list)
    out << m.Description + QLatin1Char(',') + QString::number(m.UdpCopyMode) + QLatin1Char(',') +
               m.Imei + QLatin1Char(',') + QString::number(m.DatabaseKey);
  out << QString::number(list.size()) + QStringLiteral(" rows");
  return out;
}

}  // namespace ravok
