// A request from another thread to stop the run (the Linux program's answer
// to SIGINT, SIGTERM and SIGHUP). The run looks at it between its steps and
// between parts, and stops there like at any other stop; once it has begun
// to put its files in place it no longer looks: that step is never cut.
#ifndef PINWEAVE_PID_INTERRUPT_H
#define PINWEAVE_PID_INTERRUPT_H

#include <atomic>

namespace pinweave {

class CInterrupt {
public:
    // From any thread: asks the run to stop. pszCause names why ("SIGINT"),
    // a text that lives as long as the program.
    void Raise(const char* pszCause) noexcept { m_pszCause.store(pszCause); }

    // Why a stop was asked; null while none was.
    const char* Cause() const noexcept { return m_pszCause.load(); }

private:
    std::atomic<const char*> m_pszCause{nullptr};
};

} // namespace pinweave

#endif // PINWEAVE_PID_INTERRUPT_H
