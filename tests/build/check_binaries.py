#!/usr/bin/python3
"""Checks of the built executables themselves (no Wine needed).

    check_binaries.py imports EXE...     no DLL is loaded from the executable's own folder: it imports
                                         statically only KnownDLLs of System32 and API sets (every
                                         other DLL is delay-loaded, after SetDefaultDllDirectories),
                                         and its manifest names no side-by-side dependency (which a
                                         .local redirection beside it could resolve)
    check_binaries.py release SHIPPED TEST   the shipped installer carries the real download
                                         addresses and Microsoft's digest of its .NET installer, the
                                         test build the loopback addresses instead
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
    check(dlls, f"{path}: no import table found")
    for dll in dlls:
        check(KNOWN.fullmatch(dll), f"{path}: imports {dll} statically")
    manifests = [pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
                 for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if kind.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]
                 for name in kind.directory.entries for language in name.directory.entries]
    check(manifests and not any(b"<dependency" in manifest for manifest in manifests),
          f"{path}: no manifest, or its manifest names a side-by-side dependency")
    print(f"{path}: {' '.join(dlls)}")


def constants(path):
    """The addresses and the 128-digit hex texts among the program's wide strings."""
    data = open(path, "rb").read()
    texts = [m.decode("utf-16-le") for m in re.findall(rb"(?:[\x21-\x7e]\0){8,}", data)]
    return {t for t in texts if re.match(r"https?://", t)}, {t for t in texts if re.fullmatch("[0-9a-fA-F]{128}", t)}


def release(shipped, test):
    addresses, digests = constants(shipped)
    check(DOTNET in addresses and len(addresses) == 2 and any(FRAMEWORK.fullmatch(a) for a in addresses),
          f"{shipped} downloads from {sorted(addresses)}")
    check(digests == {DIGEST}, f"{shipped} pins {sorted(digests)}")
    addresses, digests = constants(test)
    check(len(addresses) == 2 and {LOOPBACK.fullmatch(a)[1] for a in addresses if LOOPBACK.fullmatch(a)} ==
          {"windowsdesktop-runtime-8.0.8-win-x64.exe", "Microsoft.VCLibs.x64.14.00.Desktop.appx"},
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
