// The output files of a run: existing files and every prompt answer with what
// it leaves on disk, the folder check, file names, and failures to create or
// write a file.
#include "TestSupport.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"

#include <cerrno>
#include <system_error>

namespace pinweave {
namespace {

const char* const kNames[] = {"harness.pid", "harness_1.pid", "harness_2.pid"};
#ifdef _WIN32
constexpr int kFolderOpenErrno = EACCES;  // how the C runtime refuses to write to a folder
#else
constexpr int kFolderOpenErrno = EISDIR;
#endif

TEST(OutputFilesTest, ExistingFilesAndPromptAnswers)
{
    using A = OverwriteAnswer;
    // Per output file: O old content, E empty, N new content, - absent.
    struct Case {
        bool bOverwriteAll;
        const char* pszBefore;
        std::vector<A> arrAnswers;
        const char* pszAfter;
        const char* pszLastLine;  // of the results; #0 and #1 stand for the full paths of the first two files
    };
    const Case cases[] = {
        {true, "OOO", {}, "NNN", "Completed"},
        {false, "-OO", {A::Yes, A::Yes}, "NNN", "Completed"}, // "Yes" asks again for the next file
        {false, "OOO", {A::YesToAll}, "NNN", "Completed"},
        {false, "--O", {A::No}, "EEO", "Output files left incomplete: '#0', '#1'"},
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
                WriteBytes(run.Out(kNames[i]), "old");
            }
        }
        EXPECT_EQ(run.Run(), c.pszLastLine == std::string("Completed"));
        std::string strAfter;
        for (const char* pszName : kNames) {
            const std::string strBytes = ReadBytes(run.Out(pszName));
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
        const std::string strLast =
            Replaced(Replaced(c.pszLastLine, "#0", run.Out(kNames[0])), "#1", run.Out(kNames[1]));
        const std::string& strResults = run.m_engine.m_strResults;
        EXPECT_EQ(strResults.substr(strResults.size() - strLast.size() - 2), strLast + "\r\n");
        EXPECT_FALSE(run.m_engine.m_bOverwriteAll);
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
              Lines{FormatTableMessage(IDS_FILE_OPEN_ERROR, {run.Out("harness.pid"),
                                                        std::generic_category().message(kFolderOpenErrno)})});
    EXPECT_EQ(run.m_engine.m_strResults, CrLf({FormatTableMessage(IDS_STARTING_CONVERSION, {run.m_strCapHPath}),
                                               "3 Part Number(s) detected."}));
}

TEST(OutputFilesTest, InvalidFolderIsShownInAMessageBoxAndNotLogged)
{
    for (const char* pszFolder : {"", "missing", "harness.tst"}) {
        for (const bool bWindow : {false, true}) {
            CRunFixture run;
            run.m_ui.m_bHasWindow = bWindow;
            run.m_engine.m_strOutputPath = *pszFolder != '\0' ? (run.m_pathDir / pszFolder).string() : "";
            EXPECT_FALSE(run.Run());
            EXPECT_EQ(run.m_ui.m_arrMessageBoxes,
                      Lines{FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {run.m_engine.m_strOutputPath})});
            EXPECT_EQ(bWindow ? run.m_engine.m_strResults : run.LogText(),
                      CrLf({FormatTableMessage(IDS_STARTING_CONVERSION, {run.m_strCapHPath}),
                            "3 Part Number(s) detected."}));
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
    const std::string strBase(250, 'x');  // "_1.pid" makes the second name one byte too long
    CRunFixture run(strBase + ".tst");
    const fs::path pathDeep =
        fs::path(run.m_strOutDir) / std::string(120, 'a') / std::string(120, 'b') / std::string(120, 'c');
    fs::create_directories(pathDeep);
    run.m_engine.m_strOutputPath = pathDeep.string();
    EXPECT_FALSE(run.Run());
    const std::string strFirst = (pathDeep / (strBase + ".pid")).string();
    EXPECT_TRUE(fs::exists(strFirst));
    EXPECT_EQ(run.m_ui.m_arrMessageBoxes,
              Lines{FormatTableMessage(IDS_FILE_OPEN_ERROR,
                                  {(pathDeep / (strBase + "_1.pid")).string(), "File name too long"})});
    EXPECT_EQ(CrLf({"Output files left incomplete: '" + strFirst + "'"}),
              run.LogText().substr(run.LogText().rfind("Output")));
}

// The first file fails when its part is written out, the second (which has no
// part group) only when it is closed at the end of the run.
TEST(OutputFilesTest, WriteErrorNamesTheFileAndEveryIncompleteOne)
{
    const std::pair<int, const char*> cases[] = {{0, "'#0', '#1', '#2'"}, {1, "'#1'"}};
    for (const auto& [nFull, pszIncomplete] : cases) {
        CRunFixture run;
        run.m_engine.m_bOverwriteAll = true;
        fs::create_symlink("/dev/full", run.Out(kNames[nFull]));
        EXPECT_FALSE(run.Run());
        std::string strFiles = pszIncomplete;
        for (int i = 0; i < 3; ++i) {
            strFiles = Replaced(strFiles, "#" + std::to_string(i), run.Out(kNames[i]));
        }
        const std::string strLog = run.LogText();
        EXPECT_EQ(strLog.substr(strLog.find("Write error")),
                  CrLf({"Write error on output file '" + run.Out(kNames[nFull]) +
                            "': No space left on device. Conversion aborted.",
                        "Output files left incomplete: " + strFiles}));
    }
}
#endif

}  // namespace
}  // namespace pinweave
