# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the -posix compilers, whose C++
# runtime has std::thread and friends). Used by cmake/windows_cross.cmake, or by hand:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRELMOOR_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${KESTRELMOOR_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KESTRELMOOR_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KESTRELMOOR_MINGW_TRIPLET}-windres REQUIRED)

# Libraries and headers come only from the MinGW sysroot (and from the prefixes the user named for a
# Windows FLTK), never from the build machine's /usr: its FLTK package would otherwise be found.
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRELMOOR_MINGW_TRIPLET} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so that the executables run under Wine or on a bare Windows without the
# MinGW runtime DLLs beside them; libraries are looked for as static archives only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
