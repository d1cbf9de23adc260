// Shared helpers of the CAP-H reading tests: capture the parser's messages.
#ifndef PINWEAVE_TESTS_CAPH_CAPHTESTSUPPORT_H
#define PINWEAVE_TESTS_CAPH_CAPHTESTSUPPORT_H

#include "caph/CapHElement.h"

#include <string>
#include <vector>

namespace pinweave {

// Installs a report hook that records every message for the life of the object.
class CReportRecorder {
public:
    CReportRecorder()
    {
        CCapHElement::s_pfnReport = [this](int nCode, const char* pszText) {
            m_lstCodes.push_back(nCode);
            m_lstMessages.emplace_back(pszText);
        };
    }
    ~CReportRecorder() { CCapHElement::s_pfnReport = nullptr; }
    CReportRecorder(const CReportRecorder&) = delete;
    CReportRecorder& operator=(const CReportRecorder&) = delete;

    // The single message of a failed parse, or "" when there was none.
    std::string OnlyMessage() const { return m_lstMessages.empty() ? std::string() : m_lstMessages.front(); }

    std::vector<int> m_lstCodes;
    std::vector<std::string> m_lstMessages;
};

} // namespace pinweave

#endif // PINWEAVE_TESTS_CAPH_CAPHTESTSUPPORT_H
