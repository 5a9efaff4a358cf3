"""Final Cut Pro 7 XML exports of the example and golden projects: xmllint finds them well-formed,
and read back the way the editors read xmeml (a clip's edge at -1 is its transition's cut; in and
out count the slowed clip's frames under a Time Remap) every event of the EDL table comes back
on its track with its record and source range and its transition; each file is defined once
before it is referred to; each sound is a stereo pair; every title is a marker.

usage: fcp7_test.py MORVANE_CONVERT MAKE_EXAMPLES
"""
import os, re, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET

CONVERT, MAKE_EXAMPLES = sys.argv[1:3]
# Project, software, timecode mode, the titles it holds.
CASES = [("edl-0207", "rexedit", "ntsc-df", 0), ("rexedit-0207", "rexedit", "ntsc-ndf", 2),
         ("rexedit-0207", "rexedit", "pal", 2), ("ezedit-0206", "ezedit", "pal", 1),
         ("titles-0200", "rexedit", "ntsc-df", None)]
# Read back as well-formed only: its clips are cut at frame 0 and left out past 24 hours.
EXTREMES = ("extremes-01ff", "rexedit", "pal", None)
EVENT = re.compile(r"\d{3} (MAIN|INS |ExA1|ExA2) +(VA|V|A) +(S )? *([CDW])((?: +-?\d+){4,5})   (.+)$")
ROLES = {"Main AV": "MAIN", "Insert AV": "INS", "Extra audio 1": "ExA1", "Extra audio 2": "ExA2"}


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def events(table):
    """The EDL table's events with a length: (track, sound, slow, code, transition frames, source in,
    source out, record in, record out, name)."""
    found = []
    for m in filter(None, map(EVENT.match, table.decode("utf-8", "replace").splitlines())):
        numbers = [int(n) for n in m.group(5).split()]
        duration = numbers.pop(0) if len(numbers) == 5 else 0
        if numbers[3] > numbers[2]:
            found.append((m.group(1).strip(), "A" in m.group(2), bool(m.group(3)), m.group(4), duration, *numbers,
                          m.group(6)))
    return found


def role(track):
    name = track.get("MZ.TrackName", "")
    return next(role for prefix, role in ROLES.items() if name.startswith(prefix))


def speed_of(item):
    for parameter in item.iterfind("filter/effect[effectid='timeremap']/parameter"):
        if parameter.findtext("parameterid") == "speed":
            return float(parameter.findtext("value")) / 100
    return 1.0


def read_track(track):
    """The clips (record in, record out, source in, source out, has a file) and transitions (cut,
    frames, effect) of a track."""
    clips, transitions, cut = [], [], None
    for item in track:
        if item.tag == "transitionitem":
            start, end = int(item.findtext("start")), int(item.findtext("end"))
            assert item.findtext("alignment") == "start"
            cut = start
            transitions.append((start, end - start, item.findtext("effect/effectid")))
        elif item.tag in ("clipitem", "generatoritem"):
            start, end = int(item.findtext("start")), int(item.findtext("end"))
            length = None if end == -1 else end - (cut if start == -1 else start)
            start = cut if start == -1 else start
            speed, first = speed_of(item), int(item.findtext("in"))
            clips.append([start, length, round(first * speed), speed, item.tag == "clipitem", int(item.findtext("out"))])
            cut = None
    for i, clip in enumerate(clips):  # an end at -1: the next transition's cut
        if clip[1] is None:
            clip[1] = clips[i + 1][0] - clip[0]
    return [(s, s + n, src, src + round(n * speed), file, out) for s, n, src, speed, file, out in clips], transitions


class Fcp7Test(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        run(MAKE_EXAMPLES, "--golden", cls.dir)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def export(self, name, software, mode):
        source, xml = os.path.join(self.dir, name + ".dvc"), os.path.join(self.dir, f"{name}-{mode}.xml")
        run(CONVERT, "--software", software, "--timecode", mode, "--format", "fcp7xml", "--media-dir",
            "/media/morvane-examples", "-q", "--force", "-o", xml, source)
        return xml

    def test_xmllint_finds_every_export_well_formed(self):
        for name, software, mode, _ in CASES + [EXTREMES]:
            with self.subTest(name=name, mode=mode):
                result = subprocess.run(["xmllint", "--noout", self.export(name, software, mode)], capture_output=True)
                self.assertEqual(result.returncode, 0, result.stderr)

    def test_read_back_equals_the_edl_table(self):
        for name, software, mode, titles in CASES:
            with self.subTest(name=name, mode=mode):
                root = ET.parse(self.export(name, software, mode)).getroot()
                table = events(run(CONVERT, "--software", software, "--timecode", "frames", "-q", "-o", "-",
                                   os.path.join(self.dir, name + ".dvc")))
                sequence = root.find("sequence")
                ntsc = mode != "pal"
                self.assertEqual((root.get("version"), sequence.findtext("rate/timebase"), sequence.findtext("rate/ntsc")),
                                 ("5", "30" if ntsc else "25", "TRUE" if ntsc else "FALSE"))
                self.assertEqual(sequence.findtext("timecode/displayformat"), "DF" if mode == "ntsc-df" else "NDF")
                got_clips, got_transitions, sounds = [], [], []
                for track in sequence.iterfind("media/video/track"):
                    clips, transitions = read_track(track)
                    got_clips += [(role(track), *c[:4]) for c in clips]
                    got_transitions += [(role(track), *t) for t in transitions]
                audio = sequence.findall("media/audio/track")
                for left, right in zip(audio[::2], audio[1::2]):
                    self.assertEqual([(t.get("currentExplodedTrackIndex"), t.get("totalExplodedTrackCount"),
                                       t.get("premiereTrackType"), t.findtext("outputchannelindex")) for t in (left, right)],
                                     [("0", "2", "Stereo", "1"), ("1", "2", "Stereo", "2")])
                    self.assertEqual(read_track(left)[0], read_track(right)[0])
                    if not left.get("MZ.TrackName").endswith("sound"):
                        got_clips += [(role(left), *c[:4]) for c in read_track(left)[0]]
                    else:
                        sounds += [(role(left), *c[:4]) for c in read_track(left)[0]]
                self.assertEqual(len(audio) % 2, 0)
                self.assertEqual(sorted(c[:3] for c in got_clips), sorted((e[0], *e[7:9]) for e in table))
                read = {c[:2]: c[3:] for c in got_clips}
                for track, *_, src_in, src_out, rec_in, _, media in table:
                    if re.search(r"(?i)\.(avi|wav)$", media):  # a still or colour clip has no source frames
                        self.assertEqual(read[(track, rec_in)], (src_in, src_out), media)
                self.assertEqual(sorted(sounds), sorted((e[0], *e[7:9], *e[5:7]) for e in table if e[0] in ("MAIN", "INS")
                                                        and e[1] and re.search(r"(?i)\.avi$", e[9])))
                effects = {"D": "Cross Dissolve", "W": "Edge Wipe"}
                self.assertEqual(sorted(got_transitions),
                                 sorted((t, rec_in, into, effects[code]) for t, _, _, code, into, _, _, rec_in, _, _ in table
                                        if code != "C" and into))
                if titles is not None:
                    self.assertEqual(len(sequence.findall("marker")), titles)

    def test_every_file_is_defined_once_before_it_is_referred_to(self):
        for name, software, mode, _ in CASES:
            with self.subTest(name=name, mode=mode):
                defined = set()
                for file in ET.parse(self.export(name, software, mode)).getroot().iter("file"):
                    if len(file):
                        self.assertNotIn(file.get("id"), defined)
                        defined.add(file.get("id"))
                        url = file.findtext("pathurl")
                        self.assertTrue(url is None or url.startswith("file://localhost/media/morvane-examples/"), url)
                    else:
                        self.assertIn(file.get("id"), defined)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
