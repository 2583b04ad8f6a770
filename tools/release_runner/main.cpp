// release_runner: the Windows release DLLs on the CPU, in this x86_64 process.
//   release_runner check DIR    golden and hostile sessions in every host FP environment
//   release_runner bench DIR    the plug-ins against plain code, workload by workload
//   release_runner call DLL FN  one export called with no arguments (for the runner's own tests)
// Exit status: 0 success, 1 a check failed or the module faulted, trapped or hung, 2 usage or
// input error (a file that cannot be read or loaded, an import the runner does not provide), 77
// this machine cannot run 32-bit code in a 64-bit process at all (nothing was run; a test skips).
#include <sys/mman.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include <CLI/CLI.hpp>

#include "tools/release_runner/bench_table.hpp"
#include "tools/release_runner/guest_image.hpp"
#include "tools/release_runner/pe_headers.hpp"
#include "tools/release_runner/release_check.hpp"
#include "tools/usrhost/standin/exit_status.hpp"

namespace {

constexpr int kInputError = usrhost::kExitUsage;
// The status test harnesses read as "skipped".
constexpr int kCannotRunHere = 77;

[[noreturn]] void InputError(const std::string& error) {
  std::fprintf(stderr, "release_runner: %s\n", error.c_str());
  std::exit(kInputError);
}

// Takes a DLL's preferred base away, so that the loader must relocate it.
void OccupyBase(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) InputError(path + ": cannot be read");
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  runner::PeHeaders headers;
  std::string error;
  if (!runner::DecodePeHeaders(file, headers, error)) InputError(path + ": " + error);
  if (mmap(reinterpret_cast<void*>(static_cast<uintptr_t>(headers.preferredBase)), 4096, PROT_NONE,
           MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0) == MAP_FAILED) {
    InputError(path + ": cannot occupy its image base");
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Runs the Windows release DLLs on the CPU in compatibility mode, from this x86_64 process"};
  app.require_subcommand(1);
  unsigned timeout = 60;
  bool occupyBase = false;
  app.add_option("--timeout", timeout, "Seconds one call into the guest may take before it counts as a hang");
  app.add_flag("--occupy-base", occupyBase, "Take each DLL's image base first, so that it must be relocated");

  std::string dir, goldenDir, dll, function;
  runner::CheckOptions check;
  CLI::App* checkCmd = app.add_subcommand("check", "Golden and hostile sessions in every host floating-point environment");
  checkCmd->add_option("dir", dir, "Folder of Vek_Random.usr and Vek_Random_Array.usr")->required();
  checkCmd->add_option("--golden", goldenDir, "Folder of the golden files")->required();
  checkCmd->add_option("--fp-env", check.presets, "Only these presets of usrhost --fp-env");
  checkCmd->add_option("--stack-offset", check.stackOffset, "Bytes below a 16-byte boundary at each call")
      ->check(CLI::IsMember({0, 4, 8, 12}));

  runner::BenchOptions bench;
  CLI::App* benchCmd = app.add_subcommand("bench", "The plug-ins against plain code, timed on the CPU");
  benchCmd->add_option("dir", dir, "Folder of Vek_Random.usr and Vek_Random_Array.usr")->required();
  benchCmd->add_option("--rounds", bench.rounds, "Timed rounds of each side per workload")->check(CLI::Range(1, 100000));
  std::string benchEnv;
  benchCmd->add_option("--fp-env", benchEnv, "Both sides timed in this host environment (a preset of usrhost --fp-env, or X87CW,MXCSR in hex)");
  benchCmd->add_flag("--plain-only", bench.plainOnly, "Time the plain side alone, no plug-in call in the run");
  benchCmd->add_flag("--separate", bench.separate, "Each side's rounds in one block instead of alternating rounds");
  benchCmd->add_option("--only", bench.only, "Only the workloads whose label contains this text");

  CLI::App* callCmd = app.add_subcommand("call", "Load a DLL and call one export with no arguments");
  callCmd->add_option("dll", dll, "The DLL")->required();
  callCmd->add_option("function", function, "The export")->required();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::fprintf(stderr, "release_runner: %s\n", e.what());
    return kInputError;
  }

  if (!benchEnv.empty()) {
    usrhost::FpEnvironment env{};
    std::string error;
    if (!usrhost::ParseFpEnvironment(benchEnv, env, error)) {
      std::fprintf(stderr, "release_runner: --fp-env: %s\n", error.c_str());
      return kInputError;
    }
    bench.hostEnv = env;
  }
  runner::GuestImage::SetTimeout(timeout);
  runner::GuestImage guest;
  std::string error;
  if (!guest.Load(error)) {
    if (!guest.cannotRunHere()) InputError(error);
    std::fprintf(stderr, "release_runner: %s\n", error.c_str());
    return kCannotRunHere;
  }
  auto load = [&](runner::Module& m, const std::string& path) {
    if (occupyBase) OccupyBase(path);
    if (!m.Load(guest, path, error)) InputError(error);
    if (m.image().base() != m.image().preferredBase()) {
      std::fprintf(stderr, "release_runner: %s: image base 0x%08x taken, relocated to 0x%08x\n", m.name().c_str(),
                   m.image().preferredBase(), m.image().base());
    }
  };

  if (*callCmd) {
    if (occupyBase) OccupyBase(dll);
    runner::LibraryImage image;
    if (!image.Load(guest, dll, error) || !image.Attach(error)) InputError(error);
    const uint32_t address = image.Export(function);
    if (address == 0) InputError(dll + ": exports no " + function);
    const uint32_t result = image.Call(address, {}, function.c_str());
    std::printf("%s loaded at 0x%08x (image base 0x%08x): %s returned %u\n", image.name().c_str(), image.base(),
                image.preferredBase(), function.c_str(), result);
    return usrhost::kExitOk;
  }

  runner::Module random, array;
  load(random, dir + "/Vek_Random.usr");
  load(array, dir + "/Vek_Random_Array.usr");
  bool ok;
  if (*checkCmd) {
    ok = runner::CheckModule(random, goldenDir + "/Vek_Random.golden.json", check, std::cout, std::cerr);
    ok = runner::CheckModule(array, goldenDir + "/Vek_Random_Array.golden.json", check, std::cout, std::cerr) && ok;
  } else {
    ok = runner::RunBenchTable(random, array, bench, std::cout, std::cerr);
  }
  std::cout.flush();
  return ok ? usrhost::kExitOk : usrhost::kExitFailed;
}
