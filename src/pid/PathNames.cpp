#include "pid/PathNames.h"

namespace pinweave {

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
constexpr char kJoinSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kJoinSeparator = '/';
#endif

// Length of the path without the last extension of its file name.
std::size_t StemEnd(std::string_view strPath)
{
    const std::size_t nNameStart = strPath.size() - FileNameOf(strPath).size();
    const std::size_t nDot = strPath.rfind('.');
    return (nDot == std::string_view::npos || nDot < nNameStart) ? strPath.size() : nDot;
}

} // namespace

std::string_view FileNameOf(std::string_view strPath)
{
    const std::size_t nLast = strPath.find_last_of(kSeparators);
    return nLast == std::string_view::npos ? strPath : strPath.substr(nLast + 1);
}

std::string BaseNameOf(std::string_view strCapHPath)
{
    const std::string_view strName = FileNameOf(strCapHPath);
    return std::string(strName.substr(0, StemEnd(strName)));
}

std::string OutputFileName(std::string_view strBaseName, int nIndex)
{
    std::string strName(strBaseName);
    if (nIndex != 0) {
        strName += '_';
        strName += std::to_string(nIndex);
    }
    strName += ".pid";
    return strName;
}

std::string JoinPath(std::string_view strFolder, std::string_view strFileName)
{
    const std::size_t nLastKept = strFolder.find_last_not_of(kSeparators);
    std::string strPath;
    if (nLastKept != std::string_view::npos) {
        strPath.assign(strFolder.substr(0, nLastKept + 1));
        strPath += kJoinSeparator;
    } else if (!strFolder.empty()) {
        strPath.assign(1, strFolder.front()); // the root itself
    }
    strPath += strFileName;
    return strPath;
}

std::string LogFilePathOf(std::string_view strCapHPath)
{
    return std::string(strCapHPath.substr(0, StemEnd(strCapHPath))) + ".log";
}

} // namespace pinweave
