# Finds FLTK 1.3 and offers it as the target kestrelmoor_fltk. Sets KESTRELMOOR_HAVE_FLTK.
#
# On Linux the distribution's FLTK is used. On Windows an FLTK built for Windows is looked for
# through FLTK_DIR or CMAKE_PREFIX_PATH; without one, the program's sources are still compiled
# against FLTK's headers (KESTRELMOOR_FLTK_HEADERS) but Kestrelmoor.exe is not linked.
add_library(kestrelmoor_fltk INTERFACE)
set(KESTRELMOOR_HAVE_FLTK OFF)

if(WIN32)
  find_package(FLTK 1.3 CONFIG QUIET)
  if(FLTK_FOUND)
    set(KESTRELMOOR_HAVE_FLTK ON)
    target_include_directories(kestrelmoor_fltk INTERFACE ${FLTK_INCLUDE_DIRS})
    if(TARGET fltk)
      target_link_libraries(kestrelmoor_fltk INTERFACE fltk fltk_images)
    else()
      target_link_libraries(kestrelmoor_fltk INTERFACE ${FLTK_LIBRARIES})
    endif()
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
