"""Exports the bundled examples: each example's .otio, CMX 3600 .edl, .fcpxml, Final Cut Pro 7 .xml,
.kdenlive and .mlt files and its web page (.html, in English), with media looked up in a fixed
folder that does not exist, must equal interchange/testdata byte for byte, and the .fcpxml of
every rate mode must be well-formed XML to xmllint. (The .mlt and .kdenlive exports are also
played through MLT itself by mlt_test.py.)

usage: export_test.py MORVANE_CONVERT MAKE_EXAMPLES TESTDATA_DIR
"""
import os, shutil, subprocess, sys, tempfile, unittest

CONVERT, MAKE_EXAMPLES, TESTDATA = sys.argv[1:4]
GOLDEN_MEDIA = "/media/morvane-examples"
EXAMPLES = [("rexedit-0207", "rexedit"), ("ezedit-0206", "ezedit")]


# The page's words are in the user's language: the golden ones are English.
ENGLISH = {**{k: v for k, v in os.environ.items() if k not in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG")},
           "LANGUAGE": "en", "LC_ALL": "C.UTF-8"}


def convert(source, fmt, dest, media, mode="ntsc-df"):
    """Converts from the source's folder, so that the page names the project as the golden one does."""
    subprocess.run([os.path.abspath(CONVERT), "--software", dict(EXAMPLES)[os.path.basename(source)[:-4]], "--format",
                    fmt, "--timecode", mode, "--media-dir", media, "-q", "--force", "-o", os.path.abspath(dest),
                    os.path.basename(source)], check=True, env=ENGLISH, cwd=os.path.dirname(source))


class ExportTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        subprocess.run([MAKE_EXAMPLES, self.dir], check=True, stdout=subprocess.DEVNULL)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_golden_files(self):
        for name, _ in EXAMPLES:
            source = os.path.join(self.dir, name + ".dvc")
            for fmt, extension in (("otio", "otio"), ("cmx3600", "edl"), ("fcpxml", "fcpxml"), ("fcp7xml", "xml"),
                                   ("kdenlive", "kdenlive"), ("mlt", "mlt"), ("html", "html")):
                convert(source, fmt, os.path.join(self.dir, name + "." + extension), GOLDEN_MEDIA)
            written = sorted(f for f in os.listdir(self.dir) if f.startswith(name) and not f.endswith(".dvc"))
            self.assertEqual(written, sorted(f for f in os.listdir(TESTDATA) if f.startswith(name)))
            for f in written:
                with open(os.path.join(self.dir, f), "rb") as a, open(os.path.join(TESTDATA, f), "rb") as b:
                    self.assertEqual(a.read(), b.read(), f)

    def test_fcpxml_is_well_formed_in_every_rate_mode(self):
        for name, _ in EXAMPLES:
            for mode in ("ntsc-df", "ntsc-ndf", "pal"):
                dest = os.path.join(self.dir, f"{name}-{mode}.fcpxml")
                convert(os.path.join(self.dir, name + ".dvc"), "fcpxml", dest, GOLDEN_MEDIA, mode)
                result = subprocess.run(["xmllint", "--noout", dest], capture_output=True, text=True)
                self.assertEqual((result.returncode, result.stderr), (0, ""), dest)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
