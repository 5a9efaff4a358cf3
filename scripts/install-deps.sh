#!/usr/bin/env bash
# Installs everything morvane needs to build, test, fuzz and benchmark on Debian 12.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, sanitizers, libFuzzer
  libgtest-dev libbenchmark-dev libcli11-dev        # tests, benchmarks, command line
  qt6-base-dev fonts-ipafont-gothic                 # the dialog and its font
  python3                                           # end-to-end and differential tests
  xvfb xauth fonts-wine                             # the Windows dialog's tests under Wine
)
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"
