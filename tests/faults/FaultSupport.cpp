#include "FaultSupport.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace pinweave::test {

namespace {

// In the forked child only async-signal-safe calls are allowed: report the
// step that failed on the captured standard error and leave.
[[noreturn]] void ChildFailed(const char* pszStep)
{
    const char* const pszReason = std::strerror(errno);
    const ssize_t n1 = write(2, pszStep, std::strlen(pszStep));
    const ssize_t n2 = write(2, ": ", 2);
    const ssize_t n3 = write(2, pszReason, std::strlen(pszReason));
    (void)n1, (void)n2, (void)n3;
    _exit(126);
}

} // namespace

ChildResult RunChild(const std::string& strProgram, const ChildOptions& options)
{
    return WaitChild(StartChild(strProgram, options), options);
}

pid_t StartChild(const std::string& strProgram, const ChildOptions& options)
{
    const std::string strOutPath =
        options.bDiscardStdout ? std::string("/dev/null") : (options.pathCapture / "stdout").string();
    const std::string strErrPath = (options.pathCapture / "stderr").string();
    std::vector<std::string> arrStrings;
    arrStrings.push_back(strProgram);
    if (options.bAsNobody) {
        // The build tree may sit in a folder closed to other users (a checkout
        // under /root): nobody runs a copy kept beside the captured output.
        const fs::path pathCopy = options.pathCapture / "program-for-nobody";
        fs::copy_file(strProgram, pathCopy, fs::copy_options::overwrite_existing);
        fs::permissions(pathCopy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        arrStrings.front() = pathCopy.string();
    }
    arrStrings.insert(arrStrings.end(), options.arrArgs.begin(), options.arrArgs.end());
    std::vector<char*> arrArgv;
    for (std::string& str : arrStrings) {
        arrArgv.push_back(str.data());
    }
    arrArgv.push_back(nullptr);
    const std::string strCwd = options.pathCwd.string();

    const pid_t pid = fork();
    if (pid < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (pid == 0) {
        // The capture files are opened before any user switch, so they stay
        // the test's own.
        const int fdOut = options.fdStdout >= 0
                              ? dup(options.fdStdout)
                              : open(strOutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fdErr = options.bStderrOnStdout
                              ? dup(fdOut)
                              : open(strErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fdOut < 0 || fdErr < 0 || dup2(fdOut, 1) < 0 || dup2(fdErr, 2) < 0) {
            _exit(125);
        }
        close(fdOut);
        close(fdErr);
        if (chdir(strCwd.c_str()) != 0) {
            ChildFailed("chdir");
        }
        std::signal(SIGXFSZ, options.bIgnoreFileSizeSignal ? SIG_IGN : SIG_DFL);
        if (options.nFileSizeLimit != 0) {
            const rlimit limit{options.nFileSizeLimit, options.nFileSizeLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                ChildFailed("setrlimit");
            }
        }
        if (options.nOpenFileLimit != 0) {
            const rlimit limit{options.nOpenFileLimit, options.nOpenFileLimit};
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
                ChildFailed("setrlimit");
            }
        }
        if (options.bAsNobody &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            ChildFailed("switching to user nobody");
        }
        // The signals a test sends are the child's to take.
        sigset_t signals;
        sigemptyset(&signals);
        sigprocmask(SIG_SETMASK, &signals, nullptr);
        alarm(options.nAlarmSeconds);
        if (options.bCloseStandardStreams) {
            close(0);
            close(1);
            close(2);
        }
        execv(arrArgv[0], arrArgv.data());
        ChildFailed("execv");
    }
    return pid;
}

ChildResult WaitChild(pid_t pid, const ChildOptions& options)
{
    const std::string strOutPath =
        options.bDiscardStdout ? std::string("/dev/null") : (options.pathCapture / "stdout").string();
    const std::string strErrPath = (options.pathCapture / "stderr").string();
    const auto start = std::chrono::steady_clock::now();
    int nWaitStatus = 0;
    rusage usage{};
    pid_t nWaited = 0;
    do {
        nWaited = wait4(pid, &nWaitStatus, 0, &usage);
    } while (nWaited < 0 && errno == EINTR);
    if (nWaited != pid) {
        throw std::system_error(errno, std::generic_category(), "wait4");
    }
    ChildResult result;
    result.dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.nPeakRssKiB = usage.ru_maxrss;
    if (WIFEXITED(nWaitStatus)) {
        result.nStatus = WEXITSTATUS(nWaitStatus);
    } else if (WIFSIGNALED(nWaitStatus)) {
        result.nSignal = WTERMSIG(nWaitStatus);
    }
    if (!options.bDiscardStdout && options.fdStdout < 0) {
        result.strOut = ReadFileBytes(strOutPath);
    }
    if (!options.bStderrOnStdout) {
        result.strErr = ReadFileBytes(strErrPath);
    }
    return result;
}

CTempFolder::CTempFolder()
{
    std::string strTemplate = (fs::temp_directory_path() / "pinweave-faults-XXXXXX").string();
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    m_path = strTemplate;
    fs::permissions(m_path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
}

CTempFolder::~CTempFolder()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

CJobFolder::CJobFolder(const std::string& strCapH)
{
    fs::create_directories(Out());
    fs::create_directory(Capture());
    WriteFileBytes(Dir() / "job.tst", strCapH);
}

std::string CJobFolder::Bytes(const std::string& strName) const
{
    std::error_code ec;
    return fs::is_regular_file(Dir() / strName, ec) ? ReadFileBytes(Dir() / strName) : std::string();
}

ChildOptions CJobFolder::Options(const std::vector<std::string>& arrArgs) const
{
    ChildOptions options;
    options.arrArgs = arrArgs;
    options.pathCwd = Dir();
    options.pathCapture = Capture();
    return options;
}

std::map<std::string, std::string> FolderSnapshot(const fs::path& pathFolder)
{
    std::map<std::string, std::string> mapEntries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(pathFolder)) {
        const fs::file_status status = entry.symlink_status();
        mapEntries[fs::relative(entry.path(), pathFolder).string()] =
            fs::is_symlink(status)        ? "link to " + fs::read_symlink(entry.path()).string()
            : fs::is_regular_file(status) ? ReadFileBytes(entry.path())
                                          : "special " + std::to_string(static_cast<int>(status.type()));
    }
    return mapEntries;
}

bool CanSwitchUser()
{
    return geteuid() == 0;
}

void GiveToNobody(const fs::path& path)
{
    if (CanSwitchUser() && chown(path.c_str(), kNobody, kNobody) != 0) {
        throw std::system_error(errno, std::generic_category(), "chown " + path.string());
    }
}

void TakeBack(const fs::path& path)
{
    if (CanSwitchUser() && chown(path.c_str(), getuid(), getgid()) != 0) {
        throw std::system_error(errno, std::generic_category(), "chown " + path.string());
    }
}

std::string WithoutDate(std::string strPid)
{
    const std::size_t nDate = strPid.find("; Date:  ");
    if (nDate != std::string::npos) {
        strPid.erase(nDate, strPid.find("\r\n", nDate) - nDate);
    }
    return strPid;
}

CWhen::CWhen(std::function<bool()> fnReady, std::function<void()> fnAct)
    : m_thread([this, fnReady = std::move(fnReady), fnAct = std::move(fnAct)] {
          const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
          while (!m_bStop && std::chrono::steady_clock::now() < end) {
              if (fnReady()) {
                  fnAct();
                  m_bActed = true;
                  return;
              }
              std::this_thread::sleep_for(std::chrono::microseconds(50));
          }
      })
{
}

CWhen::~CWhen()
{
    m_bStop = true;
    m_thread.join();
}

} // namespace pinweave::test
