#!/usr/bin/env bash
# Installs everything morvane needs to build, test, fuzz and benchmark on Debian 12.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, sanitizers, libFuzzer
  libgtest-dev libbenchmark-dev libcli11-dev        # tests, benchmarks, command line
  nlohmann-json3-dev                                # the command line's --probe --json
  qt6-base-dev fonts-ipafont-gothic                 # the dialog and its font
  nlohmann-json3-dev libpugixml-dev                 # the OTIO and MLT exports
  python3                                           # end-to-end and golden-file tests
  melt ffmpeg                                       # the MLT export test plays its projects
  g++-mingw-w64-x86-64-posix googletest wine64      # the Windows build and its tests
  help2man dpkg-dev zip                             # the release packages
)
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"
