# Fails when the executable imports, at load time, a DLL that the system might take from the
# program's folder (cmake/windows_link_rules.cmake says why). Delay-loaded DLLs are not in that
# table and pass.
#   cmake -DDUMPER=<objdump or dumpbin> -DEXECUTABLE=<program.exe> -P check_imports.cmake
cmake_minimum_required(VERSION 3.16)

# The KnownDLLs of Windows 10 and 11 (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\
# KnownDLLs, its WOW64 entries aside): the system maps these from System32 whatever the search
# order. And comctl32, which the manifest redirects to the side-by-side common controls 6.
set(allowed_imports
  advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf
  msvcrt normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32
  wldap32 ws2_32
  comctl32)

get_filename_component(dumper_name "${DUMPER}" NAME_WE)
string(TOLOWER "${dumper_name}" dumper_name)
if(dumper_name STREQUAL "dumpbin")
  # dumpbin /imports: each DLL of the load-time imports on a line indented by four spaces, under
  # "Section contains the following imports:" and before the delay-load imports or the summary.
  execute_process(COMMAND ${DUMPER} /nologo /imports ${EXECUTABLE}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  set(section_start "^  Section contains the following imports:")
  set(section_end "^  (Section contains|Summary)")
  set(dll_line "^    ([^ ]+)$")
else()
  # objdump -p: "DLL Name: <dll>" lines in the part that "The Import Tables" opens, which ends at
  # the next line that starts at the margin.
  execute_process(COMMAND ${DUMPER} -p ${EXECUTABLE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  set(section_start "^The Import Tables")
  set(section_end "^[^ \t]")
  set(dll_line "^[ \t]+DLL Name: (.+)$")
endif()
if(failed)
  message(FATAL_ERROR "${DUMPER} could not read the import table of ${EXECUTABLE}.")
endif()

string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\r" "" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(in_section OFF)
set(imports "")
foreach(line IN LISTS lines)
  if(line MATCHES "${section_start}")
    set(in_section ON)
  elseif(in_section AND line MATCHES "${section_end}")
    set(in_section OFF)
  elseif(in_section AND line MATCHES "${dll_line}")
    list(APPEND imports "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(NOT imports)
  message(FATAL_ERROR "No import table found in ${EXECUTABLE} by ${DUMPER}.")
endif()

set(offending "")
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST allowed_imports)
    list(APPEND offending "${dll}")
  endif()
endforeach()
if(offending)
  list(JOIN offending ", " offending)
  message(FATAL_ERROR "${EXECUTABLE} imports ${offending} at load time, which the system may "
                      "take from the program's folder: only KnownDLLs and the side-by-side common "
                      "controls may be imported; delay-load any other.")
endif()
