// ravok-tracker-sim: a simulated Ravok tracker on a pseudo-terminal or a serial device.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/trackersim/Runner.h"
#include "tools/trackersim/SimConfig.h"

int main(int argc, char** argv) {
  using namespace ravok::sim;
  ProgramOptions opts;
  std::string error;
  if (!ParseArgs(std::vector<std::string>(argv + 1, argv + argc), opts, error)) {
    std::fprintf(stderr, "ravok-tracker-sim: %s\n(--help lists the options)\n", error.c_str());
    return 2;
  }
  if (opts.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (!opts.configFile.empty()) {
    ravok::TDataList records;
    if (!LoadConfigFile(opts.configFile, opts.sim.deviceType, records, error)) {
      std::fprintf(stderr, "ravok-tracker-sim: %s\n", error.c_str());
      return 2;
    }
    opts.sim.config = std::move(records);
  }
  return RunSimulator(opts);
}
