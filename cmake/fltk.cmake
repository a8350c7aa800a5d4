# Finds FLTK 1.3 and offers it as the target kestrelmoor_fltk. Sets KESTRELMOOR_HAVE_FLTK.
#
# On Linux the distribution's FLTK is used. On Windows an FLTK built for Windows is looked for
# through FLTK_DIR or CMAKE_PREFIX_PATH; without one, the program's sources are still compiled
# against FLTK's headers (KESTRELMOOR_FLTK_HEADERS) but Kestrelmoor.exe is not linked. An FLTK that
# the user named but that cannot be used stops the configuration with the reason.
add_library(kestrelmoor_fltk INTERFACE)
set(KESTRELMOOR_HAVE_FLTK OFF)

if(WIN32)
  # FLTK 1.3 installs FLTKConfig.cmake without a version file, so find_package is asked for no
  # version and the version is checked here.
  set(named_fltk_dir "${FLTK_DIR}")
  find_package(FLTK CONFIG QUIET)
  if(FLTK_FOUND)
    set(fltk_version "${FLTK_VERSION}")
    if(NOT fltk_version AND DEFINED FLTK_VERSION_MAJOR)
      set(fltk_version "${FLTK_VERSION_MAJOR}.${FLTK_VERSION_MINOR}.${FLTK_VERSION_PATCH}")
    endif()
    if(NOT fltk_version MATCHES "^1\\.3(\\.|$)")
      message(FATAL_ERROR "The FLTK found in ${FLTK_DIR} is version '${fltk_version}'; "
                          "Kestrelmoor needs FLTK 1.3.")
    endif()
    if(NOT TARGET fltk)
      message(FATAL_ERROR "The FLTK ${fltk_version} found in ${FLTK_DIR} defines no target 'fltk': "
                          "install FLTK with its CMake build (cmake --install) and name that.")
    endif()
    message(STATUS "FLTK ${fltk_version}: ${FLTK_DIR}")
    set(KESTRELMOOR_HAVE_FLTK ON)
    target_include_directories(kestrelmoor_fltk INTERFACE ${FLTK_INCLUDE_DIRS})
    target_link_libraries(kestrelmoor_fltk INTERFACE fltk)
  elseif(named_fltk_dir)
    message(FATAL_ERROR "FLTK_DIR=${named_fltk_dir} holds no usable FLTKConfig.cmake: name the "
                        "folder where FLTK 1.3's CMake install put it (<prefix>/CMake on Windows).")
  elseif(KESTRELMOOR_FLTK_HEADERS)
    target_include_directories(kestrelmoor_fltk SYSTEM INTERFACE ${KESTRELMOOR_FLTK_HEADERS})
  endif()
else()
  find_path(KESTRELMOOR_FLTK_INCLUDE FL/Fl.H)
  find_library(KESTRELMOOR_FLTK_LIBRARY fltk)
  find_library(KESTRELMOOR_FLTK_IMAGES_LIBRARY fltk_images)
  if(NOT KESTRELMOOR_FLTK_INCLUDE OR NOT KESTRELMOOR_FLTK_LIBRARY)
    message(FATAL_ERROR "FLTK 1.3 was not found: install libfltk1.3-dev (make run does).")
  endif()
  set(KESTRELMOOR_HAVE_FLTK ON)
  target_include_directories(kestrelmoor_fltk SYSTEM INTERFACE ${KESTRELMOOR_FLTK_INCLUDE})
  target_link_libraries(kestrelmoor_fltk INTERFACE ${KESTRELMOOR_FLTK_IMAGES_LIBRARY}
                        ${KESTRELMOOR_FLTK_LIBRARY})
endif()
