#!/usr/bin/env python3
"""The Windows program against the Linux one: the same bytes and the same progress trace.

usage: compare_builds.py LINUX_CONVERT WINDOWS_CONVERT [COUNT]

The bundled examples and COUNT generated projects (default 6), in a folder with a Japanese name,
are converted by both programs in every timecode mode with `--progress plain`: destination
files, standard error and exit statuses must be equal. MORVANE_EMULATOR (Wine) runs the Windows
program.
"""
import glob
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "reference"))

from generate_projects import generate  # noqa: E402


def main():
    linux, windows = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 6
    emulator = [os.environ["MORVANE_EMULATOR"]] if os.environ.get("MORVANE_EMULATOR") else []
    projects = [(os.path.basename(path), open(path, "rb").read(), os.path.basename(path).split("-")[0])
                for path in sorted(glob.glob(os.path.join(HERE, "..", "examples", "*.dvc")))]
    projects += [(p.name + ".dvc", p.data, p.software) for p in generate(count, 7)]
    differences = 0
    with tempfile.TemporaryDirectory(prefix="morvane-builds-") as top:
        folder = os.path.join(top, "編集 作品")
        os.mkdir(folder)
        for name, data, software in projects:
            source = os.path.join(folder, name)
            with open(source, "wb") as f:
                f.write(data)
            for mode in ("ntsc-df", "ntsc-ndf", "pal", "frames"):
                results = []
                for build, command in (("linux", [linux]), ("windows", emulator + [windows])):
                    destination = os.path.join(folder, build + ".txt")
                    run = subprocess.run(command + ["--software", software, "--timecode", mode, "--progress",
                                                    "plain", "-q", "-o", destination, source],
                                         capture_output=True, timeout=120)
                    text = open(destination, "rb").read() if os.path.exists(destination) else None
                    results.append((run.returncode, run.stderr, text))
                    if text is not None:
                        os.remove(destination)
                if results[0] != results[1]:
                    differences += 1
                    print("DIFFERENT %s --timecode %s: linux %r, windows %r"
                          % (name, mode, results[0][:2], results[1][:2]))
    print("%d conversions compared, %d different" % (4 * len(projects), differences))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
