// Command line of ravok-tracker-sim and the configuration files it loads and saves.
#pragma once

#include <string>
#include <vector>

#include "tools/trackersim/TrackerCore.h"

namespace ravok::sim {

constexpr int kDefaultPortSpeed = 230400;
// Bytes handed over per write at most while paced, as a UART's receive FIFO collects them.
constexpr int kDefaultFifo = 16;
// While paced, how long before a frame's last byte is due the program stops sleeping and
// busy-waits instead, in microseconds.
constexpr int kDefaultSpinUs = 0;

struct ProgramOptions {
  SimOptions sim;
  bool serial = false;        // --serial: serve a new pseudo-terminal
  std::string link;           // --link PATH: symbolic link to the pseudo-terminal
  std::string port;           // --port DEVICE: serve a real serial device instead
  int speed = kDefaultPortSpeed;  // --speed: line speed of --port
  std::string configFile;     // --config FILE
  std::string saveFile;       // --save FILE
  std::string imageOut;       // --image-out FILE
  int fifo = kDefaultFifo;    // --fifo N
  int spinUs = kDefaultSpinUs;  // --spin US
  bool verbose = false;       // --verbose: one line per request on stderr
  bool help = false;
};

// False with `error` set for an unknown option, a missing or malformed value, or a
// combination that cannot work (neither or both of --serial and --port).
bool ParseArgs(const std::vector<std::string>& args, ProgramOptions& out, std::string& error);
std::string HelpText();

// Parameter lines or a configuration XML into records. An XML file is read for
// `deviceType`, or for the first device type that has a configuration when it is 0. A file
// with nothing but blank lines is an empty configuration.
bool LoadConfigFile(const std::string& path, int deviceType, TDataList& out, std::string& error);
// One parameter line per record.
bool SaveConfigFile(const std::string& path, const TDataList& records, std::string& error);

}  // namespace ravok::sim
