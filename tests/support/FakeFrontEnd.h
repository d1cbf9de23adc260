// The tests' one front end: it records what the engine shows, answers the
// overwrite prompt from a script, and logs as the real front ends do: to the
// results pane (m_log.m_strResults) with a window, to the log file beside the
// CAP-H file without one.
#ifndef PINWEAVE_TESTS_SUPPORT_FAKEFRONTEND_H
#define PINWEAVE_TESTS_SUPPORT_FAKEFRONTEND_H

#include "pid/FileLog.h"
#include "pid/FrontEnd.h"
#include "pid/PaneLog.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pinweave {

using Lines = std::vector<std::string>;

struct CFakeFrontEnd : IFrontEnd, IResultsPane, ILogEcho {
    explicit CFakeFrontEnd(bool bHasWindow = false) : m_bHasWindow(bHasWindow) {}

    ILogSink& Log() override { return m_bHasWindow ? static_cast<ILogSink&>(m_paneLog) : m_fileLog; }
    void ShowMessageBox(const std::string& strText) override { m_arrMessageBoxes.push_back(strText); }
    OverwriteAnswer AskOverwrite(const std::string& strText) override
    {
        if (!m_bHasWindow) {
            return OverwriteAnswer::NotAsked;
        }
        if (m_fnOnPrompt) {
            m_fnOnPrompt(static_cast<int>(m_arrPrompts.size()));
        }
        m_arrPrompts.push_back(strText);
        EXPECT_FALSE(m_lstAnswers.empty()) << "unexpected prompt: " << strText;
        const OverwriteAnswer answer = m_lstAnswers.empty() ? OverwriteAnswer::Cancel : m_lstAnswers.front();
        if (!m_lstAnswers.empty()) {
            m_lstAnswers.pop_front();
        }
        return answer;
    }
    void AppendResults(const std::string& strText) override { m_strShownResults += strText; }
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

    // Everything logged with a window.
    const std::string& Results() const { return m_paneLog.m_strResults; }

    bool m_bHasWindow;
    std::function<void(const std::string&)> m_fnOnLogLine; // called first for each echoed line
    std::function<void(int nPrompt)> m_fnOnPrompt;         // called before prompt nPrompt is answered
    std::deque<OverwriteAnswer> m_lstAnswers;
    std::string m_strShownResults;
    Lines m_arrMessageBoxes, m_arrPrompts, m_arrUnlogged, m_arrLogLines, m_arrStopLines;

private:
    CPaneLog m_paneLog{*this};
    CFileLog m_fileLog{*this};
};

} // namespace pinweave

#endif // PINWEAVE_TESTS_SUPPORT_FAKEFRONTEND_H
