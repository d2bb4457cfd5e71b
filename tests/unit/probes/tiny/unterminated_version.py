#!/usr/bin/env python3
"""Writes a version resource whose FileVersion value has no terminator and ends the resource, and
an .rc file that puts it into a program as its raw version resource.

usage: unterminated_version.py OUT.rc OUT.bin

The value is "９．８．７．６" (full-width, so every character is two bytes in code page 936 as
in UTF-16): the ANSI text the version API makes of it fills its part of the block up to the
block's very last byte. The resource is padded (with a Comments value before it) so that its
length is 6 modulo 8: the block the API asks for, twice that plus 4, is then a multiple of 16 and
ends exactly where the heap's next block begins.
"""
import struct
import sys

FILE_VERSION = '９．８．７．６'
TRANSLATION = (0x0804, 0x03A8)


def pad4(data):
    return data + b'\0' * (-len(data) % 4)


def node(key, value=b'', value_type=1, children=b'', value_length=None):
    """One version node: wLength, wValueLength, wType, the key, the value, then the children."""
    head = pad4(struct.pack('<HHH', 0, 0, 0) + (key + '\0').encode('utf-16-le'))
    body = head[6:] + (pad4(value) if children else value) + children
    if value_length is None:
        value_length = len(value) // 2 if value_type == 1 else len(value)
    return struct.pack('<HHH', 6 + len(body), value_length, value_type) + body


def resource(comment_length):
    strings = b''
    if comment_length:
        comment = 'x' * comment_length
        strings += pad4(node('Comments', (comment + '\0').encode('utf-16-le')))
    # The value's length leaves out the terminator, and there is none: the resource ends here.
    strings += node('FileVersion', FILE_VERSION.encode('utf-16-le'), value_length=len(FILE_VERSION))
    table = node('%04x%04x' % TRANSLATION, children=strings)
    string_info = node('StringFileInfo', children=table)
    translation = node('Translation', struct.pack('<HH', *TRANSLATION), value_type=0)
    var_info = node('VarFileInfo', children=pad4(translation))
    fixed = struct.pack('<13I', 0xFEEF04BD, 0x10000, 0x90008, 0x70006, 0x90008, 0x70006, 0x3F, 0, 0x40004, 1, 0, 0, 0)
    return node('VS_VERSION_INFO', fixed, value_type=0, children=pad4(var_info) + string_info)


def main():
    rc_path, bin_path = sys.argv[1], sys.argv[2]
    for comment_length in range(0, 16):
        data = resource(comment_length)
        if len(data) % 8 == 6:
            break
    assert struct.unpack('<H', data[:2])[0] == len(data)
    assert data.endswith(FILE_VERSION.encode('utf-16-le'))
    with open(bin_path, 'wb') as f:
        f.write(data)
    with open(rc_path, 'w') as f:
        # Resource type 16 is RT_VERSION; the data goes in as it is.
        f.write('1 16 "%s"\n' % bin_path.replace('\\', '/'))


if __name__ == '__main__':
    main()
