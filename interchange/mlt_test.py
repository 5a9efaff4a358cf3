"""MLT exports played through MLT's own library (python3-mlt) against the listing's EDL table,
with media whose frames tell themselves apart (frame N is one colour that encodes N, with a loud
tone; stills are grey): per event, the media frames of its source range over its record range
(half speed too), sound exactly where the table says VA, a dissolve an even blend and a wipe not;
MLT's stock profile, the track order and hidden pictures, fitted inserts, titles for their time.

usage: mlt_test.py MORVANE_CONVERT MAKE_EXAMPLES
"""
import os, pathlib, re, shutil, subprocess, sys, tempfile, unittest
import xml.etree.ElementTree as ET
import mlt7

CONVERT, MAKE_EXAMPLES = sys.argv[1:3]
# Project, software, timecode mode, MLT's stock profile, the frames each title shows [begin, end).
CASES = [("edl-0207", "rexedit", "ntsc-df", "dv_ntsc", []),
         ("rexedit-0207", "rexedit", "pal", "dv_pal_wide", [(10, 135), (1200, 1325)]),
         ("rexedit-0207", "rexedit", "ntsc-ndf", "dv_ntsc_wide", [(10, 160), (1200, 1350)]),
         ("ezedit-0206", "ezedit", "pal", "dv_pal", [(30, 155)])]
EVENT = re.compile(r"\d{3} (MAIN|INS |ExA1|ExA2) +(VA|V|A) +(?:S )? *([CDW])((?: +-?\d+){4,5})   (.+)$")


def run(*args):
    return subprocess.run(args, check=True, capture_output=True).stdout


def ffmpeg(*args):
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", *args)


def events(table):
    """The EDL table's events with a length: (track, channels, transition code, its frames, source
    in, source out, record in, record out, name)."""
    found = []
    for m in filter(None, map(EVENT.match, table.decode("utf-8", "replace").splitlines())):
        numbers = [int(n) for n in m.group(4).split()]
        duration = numbers.pop(0) if len(numbers) == 5 else 0
        if numbers[3] > numbers[2]:
            found.append((m.group(1).strip(), m.group(2), m.group(3), duration, *numbers, m.group(5)))
    return found


def load(path):
    """The profile and the tracks (playlists) of the .mlt's main tractor, as MLT reads them."""
    profile = mlt7.Profile()
    service = top = mlt7.Producer(profile, "xml:" + path)
    while service.type() != 5:  # down to the main tractor's multitrack
        service = service.producer()
    tracks = mlt7.Multitrack(service)
    return profile, top, [mlt7.Playlist(tracks.track(i)) for i in range(tracks.count())]


def frame(producer, position):
    producer.seek(position)
    return producer.get_frame()


def pixels(frame, size, points):
    image = mlt7.frame_get_image(frame, mlt7.mlt_image_rgb, *size)
    return [tuple(image[3 * (y * size[0] + x):][:3]) for x, y in points]


def plays(track, position):
    return position < track.get_playtime() and not track.is_blank(track.get_clip_index_at(position))


def ends(track, position):  # a clip of track ends at position
    clip = track.get_clip_index_at(position - 1)
    return plays(track, position - 1) and track.clip_start(clip) + track.clip_length(clip) == position


def media_frame(colour):
    return colour[0] // 16 + 16 * (colour[1] // 16) + 256 * (colour[2] // 16)


def loud(frame):
    wave = mlt7.frame_get_waveform(frame, 16, 64)  # 16 wide, 64 high: silence lights 4 rows
    return sum(1 for row in range(64) if any(wave[row * 16:(row + 1) * 16])) > 8


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

    def export(self, name, software, mode, source=None, fmt="mlt"):
        source, mlt = source or os.path.join(self.dir, name + ".dvc"), os.path.join(self.dir, name + "." + fmt)
        for _ in range(2):  # the second time with the media found
            run(CONVERT, "--software", software, "--timecode", mode, "--format", fmt, "--media-dir", self.dir,
                "-q", "--force", "-o", mlt, source)
            for producer in ET.parse(mlt).getroot().iter("producer"):
                path = producer.findtext("property[@name='warp_resource']") or \
                    producer.findtext("property[@name='resource']")
                if path and path.lower().endswith(".avi"):  # at the rate of the profile
                    shutil.copy(self.movies["25" if mode == "pal" else "30000/1001"], path)
                elif path and path.startswith(self.dir) and not os.path.exists(path):
                    ffmpeg(*(["-i", "sine=duration=60,volume=6"] if path.endswith(".wav") else
                             ["-i", "color=c=gray:s=64x48", "-frames:v", "1", "-f", "image2"]), path)
        return mlt

    def test_mlt_plays_the_edl_tables_events(self):
        for name, software, mode, profile_name, titles in CASES:
            with self.subTest(name=name, mode=mode):
                mlt = self.export(name, software, mode)
                table = events(run(CONVERT, "--software", software, "--timecode", "frames", "-q", "-o", "-",
                                   os.path.join(self.dir, name + ".dvc")))
                profile, top, tracks = load(mlt)
                for field in ("width", "height", "frame_rate_num", "frame_rate_den", "sample_aspect_num", "sample_aspect_den",
                              "display_aspect_num", "display_aspect_den", "progressive", "colorspace"):
                    self.assertEqual(getattr(profile, field)(), getattr(mlt7.Profile(profile_name), field)(), field)
                self.check_tracks(tracks, table)
                self.check_events(profile, tracks, table)
                self.check_inserts(profile, top, table)
                self.check_titles(profile, top, titles)

    def check_tracks(self, tracks, table):
        hidden = [t.get_int("hide") for t in tracks[1:]]  # 1: the picture hidden
        self.assertEqual(hidden, sorted(hidden), "video tracks first, then the audio tracks")
        for track, *_, rec_out, name in table:
            on = [hidden[i - 1] for i, t in enumerate(tracks) if i and plays(t, rec_out - 1)]
            self.assertTrue(plays(tracks[1], rec_out - 1) if track == "MAIN" else
                            (1 if track.startswith("ExA") else 0) in on, name)

    def check_events(self, profile, tracks, table):
        """Per main or insert event on its track: the media frames, the sound, the transition."""
        size, small = (profile.width(), profile.height()), (64, 48)
        video = [e for e in table if e[0] in ("MAIN", "INS")]
        for track, channels, code, into, src_in, src_out, rec_in, rec_out, name in video:
            playlist = next(t for i, t in enumerate(tracks) if ends(t, rec_out) and t.get_int("hide") != 1
                            and (i == 1 if track == "MAIN" else i > 1))
            self.assertEqual(loud(frame(playlist, (rec_in + into + rec_out) // 2)), channels == "VA", name)
            if into:  # halfway: a blend unlike either side, or the two sides
                sides = [pixels(frame(playlist, r), size, [(360, 240)])[0] for r in (rec_in - 1, rec_in + into)]
                row = pixels(frame(playlist, rec_in + into // 2), size, [(180, 240), (360, 240), (540, 240)])
                even = max(max(a) - min(a) for a in zip(*row)) <= 12
                self.assertEqual(even, code == "D", name)
                self.assertTrue(not even or all(max(abs(a - b) for a, b in zip(row[1], c)) > 12 for c in sides), name)
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
        """An insert alone over the main track is fitted and centred: the whole width in 4:3."""
        inserts = [e for e in table if e[0] == "INS"]
        for event in inserts:
            position = (event[6] + event[7]) // 2
            if event[8].lower().endswith(".avi") and sum(1 for e in inserts if e[6] <= position < e[7]) == 1:
                row = pixels(frame(top, position), (profile.width(), profile.height()), [(4, 240), (360, 240), (715, 240)])
                media = event[4] + (position - event[6]) * (event[5] - event[4]) // (event[7] - event[6])
                self.assertLessEqual(abs(media_frame(row[1]) - media), 1, event)
                self.assertEqual([media_frame(c) == media_frame(row[1]) for c in row], [profile.display_aspect_num() == 4, True, profile.display_aspect_num() == 4])

    def check_titles(self, profile, top, titles):
        size = (profile.width(), profile.height())
        bottom = [(x, y) for x in range(0, size[0], 4) for y in range(size[1] // 2, size[1], 4)]
        for begin, end in titles:
            for position, shown in ((begin - 1, False), (begin, True), (end - 1, True), (end, False)):
                white = sum(1 for c in pixels(frame(top, position), size, bottom) if min(c) > 230)
                self.assertEqual(white > 0, shown, (begin, end, position))

    def test_names_with_xml_characters_and_control_bytes_load(self):
        project = pathlib.Path(self.dir, "edl-0207.dvc").read_bytes()
        for old, new in ((b"\x05A.avi", b"\x05\x01.avi"), (b"\x05B.avi", b"\x05&.avi"), (b"\x05C.avi", b'\x05".avi'),
                         (b"Dissolve", b"Dis\x02<lve")):
            project = project.replace(old, new)
        name = "a&b<c>\"d'e]]>\x01\x1f"
        pathlib.Path(self.dir, name + ".dvc").write_bytes(project)
        profile, top, tracks = load(self.export(name, "rexedit", "ntsc-df", os.path.join(self.dir, name + ".dvc")))
        self.assertTrue(top.is_valid())
        self.assertEqual(len(tracks), len(load(self.export("edl-0207", "rexedit", "ntsc-df"))[2]))


    def test_kdenlive_holds_the_edl_tables_events(self):
        """The .kdenlive as MLT loads it: its length, each event's clip on its Kdenlive track (the
        pictures of main and insert on V1 and V2, their sound under them, the extra audio), the
        source range of each movie and sound, each transition a mix of its kind and length."""
        roles = {"Main AV": "MAIN", "Insert AV": "INS", "Extra audio 1": "ExA1", "Extra audio 2": "ExA2"}
        for name, software, mode, _, titles in CASES:
            with self.subTest(name=name, mode=mode):
                path = self.export(name, software, mode, fmt="kdenlive")
                table = events(run(CONVERT, "--software", software, "--timecode", "frames", "-q", "-o", "-",
                                   os.path.join(self.dir, name + ".dvc")))
                profile = mlt7.Profile()
                top = mlt7.Producer(profile, "xml:" + path)
                self.assertEqual(top.get_playtime(), max([e[7] for e in table] + [t[1] for t in titles]))
                service = top
                while service.type() != 5:
                    service = service.producer()
                tracks = mlt7.Multitrack(service)
                clips, mixes = set(), set()
                for i in range(1, tracks.count()):
                    track = mlt7.Tractor(tracks.track(i))
                    label = track.get("kdenlive:track_name")  # a lane's name ends in its number
                    role = next((r for k, r in roles.items() if label.startswith(k)), "Titles") + \
                        (" sound" if label.endswith(" sound") else "")
                    node, tails = track.producer(), {}
                    while node.type() == mlt7.mlt_service_transition_type:
                        mix = mlt7.Transition(node)
                        frames = mix.get_out() - mix.get_in() + 1
                        tails[mix.get_in() + frames] = frames
                        mixes.add((role, mix.get_in(), frames, "W" if mix.get("resource") else "D"))
                        node = node.producer()
                    for side in range(2):
                        playlist = mlt7.Playlist(track.multitrack().track(side))
                        for j in (j for j in range(playlist.count()) if not playlist.is_blank(j)):
                            info = playlist.clip_info(j)
                            tail = tails.get(info.start + info.frame_count, 0)
                            tail = tail if info.start + info.frame_count - tail > info.start else 0
                            frames, speed = info.frame_count - tail, float(info.producer.get("warp_speed") or 1)
                            clips.add((role, info.start, info.start + frames, round(info.frame_in * speed),
                                       round((info.frame_in + frames) * speed)))
                for track, channels, code, into, src_in, src_out, rec_in, rec_out, clip in table:
                    media = clip.lower().endswith((".avi", ".wav"))
                    found = {c for c in clips if c[:3] == (track, rec_in, rec_out) and (not media or c[3:] == (src_in, src_out))}
                    self.assertTrue(found, (track, rec_in, rec_out, src_in, src_out, clip, sorted(clips)))
                    if channels == "VA" and track in ("MAIN", "INS"):
                        self.assertTrue(any(c[:3] == (track + " sound", rec_in, rec_out) for c in clips), clip)
                    if into:
                        self.assertIn((track, rec_in, into, code), mixes, clip)
                self.assertEqual(len(mixes), sum(1 for e in table if e[3]) +
                                 sum(1 for e in table if e[3] and e[1] == "VA" and e[0] in ("MAIN", "INS")))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
