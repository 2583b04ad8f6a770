#pragma once
// The exit statuses of usrhost, as --help and the README document them. Here, below the command
// line, because a trap inside a module call ends the process from the stand-in itself.
namespace usrhost {

// The exit statuses, as --help and the README document them.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailed = 1,    // a check or a comparison failed
  kExitUsage = 2,     // bad options or input: a file that cannot be read, loaded, parsed or written
  kExitMisuse = 3,    // the module misused the host (services, floating-point environment)
};

}  // namespace usrhost
