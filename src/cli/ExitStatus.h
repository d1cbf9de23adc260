// The exit statuses of the Linux program.
#ifndef PINWEAVE_CLI_EXITSTATUS_H
#define PINWEAVE_CLI_EXITSTATUS_H

namespace pinweave {

enum ExitStatus : int {
    kExitCompleted = 0,  // the run logged "Completed"
    kExitStopped = 1,    // the run stopped early, or could not report its outcome
    kExitUsageError = 2, // the command line breaks the grammar (cli/LinuxCommandLine.h)
};

} // namespace pinweave

#endif // PINWEAVE_CLI_EXITSTATUS_H
