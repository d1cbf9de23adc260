#include "cli/InterruptWatch.h"

#include "cli/Usage.h"

#include "common/MessageTable.h"
#include "pid/ConversionEngine.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
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

} // namespace

CInterruptWatch::CInterruptWatch()
{
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // Never joined: it waits for a signal as long as the process lives, and
    // ends the process itself when one comes.
    std::thread([this] { WaitForSignals(); }).detach();
}

void CInterruptWatch::Watch(CConversionEngine* pEngine)
{
    std::lock_guard<std::mutex> lock(m_mtxEngine);
    m_pEngine = pEngine;
}

void CInterruptWatch::WaitForSignals()
{
    const sigset_t signals = StopSignals();
    int nSignal = 0;
    while (sigwait(&signals, &nSignal) != 0) {
    }
    // Held until the process ends: the run cannot be handed back meanwhile.
    m_mtxEngine.lock();
    using EAbandoned = CConversionEngine::EAbandoned;
    const EAbandoned abandoned =
        m_pEngine != nullptr
            ? m_pEngine->AbandonRun(FormatMessageText(kMsgInterrupted, {SignalName(nSignal)}))
            : EAbandoned::NoRun;
    if (abandoned == EAbandoned::TooLateCompleted || abandoned == EAbandoned::TooLateStopped) {
        // The run finished putting its files in place (or failed to and
        // undid it), and its log and echo are closed: its own outcome decides
        // the exit status, and the user learns why the signal changed nothing.
        const std::string strNote =
            "Pinweave: " + FormatMessageText(kMsgInterruptedTooLate, {SignalName(nSignal)}) + "\n";
        ssize_t nIgnored = write(STDERR_FILENO, strNote.data(), strNote.size());
        (void)nIgnored;
        _exit(abandoned == EAbandoned::TooLateCompleted ? kExitCompleted : kExitStopped);
    }
    _exit(128 + nSignal);
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
