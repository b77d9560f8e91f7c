// The frame protocol over a real pseudo-terminal with ravok-tracker-sim on the other side.
//
// Paced runs: the simulator holds every request for its wire time and sends each answer
// byte at the rate of 230400 baud 8N1, so a perfect link would take exactly the wire time
// (frame bytes in both directions x 10 / baud). The counter `ratio` is elapsed / wire time
// and `overhead_pct` what the link adds on top of the wire; the goal is at most 5 %.
// The unpaced run measures how many request/answer exchanges per second the link manages
// when the wire costs nothing.
//
//   bench_serial [--benchmark_filter=...]
// A run takes about a minute: the two 512 KB uploads are 25 s of wire time each.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <memory>

#include "locallink/EventPump.h"
#include "locallink/LocalProtocol.h"
#include "locallink/Serial.h"

namespace ravok {
namespace {

constexpr int kBaud = 230400;
constexpr int kBitsPerByte = 10;
constexpr int kFirmwareBytes = 512 * 1024;

class BenchShell final : public Shell {
 public:
  MsgResult CenteredMessage(const QString& text, MsgKind, MsgButtons) override {
    lastError = text;
    return MsgResult::Ok;
  }
  void ProcessMessages() override { pump_.Run(); }
  void AddLogLine(const QString&) override {}
  void ShowDeleteCount(int) override {}
  QString lastError;

 private:
  EventPump pump_;

 protected:
  void DisplayStatusText(const QString&) override {}
  void DisplayProgressText(const QString&) override {}
  void ShowBusyWindow() override {}
  void HideBusyWindow() override {}
};

// Counts the bytes of every frame in both directions.
class CountingTransport final : public FrameTransport {
 public:
  bool Write(const uint8_t* data, size_t n) override {
    bytes += n;
    return SerialWrite(data, n);
  }
  uint64_t bytes = 0;
};

// One simulator and one open port, kept for all runs with the same simulator options.
struct Link {
  QProcess sim;
  BenchShell shell;
  CountingTransport transport;
  LocalProtocol proto{shell, transport};
  bool ok = false;

  explicit Link(const QStringList& simArgs) {
    sim.start(QStringLiteral(TRACKER_SIM_PATH), QStringList{"--serial"} + simArgs);
    if (!sim.waitForStarted(5000)) return;
    while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
    }
    const QString path = QString::fromUtf8(sim.readLine()).trimmed();
    ok = SerialOpen(path, kBaud, [this](const TBuffer& d, int len) {
      transport.bytes += static_cast<uint64_t>(len);
      proto.FrameReceived(d, len);
    });
  }
  ~Link() {
    SerialClose();
    sim.terminate();
    sim.waitForFinished(5000);
  }
};

Link& LinkFor(const QStringList& simArgs) {
  static std::unique_ptr<Link> link;
  static QStringList args;
  if (!link || args != simArgs) {
    link.reset();  // one port per process
    args = simArgs;
    link = std::make_unique<Link>(simArgs);
  }
  return *link;
}

// Runs one transaction per iteration and reports elapsed time against wire time.
// state.range(0) is the simulator's hand-over size: 1 sends every byte at its own time,
// 16 hands bytes over in groups as a UART's receive FIFO does (the last byte of a frame
// still goes out on time).
template <typename Work>
void Paced(benchmark::State& state, Work work) {
  Link& link = LinkFor({"--baud", QString::number(kBaud), "--fifo", QString::number(state.range(0))});
  if (!link.ok) return state.SkipWithError("simulator or port did not start");
  double elapsed = 0, wire = 0;
  for (auto _ : state) {
    link.transport.bytes = 0;
    QElapsedTimer t;
    t.start();
    const bool ok = work(link.proto);
    const double seconds = t.nsecsElapsed() / 1e9;
    if (!ok) return state.SkipWithError(link.shell.lastError.toStdString().c_str());
    state.SetIterationTime(seconds);
    elapsed += seconds;
    wire += double(link.transport.bytes) * kBitsPerByte / kBaud;
  }
  state.counters["wire_s"] = wire / double(state.iterations());
  state.counters["ratio"] = elapsed / wire;
  state.counters["overhead_pct"] = (elapsed / wire - 1) * 100;
}

void BM_ReadConfigurationPaced(benchmark::State& state) {
  size_t records = 0;
  Paced(state, [&](LocalProtocol& p) {
    TDataList list;
    const bool ok = p.ReadConfiguration(list);
    records = list.size();
    return ok;
  });
  state.counters["records"] = double(records);
}
BENCHMARK(BM_ReadConfigurationPaced)
    ->ArgName("fifo")->Arg(1)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Upload512KPaced(benchmark::State& state) {
  std::vector<uint8_t> image(kFirmwareBytes);
  for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 31 + 7);
  Paced(state, [&](LocalProtocol& p) { return p.UploadImage(kFirmwareBytes, image, 0); });
}
BENCHMARK(BM_Upload512KPaced)
    ->ArgName("fifo")->Arg(1)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// One record exchange at a time: the fixed cost per request and answer.
void BM_ExchangePaced(benchmark::State& state) {
  TData record;
  Paced(state, [&](LocalProtocol& p) { return p.ReadConfigRecord(1, record) == 0; });
}
BENCHMARK(BM_ExchangePaced)
    ->ArgName("fifo")->Arg(1)->Arg(16)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

void BM_ExchangeUnpaced(benchmark::State& state) {
  Link& link = LinkFor({});
  if (!link.ok) return state.SkipWithError("simulator or port did not start");
  TData record;
  for (auto _ : state)
    if (link.proto.ReadConfigRecord(1, record) != 0) return state.SkipWithError("no answer");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ExchangeUnpaced)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ravok

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
