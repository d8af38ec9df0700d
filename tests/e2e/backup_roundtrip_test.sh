#!/usr/bin/env bash
# The round trip: on a cloned prefix seeded with problems of several sections (a
# key with subkeys and values of several types, text and REG_DWORD values, a
# 32-bit program's value and key below Wow6432Node, two dead shortcuts of the same
# name), `clean` removes them into an archive and `restore` of that archive leaves
# the registry (as regedit exports it) and the files byte-identical to before,
# without the registry editor.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: backup_roundtrip_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/links/one" "$drive/links/two" "$drive/gone"
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }

fonts='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
shared='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
app='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\qbgone.exe'
e2e_wine reg add "$fonts" /v 'Qb Gone (TrueType)' /d 'C:\gone\qbgone.ttf' /f >/dev/null
e2e_wine reg add "$shared" /v 'C:\gone\qbshared.dll' /t REG_DWORD /d 5 /f >/dev/null
e2e_wine reg add "$app" /ve /d 'C:\gone\qbgone.exe' /f >/dev/null
e2e_wine reg add "$app" /v Path /t REG_EXPAND_SZ /d '%SystemDrive%\gone' /f >/dev/null
e2e_wine reg add "$app\\Extra\\Deeper" /v count /t REG_DWORD /d 9 /f >/dev/null
e2e_wine reg add "$app\\Extra" /v blob /t REG_BINARY /d 0001feff /f >/dev/null
e2e_wine reg add "$app\\Extra" /v list /t REG_MULTI_SZ /d 'one\0two' /f >/dev/null
# A 32-bit program's: a shared file counted in the 32-bit view, and an uninstall
# entry whose program is gone from SysWOW64. Next to them stays a healthy 32-bit
# value whose file is in SysWOW64 only.
shared32='HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\SharedDLLs'
uninstall32='HKLM\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Qb32Gone'
echo x >"$drive/windows/syswow64/qb32here.dll"
e2e_wine reg add "$shared32" /v 'C:\windows\system32\qb32gone.dll' /t REG_DWORD /d 3 /f >/dev/null
e2e_wine reg add "$shared32" /v 'C:\windows\system32\qb32here.dll' /t REG_DWORD /d 1 /f >/dev/null
e2e_wine reg add "$uninstall32" /v UninstallString /d '"C:\windows\system32\qb32gone.exe" /S' /f >/dev/null
e2e_wine reg add "$uninstall32" /v DisplayName /d 'Qb 32' /f >/dev/null
e2e_wine reg add "$uninstall32\\Parts" /v size /t REG_DWORD /d 7 /f >/dev/null

# Two dead shortcuts with the same file name in different folders.
cat >"$drive/gone/make.js" <<'EOF'
var shell = new ActiveXObject("WScript.Shell");
var links = [["C:\\links\\one\\app.lnk", "C:\\gone\\one.exe"], ["C:\\links\\two\\app.lnk", "C:\\gone\\two.exe"]];
for (var i = 0; i < links.length; i++) {
  var link = shell.CreateShortcut(links[i][0]);
  link.TargetPath = links[i][1];
  link.Description = "link " + i;
  link.Save();
}
EOF
e2e_wine wscript.exe 'C:\gone\make.js' >/dev/null
rm -f "$drive/gone/make.js"
check "the shortcuts were made" test -s "$drive/links/one/app.lnk" -a -s "$drive/links/two/app.lnk"
check "the two shortcuts differ" bash -c "! cmp -s '$drive/links/one/app.lnk' '$drive/links/two/app.lnk'"
cp "$drive/links/one/app.lnk" "$E2E_DIR/one.lnk"
cp "$drive/links/two/app.lnk" "$E2E_DIR/two.lnk"

export_keys() {  # export_keys SUFFIX
  e2e_wine regedit /e "C:\\fonts-$1.reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
  e2e_wine regedit /e "C:\\shared-$1.reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs'
  e2e_wine regedit /e "C:\\apps-$1.reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
  e2e_wine regedit /e "C:\\shared32-$1.reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\SharedDLLs'
  e2e_wine regedit /e "C:\\uninstall32-$1.reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
}
export_keys before
check "the 32-bit keys were exported" bash -c "iconv -f UTF-16 -t UTF-8 '$drive/uninstall32-before.reg' | grep -q 'qb32gone.exe' && iconv -f UTF-16 -t UTF-8 '$drive/shared32-before.reg' | grep -q 'qb32here.dll'"

# Keys are exported and imported in this process: with the registry editor gone
# from the machine, a clean and a restore that started it would lose their keys.
editor="$drive/windows/regedit.exe"
mv "$editor" "$editor.away"
wine 'C:\windows\regedit.exe' /e 'C:\probe.reg' 'HKEY_CURRENT_USER\Software' </dev/null >/dev/null 2>&1 || true
check "the registry editor cannot run" test ! -e "$drive/probe.reg"

json=$(run clean --sections 3,8,9,10,14 --json) && rc=0 || rc=$?
check "clean exits 0" test "$rc" -eq 0
summary=$(python3 -c '
import json, sys
d = json.loads(sys.stdin.read())
removed = d["removed"]
print(len(removed), len(d["kept"]), d["archive"] or "")
print(" ".join(sorted(set(p["type"] for p in removed))))
print(" ".join(sorted(p["type"] + ":" + p["key"] for p in removed if p.get("view") == "32")))
' <<<"$json") || summary=""
read -r removed kept archive <<<"$(head -1 <<<"$summary")"
check "clean removed the seeded problems" test "${removed:-0}" -ge 5
check "clean kept nothing" test "${kept:-1}" -eq 0
check "clean removed every kind" test "$(sed -n 2p <<<"$summary")" = "FILE REG_KEY REG_VALUE"
check "clean removed the 32-bit value and key, named by their Wow6432Node paths" test "$(sed -n 3p <<<"$summary")" = \
  'REG_KEY:SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Qb32Gone REG_VALUE:SOFTWARE\Wow6432Node\Microsoft\Windows\CurrentVersion\SharedDLLs'
check "the 32-bit key is gone" e2e_reg_lacks "$uninstall32"
check "the healthy 32-bit value stays" e2e_reg_has "$shared32" 'C:\windows\system32\qb32here.dll'
check "clean wrote an archive" test -n "$archive"
check "the key is gone" e2e_reg_lacks "$app"
check "the shortcuts are gone" test ! -e "$drive/links/one/app.lnk" -a ! -e "$drive/links/two/app.lnk"

out=$(run backups --json)
check "backups lists the new archive" grep -qF "$(sed 's/\\/\\\\/g' <<<"$archive")" <<<"$out"

out=$(run restore "$archive") && rc=0 || rc=$?
check "restore exits 0 (the archive carries this user's tag: no question)" test "$rc" -eq 0
check "restore says Items Restored" grep -q '^Items Restored$' <<<"$out"
mv "$editor.away" "$editor"
export_keys after
for part in fonts shared apps shared32 uninstall32; do
  check "$part: the registry is back byte for byte" cmp -s "$drive/$part-before.reg" "$drive/$part-after.reg"
done
check "the first shortcut is back byte for byte" cmp -s "$E2E_DIR/one.lnk" "$drive/links/one/app.lnk"
check "the second shortcut is back byte for byte" cmp -s "$E2E_DIR/two.lnk" "$drive/links/two/app.lnk"

e2e_finish
