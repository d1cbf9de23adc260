#include "app/RegistrySettingsWin.h"

#include <cstring>

namespace pinweave {

CRegistrySettingsWin::CRegistrySettingsWin(const char* pszKey)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pszKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, &hKey, nullptr) == ERROR_SUCCESS) {
        m_hKey = hKey;
    }
}

CRegistrySettingsWin::~CRegistrySettingsWin()
{
    if (m_hKey != nullptr) {
        RegCloseKey(m_hKey);
    }
}

SettingRead CRegistrySettingsWin::Read(const char* pszName, std::string& strValue)
{
    if (m_hKey == nullptr) {
        return SettingRead::KeyUnavailable;
    }
    // One byte more than the longest text, for its NUL: a longer value does
    // not fit and is refused by the registry with ERROR_MORE_DATA.
    std::string strBuffer(kMaxValueLength + 1, '\0');
    DWORD dwType = REG_NONE;
    DWORD cbData = static_cast<DWORD>(strBuffer.size());
    if (RegQueryValueExA(m_hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(strBuffer.data()),
                         &cbData) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ)) {
        return SettingRead::NoValue;
    }
    // The stored bytes need not end in a NUL; the text ends at the first one.
    const void* pNul = std::memchr(strBuffer.data(), '\0', cbData);
    const std::size_t nLength =
        pNul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(pNul) - strBuffer.data())
                        : cbData;
    if (nLength > kMaxValueLength) {
        return SettingRead::NoValue;
    }
    strValue.assign(strBuffer.data(), nLength);
    return SettingRead::Value;
}

void CRegistrySettingsWin::Write(const char* pszName, const std::string& strValue)
{
    if (m_hKey == nullptr) {
        return;
    }
    RegSetValueExA(m_hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                   static_cast<DWORD>(strValue.size() + 1));
}

} // namespace pinweave
