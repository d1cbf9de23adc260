#include "TestSupport.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace pinweave::test {

ProgramResult RunProgram(const std::vector<std::string>& arrArgs, const std::filesystem::path& cwd,
                         const std::filesystem::path& captureDir, StdoutTarget target)
{
    const std::string strOutPath =
        target == StdoutTarget::FullDevice ? "/dev/full" : (captureDir / "stdout").string();
    const std::string strErrPath = (captureDir / "stderr").string();
    std::vector<char*> arrArgv;
    std::string strProgram = PINWEAVE_PROGRAM;
    std::vector<std::string> arrCopies(arrArgs);
    arrArgv.push_back(strProgram.data());
    for (std::string& strArg : arrCopies)
        arrArgv.push_back(strArg.data());
    arrArgv.push_back(nullptr);

    int arrPipe[2] = {-1, -1};
    if (target == StdoutTarget::ClosedPipe) {
        if (pipe(arrPipe) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe");
        close(arrPipe[0]);
    }
    int fdTerminal = -1;
    int fdTerminalSide = -1;
    if (target == StdoutTarget::Terminal) {
        termios rawMode{};
        cfmakeraw(&rawMode); // no CR added before LF: the bytes arrive as written
        if (openpty(&fdTerminal, &fdTerminalSide, nullptr, &rawMode, nullptr) != 0)
            throw std::system_error(errno, std::generic_category(), "openpty");
    }
    const pid_t pid = fork();
    if (pid < 0)
        throw std::system_error(errno, std::generic_category(), "fork");
    if (pid == 0) {
        int fdOut = fdTerminalSide;
        int fdErr = fdTerminalSide;
        if (target != StdoutTarget::Terminal) {
            fdOut = target == StdoutTarget::ClosedPipe
                        ? arrPipe[1]
                        : open(strOutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            fdErr = open(strErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        if (fdOut < 0 || fdErr < 0 || dup2(fdOut, 1) < 0 || dup2(fdErr, 2) < 0 || chdir(cwd.c_str()) != 0)
            _exit(126);
        alarm(60);
        execv(arrArgv[0], arrArgv.data());
        _exit(127);
    }
    if (target == StdoutTarget::ClosedPipe)
        close(arrPipe[1]);
    std::string strTerminal;
    if (target == StdoutTarget::Terminal) {
        // Read while the program runs; the end comes (EIO) when it has exited.
        close(fdTerminalSide);
        char arrChunk[4096];
        for (;;) {
            const ssize_t nRead = read(fdTerminal, arrChunk, sizeof arrChunk);
            if (nRead > 0)
                strTerminal.append(arrChunk, static_cast<std::size_t>(nRead));
            else if (nRead == 0 || errno != EINTR)
                break;
        }
        close(fdTerminal);
    }
    int nWaitStatus = 0;
    if (waitpid(pid, &nWaitStatus, 0) != pid)
        throw std::system_error(errno, std::generic_category(), "waitpid");
    ProgramResult result;
    result.nStatus = WIFEXITED(nWaitStatus) ? WEXITSTATUS(nWaitStatus) : -1;
    result.strOut = target == StdoutTarget::Captured ? ReadFileBytes(strOutPath) : strTerminal;
    result.strErr = target == StdoutTarget::Terminal ? "" : ReadFileBytes(strErrPath);
    return result;
}

}  // namespace pinweave::test
