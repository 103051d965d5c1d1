# Installing the programs and their manual pages; debian/ packages that installation. The library installs itself
# (lib/CMakeLists.txt).
include(GNUInstallDirs)

# lumohostid (Linux) installs itself; the inspect tool and the Windows program are installed from here.
foreach(program lumohostid-inspect LumoHostID)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(WIN32)
  # The archive for Windows users, LumoHostID-<version>-win64.zip, built by the target "package" (CPack's ZIP
  # generator): one folder holding both programs, the library with its import library and header, README.txt,
  # LICENSE.txt and SHA256SUMS. Its files are the install component windows_archive, which a plain install leaves
  # out. The text files get Windows' line ends, for Notepad of any Windows.
  if(TARGET LumoHostID AND TARGET lumohostid-inspect AND TARGET lumohostid_shared)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(archive_dir ${CMAKE_BINARY_DIR}/windows-archive)
    configure_file(${PROJECT_SOURCE_DIR}/res/archive-readme.txt.in ${archive_dir}/README.txt
      @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${archive_dir}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(TARGETS LumoHostID lumohostid-inspect
      RUNTIME DESTINATION . COMPONENT windows_archive EXCLUDE_FROM_ALL)
    install(TARGETS lumohostid_shared
      RUNTIME DESTINATION . COMPONENT windows_archive EXCLUDE_FROM_ALL
      ARCHIVE DESTINATION . COMPONENT windows_archive EXCLUDE_FROM_ALL)
    install(FILES ${PROJECT_SOURCE_DIR}/lib/include/lumohostid.h ${archive_dir}/README.txt ${archive_dir}/LICENSE.txt
      DESTINATION . COMPONENT windows_archive EXCLUDE_FROM_ALL)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME LumoHostID)
    set(CPACK_PACKAGE_VENDOR "Kavro Software Ltd.")
    set(CPACK_PACKAGE_FILE_NAME LumoHostID-${PROJECT_VERSION}-win64)
    set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};LumoHostID;windows_archive;/")
    # CPack's archive is not the same in two builds (file system order, access times, owners); this rewrites it.
    set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/windows-archive.cmake)
    set(CPACK_LUMO_PYTHON ${Python3_EXECUTABLE})
    set(CPACK_LUMO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
    include(CPack)
  endif()
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
