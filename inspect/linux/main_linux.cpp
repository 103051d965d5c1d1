// lumohostid-inspect on Linux.

#include <malloc.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "inspect/command.h"
#include "inspect/live_host.h"

int main(int argc, char** argv)
{
    // A run is short, and page faults are a large share of its cost on a virtual machine: memory freed once a
    // snapshot is read is kept in the heap for the replay and the report to use again, rather than handed back to
    // the system and taken anew.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);

    // Arguments are bytes, usually UTF-8; file names that are not come back out unchanged.
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.push_back(FileNameToUtf16(argv[i]));
    CLiveInspectHost host;
    return RunInspect(arguments, host);
}
