#include "locallink/DeviceError.h"

namespace ravok {

QString DeviceErrorText(uint8_t code) {
  switch (code) {
    case 0: return QStringLiteral("Terminated!");
    case 1: return QStringLiteral("Can not get answer!");
    case 2: return QStringLiteral("Recceived timeout answer!");
    case 3: return QStringLiteral("Received error answer!");
    case 4: return QStringLiteral("Received busy answer!");
    case 5: return QString();
    case 100: return QStringLiteral("Unknown message");
    case 101: return QStringLiteral("Index out of range");
    case 102: return QStringLiteral("Parameter not exists");
    case 103: return QStringLiteral("Authorization error");
    case 255: return QStringLiteral("Device not respond");
    default: return QStringLiteral("Unknown error");
  }
}

void ShowDeviceError(Shell& shell, uint8_t code) {
  if (code == result::kSilent) return;
  shell.ShowError(DeviceErrorText(code));
}

}  // namespace ravok
