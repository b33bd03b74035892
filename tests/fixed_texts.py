#!/usr/bin/env python3
"""Lists the fixed texts of src/ that a user or a log reader sees and that no test names.

    fixed_texts.py [ROOT]

A fixed text is a wide string literal of src/, adjacent literals joined as the compiler joins them;
a line built at run time is several (L"[MSIX] Found " + name + L". Version: " ...). A test names
one when it stands in a string literal of a test (C++ or Python, adjacent literals joined), not as
part of a longer word. Texts without a letter only join others, and so do blanks and line feeds at
either end (a console shows no blank at the end of a line; the tests compare whole lines). Exits 1
when a text is unread, and when it finds no text or no test at all.
"""
import os
import re
import sys

# Wide literals that are no text a user or a log reader sees, each with its reason.
NOT_SHOWN = {
    # names the platform looks up: a folder, a program, a DLL and a font
    "Tessaly Installer Temp", "\\notepad.exe", "kernel32.dll", "Segoe UI Semibold",
    # registry keys and a value name, which the Wine driver sets and reads literally for the rows
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AppModelUnlock", "SOFTWARE\\Policies\\Microsoft\\Windows\\Appx",
    "SYSTEM\\CurrentControlSet\\Services\\AppXSvc", "AllowAllTrustedApps",
    # runtime classes, under which the Wine driver registers the simulated deployment service
    "Windows.Management.Deployment.PackageManager", "Windows.Foundation.Uri",
    # the environment variables a child of the elevated run never inherits, matched by prefix
    "DOTNET_", "COMPLUS_", "COREHOST_",
    # names Windows keeps for devices, which no file beside the installer may have
    "CON", "PRN", "AUX", "NUL", "COM", "LPT",
    # the digits of number formatting
    "0123456789ABCDEF", "0123456789abcdef",
}

TOKEN = re.compile(r'//[^\n]*|/\*.*?\*/|#[^\n]*|(L?)(["\'])((?:\\.|(?!\2)[^\\\n])*)\2|(\S)', re.S)
ESCAPE = re.compile(r"\\(x[0-9a-fA-F]+|u[0-9a-fA-F]{4}|U[0-9a-fA-F]{8}|.)")


def literals(source):
    """(prefix, text) of each quoted literal, adjacent ones joined, comments skipped."""
    found, joinable = [], False
    for m in TOKEN.finditer(source):
        if m.group(3) is not None:
            text = ESCAPE.sub(lambda e: chr(int(e.group(1)[1:], 16)) if e.group(1)[0] in "xuU" else
                              {"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(e.group(1), e.group(1)), m.group(3))
            if joinable:
                found[-1] = (found[-1][0], found[-1][1] + text)
            else:
                found.append((m.group(1) + m.group(2), text))
            joinable = True
        elif m.group(4) is not None:
            joinable = False
    return found


def files(folder, skip=None):
    for path, _, names in os.walk(folder):
        for name in sorted(names):
            if name.endswith((".cpp", ".h", ".py")) and not (skip and skip.search(os.path.join(path, name))):
                yield os.path.join(path, name), literals(open(os.path.join(path, name), encoding="utf-8").read())


def whole(text):
    """A text as a test must name it: not inside a longer word ("Error" is not named by "Errors")."""
    return re.compile("(?<![A-Za-z])" * text[0].isalpha() + re.escape(text) + "(?![A-Za-z])" * text[-1].isalpha())


def main(root):
    shown = [(path, text) for path, found in files(os.path.join(root, "src")) for prefix, text in found
             if prefix == 'L"' and re.search("[A-Za-z]", text) and text not in NOT_SHOWN]
    platform = re.compile(r"/tests/(fakes/|wine/(windows\.py|launch\.cpp|uia_dump\.cpp)$)|/fixed_texts\.py$")
    named = [text for _, found in files(os.path.join(root, "tests"), platform) for _, text in found]
    unread = [(path, text) for path, text in shown if not any(whole(text.strip(" \n")).search(n) for n in named)]
    for path, text in unread:
        print("UNREAD %s %r" % (os.path.relpath(path, root), text))
    print("%d fixed texts, %d unread" % (len(shown), len(unread)))
    return 1 if unread or not shown or not named else 0  # finding nothing is no pass


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(__file__, "..", ".."))))
