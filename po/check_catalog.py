#!/usr/bin/env python3
"""Checks the catalog: po/morvane.pot holds exactly the texts the sources mark, every translation
holds them all, translated and none fuzzy, and each translation has the values ({1}, {2}...) and
the line breaks at its ends of its English text. Usage: check_catalog.py SOURCE_DIR"""
import os
import re
import subprocess
import sys
import tempfile


def unquote(text):
    return re.sub(r'\\(.)', lambda m: {'n': '\n', 't': '\t', '"': '"', '\\': '\\'}.get(m.group(1), m.group(1)), text)


def entries(path):
    """The entries of a .po/.pot file: dicts with msgctxt, msgid, msgid_plural, msgstr (a list)
    and flags; obsolete ones (#~) left out."""
    found, entry, key = [], None, None

    def finish():
        if entry is not None and 'msgid' in entry:
            found.append(entry)

    with open(path, encoding='utf-8') as po:
        for line in po:
            line = line.rstrip('\n')
            if line.startswith('#~') or not line.strip():
                continue
            if line.startswith('#,'):
                finish()
                entry, key = {'flags': set(f.strip() for f in line[2:].split(',')), 'msgstr': {}}, None
                continue
            if line.startswith('#'):
                continue
            match = re.match(r'^(msgctxt|msgid_plural|msgid|msgstr(?:\[(\d+)\])?)\s+"(.*)"$', line)
            if match:
                name = match.group(1)
                if entry is None or (name in ('msgctxt', 'msgid') and 'msgid' in entry):
                    finish()
                    entry = {'flags': set(), 'msgstr': {}}
                if name.startswith('msgstr'):
                    key = ('msgstr', int(match.group(2) or 0))
                    entry['msgstr'][key[1]] = unquote(match.group(3))
                else:
                    key = (name, None)
                    entry[name] = unquote(match.group(3))
            elif line.startswith('"') and key is not None:
                text = unquote(line[1:-1])
                if key[0] == 'msgstr':
                    entry['msgstr'][key[1]] += text
                else:
                    entry[key[0]] += text
    finish()
    return found


def ident(entry):
    return (entry.get('msgctxt'), entry['msgid'], entry.get('msgid_plural'))


def values(text):
    return sorted(re.findall(r'\{[1-9]\}', text))


def main():
    root = sys.argv[1]
    problems = []
    with tempfile.TemporaryDirectory() as scratch:
        # Extract as po/update.sh does, into a scratch copy, and compare the texts.
        work = os.path.join(scratch, 'pot')
        script = open(os.path.join(root, 'po', 'update.sh'), encoding='utf-8').read()
        command = script[script.index('mapfile'):script.index('# The creation date')]
        command = command.replace('po/morvane.pot.new', work)
        subprocess.run(['bash', '-euo', 'pipefail', '-c', command], cwd=root, check=True)
        extracted = {ident(e) for e in entries(work) if e['msgid']}
    template = {ident(e) for e in entries(os.path.join(root, 'po', 'morvane.pot')) if e['msgid']}
    for missing in sorted(extracted - template, key=str):
        problems.append(f'po/morvane.pot lacks {missing[1]!r}: run po/update.sh')
    for stale in sorted(template - extracted, key=str):
        problems.append(f'po/morvane.pot still has {stale[1]!r}, which no source marks: run po/update.sh')

    for name in sorted(os.listdir(os.path.join(root, 'po'))):
        if not name.endswith('.po'):
            continue
        path = os.path.join(root, 'po', name)
        result = subprocess.run(['msgfmt', '--check', '--statistics', '-o', os.devnull, path],
                                capture_output=True, text=True)
        if result.returncode != 0 or 'fuzzy' in result.stderr or 'untranslated' in result.stderr:
            problems.append(f'{name}: msgfmt says: {result.stderr.strip()}')
        translated = {ident(e): e for e in entries(path) if e['msgid']}
        for missing in sorted(extracted - translated.keys(), key=str):
            problems.append(f'{name} lacks {missing[1]!r}: run po/update.sh and translate it')
        for key, entry in translated.items():
            english = [entry['msgid']] + ([entry['msgid_plural']] if entry.get('msgid_plural') else [])
            for form in entry['msgstr'].values():
                if not form or 'fuzzy' in entry['flags']:
                    continue
                if values(form) != values(english[0]) and all(values(form) != values(e) for e in english):
                    problems.append(f'{name}: {key[1]!r} has the values {values(english[0])}, its translation {values(form)}')
                for end, where in ((form.startswith('\n'), english[0].startswith('\n')),
                                   (form.endswith('\n'), english[0].endswith('\n'))):
                    if end != where:
                        problems.append(f'{name}: {key[1]!r} and its translation differ in a line break at an end')
    for problem in problems:
        print(problem)
    print(f'{len(extracted)} texts in the sources; {len(problems)} problems')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
