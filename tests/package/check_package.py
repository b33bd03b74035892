#!/usr/bin/env python3
"""Checks the signed package and the installers that carry it, independently of the packer:
Python's zipfile, zlib and hashlib recompute what msix-pack wrote.

    check_package.py zip      PACKAGE
    check_package.py blockmap PACKAGE
    check_package.py packed-blockmap MSIX-PACK MANIFEST
    check_package.py identity PACKAGE INSTALLER...
    check_package.py sample   PACKAGE OrbaltApp.exe
"""
import base64
import hashlib
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile
import zlib

BLOCK = 65536
NS = {"m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
      "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
      "b": "http://schemas.microsoft.com/appx/2010/blockmap",
      "t": "http://schemas.openxmlformats.org/package/2006/content-types"}
NOT_MAPPED = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def local_header(data, offset):
    sig, _, flags, method, _, _, crc, csize, usize, nlen, xlen = struct.unpack_from("<IHHHHHIIIHH", data, offset)
    return {"sig": sig, "flags": flags, "method": method, "sums": (crc, csize, usize),
            "name": data[offset + 30:offset + 30 + nlen].decode("utf-8"), "size": 30 + nlen + xlen}


def check_zip(path):
    data = open(path, "rb").read()
    check(data[-22:-18] == b"PK\x05\x06" and data[-2:] == b"\0\0", "the end record is not last (a comment?)")
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            lfh = local_header(data, info.header_offset)
            check(info.compress_type in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED) and lfh["sig"] == 0x04034B50 and
                  lfh["name"] == info.filename and lfh["method"] == info.compress_type and not lfh["flags"] & 8 and
                  lfh["sums"] == (info.CRC, info.compress_size, info.file_size),
                  f"{info.filename}: its local header does not match the central directory (or a data descriptor)")
        check(z.testzip() is None, "a CRC does not match")
        names = z.namelist()
        check(NOT_MAPPED | {"AppxManifest.xml"} <= set(names) and names[-1] == "AppxSignature.p7x",
              "a package file is missing, or the signature is not the last entry")
        types = ET.fromstring(z.read("[Content_Types].xml"))
        defaults = {d.get("Extension").lower() for d in types.iterfind("t:Default", NS)}
        overrides = {o.get("PartName") for o in types.iterfind("t:Override", NS)}
        for name in names:
            check(name == "[Content_Types].xml" or "/" + name in overrides or
                  ("." in name.rsplit("/", 1)[-1] and name.rsplit(".", 1)[-1].lower() in defaults),
                  f"{name} has no content type")
        check({"/AppxBlockMap.xml", "/AppxSignature.p7x"} <= overrides, "no override for the block map or signature")


def check_blockmap(path, need_multi_block=False):
    data = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        infos = {i.filename: i for i in z.infolist()}
        blockmap = ET.fromstring(z.read("AppxBlockMap.xml"))
        check(blockmap.get("HashMethod") == "http://www.w3.org/2001/04/xmlenc#sha256", "hash method is not SHA-256")
        listed, multi_block = [], 0
        for f in blockmap.iterfind("b:File", NS):
            name = f.get("Name").replace("\\", "/")
            listed.append(name)
            info = infos.get(name)
            if not check(info is not None, f"block map lists {name}, which the zip lacks"):
                continue
            content, lfh = z.read(name), local_header(data, info.header_offset)
            blocks = f.findall("b:Block", NS)
            check(int(f.get("Size")) == len(content) and int(f.get("LfhSize")) == lfh["size"] and
                  len(blocks) == (len(content) + BLOCK - 1) // BLOCK, f"{name}: Size, LfhSize or block count")
            multi_block += len(blocks) > 1
            raw = data[info.header_offset + lfh["size"]:info.header_offset + lfh["size"] + info.compress_size]
            position = 0
            for i, block in enumerate(blocks):
                piece = content[i * BLOCK:(i + 1) * BLOCK]
                check(block.get("Hash") == base64.b64encode(hashlib.sha256(piece).digest()).decode(),
                      f"{name} block {i}: hash")
                if info.compress_type != zipfile.ZIP_DEFLATED:
                    check(block.get("Size") is None, f"{name} block {i}: stored but has a Size")
                elif check(block.get("Size") is not None, f"{name} block {i}: deflated but no Size"):
                    # Each block's compressed bytes must stand alone.
                    size = int(block.get("Size"))
                    check(zlib.decompressobj(-15).decompress(raw[position:position + size]) == piece,
                          f"{name} block {i}: its {size} compressed bytes do not inflate to it")
                    position += size
            check(info.compress_type != zipfile.ZIP_DEFLATED or position == info.compress_size,
                  f"{name}: block sizes add up to {position}, not {info.compress_size}")
        check(sorted(listed) == sorted(n for n in infos if n not in NOT_MAPPED), f"block map lists {sorted(listed)}")
        check(listed == sorted(listed, key=str.lower), "block map is not in case-insensitive order")
        check(not need_multi_block or multi_block >= 2, "fewer than two files span several blocks")


def check_packed_blockmap(packer, manifest):
    """Packs files of several blocks, one that deflates and one that does not, and checks their
    block maps: the shipped package's own files may all fit in one block."""
    with tempfile.TemporaryDirectory() as folder:
        text, noise, package = (os.path.join(folder, name) for name in ("text.txt", "noise.bin", "test.msix"))
        with open(text, "w") as f:
            f.write("".join(f"line {i} of a file that deflates well\n" for i in range(5000)))
        with open(noise, "wb") as f:
            f.write(random.Random(7).randbytes(3 * BLOCK + 123))
        subprocess.run([packer, "pack", package, manifest, f"Assets/text.txt={text}", f"noise.bin={noise}"],
                       check=True, stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(package) as z:
            methods = {i.filename: i.compress_type for i in z.infolist()}
        check(methods.get("Assets/text.txt") == zipfile.ZIP_DEFLATED and methods.get("noise.bin") == zipfile.ZIP_STORED,
              "the text file was not deflated, or the random one not stored")
        check_blockmap(package, need_multi_block=True)


def publisher_id(publisher):
    alphabet = "0123456789abcdefghjkmnpqrstvwxyz"
    bits = int.from_bytes(hashlib.sha256(publisher.encode("utf-16-le")).digest()[:8], "big") << 1
    return "".join(alphabet[(bits >> (60 - 5 * i)) & 31] for i in range(13))


def check_identity(path, installers):
    """The installers name the package's identity as Windows derives it, and only that, and carry the
    package byte for byte."""
    package = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        identity = ET.fromstring(z.read("AppxManifest.xml")).find("m:Identity", NS)
    name, publisher = identity.get("Name"), identity.get("Publisher")
    family = f"{name}_{publisher_id(publisher)}"
    full = f"{name}_{identity.get('Version')}_{identity.get('ProcessorArchitecture', 'neutral')}_" + \
        f"{identity.get('ResourceId', '')}_{publisher_id(publisher)}"
    utf16 = b"".join(re.escape(bytes([c])) + b"\0" for c in (name + "_").encode())
    for installer in installers:
        binary = open(installer, "rb").read()
        named = {n.decode("utf-16-le") for n in re.findall(utf16 + rb"(?:[\x20-\x7e]\0)+", binary)}
        check(named == {family, full}, f"{installer} names {sorted(named)}, the package is {family} / {full}")
        check(package in binary, f"{installer} does not carry the package whole and uncompressed")


def check_sample(path, app):
    """The sample application's package holds what its manifest names."""
    with zipfile.ZipFile(path) as z:
        manifest = ET.fromstring(z.read("AppxManifest.xml"))
        identity = manifest.find("m:Identity", NS)
        check((identity.get("Name"), identity.get("Version"), identity.get("ProcessorArchitecture")) ==
              ("Tessaly.Orbalt", "2.0.22.1414", "x64"), "the package's identity")
        dependency = manifest.find("m:Dependencies/m:PackageDependency", NS)
        check((f"{dependency.get('Name')}_{publisher_id(dependency.get('Publisher'))}", dependency.get("MinVersion")) ==
              ("Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe", "14.0.33728.0"), "the framework dependency")
        device = manifest.find("m:Dependencies/m:TargetDeviceFamily", NS)
        check((device.get("Name"), device.get("MinVersion")) == ("Windows.Desktop", "10.0.19041.0"), "device family")

        # Every image the manifest names is in the package, at the size its name says.
        visual = manifest.find("m:Applications/m:Application/uap:VisualElements", NS)
        for asset in (manifest.find("m:Properties/m:Logo", NS).text, visual.get("Square150x150Logo"),
                      visual.get("Square44x44Logo"), visual.find("uap:DefaultTile", NS).get("Wide310x150Logo")):
            name, size = asset.replace("\\", "/"), re.search(r"(\d+)x(\d+)", asset)
            if check(name in z.namelist(), f"asset {name} is missing") and size:
                content = z.read(name)
                check(content[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", content[16:24]) ==
                      (int(size[1]), int(size[2])), f"{name} is not a PNG of its size")
        executable = manifest.find("m:Applications/m:Application", NS).get("Executable")
        check(z.read(executable) == open(app, "rb").read(), f"{executable} is not the application just built")


def main(argv):
    try:
        if len(argv) == 3 and argv[1] == "zip":
            check_zip(argv[2])
        elif len(argv) == 3 and argv[1] == "blockmap":
            check_blockmap(argv[2])
        elif len(argv) == 4 and argv[1] == "packed-blockmap":
            check_packed_blockmap(argv[2], argv[3])
        elif len(argv) >= 4 and argv[1] == "identity":
            check_identity(argv[2], argv[3:])
        elif len(argv) == 4 and argv[1] == "sample":
            check_sample(argv[2], argv[3])
        else:
            sys.stderr.write(__doc__)
            return 2
    except (zipfile.BadZipFile, ET.ParseError, AttributeError, KeyError, subprocess.CalledProcessError) as error:
        failures.append(f"unreadable: {error!r}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
