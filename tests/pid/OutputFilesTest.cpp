// The output files of a run: existing files and every prompt answer with what
// it leaves on disk, the folder check, file names, and failures to create or
// write a file.
#include "TestSupport.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"

#include <cerrno>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pinweave {
namespace {

const char* const kNames[] = {"harness.pid", "harness_1.pid", "harness_2.pid"};
// What the system says of a folder that a file cannot replace (Windows words
// it one way, Wine another).
#ifdef _WIN32
const std::string kFolderInTheWay = FolderInTheWayReason();
#else
const std::string kFolderInTheWay = "Is a directory";
#endif

// No temporary of a run is left in the output folder.
void ExpectNoTemporaries(const CRunFixture& run)
{
    for (const std::string& strName : run.OutputNames()) {
        EXPECT_EQ(strName.find(".pinweave-"), std::string::npos) << strName;
    }
}

TEST(OutputFilesTest, ExistingFilesAndPromptAnswers)
{
    using A = OverwriteAnswer;
    // Per output file: O old content, E empty, N new content, - absent.
    struct Case {
        bool bOverwriteAll;
        const char* pszBefore;
        std::vector<A> arrAnswers;
        const char* pszAfter;
        const char* pszLastLine; // of the results; #0 and #1 stand for the full paths of the first two files
    };
    const Case cases[] = {
        {true, "OOO", {}, "NNN", "Completed"},
        {false, "-OO", {A::Yes, A::Yes}, "NNN", "Completed"}, // "Yes" asks again for the next file
        {false, "OOO", {A::YesToAll}, "NNN", "Completed"},
        {false,
         "--O",
         {A::No},
         "--O",
         "No output file was changed."}, // the first two were made as temporaries
        {false, "O--", {A::Cancel}, "O--", "3 Part Number(s) detected."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszBefore + std::to_string(c.arrAnswers.size()));
        CRunFixture run;
        run.m_ui.m_bHasWindow = true;
        run.m_ui.m_lstAnswers.assign(c.arrAnswers.begin(), c.arrAnswers.end());
        run.m_engine.m_bOverwriteAll = c.bOverwriteAll;
        for (int i = 0; i < 3; ++i) {
            if (c.pszBefore[i] == 'O') {
                WriteFileBytes(run.Out(kNames[i]), "old");
            }
        }
        EXPECT_EQ(run.Run(), c.pszLastLine == std::string("Completed"));
        std::string strAfter;
        for (const char* pszName : kNames) {
            const std::string strBytes = ReadFileBytes(run.Out(pszName));
            strAfter += !fs::exists(run.Out(pszName)) ? '-'
                        : strBytes == "old"           ? 'O'
                        : strBytes.empty()            ? 'E'
                                                      : 'N';
        }
        EXPECT_EQ(strAfter, c.pszAfter);
        ASSERT_EQ(run.m_ui.m_arrPrompts.size(), c.arrAnswers.size());
        if (!c.arrAnswers.empty()) {
            const std::string strFirst = run.Out(kNames[std::string(c.pszBefore).find('O')]);
            EXPECT_EQ(run.m_ui.m_arrPrompts[0], FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {strFirst}));
        }
        const std::string strLast = c.pszLastLine;
        const std::string& strResults = run.m_ui.Results();
        ExpectNoTemporaries(run);
        EXPECT_EQ(strResults.substr(strResults.size() - strLast.size() - 2), strLast + "\r\n");
        EXPECT_EQ(run.m_engine.m_bOverwriteAll, c.bOverwriteAll) << "\"Yes to All\" covers this run only";
    }
}

TEST(OutputFilesTest, FolderWhereAFileShouldBeIsAskedAboutThenRefused)
{
    CRunFixture run;
    run.m_ui.m_bHasWindow = true;
    run.m_ui.m_lstAnswers = {OverwriteAnswer::Yes};
    fs::create_directory(run.Out("harness.pid"));
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(run.m_ui.m_arrPrompts.size(), 1u);
    EXPECT_EQ(run.m_ui.m_arrMessageBoxes,
              Lines{FormatTableMessage(IDS_FILE_OPEN_ERROR, {run.Out("harness.pid"), kFolderInTheWay})});
    EXPECT_TRUE(fs::is_directory(run.Out("harness.pid")));
    EXPECT_EQ(run.m_ui.Results(), CrLf({FormatTableMessage(IDS_STARTING_CONVERSION, {run.m_strCapHPath}),
                                        "3 Part Number(s) detected."}));
}

TEST(OutputFilesTest, InvalidFolderIsShownInAMessageBoxAndLoggedWithoutAWindow)
{
    for (const char* pszFolder : {"", "missing", "harness.tst"}) {
        for (const bool bWindow : {false, true}) {
            CRunFixture run;
            run.m_ui.m_bHasWindow = bWindow;
            run.m_engine.m_strOutputPath = *pszFolder != '\0' ? (run.m_pathDir / pszFolder).string() : "";
            EXPECT_FALSE(run.Run());
            EXPECT_EQ(run.m_ui.m_arrMessageBoxes,
                      Lines{FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {run.m_engine.m_strOutputPath})});
            Lines arrLogged = {FormatTableMessage(IDS_STARTING_CONVERSION, {run.m_strCapHPath}),
                               "3 Part Number(s) detected."};
            if (!bWindow) {
                arrLogged.push_back(run.m_ui.m_arrMessageBoxes.at(0));
            }
            EXPECT_EQ(bWindow ? run.m_ui.Results() : run.LogText(), CrLf(arrLogged));
        }
    }
}

TEST(OutputFilesTest, FileNamesFromBaseNameWithAnyFolderSpelling)
{
    // CAP-H file name, what the output folder's name is followed by
    const std::pair<const char*, const char*> cases[] = {
        {"harness.tst", ""}, {"harness.tst", "/"}, {"harness.rev.2.tst", "//"}, {"harness", ""}};
    for (const auto& [pszCapH, pszFolderTail] : cases) {
        CRunFixture run(pszCapH);
        run.m_engine.m_strOutputPath += pszFolderTail;
        ASSERT_TRUE(run.Run()) << pszCapH;
        const std::string strBase = BaseNameOf(pszCapH);
        EXPECT_EQ(run.OutputNames(), (Lines{strBase + ".pid", strBase + "_1.pid", strBase + "_2.pid"}));
        EXPECT_NE(run.LogText().find("PID File '" + strBase + ".pid' generated\r\n"), std::string::npos);
    }
}

#ifdef __linux__
// No length limit of our own: a folder path far beyond 260 bytes works, and a
// file name the system refuses is reported with its reason.
TEST(OutputFilesTest, LongPathsWorkUntilTheSystemRefusesOne)
{
    const std::string strBase(250, 'x'); // "_1.pid" makes the second name one byte too long
    CRunFixture run(strBase + ".tst");
    const fs::path pathDeep =
        fs::path(run.m_strOutDir) / std::string(120, 'a') / std::string(120, 'b') / std::string(120, 'c');
    fs::create_directories(pathDeep);
    run.m_engine.m_strOutputPath = pathDeep.string();
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(run.m_ui.m_arrMessageBoxes,
              Lines{FormatTableMessage(IDS_FILE_OPEN_ERROR,
                                       {(pathDeep / (strBase + "_1.pid")).string(), "File name too long"})});
    EXPECT_TRUE(fs::is_empty(pathDeep)) << "the first file's temporary, its name cut to fit, is gone";
    EXPECT_EQ(run.LogText().substr(run.LogText().rfind("detected.") + 11),
              CrLf({"File open error on file '" + (pathDeep / (strBase + "_1.pid")).string() + "'",
                    "File name too long", "No output file was changed."}));

    // A name that only just fits is written, through a temporary whose name is cut.
    CRunFixture fits(std::string(249, 'y') + ".tst");
    EXPECT_TRUE(fits.Run());
    EXPECT_EQ(fits.OutputNames().size(), 3u);
    EXPECT_EQ(fits.OutputNames().back().size(), 255u); // y..y_2.pid
}

// A folder that takes a free name during the run keeps it: with /Y the old
// file there cannot be kept aside, without it the name was never the run's;
// either way no output file changes.
TEST(OutputFilesTest, ANameTakenDuringTheRunStopsItWithNothingChanged)
{
    for (const bool bOverwriteAll : {true, false}) {
        CRunFixture run;
        run.m_engine.m_bOverwriteAll = bOverwriteAll;
        run.m_ui.m_fnOnLogLine = [&run](const std::string& strLine) {
            if (strLine == "PID File 'harness.pid' generated") {
                fs::create_directories(run.Out(kNames[0]) + "/in the way");
            }
        };
        EXPECT_FALSE(run.Run());
        EXPECT_TRUE(fs::is_directory(run.Out(kNames[0])));
        EXPECT_EQ(run.OutputNames(), Lines{kNames[0]});
        const std::string strLog = run.LogText();
        EXPECT_EQ(
            strLog.substr(strLog.rfind("generated") + 11),
            CrLf({bOverwriteAll ? "Cannot keep a backup of output file '" + run.Out(kNames[0]) +
                                      "' while the files are put in place: Operation not permitted. "
                                      "Conversion aborted."
                                : "The output file '" + run.Out(kNames[0]) +
                                      "' appeared during the run; it was not replaced. Conversion aborted.",
                  "No output file was changed."}));
    }
}

// Links, FIFOs and devices at output names are replaced themselves when the
// run completes, never written through; the place they point to keeps its
// bytes.
TEST(OutputFilesTest, SpecialFilesAtOutputNamesAreReplacedNotWrittenThrough)
{
    CRunFixture run;
    run.m_engine.m_bOverwriteAll = true;
    const fs::path pathTarget = run.m_pathDir / "elsewhere.pid";
    WriteFileBytes(pathTarget, "keep me");
    fs::create_symlink(pathTarget, run.Out(kNames[0]));
    fs::create_symlink("/dev/full", run.Out(kNames[1]));
    ASSERT_EQ(mkfifo(run.Out(kNames[2]).c_str(), 0600), 0);
    EXPECT_TRUE(run.Run());
    EXPECT_EQ(ReadFileBytes(pathTarget), "keep me");
    for (const char* pszName : kNames) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(run.Out(pszName)))) << pszName;
        EXPECT_NE(ReadFileBytes(run.Out(pszName)).find("[wires]"), std::string::npos) << pszName;
    }
    ExpectNoTemporaries(run);
}
#endif

} // namespace
} // namespace pinweave
