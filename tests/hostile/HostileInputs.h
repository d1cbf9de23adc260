// Hostile CAP-H files, generated rather than stored. Each kind is written
// straight to disk in small pieces at any scale, so a test converts a few
// megabytes of it and the stress run the full size, while the generating
// process itself stays small (a child's peak memory counts what its parent
// held when it forked).
#ifndef PINWEAVE_TESTS_HOSTILE_HOSTILEINPUTS_H
#define PINWEAVE_TESTS_HOSTILE_HOSTILEINPUTS_H

#include <cstdint>
#include <filesystem>
#include <string>

namespace pinweave::test {

enum class HostileKind {
    DeepNesting,    // a part element holding nScale elements nested in one another
    EndlessLine,    // a header section whose last line runs nScale bytes to the end of the file
    OneLineSection, // a part number of nScale bytes, its section ending on the same line, no line end
    ManyAttributes, // nScale attribute lines of one name on one element
    ManyPins,       // one fixture listing nScale pins, all of them in the PID file
    NulBytes,       // nScale NUL bytes inside a value of the header section
};

struct HostileCase {
    const char* pszName;
    HostileKind kind;
    std::uint64_t nTestScale; // what the unit tests convert: a few MB at most
    std::uint64_t nFullScale; // what the stress run converts
    bool bCompletes;          // otherwise the run stops with strLastLine
    const char* pszLastLine;  // the last line of the log; @ stands for the CAP-H path
    double dMaxMultiple;      // peak memory above an idle run, in multiples of the input's size
};

// Every kind with its expectations, in the order the stress table lists them.
extern const HostileCase kHostileCases[];
extern const std::size_t kHostileCaseCount;

// Writes the file; returns its size in bytes. Throws std::runtime_error when
// it cannot be written.
std::uint64_t WriteHostileFile(HostileKind kind, std::uint64_t nScale, const std::filesystem::path& path);

// The last line of a file that may be far too large to read whole, without
// its CR LF (at most its last 4 KiB).
std::string LastLineOf(const std::filesystem::path& path);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_HOSTILE_HOSTILEINPUTS_H
