#!/usr/bin/env python3
"""Reads the packer's packages and the installers that carry one with Python's zipfile, zlib and
hashlib, for what the build's own check (msix-pack check, osslsigncode verify) leaves aside: local
headers and CRCs, content types, LfhSize, the block map's order and each block's compressed bytes.

    check_package.py sample   PACKAGE OrbaltApp.exe   the sample application's package
    check_package.py packed   MSIX-PACK MANIFEST      files of several blocks, deflated and stored
    check_package.py identity PACKAGE INSTALLER...    the installers name its identity and carry it
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
      "b": "http://schemas.microsoft.com/appx/2010/blockmap"}
TYPES = "{http://schemas.openxmlformats.org/package/2006/content-types}"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def check_layout(path):
    """Local headers as the central directory has them; per file of the block map, in Windows'
    case-insensitive order: its local header's size, one block per 64 KiB with its SHA-256, and a
    deflated block's own compressed bytes, which inflate without the others."""
    data = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        check(z.testzip() is None, "a CRC does not match")
        starts = {}
        for info in z.infolist():
            sig, _, _, method, _, _, *sums, length, extra = struct.unpack_from("<IHHHHHIIIHH", data, info.header_offset)
            starts[info.filename] = info.header_offset + 30 + length + extra
            check(sig == 0x04034B50 and data[info.header_offset + 30:][:length] == info.filename.encode() and
                  [method, *sums] == [info.compress_type, info.CRC, info.compress_size, info.file_size],
                  f"{info.filename}: its local header is not what the central directory says")
        names = []
        for f in ET.fromstring(z.read("AppxBlockMap.xml")).iterfind("b:File", NS):
            names.append(f.get("Name").replace("\\", "/"))
            info, content, at = z.getinfo(names[-1]), z.read(names[-1]), 0
            raw, blocks = data[starts[info.filename]:][:info.compress_size], f.findall("b:Block", NS)
            check(int(f.get("LfhSize")) == starts[info.filename] - info.header_offset and
                  len(blocks) == -(-len(content) // BLOCK), f"{info.filename}: LfhSize or block count")
            for i, block in enumerate(blocks):
                piece, size = content[i * BLOCK:][:BLOCK], int(block.get("Size", -1))
                check(block.get("Hash") == base64.b64encode(hashlib.sha256(piece).digest()).decode() and
                      (size < 0 if info.compress_type == zipfile.ZIP_STORED else
                       zlib.decompressobj(-15).decompress(raw[at:at + size]) == piece),
                      f"{info.filename} block {i}: its hash, or its Size of {size} compressed bytes")
                at += max(size, 0)
            check(info.compress_type == zipfile.ZIP_STORED or at == info.compress_size,
                  f"{info.filename}: its blocks' sizes add up to {at}, not {info.compress_size}")
        check(names == sorted(names, key=str.lower), f"the block map is not in case-insensitive order: {names}")


def check_sample(path, app):
    """The layout, the content types, and what the sample's manifest names: its identity, the
    framework and Windows the installer checks for, its images and the application just built."""
    check_layout(path)
    with zipfile.ZipFile(path) as z:
        types = ET.fromstring(z.read("[Content_Types].xml"))
        check(types.tag == TYPES + "Types" and
              {(t.tag[len(TYPES):], t.get("Extension") or t.get("PartName"), t.get("ContentType")) for t in types} ==
              {("Default", "exe", "application/x-msdownload"), ("Default", "png", "image/png"),
               ("Default", "xml", "application/vnd.ms-appx.manifest+xml"),
               ("Override", "/AppxBlockMap.xml", "application/vnd.ms-appx.blockmap+xml"),
               ("Override", "/AppxSignature.p7x", "application/vnd.ms-appx.signature")}, "the content types")
        manifest = ET.fromstring(z.read("AppxManifest.xml"))
        identity, framework, device = (manifest.find("m:" + part, NS) for part in (
            "Identity", "Dependencies/m:PackageDependency", "Dependencies/m:TargetDeviceFamily"))
        check((identity.get("Name"), identity.get("Version"), identity.get("ProcessorArchitecture"),
               f"{framework.get('Name')}_{publisher_id(framework.get('Publisher'))}", framework.get("MinVersion"),
               device.get("Name"), device.get("MinVersion")) ==
              ("Tessaly.Orbalt", "2.0.22.1414", "x64", "Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe",
               "14.0.33728.0", "Windows.Desktop", "10.0.19041.0"), "the identity, the framework or Windows")
        application = manifest.find("m:Applications/m:Application", NS)
        visual = application.find("uap:VisualElements", NS)
        assets = [manifest.find("m:Properties/m:Logo", NS).text, visual.get("Square150x150Logo"),
                  visual.get("Square44x44Logo"), visual.find("uap:DefaultTile", NS).get("Wide310x150Logo")]
        check(all(asset.replace("\\", "/") in z.namelist() for asset in assets), f"an image of {assets} is missing")
        check(z.read(application.get("Executable")) == open(app, "rb").read(), "not the application just built")


def check_packed(packer, manifest):
    """A file that deflates and one that does not, each of several blocks: the sample's fit in one."""
    with tempfile.TemporaryDirectory() as folder:
        text, noise, package = (os.path.join(folder, name) for name in ("text.txt", "noise.bin", "test.msix"))
        with open(text, "w") as f:
            f.write("".join(f"line {i} of a file that deflates well\n" for i in range(5000)))
        with open(noise, "wb") as f:
            f.write(random.Random(7).randbytes(3 * BLOCK + 123))
        subprocess.run([packer, "pack", package, manifest, f"Assets/text.txt={text}", f"noise.bin={noise}"],
                       check=True, stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(package) as z:
            check([z.getinfo(n).compress_type for n in ("Assets/text.txt", "noise.bin")] ==
                  [zipfile.ZIP_DEFLATED, zipfile.ZIP_STORED], "the text is not deflated, or the noise not stored")
        check_layout(package)


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


if __name__ == "__main__":
    commands = {"sample": check_sample, "packed": check_packed, "identity": check_identity}
    if len(sys.argv) < 4 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    try:
        commands[sys.argv[1]](sys.argv[2], *([sys.argv[3:]] if sys.argv[1] == "identity" else sys.argv[3:]))
    except (zipfile.BadZipFile, zlib.error, ET.ParseError, AttributeError, KeyError, TypeError) as error:
        failures.append(f"unreadable: {error!r}")
    print("".join(f"FAIL: {failure}\n" for failure in failures), end="")
    sys.exit(1 if failures else 0)
