#!/usr/bin/env bash
# The Windows build's FLTK lookup against stand-in FLTK installs made here, shaped as FLTK 1.3 and
# FLTK 1.4 install themselves with their CMake builds: each named by FLTK_DIR or CMAKE_PREFIX_PATH
# is used with its version and its library target; an FLTK of another version, or an FLTK_DIR
# without a config, stops the configuration with the reason, and so does naming none at all, unless
# the build is the Linux build's Windows side, which goes on with FLTK's headers alone and without
# the executable. The lookup runs in a MinGW cross build, as the Linux build makes it.
# Usage: fltk_lookup_test.sh <source folder> <work folder>
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
failures=0

# An FLTK 1.3 install: <prefix>/CMake/FLTKConfig.cmake, with an imported library named fltk that
# only needs to exist for configuring. Releases before 1.3.9 install no version file.
make_install_13() {
  local prefix=$1 version=$2
  mkdir -p "$prefix/CMake" "$prefix/include/FL" "$prefix/lib"
  : >"$prefix/lib/libfltk.a"
  cat >"$prefix/CMake/FLTK-Targets.cmake" <<TARGETS
add_library(fltk STATIC IMPORTED)
set_target_properties(fltk PROPERTIES IMPORTED_LOCATION "$prefix/lib/libfltk.a")
TARGETS
  cat >"$prefix/CMake/FLTKConfig.cmake" <<CONFIG
set(FLTK_VERSION $version)
include(\${CMAKE_CURRENT_LIST_DIR}/FLTK-Targets.cmake)
set(FLTK_INCLUDE_DIRS "$prefix/include")
CONFIG
}

# An FLTK 1.4 install: a version file, the libraries exported as fltk::fltk and friends only, and
# the 1.3 names made as aliases by the config only when it is not cross-compiling (`auto`), always
# (`always`, as a config that a package manager patched may do), or never.
make_install_14() {
  local prefix=$1 version=$2 aliases=$3
  mkdir -p "$prefix/CMake" "$prefix/include/FL" "$prefix/lib"
  {
    for library in fltk fltk_images fltk_forms fltk_gl; do
      : >"$prefix/lib/lib$library.a"
      local target=${library#fltk_}
      [ "$library" = fltk ] && target=fltk
      echo "add_library(fltk::$target STATIC IMPORTED)"
      echo "set_target_properties(fltk::$target PROPERTIES IMPORTED_LOCATION \"$prefix/lib/lib$library.a\""
      echo "  INTERFACE_INCLUDE_DIRECTORIES \"$prefix/include\")"
    done
  } >"$prefix/CMake/FLTK-Targets.cmake"
  local make_aliases="add_library(fltk ALIAS fltk::fltk)
  add_library(fltk_images ALIAS fltk::images)"
  local alias_block
  case "$aliases" in
    auto) alias_block="if(NOT CMAKE_CROSSCOMPILING)
  $make_aliases
endif()" ;;
    always) alias_block=$make_aliases ;;
    *) alias_block="" ;;
  esac
  cat >"$prefix/CMake/FLTKConfig.cmake" <<CONFIG
set(FLTK_VERSION $version)
include(\${CMAKE_CURRENT_LIST_DIR}/FLTK-Targets.cmake)
set(FLTK_INCLUDE_DIRS "$prefix/include")
$alias_block
CONFIG
  cat >"$prefix/CMake/FLTKConfigVersion.cmake" <<VERSION
set(PACKAGE_VERSION "$version")
if(PACKAGE_FIND_VERSION AND PACKAGE_VERSION VERSION_LESS PACKAGE_FIND_VERSION)
  set(PACKAGE_VERSION_COMPATIBLE FALSE)
else()
  set(PACKAGE_VERSION_COMPATIBLE TRUE)
  if(PACKAGE_FIND_VERSION STREQUAL PACKAGE_VERSION)
    set(PACKAGE_VERSION_EXACT TRUE)
  endif()
endif()
VERSION
}

# configure <name> <expected: "ON <version> <target>", OFF, or a phrase of the error> [cmake args]
configure() {
  local name=$1 expected=$2
  shift 2
  local log="$work/$name.log"
  local status=0
  cmake -S "$source_dir/tests/windows/fltk_lookup" -B "$work/$name" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DKESTRELMOOR_SOURCE_DIR="$source_dir" "$@" >"$log" 2>&1 || status=$?
  local outcome
  if [ "$status" -eq 0 ]; then
    outcome=$(sed -n 's/^-- FLTK for Kestrelmoor.exe: //p' "$log")
  else
    outcome="failed"
  fi
  case "$expected" in
    ON* | OFF) [ "$outcome" = "$expected" ] ;;
    *) [ "$outcome" = "failed" ] && tr -s "\n " "  " <"$log" | grep -q "$expected" ;;
  esac || {
    echo "FAILED: $name: expected $expected, got $outcome"
    cat "$log"
    failures=$((failures + 1))
    return 0
  }
  echo "ok: $name: $expected"
}

make_install_13 "$work/fltk-1.3.9" 1.3.9
make_install_14 "$work/fltk-1.4.4" 1.4.4 auto
make_install_14 "$work/fltk-1.4.2" 1.4.2 always
make_install_14 "$work/fltk-1.5.0" 1.5.0 auto
mkdir -p "$work/empty"

configure 1.3-named-by-dir "ON 1.3.9 fltk" -DFLTK_DIR="$work/fltk-1.3.9/CMake"
configure 1.3-named-by-prefix "ON 1.3.9 fltk" -DCMAKE_PREFIX_PATH="$work/fltk-1.3.9"
configure 1.4-cross-without-aliases "ON 1.4.4 fltk::fltk" -DFLTK_DIR="$work/fltk-1.4.4/CMake"
configure 1.4-with-aliases-by-prefix "ON 1.4.2 fltk::fltk" -DCMAKE_PREFIX_PATH="$work/fltk-1.4.2"
configure other-version "is version '1.5.0'; Kestrelmoor needs FLTK 1.3 or 1.4" \
  -DFLTK_DIR="$work/fltk-1.5.0/CMake"
configure dir-without-config "holds no usable FLTKConfig.cmake" -DFLTK_DIR="$work/empty"
configure none-named "sources need its headers: configure with the FLTK that FLTK's CMake build"
configure headers-only OFF -DKESTRELMOOR_FLTK_HEADERS="$work/empty"

exit "$failures"
