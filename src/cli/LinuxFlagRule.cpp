#include "cli/LinuxFlagRule.h"

#include <filesystem>
#include <system_error>

namespace pinweave {

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

bool IsLinuxFlag(const std::string& strArg, const ExistsTest& pfnExists)
{
    if (strArg.size() < 2)
        return false;
    if (strArg[0] == '-')
        return true;
    return strArg[0] == '/' && strArg.size() == 2 && IsAsciiLetter(strArg[1]) && !pfnExists(strArg);
}

bool ExistsOnDisk(const std::string& strPath)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(strPath, ec));
}

} // namespace pinweave
