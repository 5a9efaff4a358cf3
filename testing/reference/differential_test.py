#!/usr/bin/env python3
"""Differential test: a converter against the reference conversion on generated projects.

    differential_test.py CONVERTER [--count N] [--seed S] [--keep DIR] [--check-progress]

For each generated project the converter runs as
    CONVERTER --software S --timecode M --progress none -q SOURCE -o DEST
with a mix of settings (mostly the project's own software kind, sometimes the other one;
every timecode mode). A converted project must exit 0 and its destination must equal the
reference byte for byte; a refused one must exit 1, print the refusal message on stderr and
leave no destination. The first difference of each failure is shown with context.
With --check-progress the converter runs with --progress plain and its "<pos>/200 <text>" lines
must equal the reference's status texts and bar positions.
Ends with 'N passed, M failed'; exit status 0 only when all pass.
"""

import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import morvane_reference as reference  # noqa: E402
from generate_projects import generate  # noqa: E402

MODES = reference.TIMECODE_MODES
# What runs the converter when it is built for another system (Wine for the Windows build).
EMULATOR = [os.environ['MORVANE_EMULATOR']] if os.environ.get('MORVANE_EMULATOR') else []
PROGRESS_LINE = re.compile(rb'^(\d+)/200(?: (.*))?$')


def first_difference(expected, actual, context_lines=3):
    """Text describing where two outputs first differ, with surrounding lines."""
    limit = min(len(expected), len(actual))
    offset = next((k for k in range(limit) if expected[k] != actual[k]), limit)
    line_number = expected.count(b'\n', 0, offset) + 1
    exp_lines = expected.split(b'\n')
    act_lines = actual.split(b'\n')
    first = max(0, line_number - 1 - context_lines)
    out = ['first difference at byte %d (line %d); expected %d bytes, got %d'
           % (offset, line_number, len(expected), len(actual))]
    for k in range(first, line_number + context_lines):
        e = exp_lines[k] if k < len(exp_lines) else None
        a = act_lines[k] if k < len(act_lines) else None
        if e is None and a is None:
            break
        mark = '  ' if e == a else '!!'
        out.append('%s %5d expected: %r' % (mark, k + 1, e))
        if e != a:
            out.append('%s %5d actual:   %r' % (mark, k + 1, a))
    return '\n'.join(out)


def reference_progress_lines(data, software, mode):
    events, _ = reference.progress_events(data, software, mode)
    return [(b'%d/200 %s' % (pos, text.encode())).rstrip(b' ') if text else b'%d/200' % pos
            for pos, text in events]


def run_one(converter, project, software, mode, workdir, check_progress):
    """Returns None when the converter agrees with the reference, else a description."""
    source = os.path.join(workdir, 'project.dvc')
    dest = os.path.join(workdir, 'out.txt')
    with open(source, 'wb') as f:
        f.write(project.data)
    if os.path.exists(dest):
        os.remove(dest)
    try:
        expected = reference.convert(project.data, software, mode)
        refusal = None
    except reference.ConversionRefused as refused:
        expected = None
        refusal = str(refused)
    command = EMULATOR + [converter, '--software', software, '--timecode', mode,
               '--progress', 'plain' if check_progress else 'none', '-q', source, '-o', dest]
    try:
        result = subprocess.run(command, capture_output=True, timeout=60)
    except subprocess.TimeoutExpired:
        return 'converter timed out after 60 s'
    stderr = result.stderr
    if refusal is not None:
        problems = []
        if result.returncode != 1:
            problems.append('exit status %d, expected 1' % result.returncode)
        if refusal.encode() not in stderr:
            problems.append('stderr lacks %r; stderr was %r' % (refusal, stderr[-500:]))
        if os.path.exists(dest):
            problems.append('destination exists after a refusal')
        return ('refusal expected (%s): ' % refusal + '; '.join(problems)) if problems else None
    if result.returncode != 0:
        return 'exit status %d, expected 0; stderr: %r' % (result.returncode, stderr[-500:])
    if not os.path.exists(dest):
        return 'no destination written'
    with open(dest, 'rb') as f:
        actual = f.read()
    if actual != expected:
        return first_difference(expected, actual)
    if check_progress:
        got = [line for line in stderr.split(b'\n') if PROGRESS_LINE.match(line.rstrip(b'\r'))]
        got = [line.rstrip(b'\r') for line in got]
        want = reference_progress_lines(project.data, software, mode)
        if got != want:
            k = next((k for k in range(min(len(got), len(want))) if got[k] != want[k]),
                     min(len(got), len(want)))
            return ('progress differs at status %d: expected %r, got %r (%d vs %d statuses)'
                    % (k, want[k] if k < len(want) else None, got[k] if k < len(got) else None,
                       len(want), len(got)))
    return None


def main():
    parser = argparse.ArgumentParser(description='Compare a converter with the reference.')
    parser.add_argument('converter')
    parser.add_argument('--count', type=int, default=300)
    parser.add_argument('--seed', type=int, default=1)
    parser.add_argument('--keep', metavar='DIR', help='copy failing projects into DIR')
    parser.add_argument('--check-progress', action='store_true')
    parser.add_argument('--max-shown', type=int, default=10,
                        help='failures shown in full (the rest are only counted)')
    args = parser.parse_args()

    converter = os.path.abspath(args.converter)
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix='morvane-diff-') as workdir:
        for index, project in enumerate(generate(args.count, args.seed)):
            rng = random.Random('settings/%d/%d' % (args.seed, index))
            software = project.software
            if rng.random() < 0.2:
                software = 'ezedit' if software == 'rexedit' else 'rexedit'
            mode = MODES[(index + rng.randrange(4)) % 4]
            problem = run_one(converter, project, software, mode, workdir, args.check_progress)
            if problem is None:
                passed += 1
                continue
            failed += 1
            if failed <= args.max_shown:
                print('FAIL %s (--software %s --timecode %s, %d bytes)'
                      % (project.name, software, mode, len(project.data)))
                print(problem)
                print()
            if args.keep:
                os.makedirs(args.keep, exist_ok=True)
                shutil.copy(os.path.join(workdir, 'project.dvc'),
                            os.path.join(args.keep, '%s.%s.%s.dvc' % (project.name, software, mode)))
    print('%d passed, %d failed' % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
