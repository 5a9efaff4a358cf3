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
  python3-mlt libmlt-data ffmpeg                    # the MLT export test reads its projects through MLT (its loader needs the data)
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
# mirror, and its proxy and keys as apt is set up), with the type deb-src. The new entry copies
# that entry's options: apt refuses two entries for one address whose keys (Signed-By) differ.
if [ ! -f /usr/local/src/pugixml/src/pugixml.cpp ]; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
     ! grep -qs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list; then
    # "     500 http://mirror/debian bookworm/main amd64 Packages" gives "http://mirror/debian bookworm main".
    entry="$(apt-cache policy libpugixml-dev |
             sed -n 's|^ *[0-9]\+ \([a-z+]\+://[^ ]\+\) \([^/ ]\+\)/\([^ ]\+\) .*Packages$|\1 \2 \3|p' | head -n1)"
    [ -n "$entry" ] || { echo "install-deps.sh: no configured package source offers libpugixml-dev" >&2; exit 1; }
    uri="${entry%% *}"
    # A deb822 stanza (Types/URIs/Suites/Components/Signed-By...) for that address, as deb-src.
    stanzas="$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
               awk -v uri="$uri" 'BEGIN { RS = ""; ORS = "\n\n" }
                    { s = $0 "\n" }
                    s ~ /(^|\n)Types:[^\n]*deb/ &&
                    (index(s, uri "\n") || index(s, uri " ") || index(s, uri "/\n") || index(s, uri "/ ")) {
                      sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' || true)"
    if [ -n "$stanzas" ]; then
      printf '%s\n' "$stanzas" | $sudo tee /etc/apt/sources.list.d/morvane-deb-src.sources >/dev/null
    else
      # A one-line entry, "deb [options] address suite components", keeps its options.
      line="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
              grep -F " $uri " | grep -m1 '^deb[[:space:]]' || true)"
      if [ -n "$line" ]; then line="deb-src${line#deb}"; else line="deb-src $entry"; fi
      echo "$line" | $sudo tee /etc/apt/sources.list.d/morvane-deb-src.list >/dev/null
    fi
    $sudo apt-get update
  fi
  download="$(mktemp -d)"
  (cd "$download" && apt-get source --download-only pugixml)
  $sudo mkdir -p /usr/local/src/pugixml
  $sudo tar -xzf "$download"/pugixml_*.orig.tar.gz -C /usr/local/src/pugixml --strip-components=1
  rm -rf "$download"
fi
