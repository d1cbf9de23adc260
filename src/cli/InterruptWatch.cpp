#include "cli/InterruptWatch.h"

#include "cli/ExitStatus.h"

#include "common/MessageTable.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <thread>

namespace pinweave {

namespace {

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

} // namespace

const char* SignalName(int nSignal)
{
    switch (nSignal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "SIGHUP";
    }
}

CInterruptWatch::CInterruptWatch()
{
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // Never joined: it waits for signals as long as the process lives.
    std::thread([this] { WaitForSignals(); }).detach();
}

void CInterruptWatch::BeginRun()
{
    std::lock_guard<std::mutex> lock(m_mtx);
    m_bRunning = true;
}

int CInterruptWatch::EndRun()
{
    std::lock_guard<std::mutex> lock(m_mtx);
    m_bRunning = false;
    return m_nSignal;
}

void CInterruptWatch::WaitForSignals()
{
    const sigset_t signals = StopSignals();
    for (;;) {
        int nSignal = 0;
        if (sigwait(&signals, &nSignal) != 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(m_mtx);
        if (!m_bRunning) {
            _exit(128 + nSignal);
        }
        // The run stops itself at its next step; a second signal meanwhile
        // changes nothing.
        if (m_nSignal == 0) {
            m_nSignal = nSignal;
            m_interrupt.Raise(SignalName(nSignal));
        }
    }
}

int StatusAfterSignal(int nSignal, bool bReachedPlacing, bool bCompleted)
{
    if (!bReachedPlacing) {
        return 128 + nSignal;
    }
    std::cerr << "Pinweave: " << FormatMessageText(kMsgInterruptedTooLate, {SignalName(nSignal)}) << "\n"
              << std::flush;
    return bCompleted ? kExitCompleted : kExitStopped;
}

void OpenMissingStandardStreams()
{
    for (int nFd = 0; nFd <= 2; ++nFd) {
        if (fcntl(nFd, F_GETFD) == -1 && errno == EBADF) {
            // open() takes the lowest free descriptor: this one.
            const int nNull = open("/dev/null", nFd == 0 ? O_RDONLY : O_WRONLY);
            if (nNull != nFd && nNull >= 0) {
                close(nNull);
            }
        }
    }
}

} // namespace pinweave
