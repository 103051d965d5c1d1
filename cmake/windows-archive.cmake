# Run by CPack once it has written the Windows archive (CPACK_POST_BUILD_SCRIPTS): rewrites it bit for bit the same
# in every build of one commit, with SHA256SUMS inside. The date of its members is SOURCE_DATE_EPOCH when set (as
# scripts/release.sh sets it), else the time of the last commit, else the earliest date a zip archive can hold.
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C "${CPACK_LUMO_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE epoch RESULT_VARIABLE result OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT result EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    set(epoch 315532800)
  endif()
endif()

foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_LUMO_PYTHON}" "${CPACK_LUMO_SOURCE_DIR}/cmake/reproducible-zip.py" "${archive}"
                          "${epoch}"
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not rewrite ${archive} reproducibly")
  endif()
endforeach()
