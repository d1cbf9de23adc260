// Running out of memory at any point of a run is a stop like any other: the
// log says so, the run's temporaries are gone and the output folder holds
// what it held before. The allocation that fails is chosen by count: this
// program replaces the global operator new, and fails the k-th allocation
// after it is armed, once.
#include "FaultSupport.h"

#include "TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <new>

namespace {

// Allocations left before the one that fails; negative: none fails.
std::atomic<long long> g_nAllocationsLeft{-1};
std::atomic<long long> g_nAllocations{0};

void* Allocate(std::size_t nBytes)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (g_nAllocationsLeft.load(std::memory_order_relaxed) >= 0 &&
        g_nAllocationsLeft.fetch_sub(1, std::memory_order_relaxed) == 0) {
        throw std::bad_alloc();
    }
    void* const pMemory = std::malloc(nBytes == 0 ? 1 : nBytes);
    if (pMemory == nullptr) {
        throw std::bad_alloc();
    }
    return pMemory;
}

} // namespace

void* operator new(std::size_t nBytes)
{
    return Allocate(nBytes);
}
void* operator new[](std::size_t nBytes)
{
    return Allocate(nBytes);
}
void operator delete(void* pMemory) noexcept
{
    std::free(pMemory);
}
void operator delete[](void* pMemory) noexcept
{
    std::free(pMemory);
}
void operator delete(void* pMemory, std::size_t) noexcept
{
    std::free(pMemory);
}
void operator delete[](void* pMemory, std::size_t) noexcept
{
    std::free(pMemory);
}
// The forms the standard library takes where it can do without the memory
// (std::stable_sort's buffer) and for over-aligned blocks (the tree's arena):
// they fail with the rest.
void* operator new(std::size_t nBytes, const std::nothrow_t&) noexcept
{
    try {
        return Allocate(nBytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* pMemory, const std::nothrow_t&) noexcept
{
    std::free(pMemory);
}
void* operator new(std::size_t nBytes, std::align_val_t nAlign)
{
    void* const pMemory = Allocate(nBytes); // counts, and fails when its turn comes
    std::free(pMemory);
    const std::size_t nAlignment = static_cast<std::size_t>(nAlign);
    void* const pAligned =
        std::aligned_alloc(nAlignment, (nBytes + nAlignment - 1) / nAlignment * nAlignment);
    if (pAligned == nullptr) {
        throw std::bad_alloc();
    }
    return pAligned;
}
void operator delete(void* pMemory, std::align_val_t) noexcept
{
    std::free(pMemory);
}
void operator delete(void* pMemory, std::size_t, std::align_val_t) noexcept
{
    std::free(pMemory);
}

namespace pinweave::test {
namespace {

using Lines = std::vector<std::string>;

std::map<std::string, std::string> FolderBytes(const fs::path& pathFolder)
{
    std::map<std::string, std::string> bytes;
    for (const fs::directory_entry& entry : fs::directory_iterator(pathFolder)) {
        bytes[entry.path().filename().string()] = WithoutDate(ReadFileBytes(entry.path()));
    }
    return bytes;
}

// Three part numbers, each with a few wires on a fixture and a splice.
std::string JobCapH()
{
    CCapHBuilder capH;
    capH.HeaderValue("FAMILY", "F").PartNumbers(3).FixturePins("J1", 0, 5);
    for (int i = 0; i < 3; ++i) {
        std::vector<CCapHMember> arrMembers;
        for (int w = 0; w < 6; ++w) {
            arrMembers.push_back(
                {"W" + std::to_string(w), "J1", std::to_string(w), "", "", "", "S1", "RD/BK"});
        }
        arrMembers.push_back({"D1", "J9", "1", "", "", "", "", "", true});
        capH.Group(arrMembers);
    }
    return capH.Text();
}

// Runs one conversion of job.tst into out/ with /Y; the k-th allocation of
// the run fails when nFailAt is not negative.
bool Convert(const fs::path& pathJob, long long nFailAt, CFakeFrontEnd& ui)
{
    CConversionEngine engine(ui);
    engine.m_strInputPath = (pathJob / "job.tst").string();
    engine.m_strOutputPath = (pathJob / "out").string();
    engine.m_bOverwriteAll = true;
    g_nAllocationsLeft = nFailAt;
    const bool bCompleted = engine.RunConversion(engine.m_strInputPath);
    g_nAllocationsLeft = -1;
    return bCompleted;
}

TEST(OutOfMemoryTest, AnyAllocationThatFailsStopsTheRunAndChangesNothing)
{
    CTempFolder temp;
    const fs::path pathJob = temp.Path();
    fs::create_directory(pathJob / "out");
    WriteFileBytes(pathJob / "job.tst", JobCapH());

    CFakeFrontEnd ui;
    const long long nBefore = g_nAllocations;
    ASSERT_TRUE(Convert(pathJob, -1, ui));
    const long long nRunAllocations = g_nAllocations - nBefore;
    const std::map<std::string, std::string> complete = FolderBytes(pathJob / "out");
    ASSERT_EQ(complete.size(), 3u);

    int nStopped = 0;
    const long long nStep = std::max(1LL, nRunAllocations / 150);
    for (long long nFailAt = 0; nFailAt < nRunAllocations; nFailAt += nStep) {
        SCOPED_TRACE("allocation " + std::to_string(nFailAt) + " of " + std::to_string(nRunAllocations));
        for (const auto& [strName, strBytes] : complete) {
            WriteFileBytes(pathJob / "out" / strName, "old\r\n");
        }
        const std::map<std::string, std::string> before = FolderBytes(pathJob / "out");
        fs::remove(pathJob / "job.log");
        CFakeFrontEnd uiFailing;
        if (Convert(pathJob, nFailAt, uiFailing)) {
            // An allocation that a step can do without may fail without
            // harm: the files are whole.
            EXPECT_EQ(FolderBytes(pathJob / "out"), complete);
            continue;
        }
        ++nStopped;
        EXPECT_EQ(FolderBytes(pathJob / "out"), before) << "every file as it was, and no temporary";
        const std::string strLog = fs::exists(pathJob / "job.log") ? ReadFileBytes(pathJob / "job.log") : "";
        const bool bLogged = strLog.find("Out of memory. Conversion aborted.\r\n") != std::string::npos;
        bool bReported = false;
        for (const std::string& strLine : uiFailing.m_arrUnlogged) {
            bReported = bReported || strLine == "Out of memory. Conversion aborted.";
        }
        EXPECT_TRUE(bLogged || bReported) << strLog;
        EXPECT_EQ(strLog.find("Completed"), std::string::npos);
        EXPECT_TRUE(uiFailing.m_arrMessageBoxes.empty());
    }
    EXPECT_GT(nStopped, 0);
}

} // namespace
} // namespace pinweave::test
