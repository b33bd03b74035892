#!/usr/bin/env python3
"""Lists the fixed texts of src/ that a user or a log reader sees and that no test names.

    fixed_texts.py [ROOT]

A fixed text is a wide string literal of src/, adjacent literals joined as the compiler joins
them; a line built at run time is several (L"[MSIX] Found " + name + L". Version: " ...). A test
names one when it stands whole inside a string a test compares: a string literal of a test (C++
or Python, adjacent literals joined) or a text the rows of tests/e2e/scenarios.py expect, as
their helpers build them. Texts without a letter only join others, and so do blanks at either end
(a console shows none at the end of a line; the rows compare whole lines). Exits 1 when a text is
unread, after listing each with its file.
"""
import ast
import io
import os
import re
import sys
import tokenize
import types

# Wide literals that are no text a user or a log reader sees, each with its reason.
NOT_SHOWN = {
    # names the platform looks up: a folder, a program, a DLL and a font
    "Tessaly Installer Temp", "\\notepad.exe", "kernel32.dll", "Segoe UI Semibold",
    # registry keys and a value name, which the Wine driver sets and reads literally for the rows
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AppModelUnlock", "SOFTWARE\\Policies\\Microsoft\\Windows\\Appx",
    "SYSTEM\\CurrentControlSet\\Services\\AppXSvc", "AllowAllTrustedApps",
    # runtime classes, under which the Wine driver registers the simulated deployment service
    "Windows.Management.Deployment.PackageManager", "Windows.Foundation.Uri",
    # a security descriptor, and the digits of number formatting
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", "0123456789ABCDEF",
}

# Unread texts of an area whose tests another pass brings; listed on every run, never failing it.
AWAITING = {
    "Cannot launch Orbalt as we are running as a system account!",  # src/launch: LocalSystem's launch
}


def c_literals(source):
    """The string literals of C++ source (prefix, body), adjacent ones joined, comments skipped."""
    token = re.compile(r'//[^\n]*|/\*.*?\*/|(?P<prefix>u8|[LuU])?"(?P<body>(?:\\.|[^"\\\n])*)"|'
                       r"'(?:\\.|[^'\\\n])*'|(?P<other>\S)", re.S)
    joined, last = [], None
    for match in token.finditer(source):
        if match.group("body") is not None:
            text = unescape_c(match.group("body"))
            if last is not None:
                joined[-1] = (joined[-1][0], joined[-1][1] + text)
            else:
                joined.append((match.group("prefix") or "", text))
            last = len(joined) - 1
        elif match.group("other") is not None:
            last = None
    return joined


def unescape_c(body):
    simple = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "\\": "\\", '"': '"', "'": "'", "?": "?"}
    def one(m):
        e = m.group(1)
        if e[0] in "xuU":
            return chr(int(e[1:], 16))
        return simple.get(e, e)
    return re.sub(r"\\(x[0-9a-fA-F]+|u[0-9a-fA-F]{4}|U[0-9a-fA-F]{8}|.)", one, body)


def python_literals(source):
    """The string literals of Python source, adjacent ones joined."""
    strings, joining = [], False
    for tok in tokenize.generate_tokens(io.StringIO(source).readline):
        if tok.type == tokenize.STRING:
            try:
                value = ast.literal_eval(tok.string)
            except (ValueError, SyntaxError):  # an f-string: its literal parts are enough
                value = re.sub(r"^[A-Za-z]*(\"\"\"|'''|\"|')|(\"\"\"|'''|\"|')$", "", tok.string)
            value = value.decode("latin-1") if isinstance(value, bytes) else value
            if joining:
                strings[-1] += value
            else:
                strings.append(value)
            joining = True
        elif tok.type not in (tokenize.NL, tokenize.COMMENT):
            joining = False
    return strings


def expected_by_rows(tests):
    """Every text the end-to-end rows expect, as their helpers build them. The Wine driver they
    import stands in with what the rows need of it."""
    stand_in = types.ModuleType("windows")
    stand_in.NO_KEY, stand_in.app_family = "no key", lambda: "Tessaly.Orbalt_h7c2q0xw4ma9s"
    sys.modules["windows"] = stand_in
    sys.path.insert(0, os.path.join(tests, "e2e"))
    import scenarios  # noqa: E402

    texts = []
    def walk(value):
        if isinstance(value, str):
            texts.append(value)
        elif isinstance(value, dict):
            for item in value.values():
                walk(item)
        elif isinstance(value, (list, tuple)):
            for item in value:
                walk(item)
    walk(scenarios.ROWS)
    return texts


def main(root):
    src, tests = os.path.join(root, "src"), os.path.join(root, "tests")
    shown = []  # (file, text)
    for folder, _, names in os.walk(src):
        for name in sorted(names):
            if name.endswith((".cpp", ".h")):
                path = os.path.join(folder, name)
                for prefix, text in c_literals(open(path, encoding="utf-8").read()):
                    if prefix == "L" and re.search(r"[A-Za-z]", text) and text not in NOT_SHOWN:
                        shown.append((os.path.relpath(path, root), text))
    corpus = expected_by_rows(tests)
    platform = re.compile(r"^tests/(fakes/|wine/(windows\.py|launch\.cpp|uia_dump\.cpp)$)")
    for folder, _, names in os.walk(tests):
        for name in names:
            path = os.path.join(folder, name)
            if platform.match(os.path.relpath(path, root)) or name == os.path.basename(__file__):
                continue
            if name.endswith((".cpp", ".h")):
                corpus += [text for _, text in c_literals(open(path, encoding="utf-8").read())]
            elif name.endswith(".py"):
                corpus += python_literals(open(path, encoding="utf-8").read())
    unread = [(path, text) for path, text in shown if not any(text.strip(" ") in named for named in corpus)]
    for path, text in unread:
        print("%s %s %r" % ("awaiting" if text in AWAITING else "UNREAD", path, text))
    failing = [text for _, text in unread if text not in AWAITING]
    print("%d fixed texts, %d unread (%d awaiting another pass)" % (len(shown), len(unread),
                                                                    len(unread) - len(failing)))
    return 1 if failing else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                                  os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))))
