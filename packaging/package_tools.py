#!/usr/bin/env python3
"""The steps of the package target that CMake cannot take itself, each made to give the same
bytes on every machine and at every time:

  set-time EPOCH FILE...       gives the files the modification time EPOCH (seconds since 1970)
  zip OUT EPOCH DIR NAME...    zips DIR/NAME under NAME, in the order given, every entry dated
                               EPOCH (UTC) with fixed attributes and no extra fields
  finish-pe FILE               pads a Windows program to a multiple of 8 bytes and writes its PE
                               checksum: the form that osslsigncode gives back when a signature
                               is removed, so signed and unsigned files are one step apart
  attach-signature FILE SIG    appends the Authenticode signature SIG (DER, as osslsigncode
                               extract-signature writes it) to FILE, as signing had done
"""
import os
import struct
import sys
import time
import zipfile

CERTIFICATE_DIRECTORY = 4  # IMAGE_DIRECTORY_ENTRY_SECURITY


def set_time(epoch, names):
    for name in names:
        os.utime(name, (int(epoch), int(epoch)))


def make_zip(out, epoch, folder, names):
    date_time = time.gmtime(max(int(epoch), 315532800))[:6]  # zip dates start in 1980
    with zipfile.ZipFile(out + ".part", "w") as archive:
        for name in names:
            entry = zipfile.ZipInfo(name, date_time)
            entry.create_system = 3  # Unix attributes: a plain file, rw-r--r--, whoever packs
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(entry, source.read(), compresslevel=9)
    os.replace(out + ".part", out)


def pe_offsets(image):
    """The file offsets of the checksum and of the certificate table's directory entry."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    if image[header:header + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    optional = header + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (112 if magic == 0x20B else 96)
    return optional + 64, directories + 8 * CERTIFICATE_DIRECTORY


def write_checksum(image):
    checksum_at, _ = pe_offsets(image)
    struct.pack_into("<I", image, checksum_at, 0)
    padded = bytes(image) + b"\0" * (len(image) % 2)
    total = sum(struct.unpack("<%dH" % (len(padded) // 2), padded))
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    struct.pack_into("<I", image, checksum_at, (total + len(image)) & 0xFFFFFFFF)


def finish_pe(name):
    with open(name, "rb") as file:
        image = bytearray(file.read())
    _, certificates_at = pe_offsets(image)
    if struct.unpack_from("<II", image, certificates_at) != (0, 0):
        raise ValueError(name + " is signed already")
    image += b"\0" * (-len(image) % 8)
    write_checksum(image)
    with open(name, "wb") as file:
        file.write(image)


def attach_signature(name, signature_name):
    with open(name, "rb") as file:
        image = bytearray(file.read())
    with open(signature_name, "rb") as file:
        signature = file.read()
    _, certificates_at = pe_offsets(image)
    image += b"\0" * (-len(image) % 8)
    # WIN_CERTIFICATE: length, revision 2.0, type PKCS#7 signed data; padded to 8 bytes. Some
    # versions of osslsigncode extract the whole of it, others only the signature.
    header = struct.pack("<IHH", len(signature), 0x0200, 0x0002)
    if signature.startswith(header):
        table = signature
    else:
        length = 8 + len(signature) + (-(8 + len(signature)) % 8)
        table = struct.pack("<IHH", length, 0x0200, 0x0002) + signature
        table += b"\0" * (length - len(table))
    length = len(table)
    struct.pack_into("<II", image, certificates_at, len(image), length)
    image += table
    write_checksum(image)
    with open(name, "wb") as file:
        file.write(image)


def main(arguments):
    command, rest = arguments[0], arguments[1:]
    if command == "set-time" and len(rest) >= 1:
        set_time(rest[0], rest[1:])
    elif command == "zip" and len(rest) >= 3:
        make_zip(rest[0], rest[1], rest[2], rest[3:])
    elif command == "finish-pe" and len(rest) == 1:
        finish_pe(rest[0])
    elif command == "attach-signature" and len(rest) == 2:
        attach_signature(rest[0], rest[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:] or ["help"])
