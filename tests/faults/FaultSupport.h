// What the fault and hostile-input tests share: a program run in a child
// process with the faults a test wants injected before exec (a file-size
// limit, another user), its standard output and error captured in files,
// how it ended, how long it took and its peak memory; the temporary folders
// such runs work in, with a job folder laid out for the program; and file
// helpers. Linux only.
#ifndef PINWEAVE_TESTS_FAULTS_FAULTSUPPORT_H
#define PINWEAVE_TESTS_FAULTS_FAULTSUPPORT_H

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace pinweave::test {

namespace fs = std::filesystem;

// The unprivileged user and group a child can run as.
constexpr uid_t kNobody = 65534;

struct ChildOptions {
    std::vector<std::string> arrArgs;   // after the program name
    fs::path pathCwd;                   // the child's working folder
    fs::path pathCapture;               // receives the files "stdout" and "stderr"
    bool bDiscardStdout = false;        // standard output to /dev/null instead
    std::uint64_t nFileSizeLimit = 0;   // RLIMIT_FSIZE in bytes; 0 for none
    bool bIgnoreFileSizeSignal = true;  // SIGXFSZ ignored: a write past the limit fails with EFBIG
    bool bAsNobody = false;             // groups dropped, group and user kNobody
    std::uint64_t nOpenFileLimit = 0;   // RLIMIT_NOFILE (soft and hard); 0 for the test's own
    unsigned nAlarmSeconds = 120;       // SIGALRM ends a child that hangs; 0 for none
    bool bCloseStandardStreams = false; // descriptors 0, 1 and 2 closed (nothing is captured)
    int fdStdout = -1;                  // standard output on this descriptor instead (not captured)
    bool bStderrOnStdout = false;       // with fdStdout: standard error there too
};

struct ChildResult {
    int nStatus = -1;   // exit status; -1 when a signal ended the child
    int nSignal = 0;    // the signal that ended it, or 0
    std::string strOut; // empty when discarded
    std::string strErr;
    long nPeakRssKiB = 0; // ru_maxrss of the child
    double dSeconds = 0;  // wall-clock time
};

// Runs strProgram and waits for it. The child's peak memory includes what
// this process had resident when it forked, so callers keep large inputs on
// disk, not in memory. Throws std::system_error when the child cannot be
// started at all.
ChildResult RunChild(const std::string& strProgram, const ChildOptions& options);

// RunChild in two steps, for a test that acts on the child while it runs:
// StartChild returns its process id, WaitChild waits for it and collects it.
pid_t StartChild(const std::string& strProgram, const ChildOptions& options);
ChildResult WaitChild(pid_t pid, const ChildOptions& options);

// A new empty folder under the system's temporary folder that user kNobody
// may enter, removed with everything in it when the object goes.
class CTempFolder {
public:
    CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    ~CTempFolder();

    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

// A job in a CTempFolder: job/job.tst holding strCapH, an empty output folder
// job/out, and capture/ for the standard streams of a run there.
class CJobFolder {
public:
    explicit CJobFolder(const std::string& strCapH);

    fs::path Dir() const { return m_temp.Path() / "job"; }
    fs::path Out() const { return Dir() / "out"; }
    fs::path Capture() const { return m_temp.Path() / "capture"; }
    // The bytes of a file in the job folder; "" while no regular file has the name.
    std::string Bytes(const std::string& strName) const;
    // A run of the program in the job folder with arrArgs, captured in Capture().
    ChildOptions Options(const std::vector<std::string>& arrArgs) const;

private:
    CTempFolder m_temp;
};

// Every name under the folder, as a path relative to it, with what it holds:
// a file's bytes, a link's target, the kind of any other entry. Nothing is
// opened but regular files.
std::map<std::string, std::string> FolderSnapshot(const fs::path& pathFolder);

// Makes user and group kNobody own the path (a no-op when not root).
void GiveToNobody(const fs::path& path);
// Gives the path back to the user running the tests.
void TakeBack(const fs::path& path);
// True when the tests may run children as another user.
bool CanSwitchUser();

// Acts on a run while it runs: checks fnReady on a thread of its own, every
// 50 microseconds for up to a minute, and calls fnAct once it holds. The
// destructor waits for the thread.
class CWhen {
public:
    CWhen(std::function<bool()> fnReady, std::function<void()> fnAct);
    CWhen(const CWhen&) = delete;
    CWhen& operator=(const CWhen&) = delete;
    ~CWhen();
    bool Acted() const { return m_bActed; }

private:
    std::atomic<bool> m_bActed{false};
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

// A PID file without its generation date, the one line that differs from run
// to run.
std::string WithoutDate(std::string strPid);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_FAULTS_FAULTSUPPORT_H
