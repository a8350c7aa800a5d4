#!/usr/bin/env python3
"""Checks a MinGW build's third-party notice against the link maps of its executables.

    notices_test.py <THIRD-PARTY-NOTICES.txt> <folder of link maps>

Every static library that a link map shows pulled in must be one that the table below knows, and
the notice must hold the section that covers it. A library that the table does not know (libssp,
libatomic, zlib, libquadmath, ...) fails the test until the notice and the table name it.
"""
import os
import re
import sys

# Archive name -> the heading of the notice section that covers it; None where no notice is asked
# for: GCC's runtime (the GCC Runtime Library Exception) and this project's own libraries.
ARCHIVES = [
    (r"libfltk(_[a-z]+)?\.a", "FLTK"),
    (r"lib(win)?pthread\.a", "winpthreads"),
    (r"lib(mingw32|mingwex|msvcrt|ucrt|ucrtbase|moldname|uuid)\.a", "MinGW-w64 runtime"),
    (r"lib(stdc\+\+|supc\+\+|gcc|gcc_eh)\.a", None),
    (r"lib(kestrelmoor_[a-z_]+|gtest|gtest_main|gmock)\.a|objects\.a", None),
]
# The members of libmingwex that come from gdtoa, or print numbers through it.
GDTOA_MEMBERS = re.compile(
    r"-(dmisc|dtoa|g__fmt|g_dfmt|g_ffmt|g_xfmt|gdtoa|gethex|gmisc|hd_init|hexnan|misc|qnan|smisc|"
    r"strtodg|strtodnrp|strtof|strtopx|sum|ulp|mingw_pformat)\.o$")
# An import library's members, written by dlltool: only stubs that name a DLL's functions.
IMPORT_STUB = re.compile(r"^lib[A-Za-z0-9_]+?(h|t|s\d+)\.o$|^lib[A-Za-z0-9_]+_def(h|t|s\d+)\.o$")


def pulled_in(map_path):
    """(archive file name, member) for each archive member the link took."""
    members = []
    with open(map_path, encoding="utf-8", errors="replace") as source:
        in_list = False
        for line in source:
            if line.startswith("Archive member included"):
                in_list = True
                continue
            if in_list and re.match(r"^(Discarded input sections|Allocating common|Memory Conf)",
                                    line):
                break
            found = re.match(r"^(\S+\.a)\(([^)]+)\)", line) if in_list else None
            if found:
                members.append((os.path.basename(found.group(1)), found.group(2)))
    return members


def needed_sections(members):
    """Heading -> one archive that needs it; and the archives nobody knows."""
    needed, unknown = {}, set()
    for archive, member in members:
        for pattern, heading in ARCHIVES:
            if re.fullmatch(pattern, archive):
                if heading:
                    needed.setdefault(heading, archive)
                if archive == "libmingwex.a" and GDTOA_MEMBERS.search(member):
                    needed.setdefault("gdtoa", f"{archive}({member})")
                break
        else:
            # Windows' own DLLs, reached through import libraries, ask for no notice.
            if not IMPORT_STUB.match(member):
                unknown.add(f"{archive}({member})")
    return needed, unknown


def main(notice_path, maps_folder):
    with open(notice_path, encoding="utf-8") as source:
        headings = {line.strip() for line in source}
    maps = sorted(os.path.join(maps_folder, name) for name in os.listdir(maps_folder)
                  if name.endswith(".map"))
    if not maps:
        print(f"FAILED: no link maps in {maps_folder}")
        return 1
    failures = 0
    for path in maps:
        needed, unknown = needed_sections(pulled_in(path))
        name = os.path.basename(path)
        for member in sorted(unknown):
            print(f"FAILED: {name} pulls in {member}, which no notice covers: name its licence in "
                  f"THIRD-PARTY-NOTICES.txt and its library in {os.path.basename(__file__)}")
            failures += 1
        for heading, archive in sorted(needed.items()):
            if heading not in headings:
                print(f"FAILED: {name} pulls in {archive}, but {notice_path} has no section "
                      f"\"{heading}\"")
                failures += 1
        print(f"{name}: {', '.join(sorted(needed)) or 'nothing to name'}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
