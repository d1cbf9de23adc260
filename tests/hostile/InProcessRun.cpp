#include "InProcessRun.h"

#include "FaultSupport.h"
#include "TestSupport.h"
#include "pid/PathNames.h"

namespace pinweave::test {

InProcessOutcome ConvertInProcess(const fs::path& pathDir, const std::string& strCapH)
{
    const fs::path pathOut = pathDir / "out";
    fs::remove_all(pathOut);
    fs::create_directories(pathOut);
    const std::string strCapHPath = (pathDir / "harness.tst").string();
    WriteFileBytes(strCapHPath, strCapH);

    CFakeFrontEnd ui(true);
    InProcessOutcome outcome;
    {
        CConversionEngine engine(ui);
        engine.m_strInputPath = strCapHPath;
        engine.m_strOutputPath = pathOut.string();
        outcome.bCompleted = engine.RunConversion(strCapHPath);
    }
    EXPECT_TRUE(ui.m_arrPrompts.empty() && ui.m_arrUnlogged.empty());
    outcome.arrResults = SplitCrLf(ui.Results());
    outcome.arrMessageBoxes = ui.m_arrMessageBoxes;
    for (int i = 0; fs::exists(pathOut / OutputFileName("harness", i)); ++i) {
        outcome.arrOutputs.push_back(ReadFileBytes(pathOut / OutputFileName("harness", i)));
    }
    return outcome;
}

std::string UnclosedSectionLine(const std::string& strCapHPath, const std::string& strSection)
{
    return "The CAP-H file '" + strCapHPath + "' ends inside its [" + strSection + "] section ([END" +
           strSection + "] is missing). Conversion aborted.";
}

std::string NotCapHLine(const std::string& strCapHPath)
{
    return "The file '" + strCapHPath +
           "' is not a CAP-H export file: it holds none of the sections [HEADER], [CONNECTION] and "
           "[CONNECTOR]. Conversion aborted.";
}

} // namespace pinweave::test
