#!/usr/bin/env python3
"""Golden files: every project of this folder, converted with the settings of each expected file,
must give that text and that `--progress plain` trace byte for byte.

usage: golden_test.py MORVANE_CONVERT MAKE_EXAMPLES [--update]

NAME.dvc is what `make_examples --golden` writes (the bundled examples must be too);
NAME.SOFTWARE.TIMECODE.txt is the expected text and NAME.SOFTWARE.TIMECODE.progress the trace.
--update rewrites all of them from the current build; review the diff before committing it.
With MORVANE_EMULATOR set (the Windows build: Wine) the programs run through it.
"""
import os
import subprocess
import sys
import tempfile

EMULATOR = [os.environ["MORVANE_EMULATOR"]] if os.environ.get("MORVANE_EMULATOR") else []
HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
# Each project with the settings it is converted with; a software kind other than the one that
# wrote it shows what the other layout makes of the bytes.
CASES = {
    "rexedit-0207": [("rexedit", "ntsc-df"), ("rexedit", "pal"), ("ezedit", "ntsc-df")],
    "ezedit-0206": [("ezedit", "ntsc-ndf"), ("ezedit", "frames"), ("rexedit", "frames")],
    "edl-0207": [("rexedit", "ntsc-df"), ("rexedit", "ntsc-ndf"), ("rexedit", "pal"), ("rexedit", "frames")],
    "extremes-01ff": [("rexedit", "ntsc-df"), ("rexedit", "pal"), ("rexedit", "frames"), ("ezedit", "ntsc-ndf")],
    "titles-0200": [("rexedit", "ntsc-ndf"), ("ezedit", "ntsc-df")],
    "empty-0205": [("rexedit", "frames"), ("ezedit", "pal")],
}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    convert, make_examples = map(os.path.abspath, sys.argv[1:3])
    update = sys.argv[3:] == ["--update"]
    failures = []

    def check(path, actual):
        if update:
            with open(path, "wb") as f:
                f.write(actual)
        elif not os.path.exists(path) or read(path) != actual:
            failures.append(os.path.relpath(path))

    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([*EMULATOR, make_examples, "--golden", folder], check=True, capture_output=True)
        for name in ("rexedit-0207.dvc", "ezedit-0206.dvc"):
            if read(os.path.join(EXAMPLES, name)) != read(os.path.join(folder, name)):
                failures.append("examples/" + name + " (run make_examples examples)")
        for project in CASES:
            check(os.path.join(HERE, project + ".dvc"), read(os.path.join(folder, project + ".dvc")))
        for project, settings in CASES.items():
            for software, timecode in settings:
                stem = f"{project}.{software}.{timecode}"
                dest = os.path.join(folder, stem + ".txt")
                result = subprocess.run([*EMULATOR, convert, "--software", software, "--timecode", timecode, "--progress",
                                         "plain", "-q", "-o", dest, project + ".dvc"], cwd=HERE, capture_output=True)
                # A refused conversion leaves no text: its trace ends with the message.
                check(os.path.join(HERE, stem + ".progress"), result.stderr)
                if result.returncode == 0:
                    check(os.path.join(HERE, stem + ".txt"), read(dest))
                elif update and os.path.exists(os.path.join(HERE, stem + ".txt")):
                    os.remove(os.path.join(HERE, stem + ".txt"))
                elif os.path.exists(os.path.join(HERE, stem + ".txt")):
                    failures.append(f"{stem}: refused (exit {result.returncode})")
    for failure in failures:
        print("differs:", failure)
    print(f"{'updated' if update else 'checked'} {sum(map(len, CASES.values()))} conversions, "
          f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
