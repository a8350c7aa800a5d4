# The same tree built once more with AddressSanitizer and UndefinedBehaviorSanitizer into
# ${CMAKE_BINARY_DIR}/sanitize, with the unit, GUI and reliability tests only, run as one test of
# this build, failing on the first report of either. The end-to-end tests and the benchmarks run
# code that these already cover, so under the sanitizers they only took time. The
# sanitized build turns this file off, and the Windows side, the fuzzers and valgrind with it: none
# of them belongs under ASan.
if(WIN32)
  return()
endif()
option(KESTRELMOOR_SANITIZE "Build and run the test suite once more under ASan and UBSan" ON)
if(NOT KESTRELMOOR_SANITIZE OR NOT KESTRELMOOR_TESTS)
  return()
endif()

include(ExternalProject)

# -O1 keeps the build quick and the stacks readable; recovery is off so that every report fails.
set(KESTRELMOOR_SANITIZE_FLAGS
    "-O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all")
set(KESTRELMOOR_SANITIZE_BINARY_DIR ${CMAKE_BINARY_DIR}/sanitize)
set(sanitized_test_folders support bits report app help resources reliability)

ExternalProject_Add(kestrelmoor_sanitize
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${KESTRELMOOR_SANITIZE_BINARY_DIR}
  PREFIX ${CMAKE_BINARY_DIR}/sanitize-build-steps
  CMAKE_CACHE_ARGS
    -DCMAKE_BUILD_TYPE:STRING=Sanitize
    -DCMAKE_C_COMPILER:FILEPATH=${CMAKE_C_COMPILER}
    -DCMAKE_CXX_COMPILER:FILEPATH=${CMAKE_CXX_COMPILER}
    -DCMAKE_C_FLAGS:STRING=${KESTRELMOOR_SANITIZE_FLAGS}
    -DCMAKE_CXX_FLAGS:STRING=${KESTRELMOOR_SANITIZE_FLAGS}
    -DCMAKE_EXE_LINKER_FLAGS:STRING=-fsanitize=address,undefined
    -DKESTRELMOOR_TESTS:BOOL=ON
    # A list: ExternalProject joins the pieces of a -D value back together with semicolons.
    -DKESTRELMOOR_TEST_FOLDERS:STRING=${sanitized_test_folders}
    -DKESTRELMOOR_WINDOWS:BOOL=OFF
    -DKESTRELMOOR_SANITIZE:BOOL=OFF
    -DKESTRELMOOR_FUZZ:BOOL=OFF
    -DKESTRELMOOR_VALGRIND:BOOL=OFF
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
)

# The sanitizers' settings for every program the inner run starts, xvfb-run's included. Leaks of
# the system libraries the toolkit draws with are suppressed by name in lsan.supp, nothing of ours.
set(KESTRELMOOR_SANITIZE_ENVIRONMENT
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/reliability/lsan.supp:print_suppressions=0"
  # The same tests run in this build at the same time: their temporary files go elsewhere.
  "TMPDIR=${KESTRELMOOR_SANITIZE_BINARY_DIR}/tmp"
  "TEST_TMPDIR=${KESTRELMOOR_SANITIZE_BINARY_DIR}/tmp/"
)
file(MAKE_DIRECTORY ${KESTRELMOOR_SANITIZE_BINARY_DIR}/tmp)

# One test at a time inside, on one of the outer run's processors, and started early (COST orders a
# run that has no timings of an earlier one yet): asking for two would keep it waiting until the
# one-at-a-time Wine tests, which start first, leave a second one free.
add_test(NAME sanitize.address_undefined
         COMMAND ${CMAKE_CTEST_COMMAND} --output-on-failure --timeout 900
         WORKING_DIRECTORY ${KESTRELMOOR_SANITIZE_BINARY_DIR})
set_tests_properties(sanitize.address_undefined PROPERTIES
  ENVIRONMENT "${KESTRELMOOR_SANITIZE_ENVIRONMENT}"
  COST 1000
  TIMEOUT 3600
  LABELS sanitize)
