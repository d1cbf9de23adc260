#include "app/CommandLineInfo.h"

#include "common/AsciiCase.h"

#include <cstddef>

namespace pinweave {

namespace {

bool HasFlagCharacter(const std::string& strArg)
{
    return !strArg.empty() && (strArg[0] == '-' || strArg[0] == '/');
}

// The whole of pszText equals the single upper-case letter cFlag, ASCII case
// folded: "q" and "Q" match "Q", "Quiet" and "Q:" do not.
bool IsFlag(const char* pszText, char cFlag)
{
    return pszText[0] != '\0' && UpperAscii(pszText[0]) == cFlag && pszText[1] == '\0';
}

} // namespace

bool CPinweaveCommandLineInfo::IsWindowsFlag(const std::string& strArg)
{
    return HasFlagCharacter(strArg);
}

void CPinweaveCommandLineInfo::ParseParam(const char* pszParam, bool bFlag, bool bLast)
{
    const char* pszText = pszParam != nullptr ? pszParam : "";
    if (bFlag) {
        if (IsFlag(pszText, 'Q'))
            m_bQuiet = true;
        else if (IsFlag(pszText, 'Y'))
            m_bOverwriteAll = true;
        return;
    }
    if (bLast)
        m_strOutputPath = pszText;
    else
        m_strInputPath = pszText;
}

void CPinweaveCommandLineInfo::ParseArguments(const std::vector<std::string>& arrArgs,
                                              const FlagRule& pfnIsFlag)
{
    for (std::size_t i = 0; i < arrArgs.size(); ++i) {
        const std::string& strArg = arrArgs[i];
        const bool bLast = i + 1 == arrArgs.size();
        // A flag needs its flag character; a rule cannot make a flag of
        // anything else, so stripping the first byte below is always sound.
        const bool bFlag =
            HasFlagCharacter(strArg) && (pfnIsFlag ? pfnIsFlag(strArg) : IsWindowsFlag(strArg));
        ParseParam(bFlag ? strArg.c_str() + 1 : strArg.c_str(), bFlag, bLast);
    }
}

void CPinweaveCommandLineInfo::TakeLoneFileAsCapH(const std::vector<std::string>& arrArgs,
                                                  const FlagRule& pfnIsFile)
{
    if (arrArgs.size() != 1 || arrArgs[0] != m_strOutputPath || !m_strInputPath.empty() || !pfnIsFile ||
        !pfnIsFile(arrArgs[0])) {
        return;
    }
    m_strInputPath = m_strOutputPath;
    m_strOutputPath.clear();
}

} // namespace pinweave
