// Converts CAP-H bytes with the engine in this process, as the main dialog
// would (a window, every existing output file replaced), for the many small
// hostile inputs that are cheaper to run here than through the program.
#ifndef PINWEAVE_TESTS_HOSTILE_INPROCESSRUN_H
#define PINWEAVE_TESTS_HOSTILE_INPROCESSRUN_H

#include <filesystem>
#include <string>
#include <vector>

namespace pinweave::test {

struct InProcessOutcome {
    bool bCompleted = false;
    std::vector<std::string> arrResults; // the lines of the results pane
    std::vector<std::string> arrMessageBoxes;
    std::vector<std::string> arrOutputs; // bytes of harness.pid, harness_1.pid ... as far as they exist
};

// Runs one conversion of strCapH, written to pathDir/harness.tst, into
// pathDir/out (created when missing; files from an earlier call are removed).
InProcessOutcome ConvertInProcess(const std::filesystem::path& pathDir, const std::string& strCapH);

// The line a run logs for a CAP-H file that ends inside a section.
std::string UnclosedSectionLine(const std::string& strCapHPath, const std::string& strSection);

// The line a run logs for a file that holds no section start marker at all.
std::string NotCapHLine(const std::string& strCapHPath);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_HOSTILE_INPROCESSRUN_H
