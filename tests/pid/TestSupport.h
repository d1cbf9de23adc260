// Engine tests' tools: a front end that records what the engine shows and
// answers the overwrite prompt from a script, and a run in a private folder.
#ifndef PINWEAVE_TESTS_PID_TESTSUPPORT_H
#define PINWEAVE_TESTS_PID_TESTSUPPORT_H

#include "pid/ConversionEngine.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pinweave {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct CTestFrontEnd : IFrontEnd {
    bool HasWindow() const override { return m_bHasWindow; }
    void AppendResults(const std::string& strText) override { m_strShownResults += strText; }
    void ShowMessageBox(const std::string& strText) override { m_arrMessageBoxes.push_back(strText); }
    void ReportUnlogged(const std::string& strText) override { m_arrUnlogged.push_back(strText); }
    void OnLogLine(const std::string& strText, bool bEndsRun) override
    {
        if (m_fnOnLogLine) {
            m_fnOnLogLine(strText);
        }
        m_arrLogLines.push_back(strText);
        if (bEndsRun) {
            m_arrStopLines.push_back(strText);
        }
    }
    OverwriteAnswer AskOverwrite(const std::string& strText) override
    {
        m_arrPrompts.push_back(strText);
        EXPECT_FALSE(m_lstAnswers.empty()) << "unexpected prompt: " << strText;
        const OverwriteAnswer answer = m_lstAnswers.empty() ? OverwriteAnswer::Cancel : m_lstAnswers.front();
        if (!m_lstAnswers.empty()) {
            m_lstAnswers.pop_front();
        }
        return answer;
    }

    bool m_bHasWindow = false;
    std::function<void(const std::string&)> m_fnOnLogLine; // called first for each echoed line
    std::deque<OverwriteAnswer> m_lstAnswers;
    std::string m_strShownResults;
    Lines m_arrMessageBoxes, m_arrPrompts, m_arrUnlogged, m_arrLogLines, m_arrStopLines;
};

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::string& strBytes);
std::string CrLf(const Lines& arrLines); // every line ended by CR LF
std::string Replaced(std::string str, const std::string& strFrom, const std::string& strTo);

// Three part numbers P1 to P3, one part group with one wire on a splice.
std::string MinimalCapH();

// A CAP-H file in a fresh temporary folder (its name holds a blank), an
// empty output folder "out" beside it, and an engine whose stored values
// point at both.
struct CRunFixture {
    explicit CRunFixture(const std::string& strCapHName = "harness.tst",
                         const std::string& strBytes = MinimalCapH());
    ~CRunFixture();
    bool Run() { return m_engine.RunConversion(m_strCapHPath); }
    std::string LogText() const;
    std::string Out(const std::string& strName) const { return (fs::path(m_strOutDir) / strName).string(); }
    Lines OutputNames() const; // sorted

    fs::path m_pathDir;
    std::string m_strCapHPath, m_strOutDir;
    CTestFrontEnd m_ui;
    CConversionEngine m_engine{m_ui};
};

} // namespace pinweave

#endif // PINWEAVE_TESTS_PID_TESTSUPPORT_H
