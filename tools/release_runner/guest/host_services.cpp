// The host's services as the module calls them (cdecl, through the service table): values and
// arrays kept in slots, every misuse counted and the first one described.
#include "host/abi.hpp"
#include "tools/release_runner/guest/runtime.hpp"

namespace runner {
namespace {

void Misused(Misuse what, EventHandle h, int32_t index) {
  Shared& g = Guest();
  if (g.misuseCount++ == 0) {
    g.firstMisuse = what;
    g.misuseHandle = h;
    g.misuseIndex = index;
  }
}

Slot* Resolve(EventHandle h) {
  if (h < kFirstHandle || (h - kFirstHandle) % kHandleSpacing != 0) return nullptr;
  const uint32_t i = (h - kFirstHandle) / kHandleSpacing;
  if (i >= kSlotCount || Guest().slots[i].kind == kSlotUnused) return nullptr;
  return &Guest().slots[i];
}

float GetValue(EventHandle h) {
  Slot* s = Resolve(h);
  if (s == nullptr) return Misused(kUnknownHandle, h, 0), 0.0f;
  if (s->kind != kSlotInput) Misused(kReadOfOutput, h, 0);
  return s->value;
}

void SetValue(EventHandle h, float v) {
  Slot* s = Resolve(h);
  if (s == nullptr) return Misused(kUnknownHandle, h, 0);
  if (s->kind != kSlotOutput) return Misused(kWriteOfNonOutput, h, 0);
  s->value = v;
}

void SetArrayLength(EventHandle h, int32_t length) {
  Slot* s = Resolve(h);
  if (s == nullptr) return Misused(kUnknownHandle, h, length);
  if (s->kind != kSlotArray) return Misused(kArrayServiceOnScalar, h, length);
  if (length < 0 || length > kMaxArrayLength) return Misused(kArrayLengthOutOfRange, h, length);
  float* a = reinterpret_cast<float*>(s->array);
  for (int32_t i = s->length; i < length; ++i) a[i] = 0.0f;
  s->length = length;
}

void SetArrayElement(EventHandle h, int32_t index, float v) {
  Slot* s = Resolve(h);
  if (s == nullptr) return Misused(kUnknownHandle, h, index);
  if (s->kind != kSlotArray) return Misused(kArrayServiceOnScalar, h, index);
  if (index < 0 || index >= s->length) return Misused(kArrayIndexOutOfRange, h, index);
  reinterpret_cast<float*>(s->array)[index] = v;
}

void UnusedService() { Misused(kUnusedService, 0, 0); }

HostServices MakeServices() {
  HostServices t;
  void** entries = reinterpret_cast<void**>(&t);
  for (int i = 0; i < kHostServicesEntries; ++i) entries[i] = reinterpret_cast<void*>(&UnusedService);
  t.SetArrayLength = &SetArrayLength;
  t.SetValue = &SetValue;
  t.GetValue = &GetValue;
  t.SetArrayElement = &SetArrayElement;
  return t;
}

HostServices g_services;

}  // namespace

const HostServices& Services() { return g_services; }

// The guest image has no start-up code of its own: the table is filled before every command.
void InitServices() {
  g_services = MakeServices();
  Guest().services = reinterpret_cast<uint32_t>(&g_services);
}

}  // namespace runner
