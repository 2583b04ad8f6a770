#pragma once
// The floating-point environment a host leaves for its plug-ins: the x87 control and status words
// and SSE's MXCSR (control bits and sticky flags). The stand-in can play a host with any of them,
// loaded before each entry-point call and checked, bit for bit, after it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/fp_registers.hpp"

namespace usrhost {

using FpEnvironment = vek::FpRegisters;  // read and loaded with vek::ReadFpRegisters/LoadFpRegisters

struct FpPreset {
  const char* name;
  const char* description;
  FpEnvironment environment;
};

// The named environments hosts are known to leave, the platform's default first.
const std::vector<FpPreset>& FpPresets();

// A preset name, or raw values "X87CW,MXCSR" in hex (e.g. "0x1332,0x1900"). False with the reason.
bool ParseFpEnvironment(const std::string& text, FpEnvironment& env, std::string& error);
// "traps (x87 0x1332, MXCSR 0x1900)", or just the values when no preset has them.
std::string DescribeFpEnvironment(const FpEnvironment& env);
// What a call did to the host's environment, for a misuse report: "left the host's floating-point
// environment changed: MXCSR 0x1f80 -> 0x9fc0 (flush-to-zero/denormals-are-zero)", or "raised an
// exception the host has unmasked (a trap in a real host): ..." when a raised flag was unmasked.
std::string DescribeFpChange(const FpEnvironment& expected, const FpEnvironment& found);

// The environment every entry-point call of a new Instance runs in; none means the calls run in
// whatever the stand-in itself has, unchecked.
void SetHostFpEnvironment(std::optional<FpEnvironment> env);
std::optional<FpEnvironment> HostFpEnvironment();

// Loads a host environment for the lifetime of the scope and puts the stand-in's own back after.
class HostFpScope {
 public:
  explicit HostFpScope(const std::optional<FpEnvironment>& env);
  ~HostFpScope();
  HostFpScope(const HostFpScope&) = delete;
  HostFpScope& operator=(const HostFpScope&) = delete;

 private:
  std::optional<FpEnvironment> own_;
};

// Whether this CPU (or the emulator it runs under) traps unmasked floating-point exceptions.
// User-mode emulators may not; tests say so instead of passing for the wrong reason.
bool FpTrapsAreRaised();

}  // namespace usrhost
