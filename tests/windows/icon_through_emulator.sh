#!/usr/bin/env bash
# A cross build configured on its own, with Wine as its CMAKE_CROSSCOMPILING_EMULATOR and no icon
# handed in, draws the icon with its own Windows tool run through Wine, and gets the very bytes the
# native build's tool wrote.
# Usage: icon_through_emulator.sh <source folder> <build folder> <native Kestrelmoor.ico>
#                                  <a folder holding only FLTK's FL headers>
set -euo pipefail
source_dir=$1
build_dir=$2
native_icon=$3
fltk_headers=$4
log="$build_dir.log"

rm -rf "$build_dir"
if ! { cmake -S "$source_dir" -B "$build_dir" \
         -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
         -DCMAKE_CROSSCOMPILING_EMULATOR="bash;$source_dir/scripts/wine-run.sh" \
         -DKESTRELMOOR_FLTK_HEADERS="$fltk_headers" -DKESTRELMOOR_TESTS=OFF &&
       cmake --build "$build_dir" --target kestrelmoor_icon; } >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
if [ ! -f "$build_dir/res/make_icon.exe" ] || [ -e "$build_dir/res/make_icon_host" ]; then
  echo "the icon was not drawn by the cross build's own tool" >&2
  exit 1
fi
cmp "$build_dir/res/Kestrelmoor.ico" "$native_icon"
echo "the icon drawn through Wine is the native tool's, byte for byte"
