#include "InProcessRun.h"

#include "FaultSupport.h"

#include "pid/ConversionEngine.h"
#include "pid/PathNames.h"

#include <gtest/gtest.h>

namespace pinweave::test {

namespace {

class CWindowFrontEnd : public IFrontEnd {
public:
    bool HasWindow() const override { return true; }
    void AppendResults(const std::string& strLines) override { m_strResults += strLines; }
    void ShowMessageBox(const std::string& strText) override { m_arrMessageBoxes.push_back(strText); }
    OverwriteAnswer AskOverwrite(const std::string& strMessage) override
    {
        ADD_FAILURE() << "unexpected prompt: " << strMessage;
        return OverwriteAnswer::Cancel;
    }
    void ReportUnlogged(const std::string& strText) override { ADD_FAILURE() << "unlogged: " << strText; }

    std::string m_strResults;
    std::vector<std::string> m_arrMessageBoxes;
};

}  // namespace

InProcessOutcome ConvertInProcess(const fs::path& pathDir, const std::string& strCapH)
{
    const fs::path pathOut = pathDir / "out";
    fs::remove_all(pathOut);
    fs::create_directories(pathOut);
    const std::string strCapHPath = (pathDir / "harness.tst").string();
    WriteFileBytes(strCapHPath, strCapH);

    CWindowFrontEnd ui;
    InProcessOutcome outcome;
    {
        CConversionEngine engine(ui);
        engine.m_strInputPath = strCapHPath;
        engine.m_strOutputPath = pathOut.string();
        outcome.bCompleted = engine.RunConversion(strCapHPath);
    }
    for (std::size_t nStart = 0; nStart < ui.m_strResults.size();) {
        const std::size_t nEnd = ui.m_strResults.find("\r\n", nStart);
        outcome.arrResults.push_back(ui.m_strResults.substr(nStart, nEnd - nStart));
        nStart = nEnd == std::string::npos ? nEnd : nEnd + 2;
    }
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

}  // namespace pinweave::test
