#!/usr/bin/env python3
"""Independent reference of the morvane conversion (standard library only).

convert(data, software, mode) turns the bytes of a .dvc project into the bytes of the
destination text: the INI-like listing of every section, then the EDL table.
A refused conversion raises ConversionRefused with the message the converter prints.

progress_events(data, software, mode) gives the status texts with the bar position at the
moment each was set, ending with the final empty text.

The code follows the file layout field by field; each reader reads and writes in file order.
Every signed 32-bit computation wraps modulo 2^32 (helpers s32/div32/rem32).
"""

import argparse
import os
import sys

SOFTWARE_KINDS = ('rexedit', 'ezedit')
TIMECODE_MODES = ('ntsc-df', 'ntsc-ndf', 'pal', 'frames')

MAIN_CAPACITY = 1000
TRACK_CAPACITY = 300
PAST_END_LIMIT = 1048576


class ConversionRefused(Exception):
    """The conversion was refused; str(exception) is the message shown to the user."""


# ---------------------------------------------------------------- 32-bit arithmetic

def s32(value):
    """Wrap any integer to signed 32 bits."""
    value &= 0xFFFFFFFF
    return value - 0x100000000 if value & 0x80000000 else value


def u32(value):
    return value & 0xFFFFFFFF


def div32(a, b):
    """C division of signed 32-bit values: truncates toward zero, INT32_MIN / -1 wraps."""
    q = abs(a) // abs(b)
    if (a < 0) != (b < 0):
        q = -q
    return s32(q)


def rem32(a, b):
    """C remainder matching div32 (sign of the dividend)."""
    return s32(a - b * div32(a, b)) if not (a == -0x80000000 and b == -1) else 0


def cstr(raw):
    """A text as C sees it: up to (not including) the first zero byte."""
    zero = raw.find(b'\0')
    return raw if zero < 0 else raw[:zero]


# ---------------------------------------------------------------- source reader

class SourceReader:
    """Little-endian fields read front to back; bytes past the end read as 0.

    Bytes read past the end are counted (skips are not); more than 1 MiB of them refuses.
    """

    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.past_end = 0

    def read_bytes(self, n):
        if n <= 0:
            return b''
        start = self.pos
        chunk = self.data[start:start + n] if start < len(self.data) else b''
        missing = n - len(chunk)
        self.pos += n
        if missing:
            self.past_end += missing
            if self.past_end > PAST_END_LIMIT:
                raise ConversionRefused('Can not convert source file: it ends too early')
            chunk += b'\0' * missing
        return chunk

    def u8(self):
        return self.read_bytes(1)[0]

    def u16(self):
        return int.from_bytes(self.read_bytes(2), 'little')

    def u24(self):
        return int.from_bytes(self.read_bytes(3), 'little')

    def u32(self):
        """The four bytes as a signed 32-bit value (ReadU32 keeps it signed)."""
        return s32(int.from_bytes(self.read_bytes(4), 'little'))

    def short_string(self):
        """ShortString: length byte L, then L bytes; the raw bytes (may hold zeros)."""
        length = self.u8()
        return self.read_bytes(length)

    def skip(self, n):
        """Moves forward n bytes (n unsigned); skipped bytes are not read."""
        self.pos += n

    def signed_frame24(self):
        value = self.u24()
        marker = self.u8()
        return value - 16777216 if marker == 31 else value


# ---------------------------------------------------------------- progress

class Progress:
    def __init__(self):
        self.position = 0
        self.events = []  # (bar position when set, status text)

    def step(self, n=1):
        self.position += n

    def set_status(self, text):
        self.events.append((self.position, text))


class ShareCounter:
    """Spends a section's share of steps in proportion to the items done."""

    def __init__(self, progress, share, count):
        self.progress = progress
        self.share = share
        self.count = count
        self.taken = 0

    def item_done(self, k):
        goal = div32(s32(k * self.share), self.count)
        while self.taken < goal:
            self.progress.step()
            self.taken += 1


# ---------------------------------------------------------------- clip tables

class MainClipEntry:
    __slots__ = ('name', 'length', 'sourceIn', 'sourceOut', 'transition', 'hasAudio', 'slow')

    def __init__(self):
        self.name = b''
        self.length = 0
        self.sourceIn = 0
        self.sourceOut = 0
        self.transition = b''
        self.hasAudio = 0
        self.slow = 0


class InsertClipEntry:
    __slots__ = ('name', 'sourceIn', 'sourceOut', 'begin', 'hasAudio', 'slow')

    def __init__(self):
        self.name = b''
        self.sourceIn = 0
        self.sourceOut = 0
        self.begin = 0
        self.hasAudio = 0
        self.slow = 0


class AudioClipEntry:
    __slots__ = ('name', 'sourceIn', 'sourceOut', 'begin')

    def __init__(self):
        self.name = b''
        self.sourceIn = 0
        self.sourceOut = 0
        self.begin = 0


# ---------------------------------------------------------------- clip kinds

MOVIE, STILL, COLOR, OTHER = 'Movie', 'Still', 'Color', 'Other'

IMAGE_SUFFIXES = (
    b'.bmp', b'.dib', b'.rle', b'.jpg', b'jpeg', b'jfif', b'.pic', b'pict', b'.pct',
    b'.png', b'pntg', b'.pnt', b'.mac', b'.psd', b'.qti', b'qtif', b'.sgi', b'.rgb',
    b'.tga', b'arga', b'.vda', b'.icb', b'.vst', b'.tif', b'tiff', b'.fpx', b'.gif',
)

DIRECTIONS = (b'U', b'UR', b'R', b'BR', b'B', b'BL', b'L', b'UL')


def classify_clip(name):
    """Kind of a clip from its name (a C string), ASCII case-insensitive."""
    lower = name.lower()  # bytes.lower() changes only A-Z
    if len(lower) >= 3 and lower[-3:] == b'avi':
        return MOVIE
    if len(lower) >= 4 and lower[-4:] in IMAGE_SUFFIXES:
        return STILL
    if len(lower) >= 3 and lower[-3:] == b'clr':
        return COLOR
    return OTHER


def color_clip_pieces(name):
    """The six pieces that describe a colour clip, decoded from its name (a C string)."""
    count = (name[1] if len(name) > 1 else 0) - 48
    direction_char = name[2] if len(name) > 2 else 0
    direction = DIRECTIONS[direction_char - 48] if 48 <= direction_char <= 55 else b''
    texts = [name[start:start + 6] for start in (5, 13, 21, 29)]
    return [
        b'ColorClip(count=%d' % count,
        b',direction=%s' % direction,
        b',1st=%6.6s' % texts[0],
        b',2nd=%6.6s' % texts[1],
        b',3rd=%6.6s' % texts[2],
        b',4th=%6.6s)' % texts[3],
    ]


# ---------------------------------------------------------------- conversion

class Conversion:
    def __init__(self, data, software, mode):
        if software not in SOFTWARE_KINDS:
            raise ValueError('unknown software kind %r' % software)
        if mode not in TIMECODE_MODES:
            raise ValueError('unknown timecode mode %r' % mode)
        self.reader = SourceReader(data)
        self.out = []
        self.progress = Progress()
        self.rex = software == 'rexedit'
        self.mode = mode
        self.main = [MainClipEntry() for _ in range(MAIN_CAPACITY)]
        self.insert = [InsertClipEntry() for _ in range(TRACK_CAPACITY)]
        self.audio1 = [AudioClipEntry() for _ in range(TRACK_CAPACITY)]
        self.audio2 = [AudioClipEntry() for _ in range(TRACK_CAPACITY)]

    def write(self, text):
        self.out.append(text)

    def read_track_count(self, heading, capacity):
        count = self.reader.u32()
        if count > capacity:
            raise ConversionRefused(
                'Can not convert source file: [%s] holds %d clips, more than %d'
                % (heading, count, capacity))
        return count

    # ------------------------------------------------------------ driver

    def run(self):
        r = self.reader
        low = r.u8()
        high = r.u8()
        version = low + 256 * high
        r.u16()
        bin_count = r.u32()
        main_count = r.u32()
        if main_count > MAIN_CAPACITY:
            raise ConversionRefused(
                'Can not convert source file: [MainAV] holds %d clips, more than %d'
                % (main_count, MAIN_CAPACITY))
        frequency = r.u32()
        self.write(b'[Header]\r\n')
        self.write(b'Version=%02x.%02x\r\n' % (high, low))
        self.write(b'Frequency=')
        frequency_texts = {48000: b'48kHz16bit', 44100: b'44.1kHz16bit',
                           32016: b'32kHz16bit', 32012: b'32kHz12bit', 0: b''}
        self.write(frequency_texts.get(frequency, b'%d' % frequency))
        self.write(b'\r\n')
        if version >= 0x0205:
            aspect = r.u32()
            self.write(b'AspectRatio=')
            self.write(b'4:3\r\n' if aspect == 0 else b'16:9\r\n')
        rex207 = version >= 0x0207 and self.rex
        if rex207:
            title_track = r.u32()
            self.write(b'TitleTrack=%d\r\n' % title_track)

        effect_count = title_count = 0
        p = self.progress

        self.write(b'[MainAV]\r\n')
        if main_count != 0:
            self.read_main_av(main_count)
        else:
            p.step(40)

        def track(name, share, read):
            # Heading; with main clips, the count and the section; the share when nothing is listed.
            self.write(b'[' + name.encode() + b']\r\n')
            count = 0
            if main_count != 0:
                count = self.read_track_count(name, TRACK_CAPACITY)
                read(count)
            if count == 0:
                p.step(share)
            return count

        insert_count = track('InsertAV', 20, self.read_insert_av)
        audio1_count = track('ExAudio1', 10, lambda n: self.read_ex_audio(n, self.audio1))
        audio2_count = track('ExAudio2', 10, lambda n: self.read_ex_audio(n, self.audio2))

        if version < 0x0200:
            p.step(80)
        else:
            self.write(b'[Effect]\r\n')
            if main_count != 0:
                effect_count = r.u32()
                self.read_effects(effect_count)
            if effect_count == 0:
                p.step(20)
            self.write(b'[Title]\r\n')
            if main_count != 0:
                title_count = r.u32()
                self.read_titles(title_count, version)
            if title_count == 0:
                p.step(60)

        if rex207:
            self.write(b'[FilterMainAV]\r\n')
            self.read_visual_filters(main_count, self.main)
            self.write(b'[FilterInsertAV]\r\n')
            self.read_visual_filters(insert_count, self.insert)
            self.write(b'[FilterExAudio1]\r\n')
            self.read_audio_filters(audio1_count)
            self.write(b'[FilterExAudio2]\r\n')
            self.read_audio_filters(audio2_count)

        self.write(b'[BinWindow]\r\n')
        self.read_bin_window(bin_count)

        self.write(b'[Option]\r\n')
        self.write(b'ViewPosition=%d\r\n' % r.u32())
        self.write(b'TimeScale=%d\r\n' % r.u32())
        self.write(b'CursorPosition=%d\r\n' % r.u32())
        if rex207:
            r.u32()
        self.write(b'OutFile=')
        length = r.u8()
        if length != 0:
            self.write(cstr(r.read_bytes(length)))
        self.write(b'\r\n')
        self.write(b'[END]\r\n')
        self.write(b'\r\n\r\n\r\n\r\n')

        self.apply_half_speed(main_count, insert_count)
        self.write_edl(main_count, insert_count, audio1_count, audio2_count)
        if main_count == 0:
            p.step(40)
        p.set_status('')
        return b''.join(self.out)

    # ------------------------------------------------------------ shared pieces

    def read_level_block_and_write(self, head_pieces_after_levels):
        """Reads a LevelBlock; head_pieces_after_levels(level_in, level_out) gives the text
        written once the three head fields are read. Writes the points and the line end.
        Returns True when any level value is nonzero."""
        r = self.reader
        point_count = r.u32()
        level_in = r.u16()
        level_out = r.u16()
        self.write(head_pieces_after_levels(level_in, level_out))
        any_level = level_in != 0 or level_out != 0
        for _ in range(max(point_count, 0)):
            position = r.u32()
            value = r.u16()
            self.write(b',%d=%d' % (position, value))
            any_level = any_level or value != 0
        self.write(b')\r\n')
        return any_level

    # ------------------------------------------------------------ main AV track

    def read_main_av(self, count):
        r = self.reader
        share = ShareCounter(self.progress, 40, count)
        for j in range(max(count, 0)):
            name = cstr(r.short_string())
            kind = classify_clip(name)
            if kind == MOVIE:
                clip_in = r.u32()
                clip_out = r.u32()
                has_audio = self.read_level_block_and_write(
                    lambda li, lo: b'%s,in=%d,out=%d,levelpoint(in=%d,out=%d'
                    % (name, clip_in, clip_out, li, lo))
                entry = self.main[j]
                entry.name = name
                entry.length = s32(clip_out - clip_in + 1)
                entry.sourceIn = clip_in
                entry.sourceOut = s32(clip_out + 1)
                entry.hasAudio = 1 if has_audio else 0
            elif kind in (STILL, COLOR):
                clip_in = r.signed_frame24()
                clip_out = r.signed_frame24()
                text = cstr(r.short_string())
                if kind == STILL:
                    self.read_level_block_and_write(
                        lambda li, lo: b'%s,in=%d,out=%d,%s,levelpoint(in=%d,out=%d'
                        % (name, clip_in, clip_out, text, li, lo))
                else:
                    self.read_level_block_and_write(
                        lambda li, lo: b''.join(color_clip_pieces(name))
                        + b',in=%d,out=%d,%s,levelpoint(in=%d,out=%d'
                        % (clip_in, clip_out, text, li, lo))
                entry = self.main[j]
                entry.name = name if kind == STILL else b'color clip'
                entry.length = s32(clip_out - clip_in + 1)
                entry.sourceIn = 0
                entry.sourceOut = s32(clip_out - clip_in + 1)
                entry.hasAudio = 0
            self.progress.set_status('[MainAV] %d / %d' % (j + 1, count))
            share.item_done(j + 1)

    # ------------------------------------------------------------ insert AV track

    def read_insert_av(self, count):
        r = self.reader
        share = ShareCounter(self.progress, 20, count)
        for j in range(max(count, 0)):
            name = cstr(r.short_string())
            kind = classify_clip(name)
            if kind == MOVIE:
                clip_in = r.u32()
                clip_out = r.u32()
                begin = r.u32()
                has_audio = self.read_level_block_and_write(
                    lambda li, lo: b'%s,in=%d,out=%d,begin=%d,levelpoint(in=%d,out=%d'
                    % (name, clip_in, clip_out, begin, li, lo))
                stored_name = name
            elif kind in (STILL, COLOR):
                clip_in = r.signed_frame24()
                clip_out = r.signed_frame24()
                begin = r.u32()
                text = cstr(r.short_string())
                if kind == STILL:
                    self.read_level_block_and_write(
                        lambda li, lo: b'%s,in=%d,out=%d,begin=%d,%s,levelpoint(in=%d,out=%d'
                        % (name, clip_in, clip_out, begin, text, li, lo))
                    stored_name = name
                else:
                    self.read_level_block_and_write(
                        lambda li, lo: b''.join(color_clip_pieces(name))
                        + b',in=%d,out=%d,begin=%d,%s,levelpoint(in=%d,out=%d'
                        % (clip_in, clip_out, begin, text, li, lo))
                    stored_name = b'color clip'
                has_audio = False
            if kind != OTHER:
                entry = self.insert[j]
                entry.name = stored_name
                entry.sourceIn = clip_in
                entry.sourceOut = s32(clip_out + 1)
                entry.begin = begin
                entry.hasAudio = 1 if has_audio else 0
            self.progress.set_status('[InsertAV] %d / %d' % (j + 1, count))
            share.item_done(j + 1)

    # ------------------------------------------------------------ extra audio tracks

    def read_ex_audio(self, count, table):
        r = self.reader
        share = ShareCounter(self.progress, 10, count)
        for j in range(max(count, 0)):
            name = cstr(r.short_string())
            clip_in = r.u32()
            clip_out = r.u32()
            begin = r.u32()
            self.read_level_block_and_write(
                lambda li, lo: b'%s,in=%d,out=%d,begin=%d,levelpoint(in=%d,out=%d'
                % (name, clip_in, clip_out, begin, li, lo))
            entry = table[j]
            entry.name = name
            entry.sourceIn = clip_in
            entry.sourceOut = s32(clip_out + 1)
            entry.begin = begin
            self.progress.set_status('[ExAudio] %d / %d' % (j + 1, count))
            share.item_done(j + 1)

    # ------------------------------------------------------------ effects

    def read_effects(self, count):
        r = self.reader
        share = ShareCounter(self.progress, 20, count)
        for j in range(max(count, 0)):
            clip_index = r.u32()
            clip_length = r.u32()
            third = r.u32()
            fourth = r.u16()
            effect_name = cstr(r.short_string())
            five = [r.u32() for _ in range(5)]
            parameter_bytes = r.u32()
            self.write(b'%u,%u,%u,%u,%s,%u,%u,%u,%u,%u' % (
                u32(clip_index), u32(clip_length), u32(third), fourth, effect_name,
                u32(five[0]), u32(five[1]), u32(five[2]), u32(five[3]), u32(five[4])))
            offset = 0
            while offset < parameter_bytes:
                self.write(b',%u' % u32(r.u32()))
                offset += 4
            closing_length = r.u8()
            if closing_length != 0:
                self.write(b',%s\r\n' % cstr(r.read_bytes(closing_length)))
            else:
                self.write(b',\r\n')
            # The clip before the transition keeps clipLength frames; the clip after it
            # is led in by the effect. A record naming no pair inside the table changes nothing.
            if 0 <= clip_index and clip_index + 1 < MAIN_CAPACITY:
                self.main[clip_index].length = clip_length
                self.main[clip_index + 1].transition = effect_name
            self.progress.set_status('[Effect] %d / %d' % (j + 1, count))
            share.item_done(j + 1)

    # ------------------------------------------------------------ titles

    def read_word_block(self):
        r = self.reader
        size = r.u32()
        self.write(b',%d' % size)
        offset = 0
        while offset < size:
            self.write(b',%u' % u32(r.u32()))
            offset += 4

    def read_titles(self, count, version):
        r = self.reader
        extended = version >= 0x0207 or not self.rex
        share = ShareCounter(self.progress, 60, count)
        for i in range(1, max(count, 0) + 1):
            begin = r.u32()
            second = r.u32()
            third = r.u32()
            first_name = cstr(r.short_string())
            self.write(b'begin=%d,%d,%d,%s' % (begin, second, third, first_name))
            self.read_word_block()
            fourth = r.u32()
            second_name = cstr(r.short_string())
            self.write(b',%u,%s' % (u32(fourth), second_name))
            self.read_word_block()
            layout_word = None
            if extended:
                layout_word = r.u16()
                fifth = r.u16()
                self.write(b',%u,%u' % (layout_word, fifth))
                self.write(b',%u' % u32(r.u32()))
            self.write(b',\r\n')
            item_count = r.u32()
            for _ in range(max(item_count, 0)):
                if extended and layout_word != 0x0300:
                    self.write(b',%u' % u32(r.u32()))
                length = r.u8()
                if length == 255:
                    length = r.u16()
                text = cstr(r.read_bytes(length))
                escaped = (text.replace(b'\\', b'\\\\').replace(b'\n', b'\\n')
                           .replace(b'\r', b'\\r').replace(b'"', b'\\"'))
                self.write(b',"%s"' % escaped)
                for _ in range(9):
                    self.write(b',%u' % u32(r.u32()))
                self.write(b',%s' % cstr(r.short_string()))
                for _ in range(4):
                    self.write(b',%u' % u32(r.u32()))
                self.write(b',%u' % r.u8())
                for words in (22, 18, 28, 18, 29, 18):
                    for _ in range(words):
                        self.write(b',%u' % u32(r.u32()))
                    self.write(b',%u' % r.u16())
                for _ in range(5):
                    self.write(b',%u' % u32(r.u32()))
                self.write(b'\r\n')
            self.write(b',%s\r\n' % cstr(r.short_string()))
            self.progress.set_status('[Title] %d / %d' % (i, count))
            share.item_done(i)

    # ------------------------------------------------------------ filters

    def read_filter_list(self):
        r = self.reader
        filter_count = u32(r.u32())
        for _ in range(filter_count):
            self.write(cstr(r.short_string()))
            self.write(b',')
            r.skip(u32(r.u32()))

    def read_visual_filters(self, clip_count, clips):
        r = self.reader
        for i in range(1, max(clip_count, 0) + 1):
            values = [r.u32() for _ in range(6)]
            clips[i - 1].slow = values[3]
            self.write(b'%u,%u,%u,%u,%u,%u' % tuple(u32(v) for v in values))
            if values[0] == 1:
                size = u32(r.u32())
                if size > 4:
                    r.skip(size - 4)
            if values[1] == 1:
                r.u32()
                r.skip(u32(r.u32()))
            if values[2] == 1:
                r.skip(u32(r.u32()))
            self.write(b'\r\n')
            self.write(b',')
            self.read_filter_list()
            self.write(b'\r\n')
            self.write(b',')
            self.read_filter_list()
            self.write(b'\r\n')
            self.progress.set_status('[FilterVisual] %d / %d' % (i, clip_count))

    def read_audio_filters(self, clip_count):
        r = self.reader
        for i in range(1, max(clip_count, 0) + 1):
            filter_count = r.u32()
            self.write(b'%d' % filter_count)
            for _ in range(u32(filter_count)):
                length = r.u8()
                self.write(b',')
                self.write(cstr(r.read_bytes(length)))
                r.skip(u32(r.u32()))
            self.write(b'\r\n')
            self.progress.set_status('[FilterAudio] %d / %d' % (i, clip_count))

    # ------------------------------------------------------------ bin window

    def read_bin_window(self, count):
        r = self.reader
        for i in range(1, max(count, 0) + 1):
            item_name = cstr(r.short_string())
            file_name = cstr(r.short_string())
            item_in = r.u32()
            item_out = r.u32()
            rate = r.u32()
            bits = r.u32()
            kind = classify_clip(file_name)
            if kind in (MOVIE, OTHER):
                self.write(b'%s,%s,in=%d,out=%d,audio=%dHz%dbit\r\n'
                           % (item_name, file_name, item_in, item_out, rate, bits))
            elif kind == STILL:
                self.write(b'%s,%s,in=%d,out=%d\r\n' % (item_name, file_name, item_in, item_out))
            else:
                for piece in color_clip_pieces(file_name):
                    self.write(piece)
                self.write(b',in=%d,out=%d\r\n' % (item_in, item_out))
            self.progress.set_status('[BinWindow] %d / %d' % (i, count))

    # ------------------------------------------------------------ EDL

    def apply_half_speed(self, main_count, insert_count):
        for entry in self.main[:max(main_count, 0)]:
            if entry.slow != 0:
                span = s32(entry.sourceOut - entry.sourceIn)
                entry.length = s32(entry.length + span)
                entry.sourceOut = s32(2 * entry.sourceOut - entry.sourceIn)
                entry.hasAudio = 0
        for entry in self.insert[:max(insert_count, 0)]:
            if entry.slow != 0:
                entry.sourceOut = s32(2 * entry.sourceOut - entry.sourceIn)
                entry.hasAudio = 0

    def write_edl(self, main_count, insert_count, audio1_count, audio2_count):
        tc = lambda count: format_timecode(count, self.mode)
        if self.mode == 'frames':
            self.write(b'Event                        Source            Recorder\r\n')
            self.write(b'                             IN      OUT       IN      OUT\r\n')
        else:
            self.write(b'Event                    Source                      Recorder\r\n')
            self.write(b'                         IN            OUT           IN            OUT\r\n')

        state = {'event': 0}

        def write_insert(entry):
            state['event'] = s32(state['event'] + 1)
            span = s32(entry.sourceOut - entry.sourceIn)
            source_out = entry.sourceOut if entry.slow == 0 else s32(entry.sourceIn + div32(span, 2))
            self.write(b'%03d INS ' % state['event'])
            self.write(b'  VA' if entry.hasAudio == 1 else b'  V ')
            self.write(b'S' if entry.slow != 0 else b' ')
            self.write(b'  C')
            self.write(b'       ')
            self.write(b'  %s' % tc(entry.sourceIn))
            self.write(b'   %s' % tc(source_out))
            self.write(b'   %s' % tc(entry.begin))
            self.write(b'   %s' % tc(s32(entry.begin + span)))
            self.write(b'   %s\r\n' % entry.name)

        def write_audio(entry, track):
            state['event'] = s32(state['event'] + 1)
            self.write(b'%03d ExA%d' % (state['event'], track))
            self.write(b'  A  ')
            self.write(b'  C')
            self.write(b'       ')
            self.write(b'  %s' % tc(entry.sourceIn))
            self.write(b'   %s' % tc(entry.sourceOut))
            self.write(b'   %s' % tc(entry.begin))
            self.write(b'   %s' % tc(s32(entry.begin + entry.sourceOut - entry.sourceIn)))
            self.write(b'   %s\r\n' % entry.name)

        def recorder_out(entry):
            return s32(entry.begin + entry.sourceOut - entry.sourceIn)

        recorder_position = 0
        pending_duration = 0
        next_insert = next_audio1 = next_audio2 = 0
        share = ShareCounter(self.progress, 40, main_count)
        for i in range(max(main_count, 0)):
            entry = self.main[i]
            next_transition = self.main[i + 1].transition if i + 1 < MAIN_CAPACITY else b''
            if entry.transition == b'':
                state['event'] = s32(state['event'] + 1)
            if entry.slow == 0:
                source_out = s32(entry.sourceIn + entry.length)
            else:
                span = s32(entry.sourceOut - entry.sourceIn)
                source_out = s32(entry.sourceIn + div32(span, 2)
                                 - s32(span - entry.length))
            if entry.transition == b'':
                code = b'  C'
            elif entry.transition in DISSOLVE_NAMES:
                code = b'  D'
            else:
                code = b'  W'
            channels = b'  VA' if entry.hasAudio == 1 else b'  V '
            slow_mark = b'S' if entry.slow != 0 else b' '
            self.write(b'%03d MAIN' % state['event'])
            self.write(channels)
            self.write(slow_mark)
            self.write(code)
            self.write(b'       ' if pending_duration == 0
                       else b'  %s' % format_duration(pending_duration, self.mode))
            self.write(b'  %s' % tc(entry.sourceIn))
            self.write(b'   %s' % tc(source_out))
            self.write(b'   %s' % tc(recorder_position))
            self.write(b'   %s' % tc(s32(recorder_position + entry.length)))
            self.write(b'   %s\r\n' % entry.name)
            recorder_position = s32(recorder_position + entry.length)
            if entry.transition != b'' and next_transition != b'':
                state['event'] = s32(state['event'] + 1)
                point = tc(s32(entry.sourceIn + entry.length))
                self.write(b'%03d MAIN' % state['event'])
                self.write(channels)
                self.write(slow_mark)
                self.write(b'  C')
                self.write(b'       ')
                self.write(b'  %s' % point)
                self.write(b'   %s' % point)
                self.write(b'   %s' % tc(recorder_position))
                self.write(b'   %s\r\n' % tc(recorder_position))
            pending_duration = s32(entry.sourceOut - entry.sourceIn - entry.length)
            while (next_insert < insert_count
                   and recorder_out(self.insert[next_insert]) <= recorder_position
                   and next_transition == b''):
                write_insert(self.insert[next_insert])
                next_insert += 1
            while (next_audio1 < audio1_count
                   and recorder_out(self.audio1[next_audio1]) <= recorder_position
                   and next_transition == b''):
                write_audio(self.audio1[next_audio1], 1)
                next_audio1 += 1
            while (next_audio2 < audio2_count
                   and recorder_out(self.audio2[next_audio2]) <= recorder_position
                   and next_transition == b''):
                write_audio(self.audio2[next_audio2], 2)
                next_audio2 += 1
            self.progress.set_status('[EDL] %d / %d' % (i + 1, main_count))
            share.item_done(i + 1)

        for k in range(next_insert, max(insert_count, 0)):
            write_insert(self.insert[k])
        for k in range(next_audio1, max(audio1_count, 0)):
            write_audio(self.audio1[k], 1)
        for k in range(next_audio2, max(audio2_count, 0)):
            write_audio(self.audio2[k], 2)


DISSOLVE_NAMES = (
    bytes.fromhex('83 66 83 42 83 5D 83 8B 83 75'),
    bytes.fromhex('42 61 73 69 63 20 2D 20 C3 DE A8 BF DE D9 CC DE'),
    b'Dissolve',
    b'Basic - Dissolve',
)


# ---------------------------------------------------------------- timecodes

DROP_FRAME_CHECKPOINTS = (
    (300000, 300300), (250000, 250252), (200000, 200200), (150000, 150150),
    (100000, 100100), (50000, 50050), (0, 0),
)


def drop_frame_label_by_counting(count):
    """The drop-frame label by counting frame by frame from the highest checkpoint reached."""
    frames, label = 0, 0
    for checkpoint_frames, checkpoint_label in DROP_FRAME_CHECKPOINTS:
        if count >= checkpoint_frames:
            frames, label = checkpoint_frames, checkpoint_label
            break
    while frames < count:
        following = label + 1
        if following % 1800 == 0 and following % 18000 != 0:
            label += 3
        else:
            label = following
        frames += 1
    return label


def drop_frame_label(count):
    """Closed form of the counting rule (exact, unbounded integers, so labels past 2^31 are
    the true ones). Each ten-minute block of 18000 labels holds 17982 frames: the first minute
    keeps all 1800 labels, the nine others skip their labels 00 and 01."""
    if count <= 0:
        return 0
    block, within = divmod(count, 17982)
    if within < 1800:
        return 18000 * block + within
    minute, frame = divmod(within - 1800, 1798)
    return 18000 * block + 1800 * (minute + 1) + 2 + frame


def format_timecode(count, mode):
    if mode == 'frames':
        return b'%6d' % count
    if mode == 'ntsc-df':
        label = drop_frame_label(count)  # never negative: plain floor division is exact
        return b'%02d:%02d:%02d;%02d' % (label // 108000, (label // 1800) % 60,
                                         (label // 30) % 60, label % 30)
    if mode == 'ntsc-ndf':
        hour, minute, second, fps = 108000, 1800, 30, 30
    else:
        hour, minute, second, fps = 90000, 1500, 25, 25
    return b'%02d:%02d:%02d:%02d' % (div32(count, hour),
                                     rem32(div32(count, minute), 60),
                                     rem32(div32(count, second), 60),
                                     rem32(count, fps))


def format_duration(count, mode):
    if mode == 'frames':
        return b'%5d' % count
    fps = 25 if mode == 'pal' else 30
    return b'%02d:%02d' % (rem32(div32(count, fps), 60), rem32(count, fps))


# ---------------------------------------------------------------- entry points

def convert(data, software='rexedit', mode='ntsc-df'):
    """The destination bytes for a project; raises ConversionRefused with the message."""
    return Conversion(bytes(data), software, mode).run()


def progress_events(data, software='rexedit', mode='ntsc-df'):
    """[(bar position when the status was set, status text), ...] of a conversion, and the
    final bar position, as (events, final_position). Raises ConversionRefused like convert."""
    conversion = Conversion(bytes(data), software, mode)
    conversion.run()
    return conversion.progress.events, conversion.progress.position


def main(argv=None):
    parser = argparse.ArgumentParser(description='Reference morvane conversion.')
    parser.add_argument('--software', choices=SOFTWARE_KINDS, default='rexedit')
    parser.add_argument('--timecode', choices=TIMECODE_MODES, default='ntsc-df')
    parser.add_argument('--progress', choices=('none', 'plain'), default='none',
                        help='plain prints "<pos>/200 <text>" per status text on stderr')
    parser.add_argument('-q', action='store_true', help='accepted for compatibility')
    parser.add_argument('-o', dest='dest', required=True)
    parser.add_argument('source')
    args = parser.parse_args(argv)
    try:
        with open(args.source, 'rb') as source:
            data = source.read()
    except OSError:
        print('Can not open source file', file=sys.stderr)
        return 1
    try:
        conversion = Conversion(data, args.software, args.timecode)
        text = conversion.run()
    except ConversionRefused as refusal:
        print(str(refusal), file=sys.stderr)
        return 1
    if args.progress == 'plain':
        for position, status in conversion.progress.events:
            print(('%d/200 %s' % (position, status)).rstrip(' '), file=sys.stderr)
    try:
        if args.dest == '-':
            sys.stdout.buffer.write(text)
        else:
            with open(args.dest, 'wb') as dest:
                dest.write(text)
    except OSError:
        print('Can not open destination file', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
