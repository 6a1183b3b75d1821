#!/usr/bin/env python3
"""Packs the plain word lists into the password-protected archives the program ships.

    python3 make_archives.py LIST_DIR PASSWORDS_HEADER OUT_DIR

For each of Cities, Countries, Firstnames, Lastnames, Streets, States, Companies, JobTitles and
Words it writes OUT_DIR/<Name>.qdz, a zip archive with the one member <Name>.txt (the bytes of
LIST_DIR/<Name>.txt, deflated and encrypted with AES-256). The passwords are read from the program's own constants in
PASSWORDS_HEADER, so the archives and the program cannot disagree.

The zip work is done by libzip, the library the program reads the archives with, through ctypes:
nothing beyond Python's standard library and the libzip shared library is needed.

AES salts are random, so a rebuilt archive never matches the old one byte for byte. An archive
that already holds exactly the list under the current password is therefore left alone, and a
rebuild without changes leaves the repository clean.
"""

import ctypes
import ctypes.util
import os
import re
import sys

NAMES = ("Cities", "Countries", "Firstnames", "Lastnames", "Streets", "States", "Companies", "JobTitles", "Words")

ZIP_CREATE = 1
ZIP_TRUNCATE = 8
ZIP_RDONLY = 16
ZIP_CM_DEFLATE = 8
ZIP_EM_AES_256 = 0x0103
# A fixed time stamp keeps the member's header independent of when the script ran.
MEMBER_MTIME = 1767225600  # 2026-01-01 00:00:00 UTC


def load_libzip():
    name = ctypes.util.find_library("zip") or "libzip.so.4"
    lib = ctypes.CDLL(name)
    p, i, u64, i64 = ctypes.c_void_p, ctypes.c_int, ctypes.c_uint64, ctypes.c_int64
    signatures = {
        "zip_open": (p, [ctypes.c_char_p, i, ctypes.POINTER(i)]),
        "zip_close": (i, [p]),
        "zip_discard": (None, [p]),
        "zip_strerror": (ctypes.c_char_p, [p]),
        "zip_source_buffer": (p, [p, ctypes.c_char_p, u64, i]),
        "zip_source_free": (None, [p]),
        "zip_file_add": (i64, [p, ctypes.c_char_p, p, ctypes.c_uint32]),
        "zip_set_file_compression": (i, [p, u64, ctypes.c_int32, ctypes.c_uint32]),
        "zip_file_set_encryption": (i, [p, u64, ctypes.c_uint16, ctypes.c_char_p]),
        "zip_file_set_mtime": (i, [p, u64, ctypes.c_long, ctypes.c_uint32]),
        "zip_get_num_entries": (i64, [p, ctypes.c_uint32]),
        "zip_fopen_encrypted": (p, [p, ctypes.c_char_p, ctypes.c_uint32, ctypes.c_char_p]),
        "zip_fread": (i64, [p, ctypes.c_void_p, u64]),
        "zip_fclose": (i, [p]),
    }
    for fn, (res, args) in signatures.items():
        f = getattr(lib, fn)
        f.restype = res
        f.argtypes = args
    return lib


def read_passwords(header_path):
    """Maps each archive name to its password, from lines like `"secret", // Cities.qdz`."""
    with open(header_path, encoding="ascii") as f:
        text = f.read()
    found = dict((m.group(2), m.group(1)) for m in re.finditer(r'"([^"\\]*)",\s*//\s*(\w+)\.qdz', text))
    missing = [n for n in NAMES if n not in found]
    if missing:
        sys.exit(f"{header_path}: no password for {', '.join(missing)}")
    return found


def read_member(lib, archive, member, password):
    """The member's bytes, or None when the archive does not open with the password."""
    err = ctypes.c_int(0)
    za = lib.zip_open(archive.encode(), ZIP_RDONLY, ctypes.byref(err))
    if not za:
        return None
    try:
        if lib.zip_get_num_entries(za, 0) != 1:
            return None
        zf = lib.zip_fopen_encrypted(za, member.encode(), 0, password.encode())
        if not zf:
            return None
        chunks, buf = [], ctypes.create_string_buffer(65536)
        try:
            while True:
                n = lib.zip_fread(zf, buf, len(buf))
                if n < 0:
                    return None
                if n == 0:
                    return b"".join(chunks)
                chunks.append(buf.raw[:n])
        finally:
            lib.zip_fclose(zf)
    finally:
        lib.zip_discard(za)


def write_archive(lib, archive, member, password, data):
    tmp = archive + ".tmp"
    err = ctypes.c_int(0)
    za = lib.zip_open(tmp.encode(), ZIP_CREATE | ZIP_TRUNCATE, ctypes.byref(err))
    if not za:
        sys.exit(f"{tmp}: cannot create (libzip error {err.value})")

    def fail(what):
        msg = lib.zip_strerror(za).decode()
        lib.zip_discard(za)
        sys.exit(f"{archive}: {what}: {msg}")

    # libzip reads the buffer only at zip_close; `data` outlives that call.
    src = lib.zip_source_buffer(za, data, len(data), 0)
    if not src:
        fail("cannot wrap the list")
    idx = lib.zip_file_add(za, member.encode(), src, 0)
    if idx < 0:
        lib.zip_source_free(src)
        fail("cannot add the member")
    if lib.zip_set_file_compression(za, idx, ZIP_CM_DEFLATE, 9) < 0:
        fail("cannot set compression")
    if lib.zip_file_set_encryption(za, idx, ZIP_EM_AES_256, password.encode()) < 0:
        fail("cannot set encryption")
    if lib.zip_file_set_mtime(za, idx, MEMBER_MTIME, 0) < 0:
        fail("cannot set the time stamp")
    if lib.zip_close(za) < 0:
        fail("cannot write")
    os.replace(tmp, archive)


def main(argv):
    if len(argv) != 4:
        sys.exit("usage: make_archives.py LIST_DIR PASSWORDS_HEADER OUT_DIR")
    list_dir, header, out_dir = argv[1:]
    lib = load_libzip()
    passwords = read_passwords(header)
    for name in NAMES:
        member = name + ".txt"
        archive = os.path.join(out_dir, name + ".qdz")
        with open(os.path.join(list_dir, member), "rb") as f:
            data = f.read()
        if read_member(lib, archive, member, passwords[name]) == data:
            print(f"{archive}: up to date")
            continue
        write_archive(lib, archive, member, passwords[name], data)
        if read_member(lib, archive, member, passwords[name]) != data:
            sys.exit(f"{archive}: does not read back as written")
        print(f"{archive}: written ({len(data)} bytes of list)")


if __name__ == "__main__":
    main(sys.argv)
