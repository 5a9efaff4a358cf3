"""Checks of the reference conversion against the worked examples of the file format.

Run from this folder: python3 -m unittest
"""

import random
import unittest

import morvane_reference as ref
from generate_projects import ProjectWriter, generate

CRLF = b'\r\n'


def header(w, version=0x0207, software='rexedit', bin_count=0, main_count=0, frequency=48000,
           aspect=0, title_track=0):
    w.u8(version & 0xFF)
    w.u8(version >> 8)
    w.u16(0)
    w.u32(bin_count)
    w.u32(main_count)
    w.u32(frequency)
    if version >= 0x0205:
        w.u32(aspect)
    if version >= 0x0207 and software == 'rexedit':
        w.u32(title_track)


def options(w, version=0x0207, software='rexedit', out_file=b''):
    for _ in range(3):
        w.u32(0)
    if version >= 0x0207 and software == 'rexedit':
        w.u32(0)
    w.short_string(out_file)


def movie(w, name, clip_in, clip_out, level_in=0, level_out=0, points=(), begin=None):
    w.short_string(name)
    w.u32(clip_in)
    w.u32(clip_out)
    if begin is not None:
        w.u32(begin)
    w.u32(len(points))
    w.u16(level_in)
    w.u16(level_out)
    for position, value in points:
        w.u32(position)
        w.u16(value)


def effect(w, index, length, name, parameter_words=(), parameter_bytes=None, closing=b''):
    w.u32(index)
    w.u32(length)
    w.u32(15)
    w.u16(1)
    w.short_string(name)
    for _ in range(5):
        w.u32(0)
    w.u32(4 * len(parameter_words) if parameter_bytes is None else parameter_bytes)
    for word in parameter_words:
        w.u32(word)
    w.short_string(closing)


def listing_section(text, heading):
    """Lines between heading and the next heading (exclusive)."""
    start = text.index(heading + CRLF) + len(heading) + 2
    lines = []
    for line in text[start:].split(CRLF):
        if line.startswith(b'['):
            break
        lines.append(line)
    return lines


def edl_lines(text):
    return text.split(b'[END]\r\n\r\n\r\n\r\n\r\n', 1)[1].split(CRLF)[2:-1]


def one_main_track_project(clips_writer, version=0x0204, software='rexedit', tail=None):
    """A project whose main track is written by clips_writer(w) -> count, with nothing else."""
    w = ProjectWriter()
    body = ProjectWriter()
    count = clips_writer(body)
    header(w, version=version, software=software, main_count=count)
    w.raw(body.data())
    for _ in range(3):
        w.u32(0)
    if version >= 0x0200:
        w.u32(0)
        w.u32(0)
    if tail:
        tail(w)
    options(w, version, software)
    return w.data()


class SourceReaderTest(unittest.TestCase):
    def test_fields_are_little_endian_and_u32_is_signed(self):
        r = ref.SourceReader(bytes((1, 2, 3, 4)))
        self.assertEqual(r.u32(), 67305985)
        r = ref.SourceReader(bytes((1, 2, 3, 4)))
        self.assertEqual((r.u16(), r.u16()), (513, 1027))
        r = ref.SourceReader(bytes((1, 2, 3, 4)))
        self.assertEqual((r.u24(), r.u8()), (197121, 4))
        self.assertEqual(ref.SourceReader(b'\xff' * 4).u32(), -1)

    def test_bytes_past_the_end_read_as_zero_and_are_counted(self):
        r = ref.SourceReader(b'\x34\x12')
        self.assertEqual(r.u32(), 4660)
        self.assertEqual(r.past_end, 2)
        r.skip(1000)
        self.assertEqual(r.past_end, 2)

    def test_more_than_one_mebibyte_past_the_end_refuses(self):
        r = ref.SourceReader(b'')
        r.read_bytes(1048576)
        with self.assertRaisesRegex(ref.ConversionRefused, 'it ends too early'):
            r.u8()

    def test_frame24_marker_31_makes_the_value_negative(self):
        self.assertEqual(ref.SourceReader(bytes.fromhex('FBFFFF1F')).signed_frame24(), -5)
        self.assertEqual(ref.SourceReader(bytes.fromhex('FBFFFF00')).signed_frame24(), 16777211)
        self.assertEqual(ref.SourceReader(bytes.fromhex('0500001E')).signed_frame24(), 5)
        self.assertEqual(ref.SourceReader(bytes.fromhex('FBFFFFFF')).signed_frame24(), 16777211)


class DriverTest(unittest.TestCase):
    def test_empty_rexedit_0207_project_lists_every_heading_and_takes_all_steps(self):
        data = bytes.fromhex('07020000 00000000 00000000 80BB0000 01000000 02000000')
        text = ref.convert(data, 'rexedit', 'ntsc-df')
        self.assertTrue(text.startswith(
            b'[Header]\r\nVersion=02.07\r\nFrequency=48kHz16bit\r\nAspectRatio=16:9\r\n'
            b'TitleTrack=2\r\n[MainAV]\r\n[InsertAV]\r\n[ExAudio1]\r\n[ExAudio2]\r\n[Effect]\r\n'
            b'[Title]\r\n[FilterMainAV]\r\n[FilterInsertAV]\r\n[FilterExAudio1]\r\n'
            b'[FilterExAudio2]\r\n[BinWindow]\r\n[Option]\r\nViewPosition=0\r\n'))
        self.assertTrue(text.endswith(b'OutFile=\r\n[END]\r\n\r\n\r\n\r\n\r\n'
                                      b'Event                    Source                      Recorder\r\n'
                                      b'                         IN            OUT           IN            OUT\r\n'))
        self.assertEqual(ref.progress_events(data), ([(200, '')], 200))

    def test_version_gates(self):
        def lines(version, software):
            w = ProjectWriter()
            header(w, version=version, software=software, aspect=2)
            options(w, version, software, b'name')
            return ref.convert(w.data(), software, 'frames').split(CRLF)
        v204 = lines(0x0204, 'rexedit')
        self.assertIn(b'Version=02.04', v204)
        self.assertIn(b'[Effect]', v204)
        self.assertFalse(any(l.startswith(b'AspectRatio') for l in v204))
        v205 = lines(0x0205, 'rexedit')
        self.assertIn(b'AspectRatio=16:9', v205)
        self.assertFalse(any(l.startswith(b'TitleTrack') for l in v205))
        v1ff = lines(0x01FF, 'ezedit')
        self.assertIn(b'Version=01.ff', v1ff)
        self.assertNotIn(b'[Effect]', v1ff)
        self.assertNotIn(b'[Title]', v1ff)
        ez207 = lines(0x0207, 'ezedit')
        self.assertNotIn(b'[FilterMainAV]', ez207)
        self.assertIn(b'OutFile=name', ez207)
        self.assertIn(b'[FilterExAudio2]', lines(0x0207, 'rexedit'))

    def test_frequency_texts(self):
        for code, expected in ((0, b'Frequency='), (22050, b'Frequency=22050'),
                               (0xFFFFFFFF, b'Frequency=-1'), (32012, b'Frequency=32kHz12bit'),
                               (44100, b'Frequency=44.1kHz16bit')):
            w = ProjectWriter()
            header(w, version=0x0200, frequency=code)
            options(w, 0x0200)
            self.assertIn(expected + CRLF, ref.convert(w.data(), 'rexedit', 'pal'))

    def test_track_count_above_capacity_refuses(self):
        w = ProjectWriter()
        header(w, version=0x0200, main_count=1234)
        with self.assertRaises(ref.ConversionRefused) as refusal:
            ref.convert(w.data())
        self.assertEqual(str(refusal.exception),
                         'Can not convert source file: [MainAV] holds 1234 clips, more than 1000')

        def clips(b):
            movie(b, b'a.avi', 0, 9)
            return 1
        data = bytearray(one_main_track_project(clips))
        at = len(data) - (4 * 5 + 3 * 4 + 1)
        data[at:at + 4] = (301).to_bytes(4, 'little')
        with self.assertRaises(ref.ConversionRefused) as refusal:
            ref.convert(bytes(data))
        self.assertEqual(str(refusal.exception),
                         'Can not convert source file: [InsertAV] holds 301 clips, more than 300')


class TrackSectionTest(unittest.TestCase):
    def test_movie_still_and_colour_lines(self):
        def clips(b):
            movie(b, b'clip.avi', 0, 299, 100, 100, [(150, 50), (200, 100)])
            b.short_string(b'photo.JPEG')
            b.raw(bytes.fromhex('FBFFFF1F 5E000000'))
            b.short_string(b'')
            b.u32(0)
            b.u16(0)
            b.u16(0)
            b.short_string(b'C23__ABCDEF__12.clr')
            b.u32(0)
            b.u32(9)
            b.short_string(b'txt')
            b.u32(0)
            b.u16(0)
            b.u16(0)
            b.short_string(b'xy')  # Other: nothing more
            b.short_string(b'XA9.CLR')
            b.u32(1)
            b.u32(2)
            b.short_string(b'')
            b.u32(0x80000000)  # negative point count: no points
            b.u16(0)
            b.u16(7)
            return 5
        text = ref.convert(one_main_track_project(clips))
        self.assertEqual(listing_section(text, b'[MainAV]'), [
            b'clip.avi,in=0,out=299,levelpoint(in=100,out=100,150=50,200=100)',
            b'photo.JPEG,in=-5,out=94,,levelpoint(in=0,out=0)',
            b'ColorClip(count=2,direction=BR,1st=ABCDEF,2nd=12.clr,3rd=      ,4th=      )'
            b',in=0,out=9,txt,levelpoint(in=0,out=0)',
            b'ColorClip(count=17,direction=,1st=    LR,2nd=      ,3rd=      ,4th=      )'
            b',in=1,out=2,,levelpoint(in=0,out=7)',
        ])

    def test_classification(self):
        for name, kind in ((b'CLIP.AVI', ref.MOVIE), (b'photo.Jpg', ref.STILL),
                           (b'a.targa', ref.STILL), (b'x.jpe', ref.OTHER), (b'm.mov', ref.OTHER),
                           (b'a.CLR', ref.COLOR), (b'avi', ref.MOVIE), (b'ab', ref.OTHER),
                           (b'jpeg', ref.STILL), (b'\x83\x5c.gif', ref.STILL)):
            self.assertEqual(ref.classify_clip(name), kind, name)

    def test_colour_count_is_the_byte_minus_48(self):
        self.assertEqual(ref.color_clip_pieces(b'C\x837.clr')[:2], [b'ColorClip(count=83', b',direction=UL'])
        self.assertEqual(ref.color_clip_pieces(b'C 0.clr')[:2], [b'ColorClip(count=-16', b',direction=U'])

    def test_main_progress_spreads_forty_steps(self):
        def clips(b):
            for _ in range(3):
                movie(b, b'a.avi', 0, 0)
            return 3
        events, final = ref.progress_events(one_main_track_project(clips))
        self.assertEqual(events[:3], [(0, '[MainAV] 1 / 3'), (13, '[MainAV] 2 / 3'),
                                      (26, '[MainAV] 3 / 3')])
        self.assertEqual(final, 200)

    def test_insert_and_audio_lines_entries_and_progress(self):
        def clips(b):
            movie(b, b'm.avi', 0, 999)
            return 1

        def tracks(w):
            pass
        w = ProjectWriter()
        header(w, version=0x0204, main_count=1)
        movie(w, b'm.avi', 0, 999)
        w.u32(3)
        movie(w, b'ins.avi', 10, 59, begin=300)
        w.short_string(b'still.bmp')
        w.raw(bytes.fromhex('FBFFFF1F 5E000000 FBFFFF1F'))
        w.short_string(b'')
        w.u32(0)
        w.u16(0)
        w.u16(0)
        w.short_string(b'junk')
        w.u32(4)
        movie(w, b'music.wav', 0, 899, 200, 0, [(450, 100)], begin=120)
        for _ in range(3):
            movie(w, b'x.avi', 0, 0, begin=0)
        w.u32(0)
        w.u32(0)
        w.u32(0)
        options(w, 0x0204)
        data = w.data()
        text = ref.convert(data)
        self.assertEqual(listing_section(text, b'[InsertAV]'), [
            b'ins.avi,in=10,out=59,begin=300,levelpoint(in=0,out=0)',
            b'still.bmp,in=-5,out=94,begin=536870907,,levelpoint(in=0,out=0)'])
        self.assertEqual(listing_section(text, b'[ExAudio1]')[0],
                         b'music.wav,in=0,out=899,begin=120,levelpoint(in=200,out=0,450=100)')
        events, _ = ref.progress_events(data)
        positions = [p for p, t in events if t.startswith('[InsertAV]')]
        self.assertEqual(positions, [40, 46, 53])
        positions = [p for p, t in events if t.startswith('[ExAudio]')]
        self.assertEqual(positions, [60, 62, 65, 67])


class EffectSectionTest(unittest.TestCase):
    def project(self, effects, main_count=2):
        w = ProjectWriter()
        header(w, version=0x0204, main_count=main_count)
        for k in range(main_count):
            movie(w, b'c%d.avi' % k, 0, 99, 1)
        w.u32(0)
        w.u32(0)
        w.u32(0)
        body = ProjectWriter()
        for e in effects:
            effect(body, *e[:3], **(e[3] if len(e) > 3 else {}))
        w.u32(len(effects))
        w.raw(body.data())
        w.u32(0)
        options(w, 0x0204)
        return w.data()

    def test_effect_lines(self):
        text = ref.convert(self.project([
            (0, 85, b'Dissolve', {'parameter_words': (100, 200)}),
            (0, 85, b'Dissolve', {'parameter_words': (100, 200), 'closing': b'abc'}),
            (0xFFFFFFFF, 1, b'', {'parameter_words': (1, 2), 'parameter_bytes': 5}),
            (1, 2, b'W', {'parameter_bytes': 0x80000000}),
        ]))
        self.assertEqual(listing_section(text, b'[Effect]'), [
            b'0,85,15,1,Dissolve,0,0,0,0,0,100,200,',
            b'0,85,15,1,Dissolve,0,0,0,0,0,100,200,abc',
            b'4294967295,1,15,1,,0,0,0,0,0,1,2,',
            b'1,2,15,1,W,0,0,0,0,0,'])

    def test_effect_naming_the_last_clip_holds_back_nothing_and_makes_a_transition(self):
        text = ref.convert(self.project([(0, 85, b'Dissolve'), (1, 90, b'Basic - Wipe')]),
                           'rexedit', 'frames')
        self.assertEqual(edl_lines(text), [
            b'001 MAIN  VA   C              0       85        0       85   c0.avi',
            b'001 MAIN  VA   D     15       0       90       85      175   c1.avi',
            b'002 MAIN  VA   C             90       90      175      175'])

    def test_records_outside_the_table_change_nothing(self):
        text = ref.convert(self.project([(999, 5, b'Dissolve'), (-1, 5, b'Dissolve')]), 'rexedit',
                           'frames')
        self.assertEqual(edl_lines(text)[1],
                         b'002 MAIN  VA   C              0      100      100      200   c1.avi')


class TitleSectionTest(unittest.TestCase):
    def titles(self, version, software, build, count=1):
        w = ProjectWriter()
        header(w, version=version, software=software, main_count=1)
        w.short_string(b'o')
        for _ in range(4):
            w.u32(0)
        w.u32(count)
        for _ in range(count):
            build(w)
        if version >= 0x0207 and software == 'rexedit':
            for _ in range(8):
                w.u32(0)
        options(w, version, software)
        return w.data()

    def test_plain_title_example(self):
        def build(w):
            w.u32(10)
            w.u32(200)
            w.u32(0)
            w.short_string(b'abc')
            w.u32(0)
            w.u32(1)
            w.short_string(b'x')
            w.u32(0)
            w.u32(0)
            w.short_string(b'')
        data = self.titles(0x0206, 'rexedit', build)
        self.assertEqual(listing_section(ref.convert(data, 'rexedit'), b'[Title]'),
                         [b'begin=10,200,0,abc,0,1,x,0,', b','])

    def item(self, w, text, word=None, long_length=False):
        if word is not None:
            w.u32(word)
        if len(text) >= 255 or long_length:
            w.u8(255)
            w.u16(len(text))
        else:
            w.u8(len(text))
        w.raw(text)
        for k in range(9):
            w.u32(k)
        w.short_string(b'nm')
        for k in range(4):
            w.u32(0xFFFFFFFF)
        w.u8(200)
        for words in (22, 18, 28, 18, 29, 18):
            for _ in range(words):
                w.u32(7)
            w.u16(65535)
        for _ in range(5):
            w.u32(1)

    def test_extended_items_with_escapes_long_texts_and_word_blocks(self):
        def build(w):
            w.u32(0xFFFFFFFF)
            w.u32(1)
            w.u32(2)
            w.short_string(b'n')
            w.u32(5)
            w.u32(11)
            w.u32(12)
            w.u32(3)
            w.short_string(b'')
            w.u32(0xFFFFFFFF)
            w.u16(0x0301)
            w.u16(9)
            w.u32(0x80000000)
            w.u32(3)
            self.item(w, b'a\r\nb"c\\d\x83\x5c\x00zz', word=42)
            self.item(w, b'q' * 300, word=43)
            self.item(w, b'', word=44)
            w.short_string(b'close')
        text = ref.convert(self.titles(0x0205, 'ezedit', build), 'ezedit')
        lines = listing_section(text, b'[Title]')
        self.assertEqual(lines[0], b'begin=-1,1,2,n,5,11,12,3,,-1,769,9,2147483648,')
        runs = b''.join((b',7' * n) + b',65535' for n in (22, 18, 28, 18, 29, 18))
        rest = b',0,1,2,3,4,5,6,7,8,nm' + b',4294967295' * 4 + b',200' + runs + b',1' * 5
        self.assertEqual(lines[1], b',42,"a\\r\\nb\\"c\\\\d\x83\\\\"' + rest)
        self.assertEqual(lines[2], b',43,"' + b'q' * 300 + b'"' + rest)
        self.assertEqual(lines[3], b',44,""' + rest)
        self.assertEqual(lines[4], b',close')

    def test_layout_word_768_has_no_item_word_and_rex_0206_has_no_extension(self):
        def build(w):
            for _ in range(3):
                w.u32(0)
            w.short_string(b'')
            w.u32(0)
            w.u32(0)
            w.short_string(b'')
            w.u32(0)
            w.u16(768)
            w.u16(0)
            w.u32(0)
            w.u32(1)
            self.item(w, b'255' * 85, long_length=True)
            w.short_string(b'')
        text = ref.convert(self.titles(0x0207, 'rexedit', build))
        self.assertTrue(listing_section(text, b'[Title]')[1].startswith(b',"255255'))

    def test_seven_titles_spread_sixty_steps(self):
        def build(w):
            for _ in range(3):
                w.u32(0)
            w.short_string(b'')
            w.u32(0)
            w.u32(0)
            w.short_string(b'')
            w.u32(0)
            w.u32(0)
            w.short_string(b'')
        events, final = ref.progress_events(self.titles(0x0204, 'rexedit', build, 7))
        titles = [(p, t) for p, t in events if t.startswith('[Title]')]
        start = titles[0][0]
        self.assertEqual([p - start for p, _ in titles], [0, 8, 17, 25, 34, 42, 51])
        self.assertEqual(titles[-1][1], '[Title] 7 / 7')
        self.assertEqual(final, 200)


class FilterAndBinTest(unittest.TestCase):
    def test_visual_and_audio_filter_records(self):
        w = ProjectWriter()
        header(w, version=0x0207, main_count=2)
        w.short_string(b'a.avi')
        w.u32(100)
        w.u32(199)
        w.u32(0)
        w.u16(5)
        w.u16(0)
        w.short_string(b'o')
        w.u32(0)
        w.u32(1)
        w.short_string(b'snd.wav')
        for _ in range(4):
            w.u32(0)
        w.u16(0)
        w.u16(0)
        w.u32(0)
        w.u32(0)
        w.u32(0)
        for v in (1, 1, 2, 7, 0, 0xFFFFFFFF):
            w.u32(v)
        w.u32(10)
        w.raw(b'\xff' * 6)
        w.u32(99)
        w.u32(3)
        w.raw(b'\xff' * 3)
        w.u32(2)
        w.short_string(b'A')
        w.u32(2)
        w.raw(b'zz')
        w.short_string(b'')
        w.u32(0)
        w.u32(0)
        for v in (0, 0, 0, 0, 0, 0, 0, 0):
            w.u32(v)
        w.u32(2)
        w.short_string(b'A')
        w.u32(0)
        w.short_string(b'B')
        w.u32(1)
        w.raw(b'x')
        options(w)
        text = ref.convert(w.data(), 'rexedit', 'frames')
        self.assertEqual(listing_section(text, b'[FilterMainAV]'),
                         [b'1,1,2,7,0,4294967295', b',A,,', b',', b'0,0,0,0,0,0', b',', b','])
        self.assertEqual(listing_section(text, b'[FilterExAudio1]'), [b'2,A,B'])
        self.assertEqual(edl_lines(text)[0],
                         b'001 MAIN  V S  C            100      200        0      200   a.avi')

    def test_bin_item_lines(self):
        w = ProjectWriter()
        header(w, version=0x01FF, bin_count=5)
        for name, file_name in ((b'item', b'CLIP.AVI'), (b'w', b'x.WAV'), (b's', b'photo.jpeg'),
                                (b'c', b'C23__RED'), (b'', b'ab')):
            w.short_string(name)
            w.short_string(file_name + (b'.clr' if name == b'c' else b''))
            for v in (0, 299, 48000, 16):
                w.u32(v)
        options(w, 0x01FF)
        lines = listing_section(ref.convert(w.data(), 'ezedit'), b'[BinWindow]')
        self.assertEqual(lines, [
            b'item,CLIP.AVI,in=0,out=299,audio=48000Hz16bit',
            b'w,x.WAV,in=0,out=299,audio=48000Hz16bit',
            b's,photo.jpeg,in=0,out=299',
            b'ColorClip(count=2,direction=BR,1st=RED.cl,2nd=      ,3rd=      ,4th=      ),in=0,out=299',
            b',ab,in=0,out=299,audio=48000Hz16bit'])


class TimecodeTest(unittest.TestCase):
    def check(self, mode, cases, fn=ref.format_timecode):
        for count, expected in cases:
            self.assertEqual(fn(count, mode), expected, (mode, count))

    def test_every_mode_formats_counts_with_c_semantics(self):
        self.check('ntsc-df', [(0, b'00:00:00;00'), (1799, b'00:00:59;29'), (1800, b'00:01:00;02'),
                               (1801, b'00:01:00;03'), (17981, b'00:09:59;29'),
                               (17982, b'00:10:00;00'), (35964, b'00:20:00;00'),
                               (107891, b'00:59:59;29'), (107892, b'01:00:00;00'),
                               (299999, b'02:46:49;29'), (300000, b'02:46:50;00'),
                               (50000, b'00:27:48;10'), (-1, b'00:00:00;00')])
        self.check('pal', [(0, b'00:00:00:00'), (90000, b'01:00:00:00'), (29, b'00:00:01:04'),
                           (1800, b'00:01:12:00'), (-1, b'00:00:00:-1'), (-31, b'00:00:-1:-6')])
        self.check('ntsc-ndf', [(1800, b'00:01:00:00'), (107892, b'00:59:56:12'),
                                (2592000, b'24:00:00:00'), (-31, b'00:00:-1:-1'),
                                (-26, b'00:00:00:-26'), (-1, b'00:00:00:-1')])
        self.check('frames', [(0, b'     0'), (123, b'   123'), (1234567, b'1234567'), (-1, b'    -1')])
        self.check('ntsc-df', [(45, b'01:15'), (1815, b'00:15'), (-1, b'00:-1')], ref.format_duration)
        self.check('ntsc-ndf', [(45, b'01:15')], ref.format_duration)
        self.check('pal', [(45, b'01:20'), (-1, b'00:-1')], ref.format_duration)
        self.check('frames', [(45, b'   45')], ref.format_duration)
        self.check('ntsc-df', [(-2147483648, b'00:00:00;00')])

    def test_closed_form_equals_the_counting_rule(self):
        # one running count from (0, 0), without checkpoints
        label = 0
        for count in range(1, 400001):
            following = label + 1
            label = label + 3 if following % 1800 == 0 and following % 18000 != 0 else following
            if ref.drop_frame_label(count) != label:
                self.fail('count %d' % count)
        rng = random.Random(5)
        for count in [0, 50000, 100000, 150000, 200000, 250000, 300000, -5] + \
                [rng.randrange(0, 400000) for _ in range(20)]:
            self.assertEqual(ref.drop_frame_label(count), ref.drop_frame_label_by_counting(count))

    def test_labels_beyond_32_bits_are_the_true_ones(self):
        # the label keeps growing by 18000 per 17982 frames
        count = 2147483647
        label = ref.drop_frame_label(count)
        self.assertGreater(label, 2 ** 31)
        self.assertEqual(ref.drop_frame_label(count - 17982), label - 18000)
        self.assertEqual(ref.format_timecode(count, 'ntsc-df'),
                         b'%02d:%02d:%02d;%02d' % (label // 108000, label // 1800 % 60,
                                                   label // 30 % 60, label % 30))


class EdlTest(unittest.TestCase):
    def worked_example(self, mode):
        w = ProjectWriter()
        header(w, version=0x0204, main_count=2)
        movie(w, b'A.avi', 100, 199, 1)
        movie(w, b'B.avi', 0, 149, 1)
        w.u32(1)
        movie(w, b'I.avi', 10, 39, begin=50)
        w.u32(0)
        w.u32(0)
        w.u32(1)
        effect(w, 0, 85, b'Dissolve')
        w.u32(0)
        options(w, 0x0204)
        return w.data()

    def test_worked_example(self):
        data = self.worked_example('ntsc-ndf')
        self.assertEqual(edl_lines(ref.convert(data, 'rexedit', 'ntsc-ndf')), [
            b'001 MAIN  VA   C         00:00:03:10   00:00:06:05   00:00:00:00   00:00:02:25   A.avi',
            b'001 MAIN  VA   D  00:15  00:00:00:00   00:00:05:00   00:00:02:25   00:00:07:25   B.avi',
            b'002 INS   V    C         00:00:00:10   00:00:01:10   00:00:01:20   00:00:02:20   I.avi'])
        events, final = ref.progress_events(data, 'rexedit', 'ntsc-ndf')
        self.assertEqual(events[-3:], [(160, '[EDL] 1 / 2'), (180, '[EDL] 2 / 2'), (200, '')])

    def test_frames_header(self):
        text = ref.convert(self.worked_example('frames'), 'rexedit', 'frames')
        gap = text.split(b'[END]\r\n\r\n\r\n\r\n\r\n', 1)[1]
        self.assertTrue(gap.startswith(
            b'Event                        Source            Recorder\r\n'
            b'                             IN      OUT       IN      OUT\r\n'))

    def test_three_clips_with_two_transitions_and_half_speed(self):
        w = ProjectWriter()
        header(w, version=0x0207, main_count=3)
        movie(w, b'a.avi', 100, 199)
        movie(w, b'b.avi', 100, 199, 1)
        movie(w, b'c.avi', 0, 99)
        w.u32(1)
        movie(w, b'i.avi', 0, 9, 1, begin=10000)
        w.u32(0)
        w.u32(0)
        w.u32(2)
        effect(w, 0, 90, b'dissolve')
        effect(w, 1, 85, b'\x83\x66\x83\x42\x83\x5D\x83\x8B\x83\x75')
        w.u32(0)
        for slow in (0, 1, 0, 1):
            for v in (0, 0, 0, slow, 0, 0, 0, 0):
                w.u32(v)
        options(w)
        self.assertEqual(edl_lines(ref.convert(w.data(), 'rexedit', 'frames')), [
            b'001 MAIN  V    C            100      190        0       90   a.avi',
            b'001 MAIN  V S  W     10     100      185       90      275   b.avi',
            b'002 MAIN  V S  C            285      285      275      275',
            b'002 MAIN  V    D     15       0      100      275      375   c.avi',
            b'003 INS   V S  C              0       10    10000    10020   i.avi'])


class GeneratedProjectsTest(unittest.TestCase):
    def test_well_formed_projects_are_consumed_to_their_last_byte(self):
        for project in generate(60, seed=11):
            if project.kind != 'normal':
                continue
            conversion = ref.Conversion(project.data, project.software, 'pal')
            conversion.run()
            self.assertEqual(conversion.reader.pos, len(project.data), project.name)
            self.assertEqual(conversion.reader.past_end, 0, project.name)
            self.assertEqual(conversion.progress.position, 200, project.name)


if __name__ == '__main__':
    unittest.main()
