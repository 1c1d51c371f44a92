// The host exports when the module object could not be created at load:
// they do nothing and return 0. The module's code is linked in directly,
// so the library's entry point never runs and no module object exists.
#include <gtest/gtest.h>

#include <string.h>

#include "include/chimora.h"
#include "module/module.h"
#include "tests/test_support.h"

TEST(ModuleAbsent, ExportsDoNothingAndReturnZero)
{
    ASSERT_EQ(ProcessModule, nullptr);
    HostWindow host;

    EXPECT_EQ(QueryVTAModule(), 1) << "identification needs no module";
    SetParentWindow(host.handle);
    EXPECT_EQ(IsModuleEnable(), 0);
    char title[80];
    memset(title, 0x55, sizeof(title));
    EXPECT_EQ(GetTitleName(title), 0);
    EXPECT_EQ(static_cast<unsigned char>(title[0]), 0x55) << "buffer left alone";
    EXPECT_EQ(StartModule(), 0);
    EXPECT_EQ(StopModule(), 0);
    EXPECT_EQ(Setting(), 0);
    EXPECT_EQ(ProcessModule, nullptr);
}
