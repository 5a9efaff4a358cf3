"""The web pages: a project's page (--format html) and an archive's (--probe --html). Each is
well-formed XHTML (xmllint --noout) with nothing beside it (no script, nothing fetched), tells
what the probe knows, where each media file was found and how, the warnings, and the EDL
table; Chromium (headless, skipped when it is not installed) draws the example's page with a
known clip's colour where the picture puts it.

usage: page_test.py MORVANE_CONVERT MAKE_EXAMPLES
"""
import os, re, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing"))
import png_pixels  # noqa: E402

CONVERT, MAKE_EXAMPLES = sys.argv[1:3]
X = "{http://www.w3.org/1999/xhtml}"
S = "{http://www.w3.org/2000/svg}"
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")


def run(*arguments, check=True):
    return subprocess.run([CONVERT, *arguments], check=check, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def text(element):
    return "".join(element.itertext()).strip()


def table(root, name):
    """The rows of the page's table of this class, each a list of its cells' texts."""
    found = root.find(".//%stable[@class='%s']" % (X, name))
    return [[text(cell) for cell in row] for row in found.iter(X + "tr")]


def clip_rect(root, name):
    """The first box drawn for the clip whose tooltip begins with name."""
    for group in root.iter(S + "g"):
        title = group.find(S + "title")
        if title is not None and title.text.startswith(name):
            return group.find(S + "rect")
    raise AssertionError(name + " is not drawn")


def clip_box(root, name):
    """x, y, width, height of clip_rect."""
    return tuple(float(clip_rect(root, name).get(k)) for k in ("x", "y", "width", "height"))


class PageTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        subprocess.run([MAKE_EXAMPLES, self.dir], check=True, stdout=subprocess.DEVNULL)
        self.media = os.path.join(self.dir, "media")
        os.mkdir(self.media)
        for name in ("opening.avi", "MUSIC.WAV"):
            open(os.path.join(self.media, name), "wb").close()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def page(self, name, *more):
        path = os.path.join(self.dir, name + ".html")
        run("--format", "html", "--media-dir", self.media, "-q", "--force", *more, os.path.join(self.dir, name + ".dvc"))
        subprocess.run(["xmllint", "--noout", "--nonet", path], check=True)
        with open(path, encoding="utf-8") as f:
            page = f.read()
        self.assertNotRegex(page, r"<script|<link|<img|src=|url\((?!#)")  # nothing from elsewhere
        return path, ET.fromstring(page)

    def test_a_projects_page_tells_the_probe_media_warnings_and_edl(self):
        _, root = self.page("rexedit-0207")
        facts = dict(table(root, "facts"))
        self.assertEqual(("read as RexEdit 2.91", "02.07", "00:00:54;25 (1645 frames)"),
                         (facts["editor"], facts["version"], facts["main track length"]))
        media = {row[1]: row[2:] for row in table(root, "media")[1:]}
        self.assertEqual(["found (exact)", os.path.join(self.media, "opening.avi")], media["opening.avi"])
        self.assertEqual(["found (case)", os.path.join(self.media, "MUSIC.WAV")], media["music.wav"])
        self.assertEqual("missing", media["INTERVIEW.AVI"][0])
        edl = table(root, "edl")
        self.assertEqual(["3", "MAIN", "V", "S", "W", "00:15", "00:00:10;00", "00:00:30;00", "00:00:14;25",
                          "00:00:54;25", "INTERVIEW.AVI"], edl[5])
        self.assertEqual(13, len(edl))  # the heading and every line of the listing's EDL table
        self.assertEqual(1, len(list(root.iter(S + "svg"))))

        _, root = self.page("ezedit-0206", "--software", "rexedit", "--timecode", "pal")
        warnings = [text(li) for li in root.find(".//%sul[@class='warnings']" % X)]
        self.assertIn("this project reads as an EzEdit project; use --software ezedit", warnings)
        self.assertEqual("25 frames a second (PAL)", dict(table(root, "facts"))["rate"])

    def test_an_archive_page_has_a_row_and_a_section_per_project_found_in_folders(self):
        archive = os.path.join(self.dir, "archive")
        for path, example in (("a/one.dvc", "rexedit-0207"), ("b/c/TWO.DVC", "ezedit-0206"),
                              ("b/three.Dvc", "rexedit-0207")):
            os.makedirs(os.path.dirname(os.path.join(archive, path)), exist_ok=True)
            shutil.copy(os.path.join(self.dir, example + ".dvc"), os.path.join(archive, path))
        open(os.path.join(archive, "b", "opening.avi"), "wb").close()
        open(os.path.join(archive, "b", "notes.txt"), "wb").close()
        missing = os.path.join(self.dir, "gone.dvc")
        out = os.path.join(self.dir, "archive.html")
        result = run("--probe", "--html", archive, missing, "-o", out, check=False)
        self.assertEqual(1, result.returncode)  # gone.dvc could not be read
        self.assertIn(b"gone.dvc: Can not open source file", result.stderr)
        subprocess.run(["xmllint", "--noout", "--nonet", out], check=True)
        with open(out, "rb") as f:
            page = f.read()
        self.assertEqual(page, run("--probe", "--html", archive, missing, check=False).stdout)  # standard output
        root = ET.fromstring(page)
        rows = table(root, "summary")[1:]
        self.assertEqual([["one", "RexEdit", "00:00:55;00", "12", "10", "10", "one"],  # the picture's title
                          ["TWO", "EzEdit", "00:00:22;15", "5", "5", "5", "TWO"],
                          ["three", "RexEdit", "00:00:55;00", "12", "10", "9", "three"]], rows)
        links = [a.get("href") for a in root.find(".//%stable[@class='summary']" % X).iter(X + "a")]
        sections = [s.get("id") for s in root.iter(X + "section")]
        self.assertEqual(["#p1", "#p2", "#p3"], links)
        self.assertEqual(["p1", "p2", "p3"], sections)
        self.assertEqual({"projects": "3", "length of every edit": "0:02:12", "media files needed": "15", "found": "0",
                          "missing": "15"}, dict(table(root, "totals")))
        # opening.avi: missing beside one, found beside three, in one colour in every picture.
        fills = {clip_rect(section, "opening.avi").get("fill") for section in root.iter(X + "section") if
                 section.get("id") != "p2"}
        self.assertEqual(1, len(fills))
        self.assertEqual(5, len(list(root.iter(S + "svg"))) - 1)  # three small pictures, three in sections
        self.assertIn("gone.dvc", text(root.find(".//%sul[@class='warnings']" % X)))

        # Every form of --probe reads a folder for its projects.
        listed = run("--probe", archive).stdout.decode().splitlines()
        self.assertEqual([os.path.join(archive, p) for p in ("a/one.dvc", "b/c/TWO.DVC", "b/three.Dvc")],
                         [line for line in listed if not line.startswith(" ")])
        self.assertEqual(2, run("--html", archive, check=False).returncode)

    @unittest.skipUnless(CHROMIUM, "Chromium is not installed")
    def test_chromium_draws_the_clips_where_the_picture_puts_them(self):
        path, root = self.page("rexedit-0207")
        shot = os.path.join(self.dir, "page.png")
        subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                        "--force-device-scale-factor=1", "--window-size=1300,900", "--screenshot=" + shot,
                        "file://" + path], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)
        picture = png_pixels.Picture(shot)
        # The red colour clip: its right and lower edges place the picture on the screen.
        red = clip_box(root, "colour clip #FF0000")
        left, top, right, bottom = picture.find("#FF0000")[0]
        dx, dy = right - (red[0] + red[2]), bottom - (red[1] + red[3])
        # opening.avi (found: one colour) fills its box in the main video lane from frame 0.
        x, y, width, height = clip_box(root, "opening.avi")
        colour = picture.at(x + dx + width / 2, y + dy + height - 3)
        boxes = [box for box in picture.find(colour) if box[2] - box[0] > width / 2]
        self.assertTrue(any(abs(box[0] - (x + dx)) <= 2 and abs(box[2] - (x + dx + width)) <= 2 and
                            abs(box[3] - (y + dy + height)) <= 2 for box in boxes), (colour, boxes, x + dx))
        self.assertNotEqual("#FFFFFF", colour)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
