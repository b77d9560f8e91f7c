#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <array>
#include <vector>

#include "remotelink/ServerOps.h"
#include "tests/remotelink/ScriptedServer.h"
#include "tests/support/FakeShell.h"

namespace {

using namespace ravok;

// Hex text of a whole 516,096-byte firmware image, block by block as writefirm sends it.
void BM_FirmwareImageHex(benchmark::State& state) {
  std::vector<uint8_t> image(516096);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
  for (auto _ : state) {
    size_t chars = 0;
    for (size_t b = 0; b < image.size(); b += 256)
      chars += HexOf(std::span(image.data() + b, 256)).size();
    benchmark::DoNotOptimize(chars);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_FirmwareImageHex)->Unit(benchmark::kMillisecond);

// A full 256-byte data record item.
void BM_ParseDataItem(benchmark::State& state) {
  std::array<uint8_t, 256> bytes;
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  const QString item = QStringLiteral("12,256,") + HexOf(bytes);
  TData rec;
  for (auto _ : state) benchmark::DoNotOptimize(ParseDataItem(item, rec));
}
BENCHMARK(BM_ParseDataItem);

// A list answer of 1000 trackers through a loopback socket, without the login.
void BM_ListTransaction(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench_remote";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  std::string answer;
  for (int i = 0; i < 1000; ++i)
    answer += "item: 35600000000" + std::to_string(1000 + i) + ",Truck " + std::to_string(i) +
              ",17,8948000,7001002,100,200,10.1.2.3,5000,2026-12-01 10:00:00,30\r\n";
  answer += "command:\r\n";
  test::ScriptedServer server(test::WithLogin([&](const test::Command&) {
    return test::Reply{{{answer}}};
  }));
  test::FakeShell shell;
  shell.onProcessMessages = [] { QCoreApplication::processEvents(); };
  ProgressDisplay progress(shell);
  ServerLink link(shell, progress);
  if (!link.ServerLogin("127.0.0.1", QString::number(server.port()), "tolmek", "user")) {
    state.SkipWithError("login failed");
    return;
  }
  TDeviceList list;
  for (auto _ : state) {
    if (!ServerList(link, list) || list.size() != 1000) state.SkipWithError("list failed");
  }
}
BENCHMARK(BM_ListTransaction)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
