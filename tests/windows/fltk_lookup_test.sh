#!/usr/bin/env bash
# The Windows build's FLTK lookup against stand-in FLTK installs made here: an FLTK 1.3 install
# (FLTKConfig.cmake without a version file, as FLTK 1.3 installs it) named by FLTK_DIR or by
# CMAKE_PREFIX_PATH is used; an FLTK of another version, or an FLTK_DIR without a config, stops the
# configuration with the reason; with no FLTK named the build goes on without the executable.
# Usage: fltk_lookup_test.sh <source folder> <work folder>
set -euo pipefail
source_dir=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
failures=0

# A stand-in install: <prefix>/CMake/FLTKConfig.cmake, the way FLTK 1.3's CMake build lays it out
# on Windows, with an imported fltk library that only needs to exist for configuring.
make_install() {
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

# configure <name> <expected: ON, OFF or a word of the error> [cmake arguments...]
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
    ON | OFF) [ "$outcome" = "$expected" ] ;;
    *) [ "$outcome" = "failed" ] && tr -s "\n " "  " <"$log" | grep -q "$expected" ;;
  esac || {
    echo "FAILED: $name: expected $expected, got $outcome"
    cat "$log"
    failures=$((failures + 1))
    return 0
  }
  echo "ok: $name: $expected"
}

make_install "$work/fltk-1.3.9" 1.3.9
make_install "$work/fltk-1.4.0" 1.4.0
mkdir -p "$work/empty"

configure named-by-dir ON -DFLTK_DIR="$work/fltk-1.3.9/CMake"
configure named-by-prefix ON -DCMAKE_PREFIX_PATH="$work/fltk-1.3.9"
configure other-version "needs FLTK 1.3" -DFLTK_DIR="$work/fltk-1.4.0/CMake"
configure dir-without-config "holds no usable FLTKConfig.cmake" -DFLTK_DIR="$work/empty"
configure none-named OFF

exit "$failures"
