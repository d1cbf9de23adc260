#include "ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pinweave {

bool RunChild(const std::string& strProgram, const std::vector<std::string>& lstArgs, CChildResult& result,
              std::string& strError)
{
    result = CChildResult();
    int fds[2];
    if (pipe(fds) != 0) {
        strError = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(strProgram.c_str()));
    for (const std::string& strArg : lstArgs) {
        argv.push_back(const_cast<char*>(strArg.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int nSpawn = posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (nSpawn != 0) {
        close(fds[0]);
        strError = "cannot start " + strProgram + ": " + std::strerror(nSpawn);
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t nRead = read(fds[0], buffer, sizeof buffer);
        if (nRead > 0) {
            result.m_strOutput.append(buffer, static_cast<std::size_t>(nRead));
        } else if (nRead == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int nStatus = 0;
    struct rusage usage {};
    while (wait4(pid, &nStatus, 0, &usage) < 0) {
        if (errno != EINTR) {
            strError = std::string("wait4: ") + std::strerror(errno);
            return false;
        }
    }
    result.m_nExitCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    result.m_nMaxRssKb = usage.ru_maxrss;
    return true;
}

std::map<std::string, double> ParseFields(std::string_view strText)
{
    std::map<std::string, double> fields;
    std::size_t nPos = 0;
    while (nPos < strText.size()) {
        const std::size_t nStart = strText.find_first_not_of(" \t\r\n", nPos);
        if (nStart == std::string_view::npos) {
            break;
        }
        std::size_t nEnd = strText.find_first_of(" \t\r\n", nStart);
        if (nEnd == std::string_view::npos) {
            nEnd = strText.size();
        }
        nPos = nEnd;
        const std::string_view strField = strText.substr(nStart, nEnd - nStart);
        const std::size_t nEquals = strField.find('=');
        if (nEquals == std::string_view::npos || nEquals == 0) {
            continue;
        }
        const std::string strValue(strField.substr(nEquals + 1));
        char* pEnd = nullptr;
        const double dValue = std::strtod(strValue.c_str(), &pEnd);
        if (strValue.empty() || pEnd != strValue.c_str() + strValue.size()) {
            continue;
        }
        fields[std::string(strField.substr(0, nEquals))] = dValue;
    }
    return fields;
}

} // namespace pinweave
