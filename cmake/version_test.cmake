# The forms of a table of versions, and the generated header against project(VERSION):
#   cmake -DPROJECT_VERSION=1.4.1 -DHEADER=BUILD/generated/convert/version.h -P cmake/version_test.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)

# version | tuple | numeric | display, or version | refused
set(cases
  "1.4.1|1, 4, 1, 0|1.4.1.0|1.41"
  "1.4.1.7|1, 4, 1, 7|1.4.1.7|1.41"
  "2|2, 0, 0, 0|2.0.0.0|2.00"
  "2.5|2, 5, 0, 0|2.5.0.0|2.50"
  "1.04.09.010|1, 4, 9, 10|1.4.9.10|1.49"
  "65535.9.9.65535|65535, 9, 9, 65535|65535.9.9.65535|65535.99"
  "0.0.0|0, 0, 0, 0|0.0.0.0|0.00"
  "65536.0.0|refused"
  "1.0.0.65536|refused"
  "1.10.0|refused"
  "1.0.10|refused"
  "1.2.3.4.5|refused"
  "1.x|refused"
  "|refused")
set(failures "")
foreach(case IN LISTS cases)
  string(REGEX REPLACE "\\|.*" "" version "${case}")
  morvane_version_forms("${version}")
  if(case MATCHES "\\|refused$")
    if(NOT MORVANE_VERSION_ERROR)
      string(APPEND failures "\n  ${version}: accepted, should be refused")
    endif()
    continue()
  endif()
  # The forms, and the four numbers as the tuple shows them.
  set(numbers "")
  foreach(part MAJOR MINOR PATCH BUILD)
    list(APPEND numbers ${MORVANE_VERSION_${part}})
  endforeach()
  list(JOIN numbers ", " numbers)
  set(got "${version}|${MORVANE_VERSION_TUPLE}|${MORVANE_VERSION_NUMERIC}|${MORVANE_VERSION_DISPLAY}")
  if(MORVANE_VERSION_ERROR OR NOT got STREQUAL case OR NOT numbers STREQUAL MORVANE_VERSION_TUPLE)
    string(APPEND failures "\n  ${got} (numbers ${numbers}) ${MORVANE_VERSION_ERROR}, expected ${case}")
  endif()
endforeach()

# The header the build wrote holds the forms of the project's version.
if(DEFINED HEADER)
  morvane_version_forms("${PROJECT_VERSION}")
  file(READ "${HEADER}" header)
  foreach(name MAJOR MINOR PATCH BUILD TUPLE NUMERIC DISPLAY)
    set(value "${MORVANE_VERSION_${name}}")
    if(NOT name MATCHES "MAJOR|MINOR|PATCH|BUILD")
      set(value "\"${value}\"")
    endif()
    string(FIND "${header}" "#define MORVANE_VERSION_${name} ${value}\n" at)
    if(at EQUAL -1)
      string(APPEND failures "\n  ${HEADER}: no #define MORVANE_VERSION_${name} ${value}")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "version forms:${failures}")
endif()
