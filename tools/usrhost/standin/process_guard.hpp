#pragma once
// What ends the tool from outside the normal flow: a floating-point trap inside a module call, and
// an interruption (SIGINT, SIGTERM, Ctrl-C). A trap is reported as misuse, status 3, in one line;
// either way the temporary file of an output being written is removed first.
#include <string>

namespace usrhost {

// Installs the handlers for this process (not in a validator child, whose parent reports crashes).
void GuardProcess();
// Puts the system's handling back (a validator child, whose parent reports how it ended).
void UnguardProcess();

// In a validator child: a crash appends "entry NAME" (the entry point that ran) to this file, then
// ends the process as the crash would have.
void ReportCrashesTo(const std::string& path);

// The entry point being called, named in a trap's report; null outside module calls.
void SetCallInProgress(const char* entryPoint);
const char* CallInProgress();

// The temporary file being written, removed if the process is ended; null when none.
void SetPendingTemporary(const char* path);

}  // namespace usrhost
