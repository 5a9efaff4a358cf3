#!/usr/bin/env python3
"""Speed and memory benchmark of morvane-convert, against the floor of copying its files.

    python3 bench/run_bench.py [--build DIR] [--runs N] [--keep DIR]

Builds nothing: it takes the built programs (build/cli/morvane-convert and the two helpers
build/bench/make_bench_projects and build/bench/measure_run, all part of the normal build), writes the two benchmark projects into a temporary folder and
reports, side by side in one run, for each project:

  conversion  wall time of `morvane-convert --progress none -q SOURCE -o DEST` from fork to
              wait4, best of N runs
  floor       time to copy the input file plus time to copy the output file with plain
              read/write calls through a 64 KiB buffer (the converter's buffer size), best of N;
              the output copy is written as the converter writes its destination: to a new
              file, flushed to the disk (fdatasync), renamed over the old copy, then the
              folder flushed (fsync)
  ratio       conversion / floor
  start-up    wall time of `morvane-convert --version`, best of N runs
  peak RSS    largest resident set of a whole morvane-convert run (wait4 rusage ru_maxrss,
              taken by measure_run)

and checks the targets:
  large project:   conversion <= 3 x floor
  maximal project: conversion <= 3 x floor + start-up
  memory:          peak RSS < 16 MiB for both, and within 1 MiB of each other
  dialog:          when build/app/morvane_dialog_bench exists (it takes SOURCE DEST and prints
                   the seconds the conversion through the offscreen dialog took), its best time on
                   the maximal project <= 1.5 x the command-line conversion time

Exit status 0 when every target holds, 1 when one fails, 2 when a program is missing or a
conversion fails.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

COPY_BUFFER = 64 * 1024
MIB = 1024 * 1024


def run_measured(measure, argv):
    """Runs argv through measure_run; returns (wall seconds, peak RSS in bytes).

    Measured by a small process of our own rather than with os.wait4 here: Linux keeps a
    process's peak resident size across fork and exec, so a child of this interpreter would
    report at least the interpreter's own peak (some 14 MiB), whatever the child uses."""
    done = subprocess.run([measure] + argv, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True)
    if done.returncode != 0:
        sys.exit(f"run_bench: {' '.join(argv)} failed ({done.returncode}): {done.stderr.strip()}")
    seconds, kib = done.stdout.split()
    return float(seconds), int(kib) * 1024


def copy_file(source, destination, flush=False):
    """A plain copy: read and write through one buffer, destination created or truncated.

    With flush, the copy is written as the converter writes a destination: to a new file
    beside it, flushed to the disk, renamed over it, and its folder flushed after."""
    target = destination + ".new" if flush else destination
    source_fd = os.open(source, os.O_RDONLY)
    try:
        destination_fd = os.open(target, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        try:
            while True:
                chunk = os.read(source_fd, COPY_BUFFER)
                if not chunk:
                    break
                view = memoryview(chunk)
                while view:
                    view = view[os.write(destination_fd, view):]
            if flush:
                os.fdatasync(destination_fd)
        finally:
            os.close(destination_fd)
    finally:
        os.close(source_fd)
    if flush:
        os.rename(target, destination)
        folder_fd = os.open(os.path.dirname(os.path.abspath(destination)), os.O_RDONLY)
        try:
            os.fsync(folder_fd)
        finally:
            os.close(folder_fd)


def best_of(runs, action):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        action()
        best = min(best, time.perf_counter() - start)
    return best


def measure_project(measure, convert, source, folder, runs):
    destination = os.path.join(folder, os.path.basename(source) + ".txt")
    argv = [convert, "--progress", "none", "-q", source, "-o", destination]
    conversion = float("inf")
    peak_rss = 0
    for _ in range(runs):
        elapsed, rss = run_measured(measure, argv)
        conversion = min(conversion, elapsed)
        peak_rss = max(peak_rss, rss)
    input_copy = os.path.join(folder, "floor-input.copy")
    output_copy = os.path.join(folder, "floor-output.copy")
    floor = best_of(runs, lambda: copy_file(source, input_copy)) + \
        best_of(runs, lambda: copy_file(destination, output_copy, flush=True))
    result = {
        "input": os.path.getsize(source),
        "output": os.path.getsize(destination),
        "conversion": conversion,
        "floor": floor,
        "rss": peak_rss,
        "destination": destination,
    }
    for path in (input_copy, output_copy):
        os.remove(path)
    return result


def verdict(ok):
    return "PASS" if ok else "FAIL"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--runs", type=int, default=10, help="runs per measurement (default: 10)")
    parser.add_argument("--keep", metavar="DIR",
                        help="write the projects and texts into DIR instead of a temporary folder")
    args = parser.parse_args()

    convert = os.path.join(args.build, "cli", "morvane-convert")
    generate = os.path.join(args.build, "bench", "make_bench_projects")
    measure = os.path.join(args.build, "bench", "measure_run")
    dialog = os.path.join(args.build, "app", "morvane_dialog_bench")
    for program in (convert, generate, measure):
        if not os.access(program, os.X_OK):
            print(f"run_bench: {program} is not built", file=sys.stderr)
            return 2

    with tempfile.TemporaryDirectory(prefix="morvane-bench-") as temporary:
        folder = args.keep or temporary
        os.makedirs(folder, exist_ok=True)
        subprocess.run([generate, folder], check=True, stdout=subprocess.DEVNULL)
        projects = [("maximal", os.path.join(folder, "maximal.dvc")),
                    ("100 MB titles", os.path.join(folder, "title-heavy.dvc"))]

        startup = min(run_measured(measure, [convert, "--version"])[0] for _ in range(args.runs))
        results = {name: measure_project(measure, convert, path, folder, args.runs) for name, path in projects}

        dialog_time = None
        if os.access(dialog, os.X_OK):
            maximal = projects[0][1]
            times = []
            for _ in range(args.runs):
                output = subprocess.run([dialog, maximal, os.path.join(folder, "dialog.txt")],
                                        check=True, capture_output=True, text=True).stdout
                times.append(float(output.split()[-1]))
            dialog_time = min(times)

    print(f"morvane benchmark: {os.cpu_count()} CPUs, {cpu_model()}; best of {args.runs} runs")
    print(f"start-up (morvane-convert --version): {startup * 1000:.2f} ms")
    print()
    print(f"{'project':<15}{'input':>12}{'output':>12}{'conversion':>13}{'floor':>11}"
          f"{'ratio':>8}{'peak RSS':>12}")
    for name, result in results.items():
        print(f"{name:<15}{result['input'] / 1e6:>9.2f} MB{result['output'] / 1e6:>9.2f} MB"
              f"{result['conversion'] * 1000:>10.2f} ms{result['floor'] * 1000:>8.2f} ms"
              f"{result['conversion'] / result['floor']:>8.2f}{result['rss'] / MIB:>8.2f} MiB")
    print()

    maximal, large = results["maximal"], results["100 MB titles"]
    checks = []
    limit = 3 * large["floor"]
    checks.append((large["conversion"] <= limit,
                   f"100 MB titles: conversion {large['conversion'] * 1000:.1f} ms <= 3 x floor "
                   f"= {limit * 1000:.1f} ms"))
    limit = 3 * maximal["floor"] + startup
    checks.append((maximal["conversion"] <= limit,
                   f"maximal: conversion {maximal['conversion'] * 1000:.2f} ms <= 3 x floor + "
                   f"start-up = {limit * 1000:.2f} ms"))
    peak = max(maximal["rss"], large["rss"])
    checks.append((peak < 16 * MIB, f"memory: peak RSS {peak / MIB:.2f} MiB < 16 MiB"))
    spread = abs(maximal["rss"] - large["rss"])
    checks.append((spread <= MIB,
                   f"memory: maximal and 100 MB titles differ by {spread / MIB:.2f} MiB <= 1 MiB"))
    for ok, text in checks:
        print(f"{verdict(ok)}  {text}")
    if dialog_time is None:
        print("dialog: not built")
    else:
        limit = 1.5 * maximal["conversion"]
        ok = dialog_time <= limit
        checks.append((ok, ""))
        print(f"{verdict(ok)}  dialog: maximal through the dialog {dialog_time * 1000:.2f} ms <= "
              f"1.5 x command line = {limit * 1000:.2f} ms")
    return 0 if all(ok for ok, _ in checks) else 1


def cpu_model():
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown CPU"


if __name__ == "__main__":
    sys.exit(main())
