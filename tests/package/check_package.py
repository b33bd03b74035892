#!/usr/bin/env python3
"""Checks the signed Orbalt package and the installer that carries it, independently of the packer:
Python's zipfile, zlib and hashlib recompute what msix-pack wrote.

    check_package.py zip      PACKAGE
    check_package.py blockmap PACKAGE
    check_package.py identity PACKAGE INSTALLER... [--app OrbaltApp.exe]
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
MANIFEST_NS = {"m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
               "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10"}
BLOCKMAP_NS = {"b": "http://schemas.microsoft.com/appx/2010/blockmap"}
NOT_MAPPED = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def local_header(data, offset):
    sig, _, flags, method, _, _, crc, csize, usize, nlen, xlen = struct.unpack_from("<IHHHHHIIIHH", data, offset)
    return {"sig": sig, "flags": flags, "method": method, "crc": crc, "csize": csize, "usize": usize,
            "name": data[offset + 30:offset + 30 + nlen].decode("utf-8"), "size": 30 + nlen + xlen}


def check_zip(path):
    data = open(path, "rb").read()
    check(data[-22:-18] == b"PK\x05\x06", "the end record is not the last 22 bytes (a comment follows it?)")
    check(struct.unpack_from("<H", data, len(data) - 2)[0] == 0, "the zip has a comment")
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            check(info.compress_type in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED),
                  f"{info.filename}: compression method {info.compress_type}")
            lfh = local_header(data, info.header_offset)
            check(lfh["sig"] == 0x04034B50, f"{info.filename}: no local header at its offset")
            check(lfh["name"] == info.filename, f"{info.filename}: local header names {lfh['name']}")
            check(lfh["method"] == info.compress_type, f"{info.filename}: method differs from the directory")
            check(not lfh["flags"] & 8, f"{info.filename}: uses a data descriptor")
            check((lfh["crc"], lfh["csize"], lfh["usize"]) == (info.CRC, info.compress_size, info.file_size),
                  f"{info.filename}: local header sizes or CRC differ from the central directory")
        check(z.testzip() is None, "a CRC does not match")
        names = z.namelist()
        for required in ("AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"):
            check(required in names, f"{required} is missing")
        check(names[-1] == "AppxSignature.p7x", "the signature is not the last entry")
        types = ET.fromstring(z.read("[Content_Types].xml"))
        ns = "{http://schemas.openxmlformats.org/package/2006/content-types}"
        defaults = {d.get("Extension").lower() for d in types.iter(ns + "Default")}
        overrides = {o.get("PartName") for o in types.iter(ns + "Override")}
        for name in names:
            if name == "[Content_Types].xml":
                continue
            ext = name.rsplit(".", 1)[-1].lower() if "." in name.rsplit("/", 1)[-1] else None
            check("/" + name in overrides or ext in defaults, f"{name} has no content type")
        check("/AppxBlockMap.xml" in overrides and "/AppxSignature.p7x" in overrides,
              "the block map or the signature has no content type override")


def check_blockmap(path, need_multi_block=False):
    data = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        infos = {i.filename: i for i in z.infolist()}
        blockmap = ET.fromstring(z.read("AppxBlockMap.xml"))
        check(blockmap.get("HashMethod") == "http://www.w3.org/2001/04/xmlenc#sha256", "hash method is not SHA-256")
        listed = []
        multi_block = 0
        for f in blockmap.findall("b:File", BLOCKMAP_NS):
            name = f.get("Name").replace("\\", "/")
            listed.append(name)
            info = infos.get(name)
            if not check(info is not None, f"block map lists {name}, which the zip lacks"):
                continue
            content = z.read(name)
            check(int(f.get("Size")) == len(content), f"{name}: Size {f.get('Size')} but {len(content)} bytes")
            lfh = local_header(data, info.header_offset)
            check(int(f.get("LfhSize")) == lfh["size"], f"{name}: LfhSize {f.get('LfhSize')}, header is {lfh['size']}")
            blocks = f.findall("b:Block", BLOCKMAP_NS)
            expected = (len(content) + BLOCK - 1) // BLOCK
            check(len(blocks) == expected, f"{name}: {len(blocks)} blocks for {len(content)} bytes, not {expected}")
            multi_block += len(blocks) > 1
            raw = data[info.header_offset + lfh["size"]:info.header_offset + lfh["size"] + info.compress_size]
            position = 0
            for i, block in enumerate(blocks):
                piece = content[i * BLOCK:(i + 1) * BLOCK]
                digest = base64.b64encode(hashlib.sha256(piece).digest()).decode()
                check(block.get("Hash") == digest, f"{name} block {i}: hash {block.get('Hash')}, expected {digest}")
                if info.compress_type == zipfile.ZIP_DEFLATED:
                    if not check(block.get("Size") is not None, f"{name} block {i}: deflated but no Size"):
                        continue
                    size = int(block.get("Size"))
                    # Each block's compressed bytes must stand alone.
                    inflated = zlib.decompressobj(-15).decompress(raw[position:position + size])
                    check(inflated == piece, f"{name} block {i}: its {size} compressed bytes do not inflate to it")
                    position += size
                else:
                    check(block.get("Size") is None, f"{name} block {i}: stored but has a Size")
            if info.compress_type == zipfile.ZIP_DEFLATED:
                check(position == info.compress_size, f"{name}: block sizes add up to {position}, "
                      f"not {info.compress_size}")
        check(sorted(listed) == sorted(n for n in infos if n not in NOT_MAPPED),
              f"block map lists {sorted(listed)}, the zip holds {sorted(infos)}")
        check(listed == sorted(listed, key=str.lower), "block map is not in case-insensitive order")
        if need_multi_block:
            check(multi_block >= 2, "fewer than two files span several blocks: the 64 KiB split went unchecked")


def check_packed_blockmap(packer, manifest):
    """Packs files of several blocks, one that deflates and one that does not, and checks their
    block maps: the shipped package's own files may all fit in one block."""
    with tempfile.TemporaryDirectory() as folder:
        text = os.path.join(folder, "text.txt")
        noise = os.path.join(folder, "noise.bin")
        with open(text, "w") as f:
            f.write("".join(f"line {i} of a file that deflates well\n" for i in range(5000)))
        with open(noise, "wb") as f:
            f.write(random.Random(7).randbytes(3 * BLOCK + 123))
        package = os.path.join(folder, "test.msix")
        subprocess.run([packer, "pack", package, manifest, f"Assets/text.txt={text}", f"noise.bin={noise}"],
                       check=True, stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(package) as z:
            methods = {i.filename: i.compress_type for i in z.infolist()}
        check(methods.get("Assets/text.txt") == zipfile.ZIP_DEFLATED, "the text file was not deflated")
        check(methods.get("noise.bin") == zipfile.ZIP_STORED, "the random file was not stored")
        check_blockmap(package, need_multi_block=True)


def publisher_id(publisher):
    alphabet = "0123456789abcdefghjkmnpqrstvwxyz"
    bits = int.from_bytes(hashlib.sha256(publisher.encode("utf-16-le")).digest()[:8], "big") << 1
    return "".join(alphabet[(bits >> (60 - 5 * i)) & 31] for i in range(13))


def rfc2253(publisher):
    return re.sub(r"(^|,)S=", r"\1ST=", re.sub(r",\s+", ",", publisher))


def png_size(content):
    check(content[:8] == b"\x89PNG\r\n\x1a\n", "an asset is not a PNG")
    return struct.unpack(">II", content[16:24])


def check_identity(path, installers, app):
    package = open(path, "rb").read()
    with zipfile.ZipFile(path) as z:
        manifest = ET.fromstring(z.read("AppxManifest.xml"))
        identity = manifest.find("m:Identity", MANIFEST_NS)
        publisher = identity.get("Publisher")
        pid = publisher_id(publisher)
        family = f"{identity.get('Name')}_{pid}"
        full = f"{identity.get('Name')}_{identity.get('Version')}_{identity.get('ProcessorArchitecture')}__{pid}"
        check(full == f"Tessaly.Orbalt_2.0.22.1414_x64__{pid}", f"package identity is {full}")

        dependency = manifest.find("m:Dependencies/m:PackageDependency", MANIFEST_NS)
        check(f"{dependency.get('Name')}_{publisher_id(dependency.get('Publisher'))}" ==
              "Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe", "the framework dependency names another family")
        check(dependency.get("MinVersion") == "14.0.33728.0", "framework minimum version")
        device = manifest.find("m:Dependencies/m:TargetDeviceFamily", MANIFEST_NS)
        check((device.get("Name"), device.get("MinVersion")) == ("Windows.Desktop", "10.0.19041.0"),
              "target device family")

        # Every image the manifest names is in the package, at the size its name says.
        visual = manifest.find("m:Applications/m:Application/uap:VisualElements", MANIFEST_NS)
        tile = visual.find("uap:DefaultTile", MANIFEST_NS)
        assets = [manifest.find("m:Properties/m:Logo", MANIFEST_NS).text, visual.get("Square150x150Logo"),
                  visual.get("Square44x44Logo"), tile.get("Wide310x150Logo")]
        for asset in assets:
            name = asset.replace("\\", "/")
            if check(name in z.namelist(), f"asset {name} is missing"):
                size = re.search(r"(\d+)x(\d+)", name)
                if size:
                    check(png_size(z.read(name)) == (int(size[1]), int(size[2])), f"{name} has another size")
        executable = manifest.find("m:Applications/m:Application", MANIFEST_NS).get("Executable")
        if app:
            check(z.read(executable) == open(app, "rb").read(), f"{executable} is not the application just built")

        # The signer's Subject is the Publisher, or Windows refuses the package.
        signature = z.read("AppxSignature.p7x")
        check(signature[:4] == b"PKCX", "AppxSignature.p7x does not start with PKCX")
        printed = subprocess.run(["openssl", "pkcs7", "-inform", "DER", "-print_certs"], input=signature[4:],
                                 capture_output=True, check=True).stdout
        pems = re.findall(rb"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", printed, re.S)
        subjects = [subprocess.run(["openssl", "x509", "-noout", "-subject", "-nameopt", "RFC2253"], input=pem,
                                   capture_output=True, check=True).stdout.split(b"=", 1)[1] for pem in pems]
        subjects = [s.decode().strip() for s in subjects]
        check(rfc2253(publisher) in subjects, f"Publisher {publisher!r} is not a signer Subject ({subjects})")

    # The installers name this package, and only this one, and carry it byte for byte.
    for installer in installers:
        binary = open(installer, "rb").read()
        named = set(re.findall(rb"T\0e\0s\0s\0a\0l\0y\0\.\0O\0r\0b\0a\0l\0t\0_\0(?:[\x20-\x7e]\0)+", binary))
        named = {n.decode("utf-16-le") for n in named}
        check(named == {family, full}, f"{installer} names {sorted(named)}, the package is {family} / {full}")
        check(package in binary, f"{installer} does not carry the package whole and uncompressed")


def main(argv):
    try:
        if len(argv) >= 3 and argv[1] == "zip":
            check_zip(argv[2])
        elif len(argv) >= 3 and argv[1] == "blockmap":
            check_blockmap(argv[2])
        elif len(argv) == 4 and argv[1] == "packed-blockmap":
            check_packed_blockmap(argv[2], argv[3])
        elif len(argv) >= 4 and argv[1] == "identity":
            args = argv[3:]
            app = None
            if "--app" in args:
                app = args[args.index("--app") + 1]
                args = args[:args.index("--app")]
            check_identity(argv[2], args, app)
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
