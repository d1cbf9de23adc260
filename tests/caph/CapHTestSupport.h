// Shared helpers of the CAP-H reading tests: capture the parser's messages,
// count the elements alive.
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

// An element that counts its living instances, so a test sees every element
// it made destroyed exactly once.
class CCountedElement : public CCapHElement {
public:
    CCountedElement() { ++s_nAlive; }
    ~CCountedElement() override { --s_nAlive; }
    CCountedElement(const CCountedElement&) = delete;
    CCountedElement& operator=(const CCountedElement&) = delete;

    static inline int s_nAlive = 0;
};

}  // namespace pinweave

#endif  // PINWEAVE_TESTS_CAPH_CAPHTESTSUPPORT_H
