#!/usr/bin/env python3
"""Speed and memory benchmark of morvane-convert, against the floor of reading and writing its files.

    python3 bench/run_bench.py [--build DIR] [--runs N] [--keep DIR]

Builds nothing: it takes the built programs (build/cli/morvane-convert and the helpers
build/bench/make_bench_projects, measure_run and io_floor, all part of the normal build), writes
the benchmark projects into a temporary folder and reports, side by side in one run, for each
project and each format (the listing, then every export):

  conversion  wall time of `morvane-convert --progress none -q --format F SOURCE -o DEST` from
              fork to wait4, best of N runs (the runs of a project's formats and floors taken
              in turn, round by round)
  floor       the I/O a conversion cannot avoid, best of N, as a process too (io_floor, so that
              start-up counts in both): read the input file through a 64 KiB buffer, then write
              each file the conversion wrote, with as many bytes, from memory, to a new file
              flushed to the disk (fdatasync), renamed into place, its folder flushed (fsync)
  ratio       conversion / floor
  start-up    wall time of `morvane-convert --version`, best of N runs
  processor   a fixed piece of processor work on every processor at once (measure_run
              --processor-check), timed with each conversion: its median in each project's rounds,
              in ms and against the best check of the whole run. On a busy shared host a spell in
              which the machine gives the benchmark less processor time slows the conversions' own
              work but not the floors' waits for the disk, so their ratios rise with it; a median
              well above the machine's usual time shows such a spell even when it lasts the whole
              run (its best alone, taken in a lucky moment, did not). A project whose check's median
              is more than 1.25 times the machine's usual (the best check of the run so far) had its
              rounds in such a spell: they are all taken again after a pause (5 s, then 10, 15...),
              up to --attempts times in all, and the rows are those of the attempt with the lowest
              median, whatever its times. The report says which projects were taken again.
  peak RSS    largest resident set of a whole morvane-convert run (wait4 rusage ru_maxrss,
              taken by measure_run)

and checks the targets:
  listing:  conversion <= 2 x floor for every project
  exports:  conversion <= the larger of 2 x floor and the listing's time on the same project
            (a 2 KB .mlt still reads the whole project)
  memory:   the listing's peak RSS < 16 MiB for every project, all within 1 MiB of each other;
            every export's peak RSS <= 64 MiB
  dialog:   when build/app/morvane_dialog_bench exists (it takes SOURCE DEST and prints the
            seconds the conversion through the offscreen dialog took), its best time on the
            maximal project <= 1.5 x the command-line listing's time (one run each round, in
            turn with the project's formats)

Exit status 0 when every target holds, 1 when one fails, 2 when a program is missing or a
conversion fails.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024
SLOW_SPELL = 1.25  # a project's rounds whose processor check's median is this much above usual


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


FORMATS = [("listing", ".txt"), ("otio", ".otio"), ("cmx3600", ".edl"), ("mlt", ".mlt")]


def measure_project(measure, convert, floor, source, folder, runs, dialog=None):
    """Times every format of one project and each one's floor; the files go to folders of their own.
    With dialog (the dialog benchmark), also a conversion through the dialog each round, after the
    listing it is held against; its best is in the results as "dialog".

    Round by round, each format's conversion and then its floor in turn, rather than all the runs
    of one and then all of the next: a slow spell of the machine then falls on a conversion and
    on the floor and listing it is held against alike, not on one of them only."""
    rows = {}
    for format_name, extension in FORMATS:
        out = os.path.join(folder, os.path.basename(source) + "-" + format_name)
        os.makedirs(out, exist_ok=True)
        for name in os.listdir(out):  # a --keep folder's files from a run that was stopped would count
            os.remove(os.path.join(out, name))
        os.makedirs(out + "-floor", exist_ok=True)
        rows[format_name] = {
            "out": out,
            "argv": [convert, "--progress", "none", "-q", "--format", format_name, source, "-o",
                     os.path.join(out, "out" + extension), "--force"],
            "conversion": float("inf"), "floor": float("inf"), "rss": 0}
    dialog_time = float("inf")
    checks = []
    for _ in range(runs):
        for row in rows.values():
            checks.append(run_measured(measure, ["--processor-check"])[0])
            elapsed, rss = run_measured(measure, row["argv"])
            row["conversion"] = min(row["conversion"], elapsed)
            row["rss"] = max(row["rss"], rss)
            if "sizes" not in row:  # the floor writes what the first run wrote
                written = sorted(os.path.join(row["out"], name) for name in os.listdir(row["out"]))
                row["sizes"] = [os.path.getsize(path) for path in written]
                row["floor_argv"] = [floor, source]
                for i, size in enumerate(row["sizes"]):
                    row["floor_argv"] += [os.path.join(row["out"] + "-floor", f"copy{i}"), str(size)]
            row["floor"] = min(row["floor"], run_measured(measure, row["floor_argv"])[0])
        if dialog is not None:
            output = subprocess.run([dialog, source, os.path.join(folder, "dialog.txt")], check=True,
                                    capture_output=True, text=True).stdout
            dialog_time = min(dialog_time, float(output.split()[-1]))
    results = {}
    for format_name, row in rows.items():
        for name in os.listdir(row["out"]):
            os.remove(os.path.join(row["out"], name))
        results[format_name] = {"input": os.path.getsize(source), "output": sum(row["sizes"]),
                                "files": len(row["sizes"]), "conversion": row["conversion"],
                                "floor": row["floor"], "rss": row["rss"]}
    if dialog is not None:
        results["dialog"] = dialog_time
    results["checks"] = checks
    return results


def verdict(ok):
    return "PASS" if ok else "FAIL"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--runs", type=int, default=10, help="runs per measurement (default: 10)")
    parser.add_argument("--attempts", type=int, default=4,
                        help="times a project's rounds are taken at most while a slow spell lasts, after "
                             "5, 10, 15... s (default: 4)")
    parser.add_argument("--keep", metavar="DIR",
                        help="write the projects and texts into DIR instead of a temporary folder")
    args = parser.parse_args()

    convert = os.path.join(args.build, "cli", "morvane-convert")
    generate = os.path.join(args.build, "bench", "make_bench_projects")
    measure = os.path.join(args.build, "bench", "measure_run")
    floor = os.path.join(args.build, "bench", "io_floor")
    dialog = os.path.join(args.build, "app", "morvane_dialog_bench")
    for program in (convert, generate, measure, floor):
        if not os.access(program, os.X_OK):
            print(f"run_bench: {program} is not built", file=sys.stderr)
            return 2

    with tempfile.TemporaryDirectory(prefix="morvane-bench-") as temporary:
        folder = args.keep or temporary
        os.makedirs(folder, exist_ok=True)
        subprocess.run([generate, folder], check=True, stdout=subprocess.DEVNULL)
        projects = [("maximal", os.path.join(folder, "maximal.dvc")),
                    ("100 MB titles", os.path.join(folder, "title-heavy.dvc")),
                    ("text-heavy", os.path.join(folder, "text-heavy.dvc")),
                    ("level-heavy", os.path.join(folder, "level-heavy.dvc"))]

        startup = min(run_measured(measure, [convert, "--version"])[0] for _ in range(args.runs))
        usual_check = min(run_measured(measure, ["--processor-check"])[0] for _ in range(10))
        results = {}
        checks_of = {}
        retaken = []
        dialog_time = None
        for name, path in projects:
            attempts = []
            while True:
                measured = measure_project(measure, convert, floor, path, folder, args.runs,
                                           dialog if name == "maximal" and os.access(dialog, os.X_OK) else None)
                median = statistics.median(measured["checks"])
                usual_check = min(usual_check, min(measured["checks"]))
                attempts.append((median, measured))
                if median <= SLOW_SPELL * usual_check or len(attempts) == args.attempts:
                    break
                pause = 5 * len(attempts)  # a spell lasts seconds to minutes
                print(f"run_bench: {name}: processor check {median * 1000:.2f} ms, "
                      f"{usual_check * 1000:.2f} at best: a slow spell; its rounds again in {pause} s",
                      file=sys.stderr, flush=True)
                time.sleep(pause)
            if len(attempts) > 1:
                retaken.append((name, [median for median, _ in attempts]))
            measured = min(attempts, key=lambda attempt: attempt[0])[1]
            dialog_time = measured.pop("dialog", dialog_time)
            checks_of[name] = measured.pop("checks")
            for format_name, result in measured.items():
                results[(name, format_name)] = result

    print(f"morvane benchmark: {os.cpu_count()} CPUs, {cpu_model()}; best of {args.runs} runs; "
          f"load average {os.getloadavg()[0]:.2f} at the end")
    print(f"start-up (morvane-convert --version): {startup * 1000:.2f} ms")
    median_check = {name: statistics.median(checks) for name, checks in checks_of.items()}
    print(f"processor check: {usual_check * 1000:.2f} ms at best; median in each project's rounds: "
          + ", ".join(f"{name} {median * 1000:.2f} ms ({median / usual_check:.2f}x)"
                      for name, median in median_check.items()))
    for name, medians in retaken:
        print(f"{name}: rounds taken {len(medians)} times in a slow spell; processor check median "
              + ", ".join(f"{median * 1000:.2f} ms" for median in medians)
              + "; the rows below are from the quietest")
    print()
    print(f"{'project':<15}{'format':<9}{'input':>11}{'output':>12}{'conversion':>13}{'floor':>12}"
          f"{'ratio':>7}{'target':>12}{'peak RSS':>12}")
    checks = []
    for (name, format_name), result in results.items():
        listing = results[(name, "listing")]
        if format_name == "listing":
            target = 2 * result["floor"]
        else:
            target = max(2 * result["floor"], listing["conversion"])
        ok = result["conversion"] <= target
        memory_ok = result["rss"] <= 64 * MIB
        checks.append((ok, f"{name} {format_name}: conversion {result['conversion'] * 1000:.1f} ms <= "
                           f"{target * 1000:.1f} ms (processor check {median_check[name] * 1000:.2f} ms)"))
        if format_name != "listing":
            checks.append((memory_ok, f"{name} {format_name}: peak RSS {result['rss'] / MIB:.2f} MiB <= 64 MiB"))
        print(f"{name:<15}{format_name:<9}{result['input'] / 1e6:>8.2f} MB{result['output'] / 1e6:>9.2f} MB"
              f"{result['conversion'] * 1000:>10.2f} ms{result['floor'] * 1000:>9.2f} ms"
              f"{result['conversion'] / result['floor']:>7.2f}{target * 1000:>9.2f} ms"
              f"{result['rss'] / MIB:>8.2f} MiB{'' if ok and memory_ok else '  FAIL'}")
    print()

    peaks = [result["rss"] for (name, format_name), result in results.items() if format_name == "listing"]
    checks.append((max(peaks) < 16 * MIB, f"memory: listing peak RSS {max(peaks) / MIB:.2f} MiB < 16 MiB"))
    spread = max(peaks) - min(peaks)
    checks.append((spread <= MIB,
                   f"memory: the listings' peaks differ by {spread / MIB:.2f} MiB <= 1 MiB"))
    failed = [text for ok, text in checks if not ok]
    print(f"{len(checks) - len(failed)} of {len(checks)} targets hold")
    for text in failed:
        print(f"FAIL  {text}")
    if dialog_time is None:
        print("dialog: not built")
    else:
        limit = 1.5 * results[("maximal", "listing")]["conversion"]
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
