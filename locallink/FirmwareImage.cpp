#include "locallink/FirmwareImage.h"

#include <QFileInfo>

#include "locallink/IntelHex.h"
#include "locallink/Shell.h"

namespace ravok {

bool IsIntelHexName(const QString& file) {
  // The extension is everything from the last dot of the file name itself.
  const QString name = QFileInfo(file).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && name.mid(dot) == QLatin1String(".hex");
}

bool LoadHexImage(Shell& shell, const QString& file, int limit, int bootArea,
                  const QString& failText, FirmwareImage& image) {
  int size = 0;
  image = FirmwareImage{};
  if (!ReadIntelHex(file, limit, image.bytes, size)) {
    shell.ShowError(failText);
    return false;
  }
  if (size <= bootArea) {
    shell.ShowError(kMsgFirmwareTooShort);
    return false;
  }
  image.start = bootArea;
  image.size = size - bootArea;
  PadImage(image);
  return true;
}

void PadImage(FirmwareImage& image) {
  const size_t batches = (size_t(image.size) + kUploadBatchSize - 1) / kUploadBatchSize;
  const size_t end = size_t(image.start) + batches * kUploadBatchSize;
  if (image.bytes.size() < end) image.bytes.resize(end, 0xFF);
}

}  // namespace ravok
