#include "pid/PaneLog.h"

namespace pinweave {

bool CPaneLog::LogMessage(const std::string& strLine, bool bEndsRun)
{
    (void)bEndsRun; // the pane shows a stop like any other line
    m_strResults += strLine;
    m_strResults += "\r\n";
    m_pane.AppendResults(m_strResults.substr(m_strResults.size() - strLine.size() - 2));
    return true;
}

} // namespace pinweave
