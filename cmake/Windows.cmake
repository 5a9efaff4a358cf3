# The Windows build (cmake/mingw-w64-x86_64.cmake): third-party parts come from the build
# machine's Debian packages, built or used with the cross compiler, and Wine gets its prefix.

# GoogleTest from Debian's source package (googletest), compiled with the same compiler.
if(MORVANE_BUILD_TESTS)
  set(MORVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${MORVANE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# The test programs list their cases when ctest runs, so the build itself needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Header-only libraries from /usr/include, without the rest of the build machine's headers: each
# is reached through a folder that holds only it.
set(morvane_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(header_folder CLI nlohmann)
  if(NOT EXISTS ${morvane_headers}/${header_folder})
    file(MAKE_DIRECTORY ${morvane_headers})
    file(CREATE_LINK /usr/include/${header_folder} ${morvane_headers}/${header_folder} SYMBOLIC)
  endif()
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${morvane_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${morvane_headers})

# pugixml compiled from Debian's source package (scripts/install-deps.sh unpacks it).
set(MORVANE_PUGIXML_SOURCE /usr/local/src/pugixml CACHE PATH "pugixml's sources")
add_library(morvane_pugixml STATIC ${MORVANE_PUGIXML_SOURCE}/src/pugixml.cpp)
target_include_directories(morvane_pugixml SYSTEM PUBLIC ${MORVANE_PUGIXML_SOURCE}/src)
add_library(pugixml::pugixml ALIAS morvane_pugixml)

# Wine: BUILD/wine-run PROGRAM.exe ARGS... runs a program with the build's own prefix, made once
# here (its first start takes a while, the runs after it do not).
if(CMAKE_CROSSCOMPILING_EMULATOR)
  get_filename_component(wine_folder ${MORVANE_WINE64} DIRECTORY)
  find_program(MORVANE_WINESERVER NAMES wineserver64 wineserver PATHS ${wine_folder} NO_DEFAULT_PATH)
  find_program(MORVANE_WINESERVER NAMES wineserver64 wineserver REQUIRED)
  file(CONFIGURE OUTPUT ${CMAKE_CROSSCOMPILING_EMULATOR} @ONLY CONTENT [[
#!/bin/sh
# Runs a Windows program of this build under Wine, with the build's own prefix and quiet:
#   wine-run PROGRAM.exe ARGS...     wine-run --stop   (ends the Wine session at once)
# The session stays 30 s after its last program, which saves each run Wine's start-up; a new
# session starts its services apart, so that they hold none of the caller's output open.
export WINEPREFIX="@CMAKE_BINARY_DIR@/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${1:-}" = --stop ]; then
  exec "@MORVANE_WINESERVER@" -k
fi
# One caller at a time starts a session; the others wait until it is up. Two tests started
# together on a session that had ended: the second found the server and ran its program while
# the first's wineboot was still starting the services, and it ended at once without a word.
# The server and wineboot do not inherit the lock, which goes before the program starts.
if command -v flock >/dev/null 2>&1; then
  exec 9>"@CMAKE_BINARY_DIR@/wine-run.lock"
  flock 9
fi
if "@MORVANE_WINESERVER@" -p30 </dev/null >/dev/null 2>&1 9>&-; then
  "@MORVANE_WINE64@" wineboot </dev/null >/dev/null 2>&1 9>&-
fi
exec 9>&-
exec "@MORVANE_WINE64@" "$@"
]])
  file(CHMOD ${CMAKE_CROSSCOMPILING_EMULATOR} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  if(NOT EXISTS ${CMAKE_BINARY_DIR}/wine/system.reg)
    message(STATUS "Creating the Wine prefix ${CMAKE_BINARY_DIR}/wine")
    execute_process(COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} wineboot --init
                    RESULT_VARIABLE wineboot_status OUTPUT_QUIET ERROR_QUIET)
    if(NOT wineboot_status EQUAL 0)
      message(WARNING "wineboot failed (${wineboot_status}): the tests cannot run under Wine")
    endif()
  endif()
endif()
