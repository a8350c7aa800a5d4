# The Windows side, built from Linux: this same source tree cross-compiled with MinGW-w64 into
# ${CMAKE_BINARY_DIR}/windows, and its tests run under Wine against Wine's own BITS service, as
# tests of this (native) build, so that one ctest run covers both sides.
option(KESTRELMOOR_WINDOWS
       "Cross-compile the Windows side with MinGW-w64 and test it under Wine" ON)
if(NOT KESTRELMOOR_WINDOWS)
  return()
endif()

find_program(KESTRELMOOR_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT KESTRELMOOR_MINGW_CXX)
  message(STATUS "Windows side: not built, x86_64-w64-mingw32-g++-posix was not found "
                 "(install g++-mingw-w64-x86-64-posix, or configure with "
                 "-DKESTRELMOOR_WINDOWS=OFF).")
  return()
endif()

include(ExternalProject)

# FLTK's headers are the same on every platform, so the Windows build compiles against the ones
# installed here. They are offered through a folder of their own that holds only FL: putting
# /usr/include itself on the MinGW include path would mix Linux headers into the Windows build.
set(KESTRELMOOR_WINDOWS_FLTK_HEADERS ${CMAKE_BINARY_DIR}/windows-fltk-headers)
file(MAKE_DIRECTORY ${KESTRELMOOR_WINDOWS_FLTK_HEADERS})
file(CREATE_LINK ${KESTRELMOOR_FLTK_INCLUDE}/FL ${KESTRELMOOR_WINDOWS_FLTK_HEADERS}/FL SYMBOLIC)

set(windows_cache_args
  -DCMAKE_TOOLCHAIN_FILE:FILEPATH=${CMAKE_SOURCE_DIR}/cmake/mingw-w64.cmake
  -DCMAKE_BUILD_TYPE:STRING=${CMAKE_BUILD_TYPE}
  -DKESTRELMOOR_FLTK_HEADERS:PATH=${KESTRELMOOR_WINDOWS_FLTK_HEADERS}
  -DKESTRELMOOR_TESTS:BOOL=${KESTRELMOOR_TESTS}
)
# An FLTK built for Windows, when the user named one: then Kestrelmoor.exe is linked too.
if(FLTK_DIR)
  list(APPEND windows_cache_args -DFLTK_DIR:PATH=${FLTK_DIR})
endif()
if(CMAKE_PREFIX_PATH)
  # A list: ExternalProject joins the pieces of a -D value back together with semicolons.
  list(APPEND windows_cache_args -DCMAKE_PREFIX_PATH:STRING=${CMAKE_PREFIX_PATH})
endif()
if(NOT FLTK_DIR AND NOT CMAKE_PREFIX_PATH)
  message(STATUS "Windows side: Kestrelmoor.exe is linked only with an FLTK built for Windows "
                 "(configure with -DFLTK_DIR=... or -DCMAKE_PREFIX_PATH=...); without one its "
                 "sources are still compiled and the Windows tests still run.")
endif()

# The icon is drawn once, by the native build's tool.
set(windows_dependencies)
if(TARGET kestrelmoor_icon AND KESTRELMOOR_NATIVE_ICON_FILE)
  list(APPEND windows_cache_args -DKESTRELMOOR_ICON_FILE:FILEPATH=${KESTRELMOOR_NATIVE_ICON_FILE})
  list(APPEND windows_dependencies kestrelmoor_icon)
endif()

set(KESTRELMOOR_WINDOWS_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(kestrelmoor_windows
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${KESTRELMOOR_WINDOWS_BINARY_DIR}
  PREFIX ${CMAKE_BINARY_DIR}/windows-build-steps
  CMAKE_CACHE_ARGS ${windows_cache_args}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  DEPENDS ${windows_dependencies}
)

# ---- The Windows tests, run under Wine ---------------------------------------------------------
if(NOT KESTRELMOOR_TESTS)
  return()
endif()

# How the Windows build finds an FLTK built for Windows, against stand-in installs; needs no Wine.
add_test(NAME windows.fltk_lookup
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/fltk_lookup_test.sh ${CMAKE_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/fltk-lookup)
# The zip the Windows build makes, or its refusal when it could link no executable; needs no Wine.
add_test(NAME windows.package
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh windows ${CMAKE_SOURCE_DIR}
                 ${KESTRELMOOR_WINDOWS_BINARY_DIR} ${CMAKE_BINARY_DIR}/windows-package)
# The notice the Windows build ships names every runtime library that its executables' link maps
# show pulled in: Kestrelmoor.exe's when it is linked, and the test programs', linked by the same
# rules, always; needs no Wine.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME windows.notices
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/notices_test.py
                   ${KESTRELMOOR_WINDOWS_BINARY_DIR}/THIRD-PARTY-NOTICES.txt
                   ${KESTRELMOOR_WINDOWS_BINARY_DIR}/link-maps)
endif()

find_program(KESTRELMOOR_WINE NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(KESTRELMOOR_WINE NAMES wine64 wine)
find_program(KESTRELMOOR_WINESERVER NAMES wineserver PATHS /usr/lib/wine /usr/lib64/wine
             NO_DEFAULT_PATH)
find_program(KESTRELMOOR_WINESERVER NAMES wineserver)
if(NOT KESTRELMOOR_WINE OR NOT KESTRELMOOR_WINESERVER)
  message(STATUS "Windows side: built, but its tests are not run: Wine was not found "
                 "(install wine64).")
  return()
endif()

set(wine_logs ${CMAKE_BINARY_DIR}/wine-logs)
set(windows_tests_dir ${KESTRELMOOR_WINDOWS_BINARY_DIR}/tests/windows)
# Every Wine test shares one private prefix and one persistent wineserver, whose BITS service holds
# the fixture's jobs for as long as the server lives.
set(wine_environment
  WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
  WINEARCH=win64
  WINEDEBUG=-all
  # No prompts to install Mono or Gecko: nothing here needs them.
  WINEDLLOVERRIDES=mscoree,mshtml=
  # Wine reads the Unix arguments in the locale's encoding.
  LC_ALL=C.UTF-8
  KESTRELMOOR_WINE=${KESTRELMOOR_WINE}
  KESTRELMOOR_WINESERVER=${KESTRELMOOR_WINESERVER}
  KESTRELMOOR_WINE_LOGS=${wine_logs}
)
set(run_under_wine bash ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
set(fixture_jobs_file ${wine_logs}/fixture_jobs.txt)
set(fixture_exe ${windows_tests_dir}/bits_fixture.exe)
set(windows_tests_exe ${windows_tests_dir}/kestrelmoor_windows_tests.exe)

add_test(NAME wine.start
         COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-start.sh ${fixture_exe})
add_test(NAME wine.fixture_jobs
         COMMAND ${run_under_wine} ${fixture_exe} create ${fixture_jobs_file})
add_test(NAME wine.job_snapshot
         COMMAND ${run_under_wine} ${windows_tests_exe} --gtest_filter=JobSnapshotUnderWine.*
                 --jobs-file=${fixture_jobs_file})
add_test(NAME wine.job_control
         COMMAND ${run_under_wine} ${windows_tests_exe} --gtest_filter=JobControlUnderWine.*
                 --jobs-file=${fixture_jobs_file})
add_test(NAME wine.texts
         COMMAND ${run_under_wine} ${windows_tests_exe} --gtest_filter=WindowsTexts.*)
add_test(NAME wine.ui_seam
         COMMAND ${run_under_wine} ${windows_tests_exe} --gtest_filter=WindowsUiSeam*)
add_test(NAME wine.export_file
         COMMAND ${run_under_wine} ${windows_tests_exe} --gtest_filter=WindowsExportFile.*)
# The program's own entry hands main its arguments in UTF-8, whatever the ANSI code page.
add_test(NAME wine.entry_arguments
         COMMAND ${run_under_wine} ${windows_tests_dir}/entry_arguments_probe.exe
                 CEA96D6567612064C3AD61 "Ωmega día" F09F9880 "😀")
# DLLs planted beside a probe linked as Kestrelmoor.exe is, which Wine is told to prefer to its own
# as Windows would any DLL outside the KnownDLLs: none of them may run.
add_test(NAME wine.planted_dlls
         COMMAND ${run_under_wine} ${windows_tests_dir}/planted/planted_dll_probe.exe)
# The program's resources, read back by a probe that links the same resource object.
add_test(NAME wine.resources
         COMMAND ${run_under_wine} ${KESTRELMOOR_WINDOWS_BINARY_DIR}/res/resource_probe.exe)
# A cross build of its own, given Wine as its emulator and no icon, draws the icon with its own tool.
add_test(NAME wine.icon_through_emulator
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/windows/icon_through_emulator.sh ${CMAKE_SOURCE_DIR}
                 ${CMAKE_BINARY_DIR}/icon-through-emulator ${KESTRELMOOR_NATIVE_ICON_FILE}
                 ${KESTRELMOOR_WINDOWS_FLTK_HEADERS})
# The accessibility adapter read by a client in another process, through a stand-in window.
set(wine_msaa)
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME wine.msaa
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/windows/msaa_stand_in_test.py
                   ${windows_tests_dir}/msaa_stand_in.exe ${windows_tests_dir}/msaa_client.exe)
  set(wine_msaa wine.msaa)
endif()
add_test(NAME wine.stop COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-stop.sh)

# Every test that runs Wine in this prefix belongs in this list, which gives it the environment
# and the lock: make test runs tests side by side (ctest --parallel), and the lock keeps these to
# one at a time. The control tests change the queue that the snapshot test reads.
set(wine_tests wine.start wine.fixture_jobs wine.job_snapshot wine.job_control wine.texts
    wine.ui_seam wine.export_file wine.entry_arguments wine.planted_dlls wine.resources
    wine.icon_through_emulator ${wine_msaa} wine.stop)
set_tests_properties(${wine_tests} PROPERTIES
  ENVIRONMENT "${wine_environment}"
  RESOURCE_LOCK kestrelmoor_wine
  # Early in the run, so that the others fill the processors beside them.
  COST 500
  TIMEOUT 300
  LABELS wine)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP KestrelmoorWine)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP "KestrelmoorWine;KestrelmoorWineJobs")
set_tests_properties(wine.fixture_jobs PROPERTIES
  FIXTURES_REQUIRED KestrelmoorWine FIXTURES_SETUP KestrelmoorWineJobs)
set_tests_properties(wine.job_snapshot wine.job_control PROPERTIES
  FIXTURES_REQUIRED "KestrelmoorWine;KestrelmoorWineJobs")
set_tests_properties(wine.job_control PROPERTIES DEPENDS wine.job_snapshot)
set_tests_properties(wine.texts wine.ui_seam wine.export_file wine.entry_arguments wine.planted_dlls
                     wine.resources wine.icon_through_emulator ${wine_msaa} PROPERTIES
  FIXTURES_REQUIRED KestrelmoorWine)
set_tests_properties(wine.planted_dlls PROPERTIES
  ENVIRONMENT "${wine_environment};WINEDLLOVERRIDES=winspool.drv,dwmapi,msimg32=n,b")

# The benchmark of EnumerateJobs against the same service.
include(${CMAKE_SOURCE_DIR}/tests/bench/wine_bench.cmake OPTIONAL)
