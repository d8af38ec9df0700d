#!/usr/bin/env bash
# restore on a cloned prefix: an archive as a removal run writes it (a key export
# made by the real regedit, a REG_DWORD value with its type line, an old-style
# text value, two same-named files) puts keys, values and files back exactly once
# the user trusts it (it carries no tag of this user's); a hostile or damaged
# archive restores nothing; backups lists the archives.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: backup_restore_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Quillbane/Backup" "$drive/links/one" "$drive/links/two"
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }

key='HKCU\Software\QbE2E\Orphan'
e2e_wine reg add "$key\\Sub" /v text /d 'a "quoted" value' /f >/dev/null
e2e_wine reg add "$key\\Sub" /v count /t REG_DWORD /d 7 /f >/dev/null
e2e_wine reg add "$key" /v bin /t REG_BINARY /d 00ff10 /f >/dev/null
e2e_wine reg add 'HKLM\Software\QbE2E\SharedDLLs' /v 'C:\gone\x.dll' /t REG_DWORD /d 3 /f >/dev/null
printf 'first link' >"$drive/links/one/app.lnk"
printf 'second link' >"$drive/links/two/app.lnk"

# An 8-bit export ("REGEDIT4", the system's code page: Latin-1 here), as an older
# version's archive may hold one; the registry editor imports it as those versions'
# restores did.
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\QbE2E\\Ansi]\r\n"caf\xe9"="cr\xe8me \\"br\xfbl\xe9e\\""\r\n%s\r\n%s\r\n\r\n[HKEY_CURRENT_USER\\Software\\QbE2E\\Ansi\\Sub]\r\n@=dword:0000002a\r\n\r\n' \
  '"path"=hex(2):25,77,69,6e,64,69,72,25,5c,e9,00' '"bin"=hex:00,e9,ff' >"$drive/ansi.reg"
e2e_wine regedit /S 'C:\ansi.reg'

# What the registry looked like, as regedit exports it.
e2e_wine regedit /e 'C:\before-key.reg' 'HKEY_CURRENT_USER\Software\QbE2E\Orphan'
e2e_wine regedit /e 'C:\before-ansi.reg' 'HKEY_CURRENT_USER\Software\QbE2E\Ansi'
check "regedit imported the 8-bit export" bash -c "iconv -f UTF-16 -t UTF-8 '$drive/before-ansi.reg' | grep -q 'crème'"
e2e_wine regedit /e 'C:\before-dll.reg' 'HKEY_LOCAL_MACHINE\Software\QbE2E\SharedDLLs'
check "regedit exported the seeded key" test -s "$drive/before-key.reg"

# The archive, laid out as a removal run leaves it (staged names from the paths).
stage="$E2E_DIR/stage"
mkdir -p "$stage"
cp "$drive/before-key.reg" "$stage/RegKeyBkup0.reg"
cp "$drive/ansi.reg" "$stage/RegKeyBkup1.reg"
python3 - "$stage" <<'EOF'
import sys, zipfile, os
stage = sys.argv[1]
def staged(path):
    h = 2166136261
    for c in path.lower().encode():
        h = ((h ^ c) * 16777619) & 0xFFFFFFFF
    return "%08x_%s" % (h, path.rsplit("\\", 1)[-1])
for path, content in ((r"C:\links\one\app.lnk", b"first link"), (r"C:\links\two\app.lnk", b"second link")):
    open(os.path.join(stage, staged(path)), "wb").write(content)
records = (
    "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\Software\\QbE2E\\Orphan]\r\n[PATH:\\RegKeyBkup0.reg]\r\n"
    "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\Software\\QbE2E\\Ansi]\r\n[PATH:\\RegKeyBkup1.reg]\r\n"
    "[TYPE:REG_VALUE]\r\n[MAIN_KEY:HKEY_LOCAL_MACHINE\\Software\\QbE2E\\SharedDLLs]\r\n"
    "[VALUE_NAME:C:\\gone\\x.dll]\r\n[VALUE:3]\r\n[RAW_DATA:4:03000000]\r\n"
    "[TYPE:reg_value]\r\n[MAIN_KEY:HKEY_CURRENT_USER\\Software\\QbE2E\\Old]\r\n"
    "[VALUE_NAME:font]\r\n[VALUE:coure.fon]\r\n"
    "[TYPE:FILE]\r\n[DEST_PATH:C:\\links\\one\\app.lnk]\r\n"
    "[TYPE:FILE]\r\n[DEST_PATH:C:\\links\\two\\app.lnk]\r\n")
open(os.path.join(stage, "Config.ini"), "wb").write(records.replace("\r\n", "\r\r\n").encode())
with zipfile.ZipFile(os.path.join(stage, "..", "good.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in sorted(os.listdir(stage)):
        z.write(os.path.join(stage, name), name)
with zipfile.ZipFile(os.path.join(stage, "..", "hostile.zip"), "w") as z:
    z.writestr("Config.ini", "[TYPE:FILE]\r\n[DEST_PATH:C:\\links\\one\\app.lnk]\r\n")
    z.writestr("..\\..\\evil.txt", "evil")
# Dropped into the backup folder by someone else: a file where this program never
# puts one, and a key record whose export writes another key.
with zipfile.ZipFile(os.path.join(stage, "..", "planted.zip"), "w") as z:
    z.writestr("Config.ini", "[TYPE:FILE]\r\n[DEST_PATH:C:\\windows\\qbevil.txt]\r\n"
               "[TYPE:REG_KEY]\r\n[NAME:HKEY_CURRENT_USER\\Software\\QbSafe]\r\n[PATH:\\RegKeyBkup1.reg]\r\n")
    z.writestr("qbevil.txt", "evil")
    z.writestr("RegKeyBkup1.reg", ("Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\QbEvil]\r\n\"v\"=\"evil\"\r\n").encode("utf-16"))
EOF
cp "$E2E_DIR/good.zip" "$drive/Quillbane/Backup/12,31,2008_23,59,59.zip"
cp "$E2E_DIR/hostile.zip" "$drive/Quillbane/Backup/1,1,2009_0,0,0.zip"
cp "$E2E_DIR/planted.zip" "$drive/Quillbane/Backup/1,1,2026_1,1,1.zip"
head -c 300 "$E2E_DIR/good.zip" >"$drive/Quillbane/Backup/1,2,2009_0,0,0.zip"

# Removed since: the key, the value and both files.
e2e_wine reg delete "$key" /f >/dev/null
e2e_wine reg delete 'HKCU\Software\QbE2E\Ansi' /f >/dev/null
e2e_wine reg delete 'HKLM\Software\QbE2E\SharedDLLs' /v 'C:\gone\x.dll' /f >/dev/null
rm "$drive/links/one/app.lnk" "$drive/links/two/app.lnk"

out=$(run backups --json) && rc=0 || rc=$?
check "backups exits 0" test "$rc" -eq 0
check "backups lists the dated archive" grep -qx 'Wednesday, December 31, 2008 Time: 23:59:59' <<<"$(jq -r '.[].name' <<<"$out")"
check "backups lists four archives" test "$(jq 'map(.path) | length' <<<"$out")" -eq 4

out=$(run restore '1,1,2009_0,0,0.zip') && rc=0 || rc=$?
check "a hostile archive is refused (exit 2)" test "$rc" -eq 2
check "... as an invalid backup" grep -q 'Backup is Invalid, Cannot Recover items' <<<"$out"
check "... and restores nothing" test ! -e "$drive/links/one/app.lnk"
check "... and writes nothing outside the staging folder" bash -c "! find '$WINEPREFIX/drive_c' -name evil.txt | grep -q ."
out=$(run restore '1,2,2009_0,0,0.zip') && rc=0 || rc=$?
check "a truncated archive is an invalid backup (exit 2)" test "$rc" -eq 2

out=$(run restore '1,1,2026_1,1,1.zip') && rc=0 || rc=$?
check "an archive not made here is refused without --trust-archive (exit 2)" test "$rc" -eq 2
check "... saying how to restore it anyway" grep -q -- '--trust-archive' "$E2E_DIR/stderr"
out=$(run restore --trust-archive '1,1,2026_1,1,1.zip') && rc=0 || rc=$?
check "trusted, the planted archive still restores nothing of its own (exit 2)" test "$rc" -eq 2
check "... no file where none is ever removed" test ! -e "$drive/windows/qbevil.txt"
check "... no key its record does not name" e2e_reg_lacks 'HKLM\Software\QbEvil'
check "... and names both records" grep -q 'QbSafe: its saved export holds the key HKEY_LOCAL_MACHINE' <<<"$out"
check "... the file too" grep -q 'qbevil.txt: it is not a shortcut file' <<<"$out"

out=$(run restore 'C:\Quillbane\Backup\12,31,2008_23,59,59.zip') && rc=0 || rc=$?
check "untrusted, the good archive restores nothing either (exit 2)" test "$rc" -eq 2
check "... its key stays gone" e2e_reg_lacks "$key"
out=$(run restore --trust-archive 'C:\Quillbane\Backup\12,31,2008_23,59,59.zip') && rc=0 || rc=$?
check "restore exits 0" test "$rc" -eq 0
check "restore says Items Restored" grep -q '^Items Restored$' <<<"$out"
e2e_wine regedit /e 'C:\after-key.reg' 'HKEY_CURRENT_USER\Software\QbE2E\Orphan'
e2e_wine regedit /e 'C:\after-dll.reg' 'HKEY_LOCAL_MACHINE\Software\QbE2E\SharedDLLs'
e2e_wine regedit /e 'C:\after-ansi.reg' 'HKEY_CURRENT_USER\Software\QbE2E\Ansi'
check "the key is back byte for byte" cmp -s "$drive/before-key.reg" "$drive/after-key.reg"
check "the 8-bit export's key is back as the registry editor imported it" cmp -s "$drive/before-ansi.reg" "$drive/after-ansi.reg"
check "the REG_DWORD value is back as a REG_DWORD" cmp -s "$drive/before-dll.reg" "$drive/after-dll.reg"
check "the first file is back" test "$(cat "$drive/links/one/app.lnk")" = "first link"
check "the second same-named file is back" test "$(cat "$drive/links/two/app.lnk")" = "second link"
out=$(e2e_wine reg query 'HKCU\Software\QbE2E\Old' /v font) || true
check "an old-style value restores as text" grep -q 'REG_SZ.*coure.fon' <<<"$out"

e2e_finish
