// Runs a TrackerCore on a pseudo-terminal or a serial device until SIGINT or SIGTERM.
#pragma once

#include "tools/trackersim/SimConfig.h"

namespace ravok::sim {

// Exit code: 0 after a signal, 1 when the device cannot be opened or served.
int RunSimulator(const ProgramOptions& opts);

}  // namespace ravok::sim
