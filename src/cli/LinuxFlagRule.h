// Which arguments of the Linux program are flags.
//
// The grammar takes an argument that begins with "-" or "/" as a flag, but on
// Linux an absolute path begins with "/" as well. Here an argument that begins
// with "/" is a path when it holds a further "/" (/tmp/job/harness.tst) or
// names something that exists (/srv), and a flag otherwise (/q, /Y). One that
// begins with "-" is always a flag.
#ifndef PINWEAVE_CLI_LINUXFLAGRULE_H
#define PINWEAVE_CLI_LINUXFLAGRULE_H

#include <functional>
#include <string>

namespace pinweave {

// The rule with the existence test supplied by the caller.
bool IsLinuxFlag(const std::string& strArg, const std::function<bool(const std::string&)>& pfnExists);

// The rule against the file system: a file, folder or link of that name
// exists (a dangling link counts; an entry that cannot be examined does not).
bool IsLinuxFlagOnDisk(const std::string& strArg);

}  // namespace pinweave

#endif  // PINWEAVE_CLI_LINUXFLAGRULE_H
