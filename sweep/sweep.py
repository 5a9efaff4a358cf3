#!/usr/bin/python3
"""The export sweep: generated projects converted in every rate mode and format, each export read
back with the readers of today's editors and compared with the EDL table of the listing.

usage: sweep.py [--report-only] [--count N] [--seed S] [--max-main M] [--readers LIST]
                [--keep DIR] MORVANE_CONVERT MAKE_SWEEP_PROJECTS

For each project of `make_sweep_projects --count N --seed S` and each of ntsc-df, ntsc-ndf and
pal, morvane-convert writes the listing and the .otio, .edl set, .mlt, .fcpxml, Final Cut Pro 7
.xml and .kdenlive. The EDL table is the truth (its numbers are read exactly from the same
project's table in frames): every clip the
table prints with a length must come back with its record in and out, its source in and out
(movies and sound; a still or colour clip has no source frames), on its track, and every
transition with its kind, cut point and length. A difference counts as warned when the
conversion printed a warning for that format (`morvane-convert: FILE: warning: FORMAT: ...`),
otherwise as failed. The projects with awkward names (`--awkward`) must give exports that parse
(JSON, xmllint, MLT, both EDL readers, the FCPXML adapter, OTIO's FCP 7 reader) and EDLs with no
added line.

Readers (--readers, default all that load):
  mlt       MLT's own library (python3-mlt, module mlt7)
  otio      OpenTimelineIO reading the .otio
  cmx-otio  OpenTimelineIO's CMX 3600 adapter reading each .edl
  pycmx     pycmx reading each .edl
  fcpxml    OpenTimelineIO's FCPXML adapter reading the .fcpxml (its clips; the transitions, which
            it does not read, from the file itself)
  fcp7      OpenTimelineIO's FCP 7 XML adapter reading the .xml, a clip's source range read through
            its Time Remap speed as Premiere reads it (the adapter keeps the filter as an opaque
            effect and takes `in` for a media frame), a transition's kind from its effect's name
            (the adapter calls every transition a dissolve)
  kdenlive  MLT's own library reading the .kdenlive
  parse     the awkward-name projects: every export parses, no EDL line added
OpenTimelineIO, its CMX adapter and pycmx are not Debian packages: they are used when built by
hand in the folders of --otio, --cmx-adapter and --pycmx, and skipped (said so) otherwise; with
the script of --otio-load (which loads OpenTimelineIO with its CMX, FCP 7 and FCPXML adapters),
the FCP 7 and FCPXML readers too.

Prints per reader the projects, the clips and transitions matched, warned and failed, and the
kinds of failure with counts and an example each. Exit status 1 when anything failed, unless
--report-only.
"""
import argparse
import collections
import ctypes
import fractions
import json
import multiprocessing
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

MODES = {  # rate, nominal frames per second, drop frame
    "ntsc-df": (30000 / 1001, 30, True),
    "ntsc-ndf": (30000 / 1001, 30, False),
    "pal": (25, 25, False),
}
EXTENSIONS = {"otio": ".otio", "cmx3600": ".edl", "mlt": ".mlt", "fcpxml": ".fcpxml", "fcp7xml": ".xml",
              "kdenlive": ".kdenlive"}
READER_FORMAT = {"mlt": "mlt", "otio": "otio", "cmx-otio": "cmx3600", "pycmx": "cmx3600", "fcpxml": "fcpxml",
                 "fcp7": "fcp7xml", "kdenlive": "kdenlive"}
IMAGE_SUFFIXES = {b".bmp", b".dib", b".rle", b".jpg", b"jpeg", b"jfif", b".pic", b"pict", b".pct", b".png",
                  b"pntg", b".pnt", b".mac", b".psd", b".qti", b"qtif", b".sgi", b".rgb", b".tga", b"arga",
                  b".vda", b".icb", b".vst", b".tif", b"tiff", b".fpx", b".gif"}
ROLES = {b"MAIN": "MAIN", b"INS ": "INS", b"ExA1": "ExA1", b"ExA2": "ExA2"}

Clip = collections.namedtuple("Clip", "role rec_in rec_out src_in src_out picture slow")
Transition = collections.namedtuple("Transition", "role cut frames kind incoming")


# ---- the truth: the EDL table --------------------------------------------------------------

EVENT_HEAD = re.compile(rb"^(\d{3,}) (MAIN|INS |ExA1|ExA2)(  VA|  V |  A )([S ])  ([CDW])")
EVENT_TAIL = re.compile(rb"^(?:       |  +(\S+))  +(\S+)   +(\S+)   +(\S+)   +(\S+)(?:   (.*))?$", re.S)


def table_lines(listing):
    """The event lines of a listing's EDL table, each as (head match, tail match)."""
    start = listing.rfind(b"[END]\r\n\r\n\r\n\r\n\r\nEvent")
    rows = []
    for line in listing[start:].split(b"\r\n")[3:]:
        head = EVENT_HEAD.match(line)
        tail = head and EVENT_TAIL.match(line[head.end():])
        if tail:
            rows.append((head, tail))
    return rows


def is_picture(name):
    return name == b"color clip" or name[-4:].lower() in IMAGE_SUFFIXES


def read_table(listing):
    """The clips with a length and the transitions of a listing in frames."""
    clips, transitions = [], []
    for head, tail in table_lines(listing):
        role = ROLES[head.group(2)]
        duration = int(tail.group(1) or 0)
        src_in, src_out, rec_in, rec_out = (int(tail.group(i)) for i in range(2, 6))
        name = tail.group(6)
        if name is not None and rec_out != rec_in:
            clips.append(Clip(role, rec_in, rec_out, src_in, src_out, is_picture(name), head.group(4) == b"S"))
        if head.group(5) != b"C" and duration != 0:  # a transition of no frames is a cut
            kind = "dissolve" if head.group(5) == b"D" else "wipe"
            transitions.append(Transition(role, rec_in, duration, kind, rec_out - rec_in))
    return clips, transitions


def timecode_frames(text, mode):
    """Frames of an EDL timecode in a rate mode (drop-frame labels counted back to frames)."""
    fields = [int(f) for f in re.split(r"[:;.]", text)]
    hours, minutes, seconds, frames = fields
    _, fps, drop = MODES[mode]
    count = ((hours * 60 + minutes) * 60 + seconds) * fps + frames
    if drop:
        total_minutes = hours * 60 + minutes
        count -= 2 * (total_minutes - total_minutes // 10)
    return count


def table_differences(listing, frames_listing, mode):
    """Event lines whose timecodes in the rate mode are not the frames table's numbers."""
    _, fps, _ = MODES[mode]
    ours, exact = table_lines(listing), table_lines(frames_listing)
    if len(ours) != len(exact):
        return [f"{len(ours)} event lines against {len(exact)} in frames"]
    found = []
    for (head, tail), (_, exact_tail) in zip(ours, exact):
        for i in range(2, 6):
            count = int(exact_tail.group(i))
            if count > 0 and timecode_frames(tail.group(i).decode(), mode) != count:
                found.append(f"event {head.group(1).decode()}: {tail.group(i).decode()} is not frame {count}")
        if exact_tail.group(1) and int(exact_tail.group(1)) % (60 * fps) != \
                timecode_frames("0:0:" + tail.group(1).decode(), mode) % (60 * fps):
            found.append(f"event {head.group(1).decode()}: duration {tail.group(1).decode()}")
    return found


# ---- the readers: each returns (clips, transitions) as read back ----------------------------

def load_otio(paths):
    """opentimelineio and pycmx from their hand-built folders, or the reason they are missing."""
    try:
        every_adapter = os.path.exists(paths.otio_load)
        if every_adapter:  # OpenTimelineIO with all its hand-built adapters
            import importlib.util
            spec = importlib.util.spec_from_file_location("otio_load", paths.otio_load)
            spec.loader.exec_module(importlib.util.module_from_spec(spec))
        for lib in ("opentime/libopentime.so", "opentimelineio/libopentimelineio.so"):
            ctypes.CDLL(os.path.join(paths.otio, "build/src", lib), mode=ctypes.RTLD_GLOBAL)
        sys.path[:0] = [os.path.join(paths.otio, "py"), paths.pycmx]
        if not every_adapter:
            os.environ["OTIO_PLUGIN_MANIFEST_PATH"] = os.path.join(paths.cmx_adapter, "plugin_manifest.json")
        import opentimelineio
        import pycmx
        return opentimelineio, pycmx, None
    except (OSError, ImportError) as error:
        return None, None, str(error)


def role_of_name(name):
    for prefix, role in (("Main", "MAIN"), ("Insert", "INS"), ("Extra audio 1", "ExA1"), ("Extra audio 2", "ExA2")):
        if name.startswith(prefix):
            return role
    return "?" + name


def frames(time, rate):
    return round(time.rescaled_to(rate).value)


def otio_track(otio, track, role, rate, clips, transitions):
    """The clips and transitions of one OTIO track: record range in the track, source range,
    and the media frames a time warp plays."""
    start = -frames(track.source_range.start_time, rate) if track.source_range else 0  # the adapter's first record in
    previous_end = start
    for child in track:
        if isinstance(child, otio.schema.Transition):
            length = frames(child.in_offset, rate) + frames(child.out_offset, rate)
            kind = {"SMPTE_Dissolve": "dissolve", "SMPTE_Wipe": "wipe"}.get(child.transition_type, child.transition_type)
            transitions.append(Transition(role, previous_end, length, kind, None))
            continue
        where = child.range_in_parent()
        rec_in = start + frames(where.start_time, rate)
        previous_end = rec_in + frames(where.duration, rate)
        if isinstance(child, otio.schema.Clip):
            scalar = 1.0
            for effect in child.effects:
                if isinstance(effect, otio.schema.LinearTimeWarp):
                    scalar *= effect.time_scalar
            src_in = frames(child.source_range.start_time, rate)
            played = round(frames(child.source_range.duration, rate) * scalar)
            clips.append(Clip(role, rec_in, previous_end, src_in, src_in + played, None, None))


def read_otio(otio, path, mode):
    rate = MODES[mode][0]
    timeline = otio.adapters.read_from_file(path)
    clips, transitions = [], []
    offset = frames(timeline.global_start_time, rate) if timeline.global_start_time else 0
    for track in timeline.tracks:
        if track.name.endswith("sound"):
            continue  # the audio twin of a picture track
        otio_track(otio, track, role_of_name(track.name), rate, clips, transitions)
    return shift(clips, transitions, -offset) if offset else (clips, transitions)


FCP7_KINDS = {"Cross Dissolve": "dissolve", "Edge Wipe": "wipe"}


def read_fcp7(otio, path, mode):
    """Clips and transitions of the .xml as OTIO's FCP 7 adapter reads them. Under a Time Remap
    in and out count the slowed clip's frames: the media frame is the clip frame times the speed."""
    rate = MODES[mode][0]
    timeline = otio.adapters.read_from_file(path, adapter_name="fcp_xml")
    clips, transitions = [], []
    for track in timeline.tracks:
        if track.name.endswith("sound"):
            continue  # the audio pair of a picture track
        role, previous_end = role_of_name(track.name), 0
        for child in track:
            if isinstance(child, otio.schema.Transition):
                length = frames(child.in_offset, rate) + frames(child.out_offset, rate)
                transitions.append(Transition(role, previous_end, length, FCP7_KINDS.get(child.name, child.name), None))
                continue
            where = child.range_in_parent()
            rec_in = frames(where.start_time, rate)
            previous_end = rec_in + frames(where.duration, rate)
            if isinstance(child, otio.schema.Clip):
                speed = 1.0
                for effect in child.effects:
                    parameters = effect.metadata.get("fcp_xml", {}).get("parameter", [])
                    for parameter in [parameters] if hasattr(parameters, "keys") else parameters:
                        if effect.name == "Time Remap" and parameter.get("parameterid") == "speed":
                            speed = float(parameter["value"]) / 100
                first = frames(child.source_range.start_time, rate)
                src_in = round(first * speed)
                clips.append(Clip(role, rec_in, previous_end, src_in,
                                  src_in + round(frames(child.source_range.duration, rate) * speed), None, None))
    offset = frames(timeline.global_start_time, rate) if timeline.global_start_time else 0
    return shift(clips, transitions, -offset) if offset else (clips, transitions)


def shift(clips, transitions, by):
    return ([c._replace(rec_in=c.rec_in + by, rec_out=c.rec_out + by) for c in clips],
            [t._replace(cut=t.cut + by) for t in transitions])


def edl_set(folder, stem):
    """The .edl files of one export with the role of each: the set's names add -insert, -exa1,
    -exa2 and a lane number to the main file's."""
    found = []
    for name in sorted(os.listdir(folder)):
        if not (name.startswith(stem) and name.endswith(b".edl")):
            continue
        rest = name[len(stem):-4]
        match = re.fullmatch(rb"(-(insert|exa1|exa2))?(-\d+)?", rest)
        if match:
            role = {b"insert": "INS", b"exa1": "ExA1", b"exa2": "ExA2"}.get(match.group(2), "MAIN")
            found.append((os.path.join(folder, name), role))
    return found


def read_cmx_otio(otio, folder, stem, mode):
    clips, transitions = [], []
    for path, role in edl_set(folder, stem):
        timeline = otio.adapters.read_from_file(os.fsdecode(path), adapter_name="cmx_3600", rate=MODES[mode][0])
        picture = role in ("MAIN", "INS")
        tracks = [t for t in timeline.tracks if (t.kind == "Video") == picture]
        for track in tracks[:1]:  # a picture file's sound tracks repeat its clips
            otio_track(otio, track, role, MODES[mode][0], clips, transitions)
    return clips, transitions


def read_pycmx(pycmx, folder, stem, mode):
    clips, transitions = [], []
    for path, role in edl_set(folder, stem):
        picture = role in ("MAIN", "INS")
        with open(path, encoding="utf-8", errors="surrogateescape", newline="") as f:
            edits = [e for event in pycmx.parse_cmx3600(f).events for e in event.edits]
        for edit in edits:
            if picture and not edit.channels.video:
                continue  # the sound of a picture clip, as an event of its own
            times = [timecode_frames(t, mode) for t in (edit.source_in, edit.source_out, edit.record_in, edit.record_out)]
            if edit.record_out != edit.record_in:
                clips.append(Clip(role, times[2], times[3], times[0], times[1], None, None))
            if not edit.transition.cut:
                kind = "dissolve" if edit.transition.dissolve else "wipe" if edit.transition.wipe else "other"
                transitions.append(Transition(role, times[2], edit.transition.effect_duration, kind, None))
    return clips, transitions


def main_multitrack(mlt, profile, path):
    """The tracks of the main tractor of an MLT XML file, as MLT's own library loads it."""
    service = mlt.Producer(profile, "xml:" + os.fsdecode(path))
    if not service.is_valid():
        raise ValueError("MLT did not load it")
    while service.type() != mlt.mlt_service_multitrack_type:
        service = service.producer()
        if service is None or not service.is_valid() or service.type() == mlt.mlt_service_invalid_type:
            raise ValueError("no multitrack")
    return mlt.Multitrack(service)


def read_mlt(mlt, profile, path):
    """Clips and transitions as MLT's own library loads the .mlt: each playlist's entries, a
    transition's tractor giving its frames to the clip it leads into (its second track)."""
    multitrack = main_multitrack(mlt, profile, path)
    clips, transitions = [], []
    first_video = True
    for i in range(1, multitrack.count()):  # track 0 is the black background
        playlist = mlt.Playlist(multitrack.track(i))
        if playlist.get("shotcut:name") == "Titles":
            continue  # the titles' text, not clips of the table
        if playlist.get("shotcut:audio") == "1" or (playlist.get("shotcut:name") or "").startswith("A"):
            role = "audio"
        else:
            role = "MAIN" if first_video else "INS"
            first_video = False
        runs = []  # [producer id, record in, record out, source in, source out, speed]
        for j in range(playlist.count()):
            if playlist.is_blank(j):
                continue
            info = playlist.clip_info(j)
            producer, first, count, start = info.producer, info.frame_in, info.frame_count, info.start
            if producer.type() == mlt.mlt_service_tractor_type:
                tractor = mlt.Tractor(producer)
                outgoing, incoming = tractor.multitrack().track(0), tractor.multitrack().track(1)
                kind = "dissolve"
                node = tractor.producer()
                while node is not None and node.is_valid() and node.type() == mlt.mlt_service_transition_type:
                    if node.get("mlt_service") == "luma" and node.get("resource"):
                        kind = "wipe"
                    node = node.producer()
                # Its first frames come from the outgoing clip's media, right after the clip's own.
                if not runs or runs[-1][2] != start or (runs[-1][0], runs[-1][4]) != \
                        (outgoing.parent().get("id"), outgoing.get_in()):
                    kind += " from other frames"
                transitions.append(Transition(role, start, count, kind, None))
                producer, first = incoming.parent(), incoming.get_in()
            speed = float(producer.get("warp_speed") or 1)
            ident = producer.get("id")
            if runs and runs[-1][0] == ident and runs[-1][2] == start and runs[-1][4] == first:
                runs[-1][2] += count
                runs[-1][4] += count
            else:
                runs.append([ident, start, start + count, first, first + count, speed])
        for _, rec_in, rec_out, src_in, src_out, speed in runs:
            clips.append(Clip(role, rec_in, rec_out, round(src_in * speed), round(src_out * speed), None, None))
    return clips, transitions


def load_fcpx(loader):
    """OpenTimelineIO and its FCPXML adapter through the loader script of the hand-built OTIO, or
    the reason they are missing."""
    try:
        folder, name = os.path.split(os.path.abspath(loader))
        sys.path.insert(0, folder)
        otio = __import__(os.path.splitext(name)[0]).otio
        from otio_fcpx_xml_adapter import fcpx_xml
        return otio, fcpx_xml, None
    except (OSError, ImportError, AttributeError) as error:
        return None, None, str(error)


def seconds(text):
    """An FCPXML time ("1001/30000s", "5s", "0s") as a fraction."""
    return fractions.Fraction(text[:-1]) if text else fractions.Fraction(0)


def mend_fcpx(otio, fcpx):
    """Mends the adapter's known faults that would hide what a file says (OpenTimelineIO issues
    903 and 1661): it reads times through an integer frame rate (29 for 30000/1001) and truncated
    floats, here exact fractions of the format's frame duration; it fails on a generator (a video
    element of an effect), here a clip with a generator reference. It also keeps each clip's
    timeMap in the clip's metadata, which the adapter does not read."""
    reader = fcpx.FcpxXml
    timing_clip, format_id, reference, build = (reader._timing_clip, reader._format_id_for_clip,
                                                 reader._reference_from_id, reader._build_composable)

    def frame(self, format_id):
        return seconds(self._format_by_id(format_id).get("frameDuration"))

    def number_of_frames(self, time, format_id):
        return round(seconds(time) / frame(self, format_id)) if time else 0

    def frame_rate(self, format_id):
        return float(1 / frame(self, format_id))

    def time_range(self, element, format_id):
        rate = frame_rate(self, format_id)
        return otio.opentime.TimeRange(
            otio.opentime.RationalTime(number_of_frames(self, element.get("start"), format_id), rate),
            otio.opentime.RationalTime(number_of_frames(self, element.get("duration"), format_id), rate))

    def is_effect(self, ref):
        return ref is not None and self._asset_by_id(ref) is None and self._compound_clip_by_id(ref) is None

    def mended_timing_clip(self, clip):
        if clip.tag in ("video", "audio") and self.child_parent_map.get(clip).tag != "clip":
            return clip  # a story element of its own, not the picture of a clip
        return timing_clip(self, clip)

    def mended_format_id(self, clip, default_format):
        return default_format if clip.tag != "gap" and is_effect(self, clip.get("ref")) else \
            format_id(self, clip, default_format)

    def mended_reference(self, ref, default_format):
        if is_effect(self, ref):
            return otio.schema.GeneratorReference(generator_kind=ref)
        return reference(self, ref, default_format)

    def mended_build(self, element, default_format):
        item = build(self, element, default_format)
        points = element.find("timeMap")
        if points is not None:
            fmt = self._format_id_for_clip(element, default_format)
            item.metadata["timeMap"] = [[number_of_frames(self, p.get("time"), fmt),
                                         number_of_frames(self, p.get("value"), fmt)] for p in points.findall("timept")]
        return item

    reader._number_of_frames, reader._format_frame_rate, reader._time_range = number_of_frames, frame_rate, time_range
    reader._timing_clip, reader._format_id_for_clip = mended_timing_clip, mended_format_id
    reader._reference_from_id, reader._build_composable = mended_reference, mended_build


def warp(points, time):
    """The media time a timeMap's points give at a clip's time, between two of them."""
    for (t0, v0), (t1, v1) in zip(points, points[1:]):
        if t0 <= time <= t1 and t1 != t0:
            return round(v0 + fractions.Fraction(time - t0) * (v1 - v0) / (t1 - t0))
    return time


def read_fcpx(otio, fcpx, path):
    """Clips as the FCPXML adapter reads them (lane 0 the main track, lanes above it the insert
    lanes, below it the extra audio), their record times from the sequence's start; transitions,
    which the adapter does not read, and the start from the file itself."""
    with open(path, "rb") as f:
        text = f.read()
    timeline = fcpx.read_from_string(text)[0]  # the event's first (only) project
    root = ET.fromstring(text)
    frame = seconds(root.find("resources/format").get("frameDuration"))
    sequence = root.find("library/event/project/sequence")
    start = round(seconds(sequence.get("tcStart")) / frame)
    clips, transitions = [], []
    for track in timeline.tracks:
        lane = int(track.name)
        role = "MAIN" if lane == 0 else "INS" if lane > 0 else "audio"
        for child in track:
            if not isinstance(child, otio.schema.Clip):
                continue
            where = child.range_in_parent()
            rec_in = round(where.start_time.value) - start
            src_in = round(child.source_range.start_time.value)
            src_out = src_in + round(child.source_range.duration.value)
            points = child.metadata.get("timeMap")
            if points:
                src_in, src_out = warp(points, src_in), warp(points, src_out)
            clips.append(Clip(role, rec_in, rec_in + round(where.duration.value), src_in, src_out, None, None))
    effects = {effect.get("id"): effect.get("name") for effect in root.iter("effect")}
    for transition in sequence.find("spine").findall("transition"):
        video = transition.find("filter-video")
        name = effects.get(video.get("ref")) if video is not None else None
        kind = {"Cross Dissolve": "dissolve", "Wipe": "wipe"}.get(name, str(name))
        transitions.append(Transition("MAIN", round(seconds(transition.get("offset")) / frame) - start,
                                      round(seconds(transition.get("duration")) / frame), kind, None))
    return clips, transitions


KDENLIVE_ROLES = {"Main AV": "MAIN", "Insert AV": "INS", "Extra audio 1": "ExA1", "Extra audio 2": "ExA2"}


def read_kdenlive(mlt, profile, path):
    """Clips and transitions as MLT's own library loads the .kdenlive: each Kdenlive track a
    tractor of two playlists, a transition a mix between them whose frames the outgoing clip's
    entry holds past its own; the pictures of the main and insert tracks, the extra audio (the
    main and insert tracks' sound and the titles are not clips of the table)."""
    multitrack = main_multitrack(mlt, profile, path)
    clips, transitions = [], []
    for i in range(1, multitrack.count()):  # track 0 is the black background
        track = mlt.Tractor(multitrack.track(i))
        name = track.get("kdenlive:track_name") or ""  # a lane's name ends in its number
        role = next((r for k, r in KDENLIVE_ROLES.items() if name.startswith(k)), None)
        if role is None or name.endswith(" sound"):
            continue
        mixes = {}  # mix start: frames
        node = track.producer()
        while node is not None and node.is_valid() and node.type() == mlt.mlt_service_transition_type:
            mix = mlt.Transition(node)
            kind = "wipe" if mix.get("resource") else "dissolve"
            mixes[mix.get_in()] = mix.get_out() - mix.get_in() + 1
            transitions.append(Transition(role, mix.get_in(), mix.get_out() - mix.get_in() + 1, kind, None))
            node = node.producer()
        for side in range(2):
            playlist = mlt.Playlist(track.multitrack().track(side))
            for j in range(playlist.count()):
                if playlist.is_blank(j):
                    continue
                info = playlist.clip_info(j)
                start, first, count = info.start, info.frame_in, info.frame_count
                end = start + count
                tail = next((frames for cut, frames in mixes.items() if cut + frames == end and cut > start), 0)
                speed = float(info.producer.get("warp_speed") or 1)
                frames = count - tail
                clips.append(Clip(role, start, start + frames, round(first * speed), round((first + frames) * speed),
                                  None, None))
    return clips, transitions


# ---- comparing with the table ---------------------------------------------------------------

class Tally:
    def __init__(self):
        self.projects = 0
        self.counts = collections.Counter()
        self.kinds = collections.Counter()
        self.examples = {}

    def add(self, other):
        self.projects += other.projects
        self.counts.update(other.counts)
        self.kinds.update(other.kinds)
        for kind, example in other.examples.items():
            self.examples.setdefault(kind, example)

    def fail(self, kind, example, warned=False, what="files"):
        """One clip, transition or file that failed, or differed where a warning said so."""
        self.counts[what + (" warned" if warned else " failed")] += 1
        key = ("warned: " if warned else "") + kind
        self.kinds[key] += 1
        self.examples.setdefault(key, example)


def clip_kind(clip):
    what = "half-speed clip" if clip.slow else "picture clip" if clip.picture else "clip"
    where = " starting before frame 0" if clip.rec_in < 0 else ""
    return f"{clip.role} {what}{where}"


def compare(truth, got, group, tally, warned, example):
    """Counts each table clip and transition as matched, warned or failed, and every clip or
    transition read back that the table does not hold as a failure of its own."""
    clips, transitions = truth
    got_clips, got_transitions = got
    pool = collections.defaultdict(list)
    for clip in got_clips:
        pool[(clip.role, clip.rec_in)].append(clip)
    unmatched = []
    for clip in clips:
        candidates = pool[(group(clip.role), clip.rec_in)]
        exact = next((c for c in candidates if c.rec_out == clip.rec_out and
                      (clip.picture or (c.src_in, c.src_out) == (clip.src_in, clip.src_out))), None)
        if exact:
            candidates.remove(exact)
            tally.counts["clips matched"] += 1
        else:
            unmatched.append(clip)
    for clip in unmatched:
        candidates = pool[(group(clip.role), clip.rec_in)]
        if not candidates and clip.rec_in < 0:  # placed from frame 0 on, its source in moved as far
            candidates = [c for c in pool[(group(clip.role), 0)] if c.rec_out == clip.rec_out]
            if candidates:
                pool[(group(clip.role), 0)].remove(candidates[0])
        if not candidates:
            tally.fail(f"{clip_kind(clip)} missing", example(clip), warned, "clips")
            continue
        other = candidates.pop(0)
        fields = [name for name, ours, theirs in (("record in", clip.rec_in, other.rec_in),
                                                  ("record out", clip.rec_out, other.rec_out),
                                                  ("source in", clip.src_in, other.src_in),
                                                  ("source out", clip.src_out, other.src_out))
                  if ours != theirs and not (clip.picture and name.startswith("source"))]
        verb = "differs" if len(fields) == 1 else "differ"
        tally.fail(f"{clip_kind(clip)}: {', '.join(fields)} {verb}", example(clip, other), warned, "clips")
    for rest in pool.values():
        for clip in rest:
            tally.fail(f"{clip.role} clip the table does not hold", example(clip), warned, "clips")

    by_cut = collections.defaultdict(list)
    for transition in got_transitions:
        by_cut[(transition.role, transition.cut)].append(transition)
    for transition in transitions:
        candidates = by_cut[(group(transition.role), transition.cut)]
        same = next((t for t in candidates if (t.frames, t.kind) == (transition.frames, transition.kind)), None)
        if same:
            candidates.remove(same)
            tally.counts["transitions matched"] += 1
            continue
        label = f"{transition.kind}"
        if transition.frames > 999:
            label += " over 999 frames"
        if transition.frames > transition.incoming:
            label += " longer than its incoming clip"
        if not candidates:
            tally.fail(f"{label} missing", example(transition), warned, "transitions")
            continue
        other = candidates.pop(0)
        what = ("length" if other.kind == transition.kind else
                "outgoing frames" if other.kind.startswith(transition.kind) else "kind")
        tally.fail(f"{label}: {what} differs", example(transition, other), warned, "transitions")
    for rest in by_cut.values():
        for transition in rest:
            tally.fail("transition the table does not hold", example(transition), warned, "transitions")


# ---- the awkward names: every export parses, no EDL line added ------------------------------

EDL_LINE = re.compile(rb"^(TITLE: |FCM: |\d{3,} |M2 |\* )")


def edl_line_faults(data):
    faults = []
    lines = data.split(b"\r\n")
    if lines[-1] != b"":
        faults.append("last line without CR LF")
    previous = 0
    for line in lines[:-1]:
        if not EDL_LINE.match(line):
            faults.append("a line that is no header, event, M2 or comment")
        elif re.search(rb"[\x00-\x1f\x7f]", line):
            faults.append("control bytes in a line")
        if re.match(rb"^\d{3,} ", line):
            number = int(line.split(b" ", 1)[0])
            if number not in (previous, previous + 1):
                faults.append("an event number out of sequence")
            previous = number
    return sorted(set(faults))


def check_parses(readers, mlt_reader, folder, stem, mode, tally):
    # The readers take paths as text: the exports are read under the ASCII start of their name.
    safe_folder = os.path.join(folder, b"ascii")
    os.makedirs(safe_folder, exist_ok=True)
    safe = stem[:len(b"awkward-000-rexedit-0207")]
    for name in os.listdir(folder):
        if name.startswith(stem) and not name.endswith(b".dvc"):
            shutil.copyfile(os.path.join(folder, name), os.path.join(safe_folder, safe + name[len(stem):]))
    folder, stem = safe_folder, safe
    base = os.path.join(folder, stem)
    checks = []
    try:
        with open(base + b".otio", "rb") as f:
            json.loads(f.read().decode("utf-8"))
        checks.append(("otio: JSON", None))
    except (OSError, ValueError) as error:
        checks.append(("otio: JSON", type(error).__name__))
    for fmt in ("mlt", "fcpxml") if shutil.which("xmllint") else ():
        result = subprocess.run(["xmllint", "--noout", base + EXTENSIONS[fmt].encode()], capture_output=True)
        reason = re.search(rb"error : ([^,!\n]*)", result.stderr)
        checks.append((fmt + ": xmllint", None if result.returncode == 0 else
                       "refused: " + (reason.group(1).decode(errors="replace").strip() if reason else "?")))
    if readers.get("fcpxml"):
        checks.append(("fcpxml: FCPXML adapter", attempt(lambda: read_fcpx(*readers["fcpxml"], base + b".fcpxml"))))
    if mlt_reader:
        checks.append(("mlt: MLT", attempt(lambda: mlt_reader(base + b".mlt"))))
    if shutil.which("xmllint"):
        result = subprocess.run(["xmllint", "--noout", base + b".xml"], capture_output=True)
        checks.append(("fcp7xml: xmllint", None if result.returncode == 0 else "refused"))
    kdenlive_reader = readers.get("kdenlive")
    if kdenlive_reader:
        result = subprocess.run(["xmllint", "--noout", base + b".kdenlive"], capture_output=True)
        checks.append(("kdenlive: xmllint", None if result.returncode == 0 else "refused"))
        checks.append(("kdenlive: MLT", attempt(lambda: kdenlive_reader(base + b".kdenlive"))))
    otio, pycmx = readers.get("otio"), readers.get("pycmx")
    if otio:
        checks.append(("otio: OpenTimelineIO", attempt(lambda: read_otio(otio, os.fsdecode(base + b".otio"), mode))))
    for path, _ in edl_set(folder, stem):
        with open(path, "rb") as f:
            for fault in edl_line_faults(f.read()):
                checks.append(("cmx3600: " + fault, fault))
    if otio:
        checks.append(("cmx3600: OTIO adapter", attempt(lambda: read_cmx_otio(otio, folder, stem, mode))))
    if pycmx:
        checks.append(("cmx3600: pycmx", attempt(lambda: read_pycmx(pycmx, folder, stem, mode))))
    if otio and readers.get("fcp7"):
        checks.append(("fcp7xml: OTIO adapter", attempt(lambda: read_fcp7(otio, os.fsdecode(base + b".xml"), mode))))
    for what, fault in checks:
        if fault is None:
            tally.counts["files matched"] += 1
        else:
            tally.fail(what if what.endswith(fault) else f"{what}: {fault}", ascii(os.fsdecode(stem))[:60] + " " + mode)


def attempt(read):
    try:
        read()
        return None
    except Exception as error:  # a reader's refusal, whatever its kind, is the finding
        return type(error).__name__


# ---- running the conversions ----------------------------------------------------------------

def software_of(path):
    return "ezedit" if b"-ezedit-" in os.path.basename(path) else "rexedit"


def convert(program, folder, names, mode, fmt):
    """Converts every project of the folder; returns {name: stderr lines that name it}."""
    said = collections.defaultdict(list)
    for software in ("rexedit", "ezedit"):
        chosen = [n for n in names if software_of(n) == software]
        if not chosen:
            continue
        result = subprocess.run([program, "--software", software, "--timecode", mode, "--format", fmt, "--force",
                                 "--progress", "none", *chosen], cwd=folder, capture_output=True)
        for line in result.stderr.split(b"\n"):
            for name in chosen:
                if os.path.basename(name) in line:  # the path as given, or its file name
                    said[name].append(line)
    return said


def warned_formats(lines):
    formats = set()
    for line in lines:
        match = re.match(rb"morvane-convert: .*: warning: (\w+): ", line)
        if match:
            formats.add(match.group(1).decode())
    return formats


def make_folders(work, projects, modes):
    """A copy of the projects per mode, each in a folder of its own (the exports are written
    beside their project, whose folder is also where their media are looked up); returns the
    projects' paths from a mode's folder."""
    names = sorted(n for n in os.listdir(projects) if n.endswith(b".dvc"))
    paths = [os.path.join(str(i).encode(), name) for i, name in enumerate(names)]
    for mode in modes:
        for name, path in zip(names, paths):
            os.makedirs(os.path.join(work, mode.encode(), os.path.dirname(path)), exist_ok=True)
            shutil.copyfile(os.path.join(projects, name), os.path.join(work, mode.encode(), path))
    return paths


def quiet_native_output():
    """The readers' libraries report missing media and refused files on the process's standard
    error: that goes to /dev/null, Python's own messages still to the terminal."""
    saved = os.dup(2)
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 2)
    os.close(devnull)
    sys.stderr = os.fdopen(saved, "w", buffering=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("convert")
    parser.add_argument("make_projects")
    parser.add_argument("--report-only", action="store_true", help="print the findings, never fail")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=22)
    parser.add_argument("--max-main", type=int, default=1000, help="at most this many main clips per project")
    parser.add_argument("--readers", default="mlt,otio,cmx-otio,pycmx,fcpxml,fcp7,kdenlive,parse")
    parser.add_argument("--jobs", type=int, default=2, help="projects read back at the same time")
    parser.add_argument("--keep", help="work in this folder and keep it")
    parser.add_argument("--otio", default="/tmp/otio", help="OpenTimelineIO's source folder, built in build/")
    parser.add_argument("--cmx-adapter", default="/tmp/cmxad/src/otio_cmx3600_adapter")
    parser.add_argument("--pycmx", default="/tmp/pycmx/src")
    parser.add_argument("--otio-load", default="/tmp/otio_load.py",
                        help="a script that loads OpenTimelineIO with its FCP 7 and FCPXML adapters")
    parser.add_argument("--fcpx-unmended", action="store_true",
                        help="read the .fcpxml with the adapter as it is (see mend_fcpx)")
    args = parser.parse_args()
    args.wanted = args.readers.split(",")

    quiet_native_output()
    if {"otio", "cmx-otio", "pycmx", "fcp7"} & set(args.wanted):
        why = load_otio(args)[2]
        if why:
            print(f"OpenTimelineIO, its CMX adapter and pycmx skipped: {why}")
    if "fcpxml" in args.wanted:
        why = load_fcpx(args.otio_load)[2]
        if why:
            print(f"OpenTimelineIO's FCPXML adapter skipped: {why}")
    work = args.keep or tempfile.mkdtemp(prefix="sweep-")
    try:
        return run(args, os.path.abspath(args.convert), os.path.abspath(work).encode())
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


READERS = {}


def load_readers(args):
    """The readers of one worker process. Each worker reads a few projects and is replaced: MLT's
    library keeps memory of every project it loaded."""
    if {"mlt", "kdenlive", "parse"} & set(args.wanted):
        import mlt7
        mlt7.Factory().init()
        profile = mlt7.Profile()
        READERS["mlt"] = lambda path: read_mlt(mlt7, profile, path)
        READERS["kdenlive"] = lambda path: read_kdenlive(mlt7, profile, path)
    if {"otio", "cmx-otio", "pycmx", "fcp7"} & set(args.wanted):
        otio, pycmx, why = load_otio(args)
        if not why:
            READERS.update(otio=otio, pycmx=pycmx)
            if "fcp_xml" in [adapter.name for adapter in otio.plugins.ActiveManifest().adapters]:
                READERS["fcp7"] = otio
    if "fcpxml" in args.wanted:
        otio, fcpx, why = load_fcpx(args.otio_load)
        if not why:
            if not args.fcpx_unmended:
                mend_fcpx(otio, fcpx)
            READERS["fcpxml"] = (otio, fcpx)
    READERS["wanted"] = args.wanted


def run(args, convert_program, work):
    sets = {"sweep": ["--count", str(args.count), "--seed", str(args.seed), "--max-main", str(args.max_main)]}
    if "parse" in args.wanted:
        sets["awkward"] = ["--awkward"]
    tasks = []
    for name, options in sets.items():
        projects = os.path.join(work, name.encode(), b"projects")
        os.makedirs(projects, exist_ok=True)
        subprocess.run([os.path.abspath(args.make_projects), *options, projects], check=True)
        paths = make_folders(os.path.join(work, name.encode()), projects, ["frames", *MODES])
        frames_folder = os.path.join(work, name.encode(), b"frames")
        if name == "sweep":
            convert(convert_program, frames_folder, paths, "frames", "listing")
        for mode in MODES:
            folder = os.path.join(work, name.encode(), mode.encode())
            said = {fmt: convert(convert_program, folder, paths, mode, fmt) for fmt in ("listing", *EXTENSIONS)}
            for path in paths:
                own, stem = os.path.split(path[:-4])
                warnings = set()
                for lines in said.values():
                    warnings |= warned_formats(lines.get(path, []))
                tasks.append((name, os.path.join(folder, own), os.path.join(frames_folder, own), stem, mode, warnings))
    tallies = {reader: Tally() for reader in ("listing", "mlt", "otio", "cmx-otio", "pycmx", "fcpxml", "fcp7", "kdenlive",
                                              "parse")}
    with multiprocessing.Pool(args.jobs, load_readers, (args,), maxtasksperchild=5) as pool:
        for found in pool.imap(read_back, tasks):
            for reader, tally in found.items():
                tallies[reader].add(tally)
    return report(args, tallies)


def read_back(task):
    """The tallies of one project in one mode (in a worker process)."""
    name, folder, frames_folder, stem, mode, warnings = task
    tallies = collections.defaultdict(Tally)
    if name == "awkward":
        tallies["parse"].projects += 1
        check_parses(READERS, READERS.get("mlt"), folder, stem, mode, tallies["parse"])
    else:
        sweep_one(READERS, READERS["wanted"], folder, frames_folder, stem, mode, warnings, tallies)
    return dict(tallies)


def sweep_one(readers, wanted, folder, frames_folder, stem, mode, warnings, tallies):
    label = os.fsdecode(stem) + " " + mode
    try:
        with open(os.path.join(frames_folder, stem + b".txt"), "rb") as f:
            exact = f.read()
        with open(os.path.join(folder, stem + b".txt"), "rb") as f:
            listing = f.read()
    except OSError:
        tallies["listing"].fail("no listing", label)
        return
    tallies["listing"].projects += 1
    for difference in table_differences(listing, exact, mode):
        tallies["listing"].fail("rate table differs from the frames table", f"{label}: {difference}")
    truth = read_table(exact)
    base = os.path.join(folder, stem)
    for reader in ("mlt", "otio", "cmx-otio", "pycmx", "fcpxml", "fcp7", "kdenlive"):
        module = readers.get(reader if reader != "cmx-otio" else "otio")
        if reader not in wanted or module is None:
            continue
        tally = tallies[reader]
        tally.projects += 1
        fmt = READER_FORMAT[reader]
        warned = fmt in warnings
        try:
            if reader in ("mlt", "kdenlive"):
                got = module(base + EXTENSIONS[reader].encode())
            elif reader == "otio":
                got = read_otio(module, os.fsdecode(base + b".otio"), mode)
            elif reader == "cmx-otio":
                got = read_cmx_otio(module, folder, stem, mode)
            elif reader == "fcpxml":
                got = read_fcpx(*module, base + b".fcpxml")
            elif reader == "fcp7":
                got = read_fcp7(module, os.fsdecode(base + b".xml"), mode)
            else:
                got = read_pycmx(module, folder, stem, mode)
        except Exception as error:  # a reader's refusal, whatever its kind, is the finding
            tally.fail(f"file not read ({type(error).__name__}: {str(error)[:60]})", label, warned)
            continue
        group = (lambda role: "audio" if role in ("ExA1", "ExA2") else role) if reader in ("mlt", "fcpxml") \
            else (lambda role: role)

        def example(ours, theirs=None):
            text = f"{label}: table {tuple(ours)[1:5]}"
            return text + (f", read {tuple(theirs)[1:5]}" if theirs else "")
        compare(truth, got, group, tally, warned, example)


def report(args, tallies):
    failed = False
    for reader, tally in tallies.items():
        if not tally.projects:
            continue
        counts = tally.counts
        parts = [f"{what} {counts[what + ' matched']} {'passed' if what == 'files' else 'matched'}, "
                 f"{counts[what + ' warned']} warned, "
                 f"{counts[what + ' failed']} failed" for what in ("clips", "transitions", "files")
                 if counts[what + " matched"] or counts[what + " warned"] or counts[what + " failed"]]
        print(f"{reader}: {tally.projects} projects; " + ("; ".join(parts) or "nothing differs"))
        for kind, count in tally.kinds.most_common():
            print(f"  {count:6}  {kind}   e.g. {tally.examples[kind]}")
        failed = failed or any(counts[what + " failed"] for what in ("clips", "transitions", "files"))
    return 0 if args.report_only or not failed else 1


if __name__ == "__main__":
    sys.exit(main())
