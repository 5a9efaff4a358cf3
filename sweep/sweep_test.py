#!/usr/bin/env python3
"""The sweep's own reading of the EDL table and its verdicts, on the golden files: a checker that
misreads the truth would blame the exports for its own faults.

usage: sweep_test.py    (no readers needed)
"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sweep  # noqa: E402

GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testing", "golden")


def golden(name):
    with open(os.path.join(GOLDEN, name), "rb") as f:
        return f.read()


class Table(unittest.TestCase):
    def test_the_frames_table_gives_every_clip_with_a_length_and_every_transition(self):
        clips, transitions = sweep.read_table(golden("edl-0207.rexedit.frames.txt"))
        self.assertEqual(len(clips), 15)  # 17 lines, two of them zero-length from lines
        self.assertIn(sweep.Clip("MAIN", 165, 355, 0, 90, False, True), clips)  # half speed
        self.assertIn(sweep.Clip("INS", 400, 600, -5, 95, True, True), clips)  # a still
        self.assertEqual([(t.cut, t.frames, t.kind, t.incoming) for t in transitions],
                         [(85, 15, "dissolve", 80), (165, 70, "wipe", 190), (355, 10, "dissolve", 60)])

    def test_each_rate_mode_table_is_the_frames_table_in_its_timecodes(self):
        exact = golden("edl-0207.rexedit.frames.txt")
        for mode in sweep.MODES:
            with self.subTest(mode=mode):
                ours = golden(f"edl-0207.rexedit.{mode}.txt")
                self.assertEqual(sweep.table_differences(ours, exact, mode), [])
                moved = ours.replace(b"00:00:02;25   00:00:05;15", b"00:00:02;24   00:00:05;15")
                if moved != ours:
                    self.assertEqual(len(sweep.table_differences(moved, exact, mode)), 1)

    def test_drop_frame_labels_count_back_to_frames(self):
        cases = [("00:00:59;29", "ntsc-df", 1799), ("00:01:00;02", "ntsc-df", 1800), ("00:10:00;00", "ntsc-df", 17982),
                 ("01:00:00:00", "ntsc-ndf", 108000), ("01:00:00:00", "pal", 90000), ("4976:00:10;15", "ntsc-df", 536870907)]
        for text, mode, count in cases:
            self.assertEqual(sweep.timecode_frames(text, mode), count, text)


class Verdicts(unittest.TestCase):
    def tally(self, got, warned=False):
        truth = ([sweep.Clip("INS", 10, 40, 100, 130, False, False), sweep.Clip("MAIN", 0, 50, 0, 50, True, False)],
                 [sweep.Transition("MAIN", 20, 1200, "wipe", 30)])
        tally = sweep.Tally()
        sweep.compare(truth, got, lambda role: role, tally, warned, lambda *rows: rows)
        return tally

    def test_a_difference_is_failed_unless_its_format_warned(self):
        clips = [sweep.Clip("INS", 10, 40, 100, 131, None, None), sweep.Clip("MAIN", 0, 50, 7, 57, None, None)]
        transitions = [sweep.Transition("MAIN", 20, 999, "wipe", None)]
        tally = self.tally((clips, transitions))
        self.assertEqual(tally.counts["clips matched"], 1)  # a still plays any source frames
        self.assertEqual(dict(tally.kinds), {"INS clip: source out differs": 1,
                                             "wipe over 999 frames longer than its incoming clip: length differs": 1})
        warned = self.tally((clips, transitions), warned=True).counts
        self.assertEqual((warned["clips failed"], warned["clips warned"], warned["transitions warned"]), (0, 1, 1))

    def test_a_warning_counts_for_the_format_it_names(self):
        lines = [b"morvane-convert: 3/a.dvc: warning: cmx3600: 1 dissolve of 2000 frames written as 999",
                 b"morvane-convert: 3/a.dvc: warning: mlt: 2 clips before frame 0 cut at frame 0",
                 b"conversion completed", b"from : warning: otio: a.dvc"]
        self.assertEqual(sweep.warned_formats(lines), {"cmx3600", "mlt"})

    def test_a_clip_before_frame_0_placed_from_frame_0_is_one_difference(self):
        truth = ([sweep.Clip("ExA1", -10, 20, 5, 35, False, False)], [])
        tally = sweep.Tally()
        sweep.compare(truth, ([sweep.Clip("ExA1", 0, 20, 15, 35, None, None)], []), lambda role: role, tally, True,
                      lambda *rows: rows)
        self.assertEqual(dict(tally.kinds),
                         {"warned: ExA1 clip starting before frame 0: record in, source in differ": 1})

    def test_what_is_left_out_or_added_fails(self):
        extra = sweep.Clip("ExA1", 0, 5, 0, 5, None, None)
        tally = self.tally(([extra], []))
        self.assertEqual((tally.counts["clips failed"], tally.counts["transitions failed"]), (3, 1))
        self.assertIn("ExA1 clip the table does not hold", tally.kinds)


class EdlLines(unittest.TestCase):
    def test_only_headers_events_motion_and_one_line_comments_pass(self):
        good = (b"TITLE: a\r\nFCM: DROP FRAME\r\n001  AX V C 00:00:00;00 00:00:01;00 00:00:00;00 00:00:01;00\r\n"
                b"M2   AX 014.985 00:00:00:00\r\n* FROM CLIP NAME: a\r\n"
                b"002  AX V C 00:00:00;00 00:00:01;00 00:00:01;00 00:00:02;00\r\n")
        self.assertEqual(sweep.edl_line_faults(good), [])
        cases = [(good.replace(b"NAME: a", b"NAME: a\r\nb"), "a line that is no header, event, M2 or comment"),
                 (good.replace(b"NAME: a", b"NAME: a\rb"), "control bytes in a line"),
                 (good.replace(b"NAME: a", b"NAME: a\r\n999 BL"), "an event number out of sequence"),
                 (good[:-2], "last line without CR LF")]
        for text, fault in cases:
            self.assertIn(fault, sweep.edl_line_faults(text))


if __name__ == "__main__":
    unittest.main()
