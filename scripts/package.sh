#!/usr/bin/env bash
# Makes the release packages from the finished builds (scripts/test.sh makes both):
#   out/morvane_VERSION_amd64.deb    the Linux build: both programs, the desktop entry, the icon,
#                                    the man pages of morvane-convert (English and Japanese);
#                                    dependencies computed by
#                                    dpkg-shlibdeps
#   out/morvane-VERSION-win64.zip    the Windows build: the programs and README
#   out/morvane-VERSION-win64-setup.exe   the same as an installer (app/win32/installer/morvane.nsi,
#                                    made with NSIS; scripts/check-installer.py tries it under Wine)
# Refuses a Windows program that needs a DLL Windows does not have.
#   scripts/package.sh [LINUX_BUILD [WINDOWS_BUILD [OUT]]]    (default: build build-windows out)
set -euo pipefail
cd "$(dirname "$0")/.."
linux="$(realpath "${1:-build}")"
windows="$(realpath "${2:-build-windows}")"
out="${3:-out}"
# The version each build was configured with (project(VERSION) of the top CMakeLists.txt).
cached_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null || true; }
version="$(cached_version "$linux")"
[ -n "$version" ] || { echo "package.sh: $linux is not a configured build" >&2; exit 1; }
[ "$(cached_version "$windows")" = "$version" ] ||
  { echo "package.sh: $windows is not a build of version $version" >&2; exit 1; }
# The maintainer is the build's contact (cmake -DMORVANE_CONTACT="Name <address>"); a bare
# address gets the project's name.
contact="$(sed -n 's/^MORVANE_CONTACT:STRING=//p' "$linux/CMakeCache.txt")"
case "$contact" in
  "") echo "package.sh: $linux sets no contact (cmake -DMORVANE_CONTACT=\"Name <address>\"):" \
           "the package names a placeholder maintainer" >&2
      maintainer="morvane maintainers <maintainers@users.noreply.github.com>" ;;
  *"<"*">"*) maintainer="$contact" ;;
  *) maintainer="morvane maintainers <$contact>" ;;
esac
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"

# ---- Debian package ---------------------------------------------------------------------------
root="$stage/src/debian/morvane"  # where dpkg-shlibdeps expects a package's files
DESTDIR="$root" cmake --install "$linux" --prefix /usr --strip >/dev/null
[ -x "$root/usr/bin/morvane" ] && [ -x "$root/usr/bin/morvane-convert" ] ||
  { echo "package.sh: $linux lacks morvane or morvane-convert" >&2; exit 1; }
# The build makes and installs the man pages (cli/CMakeLists.txt); Debian keeps them compressed.
for man_page in "$root/usr/share/man/man1/morvane-convert.1" "$root/usr/share/man/ja/man1/morvane-convert.1"; do
  [ -f "$man_page" ] || { echo "package.sh: $linux installs no ${man_page#"$root"}" \
                               "(are help2man and the ja_JP.UTF-8 locale installed?)" >&2; exit 1; }
  gzip -9n "$man_page"
done
mkdir -p "$root/usr/share/doc/morvane"
gzip -9nc README.md >"$root/usr/share/doc/morvane/README.md.gz"
# dpkg-shlibdeps reads the libraries' own package data and wants a debian/control beside it.
mkdir -p "$stage/src/debian"
printf 'Source: morvane\n\nPackage: morvane\nArchitecture: amd64\n' >"$stage/src/debian/control"
depends="$(cd "$stage/src" && dpkg-shlibdeps -O debian/morvane/usr/bin/morvane debian/morvane/usr/bin/morvane-convert |
           sed -n 's/^shlibs:Depends=//p')"
# Qt's own texts (the file pickers, the boxes' buttons) in Japanese come from Qt's translations.
depends="$depends, qt6-translations-l10n"
mkdir -p "$root/DEBIAN"
cat >"$root/DEBIAN/control" <<EOF
Package: morvane
Version: $version
Architecture: amd64
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Section: video
Priority: optional
Description: lists RexEdit and EzEdit DV projects with their EDL
 morvane converts project files (.dvc) of the DV video editors RexEdit 2.91 and
 EzEdit 2.5 (EZDV II) into one text file: a listing of every section followed
 by an edit decision list. A dialog (morvane) and a command line converter
 (morvane-convert).
EOF
dpkg-deb --root-owner-group -Zxz --build "$root" "$out/morvane_${version}_amd64.deb" >/dev/null

# ---- Windows zip ------------------------------------------------------------------------------
# The DLLs every Windows has; a static build needs nothing else.
system_dlls=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll advapi32.dll \
ole32.dll oleaut32.dll msvcrt.dll uxtheme.dll shlwapi.dll version.dll ws2_32.dll bcrypt.dll "
folder="$stage/morvane-$version-win64"
mkdir -p "$folder"
for exe in "$windows/cli/morvane-convert.exe" "$windows"/app/morvane.exe "$windows"/app/win32/morvane.exe; do
  [ -f "$exe" ] || continue
  for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case "$system_dlls" in
      *" $dll "*) ;;
      *) echo "package.sh: $(basename "$exe") needs $dll, which Windows does not have" >&2; exit 1 ;;
    esac
  done
  x86_64-w64-mingw32-strip -o "$folder/$(basename "$exe")" "$exe"
done
[ -f "$folder/morvane-convert.exe" ] || { echo "package.sh: $windows lacks morvane-convert.exe" >&2; exit 1; }
sed 's/$/\r/' README.md >"$folder/README.txt"
rm -f "$out/morvane-$version-win64.zip"
(cd "$stage" && zip -qrX - "morvane-$version-win64") >"$out/morvane-$version-win64.zip"

# ---- Windows installer ------------------------------------------------------------------------
[ -f "$folder/morvane.exe" ] || { echo "package.sh: $windows lacks morvane.exe" >&2; exit 1; }
command -v makensis >/dev/null || { echo "package.sh: makensis is missing (Debian package nsis)" >&2; exit 1; }
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$folder" -DICON="$PWD/app/resources/morvane.ico" \
  -DOUTFILE="$(realpath "$out")/morvane-$version-win64-setup.exe" app/win32/installer/morvane.nsi

ls -l "$out/morvane_${version}_amd64.deb" "$out/morvane-$version-win64.zip" "$out/morvane-$version-win64-setup.exe"
