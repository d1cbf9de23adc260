// What the Linux program does when it is told to stop (Ctrl+C, kill, a
// terminal that goes away): SIGINT, SIGTERM and SIGHUP stop the run like any
// other stop. The run's temporaries are removed, the log says why the run
// stopped and that no output file was changed, and the process ends with
// status 128 plus the signal's number (130, 143, 129). A signal that comes
// while the run puts its files in place is acted on after that step: the run
// finishes it, and its outcome decides the status; standard error says so.
//
// The signals are taken on a thread of their own (sigwait), not in a signal
// handler: stopping a run writes files and the log, which a handler could not
// do safely. They are blocked in every other thread of the process, so the
// object must be made before any other thread is started.
#ifndef PINWEAVE_CLI_INTERRUPTWATCH_H
#define PINWEAVE_CLI_INTERRUPTWATCH_H

#include <mutex>

namespace pinweave {

class CConversionEngine;

class CInterruptWatch {
public:
    // Blocks the three signals in this thread (and so in every thread it
    // starts later) and starts the thread that waits for them.
    CInterruptWatch();
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

    // The engine whose run a signal stops; null for none (a signal then ends
    // the process at once). The engine must stay alive until it is replaced.
    void Watch(CConversionEngine* pEngine);

private:
    void WaitForSignals();

    std::mutex m_mtxEngine;
    CConversionEngine* m_pEngine = nullptr;
};

// Keeps an engine watched for the life of one object.
class CWatchedRun {
public:
    CWatchedRun(CInterruptWatch& watch, CConversionEngine& engine) : m_watch(watch)
    {
        m_watch.Watch(&engine);
    }
    CWatchedRun(const CWatchedRun&) = delete;
    CWatchedRun& operator=(const CWatchedRun&) = delete;
    ~CWatchedRun() { m_watch.Watch(nullptr); }

private:
    CInterruptWatch& m_watch;
};

// Descriptors 0, 1 and 2 that the program was started without are opened on
// /dev/null, so that no file the run opens takes their place (an output file
// opened as descriptor 2 would receive the error lines).
void OpenMissingStandardStreams();

} // namespace pinweave

#endif // PINWEAVE_CLI_INTERRUPTWATCH_H
