# GoogleTest from Debian's sources, built with the project's own compiler and flags so that the same test files
# build for Linux and for Windows.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(LUMO_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${LUMO_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

if(WIN32)
  # Every Windows test runs under Wine in a prefix of this build's own, set up once before the first test.
  set(LUMO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine/plain)
  add_test(NAME wine_prefix_init COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh init ${LUMO_WINEPREFIX})
  add_test(NAME wine_prefix_stop COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh stop ${LUMO_WINEPREFIX})
  set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wine_plain TIMEOUT 300)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_plain)
endif()

# Runs a test program (built elsewhere, or by lumo_add_gtest) in the plain Wine prefix when the build is for Windows.
function(lumo_test_environment test_name)
  if(WIN32)
    set_property(TEST ${test_name} APPEND PROPERTY FIXTURES_REQUIRED wine_plain)
    set_property(TEST ${test_name} APPEND PROPERTY ENVIRONMENT "WINEPREFIX=${LUMO_WINEPREFIX}")
  endif()
endfunction()

# lumo_add_gtest(<name> SOURCES <files...> LIBS <libraries...>)
# Builds one GoogleTest program and registers it with CTest as one test.
function(lumo_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  lumo_test_environment(${name})
endfunction()
