// lumohostid-inspect on Linux.

#include <string>
#include <vector>

#include "common/linux/file_descriptor.h"
#include "common/text.h"
#include "inspect/command.h"
#include "inspect/live_host.h"

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which ends the run with exit code 2 and a message, rather
    // than ending the process by a signal.
    IgnoreWriteSignals();
    // Arguments are bytes, usually UTF-8; file names that are not come back out unchanged.
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.push_back(FileNameToUtf16(argv[i]));
    CLiveInspectHost host;
    return RunInspect(arguments, host);
}
