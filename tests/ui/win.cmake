# The Windows tests of the user interface and of LumoHostID.exe, all under Wine.
#
#   lumo_ui_win_tests      registry key object and "XY" value against the prefix's real registry, the version
#                          reader against the program's own version resource, the resources of the programs and
#                          the library, and the output file of start-up (no window needed)

lumo_add_gtest(lumo_ui_win_tests
  SOURCES
    output_file_system_win_test.cpp
    registry_win_test.cpp
    resources_win_test.cpp
  LIBS lumo_ui_win lumo_app_win version
)
target_compile_definitions(lumo_ui_win_tests PRIVATE
  LUMO_HOSTID_EXE="$<TARGET_FILE:LumoHostID>"
  LUMO_INSPECT_EXE="$<TARGET_FILE:lumohostid-inspect>"
  LUMO_LIBRARY_DLL="$<TARGET_FILE:lumohostid_shared>"
  LUMO_PROJECT_VERSION="${PROJECT_VERSION}"
  LUMO_PROJECT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  LUMO_PROJECT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  LUMO_PROJECT_VERSION_PATCH=${PROJECT_VERSION_PATCH})
add_dependencies(lumo_ui_win_tests LumoHostID lumohostid-inspect lumohostid_shared)

# The dialogs as real windows: these need a display, so each run starts its own Xvfb, with a Wine virtual desktop on
# it (run-in-wine-desktop.sh). Runs that use a display share one lock, so that only one Wine desktop is up at a time.
find_program(LUMO_XVFB_RUN xvfb-run REQUIRED)

add_executable(lumo_ui_dialog_tests dialogs_win_test.cpp test_dialogs.rc)
target_link_libraries(lumo_ui_dialog_tests PRIVATE lumo_ui_win lumo_resources gmock gtest_main)
target_include_directories(lumo_ui_dialog_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(lumo_ui_dialog_tests PRIVATE LUMO_PROJECT_VERSION="${PROJECT_VERSION}")
add_test(NAME lumo_ui_dialog_tests
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run-in-wine-desktop.sh $<TARGET_FILE:lumo_ui_dialog_tests>)
set_tests_properties(lumo_ui_dialog_tests PROPERTIES TIMEOUT 180 RESOURCE_LOCK lumo_display)
lumo_test_environment(lumo_ui_dialog_tests)

# LumoHostID.exe end to end in file-output mode: in the seeded prefix it writes the seeded adapter's host ID, in the
# plain prefix a single zero byte. One program, run once in each prefix.
add_executable(lumo_program_tests program_win_test.cpp process_runner_win_test.cpp)
target_link_libraries(lumo_program_tests PRIVATE lumo_hostid lumo_inventory iphlpapi shell32 advapi32 gmock gtest_main)
target_include_directories(lumo_program_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(lumo_program_tests PRIVATE LUMO_HOSTID_EXE="$<TARGET_FILE:LumoHostID>")
add_dependencies(lumo_program_tests LumoHostID)

add_test(NAME lumo_program_plain
  COMMAND lumo_program_tests --gtest_filter=ProgramTest.Plain*:ProgramTest.Files*:ProcessRunnerTest.*)
set_tests_properties(lumo_program_plain PROPERTIES TIMEOUT 300)
lumo_test_environment(lumo_program_plain)

if(COMMAND lumo_test_environment_seeded)
  add_test(NAME lumo_program_seeded
    COMMAND lumo_program_tests --gtest_filter=ProgramTest.Seeded*:ProgramTest.Files*)
  set_tests_properties(lumo_program_seeded PROPERTIES TIMEOUT 300)
  lumo_test_environment_seeded(lumo_program_seeded)
endif()

# The GUI test: a test-only driver works the real dialogs of LumoHostID.exe through Win32 in the seeded prefix (so
# that the main dialog shows a host ID), under Xvfb, and the test saves screenshots of both dialogs.
# The pictures land in the build; configure with -DLUMO_SCREENSHOT_DIR=<clone>/docs/screenshots to refresh the
# ones README.md shows.
set(LUMO_SCREENSHOT_DIR ${CMAKE_BINARY_DIR}/screenshots CACHE PATH "Where the GUI test saves its screenshots")
add_executable(lumo_gui_driver WIN32 gui_driver.cpp)
target_link_libraries(lumo_gui_driver PRIVATE lumo_common advapi32 user32)
target_include_directories(lumo_gui_driver PRIVATE ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(lumo_gui_driver PRIVATE -municode)
target_link_options(lumo_gui_driver PRIVATE -municode -mwindows)
add_dependencies(lumo_gui_driver LumoHostID lumo_menu_probe)
# The hook the driver loads into the program to read its menu (Wine lets no other process read a menu's items).
add_library(lumo_menu_probe SHARED menu_probe.cpp)
target_link_libraries(lumo_menu_probe PRIVATE user32)
target_include_directories(lumo_menu_probe PRIVATE ${PROJECT_SOURCE_DIR}/tests)
set_target_properties(lumo_menu_probe PROPERTIES PREFIX "" OUTPUT_NAME lumo_menu_probe
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_target_properties(lumo_gui_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

if(COMMAND lumo_test_environment_seeded)
  add_test(NAME lumo_gui_dialogs
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/gui-test.sh $<TARGET_FILE:lumo_gui_driver> $<TARGET_FILE:LumoHostID>
            ${CMAKE_CURRENT_BINARY_DIR}/gui-work ${LUMO_SCREENSHOT_DIR} ${PROJECT_VERSION})
  set_tests_properties(lumo_gui_dialogs PROPERTIES TIMEOUT 400 RESOURCE_LOCK lumo_display)
  lumo_test_environment_seeded(lumo_gui_dialogs)
  # The same at 150 % and 200 % scaling (Wine's LogPixels 144 and 192), on a display as much larger. Each sets the
  # prefix's DPI for its run, so none of them may run beside another (the lock).
  foreach(dpi 144 192)
    add_test(NAME lumo_gui_dialogs_dpi${dpi}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/gui-test.sh $<TARGET_FILE:lumo_gui_driver> $<TARGET_FILE:LumoHostID>
              ${CMAKE_CURRENT_BINARY_DIR}/gui-work-${dpi} ${LUMO_SCREENSHOT_DIR} ${PROJECT_VERSION} ${dpi})
    set_tests_properties(lumo_gui_dialogs_dpi${dpi} PROPERTIES TIMEOUT 400 RESOURCE_LOCK lumo_display)
    lumo_test_environment_seeded(lumo_gui_dialogs_dpi${dpi})
  endforeach()
endif()

# The form of LumoHostID.exe: 64-bit, GUI subsystem, system DLLs only.
find_program(LUMO_OBJDUMP_PROGRAM ${LUMO_MINGW_PREFIX}-objdump REQUIRED)
add_test(NAME lumo_program_form
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check-program.sh ${LUMO_OBJDUMP_PROGRAM} $<TARGET_FILE:LumoHostID>)
