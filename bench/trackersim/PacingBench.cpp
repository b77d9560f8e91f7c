// Pacing accuracy of ravok-tracker-sim on a pseudo-terminal: a whole-configuration read
// and a 512 KB firmware upload against the simulator paced to a baud rate, as the ratio of
// elapsed time to wire time (all frame bytes of both directions x 10 / baud). The manager
// side here is a tight loop, so the ratio shows the simulator's own timing error.
//
//   bench_trackersim_pacing [BAUD] [RUNS] [FIFO] [SPIN_US] [config]
//   (default 230400 baud, 3 runs, FIFO 16, spin 0 us; a fifth argument skips the upload)
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/trackersim/SimProcess.h"
#include "tests/trackersim/SimTestSupport.h"

using namespace ravok;
using namespace ravok::sim;
using namespace ravok::sim::test;
using WallClock = std::chrono::steady_clock;

namespace {

int gBaud = 230400;

struct Result {
  long long bytes = 0;
  double seconds = 0;
  bool ok = true;
  std::vector<double> overheadUs;  // per exchange: elapsed beyond its wire time
};

bool Step(SimProcess& sim, const Bytes& req, Result& r, Bytes* answer = nullptr) {
  const auto t0 = WallClock::now();
  const auto a = sim.Exchange(req);
  if (!a) return r.ok = false;
  const double us = std::chrono::duration<double, std::micro>(WallClock::now() - t0).count();
  r.overheadUs.push_back(us - static_cast<double>(req.size() + a->size()) * 10e6 / gBaud);
  r.bytes += static_cast<long long>(req.size() + a->size());
  if (answer) *answer = *a;
  return true;
}

Result ReadConfiguration(SimProcess& sim) {
  Result r;
  const auto t0 = WallClock::now();
  Bytes count;
  uint8_t seq = 0;
  if (!Step(sim, Request(seq++, 0x28, 0x32, Le16(0)), r, &count)) return r;
  const int n = count[14] | (count[15] << 8);
  for (int i = 1; i <= n && r.ok; ++i) Step(sim, Request(seq++, 0x28, 0x32, Le16(static_cast<uint16_t>(i))), r);
  r.seconds = std::chrono::duration<double>(WallClock::now() - t0).count();
  return r;
}

Result UploadFirmware(SimProcess& sim, int blocks) {
  Result r;
  const auto t0 = WallClock::now();
  uint16_t s1 = 0, s2 = 0;
  for (int b = 0; b < blocks && r.ok; ++b) {
    Bytes p = {proto::kImageGroupBlocks, static_cast<uint8_t>(b % 248 + 1), 5, 0x0A, static_cast<uint8_t>(b), 0x41,
               static_cast<uint8_t>(0x32 + b / 248)};
    for (int i = 0; i < 256; ++i) {
      const uint8_t v = static_cast<uint8_t>(b * 31 + i);
      p.push_back(v);
      s1 = static_cast<uint16_t>(s1 + v);
      s2 = static_cast<uint16_t>(s2 + s1);
    }
    Step(sim, BuildFrame(p), r);
  }
  Bytes end;
  if (r.ok && Step(sim, Request(0, 0x41, 0x36, Cat({Le16(static_cast<uint16_t>(blocks)), Le16(s1), Le16(s2)})), r, &end))
    r.ok = end == AnswerFrame(0, {0x0B});
  r.seconds = std::chrono::duration<double>(WallClock::now() - t0).count();
  return r;
}

void Report(const char* what, Result r, int baud) {
  const double wire = static_cast<double>(r.bytes) * 10 / baud;
  std::sort(r.overheadUs.begin(), r.overheadUs.end());
  auto pct = [&](double q) { return r.overheadUs.empty() ? 0.0 : r.overheadUs[static_cast<size_t>(q * (r.overheadUs.size() - 1))]; };
  std::printf("%-24s %s bytes %9lld  wire %8.3f s  elapsed %8.3f s  ratio %.4f  overhead/exchange us: median %.0f p90 %.0f max %.0f\n",
              what, r.ok ? "ok  " : "FAIL", r.bytes, wire, r.seconds, r.seconds / wire, pct(0.5), pct(0.9), pct(1.0));
}

}  // namespace

int main(int argc, char** argv) {
  const int baud = gBaud = argc > 1 ? std::atoi(argv[1]) : 230400;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  SimProcess sim;
  const std::string fifo = argc > 3 ? argv[3] : "16";
  const std::string spin = argc > 4 ? argv[4] : "0";
  if (!sim.Start(RAVOK_TRACKER_SIM, {"--serial", "--baud", std::to_string(baud), "--fifo", fifo, "--spin", spin}) ||
      !sim.Open()) {
    std::fprintf(stderr, "cannot start the simulator: %s\n", sim.Stderr().c_str());
    return 1;
  }
  for (int i = 0; i < runs; ++i) {
    Report("configuration read", ReadConfiguration(sim), baud);
    if (argc <= 5) Report("512 KB firmware upload", UploadFirmware(sim, kMaxImageBlocks), baud);
  }
  const int rc = sim.Stop();
  std::fputs(sim.Stderr().c_str(), stdout);
  return rc == 0 ? 0 : 1;
}
