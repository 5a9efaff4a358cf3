"""Exports the bundled examples: each example's .otio, CMX 3600 .edl and .kdenlive files, with
media looked up in a fixed folder that does not exist, must equal interchange/testdata byte for
byte. (The .mlt and .kdenlive exports are played through MLT itself by mlt_test.py.)

usage: export_test.py MORVANE_CONVERT MAKE_EXAMPLES TESTDATA_DIR
"""
import os, shutil, subprocess, sys, tempfile, unittest

CONVERT, MAKE_EXAMPLES, TESTDATA = sys.argv[1:4]
GOLDEN_MEDIA = "/media/morvane-examples"
EXAMPLES = [("rexedit-0207", "rexedit"), ("ezedit-0206", "ezedit")]


def convert(source, fmt, dest, media):
    subprocess.run([CONVERT, "--software", dict(EXAMPLES)[os.path.basename(source)[:-4]], "--format", fmt,
                    "--media-dir", media, "-q", "--force", "-o", dest, source], check=True)


class ExportTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        subprocess.run([MAKE_EXAMPLES, self.dir], check=True, stdout=subprocess.DEVNULL)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_golden_files(self):
        for name, _ in EXAMPLES:
            source = os.path.join(self.dir, name + ".dvc")
            convert(source, "otio", os.path.join(self.dir, name + ".otio"), GOLDEN_MEDIA)
            convert(source, "cmx3600", os.path.join(self.dir, name + ".edl"), GOLDEN_MEDIA)
            convert(source, "kdenlive", os.path.join(self.dir, name + ".kdenlive"), GOLDEN_MEDIA)
            written = sorted(f for f in os.listdir(self.dir) if f.startswith(name) and not f.endswith(".dvc"))
            self.assertEqual(written, sorted(f for f in os.listdir(TESTDATA) if f.startswith(name)))
            for f in written:
                with open(os.path.join(self.dir, f), "rb") as a, open(os.path.join(TESTDATA, f), "rb") as b:
                    self.assertEqual(a.read(), b.read(), f)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
