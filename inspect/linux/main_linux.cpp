// lumohostid-inspect on Linux.

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include <string>
#include <vector>

#include "common/linux/file_descriptor.h"
#include "common/memory_reserve.h"
#include "common/text.h"
#include "inspect/command.h"
#include "inspect/live_host.h"

namespace {

// Room in the heap that the kernel may back with huge pages: a large snapshot then costs a few dozen page faults
// instead of thousands, which on a virtual machine take longer than the reading itself. The block is taken and
// given back at once; with trimming off it stays the top of the heap, which later allocations are carved from, and
// only the pages they touch are ever taken. Where huge pages are off this changes nothing.
void PrepareHeap()
{
    constexpr size_t kHeapRoom = size_t(64) << 20;
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    void* pBlock = std::malloc(kHeapRoom);
    if (!pBlock)
        return;
    const auto nStart = (reinterpret_cast<uintptr_t>(pBlock) + kHugePage - 1) & ~(kHugePage - 1);
    const auto nEnd = (reinterpret_cast<uintptr_t>(pBlock) + kHeapRoom) & ~(kHugePage - 1);
    if (nEnd > nStart)
        ::madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_HUGEPAGE);
    std::free(pBlock);
}

}  // namespace

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which ends the run with exit code 2 and a message, rather
    // than ending the process by a signal.
    IgnoreWriteSignals();
    // Enough for the exceptions and the one-line message after memory ran out.
    InstallMemoryReserve(256 * 1024, kInspectExitError);

    // A run is short, and page faults are a large share of its cost on a virtual machine: memory freed once a
    // snapshot is read is kept in the heap for the replay and the report to use again, rather than handed back to
    // the system and taken anew.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    PrepareHeap();

    return RunLiveInspect([argc, argv] {
        // Arguments are bytes, usually UTF-8; file names that are not come back out unchanged.
        std::vector<std::u16string> arguments;
        for (int i = 0; i < argc && argv[i]; ++i)
            arguments.push_back(FileNameToUtf16(argv[i]));
        return arguments;
    });
}
