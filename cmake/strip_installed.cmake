# Run by `cmake --install` (and so by CPack) after the program is installed: strips the installed
# copy. A build whose type has debug information first keeps it in <program>.debug beside the built
# program, and the stripped copy names that file, so that a debugger finds it when it is put beside
# the program. Set by the caller: KESTRELMOOR_INSTALLED, KESTRELMOOR_BUILT,
# KESTRELMOOR_KEEP_DEBUG_INFO, KESTRELMOOR_STRIP and KESTRELMOOR_OBJCOPY.
function(kestrelmoor_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "Stripping the installed program failed: ${command}")
  endif()
endfunction()

set(keep_debug_info ${KESTRELMOOR_KEEP_DEBUG_INFO})
if(NOT KESTRELMOOR_OBJCOPY OR NOT EXISTS "${KESTRELMOOR_OBJCOPY}")
  set(keep_debug_info OFF)
endif()
set(debug_file "${KESTRELMOOR_BUILT}.debug")
if(keep_debug_info)
  kestrelmoor_run("${KESTRELMOOR_OBJCOPY}" --only-keep-debug "${KESTRELMOOR_BUILT}" "${debug_file}")
endif()
kestrelmoor_run("${KESTRELMOOR_STRIP}" --strip-all "${KESTRELMOOR_INSTALLED}")
if(keep_debug_info)
  kestrelmoor_run("${KESTRELMOOR_OBJCOPY}" "--add-gnu-debuglink=${debug_file}"
                  "${KESTRELMOOR_INSTALLED}")
endif()
