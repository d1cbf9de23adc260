// gen_caph: writes one generated CAP-H export file (see gen_caph.h).
#include "gen_caph.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> lstArgs(argv + 1, argv + argc);
    pinweave::CGenCommandLine cmdLine;
    std::string strError;
    if (!pinweave::ParseGenCommandLine(lstArgs, cmdLine, strError)) {
        std::fprintf(stderr, "gen_caph: %s\n%s", strError.c_str(), pinweave::GenUsage());
        return 2;
    }
    if (cmdLine.m_bHelp) {
        std::fputs(pinweave::GenUsage(), stdout);
        return 0;
    }
    const bool bStdout = cmdLine.m_strOutputPath == "-";
    std::FILE* pFile = bStdout ? stdout : std::fopen(cmdLine.m_strOutputPath.c_str(), "wb");
    if (pFile == nullptr) {
        std::fprintf(stderr, "gen_caph: cannot create '%s': %s\n", cmdLine.m_strOutputPath.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::string strWriteError;
    const pinweave::GenSink sink = [pFile, &strWriteError](std::string_view strPiece) {
        if (std::fwrite(strPiece.data(), 1, strPiece.size(), pFile) != strPiece.size()) {
            strWriteError = std::strerror(errno);
            return false;
        }
        return true;
    };
    bool bOk = pinweave::GenerateCapH(cmdLine.m_options, sink, strError);
    if (std::fflush(pFile) != 0 && strWriteError.empty()) {
        strWriteError = std::strerror(errno);
        bOk = false;
    }
    if (!bStdout && std::fclose(pFile) != 0 && strWriteError.empty()) {
        strWriteError = std::strerror(errno);
        bOk = false;
    }
    if (!bOk) {
        std::fprintf(stderr, "gen_caph: '%s': %s\n", cmdLine.m_strOutputPath.c_str(),
                     strWriteError.empty() ? strError.c_str() : strWriteError.c_str());
        return 1;
    }
    return 0;
}
