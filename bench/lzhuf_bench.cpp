// Decoder speed on every test vector, through the callback interface with
// one byte per call as the setup uses it (the callbacks here work on memory);
// and the package builder's encoder: a size table against the published
// encoder's streams, and its speed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "expand/core/lzhuf.h"
#include "setup/core/config.h"
#ifdef HAVE_PKGBUILD_LIB
#include "pkgbuild/lzh_encoder.h"
#endif

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

#ifdef HAVE_PKGBUILD_LIB
void Encode(benchmark::State& state, const std::string& name) {
  const auto input = Load(name + ".bin");
  std::size_t coded = 0;
  for (auto _ : state) {
    coded = EncodeLzh(input).size();
    benchmark::DoNotOptimize(coded);
  }
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(input.size()) * state.iterations() / 1e6,
                                              benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(coded);
}

// Sizes of each vector: published encoder, ours, and gzip -9 where known.
void PrintSizeTable() {
  struct Known {
    const char* name;
    long gzip;
  };
  const Known gzip[] = {{"pe-sample", 98243}, {"gpl3-text", 12138}};
  std::printf("%-12s %9s %10s %9s %8s %9s\n", "vector", "input", "published", "ours", "change", "gzip -9");
  for (const char* name : kVectors) {
    const auto input = Load(std::string(name) + ".bin");
    const auto published = Load(std::string(name) + ".lzh").size();
    const auto ours = EncodeLzh(input).size();
    std::string g = "-";
    for (const auto& k : gzip) {
      if (std::string(k.name) == name) g = std::to_string(k.gzip);
    }
    std::printf("%-12s %9zu %10zu %9zu %+7.2f%% %9s\n", name, input.size(), published, ours,
                published ? 100.0 * (static_cast<double>(ours) - static_cast<double>(published)) / published : 0.0,
                g.c_str());
  }
  std::printf("\n");
}
#endif

const bool registered = [] {
  for (const char* name : kVectors) {
    benchmark::RegisterBenchmark((std::string("Decode/") + name).c_str(),
                                 [name](benchmark::State& s) { Decode(s, name); });
  }
#ifdef HAVE_PKGBUILD_LIB
  for (const char* name : kVectors) {
    benchmark::RegisterBenchmark((std::string("Encode/") + name).c_str(),
                                 [name](benchmark::State& s) { Encode(s, name); })
        ->Unit(benchmark::kMillisecond);
  }
#endif
  return true;
}();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
#ifdef HAVE_PKGBUILD_LIB
  PrintSizeTable();
#endif
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
