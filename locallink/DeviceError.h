// Result codes of tracker and server transactions and the message each one shows.
#pragma once

#include <QString>
#include <cstdint>

#include "locallink/Shell.h"

namespace ravok {

namespace result {
constexpr uint8_t kOk = 0;  // also "Terminated!" when shown: a stop by the Terminate button
constexpr uint8_t kTerminated = 0;
constexpr uint8_t kNoAnswer = 1;
constexpr uint8_t kTimeoutAnswer = 2;
constexpr uint8_t kErrorAnswer = 3;
constexpr uint8_t kBusyAnswer = 4;
constexpr uint8_t kSilent = 5;  // the failure was already shown; nothing more
constexpr uint8_t kUnknownMessage = 100;
constexpr uint8_t kIndexOutOfRange = 101;
constexpr uint8_t kParameterNotExists = 102;
constexpr uint8_t kAuthorizationError = 103;
constexpr uint8_t kDeviceNotRespond = 255;
}  // namespace result

// The message of a code; empty for the code that shows nothing.
QString DeviceErrorText(uint8_t code);

// Shows the code's message as an error with an OK button (nothing for code 5).
void ShowDeviceError(Shell& shell, uint8_t code);

}  // namespace ravok
