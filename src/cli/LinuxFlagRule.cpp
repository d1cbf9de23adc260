#include "cli/LinuxFlagRule.h"

#include <filesystem>
#include <system_error>

namespace pinweave {

bool IsLinuxFlag(const std::string& strArg, const std::function<bool(const std::string&)>& pfnExists)
{
    if (strArg.empty())
        return false;
    if (strArg[0] == '-')
        return true;
    if (strArg[0] != '/')
        return false;
    if (strArg.find('/', 1) != std::string::npos)
        return false;
    return !pfnExists(strArg);
}

bool IsLinuxFlagOnDisk(const std::string& strArg)
{
    return IsLinuxFlag(strArg, [](const std::string& strPath) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(strPath, ec));
    });
}

}  // namespace pinweave
