#include "common/linux/computer_name.h"

#include <sys/utsname.h>

#include <cstring>

std::string ReadComputerName()
{
    // uname's node name has room for the longest host name Linux allows (64 bytes) and its terminating null;
    // gethostname would fail on a full-length name given a buffer one byte short.
    utsname names {};
    if (uname(&names) != 0)
        return std::string();
    return std::string(names.nodename, strnlen(names.nodename, sizeof(names.nodename)));
}
