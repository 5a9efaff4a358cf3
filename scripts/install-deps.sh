#!/usr/bin/env bash
# Installs everything morvane needs to build, test, fuzz and benchmark on Debian 12.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev   # compilers, sanitizers, libFuzzer
  gettext locales-all                               # the catalog of translations; the Japanese locale its tests run in
  libgtest-dev libbenchmark-dev libcli11-dev        # tests, benchmarks, command line
  qt6-base-dev fonts-ipafont-gothic                 # the dialog and its font
  qt6-translations-l10n                             # Qt's own texts in Japanese (file pickers, buttons)
  nlohmann-json3-dev libpugixml-dev                 # the exports, --probe --json
  python3                                           # end-to-end and golden-file tests
  python3-mlt ffmpeg                                # the MLT export test reads its projects through MLT
  libxml2-utils                                     # the export sweep checks the XML with xmllint
  librsvg2-bin w3c-sgml-lib chromium                # the timeline pictures and pages: drawn, validated, shown
  g++-mingw-w64-x86-64-posix googletest wine64      # the Windows build and its tests
  help2man dpkg-dev zip nsis                        # the man page, the release packages
  shared-mime-info desktop-file-utils libglib2.0-bin  # the .deb's file type, checked as a desktop sees it
  xvfb xauth fonts-wine                             # the Windows dialog's tests under Wine
)
sudo=""
if [ "$(id -u)" != 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${packages[@]}"

# The Windows build compiles pugixml itself: Debian ships it built for Linux only, so its sources
# come from Debian's source package, unpacked to /usr/local/src/pugixml. Where no source entry is
# configured, one is made from the entry this machine installs libpugixml-dev from (its own
# mirror, and its proxy and keys as apt is set up), with the type deb-src.
if [ ! -f /usr/local/src/pugixml/src/pugixml.cpp ]; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
     ! grep -qs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
    # "     500 http://mirror/debian bookworm/main amd64 Packages" gives "http://mirror/debian bookworm main".
    entry="$(apt-cache policy libpugixml-dev |
             sed -n 's|^ *[0-9]\+ \([a-z+]\+://[^ ]\+\) \([^/ ]\+\)/\([^ ]\+\) .*Packages$|\1 \2 \3|p' | head -n1)"
    [ -n "$entry" ] || { echo "install-deps.sh: no configured package source offers libpugixml-dev" >&2; exit 1; }
    echo "deb-src $entry" | $sudo tee /etc/apt/sources.list.d/morvane-deb-src.list >/dev/null
    $sudo apt-get update
  fi
  download="$(mktemp -d)"
  (cd "$download" && apt-get source --download-only pugixml)
  $sudo mkdir -p /usr/local/src/pugixml
  $sudo tar -xzf "$download"/pugixml_*.orig.tar.gz -C /usr/local/src/pugixml --strip-components=1
  rm -rf "$download"
fi
