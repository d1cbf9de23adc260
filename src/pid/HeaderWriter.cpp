// The comment block and the [header] section of every PID file; also where
// the number of part numbers, and with it the number of files, is decided.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/GenerationDate.h"
#include "pid/PidFormat.h"

namespace pinweave {

bool CConversionEngine::WriteHeaderSection()
{
    const CChildList& lstParts = m_rootHeader.m_lstChildren;
    m_nPartCount = static_cast<int>(lstParts.size());
    m_arrPartNumbers.assign(lstParts.size(), std::string());
    if (!LogMessage(FormatTableMessage(IDS_PART_NUMBERS_DETECTED, {std::to_string(m_nPartCount)}))) {
        return false;
    }
    if (!CreateOutputFiles()) {
        return false;
    }

    // Comment lines 1 to 3 are the same in every file, the date taken once.
    std::string strText(kPidCommentFirst);
    strText += m_strCapHPath;
    strText += kPidCommentDate;
    strText += GenerationDateText(m_fnNow());
    strText += kPidNewLine;
    if (!WriteOutput(strText, kAllOutputs)) {
        return false;
    }

    for (int i = 0; i < m_nPartCount; ++i) {
        m_arrPartNumbers[i] = lstParts[i]->Value("NAME");
        strText.assign(kPidCommentPart).append(m_arrPartNumbers[i]).append(kPidNewLine);
        if (!WriteOutput(strText, i)) {
            return false;
        }
    }

    strText.assign(kPidHeaderLine);
    for (const char* pszKey : {"FAMILY", "CLIENTFAM", "DATE", "CLIENT", "EXTRA"}) {
        strText.append(m_rootHeader.Value(pszKey)).append(kPidNewLine);
    }
    if (!WriteOutput(strText, kAllOutputs)) {
        return false;
    }

    // Lines 6 to 9: the part number, then header values again (EXTRA twice in
    // every file is what the tester's importer expects).
    std::string strTail;
    for (const char* pszKey : {"CLIENTPN", "LEVEL", "EXTRA"}) {
        strTail.append(m_rootHeader.Value(pszKey)).append(kPidNewLine);
    }
    for (int i = 0; i < m_nPartCount; ++i) {
        strText.assign(m_arrPartNumbers[i]).append(kPidNewLine).append(strTail);
        if (!WriteOutput(strText, i)) {
            return false;
        }
    }
    return true;
}

}  // namespace pinweave
