# Finds FLTK and offers it as the target kestrelmoor_fltk. Sets KESTRELMOOR_HAVE_FLTK, and
# KESTRELMOOR_FLTK_VERSION to the version the build uses (named in the third-party notice).
#
# On Linux the distribution's FLTK 1.3 is used. On Windows an FLTK 1.3 or 1.4 built for Windows is
# looked for through FLTK_DIR or CMAKE_PREFIX_PATH (or a package manager's toolchain); without one,
# the Linux build's Windows side still compiles the program's sources against FLTK's headers
# (KESTRELMOOR_FLTK_HEADERS) but does not link Kestrelmoor.exe, and any other build stops. An FLTK that the user named but that cannot be used stops the
# configuration with the reason.
add_library(kestrelmoor_fltk INTERFACE)
set(KESTRELMOOR_HAVE_FLTK OFF)
set(KESTRELMOOR_FLTK_VERSION "")

if(WIN32)
  # Older FLTK 1.3 releases install FLTKConfig.cmake without a version file, so find_package is
  # asked for no version and the version is checked here.
  set(named_fltk_dir "${FLTK_DIR}")
  find_package(FLTK CONFIG QUIET)
  if(FLTK_FOUND)
    set(fltk_version "${FLTK_VERSION}")
    if(NOT fltk_version AND DEFINED FLTK_VERSION_MAJOR)
      set(fltk_version "${FLTK_VERSION_MAJOR}.${FLTK_VERSION_MINOR}.${FLTK_VERSION_PATCH}")
    endif()
    if(NOT fltk_version MATCHES "^1\\.[34](\\.|$)")
      message(FATAL_ERROR "The FLTK found in ${FLTK_DIR} is version '${fltk_version}'; "
                          "Kestrelmoor needs FLTK 1.3 or 1.4.")
    endif()
    # FLTK 1.4 names its library fltk::fltk, and makes the 1.3 name fltk an alias of it only when
    # it is not cross-compiling; FLTK 1.3 knows only fltk.
    set(fltk_target "")
    foreach(candidate fltk::fltk fltk)
      if(TARGET ${candidate})
        set(fltk_target ${candidate})
        break()
      endif()
    endforeach()
    if(NOT fltk_target)
      message(FATAL_ERROR "The FLTK ${fltk_version} found in ${FLTK_DIR} defines neither the target "
                          "'fltk::fltk' nor 'fltk': install FLTK with its CMake build "
                          "(cmake --install) and name that.")
    endif()
    message(STATUS "FLTK ${fltk_version} (${fltk_target}): ${FLTK_DIR}")
    set(KESTRELMOOR_HAVE_FLTK ON)
    set(KESTRELMOOR_FLTK_VERSION "${fltk_version}")
    # System folders, as on Linux: warnings are for our own sources, not for FLTK's headers.
    target_include_directories(kestrelmoor_fltk SYSTEM INTERFACE ${FLTK_INCLUDE_DIRS})
    target_link_libraries(kestrelmoor_fltk INTERFACE ${fltk_target})
    if(MINGW)
      # An FLTK that names winspool among its own libraries gets the delay-import library in its
      # place (cmake/windows_link_rules.cmake), after the toolkit's archive, which calls it.
      get_target_property(fltk_links ${fltk_target} INTERFACE_LINK_LIBRARIES)
      if(NOT fltk_links)
        set(fltk_links "")
      endif()
      list(FILTER fltk_links EXCLUDE REGEX "^(-l)?winspool(\\.lib)?$")
      list(APPEND fltk_links ${KESTRELMOOR_WINSPOOL_DELAYED})
      set_target_properties(${fltk_target} PROPERTIES INTERFACE_LINK_LIBRARIES "${fltk_links}")
    endif()
  elseif(named_fltk_dir)
    # A config that find_package looked at and set aside (a 32-bit FLTK in a 64-bit build, say)
    # is named with its version.
    set(considered "")
    if(FLTK_CONSIDERED_CONFIGS)
      list(JOIN FLTK_CONSIDERED_VERSIONS ", " considered_versions)
      set(considered " (it found ${FLTK_CONSIDERED_CONFIGS}, version ${considered_versions}, "
                     "and found it unsuitable for this build)")
    endif()
    message(FATAL_ERROR "FLTK_DIR=${named_fltk_dir} holds no usable FLTKConfig.cmake${considered}: "
                        "name the folder where FLTK's CMake install put it (<prefix>/CMake on "
                        "Windows).")
  elseif(KESTRELMOOR_FLTK_HEADERS)
    target_include_directories(kestrelmoor_fltk SYSTEM INTERFACE ${KESTRELMOOR_FLTK_HEADERS})
  elseif(CMAKE_CROSSCOMPILING)
    # Only the Linux build's own Windows side compiles against FLTK's headers alone; a cross build
    # of its own has no headers to fall back on, and without FLTK nothing compiles.
    message(FATAL_ERROR "No FLTK 1.3 or 1.4 built for Windows was found, and the program's "
                        "sources need its headers: configure with the FLTK that FLTK's CMake build "
                        "installed with MinGW-w64, for example cmake --preset mingw-cross "
                        "-DFLTK_DIR=<fltk-install>/CMake (or -DCMAKE_PREFIX_PATH=<fltk-install>).")
  else()
    # Built on Windows itself there are no headers to fall back on: without FLTK nothing compiles.
    message(FATAL_ERROR "No FLTK 1.3 or 1.4 built for Windows was found: install FLTK with its "
                        "CMake build and configure with -DFLTK_DIR=<fltk-install>/CMake (or "
                        "-DCMAKE_PREFIX_PATH=<fltk-install>), or use the windows preset with vcpkg.")
  endif()
else()
  find_path(KESTRELMOOR_FLTK_INCLUDE FL/Fl.H)
  find_library(KESTRELMOOR_FLTK_LIBRARY fltk)
  find_library(KESTRELMOOR_FLTK_IMAGES_LIBRARY fltk_images)
  if(NOT KESTRELMOOR_FLTK_INCLUDE OR NOT KESTRELMOOR_FLTK_LIBRARY)
    message(FATAL_ERROR "FLTK 1.3 was not found: install libfltk1.3-dev (make run does).")
  endif()
  set(KESTRELMOOR_HAVE_FLTK ON)
  # The distribution's FLTK has no CMake version to ask; its header says it.
  include(${CMAKE_CURRENT_LIST_DIR}/header_version.cmake)
  kestrelmoor_header_version(KESTRELMOOR_FLTK_VERSION ${KESTRELMOOR_FLTK_INCLUDE}/FL/Enumerations.H
                             "FL_<part>_VERSION" MAJOR MINOR PATCH)
  target_include_directories(kestrelmoor_fltk SYSTEM INTERFACE ${KESTRELMOOR_FLTK_INCLUDE})
  target_link_libraries(kestrelmoor_fltk INTERFACE ${KESTRELMOOR_FLTK_IMAGES_LIBRARY}
                        ${KESTRELMOOR_FLTK_LIBRARY})
endif()
