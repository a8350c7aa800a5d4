# How the Windows programs that run elevated are linked (Kestrelmoor.exe, and the test program that
# stands in for it): DLLs come only from the system folder, and the executable carries the system's
# exploit mitigations.
#
# The entry limits every later load by name to System32 (app/windows_entry.c), but the DLLs that
# the executable imports are loaded before the entry runs. So each of them must be a KnownDLL,
# which the system always takes from System32, or come through side-by-side (the common controls
# 6, which the manifest names); any other is delay-loaded, which puts its load after the entry, at
# its first call. After every link, cmake/check_imports.cmake reads the import table and fails the
# build on any other DLL.

if(MINGW)
  # CMake links winspool into every MinGW program by default, and FLTK's printer support calls it.
  # It is no KnownDLL, so it comes in through a delay-import library instead, made here from the
  # functions that winspool.def lists. dlltool names its symbols after the library's file, so it
  # is made where it lies and named without a folder.
  foreach(language C CXX)
    string(REGEX REPLACE "(^| )-lwinspool( |$)" " " CMAKE_${language}_STANDARD_LIBRARIES
           "${CMAKE_${language}_STANDARD_LIBRARIES}")
  endforeach()
  set(KESTRELMOOR_WINSPOOL_DELAYED ${CMAKE_BINARY_DIR}/libwinspool_delayed.a)
  set(winspool_def ${CMAKE_CURRENT_LIST_DIR}/winspool.def)
  execute_process(
    COMMAND ${CMAKE_DLLTOOL} --input-def ${winspool_def} --dllname winspool.drv
            --output-delaylib libwinspool_delayed.a
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    RESULT_VARIABLE dlltool_failed ERROR_VARIABLE dlltool_error)
  if(dlltool_failed)
    message(FATAL_ERROR "dlltool (${CMAKE_DLLTOOL}) could not make the delay-import library of "
                        "winspool.drv: ${dlltool_error}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${winspool_def})
  set(KESTRELMOOR_IMPORT_DUMPER ${CMAKE_OBJDUMP})
elseif(MSVC)
  # dumpbin sits beside the linker.
  get_filename_component(linker_dir "${CMAKE_LINKER}" DIRECTORY)
  find_program(KESTRELMOOR_IMPORT_DUMPER dumpbin HINTS "${linker_dir}")
endif()

# Links `target` by these rules and checks its import table after every link.
function(kestrelmoor_windows_link_rules target)
  if(MINGW)
    target_link_libraries(${target} PRIVATE ${KESTRELMOOR_WINSPOOL_DELAYED})
    # ASLR with 64-bit addresses and no execution from data pages (binutils' defaults, kept
    # explicit), and none of the terminal server's compatibility shims.
    target_link_options(${target} PRIVATE LINKER:--dynamicbase LINKER:--high-entropy-va
                        LINKER:--nxcompat LINKER:--tsaware)
  elseif(MSVC)
    # The import library and the helper that loads the DLL at the first call. DEPENDENTLOADFLAG
    # 0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32) has the system resolve the imports of the imported DLLs
    # from System32 only. Then control-flow guard and shadow-stack compatibility.
    target_link_libraries(${target} PRIVATE winspool delayimp)
    target_compile_options(${target} PRIVATE /guard:cf)
    target_link_options(${target} PRIVATE /DELAYLOAD:winspool.drv /DEPENDENTLOADFLAG:0x800
                        /guard:cf /CETCOMPAT)
  endif()
  if(KESTRELMOOR_IMPORT_DUMPER)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DDUMPER=${KESTRELMOOR_IMPORT_DUMPER}
              -DEXECUTABLE=$<TARGET_FILE:${target}>
              -P ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake
      VERBATIM)
  endif()
endfunction()
