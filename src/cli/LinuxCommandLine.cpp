#include "cli/LinuxCommandLine.h"

#include "cli/ExitStatus.h"
#include "common/AsciiCase.h"

#include <cstddef>

namespace pinweave {

const char* const kUsageText =
    "Usage: pinweave [-Y] [-Q] [--] FILE.tst FOLDER\n"
    "       pinweave -h | --help | --version\n"
    "\n"
    "Converts the CAP-H export file FILE.tst into one PID file per part number in\n"
    "FOLDER: FILE.pid for the first part number, FILE_1.pid, FILE_2.pid ... for the\n"
    "next ones. Progress lines are appended to the log file beside FILE.tst\n"
    "(FILE.log) and echoed on standard output; problems with the output folder or\n"
    "a PID file, and the lines that end a stopped run, go to standard error.\n"
    "\n"
    "  -Y, /Y      replace existing PID files; without it an existing one stops\n"
    "              the run\n"
    "  -Q, /Q      quiet mode; always on here, accepted for the Windows command line\n"
    "  -h, --help  print this text\n"
    "  --version   print the version\n"
    "  --          end of the flags: every later argument is a path\n"
    "\n"
    "Exactly one FILE.tst and one FOLDER, in this order; flags may stand anywhere\n"
    "and ignore letter case. \"/\" and one letter (/Y) is a flag unless something of\n"
    "that name exists; any longer argument beginning with \"/\" is a path. Any other\n"
    "flag is a usage error.\n"
    "\n"
    "A run writes its PID files under temporary names and puts them in place only\n"
    "when every part is written: a run that stops leaves FOLDER as it was.\n"
    "\n"
    "Exit status: 0 conversion completed, 1 conversion stopped, 2 usage error,\n"
    "128+N after signal N (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP).\n";

namespace {

// The upper-case letter of a one-letter flag ("-q", "/Y"), or 0 for any
// other flag ("-qy", "--help").
char FlagLetter(const std::string& strFlag)
{
    return strFlag.size() == 2 && strFlag[1] != '-' ? UpperAscii(strFlag[1]) : '\0';
}

CLinuxCommandLine UsageError(const std::string& strError)
{
    CLinuxCommandLine cmdLine;
    cmdLine.m_command = LinuxCommand::UsageError;
    cmdLine.m_strError = strError;
    return cmdLine;
}

CLinuxCommandLine Answer(LinuxCommand command)
{
    CLinuxCommandLine cmdLine;
    cmdLine.m_command = command;
    return cmdLine;
}

// The two paths become the record's; any other count is a usage error.
CLinuxCommandLine TakePaths(CLinuxCommandLine cmdLine, const std::vector<std::string>& arrPaths)
{
    if (arrPaths.empty())
        return UsageError("Missing the CAP-H file and the output folder.");
    if (arrPaths.size() == 1)
        return UsageError("Missing the output folder after '" + arrPaths[0] + "'.");
    if (arrPaths.size() > 2)
        return UsageError("Unexpected argument '" + arrPaths[2] + "': give one CAP-H file and one folder.");
    cmdLine.m_command = LinuxCommand::Convert;
    cmdLine.m_strInputPath = arrPaths[0];
    cmdLine.m_strOutputPath = arrPaths[1];
    return cmdLine;
}

// Writes the text; a failed write is reported, since the text was the whole job.
int Print(const std::string& strText, std::ostream& streamOut, std::ostream& streamErr)
{
    streamOut << strText << std::flush;
    if (!streamOut) {
        streamErr << "Pinweave: Cannot write to standard output.\n";
        return kExitStopped;
    }
    return kExitCompleted;
}

} // namespace

CLinuxCommandLine ParseLinuxCommandLine(const std::vector<std::string>& arrArgs, const ExistsTest& pfnExists)
{
    if (arrArgs.empty())
        return UsageError("");
    CLinuxCommandLine cmdLine;
    std::vector<std::string> arrPaths;
    bool bFlagsEnded = false;
    for (const std::string& strArg : arrArgs) {
        if (bFlagsEnded || !IsLinuxFlag(strArg, pfnExists)) {
            arrPaths.push_back(strArg);
            continue;
        }
        const char cLetter = FlagLetter(strArg);
        if (strArg == "--")
            bFlagsEnded = true;
        else if (strArg == "--help" || cLetter == 'H')
            return Answer(LinuxCommand::PrintUsage);
        else if (strArg == "--version")
            return Answer(LinuxCommand::PrintVersion);
        else if (cLetter == 'Y')
            cmdLine.m_bOverwriteAll = true;
        else if (cLetter != 'Q')
            return UsageError("Unknown option '" + strArg + "'.");
    }
    return TakePaths(cmdLine, arrPaths);
}

int AnswerWithoutConverting(const CLinuxCommandLine& cmdLine, std::ostream& streamOut,
                            std::ostream& streamErr)
{
    switch (cmdLine.m_command) {
    case LinuxCommand::PrintUsage:
        return Print(kUsageText, streamOut, streamErr);
    case LinuxCommand::PrintVersion:
        return Print("pinweave " PINWEAVE_VERSION "\n", streamOut, streamErr);
    case LinuxCommand::Convert:
    case LinuxCommand::UsageError:
        break;
    }
    if (!cmdLine.m_strError.empty())
        streamErr << "Pinweave: " << cmdLine.m_strError << "\n\n";
    streamErr << kUsageText << std::flush;
    return kExitUsageError;
}

} // namespace pinweave
