# The libFuzzer targets (tests/fuzz), built with clang-14 under ASan and UBSan in a sub-build of
# this same tree in ${CMAKE_BINARY_DIR}/fuzz, which builds only them. tests/fuzz registers a short
# run of each as a test of this build; `make fuzz` runs them longer.
if(WIN32)
  return()
endif()

# In the sub-build itself: only the fuzz targets, over the libraries above.
option(KESTRELMOOR_FUZZ_TARGETS "This build is the fuzz sub-build: build the fuzz targets" OFF)
mark_as_advanced(KESTRELMOOR_FUZZ_TARGETS)
if(KESTRELMOOR_FUZZ_TARGETS)
  add_subdirectory(tests/fuzz)
  return()
endif()

option(KESTRELMOOR_FUZZ "Build the fuzz targets with clang-14 and run each briefly in the tests" ON)
set(KESTRELMOOR_FUZZ_DIR "")
if(NOT KESTRELMOOR_FUZZ OR NOT KESTRELMOOR_TESTS)
  return()
endif()

find_program(KESTRELMOOR_FUZZ_CXX clang++-14)
find_program(KESTRELMOOR_FUZZ_CC clang-14)
if(NOT KESTRELMOOR_FUZZ_CXX OR NOT KESTRELMOOR_FUZZ_CC)
  message(STATUS "Fuzz targets: not built, clang-14 was not found (install clang-14 and "
                 "libclang-rt-14-dev).")
  return()
endif()
execute_process(COMMAND ${KESTRELMOOR_FUZZ_CXX} -print-resource-dir
                OUTPUT_VARIABLE fuzz_resource_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
file(GLOB fuzz_runtime ${fuzz_resource_dir}/lib/linux/libclang_rt.fuzzer-*.a)
if(NOT fuzz_runtime)
  message(STATUS "Fuzz targets: not built, clang-14 has no libFuzzer runtime (install "
                 "libclang-rt-14-dev).")
  return()
endif()

include(ExternalProject)

# Every object carries the fuzzer's coverage hooks and both sanitizers; only the fuzz targets link
# libFuzzer's main (tests/fuzz).
set(fuzz_flags
    "-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
set(fuzz_binary_dir ${CMAKE_BINARY_DIR}/fuzz)

# Only the fuzz targets and what they link. With make, $(MAKE) shares this build's job slots.
if(CMAKE_GENERATOR MATCHES "Make")
  set(fuzz_build_command $(MAKE) kestrelmoor_fuzzers)
else()
  set(fuzz_build_command ${CMAKE_COMMAND} --build <BINARY_DIR> --target kestrelmoor_fuzzers)
endif()

ExternalProject_Add(kestrelmoor_fuzz
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${fuzz_binary_dir}
  PREFIX ${CMAKE_BINARY_DIR}/fuzz-build-steps
  CMAKE_CACHE_ARGS
    -DCMAKE_BUILD_TYPE:STRING=RelWithDebInfo
    -DCMAKE_C_COMPILER:FILEPATH=${KESTRELMOOR_FUZZ_CC}
    -DCMAKE_CXX_COMPILER:FILEPATH=${KESTRELMOOR_FUZZ_CXX}
    -DCMAKE_C_FLAGS:STRING=${fuzz_flags}
    -DCMAKE_CXX_FLAGS:STRING=${fuzz_flags}
    -DKESTRELMOOR_TESTS:BOOL=OFF
    -DKESTRELMOOR_WINDOWS:BOOL=OFF
    -DKESTRELMOOR_SANITIZE:BOOL=OFF
    -DKESTRELMOOR_FUZZ_TARGETS:BOOL=ON
  BUILD_COMMAND ${fuzz_build_command}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
)

# Where tests/fuzz finds the fuzz targets to run.
set(KESTRELMOOR_FUZZ_DIR ${fuzz_binary_dir}/tests/fuzz)
