#!/usr/bin/env bash
# Restoring single items of an archive from the console: a removal of a sound
# value, an App Paths key and a dead shortcut writes a three-item archive;
# `restore --list --json` numbers them, and `restore --item N` puts back that
# item alone, byte for byte as regedit exported it before the removal, while
# the other two stay away.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: restore_items_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: restore_items_test.sh quillbane-cli.exe qb-make-shortcut.exe}"

e2e_clone
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/QbSeed"
e2e_install "$cli" "$make_shortcut"
qb='C:\Quillbane\quillbane-cli.exe'
sounds='HKEY_CURRENT_USER\Control Panel\Sounds'
app='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\qbgone.exe'

echo x >"$drive_c/QbSeed/target.exe"
e2e_wine 'C:\Quillbane\make_shortcut.exe' 'C:\QbSeed\dead.lnk' 'C:\QbSeed\target.exe' >/dev/null
rm -f "$drive_c/QbSeed/target.exe"
cp "$drive_c/QbSeed/dead.lnk" "$E2E_DIR/link-before"
e2e_wine reg add "$sounds" /v 'Qb Chime' /d 'C:\gone\chime.wav' /f >/dev/null
e2e_wine reg add "$app" /ve /d 'C:\gone\qbgone.exe' /f >/dev/null
e2e_wine reg add "$app" /v Path /d 'C:\gone' /f >/dev/null
# Exports as regedit writes them, to compare with after each restore.
export_keys() {  # export_keys SUFFIX
  rm -f "$drive_c/sounds-$1.reg" "$drive_c/app-$1.reg"
  e2e_wine regedit /e "C:\\sounds-$1.reg" "$sounds" >/dev/null
  e2e_wine regedit /e "C:\\app-$1.reg" "$app" >/dev/null
}
export_keys before
check "regedit exported the seeded keys" test -s "$drive_c/sounds-before.reg" -a -s "$drive_c/app-before.reg"

e2e_wine "$qb" clean --sections 4,9,14 --json >"$E2E_DIR/clean.json" && rc=0 || rc=$?
check "clean removed (exit 0)" test "$rc" -eq 0
archive=$(jq -r .archive "$E2E_DIR/clean.json")
check "the three are removed" test "$(jq '.removed | length' "$E2E_DIR/clean.json")" -eq 3
check "the link is gone" test ! -e "$drive_c/QbSeed/dead.lnk"

e2e_wine "$qb" restore "$archive" --list --json >"$E2E_DIR/list.json"
check "restore --list --json: three numbered items and their shapes" test \
  "$(jq -c '[.[] | [.item, .type, .root, .key, .valueName, .linkPath]]' "$E2E_DIR/list.json")" = \
  "$(printf '%s' '[[1,"REG_VALUE","HKEY_CURRENT_USER","Control Panel\\Sounds","Qb Chime",null],[2,"REG_KEY","HKEY_LOCAL_MACHINE","SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe",null,null],[3,"FILE",null,null,null,"C:\\QbSeed\\dead.lnk"]]')"
check "a value item carries its data" test "$(jq -r '.[0].valueData' "$E2E_DIR/list.json")" = 'C:\gone\chime.wav'

e2e_wine "$qb" restore "$archive" --item 4 >/dev/null 2>&1 && rc=0 || rc=$?
check "an item the archive lacks is refused (exit 2)" test "$rc" -eq 2
check "and nothing came back" e2e_reg_lacks "$sounds" 'Qb Chime'

out=$(e2e_wine "$qb" restore "$archive" --item 1)
check "item 1 is restored" test "$out" = "Items Restored"
export_keys value
check "the value is back as it was" cmp -s "$drive_c/sounds-before.reg" "$drive_c/sounds-value.reg"
check "the key is still away" e2e_reg_lacks "$app"
check "the link is still away" test ! -e "$drive_c/QbSeed/dead.lnk"

e2e_wine "$qb" restore "$archive" --item 2 >/dev/null
export_keys key
check "the key is back as it was" cmp -s "$drive_c/app-before.reg" "$drive_c/app-key.reg"
check "the link is still away after the key" test ! -e "$drive_c/QbSeed/dead.lnk"

e2e_wine "$qb" restore "$archive" --item 3 >/dev/null
check "the link is back byte for byte" cmp -s "$E2E_DIR/link-before" "$drive_c/QbSeed/dead.lnk"
# A single item gets a whole restore's checks: an archive (here a folder) this
# program did not make for this user restores nothing without --trust-archive.
mkdir -p "$drive_c/Foreign"
printf '[TYPE:REG_VALUE]\r\n[MAIN_KEY:HKEY_CURRENT_USER\\Control Panel\\Sounds]\r\n[VALUE_NAME:Qb Foreign]\r\n[VALUE:x.wav]\r\n' \
  >"$drive_c/Foreign/Config.ini"
e2e_wine "$qb" restore 'C:\Foreign' --item 1 >/dev/null 2>&1 && rc=0 || rc=$?
check "an untagged archive's item is not restored unasked (exit 2)" test "$rc" -eq 2
check "so its value is not there" e2e_reg_lacks "$sounds" 'Qb Foreign'
e2e_wine "$qb" restore 'C:\Foreign' --item 1 --trust-archive >/dev/null
check "with --trust-archive it is" e2e_reg_has "$sounds" 'Qb Foreign'
e2e_finish
