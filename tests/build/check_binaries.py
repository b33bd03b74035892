#!/usr/bin/python3
"""Checks of the built executables themselves (no Wine needed).

    check_binaries.py imports EXE...        it leaves Windows nothing to load from its own folder:
        static imports of KnownDLLs and API sets only (the rest is delay-loaded after
        SetDefaultDllDirectories), and no side-by-side dependency in its manifest
    check_binaries.py release SHIPPED TEST  the shipped installer downloads from the real addresses
        and pins Microsoft's digest of the .NET installer; the test build has loopback addresses
"""
import re
import sys

import pefile

KNOWN = re.compile(r"(ntdll|kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|msvcrt|combase|"
                   r"api-ms-win-[a-z0-9-]+)\.dll")
DOTNET = ("https://download.visualstudio.microsoft.com/download/pr/907765b0-2bf8-494e-93aa-5ef9553c5d68/"
          "a9308dc010617e6716c0e6abd53b05ce/windowsdesktop-runtime-8.0.8-win-x64.exe")
FRAMEWORK = re.compile(r"https://[a-z0-9.-]+/Microsoft\.VCLibs\.x64\.14\.00\.Desktop\.appx")
LOOPBACK = re.compile(r"http://127\.0\.0\.1:\d+/\S+/(windowsdesktop-runtime-8\.0\.8-win-x64\.exe|"
                      r"Microsoft\.VCLibs\.x64\.14\.00\.Desktop\.appx)")
# Microsoft's SHA-512 of windowsdesktop-runtime-8.0.8-win-x64.exe.
DIGEST = ("27484ffb1e9ce5e6290cda8f5f49563cf4a9e2692aa57429fcd0d3de4f30fc2fce204b1b120349ed50712e95d3fa51037eba"
          "f9b7fd60c41856857b1372e0eac7")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message)


def imports(path):
    pe = pefile.PE(path)
    dlls = [entry.dll.decode().lower() for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]
    check(dlls and all(map(KNOWN.fullmatch, dlls)), f"{path} imports {dlls}")
    manifests = [pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                 for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]
                 for name in kind.directory.entries for language in name.directory.entries]
    check(manifests and not any(b"<dependency" in manifest for manifest in manifests),
          f"{path}: no manifest, or its manifest names a side-by-side dependency")


def constants(path):
    """The addresses and the 128-digit hex texts among the program's wide strings."""
    texts = [m.decode("utf-16-le") for m in re.findall(rb"(?:[\x21-\x7e]\0){8,}", open(path, "rb").read())]
    return {t for t in texts if re.match("https?://", t)}, {t for t in texts if re.fullmatch("[0-9a-fA-F]{128}", t)}


def release(shipped, test):
    addresses, digests = constants(shipped)
    check(DOTNET in addresses and len(addresses) == 2 and any(map(FRAMEWORK.fullmatch, addresses)),
          f"{shipped} downloads from {sorted(addresses)}")
    check(digests == {DIGEST}, f"{shipped} pins {sorted(digests)}")
    addresses, digests = constants(test)
    files = {m[1] for m in map(LOOPBACK.fullmatch, addresses) if m}
    check(len(addresses) == 2 and files == {"windowsdesktop-runtime-8.0.8-win-x64.exe",
                                            "Microsoft.VCLibs.x64.14.00.Desktop.appx"},
          f"{test} downloads from {sorted(addresses)}")
    check(len(digests) == 1 and DIGEST not in digests, f"{test} pins {sorted(digests)}")


if __name__ == "__main__":
    command, *paths = sys.argv[1:] or [None]
    if command == "imports" and paths:
        for path in paths:
            imports(path)
    elif command == "release" and len(paths) == 2:
        release(*paths)
    else:
        sys.exit(__doc__)
    sys.exit(1 if failures else 0)
