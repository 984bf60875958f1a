#!/usr/bin/env python3
"""Deliberate faults against the test suite: each mutant changes one spot of the program, the
build is rebuilt and the tests named for it run; a mutant the tests do not catch survives.

    scripts/mutants.py [build-folder] [mutants-file]

The mutants file holds blocks separated by blank lines:
    name: what the fault is
    file: path/from/the/source/root
    tests: ctest regular expression
    find: <exact text, once in the file>
    replace: <text>
The source tree is put back after every mutant, whatever happens.
"""
import os
import subprocess
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'build'))
listing = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, 'tests', 'mutants.txt')


def blocks(text):
    mutant = {}
    for line in text.splitlines() + ['']:
        if not line.strip():
            if mutant:
                yield mutant
            mutant = {}
            continue
        if line.startswith('#'):
            continue
        key, _, value = line.partition(':')
        mutant[key.strip()] = value.strip()


def run(command, **kwargs):
    return subprocess.run(command, cwd=build, capture_output=True, text=True, **kwargs)


env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
survivors = []
results = []
for mutant in blocks(open(listing, encoding='utf-8').read()):
    path = os.path.join(root, mutant['file'])
    original = open(path, encoding='utf-8').read()
    if original.count(mutant['find']) != 1:
        print(f"?? {mutant['name']}: the text to change is not once in {mutant['file']}")
        survivors.append(mutant['name'])
        continue
    try:
        open(path, 'w', encoding='utf-8').write(original.replace(mutant['find'], mutant['replace']))
        # Only the programs of the mutant's tests are built again.
        targets = [name for name in mutant['tests'].split('|') if name.startswith('tst_')]
        built = run(['cmake', '--build', '.', '-j2', '--target', *targets])
        if built.returncode != 0:
            verdict = 'caught by the build'
        else:
            tested = run(['ctest', '-R', mutant['tests'], '--timeout', '300', '-j2'], env=env)
            failed = [line.split(' - ')[1].split()[0] for line in tested.stdout.splitlines() if ' - ' in line and '(' in line]
            verdict = 'caught by ' + ', '.join(failed) if tested.returncode != 0 else 'SURVIVED'
    finally:
        open(path, 'w', encoding='utf-8').write(original)
    if verdict == 'SURVIVED':
        survivors.append(mutant['name'])
    results.append((mutant['name'], verdict))
    print(f"{mutant['name']}: {verdict}", flush=True)

run(['cmake', '--build', '.', '-j2'])
print(f"\n{len(results) - len([r for r in results if r[1] == 'SURVIVED'])} of {len(results)} mutants caught")
sys.exit(1 if survivors else 0)
