# The version is written once, in project(VERSION) of the top CMakeLists.txt; every other form of
# it is derived here. morvane_version_forms(VERSION) sets, in the caller's scope:
#   MORVANE_VERSION_MAJOR, _MINOR, _PATCH, _BUILD   the four numbers (a missing one is 0)
#   MORVANE_VERSION_TUPLE     "1, 4, 1, 0": the Windows FileVersion and ProductVersion texts
#   MORVANE_VERSION_NUMERIC   "1.4.1.0"
#   MORVANE_VERSION_DISPLAY   "1.41": as the dialogs and --version show it, the major number, a
#                             point, then the minor and patch digits
#   MORVANE_VERSION_ERROR     why VERSION has no such forms; empty when it has them
# The display form holds one digit each of minor and patch (1.10.1 and 1.1.10 would both read
# 1.101), and the Windows version resource 16 bits per number; a version beyond either is refused.
function(morvane_version_forms version)
  set(error "")
  if(NOT version MATCHES "^([0-9]+)(\\.([0-9]+))?(\\.([0-9]+))?(\\.([0-9]+))?$")
    set(error "\"${version}\" is not MAJOR[.MINOR[.PATCH[.BUILD]]]")
  endif()
  set(matched "${CMAKE_MATCH_1}" "${CMAKE_MATCH_3}" "${CMAKE_MATCH_5}" "${CMAKE_MATCH_7}")
  set(numbers "")
  foreach(number IN LISTS matched)
    if(number STREQUAL "")
      set(number 0)
    endif()
    string(REGEX REPLACE "^0+([0-9])" "\\1" number "${number}")  # math() reads 010 as octal
    if(NOT error AND number GREATER 65535)
      set(error "${number} in ${version} is above 65535, the most a Windows version number holds")
    endif()
    list(APPEND numbers ${number})
  endforeach()
  list(GET numbers 0 major)
  list(GET numbers 1 minor)
  list(GET numbers 2 patch)
  list(GET numbers 3 build)
  if(NOT error AND (minor GREATER 9 OR patch GREATER 9))
    set(error "${version} has a minor or patch number above 9, which the display form cannot show")
  endif()
  set(MORVANE_VERSION_MAJOR ${major} PARENT_SCOPE)
  set(MORVANE_VERSION_MINOR ${minor} PARENT_SCOPE)
  set(MORVANE_VERSION_PATCH ${patch} PARENT_SCOPE)
  set(MORVANE_VERSION_BUILD ${build} PARENT_SCOPE)
  set(MORVANE_VERSION_TUPLE "${major}, ${minor}, ${patch}, ${build}" PARENT_SCOPE)
  set(MORVANE_VERSION_NUMERIC "${major}.${minor}.${patch}.${build}" PARENT_SCOPE)
  set(MORVANE_VERSION_DISPLAY "${major}.${minor}${patch}" PARENT_SCOPE)
  set(MORVANE_VERSION_ERROR "${error}" PARENT_SCOPE)
endfunction()
