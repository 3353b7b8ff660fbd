#!/usr/bin/env python3
"""The files of a release that scripts/package.sh writes with more than a copy.

  release.py ini DLL                  ddraw.ini or winmm.ini: each setting at its default
  release.py readme TEMPLATE NAME...  README.txt from its template
  release.py zip ZIP EPOCH DIR NAME...  a zip of DIR's NAMEs, the same bytes every time

The settings come from player/settings.txt (one list for the ini files, the
README and the test that holds it to the DLLs' sources). Players open these files
with Notepad, old ones included: they are written with CR LF line ends.
"""
import os
import sys
import time
import zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
SETTINGS = os.path.join(ROOT, "player", "settings.txt")


def settings():
    """(dll, key, default, comment) for each line of the list, in its order."""
    found = []
    with open(SETTINGS, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            # What the setting takes (fields[2]) is the DLLs' to check, not the player's to read.
            fields = line.split(None, 3)
            if len(fields) < 4 or "=" not in fields[1]:
                sys.exit(f"{SETTINGS}:{number}: not 'dll key=default takes comment': {line}")
            key, default = fields[1].split("=", 1)
            found.append((fields[0], key, default, fields[3]))
    return found


def ini_text(dll):
    # Windows reads everything after the '=' as the value, so the comment stands above.
    lines = [f"[{dll}]"]
    for owner, key, default, comment in settings():
        if owner == dll:
            lines += [f"; {comment}", f"{key}={default}"]
    if len(lines) == 1:
        sys.exit(f"{SETTINGS}: no setting of {dll}")
    return lines


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def readme(template, values):
    """The template with each @NAME@ replaced; @SETTINGS@ is both ini files."""
    values = dict(v.split("=", 1) for v in values)
    values["SETTINGS"] = "\n\n".join("\n".join(ini_text(dll)) for dll in ("ddraw", "winmm"))
    with open(template, encoding="utf-8") as f:
        text = f.read()
    for name, value in values.items():
        text = text.replace(f"@{name}@", value)
    if "@" in text.replace("@@", ""):
        left = text[text.index("@"):][:40]
        sys.exit(f"{template}: a name without a value: {left}")
    return crlf(text.rstrip("\n").split("\n"))


def write_zip(path, epoch, folder, names):
    # Fixed order (as given), one date for every entry (the commit's, in UTC), and
    # the same permissions, so the zip's bytes depend on its files alone.
    date = time.gmtime(max(int(epoch), 315532800))[:6]  # a zip holds no date before 1980
    with zipfile.ZipFile(path, "w") as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=date)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)


def main(args):
    if len(args) == 2 and args[0] == "ini":
        sys.stdout.buffer.write(crlf(ini_text(args[1])))
    elif len(args) >= 2 and args[0] == "readme":
        sys.stdout.buffer.write(readme(args[1], args[2:]))
    elif len(args) >= 5 and args[0] == "zip":
        write_zip(args[1], args[2], args[3], args[4:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
