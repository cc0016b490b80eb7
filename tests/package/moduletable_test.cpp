#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "package/qxm.h"
#include "packagetest.h"

namespace {

struct ModuleFunctions {
  QXMGetIntFn getType, sampleSize, writePriority;
  QXMGetTextFn name, version, description, filter;
};

#define MODULE_FUNCTIONS(n)                                                                    \
  ModuleFunctions {                                                                            \
    QXMM##n##GetType, QXMM##n##GRGetSampleSize, QXMM##n##GRGetWritePriority, QXMM##n##GetName, \
        QXMM##n##GetVersion, QXMM##n##GetDescription, QXMM##n##GRGetFilter                     \
  }
const ModuleFunctions kModules[] = {MODULE_FUNCTIONS(0), MODULE_FUNCTIONS(1), MODULE_FUNCTIONS(2),
                                    MODULE_FUNCTIONS(3), MODULE_FUNCTIONS(4), MODULE_FUNCTIONS(5)};
#undef MODULE_FUNCTIONS

// The texts in the host's default (untranslated) message locale.
class ModuleTable : public ::testing::Test {
 protected:
  void SetUp() override {
    env.Set("LANG", "C");
    env.Unset("LC_ALL");
    env.Unset("LC_MESSAGES");
    env.Unset("LANGUAGE");
  }
  ScopedEnv env;
};

TEST_F(ModuleTable, PackageValues) {
  EXPECT_EQ(QXMPkgSize(), 6);
  EXPECT_STREQ(QXMPkgName(), "xpdb");
  EXPECT_STREQ(QXMPkgVersion(), "3.2.1");
  EXPECT_STREQ(QXMPkgDescription(), "PDB file format package");
  EXPECT_STREQ(QXMCoreVersion, "3.5");
  QXMPkgSetup();
  EXPECT_EQ(QXMPkgSize(), 6);
}

TEST_F(ModuleTable, NamesVersionsAndDescriptions) {
  const char* names[] = {"xpdb09", "xpdb08", "xpdb10", "xpdb11", "xpdb12", "xpdb14"};
  const char* descriptions[] = {"PDB geometry version  9 loader", "PDB geometry version  8 loader",
                                "PDB geometry version 10 loader", "PDB geometry version 11 loader",
                                "PDB geometry version 12 loader", "PDB geometry version 14 loader"};
  for (int i = 0; i < QXMModuleCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_STREQ(kModules[i].name(), names[i]);
    EXPECT_STREQ(kModules[i].version(), "3.2.1");
    EXPECT_STREQ(kModules[i].description(), descriptions[i]);
    EXPECT_EQ(std::strlen(kModules[i].description()), std::strlen(descriptions[0]));
    EXPECT_EQ(kModules[i].getType(), 5);
    EXPECT_EQ(kModules[i].writePriority(), 1);
  }
}

TEST_F(ModuleTable, OnlyVersion14AsksForALongerSample) {
  for (int i = 0; i < QXMModuleCount; ++i) EXPECT_EQ(kModules[i].sampleSize(), i == 5 ? 18 : 16) << i;
}

TEST_F(ModuleTable, OnlyModuleZeroOffersAFilter) {
  EXPECT_STREQ(kModules[0].filter(), "Igrip/Quest/VNC geometry (*.pdb,*.*)|*.pdb;*.*");
  for (int i = 1; i < QXMModuleCount; ++i) {
    ASSERT_NE(kModules[i].filter(), nullptr) << i;
    EXPECT_STREQ(kModules[i].filter(), "") << i;
  }
}

}  // namespace
