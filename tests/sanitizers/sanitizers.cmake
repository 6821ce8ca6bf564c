# The tests of the sanitizer build (QUIRELLE_SANITIZE=ON): the sanitizers' settings travel with
# each test, so that ctest run by hand in that build folder checks what `make test` checks.
#
# A sanitizer report fails the test program it happens in, but the program tests also run the
# built program as a child whose exit status may be expected to be 1, which is also the status
# a report gives it. So every report is written to a file named after its test, in one folder
# that is emptied before the tests and must still be empty after them.
set(QUIRELLE_SANITIZER_REPORTS ${CMAKE_CURRENT_BINARY_DIR}/sanitizer-reports)
set(reports_script ${CMAKE_CURRENT_LIST_DIR}/reports.cmake)

# The tests are only known once the test programs list them, so their settings are given by a
# file that ctest reads after the lists (each program's <target>_TESTS).
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/sanitizer-settings.cmake @ONLY CONTENT [=[
foreach(test IN LISTS quirelle-tests_TESTS quirelle-engine-tests_TESTS quirelle-program-tests_TESTS
    quirelle-search-tests_TESTS
    quirelle-hostile-tests_TESTS)
  string(REGEX REPLACE "[^A-Za-z0-9_.-]" "_" report "${test}")
  set(report "@QUIRELLE_SANITIZER_REPORTS@/${report}")
  set(environment
    "ASAN_OPTIONS=@QUIRELLE_ASAN_OPTIONS@:log_path=${report}"
    "UBSAN_OPTIONS=@QUIRELLE_UBSAN_OPTIONS@:log_path=${report}"
    "LSAN_OPTIONS=@QUIRELLE_LSAN_OPTIONS@")
  set_tests_properties("${test}" PROPERTIES
    FIXTURES_REQUIRED sanitizer_reports ENVIRONMENT "${environment}")
endforeach()
]=])
set_property(DIRECTORY APPEND PROPERTY
  TEST_INCLUDE_FILES ${CMAKE_CURRENT_BINARY_DIR}/sanitizer-settings.cmake)

# The fuzz replays are added by add_test, after the lists above are read: they get the same
# settings here.
foreach(test IN LISTS fuzz_replay_tests)
  set(report "${QUIRELLE_SANITIZER_REPORTS}/${test}")
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED sanitizer_reports ENVIRONMENT
    "ASAN_OPTIONS=${QUIRELLE_ASAN_OPTIONS}:log_path=${report};UBSAN_OPTIONS=${QUIRELLE_UBSAN_OPTIONS}:log_path=${report};LSAN_OPTIONS=${QUIRELLE_LSAN_OPTIONS}")
endforeach()

add_test(NAME sanitizer_reports_cleared
  COMMAND ${CMAKE_COMMAND} -DREPORTS=${QUIRELLE_SANITIZER_REPORTS} -DACTION=clear
          -P ${reports_script})
add_test(NAME sanitizers_reported_nothing
  COMMAND ${CMAKE_COMMAND} -DREPORTS=${QUIRELLE_SANITIZER_REPORTS} -DACTION=check
          -P ${reports_script})
set_tests_properties(sanitizer_reports_cleared PROPERTIES
  FIXTURES_SETUP sanitizer_reports LABELS "unit;program")
set_tests_properties(sanitizers_reported_nothing PROPERTIES
  FIXTURES_CLEANUP sanitizer_reports LABELS "unit;program")
