// Which arguments of the Linux program are flags.
//
// The Windows command line takes every argument that begins with "-" or "/"
// as a flag, but on Linux an absolute path begins with "/" as well. Here:
//   - an argument that begins with "-" and has more after it is a flag (a lone
//     "-" is a path);
//   - "/" and one ASCII letter (/Q, /y, /X) is a flag, unless something of
//     that name exists, so that a folder /q can still be named;
//   - every other argument that begins with "/" (/srv, /tmp/job/harness.tst,
//     /nonexistent, a lone /) is a path.
// Whether a flag means anything is the command line's business
// (cli/LinuxCommandLine.h).
#ifndef PINWEAVE_CLI_LINUXFLAGRULE_H
#define PINWEAVE_CLI_LINUXFLAGRULE_H

#include <functional>
#include <string>

namespace pinweave {

// Tells whether something of the given name exists.
using ExistsTest = std::function<bool(const std::string& strPath)>;

// The rule, asking pfnExists only about "/" and a letter.
bool IsLinuxFlag(const std::string& strArg, const ExistsTest& pfnExists);

// The existence test against the file system: a file, folder or link of that
// name exists (a dangling link counts; an entry that cannot be examined does
// not).
bool ExistsOnDisk(const std::string& strPath);

} // namespace pinweave

#endif // PINWEAVE_CLI_LINUXFLAGRULE_H
