#include "pid/PartBodies.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace pinweave {

CPartBodies::CPartBodies(const CPinTable& pinTable, std::vector<const CCapHElement*> lstGroups,
                         unsigned nThreads)
    : m_pinTable(pinTable), m_lstGroups(std::move(lstGroups)), m_arrSlots(kAhead + 1)
{
    if (m_lstGroups.size() < 2) {
        return;
    }
    const std::size_t nMakers = std::min<std::size_t>({nThreads, kAhead, m_lstGroups.size()});
    // Room first: a list that grew while threads run would destroy them.
    m_lstThreads.reserve(nMakers);
    try {
        for (std::size_t k = 0; k < nMakers; ++k) {
            m_lstThreads.emplace_back([this, k, nMakers] { MakeAhead(k, nMakers); });
        }
    } catch (...) {
        // A thread that cannot be started (no resources, no memory for it):
        // fewer threads would share the parts unevenly, so those that started
        // are stopped, and Take makes each body itself.
        Stop();
        m_bStop = false;
    }
}

CPartBodies::~CPartBodies()
{
    Stop();
}

void CPartBodies::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_lstThreads) {
        thread.join();
    }
    m_lstThreads.clear();
}

void CPartBodies::MakeAhead(std::size_t nFirst, std::size_t nStep)
{
    for (std::size_t i = nFirst; i < m_lstGroups.size(); i += nStep) {
        CSlot* pSlot = nullptr;
        {
            // Group i's slot is free once body i - kAhead - 1 is no longer in
            // use, that is once body i - kAhead has been taken.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return m_bStop || i < m_nTaken + kAhead; });
            if (m_bStop) {
                return;
            }
            pSlot = &SlotOf(i);
        }
        std::exception_ptr pFailure;
        try {
            MakePartBody(m_pinTable, *m_lstGroups[i], pSlot->body);
        } catch (...) {
            pFailure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            pSlot->pFailure = pFailure;
            pSlot->bReady = true;
        }
        m_changed.notify_all();
        if (pFailure) {
            return;
        }
    }
}

const CPartBody& CPartBodies::Take(std::size_t nIndex)
{
    CSlot& slot = SlotOf(nIndex);
    if (m_lstThreads.empty()) {
        MakePartBody(m_pinTable, *m_lstGroups[nIndex], slot.body);
        ++m_nTaken;
        return slot.body;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    // Taking this body frees the slot of the one taken before it.
    ++m_nTaken;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return slot.bReady; });
    slot.bReady = false;
    if (slot.pFailure) {
        std::rethrow_exception(std::exchange(slot.pFailure, nullptr));
    }
    return slot.body;
}

}  // namespace pinweave
