// Replays a fuzz target without libFuzzer: every file of the directories given on the
// command line, then a fixed series of pseudo-random inputs (lengths 0..2048, some built
// from mutated corpus files). Deterministic, so a failure reproduces.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr int kRandomInputs = 20000;
constexpr size_t kMaxRandomLength = 2048;

std::vector<std::vector<uint8_t>> ReadCorpus(int argc, char** argv) {
  std::vector<std::vector<uint8_t>> corpus;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return corpus;
}

}  // namespace

int main(int argc, char** argv) {
  auto corpus = ReadCorpus(argc, argv);
  for (const auto& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());

  std::mt19937 rng(12345);
  for (int n = 0; n < kRandomInputs; ++n) {
    std::vector<uint8_t> input;
    if (!corpus.empty() && n % 2 == 0) {
      input = corpus[rng() % corpus.size()];
      const int flips = 1 + static_cast<int>(rng() % 8);
      for (int f = 0; f < flips && !input.empty(); ++f) input[rng() % input.size()] = rng() & 0xFF;
      if (rng() % 4 == 0) input.resize(rng() % (input.size() + 16), static_cast<uint8_t>(rng()));
    } else {
      input.resize(rng() % kMaxRandomLength);
      for (auto& b : input) b = rng() & 0xFF;
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu corpus inputs and %d generated inputs ran cleanly\n", corpus.size(),
              kRandomInputs);
  return 0;
}
