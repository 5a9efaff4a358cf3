#!/usr/bin/env bash
# Installs everything morvane needs to build, test, fuzz and benchmark on Debian 12.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, sanitizers, libFuzzer
  libgtest-dev libbenchmark-dev libcli11-dev        # tests, benchmarks, command line
  qt6-base-dev fonts-ipafont-gothic                 # the dialog and its font
  nlohmann-json3-dev libpugixml-dev                 # the exports, --probe --json
  python3                                           # end-to-end and golden-file tests
  python3-mlt ffmpeg                                # the MLT export test reads its projects through MLT
  libxml2-utils                                     # the export sweep checks the XML with xmllint
  g++-mingw-w64-x86-64-posix googletest wine64      # the Windows build and its tests
  help2man dpkg-dev zip                             # the release packages
  xvfb xauth fonts-wine                             # the Windows dialog's tests under Wine
)
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"

# The Windows build compiles pugixml itself: Debian ships it built for Linux only, so its sources
# come from Debian's source package, unpacked to /usr/local/src/pugixml.
if [ ! -f /usr/local/src/pugixml/src/pugixml.cpp ]; then
  sources=/etc/apt/sources.list.d/morvane-deb-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
      'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
      $sudo tee "$sources" >/dev/null
    $sudo apt-get update
  fi
  download="$(mktemp -d)"
  (cd "$download" && apt-get source --download-only pugixml)
  $sudo mkdir -p /usr/local/src/pugixml
  $sudo tar -xzf "$download"/pugixml_*.orig.tar.gz -C /usr/local/src/pugixml --strip-components=1
  rm -rf "$download"
fi
