// Results lines on their way from a conversion run on another thread to the
// results pane: the run adds lines as it logs them, the dialog's thread takes
// all that has gathered now and then and adds it to the pane in one go.
#ifndef PINWEAVE_APP_PENDINGRESULTS_H
#define PINWEAVE_APP_PENDINGRESULTS_H

#include <mutex>
#include <string>
#include <utility>

namespace pinweave {

class CPendingResults {
public:
    // Adds whole lines (each ended by CR LF) after those already waiting.
    void Add(const std::string& strLines)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_strLines += strLines;
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

} // namespace pinweave

#endif // PINWEAVE_APP_PENDINGRESULTS_H
