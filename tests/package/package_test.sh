#!/usr/bin/env bash
# What ships: `cmake --install` and CPack's zip of a built tree.
#   package_test.sh linux <source folder> <build folder> <work folder>
#       installs the Linux build and zips it: the program with its help file beside it in bin/,
#       README, LICENSE and the FLTK notice in the documentation folder.
#   package_test.sh windows <source folder> <cross build folder> <work folder>
#       zips the Windows build: Kestrelmoor-<version>-win64.zip, whose one folder holds the
#       executable, its help file, README, LICENSE and the FLTK notice. Without an executable (no
#       FLTK for Windows was named) packaging must refuse with the reason and make no zip.
set -euo pipefail
mode=$1
source_dir=$2
build_dir=$3
work=$4
rm -rf "$work"
mkdir -p "$work"

version=$(sed -n 's/^#define KESTRELMOOR_VERSION_\(MAJOR\|MINOR\|PATCH\|BUILD\) \([0-9]*\)$/\2/p' \
  "$source_dir/res/product.h" | paste -sd.)
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# The names in a zip, one a line.
zip_names() { python3 -m zipfile -l "$1" | awk 'NR > 1 { print $1 }'; }

expect_zip() {
  local zip=$1
  shift
  [ -f "$zip" ] || { fail "no $zip; the folder holds: $(ls "$work")"; return; }
  local names
  names=$(zip_names "$zip")
  for name in "$@"; do
    grep -qx "$name" <<<"$names" || fail "$zip lacks $name; it holds: $(tr '\n' ' ' <<<"$names")"
  done
}

# The notice names FLTK and the version this build linked, not a placeholder.
expect_notice() {
  grep -q "based in part on the work of the FLTK project" "$1" ||
    fail "$1 does not identify the use of FLTK"
  grep -Eq "built with FLTK 1\.[34]\.[0-9]+ " "$1" || fail "$1 names no FLTK version: $(cat "$1")"
}

case "$mode" in
  linux)
    cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log"
    for file in bin/Kestrelmoor bin/KestrelmoorHelp.chm share/doc/Kestrelmoor/README.md \
                share/doc/Kestrelmoor/LICENSE share/doc/Kestrelmoor/THIRD-PARTY-NOTICES.txt; do
      [ -s "$work/prefix/$file" ] || fail "cmake --install left no $file"
    done
    [ -x "$work/prefix/bin/Kestrelmoor" ] || fail "the installed program is not executable"
    expect_notice "$work/prefix/share/doc/Kestrelmoor/THIRD-PARTY-NOTICES.txt"
    (cd "$build_dir" && cpack -B "$work/zip") >"$work/cpack.log"
    top="Kestrelmoor-$version-$(uname -s)-$(uname -m)"
    expect_zip "$work/zip/$top.zip" "$top/bin/Kestrelmoor" "$top/bin/KestrelmoorHelp.chm" \
      "$top/share/doc/Kestrelmoor/THIRD-PARTY-NOTICES.txt"
    ;;
  windows)
    top="Kestrelmoor-$version-win64"
    status=0
    (cd "$build_dir" && cpack -B "$work/zip") >"$work/cpack.log" 2>&1 || status=$?
    if [ -f "$build_dir/app/Kestrelmoor.exe" ]; then
      [ "$status" -eq 0 ] || { cat "$work/cpack.log"; fail "cpack failed with $status"; }
      expect_zip "$work/zip/$top.zip" "$top/Kestrelmoor.exe" "$top/KestrelmoorHelp.chm" \
        "$top/README.md" "$top/LICENSE" "$top/THIRD-PARTY-NOTICES.txt"
      if [ -f "$work/zip/$top.zip" ]; then
        python3 -m zipfile -e "$work/zip/$top.zip" "$work/unzipped"
        expect_notice "$work/unzipped/$top/THIRD-PARTY-NOTICES.txt"
      fi
    else
      [ "$status" -ne 0 ] || fail "cpack succeeded although there is no Kestrelmoor.exe"
      tr -s "\n " "  " <"$work/cpack.log" | grep -q "There is no Kestrelmoor executable to" ||
        { cat "$work/cpack.log"; fail "cpack did not say that there is no executable"; }
      if compgen -G "$work/zip/*.zip" >/dev/null; then fail "cpack made a zip: $(ls "$work/zip")"; fi
      echo "no Kestrelmoor.exe in this build: packaging refused, as it must"
    fi
    ;;
  *)
    echo "usage: package_test.sh linux|windows <source> <build> <work>" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ] && echo "ok: $mode package"
exit "$failures"
