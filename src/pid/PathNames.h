// How the run names its files: the PID files after the CAP-H file's base name
// and the part number's index, the log file after the CAP-H file itself.
// Pure text operations: nothing here touches the disk.
//
// Path separators are "/" everywhere and also "\" on Windows; "C:\Jobs\x.tst"
// is therefore one file name on Linux, as the system would see it there.
#ifndef PINWEAVE_PID_PATHNAMES_H
#define PINWEAVE_PID_PATHNAMES_H

#include <string>
#include <string_view>

namespace pinweave {

// The last component of a path: the text after its last separator.
std::string_view FileNameOf(std::string_view strPath);

// The file name of a CAP-H path without its last extension (the text from the
// last "." of the file name on): harness.rev.tst gives harness.rev, a name
// without "." stays whole.
std::string BaseNameOf(std::string_view strCapHPath);

// The PID file name of part number nIndex: "%s.pid" for index 0, "%s_%i.pid"
// for the others.
std::string OutputFileName(std::string_view strBaseName, int nIndex);

// The folder and the file name with exactly one separator between them,
// whether or not the folder ends in one (or several).
std::string JoinPath(std::string_view strFolder, std::string_view strFileName);

// The log file beside the CAP-H file: its path with the last extension of the
// file name replaced by ".log", or ".log" added when it has none.
std::string LogFilePathOf(std::string_view strCapHPath);

} // namespace pinweave

#endif // PINWEAVE_PID_PATHNAMES_H
