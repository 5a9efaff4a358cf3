#!/usr/bin/env python3
"""Every #include "folder/..." points to its own folder or a lower layer of README.md's layout table.

usage: layers_test.py [SOURCE_DIR]    (default: the checkout this file is in)
"""
import os
import re
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ROW = re.compile(r"^\| `([\w/]+)/` \| (\d+|support) \|", re.M)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCES = (".h", ".cpp", ".rc")


def read_layers(root):
    """{folder: rank}, rank None for a support folder, from README.md's Layout section."""
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        section = f.read().split("\n## Layout\n", 1)[1].split("\n## ", 1)[0]
    return {folder: None if rank == "support" else int(rank) for folder, rank in ROW.findall(section)}


def folder_of(path, layers):
    """The table's folder that holds path (the longest: app/win32/x.h is app/win32's), or None."""
    return max((f for f in layers if path.startswith(f + "/")), key=len, default=None)


def allowed(path, folder, target, layers):
    if target == folder:
        return True
    rank, target_rank = layers[folder], layers[target]
    front_ends = max(r for r in layers.values() if r is not None)
    if rank is None:  # support: the layers below the front ends, testing/ and examples/
        return target in ("testing", "examples") or (target_rank is not None and target_rank < front_ends)
    if target_rank is None:  # only tests and a layer's own testing/ and tools/ use support
        inner = path[len(folder) + 1:]
        return target == "testing" and bool(re.search(r"_test\.cpp$|(^|/)(testing|tools)/", inner))
    return target_rank < rank


def file_violations(path, lines, layers):
    folder = folder_of(path, layers)
    if folder is None:
        return [f"{path}: its folder is not in README.md's layout table"]
    found = []
    for number, line in enumerate(lines, 1):
        match = INCLUDE.match(line)
        target = folder_of(match.group(1), layers) if match else None
        if target is not None and not allowed(path, folder, target, layers):
            found.append(f"{path}:{number}: {folder}/ (layer {layers[folder]}) includes {match.group(1)} "
                         f"(layer {layers[target]})")
    return found


def violations(root):
    layers = read_layers(root)
    found = []
    for top in sorted(os.listdir(root)):
        if top.startswith((".", "build")) or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder_path, subfolders, names in os.walk(os.path.join(root, top)):
            subfolders.sort()
            for name in sorted(n for n in names if n.endswith(SOURCES)):
                path = os.path.relpath(os.path.join(folder_path, name), root).replace(os.sep, "/")
                with open(os.path.join(root, path), encoding="latin-1") as f:
                    found += file_violations(path, f, layers)
    return found


class Layers(unittest.TestCase):
    def test_every_include_of_the_source_tree_points_down(self):
        found = violations(SOURCE_DIR)
        self.assertFalse(found, "\n" + "\n".join(found))

    def test_an_include_or_folder_is_refused_exactly_when_it_breaks_the_layers(self):
        cases = [  # file, the folder/... it includes, allowed (the source tree has the other allowed kinds)
            ("listing/source_reader.cpp", "edl/timecode.h", False),
            ("listing/source_reader.cpp", "platform/files.h", True),  # the bottom layer
            ("platform/files.cpp", "listing/wrap32.h", False),
            ("convert/messages.cpp", "dialog/dialog_core.h", False),
            ("app/win32/main.cpp", "app/about_dlg.h", False),  # one front end includes no other
            ("app/about_dlg.cpp", "app/win32/resource.h", False),
            ("listing/clip_kind.cpp", "testing/project_writer.h", False),  # product code
            ("listing/clip_kind_test.cpp", "testing/project_writer.h", True),
            ("listing/clip_kind_test.cpp", "convert/listing_driver.h", False),  # tests point down too
            ("app/testing/modal_driver.cpp", "testing/doubles/recording_prompts.h", True),
            ("app/tools/dialog_bench.cpp", "bench/bench_projects.h", False),
            ("testing/doubles/listing_run.cpp", "cli/console.h", False),
            ("testing/project_writer.cpp", "bench/bench_projects.h", False),
            ("listing/clip_kind.cpp", "resource.h", True),  # no folder of the table
            ("tools/x.cpp", "resource.h", False),  # a source folder the table lacks
        ]
        layers = read_layers(SOURCE_DIR)
        for path, include, expected in cases:
            with self.subTest(path=path, include=include):
                found = file_violations(path, ["#include <string>", f'#include "{include}"'], layers)
                self.assertEqual([] if expected else [path], [v.split(":")[0] for v in found], found)


if __name__ == "__main__":
    SOURCE_DIR = sys.argv[1] if len(sys.argv) > 1 else ROOT
    unittest.main(argv=sys.argv[:1], verbosity=2)
