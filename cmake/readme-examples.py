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
published/NAME.hvd, their ratio and its "# Mapping:" line, smallest N first.

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
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
