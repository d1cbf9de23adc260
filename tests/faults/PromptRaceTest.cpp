// The output folder changes while the "Output File Exists" prompt is open:
// it disappears, a file takes its place, or it becomes read-only, and the
// user then gives one of the four answers. A creation that fails is shown in
// a message box naming the file and the system's reason; a refusal stops the
// run quietly; either way "Completed" is not logged, no file is replaced
// without "Yes" or "Yes to All", and the files left incomplete are named.
#include "FaultSupport.h"

#include "common/MessageTable.h"

#include <unistd.h>

#include <system_error>

namespace pinweave::test {
namespace {

using Lines = std::vector<std::string>;
using A = OverwriteAnswer;

const char* const kOutputNames[] = {"harness.pid", "harness_1.pid", "harness_2.pid"};
const std::string kOld = "old content\r\n";

// Runs as user nobody (effective ids only) while it lives, so that a folder
// made read-only keeps the run out as it would keep any user out; the tests'
// own user comes back afterwards.
class CRunAsNobody {
public:
    CRunAsNobody() : m_bSwitched(CanSwitchUser())
    {
        if (m_bSwitched && (setegid(kNobody) != 0 || seteuid(kNobody) != 0)) {
            throw std::system_error(errno, std::generic_category(), "seteuid");
        }
    }
    CRunAsNobody(const CRunAsNobody&) = delete;
    CRunAsNobody& operator=(const CRunAsNobody&) = delete;
    ~CRunAsNobody()
    {
        if (m_bSwitched && (seteuid(0) != 0 || setegid(0) != 0)) {
            std::terminate(); // the remaining tests must not run as nobody
        }
    }

private:
    bool m_bSwitched;
};

enum class Damage { RemoveFolder, FileInsteadOfFolder, ReadOnly };

void DoDamage(Damage damage, const fs::path& pathOut)
{
    switch (damage) {
    case Damage::RemoveFolder:
        fs::remove_all(pathOut);
        break;
    case Damage::FileInsteadOfFolder:
        fs::remove_all(pathOut);
        WriteFileBytes(pathOut, "a file now");
        break;
    case Damage::ReadOnly:
        for (const fs::directory_entry& entry : fs::directory_iterator(pathOut)) {
            fs::permissions(entry.path(), fs::perms::owner_read);
        }
        fs::permissions(pathOut, fs::perms::owner_read | fs::perms::owner_exec);
        break;
    }
}

struct RaceCase {
    const char* pszName;
    const char* pszBefore; // per output file: O old content, - absent
    std::vector<A> arrAnswers;
    int nDamageAtPrompt;
    Damage damage;
    int nBoxFor;                // the file whose creation fails in a message box, or -1
    const char* pszReason;      // the system's reason in that box
    Lines arrResultsAfterCount; // results after "3 Part Number(s) detected."; #0 is harness.pid's path
    const char* pszAfter;       // per output file: O old, E empty, - absent (the folder itself may be gone)
};

// clang-format off
const RaceCase kRaceCases[] = {
    {"FolderRemovedThenYes", "O--", {A::Yes}, 0, Damage::RemoveFolder, 0, "No such file or directory", {},
     "---"},
    {"FolderRemovedAfterTheFirstFileThenYesToAll", "-O-", {A::YesToAll}, 0, Damage::RemoveFolder, 1,
     "No such file or directory", {"No output file was changed."}, "---"},
    {"FileInsteadOfFolderThenYes", "O--", {A::Yes}, 0, Damage::FileInsteadOfFolder, 0, "Not a directory", {},
     "---"},
    // The first file's temporary cannot be removed from the read-only folder:
    // the run says so.
    {"ReadOnlyAtTheSecondPromptThenYes", "OO-", {A::Yes, A::Yes}, 1, Damage::ReadOnly, 1, "Permission denied",
     {"No output file was changed. These temporary files could not be removed: "
      "'#0.pinweave-XXXXXX.tmp' (Permission denied)"}, "OO-"},
    {"ReadOnlyThenYesToAll", "OOO", {A::YesToAll}, 0, Damage::ReadOnly, 0, "Permission denied", {}, "OOO"},
    {"ReadOnlyThenNo", "O--", {A::No}, 0, Damage::ReadOnly, -1, "", {}, "O--"},
    {"FolderRemovedThenCancel", "-O-", {A::Cancel}, 0, Damage::RemoveFolder, -1, "",
     {"No output file was changed."}, "---"},
};
// clang-format on

TEST(PromptRaceTest, CreationFailureShownNothingReplacedUnasked)
{
    for (const RaceCase& c : kRaceCases) {
        SCOPED_TRACE(c.pszName);
        CTempFolder temp;
        const fs::path pathOut = temp.Path() / "out";
        const std::string strCapH = (temp.Path() / "harness.tst").string();
        fs::create_directory(pathOut);
        WriteFileBytes(strCapH, CCapHBuilder().PartNumbers(3, "P", 1).Text());
        for (int i = 0; i < 3; ++i) {
            if (c.pszBefore[i] == 'O') {
                WriteFileBytes(pathOut / kOutputNames[i], kOld);
                GiveToNobody(pathOut / kOutputNames[i]);
            }
        }
        GiveToNobody(temp.Path());
        GiveToNobody(pathOut);

        // The main dialog as far as a run sees it; the prompt does the case's
        // damage before it answers.
        CFakeFrontEnd ui(true);
        ui.m_lstAnswers.assign(c.arrAnswers.begin(), c.arrAnswers.end());
        ui.m_fnOnPrompt = [&](int nPrompt) {
            if (nPrompt == c.nDamageAtPrompt) {
                DoDamage(c.damage, pathOut);
            }
        };
        bool bCompleted = true;
        {
            CRunAsNobody asNobody;
            CConversionEngine engine(ui);
            engine.m_strInputPath = strCapH;
            engine.m_strOutputPath = pathOut.string();
            bCompleted = engine.RunConversion(strCapH);
        }
        EXPECT_FALSE(bCompleted);
        EXPECT_EQ(c.arrAnswers.size(), ui.m_arrPrompts.size());

        Lines arrBoxes;
        if (c.nBoxFor >= 0) {
            arrBoxes.push_back(FormatTableMessage(
                IDS_FILE_OPEN_ERROR, {(pathOut / kOutputNames[c.nBoxFor]).string(), c.pszReason}));
        }
        EXPECT_EQ(arrBoxes, ui.m_arrMessageBoxes);

        Lines arrResults = {"Starting conversion of '" + strCapH + "'", "3 Part Number(s) detected."};
        for (std::string strLine : c.arrResultsAfterCount) {
            const std::size_t nAt = strLine.find("#0");
            if (nAt != std::string::npos) {
                strLine.replace(nAt, 2, (pathOut / kOutputNames[0]).string());
            }
            arrResults.push_back(strLine);
        }
        // The random part of a temporary's name is not the case's to know.
        EXPECT_TRUE(ui.m_arrUnlogged.empty());
        std::string strResults = ui.Results();
        for (std::size_t nAt = 0; (nAt = strResults.find(".pinweave-", nAt)) != std::string::npos;
             nAt += 10) {
            strResults.replace(nAt + 10, 6, "XXXXXX");
        }
        EXPECT_EQ(CrLf(arrResults), strResults);

        std::string strAfter;
        for (const char* pszName : kOutputNames) {
            const fs::path path = pathOut / pszName;
            std::error_code ec;
            const bool bExists = fs::is_regular_file(path, ec);
            strAfter += !bExists                      ? '-'
                        : ReadFileBytes(path) == kOld ? 'O'
                        : ReadFileBytes(path).empty() ? 'E'
                                                      : '?';
        }
        EXPECT_EQ(c.pszAfter, strAfter);
        // Give the folder back, whatever the case did to it, so it can be removed.
        std::error_code ec;
        fs::permissions(pathOut, fs::perms::owner_all, ec);
    }
}

} // namespace
} // namespace pinweave::test
