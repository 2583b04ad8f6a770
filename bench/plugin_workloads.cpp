// The eight speed workloads through the loaded linux-x86 plug-ins and a minimal host, each against
// the plain baseline (PlainEvaluateNoise) with the same host reads and writes, interleaved in one
// run: `Process` at 1, 8 and 16.5 octaves, the array fill of 2048 elements at 1, 8 and 16.5
// octaves and with fade 1. Prints one line per workload: the plug-in's and the baseline's best
// time per call and their ratio, baseline ÷ plug-in (above 1: the plug-in is faster).
//
//   plugin_workloads MODULE_DIR        (the folder holding Vek_Random.usr and Vek_Random_Array.usr)
//
// Exit status 0, or 2 when a plug-in cannot be loaded.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "host/abi.hpp"
#include "noise/plain_evaluation.hpp"
#include "noise/random_table.hpp"

namespace {

// The host: parameter values by handle (handle = parameter index), outputs stored.
constexpr EventHandle kFloatOutHandle = 100, kIntegerOutHandle = 101;
float values[32];
float arrays[2][2048];
float single;

extern "C" float GetValue(EventHandle h) { return values[h]; }
extern "C" void SetValue(EventHandle, float v) { single = v; }
extern "C" void SetArrayLength(EventHandle, int32_t) {}
extern "C" void SetArrayElement(EventHandle h, int32_t i, float v) { arrays[h - kFloatOutHandle][i & 2047] = v; }

using Clock = std::chrono::steady_clock;

// Best time per call over 15 rounds, the contenders alternating so that drift hits both alike.
std::pair<double, double> Race(const std::function<void()>& plugin, const std::function<void()>& plain, int calls) {
  auto perCall = [calls](const std::function<void()>& f) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) f();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / calls;
  };
  double a = 1e300, b = 1e300;
  for (int round = 0; round < 15; ++round) {
    a = std::min(a, perCall(plugin));
    b = std::min(b, perCall(plain));
  }
  return {a, b};
}

struct Workload {
  bool array;
  float octaves, fade, bias, gain;
  const char* label;
};

struct Plugin {
  void* (*create)(void**);
  void (*setEventAddress)(void*, int32_t, EventHandle);
  void (*initModule)(void*, const HostServices*, uint32_t);
  void (*callBack)(void*, const CallbackMessage*);
  void (*process)(void*);
};

bool Load(const std::string& path, Plugin& p) {
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) return false;
  p.create = reinterpret_cast<void* (*)(void**)>(dlsym(lib, "Create"));
  p.setEventAddress = reinterpret_cast<void (*)(void*, int32_t, EventHandle)>(dlsym(lib, "SetEventAddress"));
  p.initModule = reinterpret_cast<void (*)(void*, const HostServices*, uint32_t)>(dlsym(lib, "InitModule"));
  p.callBack = reinterpret_cast<void (*)(void*, const CallbackMessage*)>(dlsym(lib, "CallBack"));
  p.process = reinterpret_cast<void (*)(void*)>(dlsym(lib, "Process"));
  return p.create && p.setEventAddress && p.initModule && p.callBack && p.process;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: plugin_workloads MODULE_DIR\n");
    return 2;
  }
  HostServices host{};
  host.GetValue = GetValue;
  host.SetValue = SetValue;
  host.SetArrayLength = SetArrayLength;
  host.SetArrayElement = SetArrayElement;
  auto table = std::make_unique<vek::RandomTable>();
  vek::BuildRandomTable(*table, 42);
  const Workload workloads[] = {
      {false, 1, 0, 0.5f, 0.5f, "Process, 1 octave (the defaults)"},
      {false, 8, 0.25f, 0.3f, 0.7f, "Process, 8 octaves, fade 0.25, 0.3/0.7"},
      {false, 16.5f, 0.25f, 0.3f, 0.7f, "Process, 16.5 octaves, fade 0.25, 0.3/0.7"},
      {false, 16.5f, 0.25f, 0.5f, 0.5f, "Process, 16.5 octaves, fade 0.25, 0.5/0.5"},
      {true, 1, 0.25f, 0.5f, 0.5f, "array 2048 x 1 octave (fade 0.25)"},
      {true, 8, 0.25f, 0.3f, 0.7f, "array 2048 x 8 octaves, fade 0.25, 0.3/0.7"},
      {true, 16.5f, 0.25f, 0.3f, 0.7f, "array 2048 x 16.5 octaves, fade 0.25, 0.3/0.7"},
      {true, 16.5f, 1.0f, 0.5f, 0.5f, "array 2048 x 16.5 octaves, fade 1"},
  };
  std::printf("%-48s %12s %12s %8s\n", "workload", "plug-in", "plain", "ratio");
  for (const Workload& w : workloads) {
    const std::string path = std::string(argv[1]) + (w.array ? "/Vek_Random_Array.usr" : "/Vek_Random.usr");
    Plugin plugin;
    if (!Load(path, plugin)) {
      std::fprintf(stderr, "plugin_workloads: %s: cannot load: %s\n", path.c_str(), dlerror());
      return 2;
    }
    void* instance = nullptr;
    plugin.create(&instance);
    std::memset(values, 0, sizeof values);
    std::pair<double, double> t;
    if (!w.array) {
      // Input, Random Seed, Scale, Offset, Octaves, Noise Min, Noise Max, Fade, Noise Bias, Noise
      // Gain, Output Min, Output Max, Output.
      const float v[13] = {0, 42, 1, 0, w.octaves, -1, 1, w.fade, w.bias, w.gain, 0, 1, 0};
      std::memcpy(values, v, sizeof v);
      for (int i = 0; i < 13; ++i) plugin.setEventAddress(instance, i, i);
      plugin.initModule(instance, &host, 1);
      float x = 0, y = 0;
      auto cycle = [&] {
        values[0] = x;
        plugin.process(instance);
        x += 0.37f;
      };
      // The module's reads in its order: Input, Octaves, Bias, Gain, Noise Min, Noise Max, Fade,
      // Scale, Offset, Output Min, Output Max.
      const EventHandle reads[11] = {0, 4, 8, 9, 5, 6, 7, 2, 3, 10, 11};
      auto plain = [&] {
        values[0] = y;
        double r[11];
        for (int i = 0; i < 11; ++i) r[i] = host.GetValue(reads[i]);
        vek::NoiseSettings s{r[1], r[4], r[5], r[6] * 0.5, r[2], r[3], r[9], r[10]};
        vek::OrderNoiseRange(s);
        host.SetValue(12, static_cast<float>(vek::PlainEvaluateNoise(*table, s, (r[0] + r[8]) * r[7])));
        y += 0.37f;
      };
      t = Race(cycle, plain, 20000);
    } else {
      // Mode, Calculate Array, Random Seed, Scale, Offset, Octaves, Noise Min, Noise Max, Fade,
      // Noise Bias, Noise Gain, Output Min, Output Max, Array Size.
      const float v[14] = {0, 0, 42, 0.1f, 0, w.octaves, -1, 1, w.fade, w.bias, w.gain, 0, 1, 2048};
      std::memcpy(values, v, sizeof v);
      for (int i = 0; i < 14; ++i) plugin.setEventAddress(instance, i, i);
      plugin.setEventAddress(instance, 14, kFloatOutHandle);
      plugin.setEventAddress(instance, 15, kIntegerOutHandle);
      plugin.initModule(instance, &host, 1);
      const CallbackMessage octavesChanged{0, 5, 0};
      auto fill = [&] { plugin.callBack(instance, &octavesChanged); };
      const EventHandle reads[13] = {0, 2, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13};
      auto plain = [&] {
        double r[13];
        for (int i = 0; i < 13; ++i) r[i] = host.GetValue(reads[i]);
        vek::NoiseSettings s{r[4], r[5], r[6], r[7] * 0.5, r[8], r[9], r[10], r[11]};
        vek::OrderNoiseRange(s);
        for (int32_t i = 0; i < 2048; ++i) {
          const double value = vek::PlainEvaluateNoise(*table, s, static_cast<double>(i) * r[3]);
          host.SetArrayElement(kFloatOutHandle, i, static_cast<float>(value));
          const double rounded = std::round(value);
          host.SetArrayElement(kIntegerOutHandle, i, static_cast<float>(rounded == 0.0 ? 0.0 : rounded));
        }
      };
      t = Race(fill, plain, 20);
    }
    std::printf("%-48s %9.0f ns %9.0f ns %7.2fx\n", w.label, t.first, t.second, t.second / t.first);
  }
  return 0;
}
