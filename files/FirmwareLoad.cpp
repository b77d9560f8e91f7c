// The file side of the firmware uploads (declared with the image rules in
// locallink/FirmwareImage.h): Intel HEX by extension, firmware XML otherwise.
#include "files/FirmwareXml.h"
#include "locallink/FirmwareImage.h"
#include "locallink/Shell.h"

namespace ravok {
namespace {

bool LoadFirmwareXmlFile(Shell& shell, const QString& file, int deviceType, int firmwareType,
                         int limit, FirmwareImage& image) {
  QDomDocument doc;
  if (!LoadXmlFile(file, doc)) {
    shell.ShowError(kMsgCannotReadFirmware);
    return false;
  }
  return LoadFirmwareDocument(shell, doc, deviceType, firmwareType, limit, image);
}

}  // namespace

bool LoadMainFirmware(Shell& shell, const QString& file, int deviceType, FirmwareImage& image) {
  if (IsIntelHexName(file))
    return LoadHexImage(shell, file, kImageBufferSize, kBootAreaSize, kMsgCannotProcessFile,
                        image);
  return LoadFirmwareXmlFile(shell, file, deviceType, kMainFirmwareType, kXmlFirmwareLimit,
                             image);
}

bool LoadAccessoryFirmware(Shell& shell, const QString& file, int deviceType, int firmwareType,
                           int maximum, int bootArea, FirmwareImage& image) {
  if (IsIntelHexName(file))
    return LoadHexImage(shell, file, maximum + bootArea, bootArea,
                        kMsgCannotProcessFileAccessory, image);
  return LoadFirmwareXmlFile(shell, file, deviceType, firmwareType, maximum, image);
}

}  // namespace ravok
