// Shared by the fuzz targets: a failed check prints what broke and aborts, so
// libFuzzer keeps the input as a crash, and the parser's report hook is
// installed for the length of one input only.
#ifndef PINWEAVE_FUZZ_FUZZCHECK_H
#define PINWEAVE_FUZZ_FUZZCHECK_H

#include "caph/CapHElement.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace pinweave {

inline void FuzzCheck(bool bHolds, const char* pszWhat)
{
    if (!bHolds) {
        std::fprintf(stderr, "fuzz check failed: %s\n", pszWhat);
        std::abort();
    }
}

// Collects the parser's messages while it lives; every message must carry the
// parser's code and no line feed.
class CReportCollector {
public:
    CReportCollector()
    {
        CCapHElement::s_pfnReport = [this](int nCode, const char* pszText) {
            FuzzCheck(nCode == CCapHElement::kReportCode, "a parser message carries code 16");
            FuzzCheck(pszText != nullptr, "a parser message has a text");
            m_lstMessages.emplace_back(pszText);
            FuzzCheck(m_lstMessages.back().find('\n') == std::string::npos,
                      "a parser message holds no line feed");
        };
    }
    ~CReportCollector() { CCapHElement::s_pfnReport = nullptr; }
    CReportCollector(const CReportCollector&) = delete;
    CReportCollector& operator=(const CReportCollector&) = delete;

    std::vector<std::string> m_lstMessages;
};

} // namespace pinweave

#endif // PINWEAVE_FUZZ_FUZZCHECK_H
