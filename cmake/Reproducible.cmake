# Two builds of one commit give the same bytes, wherever the clone lies and whenever it is built.
#
# No build path in any binary: the compiler writes the source and build directories as "." and "build" wherever it
# would name them (__FILE__, debug information). GCC tries the map given last first, so the build directory, which
# usually lies inside the source directory, comes second.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
endif()

# No link time in the Windows binaries: GNU ld writes the current time into the PE header of every executable and
# DLL, and into the export directory of a DLL, unless told not to. With this option both fields hold zero, which
# Windows does not use for anything but display.
if(MINGW)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
