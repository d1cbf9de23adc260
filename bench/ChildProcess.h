// Runs one benchmark case in a fresh process, so every measurement starts
// from a clean heap and its peak memory is its own.
#ifndef PINWEAVE_BENCH_CHILDPROCESS_H
#define PINWEAVE_BENCH_CHILDPROCESS_H

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

struct CChildResult {
    int m_nExitCode = -1;    // the child's exit code; -1 when it died by a signal
    std::string m_strOutput; // everything it wrote to standard output
    long m_nMaxRssKb = 0;    // its peak resident set as the kernel counted it
};

// Starts strProgram with the arguments, waits for it and collects its output
// and resource use. False with the reason when it could not be started.
bool RunChild(const std::string& strProgram, const std::vector<std::string>& lstArgs, CChildResult& result,
              std::string& strError);

// Reads "key=value" fields separated by blanks or line ends; values are
// numbers. A field that is not of that form is left out.
std::map<std::string, double> ParseFields(std::string_view strText);

} // namespace pinweave

#endif // PINWEAVE_BENCH_CHILDPROCESS_H
