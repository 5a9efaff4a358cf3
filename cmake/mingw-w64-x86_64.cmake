# Cross-builds morvane for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix)
# and runs the test programs under Wine (wine64):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MORVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MORVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MORVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every .exe carries its C and C++ runtimes (libgcc, libstdc++, winpthread), so it needs no DLL
# beyond the ones Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine runs the test programs, so `ctest` runs the same suite as natively: through
# BUILD/wine-run (written by cmake/Windows.cmake), which keeps Wine's prefix in the build folder
# and its messages quiet. Debian installs wine64 in /usr/lib/wine.
find_program(MORVANE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MORVANE_WINE64 NAMES wine64)
if(MORVANE_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
