#include "app/Settings.h"

namespace pinweave {

void RestorePaths(ISettingsStore& store, std::string& strInputPath, std::string& strOutputPath)
{
    if (strInputPath.empty() && store.Read(kInputPathValue, strInputPath) == SettingRead::KeyUnavailable) {
        return;
    }
    if (!strOutputPath.empty()) {
        return;
    }
    if (store.Read(kOutputPathValue, strOutputPath) == SettingRead::KeyUnavailable) {
        return;
    }
    if (strOutputPath.empty()) {
        strOutputPath = kDefaultOutputFolder;
    }
}

void SavePaths(ISettingsStore& store, const std::string& strInputPath, const std::string& strOutputPath)
{
    store.Write(kInputPathValue, strInputPath);
    store.Write(kOutputPathValue, strOutputPath);
}

} // namespace pinweave
