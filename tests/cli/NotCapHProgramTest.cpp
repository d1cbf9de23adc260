// The real pinweave program given files that are not CAP-H exports: the run
// stops with one line naming the file (or saying it is UTF-16 text), logged
// and echoed like every other run line, exit status 1, and no PID file. Files
// that are exports, with a UTF-8 byte-order mark or without part numbers,
// still convert.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pinweave::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kSections = CrLf({"[HEADER]", "[PN]", "NAME=P\xC3\xBC", "[ENDPN]", "[ENDHEADER]",
                                    "[CONNECTION]", "[PART]", "[ENDPART]", "[ENDCONNECTION]"});

std::string Utf16Le(const std::string& strAscii)
{
    std::string strText = "\xFF\xFE";
    for (const char c : strAscii) {
        strText += c;
        strText += '\0';
    }
    return strText;
}

std::string Utf16Be(const std::string& strAscii)
{
    std::string strText = "\xFE\xFF";
    for (const char c : strAscii) {
        strText += '\0';
        strText += c;
    }
    return strText;
}

enum class Outcome { NotCapH, Utf16, Unclosed, Completed };

struct NotCapHCase {
    const char* pszName;
    std::string strCapH;
    Outcome outcome;
    std::vector<std::string> arrMiddle; // the lines between "Starting" and "Completed", when it completes
    bool bPid;                          // job.pid is written
};

// clang-format off
const NotCapHCase kCases[] = {
    {"EmptyFile", "", Outcome::NotCapH, {}, false},
    {"HelloWorld", "hello world\n", Outcome::NotCapH, {}, false},
    {"PasswordFile", "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n"
                     "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n", Outcome::NotCapH, {}, false},
    {"OnlyAnEndMarker", "[ENDHEADER]\r\n", Outcome::NotCapH, {}, false},
    {"BinaryBytes", "\0\x01\xFF\x80[HEAD\0ER]\r\n"s, Outcome::NotCapH, {}, false},
    {"Utf16LittleEndianExport", Utf16Le(kSections), Outcome::Utf16, {}, false},
    {"Utf16BigEndianExport", Utf16Be(kSections), Outcome::Utf16, {}, false},
    {"Utf16MarkAlone", "\xFF\xFE", Outcome::Utf16, {}, false},
    {"StartMarkerWithoutEndMarker", "[CONNECTOR]\r\n[FIXTURE]\r\n", Outcome::Unclosed, {}, false},
    {"Utf8ByteOrderMarkBeforeTheSections", "\xEF\xBB\xBF" + kSections, Outcome::Completed,
     {"1 Part Number(s) detected.", "Processing Part # P\xC3\xBC", "PID File 'job.pid' generated"}, true},
    {"SectionsWithoutPartNumbers", CrLf({"[HEADER]", "FAMILY=F", "[ENDHEADER]"}), Outcome::Completed,
     {"0 Part Number(s) detected."}, false},
};
// clang-format on

TEST(NotCapHProgramTest, StopsWithOneLineOrConverts)
{
    for (const NotCapHCase& c : kCases) {
        SCOPED_TRACE(c.pszName);
        const CJobFolder job(c.strCapH);
        const ProgramResult result = RunProgram({"/Q", "job.tst", "out"}, job.Dir(), job.Capture());

        std::vector<std::string> arrExpected = {"Starting conversion of 'job.tst'"};
        switch (c.outcome) {
        case Outcome::NotCapH:
            arrExpected.push_back(
                "The file 'job.tst' is not a CAP-H export file: it holds none of the sections "
                "[HEADER], [CONNECTION] and [CONNECTOR]. Conversion aborted.");
            break;
        case Outcome::Utf16:
            arrExpected.push_back(
                "The file 'job.tst' is UTF-16 (Unicode) text; save it as single-byte (ANSI) text "
                "and convert it again. Conversion aborted.");
            break;
        case Outcome::Unclosed:
            arrExpected.push_back(
                "The CAP-H file 'job.tst' ends inside its [CONNECTOR] section ([ENDCONNECTOR] is "
                "missing). Conversion aborted.");
            break;
        case Outcome::Completed:
            arrExpected.insert(arrExpected.end(), c.arrMiddle.begin(), c.arrMiddle.end());
            arrExpected.push_back("Completed");
            break;
        }
        EXPECT_EQ(c.outcome == Outcome::Completed ? 0 : 1, result.nStatus);
        // The line that stops a run is on standard error as well.
        EXPECT_EQ(c.outcome == Outcome::Completed ? "" : "Pinweave: " + arrExpected.back() + "\n",
                  result.strErr);
        EXPECT_EQ(LfLines(arrExpected), result.strOut);
        EXPECT_EQ(CrLf(arrExpected), job.Bytes("job.log"));
        EXPECT_EQ(c.bPid, fs::exists(job.Out() / "job.pid"));
        EXPECT_EQ(c.bPid ? 1 : 0, std::distance(fs::directory_iterator(job.Out()), fs::directory_iterator()));
        EXPECT_EQ(c.strCapH, job.Bytes("job.tst"));
    }
}

} // namespace
} // namespace pinweave::test
