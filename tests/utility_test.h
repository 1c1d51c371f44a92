// The fixture of the utility tests: the module loaded once for a whole test
// program, with its utilities at hand.
#ifndef CHIMORA_UTILITY_TEST_H
#define CHIMORA_UTILITY_TEST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/test_support.h"
#include "tests/utility_exports.h"

class UtilityTest : public ::testing::Test {
protected:
    static inline LoadedModule* module = nullptr;
    static inline UtilityExports fn = {};

    static void SetUpTestSuite()
    {
        module = new LoadedModule;
        module->Load();
        ZeroMemory(&fn, sizeof(fn));
        fn.Resolve(*module);
    }
    static void TearDownTestSuite()
    {
        delete module;
        module = NULL;
    }
    void SetUp() override
    {
        ASSERT_NE(module->handle, nullptr) << "module not loaded";
        UtilityExports check;
        std::string missing;
        ASSERT_TRUE(check.Resolve(*module, &missing)) << "exports missing: " << missing;
    }
};

// The double-byte cases mean something only in code page 932, whose lead
// bytes are 81-9F and E0-FC.
inline void ExpectCodePage932()
{
    ASSERT_EQ(GetACP(), 932u);
    CPINFO info;
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    EXPECT_EQ(info.LeadByte[0], 0x81);
    EXPECT_EQ(info.LeadByte[1], 0x9F);
    EXPECT_EQ(info.LeadByte[2], 0xE0);
    EXPECT_EQ(info.LeadByte[3], 0xFC);
    EXPECT_EQ(info.LeadByte[4], 0);
}

// An output buffer filled with a marker byte, so that the bytes a call
// must not write can be checked afterwards.
const char kMark = '\x7E';

inline std::string Marked(size_t size) { return std::string(size, kMark); }

// The first byte from position from on that a call changed in buf; npos
// when none.
inline size_t FirstWritten(const std::string& buf, size_t from) { return buf.find_first_not_of(kMark, from); }

#endif
