#!/usr/bin/env bash
# What ships: `cmake --install` and CPack's zip of a built tree.
#   package_test.sh linux <source folder> <build folder> <work folder>
#       installs the Linux build and zips it: the program, stripped, with its help file beside it
#       in bin/, README.txt, LICENSE.txt and the notice in the documentation folder.
#   package_test.sh windows <source folder> <cross build folder> <work folder>
#       zips the Windows build: Kestrelmoor-<version>-win64.zip, whose one folder holds only the
#       executable, stripped, its help file, and README.txt, LICENSE.txt and the notice with CR LF
#       line ends. Without an executable (no FLTK for Windows was named) packaging must refuse with
#       the reason and make no zip.
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

# The texts for the person who runs the program: every line ended as the system ends them, and
# nothing that points into the source tree's folders, which are not shipped.
expect_texts() {
  local ending=$1 folder=$2
  for text in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    local bare_lf
    bare_lf=$(python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
print(d.count(b"\n") - d.count(b"\r\n"))' "$folder/$text")
    if [ "$ending" = crlf ] && [ "$bare_lf" -ne 0 ]; then fail "$text has $bare_lf LF line ends"; fi
    if [ "$ending" = lf ] && grep -q $'\r' "$folder/$text"; then fail "$text has CR LF line ends"; fi
  done
  if grep -nE "docs/|\]\(|make (run|test)" "$folder/README.txt"; then
    fail "README.txt points into the sources or speaks to builders"
  fi
}

# No debug sections in the shipped program.
expect_lean() {
  local sections
  sections=$("$1" -h "$2" | { grep -Eo '\.debug_[a-z_]+' || true; } | sort -u | tr '\n' ' ')
  [ -z "$sections" ] || fail "$2 carries debug sections: $sections"
}

case "$mode" in
  linux)
    cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log"
    for file in bin/Kestrelmoor bin/KestrelmoorHelp.chm share/doc/Kestrelmoor/README.txt \
                share/doc/Kestrelmoor/LICENSE.txt share/doc/Kestrelmoor/THIRD-PARTY-NOTICES.txt; do
      [ -s "$work/prefix/$file" ] || fail "cmake --install left no $file"
    done
    [ -x "$work/prefix/bin/Kestrelmoor" ] || fail "the installed program is not executable"
    expect_notice "$work/prefix/share/doc/Kestrelmoor/THIRD-PARTY-NOTICES.txt"
    expect_texts lf "$work/prefix/share/doc/Kestrelmoor"
    expect_lean objdump "$work/prefix/bin/Kestrelmoor"
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
        "$top/README.txt" "$top/LICENSE.txt" "$top/THIRD-PARTY-NOTICES.txt"
      if [ -f "$work/zip/$top.zip" ]; then
        names=$(zip_names "$work/zip/$top.zip" | grep -v '/$' | sort | tr '\n' ' ')
        expected="$top/Kestrelmoor.exe $top/KestrelmoorHelp.chm $top/LICENSE.txt $top/README.txt"
        expected+=" $top/THIRD-PARTY-NOTICES.txt "
        [ "$names" = "$expected" ] || fail "the zip holds $names"
        python3 -m zipfile -e "$work/zip/$top.zip" "$work/unzipped"
        expect_notice "$work/unzipped/$top/THIRD-PARTY-NOTICES.txt"
        expect_texts crlf "$work/unzipped/$top"
        expect_lean x86_64-w64-mingw32-objdump "$work/unzipped/$top/Kestrelmoor.exe"
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
