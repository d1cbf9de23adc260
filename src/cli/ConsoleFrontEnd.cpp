#include "cli/ConsoleFrontEnd.h"

#include <cstddef>

namespace pinweave {

CConsoleFrontEnd::CConsoleFrontEnd(std::ostream& streamOut, std::ostream& streamErr)
    : m_streamOut(streamOut), m_streamErr(streamErr)
{
}

void CConsoleFrontEnd::ShowMessageBox(const std::string& strText)
{
    PrintError(strText);
}

OverwriteAnswer CConsoleFrontEnd::AskOverwrite(const std::string& strMessage)
{
    (void)strMessage;
    return OverwriteAnswer::NotAsked;
}

void CConsoleFrontEnd::ReportUnlogged(const std::string& strText)
{
    PrintError(strText);
}

void CConsoleFrontEnd::OnLogLine(const std::string& strLine, bool bEndsRun)
{
    m_streamOut << strLine << '\n';
    if (bEndsRun) {
        PrintError(strLine);
    }
}

void CConsoleFrontEnd::FlushEcho()
{
    m_streamOut.flush();
}

void CConsoleFrontEnd::PrintError(const std::string& strText)
{
    // Progress echoed so far comes first, as it came first in the run.
    m_streamOut.flush();
    std::string strLine = "Pinweave: " + ToTerminalText(strText);
    if (strLine.back() != '\n')
        strLine += '\n';
    m_streamErr << strLine << std::flush;
}

std::string ToTerminalText(const std::string& strText)
{
    std::string strResult;
    strResult.reserve(strText.size());
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n')
            continue;
        strResult += strText[i];
    }
    return strResult;
}

} // namespace pinweave
