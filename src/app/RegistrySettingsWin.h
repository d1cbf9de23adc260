// The settings store of the Windows program: one registry key under
// HKEY_CURRENT_USER, created or opened (non-volatile, no class) with read and
// write access for the life of the object, and closed by its destructor.
//
// A value is accepted when it is REG_SZ or REG_EXPAND_SZ (taken literally,
// variables not expanded) and its text has at most 259 characters; values are
// written as REG_SZ, text plus the terminating NUL.
#ifndef PINWEAVE_APP_REGISTRYSETTINGSWIN_H
#define PINWEAVE_APP_REGISTRYSETTINGSWIN_H

#include "app/Settings.h"

#include <windows.h>

#include <string>

namespace pinweave {

class CRegistrySettingsWin : public ISettingsStore {
public:
    // The longest stored text that is read back.
    static constexpr DWORD kMaxValueLength = 259;

    // Opens HKEY_CURRENT_USER\<pszKey>; a failure makes every Read report
    // SettingRead::KeyUnavailable and every Write do nothing.
    explicit CRegistrySettingsWin(const char* pszKey = kSettingsKey);
    CRegistrySettingsWin(const CRegistrySettingsWin&) = delete;
    CRegistrySettingsWin& operator=(const CRegistrySettingsWin&) = delete;
    ~CRegistrySettingsWin() override;

    SettingRead Read(const char* pszName, std::string& strValue) override;
    void Write(const char* pszName, const std::string& strValue) override;

private:
    HKEY m_hKey = nullptr;
};

} // namespace pinweave

#endif // PINWEAVE_APP_REGISTRYSETTINGSWIN_H
