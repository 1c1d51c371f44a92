#include <gtest/gtest.h>

#include "tests/test_support.h"

TEST(Module, Loads)
{
    LoadedModule module;
    ASSERT_TRUE(module.Load());
    IntFn query = module.Export<IntFn>("QueryVTAModule");
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query(), 1);
}
