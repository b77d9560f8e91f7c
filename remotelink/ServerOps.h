// The remote operations: one function per server command, building the command lines from
// the caller's data and turning the answer lines into records.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

#include "params/Records.h"
#include "remotelink/ServerLink.h"

namespace ravok {

// One tracker known to the server, fields in the order of the list item.
struct TDevice {
  QString Imei;
  QString Description;
  uint32_t DatabaseKey = 0;
  QString Ccid;
  uint32_t Version = 0;
  uint32_t RxData = 0;
  uint32_t TxData = 0;
  QString IP;
  uint16_t Port = 0;
  QString TimeDate;
  uint32_t Timeout = 0;
  friend bool operator==(const TDevice&, const TDevice&) = default;
};

struct TUdpMode {
  QString Imei;
  QString Description;
  uint32_t DatabaseKey = 0;
  uint32_t UdpCopyMode = 0;
  friend bool operator==(const TUdpMode&, const TUdpMode&) = default;
};

using TDeviceList = std::vector<TDevice>;
using TUdpModeList = std::vector<TUdpMode>;

// Connection modes of ServerSetMode.
enum class ServerMode : int { Tcp = 0, Udp = 1, NoSleep = 2 };

// Pauses between accessory blocks (the tracker forwards each block to the accessory).
constexpr Duration kBinDataPause = std::chrono::milliseconds(1296);
constexpr Duration kBinDataSlowPause = std::chrono::milliseconds(4320);
// Headers per writecfg deletion block; blocks per writefirm or bindata batch.
constexpr int kDeleteBlockHeaders = 64;
constexpr int kBlocksPerBatch = 8;
constexpr int kBlockSize = 256;
// bindata item type that selects the single-block form.
constexpr uint16_t kSingleBlockType = 11;

// Item field readers: 64-bit decimal (0 when not a number) cut to the target width.
uint32_t ItemU32(const QString& item, int n);
uint16_t ItemU16(const QString& item, int n);

// Reads "Pid,Len,Hex" into rec. False for a Hex that is not exactly 2 x Len hexadecimal
// digits or a Len above the record's 256 bytes; rec's data is then untouched past Len.
bool ParseDataItem(const QString& item, TData& rec);

// Item text of a line that starts with "item: ", or a null string.
QString ItemText(const QString& line);

TDevice DeviceOfItem(const QString& item);
TUdpMode UdpModeOfItem(const QString& item);

bool ServerList(ServerLink& link, TDeviceList& list);
bool ServerDevices(ServerLink& link, TUdpModeList& list);
bool ServerData(ServerLink& link, const TDevice& device, TDataList& list);
int ServerReadConfig(ServerLink& link, const TDevice& device, TDataList& list);
int ServerReadFirmware(ServerLink& link, const TDevice& device, TDataList& list);
int ServerReadStatus(ServerLink& link, const TDevice& device, TDataList& list);
bool ServerWriteConfig(ServerLink& link, const TDevice& device, const THeaderList& deletions,
                       const TDataList& records);
bool ServerSetMode(ServerLink& link, const QString& imei, int mode);
// image: the buffer; bytes of the last block past its end are sent as 0xFF.
bool ServerWriteFirmware(ServerLink& link, const TDevice& device, int size, uint32_t listValue,
                         std::span<const uint8_t> image);
bool ServerBinData(ServerLink& link, const QString& imei, int size, uint8_t accessory,
                   uint16_t type, std::span<const uint8_t> image);
bool ServerGetParam(ServerLink& link, const QString& imei, uint32_t id, uint32_t values[4]);
bool ServerSetParam(ServerLink& link, const QString& imei, uint32_t id, const uint32_t values[4]);
void ResumeCheck(ServerLink& link, const QString& imei, const QString& file);

// The writecfg transaction's lines.
QStringList WriteConfigLines(const QString& imei, const THeaderList& deletions,
                             const TDataList& records);

// Ascending by description, character code by character code.
void SortDevices(TDeviceList& list);
// The UDP mode dump: header line, one line per tracker (by description, then IMEI), "N rows".
QStringList UdpModeDump(TUdpModeList list);

// Upper-case hexadecimal of the bytes, two digits each.
QString HexOf(std::span<const uint8_t> bytes);

}  // namespace ravok
