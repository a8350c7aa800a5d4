# EnumerateJobs under Wine against its BITS service: run once per test run so that it keeps
# working, and measured by `make bench`. Included by cmake/windows_cross.cmake once the Windows
# side, its tests and Wine are all there; it shares their Wine settings, scripts and fixture
# program, and runs in a wineserver of its own after theirs has stopped.
set(wine_bench_exe
    ${KESTRELMOOR_WINDOWS_BINARY_DIR}/tests/bench/windows/kestrelmoor_wine_bench.exe)
if(TARGET kestrelmoor_bench_programs)
  add_dependencies(kestrelmoor_bench_programs kestrelmoor_windows)
endif()
set(wine_bench_results ${CMAKE_BINARY_DIR}/bench-results)
# The test run only makes sure that every case still runs, so its queue is smaller than the
# 300 jobs × 3 files that `make bench` measures (tests/bench/run_bench.sh). A third of the jobs
# still leaves the Cancel case, whose two-second turn cancels jobs of the back half of the queue
# and refills the list after each, jobs to spare on a machine several times faster than this one.
set(wine_bench_shape 100 3)  # jobs, files per job
string(JOIN / wine_bench_shape_name ${wine_bench_shape})
file(MAKE_DIRECTORY ${wine_bench_results})

# `make bench` runs outside ctest and reads the same settings from here.
set(wine_bench_settings "# Written by CMake for tests/bench/run_bench.sh.\n")
foreach(setting IN LISTS wine_environment)
  string(FIND "${setting}" "=" split)
  string(SUBSTRING "${setting}" 0 ${split} name)
  math(EXPR split "${split} + 1")
  string(SUBSTRING "${setting}" ${split} -1 value)
  string(APPEND wine_bench_settings "export ${name}='${value}'\n")
endforeach()
string(APPEND wine_bench_settings
  "wine_bench_exe='${wine_bench_exe}'\n"
  "wine_bench_fixture_exe='${fixture_exe}'\n")
file(WRITE ${wine_bench_results}/wine-bench.env "${wine_bench_settings}")

add_test(NAME bench.wine.start
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-start.sh ${fixture_exe})
add_test(NAME bench.wine.jobs COMMAND ${run_under_wine} ${wine_bench_exe} create ${wine_bench_shape})
add_test(NAME bench.wine.once
         COMMAND ${run_under_wine} ${wine_bench_exe} run ${wine_bench_shape} 1
                 ${wine_bench_results}/wine-once.json)
add_test(NAME bench.wine.stop COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-stop.sh)

set(wine_bench_tests bench.wine.start bench.wine.jobs bench.wine.once bench.wine.stop)
set_tests_properties(${wine_bench_tests} PROPERTIES
  ENVIRONMENT "${wine_environment}"
  RESOURCE_LOCK kestrelmoor_wine
  COST 400
  TIMEOUT 600
  LABELS wine)
set_tests_properties(bench.wine.start PROPERTIES FIXTURES_SETUP KestrelmoorBenchWine)
set_tests_properties(bench.wine.stop PROPERTIES
  FIXTURES_CLEANUP "KestrelmoorBenchWine;KestrelmoorBenchWineJobs")
set_tests_properties(bench.wine.jobs PROPERTIES
  FIXTURES_REQUIRED KestrelmoorBenchWine FIXTURES_SETUP KestrelmoorBenchWineJobs)
set_tests_properties(bench.wine.once PROPERTIES
  FIXTURES_REQUIRED "KestrelmoorBenchWine;KestrelmoorBenchWineJobs"
  FIXTURES_SETUP KestrelmoorBenchWineOnce)
# Starting the server again stops any that runs: the other Wine tests must be done by then.
if(TEST wine.stop)
  set_tests_properties(bench.wine.start PROPERTIES DEPENDS wine.stop)
endif()

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME bench.wine.once_covers_budget
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_budgets.py --cases-only
                   --wine ${wine_bench_results}/wine-once.json
                   --wine-shape ${wine_bench_shape_name})
  set_tests_properties(bench.wine.once_covers_budget PROPERTIES
    FIXTURES_REQUIRED KestrelmoorBenchWineOnce)
endif()
