// Results lines on their way from a conversion run on another thread to the
// results pane: the run adds lines as it logs them, the dialog's thread takes
// all that has gathered and adds it to the pane in one go. Under Wine one
// pane update costs about as much as a conversion writes in a part, so a run
// that logs faster than the pane can follow hands over many lines at a time
// instead of queueing one window message per line.
#ifndef PINWEAVE_APP_PENDINGRESULTS_H
#define PINWEAVE_APP_PENDINGRESULTS_H

#include <mutex>
#include <string>
#include <utility>

namespace pinweave {

class CPendingResults {
public:
    // Adds whole lines (each ended by CR LF) after those already waiting.
    // True when nothing was waiting: the taker must then be told once.
    bool Add(const std::string& strLines)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const bool bWasEmpty = m_strLines.empty();
        m_strLines += strLines;
        return bWasEmpty && !strLines.empty();
    }

    // Everything waiting, in the order it was added; nothing waits afterwards.
    std::string Take()
    {
        std::string strLines;
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(strLines, m_strLines);
        return strLines;
    }

private:
    std::mutex m_mutex;
    std::string m_strLines;
};

}  // namespace pinweave

#endif  // PINWEAVE_APP_PENDINGRESULTS_H
