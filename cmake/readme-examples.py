#!/usr/bin/env python3
"""The README's hvdtool examples: each is a block

    <!-- hvdtool example -->
    ```
    $ hvdtool ARGS...
    OUTPUT
    ```

run in a folder holding the files ARGS name (the build's scenarios/).

  readme-examples.py write README FOLDER HVDTOOL...   runs each example there and writes its output into README
  readme-examples.py check README HVDTOOL...          runs each example in this folder; fails where README differs

HVDTOOL may be several words (Wine's loader and hvdtool.exe)."""
import os
import re
import shlex
import subprocess
import sys

BLOCK = re.compile(r'(<!-- hvdtool example -->\n```\n\$ hvdtool ([^\n]*)\n)(.*?)(```\n)', re.S)


def run(hvdtool, args, folder):
    done = subprocess.run(hvdtool + shlex.split(args), cwd=folder, stdout=subprocess.PIPE, check=False)
    if done.returncode not in (0, 1):
        sys.exit('hvdtool %s: status %d' % (args, done.returncode))
    return done.stdout.decode('utf-8').replace('\r\n', '\n')


def main():
    mode, readme = sys.argv[1], sys.argv[2]
    text = open(readme, encoding='utf-8').read()
    examples = BLOCK.findall(text)
    if not examples:
        sys.exit('%s: no hvdtool example' % readme)
    if mode == 'write':
        folder, hvdtool = sys.argv[3], sys.argv[4:]
        text = BLOCK.sub(lambda m: m.group(1) + run(hvdtool, m.group(2), folder) + m.group(4), text)
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
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
