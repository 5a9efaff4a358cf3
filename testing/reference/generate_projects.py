#!/usr/bin/env python3
"""Deterministic random .dvc projects for differential testing.

generate(count, seed) yields Project(name, data, software, kind), kind being
'normal' (well formed for its software), 'truncated' (a well-formed project cut short)
or 'hostile' (counts above capacity, huge counts at the end of the file, huge skips,
negative counts).

The writer here is built from the file layout alone (fields in file order) and shares
nothing with the reference conversion.

Command line: generate_projects.py OUTDIR [--count N] [--seed S] writes the projects as
OUTDIR/NNNN-kind-software.dvc.
"""

import argparse
import collections
import os
import random

Project = collections.namedtuple('Project', 'name data software kind')

VERSIONS = (0x01FF, 0x0200, 0x0204, 0x0205, 0x0206, 0x0207)

IMAGE_SUFFIXES = (
    '.bmp', '.dib', '.rle', '.jpg', 'jpeg', 'jfif', '.pic', 'pict', '.pct',
    '.png', 'pntg', '.pnt', '.mac', '.psd', '.qti', 'qtif', '.sgi', '.rgb',
    '.tga', 'arga', '.vda', '.icb', '.vst', '.tif', 'tiff', '.fpx', '.gif',
)

DISSOLVE_NAMES = (
    bytes.fromhex('83 66 83 42 83 5D 83 8B 83 75'),
    bytes.fromhex('42 61 73 69 63 20 2D 20 C3 DE A8 BF DE D9 CC DE'),
    b'Dissolve',
    b'Basic - Dissolve',
)
OTHER_EFFECT_NAMES = (b'Basic - Wipe', b'dissolve', b'', b'Dissolve\0tail', b'Slide \x83\x5c',
                      b'DISSOLVE', b'Basic - Dissolve ')

EDGE_U32 = (0, 1, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFB,
            1000000, 2145336163, 2145336164, 123456789)


class ProjectWriter:
    """Little-endian fields appended in file order."""

    def __init__(self):
        self.buf = bytearray()

    def u8(self, v):
        self.buf.append(v & 0xFF)

    def u16(self, v):
        self.buf += (v & 0xFFFF).to_bytes(2, 'little')

    def u24(self, v):
        self.buf += (v & 0xFFFFFF).to_bytes(3, 'little')

    def u32(self, v):
        self.buf += (v & 0xFFFFFFFF).to_bytes(4, 'little')

    def raw(self, b):
        self.buf += b

    def short_string(self, b):
        assert len(b) <= 255
        self.u8(len(b))
        self.raw(b)

    def frame24(self, v24, marker):
        """SignedFrame24 as its two parts: a 24-bit number and the marker byte."""
        self.u24(v24)
        self.u8(marker)

    def data(self):
        return bytes(self.buf)


def value_of_frame24(v24, marker):
    return v24 - 16777216 if marker == 31 else v24


class Generator:
    def __init__(self, rng, version, software):
        self.rng = rng
        self.version = version
        self.software = software
        self.w = ProjectWriter()

    # ------------------------------------------------------------ small values

    def chance(self, p):
        return self.rng.random() < p

    def any_u32(self):
        if self.chance(0.3):
            return self.rng.choice(EDGE_U32)
        return self.rng.randrange(0, 100000)

    def u32_or_edge(self, low, high, p_edge=0.08):
        if self.chance(p_edge):
            return self.rng.choice(EDGE_U32)
        return self.rng.randint(low, high)

    def text(self, max_len=12, allow_zero=True):
        rng = self.rng
        choice = rng.random()
        if choice < 0.2:
            return b''
        if choice < 0.3:
            return b'\x83\x65\x83\x4c\x83\x58\x83\x67\x5c'  # Shift-JIS with a 0x5C trail byte
        if choice < 0.35 and allow_zero:
            return b'txt\0hidden'
        if choice < 0.38:
            return bytes(rng.randrange(1, 256) for _ in range(255))
        n = rng.randint(1, max_len)
        return bytes(rng.choice(b'abcdefXYZ0123 -_.,"\\\x81\xfe') for _ in range(n))

    # ------------------------------------------------------------ names

    def movie_name(self):
        rng = self.rng
        return rng.choice((
            b'clip%d.avi' % rng.randrange(100), b'CLIP%d.AVI' % rng.randrange(100),
            b'\x83\x80\x81\x5cmovie.Avi', b'mov.avi\0junk', b'avi', b'x.aVi',
        ))

    def still_name(self):
        rng = self.rng
        suffix = rng.choice(IMAGE_SUFFIXES)
        suffix = ''.join(c.upper() if rng.random() < 0.4 else c for c in suffix)
        if suffix[0] != '.':
            suffix = rng.choice(('photo.', 'p.', 'img.t', '')) + suffix
        return (rng.choice(('photo', 'P', 'still_', '')) + suffix).encode()

    def color_name(self):
        rng = self.rng
        count_char = rng.choice(b'012345678' * 3 + b'A \x83\xff/')
        direction_char = rng.choice(b'01234567' * 3 + b'89x \x80')
        full = (b'C' + bytes((count_char, direction_char)) + b'__'
                + b'__'.join(bytes(rng.choice(b'0123456789ABCDEF') for _ in range(6))
                             for _ in range(4)))
        length = 35 if self.chance(0.5) else rng.randint(3, 35)
        return full[:length] + rng.choice((b'clr', b'.clr', b'.CLR', b'Clr'))

    def other_name(self):
        rng = self.rng
        return rng.choice((b'', b'a', b'ab', b'snd.wav', b'x.jpe', b'movie.mov', b'abc\0.avi',
                           b'title.txt', b'\x83\x5c'))

    # ------------------------------------------------------------ shared records

    def level_block(self):
        rng, w = self.rng, self.w
        r = rng.random()
        if r < 0.1:
            w.u32(rng.choice((0x80000000, 0xFFFFFFFF, 0xFFFFFFF0)))  # negative: no points
            points = 0
        else:
            points = 0 if r < 0.4 else rng.randint(1, 3)
            w.u32(points)
        w.u16(0 if self.chance(0.5) else rng.randrange(65536))
        w.u16(0 if self.chance(0.5) else rng.randrange(65536))
        for _ in range(points):
            w.u32(self.u32_or_edge(0, 3000))
            w.u16(0 if self.chance(0.5) else rng.randrange(65536))

    def frame24_pair(self):
        """in and out of a still or colour clip; returns their values."""
        rng, w = self.rng, self.w
        pairs = []
        if self.chance(0.7):
            clip_in = rng.randint(-20, 500)
            clip_out = clip_in + rng.randint(0, 600)
            for v in (clip_in, clip_out):
                if v < 0:
                    pairs.append((v + 16777216, 31))
                else:
                    pairs.append((v, rng.choice((0, 0, 0, 30, 255, 0x1E))))
        else:
            for _ in range(2):
                pairs.append((rng.choice((0xFFFFFB, 0xFFFFFF, 0, 5, 0x800000, 1234)),
                              rng.choice((31, 0, 255, 30, 32))))
        for v24, marker in pairs:
            w.frame24(v24, marker)
        return [value_of_frame24(*p) for p in pairs]

    def clip_kind(self):
        return self.rng.choices(('movie', 'still', 'color', 'other'), (5, 2, 2, 1))[0]

    # ------------------------------------------------------------ tracks

    def track_clip(self, with_begin, timeline_end):
        """One main (with_begin False) or insert clip record; returns its timeline length."""
        rng, w = self.rng, self.w
        kind = self.clip_kind()
        if kind == 'movie':
            w.short_string(self.movie_name())
            clip_in = self.u32_or_edge(0, 5000)
            clip_out = clip_in + rng.randint(0, 1500) if self.chance(0.9) else self.any_u32()
            w.u32(clip_in)
            w.u32(clip_out)
            if with_begin:
                w.u32(self.begin(timeline_end, clip_out - clip_in + 1))
            self.level_block()
            return (clip_out - clip_in + 1) & 0xFFFFFFFF
        if kind in ('still', 'color'):
            w.short_string(self.still_name() if kind == 'still' else self.color_name())
            clip_in, clip_out = self.frame24_pair()
            if with_begin:
                w.u32(self.begin(timeline_end, clip_out - clip_in + 1))
            w.short_string(self.text())
            self.level_block()
            return (clip_out - clip_in + 1) & 0xFFFFFFFF
        w.short_string(self.other_name())
        return 0

    def begin(self, timeline_end, span):
        rng = self.rng
        if self.chance(0.05):
            return rng.choice((0xFFFFFF1F, 0x80000000, 0xFFFFFFFF))
        if self.main_boundaries and self.chance(0.3):
            # ends exactly at, or one frame after, a main clip's end
            return max(0, rng.choice(self.main_boundaries) - span + rng.choice((0, 0, 1)))
        return rng.randint(0, max(timeline_end, 1))

    def audio_clip(self, timeline_end):
        rng, w = self.rng, self.w
        w.short_string(rng.choice((b'music.wav', b'voice%d.wav' % rng.randrange(9), b'a.avi',
                                   b'b.clr', b'', b'\x83\x5c.wav')))
        clip_in = self.u32_or_edge(0, 5000)
        clip_out = clip_in + rng.randint(0, 900)
        w.u32(clip_in)
        w.u32(clip_out)
        w.u32(self.begin(timeline_end, clip_out - clip_in + 1))
        self.level_block()

    # ------------------------------------------------------------ effects and titles

    def effect(self, main_count):
        rng, w = self.rng, self.w
        r = rng.random()
        if r < 0.75 and main_count > 0:
            index = rng.randrange(main_count) if self.chance(0.7) else main_count - 1
        else:
            index = rng.choice((-1, 0xFFFFFFFF, 999, 998, main_count, main_count + 3, 0x7FFFFFFF))
        w.u32(index)
        w.u32(rng.randint(0, 400) if self.chance(0.9) else self.any_u32())
        w.u32(self.any_u32())
        w.u16(rng.randrange(65536))
        names = DISSOLVE_NAMES + OTHER_EFFECT_NAMES
        w.short_string(rng.choice(names))
        for _ in range(5):
            w.u32(self.any_u32())
        parameter_bytes = rng.choice((0, 4, 5, 6, 8, 12, 3, 0xFFFFFFFF, 0x80000000, 0xFFFFFFFC))
        w.u32(parameter_bytes)
        if parameter_bytes < 0x80000000:
            for _ in range((parameter_bytes + 3) // 4):
                w.u32(self.any_u32())
        w.short_string(rng.choice((b'', b'abc', b'end\0x', b'\x83\x5c')))

    def word_block(self):
        rng, w = self.rng, self.w
        size = rng.choice((0, 0, 4, 5, 8, 3, 16, 0xFFFFFFFF, 0x80000000))
        w.u32(size)
        if size < 0x80000000:
            for _ in range((size + 3) // 4):
                w.u32(self.any_u32())

    def title_text(self):
        rng = self.rng
        r = rng.random()
        if r < 0.15:
            return b''
        if r < 0.25:
            return bytes(rng.randrange(256) for _ in range(rng.choice((255, 300, 254))))
        if r < 0.35:
            return b'line1\r\nsays "hi" \\ back\x83\x5c\x81\x00after zero'
        return bytes(rng.choice(b'abc XYZ\r\n"\\\x83\x5c\xe0\x01') for _ in range(rng.randint(1, 40)))

    def title(self):
        rng, w = self.rng, self.w
        extended = self.version >= 0x0207 or self.software == 'ezedit'
        w.u32(self.any_u32())
        w.u32(self.any_u32())
        w.u32(self.any_u32())
        w.short_string(self.text())
        self.word_block()
        w.u32(self.any_u32())
        w.short_string(self.text())
        self.word_block()
        layout_word = None
        if extended:
            layout_word = rng.choice((0x0300, 0x0300, 0, 0x0301, 0xFFFF))
            w.u16(layout_word)
            w.u16(rng.randrange(65536))
            w.u32(self.any_u32())
        items = rng.choice((0, 0, 1, 1, 2, 3))
        w.u32(items)
        for _ in range(items):
            if extended and layout_word != 0x0300:
                w.u32(self.any_u32())
            text = self.title_text()
            if len(text) >= 255 or (len(text) < 255 and self.chance(0.05)):
                w.u8(255)
                w.u16(len(text))
            else:
                w.u8(len(text))
            w.raw(text)
            for _ in range(9):
                w.u32(self.any_u32())
            w.short_string(self.text())
            for _ in range(4):
                w.u32(self.any_u32())
            w.u8(rng.randrange(256))
            for words in (22, 18, 28, 18, 29, 18):
                for _ in range(words):
                    w.u32(self.any_u32() if self.chance(0.2) else rng.randrange(100))
                w.u16(rng.randrange(65536))
            for _ in range(5):
                w.u32(self.any_u32())
        w.short_string(self.text())

    # ------------------------------------------------------------ filters and bin

    def filter_list(self):
        rng, w = self.rng, self.w
        n = rng.choice((0, 0, 1, 2))
        w.u32(n)
        for _ in range(n):
            w.short_string(rng.choice((b'Blur', b'', b'\x83\x5cSepia', b'Mosaic\0x', b'Color')))
            size = rng.choice((0, 3, 16))
            w.u32(size)
            w.raw(bytes(rng.randrange(256) for _ in range(size)))

    def visual_filter_record(self):
        rng, w = self.rng, self.w
        flags = [rng.choice((0, 0, 1, 2)) for _ in range(3)]
        slow = rng.choice((0, 0, 0, 1, 2, 0x80000000))
        for v in flags + [slow, self.any_u32(), self.any_u32()]:
            w.u32(v)
        if flags[0] == 1:
            size = rng.choice((4, 10, 0, 3, 12))
            w.u32(size)
            w.raw(bytes(rng.randrange(256) for _ in range(max(size - 4, 0))))
        if flags[1] == 1:
            w.u32(self.any_u32())
            size = rng.choice((0, 5, 12))
            w.u32(size)
            w.raw(bytes(rng.randrange(256) for _ in range(size)))
        if flags[2] == 1:
            size = rng.choice((0, 7))
            w.u32(size)
            w.raw(bytes(rng.randrange(256) for _ in range(size)))
        self.filter_list()
        self.filter_list()

    def audio_filter_record(self):
        self.filter_list()

    def bin_item(self):
        rng, w = self.rng, self.w
        w.short_string(self.text())
        kind = rng.choice(('movie', 'still', 'color', 'other', 'short'))
        w.short_string({'movie': self.movie_name, 'still': self.still_name,
                        'color': self.color_name, 'other': self.other_name,
                        'short': lambda: rng.choice((b'a', b'ab', b'', b'vi'))}[kind]())
        for _ in range(4):
            w.u32(self.any_u32())

    # ------------------------------------------------------------ whole project

    def project(self, main_count=None, insert_count=None, audio_counts=None):
        rng, w = self.rng, self.w
        v = self.version
        rex207 = v >= 0x0207 and self.software == 'rexedit'
        if main_count is None:
            main_count = rng.choices((0, rng.randint(1, 3), rng.randint(4, 12), 1000),
                                     (1, 6, 3, 0.15))[0]
        bin_count = rng.choice((0, 0, rng.randint(1, 8)))
        w.u8(v & 0xFF)
        w.u8(v >> 8)
        w.u16(rng.randrange(65536))
        w.u32(bin_count)
        w.u32(main_count)
        w.u32(rng.choice((48000, 44100, 32016, 32012, 0, 22050, 0xFFFFFFFF, rng.randrange(1 << 32))))
        if v >= 0x0205:
            w.u32(rng.choice((0, 1, 2, 0xFFFFFFFF)))
        if rex207:
            w.u32(self.any_u32())
        self.main_boundaries = []
        timeline = 0
        for _ in range(main_count):
            timeline += self.track_clip(False, timeline)
            if timeline < 0x7FFFFFFF:
                self.main_boundaries.append(timeline)
        timeline = min(timeline, 100000)
        counts = [0, 0, 0]
        if main_count:
            if insert_count is None:
                insert_count = rng.choices((0, rng.randint(1, 6), 300), (3, 6, 0.1))[0]
            counts[0] = insert_count
            w.u32(insert_count)
            for _ in range(insert_count):
                self.track_clip(True, timeline)
            for track in (1, 2):
                n = rng.choice((0, 0, rng.randint(1, 5)))
                if audio_counts is not None:
                    n = audio_counts[track - 1]
                counts[track] = n
                w.u32(n)
                for _ in range(n):
                    self.audio_clip(timeline)
            if v >= 0x0200:
                n = rng.choice((0, rng.randint(1, 4), rng.randint(1, 8)))
                w.u32(n)
                for _ in range(n):
                    self.effect(main_count)
                n = rng.choice((0, 0, 1, 2, 3, 7))
                w.u32(n)
                for _ in range(n):
                    self.title()
        if rex207:
            for _ in range(main_count):
                self.visual_filter_record()
            for _ in range(counts[0]):
                self.visual_filter_record()
            for _ in range(counts[1] + counts[2]):
                self.audio_filter_record()
        for _ in range(bin_count):
            self.bin_item()
        for _ in range(3):
            w.u32(self.any_u32())
        if rex207:
            w.u32(self.any_u32())
        w.short_string(rng.choice((b'', b'out.avi', bytes(rng.randrange(1, 256) for _ in range(255)),
                                   b'movie\0tail')))
        return w.data()


def normal_project(rng):
    version = rng.choice(VERSIONS)
    software = rng.choice(('rexedit', 'ezedit'))
    return Generator(rng, version, software).project(), software


def hostile_project(rng):
    """A project that a careful converter refuses or that pushes it to its bounds."""
    version = rng.choice(VERSIONS)
    software = rng.choice(('rexedit', 'ezedit'))
    g = Generator(rng, version, software)
    variant = rng.randrange(12)
    if variant == 0:  # main count above capacity
        w = g.w
        w.u8(version & 0xFF)
        w.u8(version >> 8)
        w.u16(0)
        w.u32(0)
        w.u32(rng.choice((1001, 1234, 0x7FFFFFFF)))
        w.u32(48000)
        return w.data() + bytes(rng.randrange(64)), software
    if variant == 1:  # a track count above capacity after a valid main track
        track = rng.randrange(3)
        data = g.project(main_count=rng.randint(1, 3),
                         insert_count=rng.choice((301, 5000)) if track == 0 else 0,
                         audio_counts=((301, 0) if track == 1 else (300, 1000)) if track else None)
        return data, software
    if variant == 10:  # exactly 1 MiB read past the end converts, one byte more refuses
        w = g.w
        w.u8(0xFF)
        w.u8(0x01)
        w.u16(0)
        w.u32(0)
        w.u32(1)
        w.u32(48000)
        w.short_string(b'a.avi')
        w.u32(0)
        w.u32(10)
        w.u32(174759)
        w.u16(1)
        w.u16(1)
        w.raw(b'\x05\x00\x00' if rng.random() < 0.5 else b'\x05\x00')
        return w.data(), software
    if variant == 11:  # tracks filled to capacity
        return g.project(main_count=rng.choice((1000, 3)), insert_count=300,
                         audio_counts=(300, 300)), software
    if variant == 2:  # huge count read at the very end of the file
        w = g.w
        w.u8(version & 0xFF)
        w.u8(version >> 8)
        w.u16(0)
        w.u32(rng.choice((0x7FFFFFFF, 100000, 70000)))  # bin items
        w.u32(0)
        w.u32(44100)
        return w.data(), software
    if variant == 3:  # a complete project whose header announces a huge bin item count
        data = bytearray(g.project())
        data[4:8] = rng.choice((0x7FFFFFFF, 60000)).to_bytes(4, 'little')
        return bytes(data), software
    if variant == 4:  # negative counts: nothing listed
        w = g.w
        w.u8(version & 0xFF)
        w.u8(version >> 8)
        w.u16(0)
        w.u32(0xFFFFFFFF)
        w.u32(0xFFFFFFFF)
        w.u32(0)
        if version >= 0x0205:
            w.u32(0)
        if version >= 0x0207 and software == 'rexedit':
            w.u32(7)
        for _ in range(5):
            w.u32(0x80000000)
        w.short_string(b'neg')
        return w.data(), software
    if variant == 5:  # huge level point count at the end
        w = g.w
        w.u8(0x07)
        w.u8(0x02)
        w.u16(0)
        w.u32(0)
        w.u32(1)
        w.u32(48000)
        w.u32(0)
        if software == 'rexedit':
            w.u32(0)
        w.short_string(b'a.avi')
        w.u32(0)
        w.u32(10)
        w.u32(rng.choice((0x7FFFFFFF, 200000, 174762, 174763)))
        return w.data(), software
    if variant == 6:  # huge parameter byte count, or a huge effect / title count at the end
        w = g.w
        w.u8(0x00)
        w.u8(0x02)
        w.u16(0)
        w.u32(0)
        w.u32(1)
        w.u32(48000)
        w.short_string(b'z')  # Other clip
        for _ in range(3):
            w.u32(0)
        which = rng.randrange(3)
        if which == 0:
            w.u32(1)
            w.u32(0)
            w.u32(5)
            w.u32(0)
            w.u16(0)
            w.short_string(b'Dissolve')
            for _ in range(5):
                w.u32(0)
            w.u32(0x7FFFFFF0)
        elif which == 1:
            w.u32(0x7FFFFFFF)
        else:
            w.u32(0)
            w.u32(0x7FFFFFFF)
        return w.data(), software
    if variant == 7:  # visual filter list with a huge count or a huge skip (RexEdit 02.07)
        software = 'rexedit'
        w = ProjectWriter()
        w.u8(0x07)
        w.u8(0x02)
        w.u16(0)
        w.u32(0)
        w.u32(1)
        w.u32(48000)
        w.u32(0)
        w.u32(0)
        w.short_string(b'q')  # Other clip
        for _ in range(5):
            w.u32(0)  # insert, audio 1, audio 2, effect, title counts
        for v in (1, 1, 1, 1, 0, 0):
            w.u32(v)
        huge = rng.randrange(3)
        w.u32(0xFFFFFFF0 if huge == 0 else 4)
        if huge == 1:
            w.u32(0)
            w.u32(0xFFFFFFFF)
        if huge == 2:
            w.u32(0)
            w.u32(0)
            w.u32(0)
            w.u32(0xFFFFFFFF)  # first filter list count
        return w.data(), software
    if variant == 8:  # audio filter count with its top bit set
        software = 'rexedit'
        w = ProjectWriter()
        w.u8(0x07)
        w.u8(0x02)
        w.u16(0)
        w.u32(0)
        w.u32(1)
        w.u32(0)
        w.u32(0)
        w.u32(0)
        w.short_string(b'q')
        w.u32(0)
        w.u32(1)
        w.short_string(b'a.wav')
        for _ in range(4):
            w.u32(0)
        w.u32(0)  # audio 2
        w.u32(0)  # effects
        w.u32(0)  # titles
        for _ in range(8):
            w.u32(0)  # visual filter record of the main clip
        w.u32(rng.choice((0x80000000, 0xFFFFFFFF)))
        w.u8(1)
        w.raw(b'F')
        w.u32(rng.choice((0, 0xFFFFFFFF)))
        return w.data(), software
    # variant 9: a full table of 1000 clips, whose last clip an effect names
    data = Generator(rng, 0x0207, software).project(main_count=1000)
    return data, software


def generate(count, seed=1):
    """count projects, deterministic for a given seed: about 70 % normal, 20 % truncated,
    10 % hostile; the first ones cycle through every version and software kind."""
    projects = []
    for index in range(count):
        rng = random.Random('%d/%d' % (seed, index))
        r = rng.random()
        if index < 12:
            version = VERSIONS[index % 6]
            software = ('rexedit', 'ezedit')[index // 6 % 2]
            data = Generator(rng, version, software).project()
            kind = 'normal'
        elif r < 0.7:
            data, software = normal_project(rng)
            kind = 'normal'
        elif r < 0.9:
            full, software = normal_project(rng)
            data = full[:rng.randrange(len(full))]
            kind = 'truncated'
        else:
            data, software = hostile_project(rng)
            kind = 'hostile'
        projects.append(Project('%04d-%s-%s' % (index, kind, software), data, software, kind))
    return projects


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('outdir')
    parser.add_argument('--count', type=int, default=100)
    parser.add_argument('--seed', type=int, default=1)
    args = parser.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    for project in generate(args.count, args.seed):
        with open(os.path.join(args.outdir, project.name + '.dvc'), 'wb') as f:
            f.write(project.data)


if __name__ == '__main__':
    main()
