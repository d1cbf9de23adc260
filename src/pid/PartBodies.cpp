#include "pid/PartBodies.h"

#include <system_error>
#include <utility>

namespace pinweave {

CPartBodies::CPartBodies(const CPinTable& pinTable, std::vector<const CCapHElement*> lstGroups, bool bAhead)
    : m_pinTable(pinTable), m_lstGroups(std::move(lstGroups)), m_arrSlots(kAhead + 1)
{
    if (!bAhead || m_lstGroups.size() < 2) {
        return;
    }
    try {
        m_thread = std::thread([this] { MakeAhead(); });
    } catch (const std::system_error&) {
        // Without a thread, Take makes each body itself.
    }
}

CPartBodies::~CPartBodies()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CPartBodies::MakeAhead()
{
    for (std::size_t i = 0; i < m_lstGroups.size(); ++i) {
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
    if (!m_thread.joinable()) {
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
