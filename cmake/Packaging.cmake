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
