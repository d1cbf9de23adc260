// The Linux program's command line as a plain record, and the answer to a
// command line that asks for no conversion.
//
// Grammar (the arguments after the program's name; flags may stand anywhere):
//
//   -h, --help    print the usage on standard output
//   --version     print the version on standard output
//   --            ends the flags: every later argument is a path
//   -Q, /Q        quiet mode: always on here, accepted for the Windows command line
//   -Y, /Y        replace existing PID files
//   path          any argument that is not a flag by cli/LinuxFlagRule.h: the
//                 first is the CAP-H file, the second the output folder
//
// One-letter flags ignore letter case (/y, -q, -H). Usage errors: no
// arguments at all; any other flag ("-x", "/X", "-qy", "--quiet"); fewer or
// more than two paths. The arguments are read in order and the first of
// --help, --version and an unknown flag decides; the paths are counted after
// the last argument.
#ifndef PINWEAVE_CLI_LINUXCOMMANDLINE_H
#define PINWEAVE_CLI_LINUXCOMMANDLINE_H

#include "cli/LinuxFlagRule.h"

#include <ostream>
#include <string>
#include <vector>

namespace pinweave {

enum class LinuxCommand { Convert, PrintUsage, PrintVersion, UsageError };

struct CLinuxCommandLine {
    LinuxCommand m_command = LinuxCommand::UsageError;
    std::string m_strError;       // a usage error in one sentence; empty when no argument was given
    bool m_bOverwriteAll = false; // flag Y
    std::string m_strInputPath;   // the CAP-H file (Convert only)
    std::string m_strOutputPath;  // the folder for the PID files (Convert only)
};

// The grammar above as the user reads it (--help); ends in a line feed.
extern const char* const kUsageText;

// Reads arrArgs (program name excluded) by the grammar above; pfnExists
// decides whether "/" and a letter names something (LinuxFlagRule.h).
CLinuxCommandLine ParseLinuxCommandLine(const std::vector<std::string>& arrArgs, const ExistsTest& pfnExists);

// For any command but Convert: prints the usage or the version on streamOut,
// or the error and the usage on streamErr, and returns the exit status (ExitStatus.h):
// completed, usage error, or stopped when streamOut cannot be written.
int AnswerWithoutConverting(const CLinuxCommandLine& cmdLine, std::ostream& streamOut,
                            std::ostream& streamErr);

} // namespace pinweave

#endif // PINWEAVE_CLI_LINUXCOMMANDLINE_H
