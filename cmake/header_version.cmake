# kestrelmoor_header_version(<out> <header> <name pattern> <part>...): the numbers that the
# header's `#define <name> <number>` lines give, one per part in the order given, joined with dots.
# In the pattern, <part> stands for each part: "FL_<part>_VERSION" with MAJOR MINOR PATCH.
function(kestrelmoor_header_version out header pattern)
  file(STRINGS ${header} lines REGEX "^#define ")
  set(numbers "")
  foreach(part IN LISTS ARGN)
    string(REPLACE "<part>" "${part}" name "${pattern}")
    foreach(line IN LISTS lines)
      if(line MATCHES "^#define ${name}[ \t]+([0-9]+)")
        list(APPEND numbers ${CMAKE_MATCH_1})
        break()
      endif()
    endforeach()
  endforeach()
  list(JOIN numbers "." version)
  set(${out} "${version}" PARENT_SCOPE)
endfunction()
