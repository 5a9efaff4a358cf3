#!/usr/bin/env python3
"""check-installer.py SETUP.exe [WINE64]: the Windows installer under Wine, as a person uses it.

In a fresh Wine prefix: a silent install for the person alone (/S /CurrentUser), over a .dvc type
that another program already opens, then one for everyone (/S: Wine's user runs elevated). Each
must add exactly the programs, README, the uninstaller, the Start menu entry and the keys listed
below (the "Open with" entries, Apps & Features), leave the type's default program as it was, and
the installed morvane-convert.exe must convert the example as the Linux build does. The quiet
uninstall that Apps & Features names must then leave every file and key of the prefix as it was.
WINE64 defaults to /usr/lib/wine/wine64. Called by .ci/run after scripts/package.sh.
"""
import os
import pathlib
import re
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent
VERSION = re.search(r"project\(morvane VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)


def fail(message):
    sys.exit(f"check-installer.py: {message}")


class Prefix:
    def __init__(self, folder, wine):
        self.folder = pathlib.Path(folder)
        self.wine = wine
        wineserver = pathlib.Path(wine).with_name("wineserver")
        self.wineserver = str(wineserver) if wineserver.exists() else "wineserver"
        # winemenubuilder off and the desktop's folders in the prefix's: no menu entries or file
        # types for the Linux desktop.
        self.env = dict(os.environ, WINEPREFIX=str(folder), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                        XDG_DATA_HOME=f"{folder}/xdg/data", XDG_CONFIG_HOME=f"{folder}/xdg/config")

    def run(self, *args):
        """Runs a Windows program, waits until the prefix is idle (its registry saved to its
        files) and returns the program's output."""
        done = subprocess.run([self.wine, *args], env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        subprocess.run([self.wineserver, "-w"], env=self.env, check=True)
        if done.returncode != 0:
            fail(f"{' '.join(args)} failed ({done.returncode})")
        return done.stdout

    def files(self):
        """Every file and folder of drive C:, but Windows' own and the temporary ones."""
        drive = self.folder / "drive_c"
        return {str(path.relative_to(drive)) for path in drive.rglob("*")
                if path.relative_to(drive).parts[0] != "windows" and "Temp" not in path.parts}

    def keys(self):
        """Every key of HKLM and HKCU as (key, None) and each value as (key, 'name=value'), the
        names and string values unescaped. Left out: Wine's own settings, its display adapter's
        data, which each Wine session writes anew, and the files to delete when Windows starts
        next (the uninstaller's copy of itself, in Temp)."""
        entries = set()
        for hive, file in (("HKLM", "system.reg"), ("HKCU", "user.reg")):
            text = re.sub(r"\\\n\s*", "", (self.folder / file).read_text(encoding="latin-1"))
            key = None
            for line in text.splitlines():
                if line.startswith("["):
                    key = hive + "\\" + line[1:line.rindex("]")].replace("\\\\", "\\")
                    entries.add((key, None))
                elif key and (value := re.match(r'^(@|"(?:[^"\\]|\\.)*")=(.*)$', line)):
                    name, data = (re.sub(r'\\(.)', r"\1", part[1:-1]) if part.startswith('"') else part
                                  for part in value.groups())
                    entries.add((key, f"{name}={data}"))
        return {(key, value) for key, value in entries
                if not key.startswith(("HKLM\\Software\\Wine\\", "HKCU\\Software\\Wine\\",
                                       "HKLM\\System\\CurrentControlSet\\Control\\Class\\"))
                and not (value or "").startswith("PendingFileRenameOperations=")}


def check(prefix, setup, person):
    user = next(name.name for name in (prefix.folder / "drive_c/users").iterdir() if name.name != "Public")
    root = "HKCU" if person else "HKLM"
    folder = f"users/{user}/AppData/Local/Programs/morvane" if person else "Program Files/morvane"
    windows = "C:\\" + folder.replace("/", "\\")
    menu = (f"users/{user}/AppData/Roaming" if person else "ProgramData") + "/Microsoft/Windows/Start Menu/Programs"
    mode = "for the person" if person else "for everyone"
    files, keys = prefix.files(), prefix.keys()

    prefix.run(setup, "/S", *(["/CurrentUser"] if person else []))
    expected = {folder, *(f"{folder}/{name}" for name in ("morvane.exe", "morvane-convert.exe", "README.txt",
                                                           "uninstall.exe")), f"{menu}/morvane.lnk"}
    if person and os.path.dirname(folder) not in files:
        expected.add(os.path.dirname(folder))
    if prefix.files() - files != expected:
        fail(f"{mode}: added {sorted(prefix.files() - files)}, not {sorted(expected)}")
    if b"morvane.exe" not in (prefix.folder / "drive_c" / menu / "morvane.lnk").read_bytes().replace(b"\0", b""):
        fail(f"{mode}: the Start menu entry does not start morvane.exe")

    classes, uninstall = f"{root}\\Software\\Classes", f"{root}\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\morvane"
    open_command = f'@="{windows}\\morvane.exe" "%1"'
    expected = {
        (f"{classes}\\.dvc\\OpenWithProgids", "morvane.dvc="),  # beside the default, not it
        (f"{classes}\\Applications\\morvane.exe", "FriendlyAppName=morvane"),
        (f"{classes}\\Applications\\morvane.exe\\SupportedTypes", ".dvc="),
        (f"{classes}\\Applications\\morvane.exe\\shell\\open\\command", open_command),
        (f"{classes}\\morvane.dvc", "@=DV editor project"),
        (f"{classes}\\morvane.dvc\\DefaultIcon", f"@={windows}\\morvane.exe,0"),
        (f"{classes}\\morvane.dvc\\shell\\open\\command", open_command),
        *((uninstall, value) for value in (
            f"DisplayIcon={windows}\\morvane.exe,0", "DisplayName=morvane", f"DisplayVersion={VERSION}",
            f"InstallLocation={windows}", "NoModify=dword:00000001", "NoRepair=dword:00000001", "Publisher=morvane",
            f'QuietUninstallString="{windows}\\uninstall.exe" /S', f'UninstallString="{windows}\\uninstall.exe"')),
    }
    # Notes of the keys and folder the install made, which the uninstaller removes when empty.
    for key in (".dvc", ".dvc\\OpenWithProgids", "Applications"):
        if not any(entry[0] == f"{classes}\\{key}" or entry[0].startswith(f"{classes}\\{key}\\") for entry in keys):
            expected.add((uninstall, f"Made Software\\Classes\\{key}=dword:00000001"))
    if not any(entry[0].startswith(uninstall.rsplit("\\", 1)[0]) for entry in keys):
        expected.add((uninstall, f"Made {uninstall.split(chr(92), 1)[1].rsplit(chr(92), 1)[0]}=dword:00000001"))
    if os.path.dirname(folder) not in files:
        expected.add((uninstall, "Made parent folder=dword:00000001"))
    added = {entry for entry in prefix.keys() - keys if entry[1] is not None}
    size = {entry for entry in added if entry[0] == uninstall and entry[1].startswith("EstimatedSize=dword:")}
    if added - size != expected or len(size) != 1:
        fail(f"{mode}: added the keys {sorted(added - expected)}, lacks {sorted(expected - added)}")

    example = ROOT / "examples/rexedit-0207.dvc"
    if prefix.run(str(prefix.folder / "drive_c" / folder / "morvane-convert.exe"), "-q", "-o", "-",
                  f"Z:{example}") != example.with_suffix(".txt").read_bytes():
        fail(f"{mode}: the installed morvane-convert.exe does not convert the example as expected")

    quiet = next(entry[1] for entry in added if entry[1].startswith("QuietUninstallString="))
    program, arguments = re.match(r'QuietUninstallString="([^"]+)"(.*)', quiet).groups()
    prefix.run(program, *arguments.split())
    left, gone = prefix.files() - files, files - prefix.files()
    if left or gone:
        fail(f"{mode}: after the uninstall, left {sorted(left)}, removed {sorted(gone)}")
    if prefix.keys() != keys:
        fail(f"{mode}: after the uninstall, left {sorted(prefix.keys() - keys)}, removed {sorted(keys - prefix.keys())}")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    setup = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as folder:
        prefix = Prefix(folder, sys.argv[2] if len(sys.argv) == 3 else "/usr/lib/wine/wine64")
        prefix.run("wineboot", "--init")
        # Another program opens .dvc files for the person; it must still do so.
        prefix.run("reg", "add", "HKCU\\Software\\Classes\\.dvc", "/ve", "/d", "other.dvc", "/f")
        check(prefix, setup, person=True)
        check(prefix, setup, person=False)
    print(f"check-installer.py: {os.path.basename(setup)} installs, converts and uninstalls cleanly, "
          "for the person and for everyone")


if __name__ == "__main__":
    main()
