// The registry store against Wine's real registry, in a key of its own.
#include "app/RegistrySettingsWin.h"

#include <gtest/gtest.h>

#include <string>

namespace pinweave {
namespace {

constexpr const char* kTestKey = "Software\\Korvane\\PinweaveRegistryTest";

void StoreRaw(const char* pszName, DWORD dwType, const std::string& strBytes)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(hKey, pszName, 0, dwType, reinterpret_cast<const BYTE*>(strBytes.data()),
                   static_cast<DWORD>(strBytes.size()));
    RegCloseKey(hKey);
}

class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey); }
};

struct CReadCase {
    const char* m_pszName;
    DWORD m_dwType;         // REG_NONE: the value is absent
    std::string m_strBytes; // stored exactly, NUL included where wanted
    SettingRead m_result;
    std::string m_strText;
};

TEST_F(RegistrySettingsTest, ReadsStringsOfAtMost259Characters)
{
    const std::string s259(259, 'p');
    const std::string s260(260, 'q');
    const CReadCase cases[] = {
        {"Plain", REG_SZ, std::string("C:\\in\\a.tst") + '\0', SettingRead::Value, "C:\\in\\a.tst"},
        {"Empty", REG_SZ, std::string(1, '\0'), SettingRead::Value, ""},
        {"Expandable", REG_EXPAND_SZ, std::string("%TEMP%\\x") + '\0', SettingRead::Value, "%TEMP%\\x"},
        {"Longest", REG_SZ, s259 + '\0', SettingRead::Value, s259},
        {"OneTooLong", REG_SZ, s260 + '\0', SettingRead::NoValue, "unchanged"},
        {"NoNulLongest", REG_SZ, s259, SettingRead::Value, s259},
        {"NoNulTooLong", REG_SZ, s260, SettingRead::NoValue, "unchanged"},
        {"Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4), SettingRead::NoValue, "unchanged"},
        {"Binary", REG_BINARY, "C:\\x", SettingRead::NoValue, "unchanged"},
        {"Absent", REG_NONE, "", SettingRead::NoValue, "unchanged"},
    };
    for (const CReadCase& c : cases) {
        if (c.m_dwType != REG_NONE) {
            StoreRaw(c.m_pszName, c.m_dwType, c.m_strBytes);
        }
    }
    CRegistrySettingsWin store(kTestKey);
    for (const CReadCase& c : cases) {
        std::string strValue = "unchanged";
        EXPECT_EQ(store.Read(c.m_pszName, strValue), c.m_result) << c.m_pszName;
        EXPECT_EQ(strValue, c.m_strText) << c.m_pszName;
    }
}

TEST_F(RegistrySettingsTest, WritesTextPlusNulAsRegSz)
{
    const std::string cases[] = {"C:\\out dir", "", std::string(300, 'w')};
    for (const std::string& strText : cases) {
        {
            CRegistrySettingsWin store(kTestKey);
            store.Write("OutputPath", strText);
        }
        DWORD dwType = REG_NONE;
        DWORD cbData = 0;
        ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kTestKey, "OutputPath", RRF_RT_ANY | RRF_NOEXPAND, &dwType,
                               nullptr, &cbData),
                  ERROR_SUCCESS);
        EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(cbData, strText.size() + 1);
    }
}

TEST_F(RegistrySettingsTest, ExpandableValueComesBackAsLiteralRegSz)
{
    StoreRaw("InputPath", REG_EXPAND_SZ, std::string("%USERPROFILE%\\job.tst") + '\0');
    std::string strValue;
    {
        CRegistrySettingsWin store(kTestKey);
        ASSERT_EQ(store.Read("InputPath", strValue), SettingRead::Value);
        store.Write("InputPath", strValue);
    }
    EXPECT_EQ(strValue, "%USERPROFILE%\\job.tst");
    DWORD dwType = REG_NONE;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kTestKey, "InputPath", RRF_RT_ANY | RRF_NOEXPAND, &dwType,
                           nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(dwType, static_cast<DWORD>(REG_SZ));
}

} // namespace
} // namespace pinweave
