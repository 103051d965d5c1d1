// lumohostid: the host ID of this machine, on standard output or, with /exit:<path>, in a file.

#include "app/linux/linux_platform.h"
#include "app/start_up.h"
#include "common/linux/file_descriptor.h"
#include "inventory/sources.h"

int main(int argc, char** argv)
{
    // A closed pipe or a file-size limit fails the write, which the exit code reports, rather than ending the process.
    IgnoreWriteSignals();
    CLinuxFileSystem fileSystem;
    CConsoleUserInterface userInterface;
    CLiveSources sources;
    return RunStartUp(ArgumentsFromArgv(argc, argv), fileSystem, userInterface, sources.Get());
}
