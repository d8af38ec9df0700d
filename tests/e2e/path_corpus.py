#!/usr/bin/env python3
"""Writes a corpus of registry entries and shortcuts, each naming a file of its
own, in the shapes every section meets: file names drawn from every character
Windows allows, quoted or not, with arguments, icon and resource indexes,
environment references, prefixes in random letter case, both registry views,
REG_SZ and REG_EXPAND_SZ, below folders with blanks and "Program Files (x86)".

usage: path_corpus.py SEED DRIVE_C OUT

Creates the files below DRIVE_C and writes into OUT: corpus.reg (UTF-16, for
regedit /S), links.txt (LINK<tab>TARGET lines for make_shortcut), expected.txt
("SECTION|NEEDLE": a problem of that section whose key, value name or link path
holds NEEDLE must be reported once the files are gone) and gone.txt (the Unix
paths to delete for that). Every entry carries a token qbcNNNNq (or, for a type
library, a GUID ending in NNNN) in its key, value or link name."""
import os
import random
import re
import sys

seed, drive_c, out = int(sys.argv[1]), sys.argv[2], sys.argv[3]
rng = random.Random(seed)

CHARS = ("abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ0123456789" * 2 +
         ",;%&#'()[]{}=!@+~^" + "éüßøÅñ" + "报告文件数据")
# Texts that name nothing a scan may call missing, or that the exclusion list drops.
UNDEFINED = re.compile(r"%[A-Za-z_][A-Za-z0-9_()]*%")
MEANT = re.compile(r"(?i)%(ProgramFiles|ProgramFiles\(x86\)|SystemDrive|PUBLIC|SystemRoot)%")
EXCLUDED = ["software\\microsoft\\windows\\currentversion\\internet settings\\cache\\paths",
            "content.ie5\\cache", "advanced inf setup", "ie.hklmzoneinfo", "ie.hkcuzoneinfo",
            "mcafee", ".dib", ".htc", ".emf", ".dbx", ".xbm", "epson", "installfrom",
            "installedfrom", "installed from", "install from", "inseng.dll", "installsource",
            "msnia", "norton", "uninstallcommand", "sourcepath", "sidebyside", "file://",
            "active setup\\installed components", "servicepackcachepath", "classes",
            "system volume information", "nethood", "ploventemp"]

WINDOWS = "C:\\windows"
SYSTEM = {64: ("C:\\windows\\System32", "windows/system32"),
          32: ("C:\\windows\\SysWOW64", "windows/syswow64")}
ROOTS = ["C:\\QbCorpus", "C:\\QbCorpus Data", "C:\\Program Files (x86)\\QbCorpus",
         "C:\\Program Files\\QbCorpus", "C:\\users\\Public\\Documents\\Qb Corpus"]
# The same folders as references a program of each view expands.
REFERENCES = {64: [("C:\\Program Files", "%ProgramFiles%"), ("C:\\QbCorpus", "%SystemDrive%\\QbCorpus"),
                   ("C:\\users\\Public", "%PUBLIC%")],
              32: [("C:\\Program Files (x86)", "%ProgramFiles%"),
                   ("C:\\Program Files (x86)", "%ProgramFiles(x86)%"),
                   ("C:\\QbCorpus Data", "%SystemDrive%\\QbCorpus Data")]}

files, gone_folders = [], []
registry = {}  # key -> [(name, type, data)]
links, expected, texts = [], [], []
serial = 0


def word():
    return "".join(rng.choice(CHARS) for _ in range(rng.randint(1, 6)))


def name():
    text = " ".join(word() for _ in range(rng.randint(1, 3)))
    return ("." + text) if rng.random() < 0.1 else text


def unix(path):
    assert path[:3].upper() == "C:\\"
    return os.path.join(drive_c, path[3:].replace("\\", "/"))


def folder(root, dedicated=False):
    """A folder below one of the roots; for each name with a blank, the folder its
    first word names stands beside it (a folder is never the program)."""
    def as_there(parent, part):
        # Names differing only in case are one name to Windows: the first stands.
        there = os.listdir(unix(parent)) if os.path.isdir(unix(parent)) else []
        return next((n for n in there if n.lower() == part.lower()), part)

    path = root
    for _ in range(rng.randint(0, 2) if not dedicated else rng.randint(1, 2)):
        part = as_there(path, name())
        if " " in part and part.split(" ")[0] not in ("", "."):
            os.makedirs(unix(path + "\\" + as_there(path, part.split(" ")[0])), exist_ok=True)
        path += "\\" + part
    os.makedirs(unix(path), exist_ok=True)
    if dedicated:
        gone_folders.append(unix(path))
    return path


def make_file(token, ext, place=None, view=64):
    """A new file named with the token; place: a root, "system" or "drivers"."""
    if place == "system":
        base = SYSTEM[view][0]
    elif place == "drivers":
        base = SYSTEM[64][0] + "\\drivers"
    else:
        base = folder(place or rng.choice(ROOTS))
    stem = name()
    # In a system folder the token leads: a word before a blank could name one of
    # its programs ("SC" + ".exe"), which a reading rightly takes.
    token_first = place in ("system", "drivers") or rng.random() < 0.5
    file = base + "\\" + (f"{token} {stem}" if token_first else f"{stem} {token}") + ext
    disk = unix(file)
    for windows, unix_name in SYSTEM.values():
        if file.startswith(windows):
            disk = os.path.join(drive_c, unix_name, file[len(windows) + 1:].replace("\\", "/"))
    os.makedirs(os.path.dirname(disk), exist_ok=True)
    with open(disk, "w") as f:
        f.write("x")
    files.append(disk)
    return file


def dotted(path):
    """The path with a dot after one of its folders, which Windows takes away."""
    parts = path.split("\\")
    if len(parts) > 3:
        at = rng.randrange(2, len(parts) - 1)
        parts[at] += "."
    return "\\".join(parts)


def random_case(text):
    return "".join(c.swapcase() if c.isascii() and rng.random() < 0.5 else c for c in text)


def referenced(path, view):
    """The path written with an environment reference, where one names its folder."""
    for prefix, reference in REFERENCES[view]:
        if path.lower().startswith(prefix.lower() + "\\"):
            return random_case(reference) + path[len(prefix):]
    return None


def fine(text):
    """Whether the text names something at all: no undefined variable, no word
    of the exclusion list."""
    texts.append(text)
    return not UNDEFINED.search(MEANT.sub("", text)) and not any(e in text.lower() for e in EXCLUDED)


X86 = "C:\\Program Files (x86)"
# The references a list item may start with, as either view expands them.
VALUES = [(r"(?i)%ProgramFiles\(x86\)%", "C:\\Program Files (x86)"), (r"(?i)%ProgramFiles%", "C:\\Program Files"),
          (r"(?i)%SystemDrive%", "C:"), (r"(?i)%PUBLIC%", "C:\\users\\Public"), (r"(?i)%SystemRoot%", WINDOWS)]


def folder_stays(item):
    """Whether a list item names a folder that is there once the files are gone,
    read as Windows reads it: from its drive on, in any case, each part without
    trailing dots and blanks."""
    item = item.strip().strip('"')
    for reference, value in VALUES:
        item = re.sub(reference, lambda _: value, item)
    at = item.find(":\\")
    if at < 1:
        return False
    here = drive_c
    for part in re.split(r"[\\/]", item[at + 2:]):
        part = re.sub(r"[. ]+$", "", part).lower()
        if not part:
            continue
        names = {n.lower(): n for n in os.listdir(here)} if os.path.isdir(here) else {}
        if part not in names:
            return False
        here = os.path.join(here, names[part])
    return os.path.isdir(here) and not any(here == g or here.startswith(g + "/") for g in gone_folders)


def put(key, value, data, kind="sz"):
    registry.setdefault(key, []).append((value, kind, data))


def token():
    global serial
    serial += 1
    return f"qbc{serial:04d}q"


def command(path, quoted):
    args = rng.choice(["/S", "-k netsvcs", "--mode=quiet", "/x /norestart", "%1"])
    return f'"{path}" {args}' if quoted else f"{path} {args}"


def entry(section, make):
    """Tries until the entry's texts are all fine (files made for a refused one
    simply stay: they are deleted with the rest)."""
    while True:
        t = token()
        texts.clear()
        made = make(t)
        if made is not None:
            expected.append((f"{section}|{made}", list(texts)))
            return


# Full registry scan: text values below Software in three places.
FULL = {64: "HKEY_LOCAL_MACHINE\\Software\\QbCorpus\\Group {}",
        32: "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\QbCorpus\\Group {}",
        0: "HKEY_CURRENT_USER\\Software\\QbCorpus\\Group {}"}


def full_scan(t, where):
    view = 32 if where == 32 else 64
    place = "system" if rng.random() < 0.15 else None
    path = make_file(t, rng.choice([".exe", ".dll", ".txt", ".docx", ".ico"]), place, view)
    if place == "system" and view == 32:
        path = "C:\\windows\\System32" + path[len(SYSTEM[32][0]):]
    shape = rng.randrange(7)
    text = [dotted(path), f"{path},{rng.randint(-200, 20)}", command(path, True), command(path, False),
            f'"{path}"', f"rundll32.exe {path},Run", random_case(path)][shape]
    if shape == 6 and rng.random() < 0.5:
        text = random_case(folder(rng.choice(ROOTS), dedicated=True)) + "\\"
    if not fine(text):
        return None
    put(FULL[where].format(rng.randint(1, 6)), t, text)
    return t


for where in (64, 32, 0):
    for _ in range(40):
        entry(13, lambda t: full_scan(t, where))


def plain_or_expanded(path, view, quote=True):
    ref = referenced(path, view)
    if ref and rng.random() < 0.5:
        return ref, "expand"
    text = random_case(path) if rng.random() < 0.3 else path
    return (f'"{text}"' if quote and rng.random() < 0.3 else text), "sz"


def fonts(t):
    path = make_file(t, ".ttf")
    if not fine(path):
        return None
    put("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
        f"{t} (TrueType)", random_case(path) if rng.random() < 0.3 else path)
    return t


def sounds(t):
    text, kind = plain_or_expanded(make_file(t, ".wav"), 64)
    if not fine(text):
        return None
    put("HKEY_CURRENT_USER\\Control Panel\\Sounds", t, text, kind)
    return t


VIEWS = {64: "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\",
         32: "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\"}


def help_files(t, view):
    path = make_file(t, ".hlp")
    where, file = path.rsplit("\\", 1)
    if not fine(path):
        return None
    put(VIEWS[view] + "Help", file, where + ("\\" if rng.random() < 0.5 else ""))
    return file


def shared(t, view):
    place = "system" if rng.random() < 0.2 else None
    path = make_file(t, ".dll", place, view)
    if place == "system":
        path = random_case("%SystemRoot%") + "\\System32" + path[len(SYSTEM[view][0]):]
    else:
        path = plain_or_expanded(path, view, quote=False)[0]
    if not fine(path):
        return None
    put(VIEWS[view] + "CurrentVersion\\SharedDLLs", path, 1, "dword")
    return path.rsplit("\\", 1)[1]


def app_paths(t, view):
    text, kind = plain_or_expanded(make_file(t, ".exe"), view)
    if not fine(text):
        return None
    put(VIEWS[view] + f"CurrentVersion\\App Paths\\{t}.exe", "", text, kind)
    return t


def uninstall(t, view):
    path = make_file(t, ".exe")
    ref = referenced(path, view)
    if ref and rng.random() < 0.4:
        text, kind = command(ref, rng.random() < 0.5), "expand"
    else:
        text, kind = rng.choice([command(path, True), command(path, False), path]), "sz"
    if not fine(text):
        return None
    key = VIEWS[view] + f"CurrentVersion\\Uninstall\\{t}"
    put(key, "DisplayName", f"Corpus program {t}")
    put(key, "UninstallString", text, kind)
    return t


def services(t):
    shape = rng.randrange(5)
    if shape < 3:
        file = make_file(t, ".sys", "drivers").rsplit("\\", 1)[1]
        prefix = [random_case("\\SystemRoot") + "\\", "", random_case("%SystemRoot%") + "\\"][shape]
        text = prefix + random_case("System32\\drivers") + "\\" + file
    elif shape == 3:
        text = "\\??\\" + make_file(t, ".sys")
    else:
        text = command(make_file(t, ".exe"), rng.random() < 0.5)
    if not fine(text):
        return None
    put(f"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\{t}", "ImagePath", text,
        "expand" if "%" in text else "sz")
    return t


def type_libraries(t):
    number = int(t[3:7])
    library = f"HKEY_CLASSES_ROOT\\TypeLib\\{{51B0C0C0-0000-4000-8000-{number:012d}}}\\1.0"
    if rng.random() < 0.3:
        path = folder(rng.choice(ROOTS), dedicated=True)
        if not fine(path):
            return None
        put(library + "\\HELPDIR", "", path + ("\\" if rng.random() < 0.5 else ""))
    else:
        place = "system" if rng.random() < 0.3 else None
        path = make_file(t, rng.choice([".dll", ".tlb"]), place, 32)
        if place == "system":
            path = random_case("%SystemRoot%") + "\\System32" + path[len(SYSTEM[32][0]):]
        elif rng.random() < 0.4:
            path += f"\\{rng.randint(1, 9)}"
        if not fine(path):
            return None
        put(library + "\\0\\win32", "", path, "expand" if "%" in path else "sz")
    return f"{number:012d}}}"


def open_with(t):
    app = f"{t}.exe" if rng.random() < 0.5 else f"{t} app.exe"
    path = make_file(t, ".exe")
    if not fine(path):
        return None
    if rng.random() < 0.5:
        text, kind = plain_or_expanded(path, 64, quote=False)
        put(f"HKEY_CLASSES_ROOT\\Applications\\{app}\\shell\\open\\command", "", f'"{text}" "%1"', kind)
    else:
        put(VIEWS[64] + f"CurrentVersion\\App Paths\\{app}", "", path)
    put(f"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.{t}"
        "\\OpenWithList", "a", app)
    return f".{t}\\"


def shortcuts(t):
    target = folder(rng.choice(ROOTS), dedicated=True) if rng.random() < 0.15 else make_file(
        t, rng.choice([".exe", ".txt", ".pdf"]))
    if not fine(target):
        return None
    link = f"C:\\QbCorpusLinks\\{t}.lnk"
    links.append(f"{link}\t{target}")
    return link


os.makedirs(unix("C:\\QbCorpusLinks"), exist_ok=True)
for _ in range(20):
    entry(3, fonts)
for _ in range(25):
    entry(4, sounds)
for view in (64, 32):
    for _ in range(12):
        entry(7, lambda t: help_files(t, view))
    for _ in range(15):
        entry(8, lambda t: shared(t, view))
        entry(9, lambda t: app_paths(t, view))
    for _ in range(20):
        entry(10, lambda t: uninstall(t, view))
for _ in range(25):
    entry(6, services)
for _ in range(20):
    entry(11, type_libraries)
    entry(5, open_with)
for _ in range(25):
    entry(14, shortcuts)


def reg_text(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_value(kind, data):
    if kind == "dword":
        return f"dword:{data:08x}"
    if kind == "expand":
        return "hex(2):" + ",".join(f"{b:02x}" for b in (data + "\0").encode("utf-16-le"))
    return reg_text(data)


lines = ["Windows Registry Editor Version 5.00", ""]
for key, values in registry.items():
    lines.append(f"[{key}]")
    for value, kind, data in values:
        lines.append(("@" if value == "" else reg_text(value)) + "=" + reg_value(kind, data))
    lines.append("")
with open(os.path.join(out, "corpus.reg"), "wb") as f:
    f.write(b"\xff\xfe" + "\r\n".join(lines + [""]).encode("utf-16-le"))
# An entry one of whose list items names a folder that stays is healthy to every
# reader: it cannot be expected among the stale ones.
expected = [row for row, entry_texts in expected
            if not any(folder_stays(item) for t in entry_texts if ";" in t
                       for item in t.split(";") + re.sub(r"(?i)%ProgramFiles%", lambda _: X86, t).split(";"))]
for name_, rows in (("links.txt", links), ("expected.txt", expected), ("gone.txt", files + gone_folders)):
    with open(os.path.join(out, name_), "w", encoding="utf-8") as f:
        f.write("".join(row + "\n" for row in rows))
print(f"{len(expected)} entries expected stale, {len(files)} files")
