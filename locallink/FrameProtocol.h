// The payload bytes of the frame protocol, for both sides: the manager and the viewer build
// requests and read answers with them, the simulated tracker the other way round.
#pragma once

#include <cstdint>

namespace ravok {

// Payload bytes of the frame protocol.
namespace proto {
constexpr uint8_t kFixed = 5;              // payload offset 2
constexpr uint8_t kOriginManager = 0x0A;   // payload offset 3 in requests
constexpr uint8_t kOriginTracker = 0x14;   // payload offset 3 in answers
constexpr int kImageBlockSize = 256;
constexpr int kImageGroupBlocks = 248;     // image blocks are counted in groups of 248

constexpr uint8_t kCmdDiagText = 0x32;
constexpr uint8_t kCmdAck = 0x0B;
constexpr uint8_t kCmdError = 0x0C;
constexpr uint8_t kCmdRead = 0x28;
constexpr uint8_t kCmdWrite = 0x3C;
constexpr uint8_t kCmdImage = 0x41;
constexpr uint8_t kCmdText = 0x1E;

constexpr uint8_t kSubConfig = 0x32;
constexpr uint8_t kSubLive = 0x33;
constexpr uint8_t kSubStatus = 0x34;
constexpr uint8_t kSubViewerConfig = 0x3C;  // the viewer's older reads
constexpr uint8_t kSubViewerLive = 0x3D;
constexpr uint8_t kSubViewerStatus = 0x3E;
constexpr uint8_t kSubIdent = 0x64;
constexpr uint8_t kSubDebugLines = 0x65;
constexpr uint8_t kSubWriteRecord = 0x32;
constexpr uint8_t kSubImageGroup0 = 0x32;  // + block number div 248
constexpr uint8_t kSubImageSums = 0x36;
constexpr uint8_t kSubImageValue = 0x37;
constexpr uint8_t kSubImageSumsNew = 0x3A;   // device types 10 and 12
constexpr uint8_t kSubImageValueNew = 0x3B;  // device types 10 and 12
constexpr uint8_t kSubTextFirst = 0x32;
constexpr uint8_t kSubTextSecond = 0x33;

constexpr int kTextCommandChars = 15;
constexpr int kIdentBytes = 16;
constexpr int kRecordDataOffset = 11;  // payload offset of a record's data in answers
}  // namespace proto

}  // namespace ravok
