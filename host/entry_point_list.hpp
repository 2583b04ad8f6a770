#pragma once
// The 21 entry points every module library exports, in the order hosts list them. This is the one
// list: the build writes the export files from it, the entry points alias their empty functions
// from it, the host stand-in resolves and calls by it, and the release-file check reads it.
//   USR_ENTRY(name)       the module answers or computes here
//   USR_DOES_NOTHING(name) a user-interface entry point these modules leave empty; all of them
//                          are one exported function (Process too, where a module has no cycle)
// Keep one entry per line, as written: CMake and the shell check read this file as text.
#define USR_ENTRY_POINT_LIST(USR_ENTRY, USR_DOES_NOTHING) \
  USR_ENTRY(GetSDKVersion)                                 \
  USR_ENTRY(GetImplementation)                             \
  USR_ENTRY(GetModuleInfo)                                 \
  USR_ENTRY(GetParamInfo)                                  \
  USR_ENTRY(Create)                                        \
  USR_ENTRY(Destroy)                                       \
  USR_ENTRY(SetEventAddress)                               \
  USR_ENTRY(InitModule)                                    \
  USR_ENTRY(CallBack)                                      \
  USR_ENTRY(Process)                                       \
  USR_ENTRY(GetChunkLen)                                   \
  USR_DOES_NOTHING(CreateLayout)                           \
  USR_DOES_NOTHING(LayoutHasChanged)                       \
  USR_DOES_NOTHING(MouseDown)                              \
  USR_DOES_NOTHING(MouseDownMultiProc)                     \
  USR_DOES_NOTHING(MouseMove)                              \
  USR_DOES_NOTHING(MouseMoveMultiProc)                     \
  USR_DOES_NOTHING(MouseUp)                                \
  USR_DOES_NOTHING(MouseUpMultiProc)                       \
  USR_DOES_NOTHING(Paint)                                  \
  USR_DOES_NOTHING(Resize)
