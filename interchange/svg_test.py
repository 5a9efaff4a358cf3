"""The timeline picture of the bundled examples: valid SVG 1.1 (xmllint against the DTD of
w3c-sgml-lib), equal to its golden file (media in a folder that does not exist), and drawn by
rsvg-convert with each clip where the picture's own ruler puts its frames: the red colour clip
red, a clip whose media is found in its file's colour (the same in its video and sound lanes,
not hatched), a clip whose media is missing hatched. Skips what needs a tool that is missing.

usage: svg_test.py MORVANE_CONVERT MAKE_EXAMPLES TESTDATA_DIR
"""
import os, re, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing"))
import png_pixels  # noqa: E402

CONVERT, MAKE_EXAMPLES, TESTDATA = sys.argv[1:4]
SVG11_DTD = "/usr/share/xml/w3c-sgml-lib/schema/dtd/REC-SVG11-20110816/svg11.dtd"
GOLDEN_MEDIA = "/media/morvane-examples"
EXAMPLES = [("rexedit-0207", "rexedit"), ("ezedit-0206", "ezedit")]
NS = "{http://www.w3.org/2000/svg}"


def convert(folder, name, media, *more):
    source = os.path.join(folder, name + ".dvc")
    subprocess.run([CONVERT, "--software", dict(EXAMPLES)[name], "--format", "svg", "--media-dir", media, "-q",
                    "--force", *more, source], check=True)
    return os.path.join(folder, name + ".svg")


class Geometry:
    """Where the picture says frames and lanes are: its ruler's labels and its lanes' names."""

    def __init__(self, path, rate=30):
        texts = [(float(t.get("x")), float(t.get("y")), t.text) for t in ET.parse(path).iter(NS + "text")]
        marks = {text: x - 2 for x, _, text in texts if text and re.fullmatch(r"\d\d:\d\d:\d\d[:;]\d\d", text)}
        self.x0 = marks["00:00:00;00"]
        self.per_frame = (marks["00:00:05;00"] - self.x0) / (5 * rate)
        self.lanes = {text: y - 4 for _, y, text in texts}

    def at(self, frame, lane):
        return self.x0 + frame * self.per_frame, self.lanes[lane]


class SvgTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        subprocess.run([MAKE_EXAMPLES, self.dir], check=True, stdout=subprocess.DEVNULL)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def test_golden_files_and_valid_svg_1_1(self):
        for name, _ in EXAMPLES:
            path = convert(self.dir, name, GOLDEN_MEDIA)
            with open(path, "rb") as a, open(os.path.join(TESTDATA, name + ".svg"), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
            if not os.path.exists(SVG11_DTD):
                self.skipTest("the SVG 1.1 DTD (w3c-sgml-lib) is not installed")
            subprocess.run(["xmllint", "--noout", "--nonet", "--dtdvalid", SVG11_DTD, path], check=True)

    @unittest.skipUnless(shutil.which("rsvg-convert"), "rsvg-convert (librsvg2-bin) is not installed")
    def test_clips_drawn_at_their_frames_in_their_colours(self):
        media = os.path.join(self.dir, "media")
        os.mkdir(media)
        for found in ("opening.avi", "music.wav"):
            open(os.path.join(media, found), "wb").close()
        path = convert(self.dir, "rexedit-0207", media)
        subprocess.run(["rsvg-convert", path, "-o", path + ".png"], check=True)
        picture, geometry = png_pixels.Picture(path + ".png"), Geometry(path)

        def box(first, last, lane):  # the colours between two frames, above the names and sound lines
            (left, y), (right, _) = geometry.at(first, lane), geometry.at(last, lane)
            return picture.colours(left, y - (7 if "video" in lane else 12), right, y - (2 if "video" in lane else 6))

        # The EDL table: opening.avi 0-270 with sound, then a dissolve of 30 into the red colour
        # clip 270-360; INTERVIEW.AVI (missing) from 459 on; music.wav 120-1020 on extra audio 1.
        self.assertEqual({"#FF0000"}, set(box(320, 355, "Main video")))
        opening = box(180, 240, "Main video")
        self.assertEqual(1, len(opening))  # one colour: not hatched
        self.assertEqual(set(opening), set(box(180, 240, "Main audio")))
        music = box(600, 700, "Extra audio 1")
        self.assertEqual(1, len(music))
        interview = box(1000, 1100, "Main video")
        colour, count = max(interview.items(), key=lambda item: item[1])
        self.assertNotIn(colour, list(opening) + list(music))
        dark = [c for c in interview if sum(bytes.fromhex(c[1:])) < sum(bytes.fromhex(colour[1:])) - 150]
        self.assertGreater(sum(interview[c] for c in dark), 40)  # the hatching's dark lines
        self.assertGreater(count, 100)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
