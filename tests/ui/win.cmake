# The Windows tests of the user interface and of LumoHostID.exe, all under Wine.
#
#   lumo_ui_win_tests      registry key object and "XY" value against the prefix's real registry, the version
#                          reader against the program's own version resource, the program's resources, and the
#                          output file of start-up (no window needed)

lumo_add_gtest(lumo_ui_win_tests
  SOURCES
    output_file_system_win_test.cpp
    registry_win_test.cpp
    resources_win_test.cpp
  LIBS lumo_ui_win lumo_app_win
)
target_compile_definitions(lumo_ui_win_tests PRIVATE
  LUMO_HOSTID_EXE="$<TARGET_FILE:LumoHostID>"
  LUMO_PROJECT_VERSION="${PROJECT_VERSION}"
  LUMO_PROJECT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  LUMO_PROJECT_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  LUMO_PROJECT_VERSION_PATCH=${PROJECT_VERSION_PATCH})
add_dependencies(lumo_ui_win_tests LumoHostID)
