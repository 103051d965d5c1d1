#!/usr/bin/env python3
"""Prints this machine's host ID through liblumohostid and ctypes.

The library is looked up the usual way (ctypes.util.find_library); a path given as the first argument is loaded
instead, for a library that is not installed in the system's search path."""
import ctypes
import ctypes.util
import sys

LUMOHOSTID_SIZE = 15
LUMOHOSTID_NO_ADAPTER = 1


def load(path=None):
    lib = ctypes.CDLL(path or ctypes.util.find_library("lumohostid") or "liblumohostid.so.1")
    lib.lumohostid_get.argtypes = [ctypes.c_char_p, ctypes.c_size_t]
    lib.lumohostid_get.restype = ctypes.c_int
    lib.lumohostid_strerror.argtypes = [ctypes.c_int]
    lib.lumohostid_strerror.restype = ctypes.c_char_p
    lib.lumohostid_check.argtypes = [ctypes.c_char_p]
    lib.lumohostid_check.restype = ctypes.c_int
    lib.lumohostid_version.restype = ctypes.c_char_p
    return lib


def host_id(lib):
    """The host ID text, "" when no adapter qualifies; raises OSError on a failure."""
    buffer = ctypes.create_string_buffer(LUMOHOSTID_SIZE)
    result = lib.lumohostid_get(buffer, len(buffer))
    if result < 0:
        raise OSError(result, lib.lumohostid_strerror(result).decode())
    return buffer.value.decode("ascii")


if __name__ == "__main__":
    lib = load(sys.argv[1] if len(sys.argv) > 1 else None)
    print(host_id(lib))
