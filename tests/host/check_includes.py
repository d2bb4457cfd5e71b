#!/usr/bin/env python3
"""Fails when a file of the pure core includes anything but the standard library and the core.

usage: check_includes.py ROOT FILE...   (FILE relative to ROOT)
"""
import re
import sys

STANDARD = {
    'algorithm', 'cstdarg', 'cstddef', 'cstdint', 'cstdio', 'cstdlib', 'cstring', 'string', 'string_view',
    'vector', 'utility', 'limits', 'array', 'cerrno', 'climits', 'type_traits', 'memory', 'iterator',
}


def main():
    root, files = sys.argv[1], sys.argv[2:]
    core = set(files)
    bad = []
    for name in files:
        with open(f'{root}/{name}', encoding='utf-8') as f:
            for number, line in enumerate(f, 1):
                m = re.match(r'\s*#\s*include\s*([<"])([^>"]+)[>"]', line)
                if not m:
                    continue
                kind, target = m.groups()
                if kind == '<' and target in STANDARD:
                    continue
                if kind == '"' and target in core:
                    continue
                bad.append(f'{name}:{number}: includes {kind}{target}{">" if kind == "<" else chr(34)}')
    for line in bad:
        print(line)
    print(f'pure core: {len(files)} files, {len(bad)} includes outside the standard library and the core')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
