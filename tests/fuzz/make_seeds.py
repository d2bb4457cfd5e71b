#!/usr/bin/env python3
"""Writes the seed corpus of one fuzz target, made from the PE files Wine ships on this machine
(both architectures) and from small synthetic inputs. The corpus is made when it is needed and
never committed.

usage: make_seeds.py TARGET OUT_DIR
"""
import hashlib
import os
import struct
import sys

WINE_DIRS = [
    '/usr/lib/i386-linux-gnu/wine/i386-windows',
    '/usr/lib/x86_64-linux-gnu/wine/x86_64-windows',
    '/usr/lib/x86_64-linux-gnu/wine/i386-windows',
]
EXAMINED_SIZE = 102400


def wine_files():
    files = []
    for folder in WINE_DIRS:
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                path = os.path.join(folder, name)
                if os.path.isfile(path):
                    files.append(path)
    return files


def is_pe(data):
    if len(data) < 64 or data[:2] != b'MZ':
        return False
    nt = struct.unpack_from('<I', data, 60)[0]
    return nt + 4 <= len(data) and data[nt:nt + 4] == b'PE\0\0'


def write(out, data):
    name = hashlib.sha1(data).hexdigest()
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)


def image_headers(out):
    count = 0
    for path in wine_files():
        with open(path, 'rb') as f:
            data = f.read()
        if not is_pe(data):
            continue
        if len(data) <= EXAMINED_SIZE:
            write(out, b'\0\0\0' + data)  # the file as it is
        elif count % 8 == 0:
            write(out, b'\0\0\0' + data[:EXAMINED_SIZE])  # the headers of a larger one
        if count % 16 == 0 and len(data) <= EXAMINED_SIZE:
            write(out, b'\1' + struct.pack('<H', 4096) + data)  # shorter than the bytes held
            write(out, b'\2' + struct.pack('<H', 3000) + data)  # going on with zeros
        count += 1


# The markers in code page 936.
START = '>查询结果'.encode('cp936')
END = b'</span></p>'


def lookup_extraction(out):
    pages = [
        b'',
        b'<p>' + START + '：127.0.0.1&nbsp;本机地址'.encode('cp936') + END,
        b'<p>' + START + b'1' + END + b'<p>' + START + b'2&nbsp;&nbsp;x' + END,
        START + b'no end',
        END + START + b'a' + END + START,
        START + b'&nb&nbsp;sp;' + END,
        START + b'1' + END[:-1] + START + b'2' + END,
        START + b'a' + b'\0' + START + b'b' + END,
        (b'<html>' + START + b'x' + END) * 20,
    ]
    for page in pages:
        write(out, b'\0\0' + page)


def bounded_text(out):
    def op(code, *parts):
        return bytes([code]) + b''.join(parts)
    text = lambda s: bytes([len(s)]) + s
    seeds = [
        op(0, b'\3\5\0', b'abc\0def'),
        op(1, b'\3\6\0', text(b'hello')) + op(1, b'\3\5\0', text(b'hello')),
        op(2, b'\3\x10\0', b'\1', text(b'abc'), text(b'defghijklmnop')),
        op(3, b'\3\x08\0', text(b'size '), b'\x39\x30\0\0', text(b'ab'), b'\3'),
        op(3, b'\3\x01\0', text(b''), b'\5\0\0\0', text(b''), b'\1'),
        op(1, b'\0', text(b'x')) + op(3, b'\1\1', text(b'y'), b'\0\0\0\x80', text(b'z'), b'\3'),
        op(3, b'\3\x20\0', text('文件大小: '.encode('cp936')), b'\xff\xff\xff\xff', text(b'v'), b'\1'),
    ]
    for seed in seeds:
        write(out, seed)


def version_blocks():
    """(block, offset, length) as the version query answers for FileVersion and CompanyName: the
    resource as read, the "FE2X" mark, and the ANSI texts in the half after it."""
    try:
        import pefile
    except ImportError:
        return
    for path in wine_files()[::7]:
        try:
            pe = pefile.PE(path, fast_load=True)
            pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_RESOURCE']])
        except pefile.PEFormatError:
            continue
        for kind in getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None) and pe.DIRECTORY_ENTRY_RESOURCE.entries or []:
            if kind.id != 16:
                continue
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    entry = language.data.struct
                    raw = pe.get_data(entry.OffsetToData, entry.Size)
                    length = struct.unpack_from('<H', raw, 0)[0]
                    raw = raw[:length]
                    block = bytearray(raw + b'FE2X' + bytes(len(raw)))
                    for key in ('FileVersion', 'CompanyName'):
                        at = raw.find((key + '\0').encode('utf-16-le'))
                        if at < 6:
                            continue
                        chars = struct.unpack_from('<H', raw, at - 4)[0]
                        value_at = at + len(key) * 2 + 2
                        value_at += -value_at % 4
                        text = raw[value_at:value_at + chars * 2].decode('utf-16-le', 'replace').rstrip('\0')
                        ansi = text.encode('cp936', 'replace')
                        mirror = len(raw) + 4 + value_at
                        block[mirror:mirror + len(ansi)] = ansi
                        yield bytes(block), mirror, len(ansi) + 1
                        yield bytes(block), mirror, len(ansi)
        pe.close()


def version_text(out):
    count = 0
    for block, offset, length in version_blocks():
        write(out, b'\0' + struct.pack('<HIH', offset & 0xFFFF, length, 260) + block)
        count += 1
        if count >= 60:
            break
    # A text without a terminator that ends the block.
    write(out, b'\0' + struct.pack('<HIH', 2, 6, 260) + b'..\xa3\xb9\xa3\xae\xa3\xb8')
    write(out, b'\1' + struct.pack('<HIH', 0, 7, 4) + b'9.8.7.6')


def md5(out):
    write(out, b'\0')
    write(out, b'\3\1\x40\x3f' + b'abc' * 50)
    for path in wine_files()[::40]:
        with open(path, 'rb') as f:
            write(out, b'\2\x00\x41' + f.read(8192))


def main():
    target, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    makers = {
        'image_headers': image_headers,
        'lookup_extraction': lookup_extraction,
        'bounded_text': bounded_text,
        'version_text': version_text,
        'md5': md5,
    }
    makers[target](out)
    print(f'seeds: {target}: {len(os.listdir(out))} inputs in {out}')


if __name__ == '__main__':
    main()
