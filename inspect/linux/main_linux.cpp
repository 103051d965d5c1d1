// lumohostid-inspect on Linux.

#include <string>
#include <vector>

#include "common/text.h"
#include "inspect/inspect.h"
#include "inspect/live_host.h"

int main(int argc, char** argv)
{
    // Arguments are taken as UTF-8, as the rest of the system's text is.
    std::vector<std::u16string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Utf8ToUtf16(argv[i]));
    CLiveInspectHost host;
    return RunInspect(arguments, host);
}
