#include "tests/quiet_registry.h"

#include <gtest/gtest.h>

const char* const kQuietValueNames[5] = {
    "QuietEnable", "QuietStart", "QuietEnd", "QuietWhenLocked", "QuietFullScreen",
};

DWORD QuietHours::* const kQuietFields[5] = {
    &QuietHours::Enable, &QuietHours::Start, &QuietHours::End, &QuietHours::WhenLocked,
    &QuietHours::FullScreen,
};

std::string Describe(const QuietHours& quiet)
{
    std::string text = "{";
    for (int i = 0; i < 5; i++)
        text += std::string(i ? ", " : "") + kQuietValueNames[i] + " "
              + std::to_string(quiet.*kQuietFields[i]);
    return text + "}";
}

bool operator==(const QuietHours& a, const QuietHours& b)
{
    for (int i = 0; i < 5; i++)
        if (a.*kQuietFields[i] != b.*kQuietFields[i])
            return false;
    return true;
}

void PrintTo(const QuietHours& quiet, std::ostream* out)
{
    *out << Describe(quiet);
}

void DeleteQuietKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, QUIET_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, QUIET_KEY);
}

bool QuietKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, QUIET_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteQuietValue(const char* name, DWORD type, const void* data, DWORD size)
{
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, QUIET_KEY, name, type, data, size), ERROR_SUCCESS)
        << name;
}

void WriteQuietDword(const char* name, DWORD value)
{
    WriteQuietValue(name, REG_DWORD, &value, sizeof(value));
}


void WriteQuietDwords(const QuietHours& quiet)
{
    for (int i = 0; i < 5; i++)
        WriteQuietDword(kQuietValueNames[i], quiet.*kQuietFields[i]);
}

std::vector<std::string> QuietRawValues()
{
    std::vector<std::string> values;
    for (const char* name : kQuietValueNames) {
        BYTE data[64];
        DWORD type = 0;
        DWORD size = sizeof(data);
        if (RegGetValueA(HKEY_CURRENT_USER, QUIET_KEY, name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                         data, &size) != ERROR_SUCCESS) {
            values.push_back(std::string(name) + " missing");
            continue;
        }
        std::string value = std::string(name) + " type " + std::to_string(type) + ":";
        for (DWORD i = 0; i < size; i++)
            value += " " + std::to_string(data[i]);
        values.push_back(value);
    }
    return values;
}

bool ReadQuietDwords(QuietHours* quiet)
{
    QuietHours read = {};
    for (int i = 0; i < 5; i++) {
        DWORD type = 0;
        BYTE data[16];
        DWORD size = sizeof(data);
        if (RegGetValueA(HKEY_CURRENT_USER, QUIET_KEY, kQuietValueNames[i], RRF_RT_ANY, &type,
                         data, &size) != ERROR_SUCCESS
            || type != REG_DWORD || size != sizeof(DWORD)) {
            ADD_FAILURE() << kQuietValueNames[i] << " is no REG_DWORD of four bytes";
            return false;
        }
        read.*kQuietFields[i] = *reinterpret_cast<const DWORD*>(data);
    }
    *quiet = read;
    return true;
}
