#!/usr/bin/env python3
"""Golden files: every project of this folder, converted with the settings of each expected file,
must give that text and that `--progress plain` trace byte for byte.

usage: golden_test.py MORVANE_CONVERT MAKE_EXAMPLES [--update | --japanese]

NAME.dvc is what `make_examples --golden` writes (the bundled examples must be too);
NAME.SOFTWARE.TIMECODE.txt is the expected text and NAME.SOFTWARE.TIMECODE.progress the trace.
--update rewrites all of them from the current build; review the diff before committing it.
The conversions run in English; with --japanese in Japanese, where the texts and the traces must
be the same but for the messages in the traces, which must be translated.
With MORVANE_EMULATOR set (the Windows build: Wine) the programs run through it.
"""
import os
import re
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


# "morvane-convert: NAME: TEXT": a message in a trace, in the reader's language.
MESSAGE = re.compile(rb"(morvane-convert: [^:\n]+: )(.*)")


def translated(expected, actual):
    """Whether the trace actual is expected with each message translated: the same lines but the
    messages, whose text differs from the English one."""
    expected, actual = expected.split(b"\n"), actual.split(b"\n")
    return len(expected) == len(actual) and all(
        e == a if not MESSAGE.fullmatch(e) else
        MESSAGE.fullmatch(a) is not None and MESSAGE.fullmatch(a)[1] == MESSAGE.fullmatch(e)[1] and
        MESSAGE.fullmatch(a)[2] != MESSAGE.fullmatch(e)[2] for e, a in zip(expected, actual))


def environment(japanese):
    """English whatever the desktop of the one running the tests is, or Japanese."""
    env = {k: v for k, v in os.environ.items() if k not in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG")}
    env.update({"LANG": "ja_JP.UTF-8"} if japanese else {"LANGUAGE": "en", "LC_ALL": "C.UTF-8"})
    return env


def main():
    convert, make_examples = map(os.path.abspath, sys.argv[1:3])
    update = sys.argv[3:] == ["--update"]
    japanese = sys.argv[3:] == ["--japanese"]
    failures = []

    def check(path, actual):
        if update:
            with open(path, "wb") as f:
                f.write(actual)
        elif not os.path.exists(path) or not (translated(read(path), actual) if japanese and path.endswith(".progress")
                                              else read(path) == actual):
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
                                         "plain", "-q", "-o", dest, project + ".dvc"], cwd=HERE, capture_output=True,
                                        env=environment(japanese))
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
    print(f"{'updated' if update else 'checked'} {sum(map(len, CASES.values()))} conversions"
          f"{' in Japanese' if japanese else ''}, "
          f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
