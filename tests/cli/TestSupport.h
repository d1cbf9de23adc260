// Helpers for running the real pinweave program in a fresh temporary folder.
#ifndef PINWEAVE_TESTS_CLI_TESTSUPPORT_H
#define PINWEAVE_TESTS_CLI_TESTSUPPORT_H

#include <filesystem>
#include <string>
#include <vector>

namespace pinweave::test {

// A new empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class CTempFolder {
public:
    CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    ~CTempFolder();

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

struct ProgramResult {
    int nStatus;  // the exit status, or -1 when the program did not exit normally
    std::string strOut;
    std::string strErr;
};

// Where the program's standard output goes.
enum class StdoutTarget {
    Captured,    // a file, read back into ProgramResult::strOut
    FullDevice,  // /dev/full: every write fails
    ClosedPipe,  // a pipe nobody reads: every write breaks it
};

// Runs the pinweave program with arrArgs in the folder cwd. Its standard
// error, and its standard output unless told otherwise, are captured in files
// under captureDir.
ProgramResult RunProgram(const std::vector<std::string>& arrArgs, const std::filesystem::path& cwd,
                         const std::filesystem::path& captureDir,
                         StdoutTarget target = StdoutTarget::Captured);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& strBytes);

// The lines joined, each ended by CR LF.
std::string CrLfLines(const std::vector<std::string>& arrLines);
// The lines joined, each ended by LF.
std::string LfLines(const std::vector<std::string>& arrLines);
// The text with every CR LF pair turned into LF.
std::string ToLf(const std::string& strText);

}  // namespace pinweave::test

#endif  // PINWEAVE_TESTS_CLI_TESTSUPPORT_H
