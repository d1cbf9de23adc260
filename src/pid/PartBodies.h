// The bodies of a run's part groups, made a few parts ahead of the body
// writer on threads of their own (one per core, each taking every n-th
// part), while the writer takes them in order.
//
// The writer's own work on a part (passing bytes to the system, logging,
// copying the pin block) and the making of the next parts' bodies then run at
// once. At most kAhead bodies exist at a time, so a run holds a few parts'
// [wires] lines beyond what it held before. On a machine with one core, or
// when no thread can be started, each body is made when it is asked for.
#ifndef PINWEAVE_PID_PARTBODIES_H
#define PINWEAVE_PID_PARTBODIES_H

#include "pid/PartBody.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace pinweave {

class CPartBodies {
public:
    static constexpr std::size_t kAhead = 3;

    // Makes the bodies of lstGroups on up to nThreads threads (none: each
    // when it is taken). The groups and the pin table must stay unchanged
    // while this object lives.
    CPartBodies(const CPinTable& pinTable, std::vector<const CCapHElement*> lstGroups, unsigned nThreads);
    CPartBodies(const CPartBodies&) = delete;
    CPartBodies& operator=(const CPartBodies&) = delete;
    // Stops making bodies; whatever is made and not taken is dropped.
    ~CPartBodies();

    // The body of group nIndex, the next one in order, once it is made; it
    // stays valid until the next Take. Rethrows what making it threw (out of
    // memory).
    const CPartBody& Take(std::size_t nIndex);

private:
    struct CSlot {
        CPartBody body;
        bool bReady = false;
        std::exception_ptr pFailure;
    };

    void MakeAhead(std::size_t nFirst, std::size_t nStep);
    void Stop();
    CSlot& SlotOf(std::size_t nIndex) { return m_arrSlots[nIndex % m_arrSlots.size()]; }

    const CPinTable& m_pinTable;
    const std::vector<const CCapHElement*> m_lstGroups;
    std::vector<CSlot> m_arrSlots;  // kAhead + 1: the one taken and those ahead of it

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_nTaken = 0;  // bodies taken so far (the last one may still be in use)
    bool m_bStop = false;
    std::vector<std::thread> m_lstThreads;  // last: started once everything else is in place
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_PARTBODIES_H
