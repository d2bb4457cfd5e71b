#!/usr/bin/env python3
"""Helpers of scripts/release.sh: the version, the zip, and the checks of the shipped exe.

  release.py version RC                           the version of res/Rekkor.rc, as 2.0.1.1
  release.py pack EXE NOTE VERSION EPOCH ZIP       writes the release zip
  release.py check-zip ZIP EXE NOTE VERSION        the zip holds exactly that exe and that note
  release.py check-exe EXE VERSION                 manifest and version resources of the exe

NOTE is the usage note as UTF-8 with LF line ends and @VERSION@; the zip carries it in code page 936
with CR LF. Every check prints one plain line per problem and exits 1 when there is one.
"""
import re
import struct
import sys
import time
import xml.etree.ElementTree as ET
import zipfile

EXE_NAME = "Rekkor.exe"
NOTE_NAME = "README.txt"
RT_VERSION = 16
RT_MANIFEST = 24


def fail(problems):
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


def rc_version(rc_path):
    text = open(rc_path, encoding="utf-8").read()
    found = {}
    for key in ("FILEVERSION", "PRODUCTVERSION"):
        m = re.search(r"^\s*%s\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*$" % key, text, re.M)
        if not m:
            fail(["%s: no %s line" % (rc_path, key)])
        found[key] = ".".join(m.groups())
    if found["FILEVERSION"] != found["PRODUCTVERSION"]:
        fail(["%s: FILEVERSION %s and PRODUCTVERSION %s differ" % (rc_path, found["FILEVERSION"],
                                                                   found["PRODUCTVERSION"])])
    return found["FILEVERSION"]


def note_bytes(note_path, version):
    text = open(note_path, encoding="utf-8").read().replace("\r\n", "\n")
    return text.replace("@VERSION@", version).replace("\n", "\r\n").encode("cp936")


def entry(name, epoch, mode):
    # Zip times are local DOS times without a zone; the commit's UTC time keeps them the same
    # everywhere. DOS times start in 1980.
    stamp = time.gmtime(max(int(epoch), 315532800))[:6]
    info = zipfile.ZipInfo(name, date_time=stamp)
    info.create_system = 3
    info.external_attr = (0o100000 | mode) << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def pack(exe_path, note_path, version, epoch, zip_path):
    members = {
        EXE_NAME: (open(exe_path, "rb").read(), 0o755),
        NOTE_NAME: (note_bytes(note_path, version), 0o644),
    }
    with zipfile.ZipFile(zip_path, "w") as z:
        for name in sorted(members):
            data, mode = members[name]
            z.writestr(entry(name, epoch, mode), data, compresslevel=9)


def check_zip(zip_path, exe_path, note_path, version):
    problems = []
    with zipfile.ZipFile(zip_path) as z:
        names = z.namelist()
        if sorted(names) != sorted([EXE_NAME, NOTE_NAME]) or len(names) != 2:
            problems.append("the zip holds %s, not exactly %s and %s" % (names, EXE_NAME, NOTE_NAME))
        bad = z.testzip()
        if bad:
            problems.append("the zip's entry %s is damaged" % bad)
        if EXE_NAME in names and z.read(EXE_NAME) != open(exe_path, "rb").read():
            problems.append("the zip's %s is not the built %s" % (EXE_NAME, exe_path))
        if NOTE_NAME in names:
            note = z.read(NOTE_NAME)
            if note != note_bytes(note_path, version):
                problems.append("the zip's %s is not %s in code page 936 with CR LF" % (NOTE_NAME, note_path))
            if b"\n" in note.replace(b"\r\n", b""):
                problems.append("the zip's %s has line ends other than CR LF" % NOTE_NAME)
            try:
                text = note.decode("cp936")
                for needed in ("check.dll", "管理员", version):
                    if needed not in text:
                        problems.append("the zip's %s does not mention %s" % (NOTE_NAME, needed))
            except UnicodeDecodeError:
                problems.append("the zip's %s is not code page 936 text" % NOTE_NAME)
    return problems


class Image:
    """The resource tree of a PE image: {(type, name, language): bytes}, numeric ids as ints."""

    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not a PE image")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        self.machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        directories = opt + (96 if magic == 0x10B else 112)
        rsrc_rva, rsrc_size = struct.unpack_from("<II", d, directories + 2 * 8)
        self.sections = []
        for i in range(sections):
            _, vsize, va, raw_size, raw_ptr = struct.unpack_from("<8sIIII", d, opt + opt_size + 40 * i)
            self.sections.append((va, max(vsize, raw_size), raw_ptr))
        self.resources = {}
        if rsrc_rva and rsrc_size:
            self.base = self.offset(rsrc_rva)
            self.walk(0, ())

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("address %#x lies in no section" % rva)

    def walk(self, directory, path):
        d = self.data
        named, ids = struct.unpack_from("<HH", d, self.base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", d, self.base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", d, at)[0]
                key = d[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                key = name
            if target & 0x80000000:
                self.walk(target & 0x7FFFFFFF, path + (key,))
            else:
                rva, size = struct.unpack_from("<II", d, self.base + target)
                start = self.offset(rva)
                self.resources[path + (key,)] = d[start:start + size]

    def first(self, rtype, name):
        for key, data in sorted(self.resources.items(), key=lambda kv: str(kv[0])):
            if key[0] == rtype and key[1] == name:
                return data
        return None


def version_node(block, pos):
    """One node of a version resource: (key, value bytes, children), and where the node ends."""
    align = lambda p: (p + 3) & ~3
    length, value_length, value_type = struct.unpack_from("<HHH", block, pos)
    end = pos + length
    p = pos + 6
    key_end = p
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[p:key_end].decode("utf-16-le")
    p = align(key_end + 2)
    size = value_length * 2 if value_type == 1 else value_length
    value = block[p:min(p + size, end)]
    p = align(p + size)
    children = []
    while p < end:
        child, child_end = version_node(block, p)
        children.append(child)
        p = align(child_end)
    return (key, value, children), end


def version_numbers(text):
    parts = [p.strip() for p in re.split(r"[,.]", text)]
    return ".".join(parts) if all(p.isdigit() for p in parts) else text


def check_exe(exe_path, version):
    problems = []
    try:
        image = Image(exe_path)
    except (ValueError, struct.error, OSError) as e:
        return ["%s: %s" % (exe_path, e)]
    if image.machine != 0x14C:
        problems.append("%s is not an x86 (i386) image" % exe_path)

    block = image.first(RT_VERSION, 1)
    if block is None:
        problems.append("%s has no version resource" % exe_path)
    else:
        (key, fixed, children), _ = version_node(block, 0)
        if key != "VS_VERSION_INFO" or len(fixed) < 52 or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
            problems.append("%s: the version resource has no fixed file information" % exe_path)
        else:
            fms, fls, pms, pls = struct.unpack_from("<IIII", fixed, 8)
            for what, ms, ls in (("file", fms, fls), ("product", pms, pls)):
                got = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
                if got != version:
                    problems.append("%s: %s version %s, not %s" % (exe_path, what, got, version))
        strings = {}
        for child_key, _, tables in children:
            if child_key == "StringFileInfo":
                for _, _, values in tables:
                    for name, value, _ in values:
                        strings[name] = value.decode("utf-16-le").split("\0")[0]
        for name in ("FileVersion", "ProductVersion"):
            if version_numbers(strings.get(name, "")) != version:
                problems.append("%s: the %s text is '%s', not %s" % (exe_path, name, strings.get(name, ""), version))

    manifest = image.first(RT_MANIFEST, 1)
    if manifest is None:
        problems.append("%s has no manifest (resource 1 of type 24)" % exe_path)
    else:
        try:
            root = ET.fromstring(manifest)
        except ET.ParseError as e:
            return problems + ["%s: the manifest is not XML: %s" % (exe_path, e)]
        local = lambda el: el.tag.rsplit("}", 1)[-1]
        identity = [el for el in root if local(el) == "assemblyIdentity"]
        if len(identity) != 1 or identity[0].get("name") != "Rekkor" or identity[0].get("processorArchitecture") != "x86":
            problems.append("%s: the manifest does not name the assembly Rekkor for processorArchitecture x86" % exe_path)
        controls = [el for el in root.iter() if local(el) == "assemblyIdentity"
                    and el.get("name") == "Microsoft.Windows.Common-Controls"]
        if not any(el.get("version") == "6.0.0.0" and el.get("processorArchitecture") in ("x86", "*")
                   and el.get("publicKeyToken") == "6595b64144ccf1df" for el in controls):
            problems.append("%s: the manifest does not ask for the common controls 6.0.0.0 (x86)" % exe_path)
        levels = [el for el in root.iter() if local(el) == "requestedExecutionLevel"]
        if len(levels) != 1 or levels[0].get("level") != "requireAdministrator" or levels[0].get("uiAccess") != "false":
            problems.append("%s: the manifest does not request requireAdministrator (uiAccess false)" % exe_path)
        aware = {local(el): (el.text or "").strip().lower() for el in root.iter()
                 if local(el) in ("dpiAware", "dpiAwareness")}
        if aware.get("dpiAware") != "true" or aware.get("dpiAwareness") != "system":
            problems.append("%s: the manifest does not declare system DPI awareness (dpiAware true, dpiAwareness system)"
                            % exe_path)
    return problems


def main(argv):
    if len(argv) == 2 and argv[0] == "version":
        print(rc_version(argv[1]))
    elif len(argv) == 6 and argv[0] == "pack":
        pack(*argv[1:])
    elif len(argv) == 5 and argv[0] == "check-zip":
        fail(check_zip(*argv[1:]))
    elif len(argv) == 3 and argv[0] == "check-exe":
        fail(check_exe(*argv[1:]))
    else:
        print(__doc__.strip().split("\n\n")[1])
        sys.exit(2)


if __name__ == "__main__":
    main(sys.argv[1:])
