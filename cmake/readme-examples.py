#!/usr/bin/env python3
"""The README's hvdtool examples: each is a block

    <!-- hvdtool example -->
    ```
    $ hvdtool ARGS...
    OUTPUT
    ```

run in a folder holding the files ARGS name (the build's scenarios/), and
the table of published estimates after

    <!-- published estimates -->

with a row for each resources/scenarios/published/NAME.txt beside README:
its AuthorName, the N of its "# Published N:" line, the civilizations in
our galaxy that hvdtool show --json gives for the folder's
published/NAME.hvd, their ratio and its "# Mapping:" line, smallest N first;
and the table of the updates on our seeing no one after

    <!-- fermi updates -->

with a row for each --observe kind of hvdtool range Sandberg2018.txt: the
share below one with its interval, the Poisson reading, the effective
number of draws, and the paper's figure where it gives one; and the Sobol
indices of hvdtool range Sandberg2018.txt --sobol after

    <!-- sobol indices -->

  readme-examples.py write README FOLDER HVDTOOL...   runs each example there and writes its output into README
  readme-examples.py check README HVDTOOL...          runs each example in this folder; fails where README differs

HVDTOOL may be several words (Wine's loader and hvdtool.exe)."""
import json
import os
import re
import shlex
import subprocess
import sys

BLOCK = re.compile(r'(<!-- hvdtool example -->\n```\n\$ hvdtool ([^\n]*)\n)(.*?)(```\n)', re.S)
TABLE = re.compile(r'(<!-- published estimates -->\n)((?:\|[^\n]*\n)*)')
UPDATES = re.compile(r'(<!-- fermi updates -->\n)((?:\|[^\n]*\n)*)')
SOBOL = re.compile(r'(<!-- sobol indices -->\n)((?:\|[^\n]*\n)*)')

# Sandberg, Drexler and Ord 2018: the chance of fewer than one civilization
# in our galaxy before any update and after the settlement update.
PAPER_BELOW_ONE = {'none': '52 %', 'settlement': '99.6 %'}


def run(hvdtool, args, folder):
    done = subprocess.run(hvdtool + shlex.split(args), cwd=folder, stdout=subprocess.PIPE, check=False)
    if done.returncode not in (0, 1):
        sys.exit('hvdtool %s: status %d' % (args, done.returncode))
    return done.stdout.decode('utf-8').replace('\r\n', '\n')


def comment_field(text, name, source):
    found = re.search(r'^# %s: (.+)$' % name, text, re.M)
    if not found:
        sys.exit('%s: no "# %s:" line' % (source, name))
    return found.group(1)


def published_table(readme, hvdtool, folder):
    sources = os.path.join(os.path.dirname(os.path.abspath(readme)), 'resources', 'scenarios', 'published')
    rows = []
    for name in sorted(f[:-4] for f in os.listdir(sources) if f.endswith('.txt')):
        text = open(os.path.join(sources, name + '.txt'), encoding='utf-8').read()
        published = int(comment_field(text, 'Published N', name).replace(',', ''))
        shown = json.loads(run(hvdtool, 'show --json published/%s.hvd' % name, folder))
        ours = shown['results'][2]['value']  # the civilizations in our galaxy
        source = shown['texts']['AuthorName']
        rows.append((published, source[:1].upper() + source[1:], ours, comment_field(text, 'Mapping', name)))
    lines = ['| Source | Published N | Ours | Ratio | Mapping |', '|---|--:|--:|--:|---|']
    for published, source, ours, mapping in sorted(rows):
        counted = isinstance(ours, int)
        lines.append('| %s | %s | %s | %s | %s |' % (source, '{:,}'.format(published), '{:,}'.format(ours) if counted else ours,
                                                     '{:#.3g}'.format(ours / published) if counted else 'n/a', mapping))
    return '\n'.join(lines) + '\n'


def percent(share):
    return '%.1f %%' % (100 * share)


def updates_table(hvdtool, folder):
    lines = ['| `--observe` | Fewer than one (95 % interval) | No other, mean of e^-N | Effective draws | Paper |',
             '|---|--:|--:|--:|--:|']
    for kind in ('none', 'sampling', 'poisson', 'nok3', 'settlement'):
        d = json.loads(run(hvdtool, 'range Sandberg2018.txt --json --observe ' + kind, folder))
        low, high = d['galaxyBelowOneInterval']
        effective = d['observation']['effectiveSamples'] if 'observation' in d else d['samples']
        lines.append('| `%s` | %s (%s to %s) | %s | %s | %s |' % (
            kind, percent(d['galaxyBelowOne']), percent(low), percent(high), percent(d['galaxyNoOther']),
            '{:,}'.format(int(round(effective))), PAPER_BELOW_ONE.get(kind, '')))
    return '\n'.join(lines) + '\n'


def sobol_table(hvdtool, folder):
    d = json.loads(run(hvdtool, 'range Sandberg2018.txt --json --sobol', folder))['sobol']
    lines = ['| Parameter | First-order (95 % interval) | Total (95 % interval) |', '|---|--:|--:|']
    def index(x):
        return '%.3f' % (round(x, 3) + 0.0)  # no "-0.000" for a tiny negative estimate

    for p in d['indices']:
        lines.append('| %s | %s (%s to %s) | %s (%s to %s) |' % (
            p['name'], index(p['first']), index(p['firstInterval'][0]), index(p['firstInterval'][1]),
            index(p['total']), index(p['totalInterval'][0]), index(p['totalInterval'][1])))
    lines.append('| sum | %s | |' % index(sum(p['first'] for p in d['indices'])))
    return '\n'.join(lines) + '\n'


def main():
    mode, readme = sys.argv[1], sys.argv[2]
    text = open(readme, encoding='utf-8').read()
    examples = BLOCK.findall(text)
    if not examples:
        sys.exit('%s: no hvdtool example' % readme)
    if mode == 'write':
        folder, hvdtool = sys.argv[3], sys.argv[4:]
        text = BLOCK.sub(lambda m: m.group(1) + run(hvdtool, m.group(2), folder) + m.group(4), text)
        text = TABLE.sub(lambda m: m.group(1) + published_table(readme, hvdtool, folder), text)
        text = UPDATES.sub(lambda m: m.group(1) + updates_table(hvdtool, folder), text)
        text = SOBOL.sub(lambda m: m.group(1) + sobol_table(hvdtool, folder), text)
        with open(readme + '.partial', 'w', encoding='utf-8') as out:
            out.write(text)
        os.replace(readme + '.partial', readme)
        return 0
    hvdtool = sys.argv[3:]
    failures = 0
    for _, args, shown, _ in examples:
        now = run(hvdtool, args, '.')
        if now != shown:
            failures += 1
            print('FAIL: README example "hvdtool %s" is not what the tool prints now: run make readme-chart' % args)
            for a, b in zip(shown.splitlines(), now.splitlines()):
                if a != b:
                    print('  README: %s\n  now:    %s' % (a, b))
                    break
    for _, shown in TABLE.findall(text):
        if shown != published_table(readme, hvdtool, '.'):
            failures += 1
            print('FAIL: the README\'s table of published estimates is not what the tool gives now: run make readme-chart')
    for _, shown in UPDATES.findall(text):
        if shown != updates_table(hvdtool, '.'):
            failures += 1
            print('FAIL: the README\'s table of the updates on seeing no one is not what the tool gives now: run make readme-chart')
    for _, shown in SOBOL.findall(text):
        if shown != sobol_table(hvdtool, '.'):
            failures += 1
            print('FAIL: the README\'s table of Sobol indices is not what the tool gives now: run make readme-chart')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
