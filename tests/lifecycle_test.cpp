// Instances from Create to Destroy: handle slots, binding and rebinding of services, calls in odd
// orders and null pointers.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "modules/random/random_module.hpp"
#include "modules/random_array/random_array_module.hpp"
#include "plugin_fixture.hpp"

namespace vektest {
namespace {

using usrhost::Instance;

// The instance's leading words: [0] its one virtual operation, [1] the services, [2] hostValue,
// then one handle slot per parameter.
const uint32_t* Words(const Instance& in) { return static_cast<const uint32_t*>(in.pointer()); }
uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

TEST(Lifecycle, HandleSlotsFollowTheDeclaredOrder) {
  Instance array(ArrayLib().library, ArrayLib().module);
  ASSERT_TRUE(array.Create());
  array.GiveHandles();
  const int last = vek::kRandomArrayParamCount - 1;
  for (int slot = 0; slot < last; ++slot) EXPECT_EQ(Words(array)[3 + slot], array.handle(slot + 1)) << "slot " << slot;
  EXPECT_EQ(Words(array)[3 + last], array.handle(vek::kMode)) << "\"Mode\" goes last";

  Instance random(RandomLib().library, RandomLib().module);
  ASSERT_TRUE(random.Create());
  random.GiveHandles();
  for (int slot = 0; slot < vek::kRandomParamCount; ++slot) EXPECT_EQ(Words(random)[3 + slot], random.handle(slot)) << "slot " << slot;
}

TEST(Lifecycle, SetEventAddressBeyondTheLastIndexWritesNothing) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    Instance in(m->library, m->module);
    ASSERT_TRUE(in.Create());
    in.GiveHandles();
    const size_t words = 3 + m->module.params.size() + 4;
    std::vector<uint32_t> before(Words(in), Words(in) + words);
    auto set = reinterpret_cast<usrhost::SetEventAddressFn>(m->library.address(usrhost::kSetEventAddress));
    for (int32_t index : {m->module.paramCount, -1, INT32_MIN, INT32_MAX}) set(in.pointer(), index, 0xDEADBEEF);
    EXPECT_EQ(std::vector<uint32_t>(Words(in), Words(in) + words), before);
    set(in.pointer(), 3, 0x1234);  // a later call for the same index replaces the handle
    EXPECT_TRUE(std::find(Words(in), Words(in) + words, 0x1234u) != Words(in) + words);
  }
}

TEST(Lifecycle, RepeatedInitModuleRebindsOnlyWhatIsGiven) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    SCOPED_TRACE(m->module.name);
    Started in(*m);
    const uint32_t table = Address(usrhost::HostServiceTable());
    EXPECT_EQ(Words(*in)[1], table);
    EXPECT_EQ(Words(*in)[2], 1u);
    in->Init(nullptr, 0);
    EXPECT_EQ(Words(*in)[1], table) << "a null service table keeps the bound one";
    EXPECT_EQ(Words(*in)[2], 1u) << "hostValue 0 keeps the earlier value";
    in->Init(nullptr, 77);
    EXPECT_EQ(Words(*in)[2], 77u);
  }
}

TEST(Lifecycle, RepeatedInitModuleRunsTheModulesOwnInitialisationAgain) {
  Started in(ArrayLib());
  const int32_t size = ArrayLib().module.Find("Array Size");
  in->Set(ArrayLib().module.Find("Mode"), 1.0f);  // nothing resizes on its own in "Update on Click"
  in->Set(size, 40.0f);
  EXPECT_EQ(in->array(vek::kFloatOut).size(), 16u);
  in->Init(nullptr, 0);
  EXPECT_EQ(in->array(vek::kFloatOut).size(), 40u);
  EXPECT_EQ(in->array(vek::kIntegerOut).size(), 40u);
}

TEST(Lifecycle, CallsBeforeServicesAreBoundDoNothing) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    Instance in(m->library, m->module);
    in.set_tracing(true);
    ASSERT_TRUE(in.Create());
    in.GiveHandles();
    for (const auto& p : m->module.params) in.Notify(p.index);
    in.Process();
    in.Init(nullptr, 5);  // a first InitModule without services cannot initialise either
    for (const auto& p : m->module.params) in.Notify(p.index);
    in.Process();
    EXPECT_TRUE(in.trace().empty());
    in.Init(usrhost::HostServiceTable(), 0);
    EXPECT_FALSE(in.trace().empty()) << "the first InitModule with services initialises";
    EXPECT_EQ(Words(in)[2], 5u);
    EXPECT_TRUE(in.misuse().empty());
  }
}

TEST(Lifecycle, NullPointersAndManyInstances) {
  for (LoadedModule* m : {&ArrayLib(), &RandomLib()}) {
    const usrhost::PluginLibrary& lib = m->library;
    reinterpret_cast<usrhost::DestroyFn>(lib.address(usrhost::kDestroy))(nullptr);
    reinterpret_cast<usrhost::CallBackFn>(lib.address(usrhost::kCallBack))(nullptr, nullptr);
    reinterpret_cast<usrhost::ProcessFn>(lib.address(usrhost::kProcess))(nullptr);
    reinterpret_cast<usrhost::InitModuleFn>(lib.address(usrhost::kInitModule))(nullptr, usrhost::HostServiceTable(), 1);
    reinterpret_cast<usrhost::SetEventAddressFn>(lib.address(usrhost::kSetEventAddress))(nullptr, 0, 1);
    lib.GetModuleInfo(nullptr);
    lib.GetParamInfo(0, nullptr);
    // Create returns the instance even when given no place to store it.
    auto create = reinterpret_cast<usrhost::CreateFn>(lib.address(usrhost::kCreate));
    void* loose = create(nullptr);
    EXPECT_NE(loose, nullptr);
    reinterpret_cast<usrhost::DestroyFn>(lib.address(usrhost::kDestroy))(loose);

    Started live(*m);
    reinterpret_cast<usrhost::CallBackFn>(lib.address(usrhost::kCallBack))(live->pointer(), nullptr);
    std::vector<std::unique_ptr<Instance>> many;
    for (int i = 0; i < 200; ++i) {
      many.push_back(std::make_unique<Instance>(lib, m->module));
      ASSERT_TRUE(many.back()->Start());
    }
    many.clear();
  }
}

}  // namespace
}  // namespace vektest
