// Firmware images: the image buffer, its limits and boot area, and loading a firmware file
// (Intel HEX or firmware XML) for an upload.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace ravok {

class Shell;

// The image buffer of every firmware upload; an Intel HEX file is read up to this size.
constexpr int kImageBufferSize = 524288;
// A firmware XML document (file or repository) fills at most this many bytes.
constexpr int kXmlFirmwareLimit = 516096;
// The tracker's boot area at the start of an Intel HEX image: never sent.
constexpr int kBootAreaSize = 8192;
// A key list image (key list XML) fills at most this many bytes.
constexpr int kKeyListLimit = 516096;

// Firmware type of the tracker's own firmware in firmware XML and the repository;
// accessories use 2 to 6.
constexpr int kMainFirmwareType = 1;

inline const QString kMsgFirmwareTooShort = QStringLiteral("Firmware to short!");
inline const QString kMsgCannotProcessFile = QStringLiteral("Can not process the selected file!");
// The accessory uploads show the same text without the exclamation mark.
inline const QString kMsgCannotProcessFileAccessory =
    QStringLiteral("Can not process the selected file");
inline const QString kMsgCannotReadFirmware = QStringLiteral("Can not read firmware!");

// A loaded image: the buffer (always 0xFF past what the file wrote, and long enough to
// read whole 2048-byte batches from start), the offset of the first byte to send and the
// number of bytes to send.
struct FirmwareImage {
  std::vector<uint8_t> bytes;
  int start = 0;
  int size = 0;

  const uint8_t* Data() const { return bytes.data() + start; }
};

// The largest piece an upload reads at once: eight 256-byte blocks of a batch.
constexpr int kUploadBatchSize = 2048;

// Grows the buffer with 0xFF so that whole batches can be read from start onward.
void PadImage(FirmwareImage& image);

// True when the file name's extension is exactly ".hex" (case matters: ".HEX" is XML).
bool IsIntelHexName(const QString& file);

// Reads an Intel HEX file into image with `limit` bytes of room (the boot area included)
// and sets start = bootArea, size = image size - bootArea.
// Shows failText when the file cannot be read, "Firmware to short!" when the image is not
// longer than the boot area; false then.
bool LoadHexImage(Shell& shell, const QString& file, int limit, int bootArea,
                  const QString& failText, FirmwareImage& image);

// The file side of Upgrade: a ".hex" file is read as Intel HEX (limit 524,288, the first
// 8192 bytes are the boot area), any other file as firmware XML of firmware type 1 for
// deviceType (limit 516,096, sent from offset 0). Shows its own message on failure.
// Defined in ravok_files (it needs the firmware XML reader): link ravok_files to use it.
bool LoadMainFirmware(Shell& shell, const QString& file, int deviceType, FirmwareImage& image);

// The file side of an accessory upload (firmware type 2..6, maximum image size, boot area
// skipped in Intel HEX images). ".hex": limit maximum + bootArea, failure shows
// "Can not process the selected file"; otherwise firmware XML with at most `maximum` bytes,
// failure shows "Can not read firmware!". Defined in ravok_files as well.
bool LoadAccessoryFirmware(Shell& shell, const QString& file, int deviceType, int firmwareType,
                           int maximum, int bootArea, FirmwareImage& image);

}  // namespace ravok
