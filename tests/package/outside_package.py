#!/usr/bin/env python3
"""Makes an application package as another vendor's tools would, without msix-pack: zipped by
Python's zipfile as a stream (data descriptors, Zip64 end records, as MakeAppx writes), its block map
written here with SHA-512 (MakeAppx's /h SHA512; the sample's packer uses SHA-256), signed by
osslsigncode with an EV certificate of an organisation with a comma in its name, issued by a root of
the vendor's own. Beside it, packages that a release must refuse, one fault each.

    outside_package.py FOLDER

writes FOLDER/outside.msix, FOLDER/root.pem (the root that verifies it) and FOLDER/<fault>.msix for
each fault of FAULTS.
"""
import base64
import hashlib
import io
import os
import random
import struct
import subprocess
import sys
import urllib.parse
import zipfile
from xml.sax.saxutils import quoteattr

BLOCK = 65536
# The signer's Subject as OpenSSL takes it (in encoding order) and as Windows writes it.
SUBJECT = ("/jurisdictionC=GB/businessCategory=Private Organization/serialNumber=09876543/C=GB/ST=Somerset/L=Bath"
           "/O=Held Out Vendor, Inc./CN=Held Out Vendor, Inc.")
PUBLISHER = ('CN="Held Out Vendor, Inc.", O="Held Out Vendor, Inc.", L=Bath, S=Somerset, C=GB, SERIALNUMBER=09876543, '
             'OID.2.5.4.15=Private Organization, OID.1.3.6.1.4.1.311.60.2.1.3=GB')
IDENTITY = {"Name": "OutsideVendor.Widget", "Version": "3.1.4.0", "ProcessorArchitecture": "x64"}
APPLICATION = """<Applications>
    <Application Id="Widget" Executable="Widget.exe" EntryPoint="Windows.FullTrustApplication">
      <uap:VisualElements DisplayName="Widget" Description="Widget" BackgroundColor="transparent"
                          Square150x150Logo="Assets\\Logo.png" Square44x44Logo="Assets\\Logo.png"/>
    </Application>
  </Applications>"""
# The faults a release must refuse, one a package: how its manifest differs, and what the refusal says.
WRONG = PUBLISHER.replace("L=Bath", "L=Bristol")
MANIFEST_FAULTS = {"wrong-publisher": dict(publisher=WRONG), "x86": dict(architecture="x86"),
                   "framework": dict(application=False)}
FAULTS = {"unsigned": "it is not signed",
          "wrong-publisher": 'its Publisher "%s" is not the Subject of the certificate that signed it ("%s" as '
                             'Windows writes it)' % (WRONG, PUBLISHER),
          "x86": "it is built for x86", "framework": "its manifest declares no <Application>",
          "changed-file": "Widget.exe does not match its block map",
          "short-block-map": "Widget.exe does not match its block map", "added-file": "Extra.dll is not in its block map",
          "forged-block-map": "its signature does not verify"}


def manifest(publisher=PUBLISHER, architecture="x64", application=True):
    identity = " ".join(f'{key}={quoteattr(value)}' for key, value in dict(IDENTITY, ProcessorArchitecture=architecture,
                                                                         Publisher=publisher).items())
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
  xmlns:uap="http://schemas.microsoft.com/appx/manifest/uap/windows10" IgnorableNamespaces="uap">
  <Identity {identity}/>
  <Properties><DisplayName>Widget</DisplayName><PublisherDisplayName>Outside Vendor</PublisherDisplayName>
    <Logo>Assets\\Logo.png</Logo>{"" if application else "<Framework>true</Framework>"}</Properties>
  <Dependencies><TargetDeviceFamily Name="Windows.Desktop" MinVersion="10.0.19041.0" MaxVersionTested="10.0.22631.0"/>
  </Dependencies>
  <Resources><Resource Language="en-gb"/></Resources>
  {APPLICATION if application else ""}
</Package>
""".encode()


def payload():
    """The files, and whether each is deflated: stored files may span blocks, deflated ones fit in
    one (zipfile deflates a file as one stream, so only a single block's compressed size is known)."""
    return {"Widget.exe": (random.Random(3).randbytes(2 * BLOCK + 4321), False),
            "Assets/Logo.png": (b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 40, True),
            "Notes/Read me.txt": (b"Widget, by the Outside Vendor.\n" * 300, True)}


class Stream(io.BytesIO):
    """A file zipfile cannot seek in, so that it writes data descriptors as a streaming packer does."""

    def seek(self, *_):
        raise OSError("a stream")


def zip64_end(data):
    """Turns the end record into Zip64 end records, as MakeAppx writes them."""
    count, size, offset = struct.unpack_from("<HII", data, len(data) - 12)
    record = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, size, offset)
    locator = struct.pack("<IIQI", 0x07064B50, 0, len(data) - 22, 1)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return bytes(data[:-22]) + record + locator + end


# A code integrity catalog, outside the block map: the signature covers it by a digest of its own.
CATALOG = ("AppxMetadata/CodeIntegrity.cat", b"0\x82 catalog", "application/vnd.ms-pkiseccat")


def build(files, manifest_bytes, extra=(CATALOG,), short=None):
    """The unsigned package: FILES ({name: (bytes, deflated)}) and the manifest, then the block map
    (without the last block of the file SHORT) and the content types; then EXTRA entries (name,
    bytes, content type), which it does not map."""
    stream = Stream()
    entries = dict(files, **{"AppxManifest.xml": (manifest_bytes, True)})
    names = sorted(entries, key=str.lower)
    with zipfile.ZipFile(stream, "w") as z:
        def add(name, data, deflated):
            info = zipfile.ZipInfo(name, (2024, 5, 6, 7, 8, 10))
            info.compress_type = zipfile.ZIP_DEFLATED if deflated else zipfile.ZIP_STORED
            start = stream.tell()
            with z.open(info, "w", force_zip64=True) as f:
                f.write(data)
            name_size, extra_size = struct.unpack_from("<HH", stream.getvalue(), start + 26)
            return 30 + name_size + extra_size, info.compress_size

        blocks = []
        for name in names:
            data, deflated = entries[name]
            header, stored = add(urllib.parse.quote(name), data, deflated)  # OPC's item name: a space is %20
            hashes = [base64.b64encode(hashlib.sha512(data[i:i + BLOCK]).digest()).decode()
                      for i in range(0, len(data), BLOCK)][:-1 if name == short else None]
            sizes = [f' Size="{stored}"'] if deflated else [""] * len(hashes)
            assert not deflated or len(hashes) == 1
            blocks.append(f'<File Name="{name.replace("/", chr(92))}" Size="{len(data)}" LfhSize="{header}">' +
                          "".join(f'<Block Hash="{h}"{s}/>' for h, s in zip(hashes, sizes)) + "</File>")
        add("AppxBlockMap.xml", ('<?xml version="1.0" encoding="UTF-8"?>\r\n<BlockMap xmlns='
                                 '"http://schemas.microsoft.com/appx/2010/blockmap" '
                                 'HashMethod="http://www.w3.org/2001/04/xmlenc#sha512">' + "".join(blocks) +
                                 "</BlockMap>").encode(), True)
        types = {"exe": "application/x-msdownload", "png": "image/png", "txt": "text/plain",
                 "xml": "application/vnd.ms-appx.manifest+xml"}
        overrides = {"AppxBlockMap.xml": "application/vnd.ms-appx.blockmap+xml",
                     **{name: content_type for name, _, content_type in extra}}
        add("[Content_Types].xml", ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats'
                                    '.org/package/2006/content-types">' +
                                    "".join(f'<Default Extension="{e}" ContentType="{t}"/>' for e, t in types.items()) +
                                    "".join(f'<Override PartName="/{n}" ContentType="{t}"/>' for n, t in overrides.items())
                                    + "</Types>").encode(), True)
        for name, data, _ in extra:
            add(name, data, True)
    return zip64_end(stream.getvalue())


def sign(folder, unsigned, name):
    source, target = os.path.join(folder, name + ".unsigned"), os.path.join(folder, name + ".msix")
    with open(source, "wb") as f:
        f.write(unsigned)
    subprocess.run(["osslsigncode", "sign", "-certs", os.path.join(folder, "signer.pem"), "-key",
                    os.path.join(folder, "signer.key"), "-in", source, "-out", target], check=True,
                   stdout=subprocess.DEVNULL)
    os.remove(source)
    with open(target, "rb") as f:
        return f.read()


def make(folder):
    os.makedirs(folder, exist_ok=True)
    def certificate(name, subject, extensions, *issuer):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-nodes", "-days", "30",
                        "-keyout", os.path.join(folder, name + ".key"), "-out", os.path.join(folder, name + ".pem"),
                        "-subj", subject, *issuer] + [a for e in extensions for a in ("-addext", e)], check=True,
                       capture_output=True)

    certificate("root", "/CN=Held Out Root CA", ["basicConstraints=critical,CA:TRUE", "keyUsage=critical,keyCertSign"])
    certificate("signer", SUBJECT, ["basicConstraints=critical,CA:FALSE", "keyUsage=critical,digitalSignature",
                                    "extendedKeyUsage=codeSigning"],
                "-CA", os.path.join(folder, "root.pem"), "-CAkey", os.path.join(folder, "root.key"))
    good = sign(folder, build(payload(), manifest()), "outside")
    for name, differences in MANIFEST_FAULTS.items():
        sign(folder, build(payload(), manifest(**differences)), name)
    sign(folder, build(payload(), manifest(), short="Widget.exe"), "short-block-map")
    faults = {"unsigned": build(payload(), manifest())}

    with zipfile.ZipFile(io.BytesIO(good)) as z:
        widget = z.getinfo("Widget.exe")
        signature = z.read("AppxSignature.p7x")
    # A byte of the stored program changed where it lies, after signing.
    at = widget.header_offset + sum(struct.unpack_from("<HH", good, widget.header_offset + 26)) + 30 + BLOCK + 7
    faults["changed-file"] = good[:at] + bytes([good[at] ^ 1]) + good[at + 1:]
    added = io.BytesIO(good)
    with zipfile.ZipFile(added, "a") as z:
        z.writestr("Extra.dll", b"MZ added after signing")
    faults["added-file"] = added.getvalue()
    # A program changed with its block map made anew, under the original signature.
    changed = bytearray(payload()["Widget.exe"][0])
    changed[5] ^= 1
    faults["forged-block-map"] = build(dict(payload(), **{"Widget.exe": (bytes(changed), False)}), manifest(),
                                       extra=[CATALOG, ("AppxSignature.p7x", signature, "application/vnd.ms-appx.signature")])
    for name, data in faults.items():
        with open(os.path.join(folder, name + ".msix"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])
