# Installing the programs and their manual pages, and the Debian package made from that installation by CPack
# (`cmake --workflow --preset package`). The library installs itself (lib/CMakeLists.txt).
include(GNUInstallDirs)

# lumohostid (Linux) installs itself; the inspect tool and the Windows program are installed from here.
foreach(program lumohostid-inspect LumoHostID)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(WIN32)
  return()
endif()

# Manual pages, compressed as Debian ships them.
foreach(page lumohostid lumohostid-inspect)
  set(page_source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  set(page_text ${CMAKE_BINARY_DIR}/man/${page}.1)
  set(page_gz ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${page_gz}
    COMMAND ${CMAKE_COMMAND} -DIN=${page_source} -DOUT=${page_text} -DVERSION=${PROJECT_VERSION}
            -P ${PROJECT_SOURCE_DIR}/cmake/man-page.cmake
    COMMAND gzip -9 -n -f ${page_text}
    DEPENDS ${page_source} ${PROJECT_SOURCE_DIR}/cmake/man-page.cmake
    VERBATIM)
  list(APPEND LUMO_MAN_PAGES ${page_gz})
endforeach()
add_custom_target(lumo_man_pages ALL DEPENDS ${LUMO_MAN_PAGES})
install(FILES ${LUMO_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: lumohostid_<version>_amd64.deb with both programs, the library, its header, the pkg-config
# and CMake files and the manual pages. dpkg-shlibdeps works the dependencies out from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumohostid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "LumoHostID developers <lumohostid@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stable host ID of a machine, from one network adapter's address")
set(CPACK_PACKAGE_DESCRIPTION "LumoHostID gives a machine a stable host ID derived from the hardware address of one
network adapter, chosen by a fixed order of preference. lumohostid prints it or writes it to a file;
lumohostid-inspect explains the choice; liblumohostid computes it in-process for other programs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package check: the package workflow builds the package and then runs this test, which unpacks it (never
# installs it) and runs the programs and the example consumer from the unpacked tree.
option(LUMO_PACKAGE_CHECK "Register the test of the Debian package (the package preset)" OFF)
if(LUMO_PACKAGE_CHECK)
  enable_testing()
  add_test(NAME lumo_package_check
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/lib/package_check.sh
            ${CMAKE_BINARY_DIR}/lumohostid_${PROJECT_VERSION}_amd64.deb ${CMAKE_BINARY_DIR}/package_check
            ${PROJECT_SOURCE_DIR}/examples/consumer)
  set_tests_properties(lumo_package_check PROPERTIES TIMEOUT 300)
endif()
