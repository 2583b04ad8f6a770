#pragma once
// The binary interface between a host and a module library, in one place: plain C, 32-bit
// little-endian records, the service table, the entry points with who calls them and when, and
// the versions a module answers. Every field sits at the byte offset the host reads it from; the
// static checks below pin them. Words named hostWordN are written as hosts expect, but what they
// mean to a host is unknown. The plug-ins, the host stand-in, the fuzzers and the broken test
// modules all take the entry points' prototypes from here.
#include <cstddef>
#include <cstdint>

static_assert(sizeof(void*) == 4, "the host boundary is the 32-bit x86 ABI");
static_assert(sizeof(float) == 4 && sizeof(int32_t) == 4, "records hold 4-byte floats and integers");

extern "C" {

// Opaque per-parameter value a host hands to SetEventAddress; only ever passed back to services.
typedef uint32_t EventHandle;

enum ParamKind : int32_t {
  kParamNumber = 5,         // one float with range, default and format
  kParamBoundedNumber = 6,  // one float confined to a finite range
  kParamButton = 7,         // a push button: no range, default or format
  kParamList = 8,           // value is the 0-based position in `choices`
  kParamArray = 10,         // float array sized and filled by the module
};

// Filled by GetModuleInfo. The module writes the named fields only; other bytes are the host's.
struct ModuleInfo {
  const char* name;          // 0
  const char* caption;       // 4: the same pointer as name
  int32_t hostWord8;         // 8: written 0; meaning unknown
  int32_t color;             // 12: packed 24-bit colour
  int32_t paramCount;        // 16
  uint8_t notWritten20[8];   // 20
  int32_t hostWord28;        // 28: written 0; meaning unknown
};

// Filled by GetParamInfo for one index. Fields a parameter does not declare stay untouched; nothing
// at or beyond byte 76 is written, and hosts may pass a larger record.
struct ParamInfo {
  int32_t kind;              // 0: a ParamKind
  const char* caption;       // 4
  int32_t isInput;           // 8: 1 when the host supplies the value
  int32_t hostWord12;        // 12: always 1; meaning unknown
  int32_t hostWord16;        // 16: 0 for some parameters, else untouched; meaning unknown
  uint8_t notWritten20[8];   // 20
  float minValue;            // 28
  float maxValue;            // 32
  float defaultValue;        // 36: for a List, the initial position
  uint8_t notWritten40[4];   // 40
  const char* format;        // 44: printf format for one double
  const char* choices;       // 48: List only: "A","B"
  uint8_t notWritten52[4];   // 52
  int32_t isOutput;          // 56: 1 when the module supplies the value
  int32_t hostWord60;        // 60: 2 for "Random Seed"; 0 for some parameters; meaning unknown
  uint8_t notWritten64[8];   // 64
  int32_t endsGroup;         // 72: 1 on the last parameter of a group that another group follows
};

typedef void (*SetArrayLengthFn)(EventHandle array, int32_t length);
typedef void (*SetValueFn)(EventHandle output, float value);
typedef float (*GetValueFn)(EventHandle input);
typedef void (*SetArrayElementFn)(EventHandle array, int32_t index, float value);

// The host's service table, at least 28 four-byte entries; modules use only these four.
struct HostServices {
  void* otherEntries0[20];
  SetArrayLengthFn SetArrayLength;   // 80
  void* otherEntries84[4];
  SetValueFn SetValue;               // 100
  GetValueFn GetValue;               // 104
  SetArrayElementFn SetArrayElement; // 108
};

// What CallBack receives when a parameter changed.
struct CallbackMessage {
  int32_t hostWord0;   // 0: not read; meaning unknown
  int32_t paramIndex;  // 4: as in GetParamInfo
  int32_t detail;      // 8: modules act only on 0
};

// The entry points a module library exports, in the order of host/entry_point_list.hpp. Every
// one is called by the host on its own thread, with the host's stack alignment and floating-point
// environment, which a module leaves as it found them; none may throw.

// Asked once after loading, before anything else: the interface version the module speaks
// (kSdkVersion). A host refuses a module that answers otherwise.
int32_t GetSDKVersion(void);
// Asked with GetSDKVersion: which implementation of that interface (kImplementation).
int32_t GetImplementation(void);
// Fills `info` with the module's name, colour and parameter count; the first two arguments are
// the host's and are not read. Called at discovery, any number of times, before any instance.
void GetModuleInfo(void* hostReserved0, void* hostReserved1, ModuleInfo* info);
// Fills `info` for parameter `index` (0 to paramCount - 1; any other index leaves it untouched).
// Called at discovery, for every index, into a record the host pre-filled.
void GetParamInfo(void* hostReserved, int32_t index, ParamInfo* info);
// Allocates one instance, stores it in `*instance` and returns it (null when out of memory). The
// only entry point that may allocate.
void* Create(void** instance);
// Frees an instance from Create; nothing of it is used afterwards.
void Destroy(void* instance);
// Hands over parameter `index`'s handle, once per parameter after Create; the module keeps it to
// name the parameter to the services.
void SetEventAddress(void* instance, int32_t index, EventHandle handle);
// Binds the host's service table after the handles (again at any time; null services keep the
// bound ones). `hostValue`'s meaning is unknown: hosts pass 1; 0 keeps the earlier one.
void InitModule(void* instance, const HostServices* services, uint32_t hostValue);
// A parameter changed (or a button was pressed): the host has stored the new value first. The
// module may read inputs and write outputs through the services.
void CallBack(void* instance, const CallbackMessage* message);
// One processing cycle: read inputs, write outputs through the services. Called by the host on
// every cycle; a module without a cycle makes it one of the do-nothing entry points.
void Process(void* instance);
// The length of the module's saved state; these modules save none (0).
int32_t GetChunkLen(void);
// The user-interface entry points: the host calls them with the instance and arguments of its
// own (up to three more words, meaning unknown); these modules do nothing in them and return at
// once.
void CreateLayout(void* instance);
void LayoutHasChanged(void* instance);
void MouseDown(void* instance);
void MouseDownMultiProc(void* instance);
void MouseMove(void* instance);
void MouseMoveMultiProc(void* instance);
void MouseUp(void* instance);
void MouseUpMultiProc(void* instance);
void Paint(void* instance);
void Resize(void* instance);

}  // extern "C"

// What GetSDKVersion and GetImplementation answer, and what a host expects of them.
constexpr int32_t kSdkVersion = 5;
constexpr int32_t kImplementation = 1;

// The fields a module may write, by record: where each sits, how wide it is and what it is called,
// for hosts that read records byte by byte.
struct RecordField {
  size_t offset;
  size_t size;
  const char* name;
};
#define VEK_RECORD_FIELD(record, field) RecordField{offsetof(record, field), sizeof(record::field), #record "." #field}
constexpr RecordField kModuleInfoFields[] = {
    VEK_RECORD_FIELD(ModuleInfo, name),  VEK_RECORD_FIELD(ModuleInfo, caption),    VEK_RECORD_FIELD(ModuleInfo, hostWord8),
    VEK_RECORD_FIELD(ModuleInfo, color), VEK_RECORD_FIELD(ModuleInfo, paramCount), VEK_RECORD_FIELD(ModuleInfo, hostWord28),
};
constexpr RecordField kParamInfoFields[] = {
    VEK_RECORD_FIELD(ParamInfo, kind),       VEK_RECORD_FIELD(ParamInfo, caption),    VEK_RECORD_FIELD(ParamInfo, isInput),
    VEK_RECORD_FIELD(ParamInfo, hostWord12), VEK_RECORD_FIELD(ParamInfo, hostWord16), VEK_RECORD_FIELD(ParamInfo, minValue),
    VEK_RECORD_FIELD(ParamInfo, maxValue),   VEK_RECORD_FIELD(ParamInfo, defaultValue), VEK_RECORD_FIELD(ParamInfo, format),
    VEK_RECORD_FIELD(ParamInfo, choices),    VEK_RECORD_FIELD(ParamInfo, isOutput),   VEK_RECORD_FIELD(ParamInfo, hostWord60),
    VEK_RECORD_FIELD(ParamInfo, endsGroup),
};
#undef VEK_RECORD_FIELD

constexpr int kHostServicesEntries = 28;
constexpr size_t kParamInfoWrittenBytes = 76;
constexpr size_t kModuleInfoWrittenBytes = 32;

static_assert(offsetof(ModuleInfo, name) == 0);
static_assert(offsetof(ModuleInfo, caption) == 4);
static_assert(offsetof(ModuleInfo, hostWord8) == 8);
static_assert(offsetof(ModuleInfo, color) == 12);
static_assert(offsetof(ModuleInfo, paramCount) == 16);
static_assert(offsetof(ModuleInfo, hostWord28) == 28);
static_assert(sizeof(ModuleInfo) == kModuleInfoWrittenBytes);

static_assert(offsetof(ParamInfo, kind) == 0);
static_assert(offsetof(ParamInfo, caption) == 4);
static_assert(offsetof(ParamInfo, isInput) == 8);
static_assert(offsetof(ParamInfo, hostWord12) == 12);
static_assert(offsetof(ParamInfo, hostWord16) == 16);
static_assert(offsetof(ParamInfo, minValue) == 28);
static_assert(offsetof(ParamInfo, maxValue) == 32);
static_assert(offsetof(ParamInfo, defaultValue) == 36);
static_assert(offsetof(ParamInfo, format) == 44);
static_assert(offsetof(ParamInfo, choices) == 48);
static_assert(offsetof(ParamInfo, isOutput) == 56);
static_assert(offsetof(ParamInfo, hostWord60) == 60);
static_assert(offsetof(ParamInfo, endsGroup) == 72);
static_assert(sizeof(ParamInfo) == kParamInfoWrittenBytes);

static_assert(offsetof(HostServices, SetArrayLength) == 80);
static_assert(offsetof(HostServices, SetValue) == 100);
static_assert(offsetof(HostServices, GetValue) == 104);
static_assert(offsetof(HostServices, SetArrayElement) == 108);
static_assert(sizeof(HostServices) == kHostServicesEntries * 4);

static_assert(offsetof(CallbackMessage, paramIndex) == 4);
static_assert(offsetof(CallbackMessage, detail) == 8);
