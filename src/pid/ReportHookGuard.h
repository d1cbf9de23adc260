// Routes the CAP-H parser's messages to a handler for the lifetime of one
// object, then puts back whatever hook was installed before, however the
// scope is left.
#ifndef PINWEAVE_PID_REPORTHOOKGUARD_H
#define PINWEAVE_PID_REPORTHOOKGUARD_H

#include "caph/CapHElement.h"

#include <utility>

namespace pinweave {

class CReportHookGuard {
public:
    explicit CReportHookGuard(CCapHElement::ReportHook fnHook)
        : m_fnPrevious(std::move(CCapHElement::s_pfnReport))
    {
        CCapHElement::s_pfnReport = std::move(fnHook);
    }
    CReportHookGuard(const CReportHookGuard&) = delete;
    CReportHookGuard& operator=(const CReportHookGuard&) = delete;
    ~CReportHookGuard() { CCapHElement::s_pfnReport = std::move(m_fnPrevious); }

private:
    CCapHElement::ReportHook m_fnPrevious;
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_REPORTHOOKGUARD_H
