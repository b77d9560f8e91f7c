// Decoding and encoding a whole configuration: one record per catalogue default.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "params/Params.h"

namespace {

using namespace ravok;

struct Configuration {
  std::vector<std::string> lines;
  std::vector<TData> records;
};

const Configuration& Defaults() {
  static const Configuration config = [] {
    Configuration c;
    for (const TConvParam& row : ParamTable()) {
      TData rec;
      if (!EncodeParam(std::string(row.Name) + "=" + std::string(row.Default), rec)) continue;
      c.records.push_back(rec);
      c.lines.push_back(DecodeParam(rec));
    }
    return c;
  }();
  return config;
}

void BM_DecodeConfiguration(benchmark::State& state) {
  const auto& records = Defaults().records;
  for (auto _ : state)
    for (const TData& rec : records) benchmark::DoNotOptimize(DecodeParam(rec));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(records.size()));
}
BENCHMARK(BM_DecodeConfiguration);

void BM_EncodeConfiguration(benchmark::State& state) {
  const auto& lines = Defaults().lines;
  TData rec;
  for (auto _ : state)
    for (const std::string& line : lines) benchmark::DoNotOptimize(EncodeParam(line, rec));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_EncodeConfiguration);

}  // namespace
