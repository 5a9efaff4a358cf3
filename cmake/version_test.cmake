# The forms of a table of versions, and the generated header against project(VERSION):
#   cmake -DPROJECT_VERSION=1.4.1 -DHEADER=BUILD/generated/convert/version.h -P cmake/version_test.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)

# version | tuple | numeric | display, or version | refused
set(cases
  "1.4.1|1, 4, 1, 0|1.4.1.0|1.41" "2|2, 0, 0, 0|2.0.0.0|2.00"
  "1.004.09.010|1, 4, 9, 10|1.4.9.10|1.49"
  "65535.9.9.65535|65535, 9, 9, 65535|65535.9.9.65535|65535.99"
  "65536.0.0|refused" "1.0.0.65536|refused" "1.10.0|refused" "1.0.10|refused"
  "1.2.3.4.5|refused" "1.x|refused" "|refused")
set(failures "")
foreach(case IN LISTS cases)
  string(REGEX REPLACE "\\|.*" "" version "${case}")
  morvane_version_forms("${version}")
  set(got "${version}|${MORVANE_VERSION_TUPLE}|${MORVANE_VERSION_NUMERIC}|${MORVANE_VERSION_DISPLAY}")
  string(JOIN ", " numbers ${MORVANE_VERSION_MAJOR} ${MORVANE_VERSION_MINOR} ${MORVANE_VERSION_PATCH}
         ${MORVANE_VERSION_BUILD})
  if(MORVANE_VERSION_ERROR)
    set(got "${version}|refused")
  elseif(NOT numbers STREQUAL MORVANE_VERSION_TUPLE)
    string(APPEND got " (numbers ${numbers})")
  endif()
  if(NOT got STREQUAL case)
    string(APPEND failures "\n  ${got}, expected ${case}")
  endif()
endforeach()

if(DEFINED HEADER)  # the header the build wrote holds the forms of project(VERSION)
  morvane_version_forms("${PROJECT_VERSION}")
  file(READ "${HEADER}" header)
  foreach(define "MAJOR ${MORVANE_VERSION_MAJOR}" "MINOR ${MORVANE_VERSION_MINOR}"
          "PATCH ${MORVANE_VERSION_PATCH}" "BUILD ${MORVANE_VERSION_BUILD}"
          "TUPLE \"${MORVANE_VERSION_TUPLE}\"" "NUMERIC \"${MORVANE_VERSION_NUMERIC}\""
          "DISPLAY \"${MORVANE_VERSION_DISPLAY}\"")
    string(FIND "${header}" "#define MORVANE_VERSION_${define}\n" at)
    if(at EQUAL -1)
      string(APPEND failures "\n  ${HEADER} lacks #define MORVANE_VERSION_${define}")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "version forms:${failures}")
endif()
