# What `cmake --install` lays out, and what CPack's ZIP generator makes of it: the program with its
# help file beside it (the program looks for the help file in its own folder), README.txt for the
# person who runs the program, LICENSE.txt and the notices of the third-party software linked in.
# On Windows all of it sits in one folder, the one that goes into Kestrelmoor-<version>-win64.zip,
# with Windows' line ends; on Linux the program and its help file go to bin/ and the texts to the
# documentation folder. The README.md of the sources is for builders and stays there.
include(GNUInstallDirs)
if(WIN32)
  set(program_destination .)
  set(texts_destination .)
  set(text_line_ends CRLF)
  set(KESTRELMOOR_FLTK_LINKING "linked into the executable")
else()
  set(program_destination ${CMAKE_INSTALL_BINDIR})
  set(texts_destination ${CMAKE_INSTALL_DOCDIR})
  set(text_line_ends UNIX)
  set(KESTRELMOOR_FLTK_LINKING "the system's shared library")
endif()

# The notices: FLTK's, with the version linked, and for MinGW builds those of the runtime that
# every MinGW executable links in statically (checked against the link maps by the windows.notices
# test).
file(READ ${PROJECT_SOURCE_DIR}/res/third_party_notices.txt.in notices)
if(MINGW)
  file(READ ${PROJECT_SOURCE_DIR}/res/third_party_notices_mingw.txt mingw_notices)
  string(APPEND notices "\n${mingw_notices}")
endif()
file(WRITE ${CMAKE_BINARY_DIR}/third_party_notices.txt.in "${notices}")
set(third_party_notices ${CMAKE_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
configure_file(${CMAKE_BINARY_DIR}/third_party_notices.txt.in ${third_party_notices} @ONLY
               NEWLINE_STYLE ${text_line_ends})
set(package_readme ${CMAKE_BINARY_DIR}/README.txt)
configure_file(${PROJECT_SOURCE_DIR}/res/README.txt.in ${package_readme} @ONLY
               NEWLINE_STYLE ${text_line_ends})
set(package_license ${CMAKE_BINARY_DIR}/LICENSE.txt)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${package_license} @ONLY
               NEWLINE_STYLE ${text_line_ends})

set(no_program_message "There is no ${PROJECT_NAME} executable to install or package: this build found no FLTK \
built for Windows, so it could not link one. Configure it with -DFLTK_DIR=<fltk-install>/CMake \
naming an FLTK 1.3 or 1.4 built by its CMake build, build, then package again.")

if(TARGET Kestrelmoor)
  install(TARGETS Kestrelmoor RUNTIME DESTINATION ${program_destination})
  if(CMAKE_STRIP AND NOT MSVC)
    # The installed program carries no debug information, whatever the build type
    # (cmake/strip_installed.cmake); MSVC keeps it in a .pdb of its own anyway.
    install(CODE "
      set(KESTRELMOOR_INSTALLED \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program_destination}\")
      string(APPEND KESTRELMOOR_INSTALLED \"/$<TARGET_FILE_NAME:Kestrelmoor>\")
      set(KESTRELMOOR_BUILT \"$<TARGET_FILE:Kestrelmoor>\")
      set(KESTRELMOOR_KEEP_DEBUG_INFO $<OR:$<CONFIG:Debug>,$<CONFIG:RelWithDebInfo>>)
      set(KESTRELMOOR_STRIP \"${CMAKE_STRIP}\")
      set(KESTRELMOOR_OBJCOPY \"${CMAKE_OBJCOPY}\")
      include(\"${PROJECT_SOURCE_DIR}/cmake/strip_installed.cmake\")")
  endif()
  if(TARGET kestrelmoor_help)
    install(FILES ${KESTRELMOOR_HELP_CHM} DESTINATION ${program_destination})
  endif()
  install(FILES ${package_readme} ${package_license} ${third_party_notices}
          DESTINATION ${texts_destination})
else()
  install(CODE "message(FATAL_ERROR \"${no_program_message}\")")
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The ${PROJECT_NAME} developers")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(package_system win64)
elseif(WIN32)
  set(package_system win32)
else()
  set(package_system ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${package_system})
set(CPACK_SOURCE_GENERATOR "")
if(NOT TARGET Kestrelmoor)
  # Read by cpack before it packages anything: it stops at once with the reason, rather than
  # making an empty zip or failing inside the install step.
  set(refusal ${CMAKE_BINARY_DIR}/CPackNoProgram.cmake)
  file(WRITE ${refusal} "message(FATAL_ERROR \"${no_program_message}\")\n")
  set(CPACK_PROJECT_CONFIG_FILE ${refusal})
endif()
include(CPack)
