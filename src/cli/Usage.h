// The help text of the Linux program, and its exit statuses.
#ifndef PINWEAVE_CLI_USAGE_H
#define PINWEAVE_CLI_USAGE_H

namespace pinweave {

enum ExitStatus : int {
    kExitCompleted = 0,  // the run logged "Completed"
    kExitStopped = 1,    // the run stopped early, or could not report its outcome
    kExitUsageError = 2, // the command line breaks the grammar (cli/LinuxCommandLine.h)
};

// Ends in a line feed.
extern const char* const kUsageText;

} // namespace pinweave

#endif // PINWEAVE_CLI_USAGE_H
