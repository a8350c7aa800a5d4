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
  # Two DLLs that are no KnownDLLs come in through delay-import libraries, made here from the
  # functions their .def files list: winspool, which CMake links into every MinGW program by
  # default and FLTK's printer support calls, and oleacc, which serves screen readers. dlltool
  # names its symbols after the library's file, so each is made where it lies and named without a
  # folder.
  foreach(language C CXX)
    string(REGEX REPLACE "(^| )-lwinspool( |$)" " " CMAKE_${language}_STANDARD_LIBRARIES
           "${CMAKE_${language}_STANDARD_LIBRARIES}")
  endforeach()
  foreach(delayed winspool.drv oleacc.dll)
    get_filename_component(name ${delayed} NAME_WE)
    string(TOUPPER ${name} upper_name)
    set(KESTRELMOOR_${upper_name}_DELAYED ${CMAKE_BINARY_DIR}/lib${name}_delayed.a)
    set(def ${CMAKE_CURRENT_LIST_DIR}/${name}.def)
    execute_process(
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${delayed}
              --output-delaylib lib${name}_delayed.a
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      RESULT_VARIABLE dlltool_failed ERROR_VARIABLE dlltool_error)
    if(dlltool_failed)
      message(FATAL_ERROR "dlltool (${CMAKE_DLLTOOL}) could not make the delay-import library of "
                          "${delayed}: ${dlltool_error}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  endforeach()
  set(KESTRELMOOR_IMPORT_DUMPER ${CMAKE_OBJDUMP})
elseif(MSVC)
  # The import library; the program that links it names the DLL to /DELAYLOAD below.
  set(KESTRELMOOR_OLEACC_DELAYED oleacc)
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
    target_link_options(${target} PRIVATE /DELAYLOAD:winspool.drv /DELAYLOAD:oleacc.dll
                        /DEPENDENTLOADFLAG:0x800
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
