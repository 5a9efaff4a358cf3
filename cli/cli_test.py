#!/usr/bin/env python3
"""End-to-end tests of morvane-convert: naming, exit statuses, progress lines, standard output,
and its messages in each language.

usage: cli_test.py MORVANE_CONVERT MAKE_EXAMPLES MAKE_BENCH_PROJECTS [MAN_PAGE [JAPANESE_MAN_PAGE]]

With MORVANE_EMULATOR set (the Windows build: Wine) the programs run through it.
"""
import fcntl
import json
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import unicodedata
import unittest

EMULATOR = [os.environ["MORVANE_EMULATOR"]] if os.environ.get("MORVANE_EMULATOR") else []
CONVERT = []
MAKE_EXAMPLES = []
MAKE_BENCH_PROJECTS = []
MAN_PAGE = None
JAPANESE_MAN_PAGE = None

# The environments of the languages: English whatever the desktop of the one running the tests
# is (LANGUAGE comes first on Linux; Wine takes the locale, and reads names as UTF-8 in a UTF-8
# one), Japanese, and the pseudo-language that marks every text of the catalog.
ENGLISH = {"LANGUAGE": "en", "LC_ALL": "C.UTF-8"}
JAPANESE = {"LANG": "ja_JP.UTF-8"}
ENGLISH_ON_JAPANESE = {"LANGUAGE": "en", "LANG": "ja_JP.UTF-8"}
PSEUDO = {"LANGUAGE": "qps-ploc", "LANG": "C"}


def environment(language):
    env = {k: v for k, v in os.environ.items() if k not in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG")}
    env.update(language)
    return env


def run(*args, language=ENGLISH, **kwargs):
    if "stdout" not in kwargs:
        kwargs["capture_output"] = True
    return subprocess.run([*CONVERT, *args], env=environment(language), **kwargs)


def run_on_terminal(*args, language):
    """Runs with standard output and error on a terminal (under Wine a console, which the
    program writes to as UTF-16): the exit status and what the terminal shows."""
    terminal, program_side = pty.openpty()
    child = subprocess.Popen([*CONVERT, *args], stdin=program_side, stdout=program_side, stderr=program_side,
                             env=environment(language))
    os.close(program_side)
    shown = b""
    while select.select([terminal], [], [], 60)[0]:
        try:
            data = os.read(terminal, 4096)
        except OSError:  # the program's side is closed
            break
        if not data:
            break
        shown += data
    os.close(terminal)
    return child.wait(), shown.decode("utf-8", "replace")


class ProjectFolder(unittest.TestCase):
    """A folder with the two example projects, for each test."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="morvane-cli-")
        subprocess.run([*MAKE_EXAMPLES, self.folder], check=True, capture_output=True)
        self.rex = os.path.join(self.folder, "rexedit-0207.dvc")
        self.ez = os.path.join(self.folder, "ezedit-0206.dvc")

    def tearDown(self):
        shutil.rmtree(self.folder)

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()


class CommandLine(ProjectFolder):
    def test_converts_each_source_beside_itself_and_keeps_existing_text_unless_forced(self):
        result = run("--progress", "none", self.rex, self.ez)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(b"conversion completed\nfrom : " + self.rex.encode(), result.stderr)
        first = self.read("rexedit-0207.txt")
        self.assertTrue(first.startswith(b"[Header]\r\nVersion=02.07\r\n"))
        self.assertTrue(self.read("ezedit-0206.txt").startswith(b"[Header]\r\nVersion=02.06\r\n"))

        with open(os.path.join(self.folder, "rexedit-0207.txt"), "wb") as f:
            f.write(b"mine")
        result = run("-q", "--software", "auto", self.rex, self.ez, "--force")
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(b"", result.stderr)
        self.assertEqual(first, self.read("rexedit-0207.txt"))

        with open(os.path.join(self.folder, "rexedit-0207.txt"), "wb") as f:
            f.write(b"mine")
        result = run("-q", self.rex, self.ez)
        self.assertEqual(1, result.returncode)
        self.assertIn(b"rexedit-0207.txt exists; kept it (--force replaces it)\n", result.stderr)
        self.assertEqual(b"mine", self.read("rexedit-0207.txt"))
        # -o names the file to write: an existing one is replaced.
        self.assertEqual(0, run("-q", "-o", os.path.join(self.folder, "rexedit-0207.txt"), self.rex).returncode)
        self.assertEqual(first, self.read("rexedit-0207.txt"))

    def test_failures_print_the_message_and_the_other_sources_still_convert(self):
        missing = os.path.join(self.folder, "missing.dvc")
        result = run("-q", missing, self.rex)
        self.assertEqual(1, result.returncode)
        # One form, SOURCE as given, the system's reason in parentheses.
        self.assertRegex(result.stderr, b"^morvane-convert: " + re.escape(missing.encode()) +
                         b": Can not open source file \\([^()\n]+\\)\n")
        self.assertTrue(os.path.exists(os.path.join(self.folder, "rexedit-0207.txt")))

    @unittest.skipIf(EMULATOR, "POSIX signals; a Windows program under Wine gets no console control events")
    def test_a_stopped_conversion_leaves_the_folder_as_it_was(self):
        subprocess.run([*MAKE_BENCH_PROJECTS, self.folder, "maximal"], check=True, capture_output=True)
        source = os.path.join(self.folder, "maximal.dvc")
        destination = os.path.join(self.folder, "out.txt")
        # The signal, the exit status, the language and the note that ends the messages.
        cases = [(signal.SIGTERM, 143, ENGLISH, "interrupted"), (signal.SIGINT, 130, ENGLISH, "interrupted"),
                 (signal.SIGHUP, 129, ENGLISH, "interrupted"), (signal.SIGINT, 130, JAPANESE, "中断しました")]
        try:  # SIGKILL leaves nothing only where the folder takes unnamed files
            os.close(os.open(self.folder, os.O_TMPFILE | os.O_WRONLY))
            cases.append((signal.SIGKILL, -signal.SIGKILL, ENGLISH, None))
        except (AttributeError, OSError):
            pass
        with open(destination, "wb") as f:
            f.write(b"old text")  # kept as it was; that none is created is ConversionJobTest's
        before = sorted(os.listdir(self.folder))
        for sig, status, language, note in cases:
            # A small pipe that is no longer read holds the conversion half way.
            reader, writer = os.pipe()
            fcntl.fcntl(writer, fcntl.F_SETPIPE_SZ, 4096)
            child = subprocess.Popen(
                [*CONVERT, "--progress", "plain", "-o", destination, source], stderr=writer, env=environment(language),
                preexec_fn=lambda: [signal.signal(s, signal.SIG_DFL)
                                    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)])
            os.close(writer)
            with os.fdopen(reader, "rb") as progress:
                for line in progress:  # to the end when the conversion did not start
                    if b"[InsertAV]" in line:
                        break
                child.send_signal(sig)
                stderr = progress.read()
            child.wait()
            case = (sig.name, language)
            self.assertEqual((status, before, b"old text"),
                             (child.returncode, sorted(os.listdir(self.folder)), self.read("out.txt")), case)
            if note:
                self.assertTrue((b"\n" + stderr).endswith(
                    f"\nmorvane-convert: {source}: {note}\n".encode()), case)

    def test_a_closed_pipe_is_a_write_error(self):
        reader, writer = os.pipe()
        os.close(reader)
        result = run("-q", "-o", "-", self.rex, stdout=writer, stderr=subprocess.PIPE)
        os.close(writer)
        self.assertEqual(1, result.returncode)
        self.assertIn(b"Can not write destination file", result.stderr)

    def test_usage_errors_exit_2_with_one_line_in_one_form(self):
        usage = "morvane-convert: {}: {}\n"
        enum = "'{}' is not one of {}"
        for args, what, text in (
                ([], "SOURCE", "no project file given (--help tells how to call morvane-convert)"),
                (["--timecode", "2", self.rex], "--timecode", enum.format("2", "ntsc-df, ntsc-ndf, pal, frames")),
                (["--software", "1", self.rex], "--software", enum.format("1", "rexedit, ezedit, auto")),
                (["--format", "0", self.rex], "--format", enum.format("0", "listing, otio, cmx3600, mlt, fcpxml, fcp7xml, kdenlive, svg, html")),
                (["--progress", "3", self.rex], "--progress", enum.format("3", "auto, bar, plain, none")),
                (["--bogus", self.rex], "--bogus", "no such option (--help lists them)"),
                (["--software"], "--software", "needs a value"),
                (["-o", "x.txt", "-o", "y.txt", self.rex], "--output", "may be given only once"),
                (["-o", "x.txt", self.rex, self.ez], "-o",
                 "-o takes one SOURCE only; without -o each SOURCE gets its own file beside it"),
                (["-o", "", self.rex], "-o", "the destination is empty; name a file, or - for standard output"),
                (["--json", self.rex], "--json", "only with --probe"),
                (["--format", "cmx3600", "-o", "-", self.rex], "-o",
                 "--format cmx3600 writes one file per track: -o - is not possible"),
                (["--format", "otio", "--timecode", "frames", self.rex], "--timecode",
                 "frames names no frame rate; an export needs --timecode ntsc-df, ntsc-ndf or pal")):
            result = run(*args, cwd=self.folder)
            self.assertEqual((2, usage.format(what, text), b""), (result.returncode, result.stderr.decode(),
                                                                   result.stdout), args)
        self.assertEqual({"rexedit-0207.dvc", "ezedit-0206.dvc"}, set(os.listdir(self.folder)))

    def test_a_format_is_also_named_by_its_extension(self):
        for alias, name in (("txt", "listing"), ("EDL", "cmx3600"), ("Mlt", "mlt")):
            for format_, out in ((alias, "alias-" + name), (name, name)):
                result = run("-q", "--format", format_, "-o", os.path.join(self.folder, out), self.rex)
                self.assertEqual((0, b""), (result.returncode, result.stderr), format_)
            self.assertEqual(self.read(name), self.read("alias-" + name), alias)

    def test_an_export_keeps_each_existing_file_of_its_set_unless_forced_and_starts_where_told(self):
        edl = os.path.join(self.folder, "rexedit-0207.edl")  # beside its source: kept too, as a listing is
        names = ("rexedit-0207.edl", "rexedit-0207-insert.edl", "rexedit-0207-exa2.edl")
        for name in names:
            with open(os.path.join(self.folder, name), "wb") as f:
                f.write(b"mine")
        export = ["--format", "cmx3600", "--timecode", "pal", self.rex]
        result = run(*export)
        self.assertEqual(1, result.returncode)
        for name in names:
            self.assertIn(f"{os.path.join(self.folder, name)} exists; kept it (--force replaces it)".encode(), result.stderr)
            self.assertEqual(b"mine", self.read(name))
        result = run("--force", "--start", "01:00:00:00", *export)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(b"\n   to : " + edl.encode() + b"\n        " + edl[:-4].encode() + b"-insert.edl\n", result.stderr)
        self.assertIn(b" 01:00:00:00 ", self.read("rexedit-0207.edl").split(b"\r\n")[2])
        for start in (["--start", "24:00:00:00", "--format", "otio"], ["--start", "01:00:00:00"]):
            self.assertEqual(2, run(*start, self.rex).returncode, start)

    def test_warns_when_only_the_other_software_fits_and_auto_takes_that_one(self):
        warning = "morvane-convert: {}: warning: this project reads as {} project; use --software {}\n"
        ez_hint = warning.format(self.ez, "an EzEdit", "ezedit")
        rex_hint = warning.format(self.rex, "a RexEdit", "rexedit")
        refusal = "morvane-convert: {}: Can not convert source file: [InsertAV] holds 1953068047 clips, more than 300\n"
        short = os.path.join(self.folder, "short.dvc")  # a 02.07 header and nothing after it
        with open(short, "wb") as f:
            f.write(bytes([7, 2]) + bytes(14))
        tail = os.path.join(self.folder, "tail.dvc")  # a project and one more byte
        with open(tail, "wb") as f:
            f.write(self.read("rexedit-0207.dvc") + b"\0")
        neither = "morvane-convert: {}: warning: this file reads as neither a RexEdit nor an EzEdit project; " \
                  "read as RexEdit\n".format(short)
        early = "morvane-convert: {}: warning: this file ends before its last section; what follows was read as zeros\n"
        after = "morvane-convert: {}: warning: this file has bytes after its last section; they are not listed\n"
        for args, status, stderr in (
                (["-o", "-", self.ez], 0, ez_hint),
                (["--software", "ezedit", "-o", "-", self.rex], 1, refusal.format(self.rex) + rex_hint),
                (["--software", "ezedit", "-o", "-", self.ez], 0, ""),
                (["--software", "auto", "-o", "-", self.ez], 0, ""),
                (["--software", "auto", "-o", "-", short], 0, neither + early.format(short)),
                (["-o", "-", short], 0, early.format(short)),
                (["-o", "-", tail], 0, after.format(tail))):
            result = run("-q", *args)
            self.assertEqual((status, stderr), (result.returncode, result.stderr.decode()), args)
        self.assertEqual(run("-q", "--software", "ezedit", "-o", "-", self.ez).stdout,
                         run("-q", "--software", "auto", "-o", "-", self.ez).stdout)

    def test_probe_prints_what_each_project_holds_as_text_and_json_lines(self):
        golden = os.path.join(os.path.dirname(os.path.abspath(__file__)), "testdata")
        os.mkdir(os.path.join(self.folder, "media"))
        for name in ("OPENING.AVI", "music.wav"):
            open(os.path.join(self.folder, "media", name), "wb").close()
        os.mkdir(os.path.join(self.folder, "media", "broll.mov"))  # a folder is no media file
        for args, expected in ((["--media-dir", "media"], "probe.txt"),
                               (["--json", "--timecode", "pal", "--media-dir", "media"], "probe.jsonl")):
            result = run("--probe", *args, "rexedit-0207.dvc", "ezedit-0206.dvc", cwd=self.folder)
            self.assertEqual(0, result.returncode, result.stderr)
            with open(os.path.join(golden, expected), "rb") as f:
                self.assertEqual(f.read().decode(), result.stdout.decode(), expected)
        for line in result.stdout.splitlines():
            self.assertEqual(len(json.loads(line)["media"]), len(set(m["name"] for m in json.loads(line)["media"])))

    def test_relink_finds_moved_media_once_for_every_source_and_warns_once(self):
        for name in ("arch/y/opening.avi", "arch/x/opening.avi", "arch/TITLE CARD.jpeg", "arch/deep/logo.mov"):
            os.makedirs(os.path.join(self.folder, os.path.dirname(name)), exist_ok=True)
            open(os.path.join(self.folder, name), "wb").close()
        args = ("--relink", "arch", "--relink", "gone", "rexedit-0207.dvc", "rexedit-0207.dvc")
        result = run("--probe", *args, cwd=self.folder)
        self.assertEqual((0, b"morvane-convert: gone: warning: cannot be read; skipped\n"),
                         (result.returncode, result.stderr))
        self.assertIn("  media: found   opening.avi\n    at arch/x/opening.avi (exact)\n    also arch/y/opening.avi\n"
                      "  media: found   title card.JPEG\n    at arch/TITLE CARD.jpeg (case)\n"
                      "  media: missing INTERVIEW.AVI\n", result.stdout.decode())
        media = json.loads(run("--probe", "--json", *args[:-1], cwd=self.folder).stdout)["media"]
        self.assertEqual({"name": "logo.avi", "path": "arch/deep/logo.mov", "exists": True, "match": "extension",
                          "others": []}, media[4])
        self.assertEqual({"name": "INTERVIEW.AVI", "path": "./INTERVIEW.AVI", "exists": False, "others": []}, media[2])
        result = run("-q", "--format", "otio", "-o", "-", *args[:2], self.rex, cwd=self.folder)
        self.assertIn(b"/arch/x/opening.avi", result.stdout)

    @unittest.skipIf(EMULATOR or os.geteuid() == 0, "POSIX permissions, which do not hold for root")
    def test_probe_of_a_folder_names_a_subfolder_it_cannot_read(self):
        locked = os.path.join(self.folder, "locked")
        os.mkdir(locked)
        os.chmod(locked, 0)
        try:
            result = run("--probe", self.folder)
        finally:
            os.chmod(locked, 0o755)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(b"morvane-convert: " + self.folder.encode() + b"/locked: warning: cannot be read; skipped\n",
                         result.stderr)
        self.assertIn(b"rexedit-0207.dvc\n  version: 02.07\n", result.stdout)

    def test_probe_reads_with_the_software_asked_for_and_fails_on_a_missing_file(self):
        missing = os.path.join(self.folder, "missing.dvc")
        result = run("--probe", missing, self.rex)
        self.assertEqual(1, result.returncode)
        self.assertRegex(result.stderr.decode(), "^morvane-convert: " + re.escape(missing) +
                         r": Can not open source file \([^()\n]+\)\n$")
        self.assertIn(b"rexedit-0207.dvc\n  version: 02.07\n", result.stdout)  # the others are still probed
        result = run("--probe", "--software", "ezedit", self.rex)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(b"  fits: rexedit\n  read as: ezedit\n  refused: Can not convert source file: "
                      b"[InsertAV] holds 1953068047 clips, more than 300\n", result.stdout)

    @unittest.skipIf(EMULATOR, "a POSIX pipe as the source")
    def test_a_piped_source_converts_with_every_software(self):
        for software in ("rexedit", "auto"):  # input= reaches the program through a pipe
            result = run("-q", "--software", software, "-o", "-", "/dev/stdin", input=self.read("rexedit-0207.dvc"))
            self.assertEqual((0, b"", run("-q", "-o", "-", self.rex).stdout),
                             (result.returncode, result.stderr, result.stdout), software)

    def test_help_reads_right(self):
        result = run("--help")
        self.assertEqual(0, result.returncode)
        # English is left whole to the terminal to break, however long.
        self.assertRegex(result.stdout.decode(), r"\n  --media-dir DIR +where the exports look for the clips' media files "
                                                 r"\(default: each project's folder\)\n")
        self.assertNotIn(b"Needs:", result.stdout)
        if MAN_PAGE:  # built from this help by CMake
            with open(MAN_PAGE, "rb") as f:
                self.assertIn(rb"print one JSON object per line (with \fB\-\-probe\fR)", f.read())

    def test_names_in_any_script_are_kept(self):
        folder = os.path.join(self.folder, "編集")
        os.mkdir(folder)
        source = os.path.join(folder, "夏の旅.dvc")
        shutil.copy(self.rex, source)
        result = run("--progress", "none", source)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertIn(("from : " + source + "\n   to : " + folder + os.sep + "夏の旅.txt").encode(), result.stderr)
        with open(os.path.join(folder, "夏の旅.txt"), "rb") as f:
            self.assertEqual(run("-q", "-o", "-", self.rex).stdout, f.read())

    @unittest.skipIf(EMULATOR, "/dev/full, FIFOs and /dev/stdin are POSIX files")
    def test_every_output_failure_is_reported_with_the_reason(self):
        project = self.read("rexedit-0207.dvc")
        fifo = os.path.join(self.folder, "fifo")
        os.mkfifo(fifo)
        full = "Can not write destination file (No space left on device)\n"
        for args, stdout, message in (
                (["--help"], "/dev/full", "-: " + full),
                (["--version"], "/dev/full", "-: " + full),
                (["--probe", self.rex], "/dev/full", "-: " + full),
                (["-q", "-o", "/dev/full", self.rex], None, self.rex + ": " + full),
                (["-q", "-o", "-", self.rex], "/dev/full", self.rex + ": " + full),
                # No reader: refused at once, not waited for.
                (["-q", "-o", fifo, self.rex], None,
                 self.rex + ": Can not open destination file (No such device or address)\n"),
                # Standard output redirected onto the source (1<>SOURCE) is the source itself.
                (["-q", "-o", "-", self.rex], self.rex,
                 self.rex + ": Can not open destination file (it is the source file)\n")):
            with open(stdout or os.devnull, "r+b") as out:
                result = run(*args, stdout=out, stderr=subprocess.PIPE, timeout=20)
            self.assertEqual((1, "morvane-convert: " + message), (result.returncode, result.stderr.decode()), args)
        self.assertEqual(project, self.read("rexedit-0207.dvc"))

    @unittest.skipIf(EMULATOR, "/dev/stdin is a POSIX file")
    def test_probe_refuses_a_pipe_longer_than_any_project(self):
        with open(self.rex, "rb") as f:
            project = f.read()
        for tail, status, message in ((b"", 0, b""), (bytes(64 << 20), 1,
                                      b"morvane-convert: /dev/stdin: Can not read source file "
                                      b"(more than 64 MiB through a pipe; probe the file itself)\n")):
            result = run("--probe", "/dev/stdin", input=project + tail, timeout=60)
            self.assertEqual((status, message), (result.returncode, result.stderr))


def columns(line):
    """The columns a line takes on a terminal: two for each East Asian wide character."""
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in line)


class Languages(ProjectFolder):
    """The messages and --help in the reader's language; the files written the same in every one."""

    def test_messages_and_help_are_japanese_on_a_japanese_desktop_and_english_when_asked(self):
        missing = os.path.join(self.folder, "missing.dvc")
        japanese_reason = "" if EMULATOR else " (そのようなファイルやディレクトリはありません)"  # the C library's
        cases = (  # arguments, exit status, Japanese stderr (a part of it), English stderr (a part of it)
            ([missing], 1, f"morvane-convert: {missing}: 変換元ファイルを開けません{japanese_reason}",
             f"morvane-convert: {missing}: Can not open source file ("),
            (["-o", "-", self.ez], 0,
             f"morvane-convert: {self.ez}: 警告: このプロジェクトは EzEdit のプロジェクトとして読めます。"
             "--software ezedit を指定してください\n",
             f"morvane-convert: {self.ez}: warning: this project reads as an EzEdit project; use --software ezedit\n"),
            (["--progress", "none", "--force", self.rex], 0, f"変換が完了しました\n変換元 : {self.rex}\n",
             f"conversion completed\nfrom : {self.rex}\n"),
            (["--timecode", "2", self.rex], 2,
             "morvane-convert: --timecode: '2' は使えません。ntsc-df, ntsc-ndf, pal, frames のいずれかを指定してください\n",
             "morvane-convert: --timecode: '2' is not one of ntsc-df, ntsc-ndf, pal, frames\n"))
        for args, status, japanese, english in cases:
            # LANGUAGE is the C library's: Windows knows no such thing.
            for language, expected in ((JAPANESE, japanese), (ENGLISH, english), ({"LANG": "C"}, english),
                                       *(() if EMULATOR else ((ENGLISH_ON_JAPANESE, english),))):
                result = run(*args, language=language)
                self.assertEqual(status, result.returncode, (args, language))
                self.assertIn(expected, result.stderr.decode(), (args, language))
        # What is written is the same in every language, an archive's page naming a source it cannot read too.
        self.assertEqual(run("-q", "-o", "-", self.rex).stdout, run("-q", "-o", "-", self.rex, language=JAPANESE).stdout)
        if not EMULATOR:  # Windows words its own reasons in the user's language
            pages = [run("--probe", "--html", "--progress", "none", self.rex, missing, language=language).stdout
                     for language in (ENGLISH, JAPANESE)]
            self.assertEqual(pages[0], pages[1])

        help = run("--help", language=JAPANESE).stdout.decode()
        self.assertIn("使用法: morvane-convert [オプション] [SOURCE...]\n\n引数:\n", help)
        self.assertRegex(help, r"\n  --json +1 行に 1 つの JSON オブジェクトで表示します\n")
        for line in help.splitlines():  # Japanese breaks no words at spaces: the program wraps it
            self.assertLessEqual(columns(line), 80, line)
        for language in ({"LANG": "C"},) if EMULATOR else (ENGLISH_ON_JAPANESE, {"LANG": "C"}):
            self.assertEqual(run("--help").stdout, run("--help", language=language).stdout)
        # The display form (1.41) and the numeric form (1.4.1.0) of one version, in every language.
        version = run("--version", language=JAPANESE)
        self.assertEqual((0, run("--version").stdout), (version.returncode, version.stdout))
        forms = re.fullmatch(rb"morvane-convert (\d+)\.(\d)(\d) \((\d+)\.(\d)\.(\d)\.\d+\)\n", version.stdout)
        self.assertEqual(forms.group(1, 2, 3), forms.group(4, 5, 6), version.stdout)
        if JAPANESE_MAN_PAGE:  # built by CMake from the Japanese --help
            with open(JAPANESE_MAN_PAGE, "rb") as f:
                page = f.read().decode()
            for part in (".SH 名前\nmorvane-convert \\- RexEdit と EzEdit の", ".SH 書式", ".B morvane-convert", "[\\fI\\,オプション\\/\\fR]", ".SH オプション",
                         "1 行に 1 つの JSON オブジェクトで表示します"):
                self.assertIn(part, page)

    def test_messages_show_right_on_a_terminal(self):
        status, shown = run_on_terminal("--bogus", language=JAPANESE)
        self.assertEqual(2, status, shown)
        self.assertIn("morvane-convert: --bogus: そのようなオプションはありません", shown)
        status, shown = run_on_terminal("--help", language=JAPANESE)
        self.assertEqual((0, 1), (status, shown.count("使用法: morvane-convert [オプション] [SOURCE...]")), shown)
        status, shown = run_on_terminal("--progress", "bar", "--force", self.rex, language=JAPANESE)
        self.assertEqual(0, status, shown)
        self.assertIn("[" + "#" * 30 + "]", shown)  # the bar, full (a console breaks its long line)
        self.assertIn("変換が完了しました", shown)

    @unittest.skipIf(EMULATOR, "the pseudo-language is Windows' UI language qps-ploc, which Wine does not take "
                               "from the environment; the texts are the same on both systems")
    def test_every_text_shown_comes_from_the_catalog(self):
        """Under the pseudo-language every text of the catalog is marked ⟦ ⟧: a line without the mark is
        a text that does not come from it, unless it is data."""
        edl = os.path.join(self.folder, "cut.edl")
        kept = os.path.join(self.folder, "kept.dvc")
        shutil.copy(self.rex, kept)
        with open(os.path.join(self.folder, "kept.txt"), "wb") as f:
            f.write(b"mine")
        short = os.path.join(self.folder, "short.dvc")  # a 02.07 header and nothing after it
        with open(short, "wb") as f:
            f.write(bytes([7, 2]) + bytes(14))
        missing = os.path.join(self.folder, "missing.dvc")
        invocations = [
            [], ["--bogus", self.rex], ["--format", "0", self.rex], ["--software"], ["-o", "a", "-o", "b", self.rex],
            ["--force=maybe", self.rex], ["--json", self.rex], ["--html", self.rex], ["-o", "", self.rex],
            ["-o", "x", self.rex, self.ez], ["--format", "cmx3600", "-o", "-", self.rex],
            ["--timecode", "frames", "--format", "otio", self.rex], ["--start", "01:00:00:00", self.rex],
            ["--start", "x", "--format", "otio", self.rex],
            [missing], ["--software", "ezedit", "-o", "-", self.rex], [kept], ["-o", "-", self.ez],
            ["--software", "auto", "-o", "-", short], ["--probe", "--relink", "gone", self.rex], ["--probe", missing],
            ["--probe", "--html", "-o", os.path.join(self.folder, "page.html"), missing],
            ["--probe", "--html", "--progress", "bar", "-o", os.path.join(self.folder, "page.html"), self.rex],
            [self.rex], ["--force", "--format", "cmx3600", "-o", edl, self.rex], ["--help"]]
        # Data, the same in every language: the option column of --help where the option's words
        # fill it (its description follows on the next line), and the further files of an export,
        # which follow its completion message indented under the destination.
        data = re.compile(r"(  -[-\w,]+ [-\w|]+|        " + re.escape(self.folder) + r".*)")
        for args in invocations:
            result = run(*args, language=PSEUDO, cwd=self.folder)
            shown = result.stderr.decode() + (result.stdout.decode() if args == ["--help"] else "")
            self.assertTrue(shown, args)
            for line in shown.splitlines():
                if line and not data.fullmatch(line):
                    self.assertIn("\u27e6", line, args)
        self.assertIn("\n  --software rexedit|ezedit|auto\n", run("--help", language=PSEUDO).stdout.decode())

if __name__ == "__main__":
    CONVERT, MAKE_EXAMPLES, MAKE_BENCH_PROJECTS = ([*EMULATOR, program] for program in sys.argv[1:4])
    MAN_PAGE = sys.argv[4] if len(sys.argv) > 4 else None
    JAPANESE_MAN_PAGE = sys.argv[5] if len(sys.argv) > 5 else None
    unittest.main(argv=sys.argv[:1], verbosity=2)
