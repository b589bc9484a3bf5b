// Decoder speed on every test vector, through the callback interface with
// one byte per call as the setup uses it (the callbacks here work on memory).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "expand/core/lzhuf.h"
#include "setup/core/config.h"

namespace {

const char* const kVectors[] = {"one-byte", "gpl3-text", "mixed", "pe-sample", "random-100k", "zeros-200k"};

std::vector<std::uint8_t> Load(const std::string& name) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/lzhuf/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::uint8_t* source;
std::size_t sourceLeft;
std::uint8_t* sink;

void ReadFromMemory(std::uint8_t* destination, std::uint16_t, std::uint16_t& delivered) {
  if (sourceLeft == 0) {
    delivered = 0;
    return;
  }
  *destination = *source++;
  --sourceLeft;
  delivered = 1;
}

void WriteToMemory(const std::uint8_t* bytes, std::uint16_t, std::uint16_t& accepted) {
  *sink++ = *bytes;
  accepted = 1;
}

void Decode(benchmark::State& state, const std::string& name) {
  const auto coded = Load(name + ".lzh");
  const auto expected = Load(name + ".bin");
  std::vector<std::uint8_t> out(expected.size() + 64);
  KeepGoing = 1;
  for (auto _ : state) {
    source = coded.data();
    sourceLeft = coded.size();
    sink = out.data();
    ExpandStream(static_cast<std::int32_t>(expected.size()), ReadFromMemory, WriteToMemory);
    benchmark::DoNotOptimize(out.data());
  }
  if (!std::equal(expected.begin(), expected.end(), out.begin())) state.SkipWithError("wrong output");
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(expected.size()) * state.iterations() / 1e6,
                                              benchmark::Counter::kIsRate);
}

const bool registered = [] {
  for (const char* name : kVectors) {
    benchmark::RegisterBenchmark((std::string("Decode/") + name).c_str(),
                                 [name](benchmark::State& s) { Decode(s, name); });
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
