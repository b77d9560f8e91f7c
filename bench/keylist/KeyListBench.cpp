// Key list formats and the key editor at the largest list: a tracker takes 15,872 keys.
// The editor figures are the ones an operator feels: loading a list and typing in it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>

#include "keylist/KeyList.h"
#include "keylist/LineNumberEdit.h"
#include "keylist/Unit1.h"

namespace {

using namespace ravok;

QStringList MaxKeys() {
  QStringList keys;
  for (int i = 0; i < kMaxKeyListKeys; ++i)
    keys << QStringLiteral("ABCDEF%1").arg(i, 10, 10, QLatin1Char('0'));
  return keys;
}

void BM_BinaryExport(benchmark::State& state) {
  const QStringList keys = MaxKeys();
  for (auto _ : state) benchmark::DoNotOptimize(BuildKeyListBinary(keys, 1));
}
BENCHMARK(BM_BinaryExport)->Unit(benchmark::kMillisecond);

void BM_XmlWrite(benchmark::State& state) {
  KeyList list;
  list.keys = MaxKeys();
  for (auto _ : state) benchmark::DoNotOptimize(BuildKeyListXml(list, QStringLiteral("1/1/26")));
}
BENCHMARK(BM_XmlWrite)->Unit(benchmark::kMillisecond);

void BM_XmlRead(benchmark::State& state) {
  KeyList list;
  list.keys = MaxKeys();
  const QByteArray xml = BuildKeyListXml(list, QStringLiteral("1/1/26"));
  for (auto _ : state) {
    KeyList read;
    benchmark::DoNotOptimize(ParseKeyListXml(xml, read));
  }
}
BENCHMARK(BM_XmlRead)->Unit(benchmark::kMillisecond);

void BM_EditorLoad(benchmark::State& state) {
  TForm1 form;
  form.show();
  const QString text = MaxKeys().join(QLatin1Char('\n'));
  for (auto _ : state) {
    form.SynEdit1->setPlainText(text);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_EditorLoad)->Unit(benchmark::kMillisecond);

void BM_EditorKeystroke(benchmark::State& state) {
  TForm1 form;
  form.show();
  form.SynEdit1->setPlainText(MaxKeys().join(QLatin1Char('\n')));
  QApplication::processEvents();
  for (auto _ : state) {
    QTest::keyClick(form.SynEdit1, Qt::Key_A);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_EditorKeystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
