#!/usr/bin/env python3
"""End-to-end tests of morvane-convert: naming, exit statuses, progress lines, standard output.

usage: cli_test.py MORVANE_CONVERT MAKE_EXAMPLES MAKE_BENCH_PROJECTS

With MORVANE_EMULATOR set (the Windows build: Wine) the programs run through it.
"""
import fcntl
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

EMULATOR = [os.environ["MORVANE_EMULATOR"]] if os.environ.get("MORVANE_EMULATOR") else []
CONVERT = []
MAKE_EXAMPLES = []
MAKE_BENCH_PROJECTS = []


def run(*args, **kwargs):
    if "stdout" not in kwargs:
        kwargs["capture_output"] = True
    return subprocess.run([*CONVERT, *args], **kwargs)


class CommandLine(unittest.TestCase):
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

    def test_writes_standard_output_exactly_as_the_file(self):
        out = os.path.join(self.folder, "out.txt")
        self.assertEqual(0, run("-q", "-o", out, self.rex).returncode)
        result = run("-q", "-o", "-", self.rex)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(self.read("out.txt"), result.stdout)

    def test_failures_print_the_message_and_the_other_sources_still_convert(self):
        missing = os.path.join(self.folder, "missing.dvc")
        result = run("-q", missing, self.rex)
        self.assertEqual(1, result.returncode)
        # One form, SOURCE as given, the system's reason in parentheses.
        self.assertRegex(result.stderr, b"^morvane-convert: " + re.escape(missing.encode()) +
                         b": Can not open source file \\([^()\n]+\\)\n")
        self.assertTrue(os.path.exists(os.path.join(self.folder, "rexedit-0207.txt")))

        if os.path.exists("/dev/full"):
            result = run("-q", "-o", "/dev/full", self.rex)
            self.assertEqual(1, result.returncode)
            self.assertIn(b"Can not write destination file", result.stderr)

    @unittest.skipIf(EMULATOR, "POSIX signals; a Windows program under Wine gets no console control events")
    def test_a_stopped_conversion_leaves_the_folder_as_it_was(self):
        subprocess.run([*MAKE_BENCH_PROJECTS, self.folder, "maximal"], check=True, capture_output=True)
        source = os.path.join(self.folder, "maximal.dvc")
        destination = os.path.join(self.folder, "out.txt")
        cases = [(signal.SIGTERM, 143), (signal.SIGINT, 130), (signal.SIGHUP, 129)]
        try:  # SIGKILL leaves nothing only where the folder takes unnamed files
            os.close(os.open(self.folder, os.O_TMPFILE | os.O_WRONLY))
            cases.append((signal.SIGKILL, -signal.SIGKILL))
        except (AttributeError, OSError):
            pass
        for sig, status in cases:
            for existed in (True, False):
                if existed:
                    with open(destination, "wb") as f:
                        f.write(b"old text")
                before = sorted(os.listdir(self.folder))
                # A small pipe that is no longer read holds the conversion half way.
                reader, writer = os.pipe()
                fcntl.fcntl(writer, fcntl.F_SETPIPE_SZ, 4096)
                child = subprocess.Popen(
                    [*CONVERT, "--progress", "plain", "-o", destination, source], stderr=writer,
                    preexec_fn=lambda: [signal.signal(s, signal.SIG_DFL)
                                        for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)])
                os.close(writer)
                with os.fdopen(reader, "rb") as progress:
                    while b"[InsertAV]" not in progress.readline():
                        pass
                    child.send_signal(sig)
                    stderr = progress.read()
                child.wait()
                case = f"{sig.name}, destination {'existed' if existed else 'absent'}"
                self.assertEqual(status, child.returncode, case)
                self.assertEqual(before, sorted(os.listdir(self.folder)), case)
                if existed:
                    self.assertEqual(b"old text", self.read("out.txt"), case)
                    os.remove(destination)
                if sig != signal.SIGKILL:
                    self.assertTrue((b"\n" + stderr).endswith(
                        b"\nmorvane-convert: " + source.encode() + b": interrupted\n"), case)

    def test_a_closed_pipe_is_a_write_error(self):
        reader, writer = os.pipe()
        os.close(reader)
        result = subprocess.run([*CONVERT, "-q", "-o", "-", self.rex], stdout=writer, stderr=subprocess.PIPE)
        os.close(writer)
        self.assertEqual(1, result.returncode)
        self.assertIn(b"Can not write destination file", result.stderr)

    def test_usage_errors_exit_2(self):
        for args in ([], ["--timecode", "smpte", self.rex], ["--bogus", self.rex],
                     ["-o", "x.txt", self.rex, self.ez], ["--software"]):
            result = run(*args)
            self.assertEqual(2, result.returncode, args)
            self.assertNotEqual(b"", result.stderr, args)

    def test_warns_when_only_the_other_software_fits_and_auto_takes_that_one(self):
        warning = "morvane-convert: {}: warning: this project reads as {} project; use --software {}\n"
        ez_hint = warning.format(self.ez, "an EzEdit", "ezedit")
        rex_hint = warning.format(self.rex, "a RexEdit", "rexedit")
        refusal = "morvane-convert: {}: Can not convert source file: [InsertAV] holds 1953068047 clips, more than 300\n"
        short = os.path.join(self.folder, "short.dvc")  # a 02.07 header and nothing after it
        with open(short, "wb") as f:
            f.write(bytes([7, 2]) + bytes(14))
        neither = "morvane-convert: {}: warning: this file reads as neither a RexEdit nor an EzEdit project; " \
                  "read as RexEdit\n".format(short)
        for args, status, stderr in (
                (["-o", "-", self.ez], 0, ez_hint),
                (["--software", "ezedit", "-o", "-", self.rex], 1, refusal.format(self.rex) + rex_hint),
                (["--software", "ezedit", "-o", "-", self.ez], 0, ""),
                (["--software", "auto", "-o", "-", self.ez], 0, ""),
                (["--software", "auto", "-o", "-", short], 0, neither),
                (["-o", "-", short], 0, "")):
            result = run("-q", *args)
            self.assertEqual((status, stderr), (result.returncode, result.stderr.decode()), args)
        self.assertEqual(run("-q", "--software", "ezedit", "-o", "-", self.ez).stdout,
                         run("-q", "--software", "auto", "-o", "-", self.ez).stdout)

    def test_probe_prints_what_each_project_holds_as_text_and_json_lines(self):
        golden = os.path.join(os.path.dirname(os.path.abspath(__file__)), "testdata")
        os.mkdir(os.path.join(self.folder, "media"))
        for name in ("OPENING.AVI", "music.wav"):
            open(os.path.join(self.folder, "media", name), "wb").close()
        for args, expected in ((["--media-dir", "media"], "probe.txt"),
                               (["--json", "--timecode", "pal", "--media-dir", "media"], "probe.jsonl")):
            result = run("--probe", *args, "rexedit-0207.dvc", "ezedit-0206.dvc", cwd=self.folder)
            self.assertEqual(0, result.returncode, result.stderr)
            with open(os.path.join(golden, expected), "rb") as f:
                self.assertEqual(f.read().decode(), result.stdout.decode(), expected)
        for line in result.stdout.splitlines():
            self.assertEqual(len(json.loads(line)["media"]), len(set(m["name"] for m in json.loads(line)["media"])))

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
                (["--probe", "--json", self.rex], "/dev/full", "-: " + full),
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

    def test_help_and_version(self):
        result = run("--help")
        self.assertEqual(0, result.returncode)
        self.assertIn(b"--timecode", result.stdout)
        result = run("--version")
        self.assertEqual(0, result.returncode)
        # The display form (1.41) and the numeric form (1.4.1.0) of one version.
        version = re.fullmatch(rb"morvane-convert (\d+)\.(\d)(\d) \((\d+)\.(\d)\.(\d)\.\d+\)\n", result.stdout)
        self.assertEqual(version.group(1, 2, 3), version.group(4, 5, 6), result.stdout)


if __name__ == "__main__":
    CONVERT, MAKE_EXAMPLES, MAKE_BENCH_PROJECTS = ([*EMULATOR, program] for program in sys.argv[1:4])
    unittest.main(argv=sys.argv[:1], verbosity=2)
