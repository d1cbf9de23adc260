// The two remembered paths of dialog mode and the rules for restoring and
// saving them, apart from where they are stored.
//
// Restoring fills only the paths the command line left empty; the default
// output folder applies only when the store could be opened and neither the
// command line nor the store gave a folder. Saving writes both paths as they
// stand. Failures of the store are silent by design: the affected path stays
// empty or unsaved.
#ifndef PINWEAVE_APP_SETTINGS_H
#define PINWEAVE_APP_SETTINGS_H

#include <string>

namespace pinweave {

// Where the settings live: HKEY_CURRENT_USER\<kSettingsKey>.
inline constexpr const char* kSettingsKey = "Software\\Korvane\\Pinweave";
inline constexpr const char* kInputPathValue = "InputPath";
inline constexpr const char* kOutputPathValue = "OutputPath";
inline constexpr const char* kDefaultOutputFolder = "c:\\Korvane Data\\Pid";

// The outcome of reading one value.
enum class SettingRead {
    KeyUnavailable, // the settings key could not be created or opened
    NoValue,        // missing, not a string, or too long: nothing usable
    Value,          // strValue holds the stored text
};

// The two operations a settings store offers.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // Reads the named value. strValue is changed only for SettingRead::Value.
    virtual SettingRead Read(const char* pszName, std::string& strValue) = 0;
    // Writes the named value as text; failures are not reported.
    virtual void Write(const char* pszName, const std::string& strValue) = 0;
};

// Start-up in dialog mode: fills the empty paths from the store.
void RestorePaths(ISettingsStore& store, std::string& strInputPath, std::string& strOutputPath);

// After the dialog's modal run: writes "InputPath", then "OutputPath".
void SavePaths(ISettingsStore& store, const std::string& strInputPath, const std::string& strOutputPath);

} // namespace pinweave

#endif // PINWEAVE_APP_SETTINGS_H
