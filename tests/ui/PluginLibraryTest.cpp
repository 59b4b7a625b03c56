#include <dlfcn.h>
#include <gtest/gtest.h>

#include <memory>

#include "ModalCloser.h"
#include "framework/ISubSystem.h"
#include "support/HostDatabase.h"

namespace tavex {
namespace {

// The built plug-in library, loaded the way a host loads it.
class PluginLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    mLibrary = ::dlopen(TAVEX_PLUGIN_BUILD_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(mLibrary, nullptr) << ::dlerror();
  }

  void* Symbol(const char* name) const { return ::dlsym(mLibrary, name); }

  void* mLibrary = nullptr;
};

TEST_F(PluginLibrary, ExportsTheFactoryAndNothingOfItsInsides) {
  EXPECT_NE(Symbol(kCreateSubSystemSymbol), nullptr);
  EXPECT_EQ(Symbol("_ZN5tavex12LoadMessagesEv"), nullptr);
  EXPECT_EQ(Symbol("_ZN5tavex10CSubSystem8DoActionERKSt7variantIJNSt7__cxx1112basic_"
                   "stringIcSt11char_traitsIcESaIcEEElEE"),
            nullptr);
}

TEST_F(PluginLibrary, AHostSetsItUpAndOpensADialogThroughIt) {
  auto create = reinterpret_cast<CreateSubSystemFunction>(Symbol(kCreateSubSystemSymbol));
  ASSERT_NE(create, nullptr);
  std::unique_ptr<ISubSystem> subsystem(create());
  ASSERT_NE(subsystem, nullptr);
  test::TempDir dir;
  test::ScopedEnv home("TAVEX_HOME", dir.Path());
  MainSystem host(db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, dir)));
  subsystem->SetHost(host);
  EXPECT_EQ(subsystem->Version().Major, 16);
  test::ModalCloser closer;
  closer.CloseNext();
  subsystem->DoAction(std::string("dofTP"));
  closer.CloseNext();
  subsystem->DoAction(std::string("DoPurge"));  // no such action: the not-supported box
  ASSERT_EQ(closer.closed.size(), 2U);
  EXPECT_EQ(closer.closed[0], "frmFTP");
}

}  // namespace
}  // namespace tavex
