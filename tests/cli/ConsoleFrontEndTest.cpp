#include "cli/ConsoleFrontEnd.h"
#include "cli/TerminalEscapes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

namespace pinweave {
namespace {

enum class Call { MessageBox, Unlogged, LogLine, StopLine, AskOverwrite };

struct FrontEndCase {
    const char* pszName;
    Call call;
    std::string strText;
    std::string strExpectedOut;
    std::string strExpectedErr;
    bool bTerminal = false; // both streams are terminals
};

const FrontEndCase kFrontEndCases[] = {
    {"MessageBoxOnStandardError", Call::MessageBox,
     "The output file path '/x' is not a valid folder.  Please select a valid folder path.", "",
     "Pinweave: The output file path '/x' is not a valid folder.  Please select a valid folder path.\n"},
    {"MessageBoxCrLfBecomesLf", Call::MessageBox, "File open error on file '/o/a.pid'\r\nPermission denied",
     "", "Pinweave: File open error on file '/o/a.pid'\nPermission denied\n"},
    {"LoneCrKept", Call::MessageBox, "a\rb\r\r\nc", "", "Pinweave: a\rb\r\nc\n"},
    {"TrailingLineEndNotDoubled", Call::Unlogged, "Cannot open CAP-H file 'x.tst'\r\n", "",
     "Pinweave: Cannot open CAP-H file 'x.tst'\n"},
    {"EmptyTextStillALine", Call::Unlogged, "", "", "Pinweave: \n"},
    {"LogLineOnStandardOutput", Call::LogLine, "Completed", "Completed\n", ""},
    {"LogLineWithLfGivesTwoLines", Call::LogLine,
     "The output file 'a.pid' already exists.\nConversion aborted.",
     "The output file 'a.pid' already exists.\nConversion aborted.\n", ""},
    {"LogLineKeptAsLogged", Call::LogLine, "Processing Part # 4711 B", "Processing Part # 4711 B\n", ""},
    {"StopLineEchoedAndOnStandardError", Call::StopLine, "No output file was changed.",
     "No output file was changed.\n", "Pinweave: No output file was changed.\n"},
    {"OverwriteQuestionNotAsked", Call::AskOverwrite,
     "The following output file already exists:\r\n/o/a.pid\r\nDo you wish to overwrite this file?", "", ""},
    {"RedirectedKeepsControlBytes", Call::StopLine, "a\x1b[31m\tb\x7f", "a\x1b[31m\tb\x7f\n",
     "Pinweave: a\x1b[31m\tb\x7f\n"},
    {"TerminalShowsControlBytes", Call::StopLine, "'a\x1b]0;t\x07\x01\rb\x7f\xE4\\x'\nConversion aborted.",
     "'a\\x1b]0;t\\x07\\x01\\x0db\\x7f\xE4\\x'\nConversion aborted.\n",
     "Pinweave: 'a\\x1b]0;t\\x07\\x01\\x0db\\x7f\xE4\\x'\nConversion aborted.\n", true},
    {"TerminalMessageBoxLinesStay", Call::MessageBox, "File open error on file '\t.pid'\r\nIt is\r\r\n", "",
     "Pinweave: File open error on file '\\x09.pid'\nIt is\\x0d\n", true},
};

TEST(ConsoleFrontEndTest, PrintsWhereTheUserSeesIt)
{
    for (const FrontEndCase& testCase : kFrontEndCases) {
        SCOPED_TRACE(testCase.pszName);
        std::ostringstream streamOut;
        std::ostringstream streamErr;
        const CEscapedOnTerminal escapedOut(streamOut, testCase.bTerminal);
        const CEscapedOnTerminal escapedErr(streamErr, testCase.bTerminal);
        CConsoleFrontEnd frontEnd(streamOut, streamErr);
        switch (testCase.call) {
        case Call::MessageBox:
            frontEnd.ShowMessageBox(testCase.strText);
            break;
        case Call::Unlogged:
            frontEnd.ReportUnlogged(testCase.strText);
            break;
        case Call::LogLine:
        case Call::StopLine:
            frontEnd.OnLogLine(testCase.strText, testCase.call == Call::StopLine);
            break;
        case Call::AskOverwrite:
            // Nobody to ask: the run stops with the line that the file exists.
            EXPECT_EQ(OverwriteAnswer::NotAsked, frontEnd.AskOverwrite(testCase.strText));
            break;
        }
        EXPECT_EQ(testCase.strExpectedOut, streamOut.str());
        EXPECT_EQ(testCase.strExpectedErr, streamErr.str());
    }
}

// A stream buffer that counts how often its bytes were pushed on.
class CCountingBuffer : public std::stringbuf {
public:
    int m_nSyncs = 0;

protected:
    int sync() override
    {
        ++m_nSyncs;
        return std::stringbuf::sync();
    }
};

// The echo reaches the terminal once per part (FlushEcho), not once per line;
// a stop line pushes out the progress before it, so the two streams keep the
// run's order.
TEST(ConsoleFrontEndEchoTest, GatheredUntilFlushedOrStopped)
{
    CCountingBuffer bufferOut;
    std::ostream streamOut(&bufferOut);
    std::ostringstream streamErr;
    CConsoleFrontEnd frontEnd(streamOut, streamErr);
    for (int i = 0; i < 100; ++i) {
        frontEnd.OnLogLine("Wire 'W" + std::to_string(i) + "' ...", false);
    }
    EXPECT_EQ(bufferOut.m_nSyncs, 0);
    frontEnd.FlushEcho();
    EXPECT_EQ(bufferOut.m_nSyncs, 1);
    frontEnd.OnLogLine("Processing Part # 2", false);
    frontEnd.OnLogLine("Write error", true);
    EXPECT_GE(bufferOut.m_nSyncs, 2) << "the progress before a stop line is out before it";
    EXPECT_EQ(streamErr.str(), "Pinweave: Write error\n");
}

} // namespace
} // namespace pinweave
