#include "TestSupport.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace pinweave::test {

ProgramResult RunProgram(const std::vector<std::string>& arrArgs, const std::filesystem::path& cwd,
                         const std::filesystem::path& captureDir, StdoutTarget target)
{
    ChildOptions options;
    options.arrArgs = arrArgs;
    options.pathCwd = cwd;
    options.pathCapture = captureDir;
    options.nAlarmSeconds = 60;
    int arrPipe[2] = {-1, -1};
    int fdTerminal = -1;
    if (target == StdoutTarget::FullDevice) {
        options.fdStdout = open("/dev/full", O_WRONLY);
    } else if (target == StdoutTarget::ClosedPipe) {
        if (pipe(arrPipe) != 0)
            throw std::system_error(errno, std::generic_category(), "pipe");
        close(arrPipe[0]);
        options.fdStdout = arrPipe[1];
    } else if (target == StdoutTarget::Terminal) {
        termios rawMode{};
        cfmakeraw(&rawMode); // no CR added before LF: the bytes arrive as written
        if (openpty(&fdTerminal, &options.fdStdout, nullptr, &rawMode, nullptr) != 0)
            throw std::system_error(errno, std::generic_category(), "openpty");
        options.bStderrOnStdout = true;
    }
    const pid_t pid = StartChild(PINWEAVE_PROGRAM, options);
    if (options.fdStdout >= 0)
        close(options.fdStdout);
    std::string strTerminal;
    if (target == StdoutTarget::Terminal) {
        // Read while the program runs; the end comes (EIO) when it has exited.
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
    const ChildResult child = WaitChild(pid, options);
    return {child.nStatus, target == StdoutTarget::Terminal ? strTerminal : child.strOut, child.strErr};
}

} // namespace pinweave::test
