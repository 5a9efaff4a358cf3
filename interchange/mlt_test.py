"""MLT exports read back through MLT's own library (python3-mlt), against the EDL table.

Each case converts an example or golden project to .mlt with media whose frames tell themselves
apart (frame N of every movie is one colour that encodes N, with a loud tone; stills are grey) and
the listing's EDL table in frames. MLT then loads the .mlt and, per event of the table, plays its
track: a movie shows the media frames of the event's source range over its record range, at half
speed too, frame by frame; it sounds exactly when the table gives it audio (VA); a dissolve is an
even blend and a wipe is not, halfway through the transition. The profile is MLT's stock one, the
tracks keep their order (V1 the main track, the inserts above it, the extra audio tracks last with
their pictures hidden), inserts are fitted and centred, and titles show as text for their time.
Projects named with XML's special characters and control bytes load too.

usage: mlt_test.py MORVANE_CONVERT MAKE_EXAMPLES
"""
import os, re, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET
import mlt7

CONVERT, MAKE_EXAMPLES = sys.argv[1:3]
# Project, software, timecode mode, MLT's stock profile, the frames each title shows [begin, end).
CASES = [("edl-0207", "rexedit", "ntsc-df", "dv_ntsc", []),
         ("rexedit-0207", "rexedit", "pal", "dv_pal_wide", [(10, 135), (1200, 1325)]),
         ("rexedit-0207", "rexedit", "ntsc-ndf", "dv_ntsc_wide", [(10, 160), (1200, 1350)]),
         ("ezedit-0206", "ezedit", "pal", "dv_pal", [(30, 155)])]
EVENT = re.compile(r"\d{3} (MAIN|INS |ExA1|ExA2) +(VA|V|A) +(?:S )? *([CDW])((?: +-?\d+){4,5})   (.+)$")
WAVE = (16, 64)  # the size of the waveform drawn from a frame's sound


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def ffmpeg(*args):
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", *args)


def events(table):
    """The EDL table's events with a length: (track, channels, transition code, its frames, source
    in, source out, record in, record out, name)."""
    found = []
    for line in table.decode("utf-8", "replace").splitlines():
        m = EVENT.match(line)
        if m:
            numbers = [int(n) for n in m.group(4).split()]
            duration = numbers.pop(0) if len(numbers) == 5 else 0
            if numbers[3] > numbers[2]:
                found.append((m.group(1).strip(), m.group(2), m.group(3), duration, *numbers, m.group(5)))
    return found


def load(path):
    """The profile and the tracks (playlists) of the .mlt's main tractor, as MLT reads them."""
    profile = mlt7.Profile()
    top = mlt7.Producer(profile, "xml:" + path)
    service = top
    while service.type() != 5:  # the tractor's multitrack
        service = service.producer()
    tracks = mlt7.Multitrack(service)
    return profile, top, [mlt7.Playlist(tracks.track(i)) for i in range(tracks.count())]


def frame(producer, position):
    producer.seek(position)
    return producer.get_frame()


class Size:
    def __init__(self, width, height):
        self.width, self.height = lambda: width, lambda: height


def pixels(frame, profile, points):
    image = mlt7.frame_get_image(frame, mlt7.mlt_image_rgb, profile.width(), profile.height())
    return [tuple(image[3 * (y * profile.width() + x):][:3]) for x, y in points]


def media_frame(colour):
    r, g, b = colour
    return r // 16 + 16 * (g // 16) + 256 * (b // 16)


def loud(frame):
    wave = mlt7.frame_get_waveform(frame, *WAVE)
    return sum(1 for row in range(WAVE[1]) if any(wave[row * WAVE[0]:(row + 1) * WAVE[0]])) > 8


class MltTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        mlt7.Factory().init()
        cls.dir = tempfile.mkdtemp()
        run(MAKE_EXAMPLES, "--golden", cls.dir)
        cls.movies = {rate: os.path.join(cls.dir, rate.replace("/", "-") + ".avi") for rate in ("30000/1001", "25")}
        for rate, path in cls.movies.items():
            ffmpeg("-i", f"nullsrc=s=64x48:r={rate}:d=60,format=gbrp,geq=r='16*mod(N,16)+8'"
                   ":g='16*mod(floor(N/16),16)+8':b='16*floor(N/256)+8'", "-f", "lavfi",
                   "-i", "sine=frequency=300:duration=60,volume=6", "-c:v", "ffv1", "-c:a", "pcm_s16le", path)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def export(self, name, software, mode, source=None):
        source, mlt = source or os.path.join(self.dir, name + ".dvc"), os.path.join(self.dir, name + ".mlt")
        for _ in range(2):  # the second time with the media found
            run(CONVERT, "--software", software, "--timecode", mode, "--format", "mlt", "--media-dir", self.dir,
                "-q", "--force", "-o", mlt, source)
            for producer in ET.parse(mlt).getroot().iter("producer"):
                path = producer.findtext("property[@name='warp_resource']") or \
                    producer.findtext("property[@name='resource']")
                if path and path.lower().endswith(".avi"):  # at the rate of the profile
                    shutil.copy(self.movies["25" if mode == "pal" else "30000/1001"], path)
                elif path and path.startswith(self.dir) and not os.path.exists(path):
                    if path.endswith(".wav"):
                        ffmpeg("-i", "sine=duration=60,volume=6", path)
                    else:
                        ffmpeg("-i", "color=c=gray:s=64x48", "-frames:v", "1", "-f", "image2", path)
        return mlt

    def test_mlt_plays_the_edl_tables_events(self):
        for name, software, mode, profile_name, titles in CASES:
            with self.subTest(name=name, mode=mode):
                mlt = self.export(name, software, mode)
                table = run(CONVERT, "--software", software, "--timecode", "frames", "-q", "-o", "-",
                            os.path.join(self.dir, name + ".dvc"))
                profile, top, tracks = load(mlt)
                stock = mlt7.Profile(profile_name)
                for field in ("width", "height", "frame_rate_num", "frame_rate_den", "sample_aspect_num",
                              "sample_aspect_den", "display_aspect_num", "display_aspect_den",
                              "progressive", "colorspace"):
                    self.assertEqual(getattr(profile, field)(), getattr(stock, field)(), field)
                self.check_tracks(tracks, events(table))
                self.check_events(profile, tracks, events(table))
                self.check_inserts(profile, top, events(table))
                self.check_titles(profile, top, titles)

    def check_tracks(self, tracks, table):
        hidden = [t.get_int("hide") for t in tracks[1:]]
        self.assertEqual(hidden, sorted(hidden), "video tracks first, then the audio tracks")
        self.assertEqual(hidden.count(1), len({t for t in tracks if t.get("shotcut:audio")}))
        for track, channels, code, into, src_in, src_out, rec_in, rec_out, name in table:
            on = [i for i, t in enumerate(tracks) if i and self.plays(t, rec_out - 1)]
            if track == "MAIN":
                self.assertIn(1, on, name)
            elif track.startswith("ExA"):
                self.assertTrue(any(hidden[i - 1] == 1 for i in on), name)

    @staticmethod
    def plays(track, position):
        return position < track.get_playtime() and not track.is_blank(track.get_clip_index_at(position))

    @classmethod
    def ends(cls, track, position):
        """Whether a clip of track ends at position."""
        clip = track.get_clip_index_at(position - 1)
        return cls.plays(track, position - 1) and track.clip_start(clip) + track.clip_length(clip) == position

    def check_events(self, profile, tracks, table):
        """Per main or insert event on its track: the media frames, the sound, the transition."""
        small = Size(64, 48)
        for track, channels, code, into, src_in, src_out, rec_in, rec_out, name in table:
            if track.startswith("ExA"):
                continue
            playlist = next(t for i, t in enumerate(tracks) if self.ends(t, rec_out) and t.get_int("hide") != 1
                            and (i == 1 if track == "MAIN" else i > 1))
            centre = [(profile.width() // 2, profile.height() // 2)]
            middle = frame(playlist, (rec_in + into + rec_out) // 2)
            self.assertEqual(loud(middle), channels == "VA", name)
            if into:
                ends = [pixels(frame(playlist, r), profile, centre)[0] for r in (rec_in - 1, rec_in + into)]
                row = pixels(frame(playlist, rec_in + into // 2), profile, [(180, 240), (360, 240), (540, 240)])
                even = max(max(a) - min(a) for a in zip(*row)) <= 12
                self.assertEqual(even, code == "D", name)
                if even:
                    self.assertTrue(all(max(abs(a - b) for a, b in zip(row[1], end)) > 12 for end in ends), name)
            if not name.lower().endswith(".avi"):
                continue
            speed, last = (src_out - src_in) / (rec_out - rec_in), rec_out - rec_in - 1
            steps = range(into, last + 1) if speed != 1 else sorted({into, last, *range(into, last, 17)})
            played = {k: media_frame(pixels(frame(playlist, rec_in + k), small, [(32, 24)])[0]) for k in steps}
            for k, media in played.items():  # within a frame of the frame at the same time
                self.assertLessEqual(abs(media - src_in - int((k + 0.5) * speed)), 1, (name, k, played))
            self.assertEqual(played[last], src_out - 1, name)
            self.assertEqual(list(played.values()), sorted(played.values()), name)
            self.assertTrue(into or played[0] == src_in, name)
            if speed != 1:
                self.assertEqual(set(played.values()), set(range(played[into], src_out)), name)

    def check_inserts(self, profile, top, table):
        """An insert alone over the main track shows fitted and centred: across the whole frame
        in 4:3, between bars in 16:9."""
        wide = profile.display_aspect_num() == 16
        inserts = [e for e in table if e[0] == "INS"]
        for event in inserts:
            position = (event[6] + event[7]) // 2
            if event[8].lower().endswith(".avi") and sum(1 for e in inserts if e[6] <= position < e[7]) == 1:
                row = pixels(frame(top, position), profile, [(4, 240), (360, 240), (profile.width() - 5, 240)])
                media = event[4] + (position - event[6]) * (event[5] - event[4]) // (event[7] - event[6])
                self.assertLessEqual(abs(media_frame(row[1]) - media), 1, event)
                self.assertEqual([media_frame(c) == media_frame(row[1]) for c in row], [not wide, True, not wide])

    def check_titles(self, profile, top, titles):
        bottom = [(x, y) for x in range(0, profile.width(), 4) for y in range(profile.height() // 2, profile.height(), 4)]
        for begin, end in titles:
            for position, shown in ((begin - 1, False), (begin, True), (end - 1, True), (end, False)):
                white = sum(1 for c in pixels(frame(top, position), profile, bottom) if min(c) > 230)
                self.assertEqual(white > 0, shown, (begin, end, position))

    def test_names_with_xml_characters_and_control_bytes_load(self):
        with open(os.path.join(self.dir, "edl-0207.dvc"), "rb") as f:
            project = f.read()
        for old, new in ((b"\x05A.avi", b"\x05\x01.avi"), (b"\x05B.avi", b"\x05&.avi"), (b"\x05C.avi", b'\x05".avi'),
                         (b"Dissolve", b"Dis\x02<lve")):
            project = project.replace(old, new)
        name = "a&b<c>\"d'e]]>\x01\x1f"
        with open(os.path.join(self.dir, name + ".dvc"), "wb") as f:
            f.write(project)
        mlt = self.export(name, "rexedit", "ntsc-df", os.path.join(self.dir, name + ".dvc"))
        profile, top, tracks = load(mlt)
        self.assertTrue(top.is_valid())
        self.assertEqual(len(tracks), len(load(self.export("edl-0207", "rexedit", "ntsc-df"))[2]))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
