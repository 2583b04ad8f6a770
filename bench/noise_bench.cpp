// The noise core's costs, each with the ratio to its baseline from the same run:
//   table build (seeding, 9973 draws, the kept flat numerators) against std::mt19937 producing the
//   same 19946 words, and against the draws alone (a seed change's cost before the numerators);
//   one value at 1, 8 and 16.5 octaves, fade 0.25, shaping on (0.3/0.7) and off, each kernel against
//   the plain baseline (PlainEvaluateNoise: the formulas as a competent user writes them), one
//   value at a time (Process) and several at once (the array fill, also with SSE2 forced, as on a
//   CPU without AVX); the strict reference (the library's floor, the sampler out of line) alongside;
//   the floating-point environment guard of the computing entry points, per call.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "host/fp_environment.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/reference_evaluation.hpp"
#include "noise/octave_sum.hpp"
#include "noise/random_table.hpp"

namespace {

using namespace vek;

void TableBuild(benchmark::State& state) {
  auto table = std::make_unique<RandomTable>();
  uint32_t seed = 1;
  for (auto _ : state) {
    BuildRandomTable(*table, seed++);  // a new seed each time, so every request builds
    benchmark::DoNotOptimize(table->entries[0]);
  }
}
BENCHMARK(TableBuild);

// What a build was before it kept the flat numerators: the seeding and the 9973 draws.
void TableDrawsOnly(benchmark::State& state) {
  auto table = std::make_unique<RandomTable>();
  uint32_t seed = 1;
  for (auto _ : state) {
    MtSeed(table->generator, seed++);
    for (int i = 0; i < kTableSize; ++i) {
      table->entries[i] = static_cast<int32_t>(MtDrawDouble(table->generator) * static_cast<double>(kTableSize));
    }
    benchmark::DoNotOptimize(table->entries[0]);
  }
}
BENCHMARK(TableDrawsOnly);

void StdMt19937Words(benchmark::State& state) {
  uint32_t seed = 1;
  for (auto _ : state) {
    std::mt19937 engine(seed++);
    uint32_t x = 0;
    for (int i = 0; i < 2 * kTableSize; ++i) x ^= engine();
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(StdMt19937Words);

NoiseSettings Settings(double octaves, bool shaping) {
  NoiseSettings s{octaves, -1, 1, 0.125, shaping ? 0.3 : 0.5, shaping ? 0.7 : 0.5, 0, 1};
  return s;
}

RandomTable& Table42() {
  static auto table = [] {
    auto t = std::make_unique<RandomTable>();
    BuildRandomTable(*t, 42);
    return t;
  }();
  return *table;
}

// 64 values per iteration along a stretch of positions, as an array fill reads them.
constexpr int kValuesPerIteration = 64;

void PlainValue(benchmark::State& state, double octaves, bool shaping) {
  const NoiseSettings s = Settings(octaves, shaping);
  for (auto _ : state) {
    for (int i = 0; i < kValuesPerIteration; ++i) benchmark::DoNotOptimize(PlainEvaluateNoise(Table42(), s, i * 0.1));
  }
  state.SetItemsProcessed(state.iterations() * kValuesPerIteration);
}

void ReferenceValue(benchmark::State& state, double octaves, bool shaping) {
  const NoiseSettings s = Settings(octaves, shaping);
  for (auto _ : state) {
    for (int i = 0; i < kValuesPerIteration; ++i) benchmark::DoNotOptimize(ReferenceEvaluateNoise(Table42(), s, i * 0.1));
  }
  state.SetItemsProcessed(state.iterations() * kValuesPerIteration);
}

void FastValue(benchmark::State& state, double octaves, bool shaping, NoiseKernel kernel) {
  PreparedNoise p;
  PrepareNoise(Settings(octaves, shaping), p, kernel);
  for (auto _ : state) {
    for (int i = 0; i < kValuesPerIteration; ++i) benchmark::DoNotOptimize(EvaluatePrepared(Table42(), p, i * 0.1));
  }
  state.SetItemsProcessed(state.iterations() * kValuesPerIteration);
}

// The array fill's way: the same 64 positions evaluated several at a time.
void FastMany(benchmark::State& state, double octaves, bool shaping, NoiseKernel kernel) {
  PreparedNoise p;
  PrepareNoise(Settings(octaves, shaping), p, kernel);
  double xs[kValuesPerIteration], out[kValuesPerIteration];
  for (int i = 0; i < kValuesPerIteration; ++i) xs[i] = i * 0.1;
  for (auto _ : state) {
    EvaluatePreparedMany(Table42(), p, xs, out, kValuesPerIteration);
    benchmark::DoNotOptimize(out[0]);
  }
  state.SetItemsProcessed(state.iterations() * kValuesPerIteration);
}

// What a computing entry point pays for its own floating-point environment: one value at the
// defaults (1 octave), as a Process cycle computes it, with and without the guard, the host's MXCSR
// either ours already (nothing to switch) or with flush-to-zero set (switched in and back out).
void OneValue(benchmark::State& state, bool guarded, uint32_t hostMxcsr) {
  PreparedNoise p;
  PrepareNoise(Settings(1.0, false), p);
  uint32_t own;
  asm volatile("stmxcsr %0" : "=m"(own));
  asm volatile("ldmxcsr %0" : : "m"(hostMxcsr));
  double x = 0.0;
  for (auto _ : state) {
    if (guarded) {
      const FpEnvironmentGuard guard;
      benchmark::DoNotOptimize(EvaluatePrepared(Table42(), p, x));
    } else {
      benchmark::DoNotOptimize(EvaluatePrepared(Table42(), p, x));
    }
    x += 0.37;
  }
  asm volatile("ldmxcsr %0" : : "m"(own));
}

void RegisterGuard() {
  for (const auto& [env, mxcsr] : {std::pair<const char*, uint32_t>{"host-default", vek::kOwnMxcsr},
                                   std::pair<const char*, uint32_t>{"host-ftz-daz", vek::kOwnMxcsr | vek::kMxcsrFlushToZero |
                                                                                        vek::kMxcsrDenormalsAreZero}}) {
    benchmark::RegisterBenchmark((std::string("OneValueUnguarded/") + env).c_str(), OneValue, false, mxcsr);
    benchmark::RegisterBenchmark((std::string("OneValueGuarded/") + env).c_str(), OneValue, true, mxcsr);
  }
}

void RegisterValues() {
  const bool avx = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") != 0;
  }();
  for (double octaves : {1.0, 8.0, 16.5}) {
    for (bool shaping : {false, true}) {
      const std::string tag = "octaves:" + std::to_string(octaves).substr(0, 4) + (shaping ? "/shaped" : "/unshaped");
      benchmark::RegisterBenchmark(("PlainValue/" + tag).c_str(), PlainValue, octaves, shaping);
      benchmark::RegisterBenchmark(("ReferenceValue/" + tag).c_str(), ReferenceValue, octaves, shaping);
      benchmark::RegisterBenchmark(("FastValueSse2/" + tag).c_str(), FastValue, octaves, shaping, NoiseKernel::kSse2);
      if (avx) {
        benchmark::RegisterBenchmark(("FastValueAvx/" + tag).c_str(), FastValue, octaves, shaping, NoiseKernel::kAvx);
      }
      benchmark::RegisterBenchmark(("FastManySse2/" + tag).c_str(), FastMany, octaves, shaping, NoiseKernel::kSse2);
      if (avx) {
        benchmark::RegisterBenchmark(("FastManyAvx/" + tag).c_str(), FastMany, octaves, shaping, NoiseKernel::kAvx);
      }
    }
  }
}

// Collects each benchmark's time per iteration to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\nRatios (baseline time / measured time; above 1 is faster than the baseline):\n");
    Ratio("table build vs std::mt19937, 19946 words", "StdMt19937Words", "TableBuild");
    Ratio("table build vs the draws alone (at least 1/3: the budget)", "TableDrawsOnly", "TableBuild");
    for (const auto& [name, t] : times_) {
      if (name.rfind("Fast", 0) != 0) continue;
      const std::string tag = name.substr(name.find('/'));
      Ratio(name + " vs plain", "PlainValue" + tag, name);
      Ratio(name + " vs strict reference", "ReferenceValue" + tag, name);
    }
    for (const char* env : {"host-default", "host-ftz-daz"}) {
      const std::string tag = std::string("/") + env;
      Ratio(std::string("one value, guarded vs unguarded, ") + env, "OneValueUnguarded" + tag, "OneValueGuarded" + tag);
      const auto u = times_.find("OneValueUnguarded" + tag), g = times_.find("OneValueGuarded" + tag);
      if (u != times_.end() && g != times_.end()) {
        std::printf("  %-58s %6.1f ns\n", (std::string("  the guard's cost per call, ") + env).c_str(), g->second - u->second);
      }
    }
  }

 private:
  void Ratio(const std::string& label, const std::string& baseline, const std::string& measured) const {
    const auto b = times_.find(baseline), m = times_.find(measured);
    if (b == times_.end() || m == times_.end()) return;
    std::printf("  %-58s %6.2fx\n", label.c_str(), b->second / m->second);
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  RegisterValues();
  RegisterGuard();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
