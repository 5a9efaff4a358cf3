"""Exports the bundled examples and checks them with real tools.

1. Golden files: each example's .otio and CMX 3600 .edl files, with media looked up in a fixed
   folder that does not exist, must equal interchange/testdata byte for byte.
2. melt: tiny media files are made with ffmpeg for the clips the example's .mlt names, melt loads
   the project, plays it to its end (-consumer null) and writes back what it understood
   (-consumer xml); every track must keep its entries, in and out points, blanks and length, and
   the timeline's length must be the model's (the .otio's longest track).

usage: export_test.py MORVANE_CONVERT MAKE_EXAMPLES TESTDATA_DIR
"""
import json, os, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET

CONVERT, MAKE_EXAMPLES, TESTDATA = sys.argv[1:4]
GOLDEN_MEDIA = "/media/morvane-examples"
EXAMPLES = [("rexedit-0207", "rexedit"), ("ezedit-0206", "ezedit")]


def convert(source, fmt, dest, media):
    subprocess.run([CONVERT, "--software", dict(EXAMPLES)[os.path.basename(source)[:-4]], "--format", fmt,
                    "--media-dir", media, "-q", "--force", "-o", dest, source], check=True)


def tracks(path):
    """The playlists of an MLT file in order, each a list of (resource, in, out) or ("blank", length);
    melt's own wrapper of the loaded project (an entry of no producer) left out."""
    root = ET.parse(path).getroot()
    resources = {p.get("id"): p.findtext("property[@name='resource']") if p.tag == "producer" else p.tag
                 for p in root.iter() if p.tag in ("producer", "tractor", "chain")}
    result = []
    for playlist in root.iter("playlist"):
        items = [("blank", int(i.get("length"))) if i.tag == "blank" else
                 (os.path.basename(resources.get(i.get("producer"), "?")), int(i.get("in")), int(i.get("out")))
                 for i in playlist if i.tag in ("entry", "blank")]
        if playlist.get("id") != "main_bin" and all(i.get("producer") for i in playlist.iter("entry")):
            result.append(items)
    return result


def length(items):
    return sum(i[1] if i[0] == "blank" else i[2] - i[1] + 1 for i in items)


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
            written = sorted(f for f in os.listdir(self.dir) if f.startswith(name) and not f.endswith(".dvc"))
            self.assertEqual(written, sorted(f for f in os.listdir(TESTDATA) if f.startswith(name)))
            for f in written:
                with open(os.path.join(self.dir, f), "rb") as a, open(os.path.join(TESTDATA, f), "rb") as b:
                    self.assertEqual(a.read(), b.read(), f)

    def test_melt_plays_what_was_exported(self):
        for name, _ in EXAMPLES:
            source, mlt = os.path.join(self.dir, name + ".dvc"), os.path.join(self.dir, name + ".mlt")
            convert(source, "mlt", mlt, self.dir)
            for producer in ET.parse(mlt).getroot().iter("producer"):
                path = producer.findtext("property[@name='warp_resource']") or \
                    producer.findtext("property[@name='resource']")
                if path and path.startswith("/") and not os.path.exists(path):
                    make_media(path)
            convert(source, "mlt", mlt, self.dir)  # now with the media found
            copy = os.path.join(self.dir, name + "-melt.mlt")
            # mlt_type=tractor: write back the tractor melt loaded, not a reference to the file.
            for consumer in (["-consumer", "null", "real_time=0", "terminate_on_pause=1"],
                             ["mlt_type=tractor", "-consumer", "xml:" + copy]):
                run = subprocess.run(["melt", "-quiet", mlt] + consumer, capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertNotIn("failed", run.stderr)
            ours, melts = tracks(mlt), tracks(copy)
            self.assertEqual(ours, melts)
            convert(source, "otio", os.path.join(self.dir, name + ".otio"), self.dir)
            with open(os.path.join(self.dir, name + ".otio")) as f:
                otio = json.load(f)
            model = max(sum(c["source_range"]["duration"]["value"] for c in t["children"] if "source_range" in c)
                        for t in otio["tracks"]["children"])
            self.assertEqual(max(length(items) for items in melts[1:]), model)


def make_media(path):
    ext = os.path.splitext(path)[1].lower()
    lavfi = ["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi"]
    if ext == ".avi":
        cmd = lavfi + ["-i", "testsrc=size=160x120:rate=30000/1001:duration=40", "-f", "lavfi", "-i",
                       "sine=duration=40", "-c:v", "mpeg4", "-q:v", "31", "-c:a", "pcm_s16le", path]
    elif ext == ".wav":
        cmd = lavfi + ["-i", "sine=duration=40", path]
    else:
        cmd = lavfi + ["-i", "testsrc=size=160x120", "-frames:v", "1", "-f", "image2", "-c:v",
                       "mjpeg" if ext in (".jpg", ".jpeg") else "tiff" if ext in (".tif", ".tiff") else "png", path]
    subprocess.run(cmd, check=True)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
