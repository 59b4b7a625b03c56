# Read by CTest as it starts (each test binary's TEST_INCLUDE_FILES): adds
# one test per GoogleTest suite of TAVEX_TEST_BINARY, named
# TAVEX_TEST_PREFIX.Suite and running --gtest_filter=Suite.*, in the
# PostgreSQL fixture of the run. The suites are listed by the binary itself
# (--gtest_list_tests, which runs no test) and kept beside it until it is
# rebuilt, so nothing is listed at build time. A binary that is not built,
# or cannot list its tests, is one test of its own, which fails.

if(NOT EXISTS "${TAVEX_TEST_BINARY}")
  add_test("${TAVEX_TEST_PREFIX}" "${TAVEX_TEST_BINARY}")
  return()
endif()

set(tavex_suites_file "${TAVEX_TEST_BINARY}.suites")
if(NOT EXISTS "${tavex_suites_file}" OR "${TAVEX_TEST_BINARY}" IS_NEWER_THAN "${tavex_suites_file}")
  set(ENV{QT_QPA_PLATFORM} offscreen)
  execute_process(COMMAND "${TAVEX_TEST_BINARY}" --gtest_list_tests
                  OUTPUT_VARIABLE tavex_listing ERROR_VARIABLE tavex_errors
                  RESULT_VARIABLE tavex_result)
  # A suite's line is its name and a dot at the start of a line (perhaps
  # followed by a comment); its tests' lines are indented.
  string(REGEX MATCHALL "\n[^ \n]+\\." tavex_suite_lines "\n${tavex_listing}")
  if(NOT tavex_result EQUAL 0 OR NOT tavex_suite_lines)
    message(WARNING "${TAVEX_TEST_BINARY} --gtest_list_tests failed: ${tavex_errors}")
    add_test("${TAVEX_TEST_PREFIX}" "${TAVEX_TEST_BINARY}")
    return()
  endif()
  string(REGEX REPLACE "\n([^;]*)\\." "\\1" tavex_suites "${tavex_suite_lines}")
  file(WRITE "${tavex_suites_file}" "${tavex_suites}")
else()
  file(READ "${tavex_suites_file}" tavex_suites)
endif()

foreach(tavex_suite IN LISTS tavex_suites)
  add_test("${TAVEX_TEST_PREFIX}.${tavex_suite}" "${TAVEX_TEST_BINARY}"
           "--gtest_filter=${tavex_suite}.*")
  set_tests_properties("${TAVEX_TEST_PREFIX}.${tavex_suite}" PROPERTIES TIMEOUT 1200
                       FIXTURES_REQUIRED tavex_pg ENVIRONMENT "${TAVEX_TEST_ENVIRONMENT}")
endforeach()
