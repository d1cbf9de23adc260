// What the Linux program does when it is told to stop (Ctrl+C, kill, a
// terminal that goes away): SIGINT, SIGTERM and SIGHUP stop the run like any
// other stop. The signal raises the run's interrupt; the run stops at its next
// step or part, removes its temporaries, logs why it stopped and that no
// output file was changed, and the process ends with status 128 plus the
// signal's number (130, 143, 129). A signal that comes once the run has begun
// to put its files in place changes nothing: the run finishes, its outcome
// decides the status, and standard error says so. Outside a run a signal ends
// the process at once.
//
// The signals are taken on a thread of their own (sigwait), not in a signal
// handler, and that thread only raises the flag: the run's own thread does
// all the work of stopping. They are blocked in every other thread of the
// process, so the object must be made before any other thread is started.
#ifndef PINWEAVE_CLI_INTERRUPTWATCH_H
#define PINWEAVE_CLI_INTERRUPTWATCH_H

#include "pid/Interrupt.h"

#include <mutex>

namespace pinweave {

class CInterruptWatch {
public:
    // Blocks the three signals in this thread (and so in every thread it
    // starts later) and starts the thread that waits for them.
    CInterruptWatch();
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

    // The interrupt that a signal raises while a run is under way.
    const CInterrupt& Interrupt() const { return m_interrupt; }

    // A run begins: a signal from now on raises the interrupt.
    void BeginRun();
    // The run has returned: a signal from now on ends the process at once.
    // The signal that came during the run, or 0.
    int EndRun();

private:
    void WaitForSignals();

    std::mutex m_mtx;
    bool m_bRunning = false;
    int m_nSignal = 0; // the first signal of the run
    CInterrupt m_interrupt;
};

// The name of a stop signal, as in SIGINT.
const char* SignalName(int nSignal);

// What the process's status is after a run that a signal came during:
// 128 + the signal when the run stopped before putting its files in place;
// otherwise the run's own outcome, and standard error says why the signal
// changed nothing.
int StatusAfterSignal(int nSignal, bool bReachedPlacing, bool bCompleted);

// Descriptors 0, 1 and 2 that the program was started without are opened on
// /dev/null, so that no file the run opens takes their place (an output file
// opened as descriptor 2 would receive the error lines).
void OpenMissingStandardStreams();

} // namespace pinweave

#endif // PINWEAVE_CLI_INTERRUPTWATCH_H
