#!/usr/bin/env python3
"""Referee: the pure core's header examination, section offsets and MD5 against a second
implementation, over every PE file Wine ships on this machine (both architectures).

usage: pe_referee.py VERDICTS_PROGRAM KNOWN_LIST

python3-pefile decides what the verdict must be by the same rule (first section's
characteristics and name, then an import of wininet.dll in any case) and where each RVA lies
in the file; hashlib and md5sum give the digests. Any disagreement fails the test unless
KNOWN_LIST names the file with its reason (lines "FILE-NAME-PATTERN<TAB>REASON").
"""
import fnmatch
import hashlib
import os
import subprocess
import sys

import pefile

WINE_DIRS = [
    '/usr/lib/i386-linux-gnu/wine/i386-windows',
    '/usr/lib/x86_64-linux-gnu/wine/x86_64-windows',
    '/usr/lib/x86_64-linux-gnu/wine/i386-windows',
]
NO_OFFSET = 0xFFFFFFFF
SUSPECT = 0xE0000060


def wine_files():
    files = []
    for folder in WINE_DIRS:
        if os.path.isdir(folder):
            files += [os.path.join(folder, n) for n in sorted(os.listdir(folder))
                      if os.path.isfile(os.path.join(folder, n))]
    return files


def expected(path):
    """pefile's view: (verdict, {rva: offset}, architecture) or None for a file that is no PE."""
    try:
        pe = pefile.PE(path, fast_load=True)
    except pefile.PEFormatError:
        return None
    try:
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_IMPORT']])
        machine = pefile.MACHINE_TYPE.get(pe.FILE_HEADER.Machine, hex(pe.FILE_HEADER.Machine))
        kind = 'PE32+' if pe.OPTIONAL_HEADER.Magic == 0x20B else 'PE32'
        first = pe.sections[0] if pe.sections else None
        imports = getattr(pe, 'DIRECTORY_ENTRY_IMPORT', [])
        if first is None:
            verdict = None  # no section table to judge by; not expected among Wine's files
        elif first.Characteristics == SUSPECT:
            verdict = 1
        elif first.Name[:6] != b'.text\0':
            verdict = 1
        else:
            verdict = int(any(entry.dll.lower() == b'wininet.dll' for entry in imports))

        # RVAs whose place in the file pefile and the core must agree on: the first, middle and
        # last byte of each section's raw data, the import directory and every imported name.
        rvas = []
        for section in pe.sections:
            raw = min(section.SizeOfRawData, section.Misc_VirtualSize or section.SizeOfRawData)
            if raw == 0:
                continue
            rvas += [section.VirtualAddress, section.VirtualAddress + raw // 2, section.VirtualAddress + raw - 1]
        directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[1] if len(pe.OPTIONAL_HEADER.DATA_DIRECTORY) > 1 else None
        if directory is not None and directory.VirtualAddress:
            rvas.append(directory.VirtualAddress)
        rvas += [entry.struct.Name for entry in imports]
        offsets = {}
        for rva in rvas:
            offset = pe.get_offset_from_rva(rva)
            offsets[rva] = NO_OFFSET if offset is None else offset
        return verdict, offsets, f'{machine} {kind}'
    finally:
        pe.close()


def known_list(path):
    known = []
    if os.path.exists(path):
        with open(path, encoding='utf-8') as f:
            for line in f:
                line = line.rstrip('\n')
                if line and not line.startswith('#'):
                    pattern, _, reason = line.partition('\t')
                    known.append((pattern, reason.strip()))
    return known


def main():
    program, known_path = sys.argv[1], sys.argv[2]
    known = known_list(known_path)
    files = wine_files()
    if not files:
        print('pe referee: no Wine PE files found in ' + ', '.join(WINE_DIRS))
        return 1

    views = {path: expected(path) for path in files}
    queries = ''.join(f'{path}\t{" ".join(str(r) for r in (views[path][1] if views[path] else {}))}\n'
                      for path in files)
    out = subprocess.run([program], input=queries, capture_output=True, text=True, check=True).stdout
    core = {}
    for line in out.splitlines():
        fields = line.split('\t')
        core[fields[0]] = fields[1:]

    sums = {}
    md5sum = subprocess.run(['md5sum', '--'] + files, capture_output=True, text=True, check=True).stdout
    for line in md5sum.splitlines():
        digest, name = line.split(None, 1)
        sums[name.lstrip('*')] = digest.upper()

    disagreements = []
    pe_count = 0
    kinds = {}
    infected = 0
    offsets_compared = 0
    for path in files:
        verdict, digest, size, offsets = core[path]
        with open(path, 'rb') as f:
            data = f.read()
        reference = hashlib.md5(data).hexdigest().upper()
        if digest != reference or digest != sums.get(path):
            disagreements.append((path, f'MD5 {digest}, hashlib {reference}, md5sum {sums.get(path)}'))
        if int(size) != len(data):
            disagreements.append((path, f'size {size}, file {len(data)}'))
        view = views[path]
        if view is None:
            continue
        pe_count += 1
        want, places, kind = view
        kinds[kind] = kinds.get(kind, 0) + 1
        if int(verdict) != want:
            disagreements.append((path, f'verdict {verdict}, pefile says {want} ({kind})'))
        infected += int(verdict)
        got = [int(o) for o in offsets.split()] if offsets else []
        if len(got) != len(places):
            disagreements.append((path, f'{len(got)} offsets printed, pefile has {len(places)}'))
        for (rva, place), mine in zip(places.items(), got):
            offsets_compared += 1
            if mine != place:
                disagreements.append((path, f'RVA {rva:#x}: offset {mine:#x}, pefile {place:#x}'))

    unexplained = []
    for path, what in disagreements:
        reason = next((r for p, r in known if fnmatch.fnmatch(path, p) or fnmatch.fnmatch(os.path.basename(path), p)), None)
        print(f'{"known" if reason else "DISAGREE"}: {path}: {what}' + (f' ({reason})' if reason else ''))
        if not reason:
            unexplained.append(path)

    print(f'pe referee: {len(files)} files, {pe_count} PE files ('
          + ', '.join(f'{n} {k}' for k, n in sorted(kinds.items())) + '); '
          f'verdicts compared on {pe_count} ({infected} look infected), {offsets_compared} section offsets, '
          f'MD5 on {len(files)} with hashlib and md5sum; {len(disagreements)} disagreements, '
          f'{len(unexplained)} not listed with a reason')
    return 1 if unexplained else 0


if __name__ == '__main__':
    sys.exit(main())
