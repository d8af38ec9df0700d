#!/usr/bin/env bash
# Backup and restore on a machine whose temporary folder cannot be written (a
# folder without the right to write, a file where the folder should be): a
# restore of chosen items puts back what needs no unpacking, names every item
# with what became of it and the folder that failed, and never calls the sound
# archive invalid; a clean with a backup names the temporary folder, not the
# backup folder, and removes nothing. A missing archive is said on stderr. A
# text value of odd length comes back byte for byte.
. "$(dirname "$0")/../support/e2e.sh"
usage="usage: untidy_temp_test.sh quillbane-cli.exe qb-make-shortcut.exe qb-reg-corpus.exe"
cli="${1:?$usage}"
make_shortcut="${2:?$usage}"
corpus="${3:?$usage}"

e2e_clone
drive_c="$WINEPREFIX/drive_c"
readonly_temp="$drive_c/QbReadOnlyTemp"
trap 'chattr -i "$readonly_temp" 2>/dev/null || true; chmod -R u+w "$readonly_temp" 2>/dev/null || true; e2e_cleanup' EXIT
mkdir -p "$drive_c/QbSeed"
e2e_install "$cli" "$make_shortcut"
cp "$corpus" "$drive_c/Quillbane/reg_corpus.exe"
qb='C:\Quillbane\quillbane-cli.exe'
corpus_exe='C:\Quillbane\reg_corpus.exe'
fonts='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
app='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\qbgone.exe'

# Runs the console with TEMP and TMP set to a folder of the clone.
with_temp() {  # with_temp WINDOWS_FOLDER ARGS...
  local temp="$1"; shift
  e2e_wine cmd /c "set TEMP=$temp&& set TMP=$temp&& $qb $*"
}

# A font, an App Paths key, a dead shortcut, and a sound whose text value is 25
# bytes long ("C:\qb\gn.wav" and half a character), which the registry editor
# cannot write: our own import does.
e2e_wine reg add "$fonts" /v 'Qb Gone Font' /d 'qbgonefont.ttf' /f >/dev/null
e2e_wine reg add "$app" /ve /d 'C:\gone\qbgone.exe' /f >/dev/null
echo x >"$drive_c/QbSeed/target.exe"
e2e_wine 'C:\Quillbane\make_shortcut.exe' 'C:\QbSeed\dead.lnk' 'C:\QbSeed\target.exe' >/dev/null
rm -f "$drive_c/QbSeed/target.exe"
odd=$(printf '%s' 'C:\qb\gn.wav' | od -An -tx1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,00,/g'),00,00
{ printf '\xff\xfe'
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Sounds]\r\n"Qb Odd"=hex(1):%s\r\n' "$odd" |
    iconv -f UTF-8 -t UTF-16LE; } >"$drive_c/odd.reg"
e2e_wine "$corpus_exe" import 'C:\odd.reg' 'Control Panel\Sounds' >/dev/null
e2e_wine "$corpus_exe" export 'Control Panel\Sounds' 'C:\sounds-before.reg' >/dev/null
check "the odd value is seeded with its 25 bytes" \
  grep -qxE '"Qb Odd"=hex\(1\):(..,){24}00' <(iconv -f UTF-16LE -t UTF-8 "$drive_c/sounds-before.reg" |
                                                tr -d '\r' | sed -e ':a' -e '/\\$/N; s/\\\n *//; ta')

e2e_wine "$qb" clean --sections 3,4,9,14 --json >"$E2E_DIR/clean.json" && rc=0 || rc=$?
check "the clean with a backup ran (exit 0)" test "$rc" -eq 0
archive=$(jq -r .archive "$E2E_DIR/clean.json")
e2e_wine "$qb" restore "$archive" --list --json >"$E2E_DIR/list.json"
font_item=$(jq '.[] | select(.valueName == "Qb Gone Font") | .item' "$E2E_DIR/list.json")
key_item=$(jq '.[] | select(.type == "REG_KEY" and (.key | endswith("qbgone.exe"))) | .item' "$E2E_DIR/list.json")
link_item=$(jq '.[] | select(.linkPath == "C:\\QbSeed\\dead.lnk") | .item' "$E2E_DIR/list.json")
check "the archive holds the font, the key and the shortcut" test -n "$font_item" -a -n "$key_item" -a -n "$link_item"
chosen="$font_item,$key_item,$link_item"

# Two temporary folders that cannot be written. Root writes anywhere, so for it
# the read-only folder is made immutable; where neither takes, only the file in
# the way is tried.
mkdir -p "$readonly_temp"
chmod a-w "$readonly_temp"
[ "$(id -u)" -ne 0 ] || chattr +i "$readonly_temp" 2>/dev/null || true
echo x >"$drive_c/QbTempFile"
temps=('C:\QbTempFile')
if touch "$readonly_temp/probe" 2>/dev/null; then
  rm -f "$readonly_temp/probe"
  echo "note: no read-only folder can be made here; only a file in the way is tried"
else
  temps+=('C:\QbReadOnlyTemp')
fi
for temp in "${temps[@]}"; do
  staging="$temp\\PlovenTemp"
  e2e_wine reg delete "$fonts" /v 'Qb Gone Font' /f >/dev/null 2>&1 || true
  with_temp "$temp" restore "$archive" --item "$chosen" --json >"$E2E_DIR/restore.json" && rc=0 || rc=$?
  check "$temp: the restore of three items fails (exit 2)" test "$rc" -eq 2
  check "$temp: the archive is not called invalid" test "$(jq -r .result "$E2E_DIR/restore.json")" = errors
  check "$temp: each item with what became of it" test \
    "$(jq -c '[.items[] | .outcome]' "$E2E_DIR/restore.json")" = '["restored","failed","failed"]'
  check "$temp: the temporary folder is named" \
    grep -qF "$staging" <(jq -r '.stagingFailure, (.items[1:][] | .reason)' "$E2E_DIR/restore.json")
  check "$temp: the font value is back" e2e_reg_has "$fonts" 'Qb Gone Font'
  check "$temp: the key and the shortcut are not" \
    eval 'e2e_reg_lacks "$app" && test ! -e "$drive_c/QbSeed/dead.lnk"'
  # The text report names the three items and the folder, once restored.
  e2e_wine reg delete "$fonts" /v 'Qb Gone Font' /f >/dev/null || true
  out=$(with_temp "$temp" restore "$archive" --item "$chosen") || true
  check "$temp: the text names the restored value, the key, the shortcut and the folder" \
    eval 'grep -qF "Qb Gone Font" <<<"$out" && grep -qF "App Paths\\qbgone.exe" <<<"$out" &&
          grep -qF "C:\\QbSeed\\dead.lnk" <<<"$out" && grep -qF "$staging" <<<"$out"'
  check "$temp: and never says invalid" test -z "$(grep -i invalid <<<"$out")"

  # The font value is stale again: a clean with a backup cannot save it, and
  # says it is the temporary folder, and why.
  with_temp "$temp" clean --sections 3 --json >"$E2E_DIR/clean2.json" && rc=0 || rc=$?
  check "$temp: the clean without a place to save fails (exit 2)" test "$rc" -eq 2
  check "$temp: the clean names the temporary folder, not the backup folder" \
    eval 'grep -qF "$staging" "$E2E_DIR/stderr" && ! grep -qF "Quillbane\\Backup" "$E2E_DIR/stderr"'
  check "$temp: the JSON says why" grep -qF "$staging" <(jq -r .backupFailure "$E2E_DIR/clean2.json")
  check "$temp: nothing was removed" e2e_reg_has "$fonts" 'Qb Gone Font'
done

# The archive was sound all along: restored whole, every item is back, and the
# odd text value byte for byte.
e2e_wine "$qb" restore "$archive" >/dev/null && rc=0 || rc=$?
check "the whole archive restores (exit 0)" test "$rc" -eq 0
check "the key and the shortcut are back" eval 'e2e_reg_has "$app" && test -e "$drive_c/QbSeed/dead.lnk"'
e2e_wine "$corpus_exe" export 'Control Panel\Sounds' 'C:\sounds-after.reg' >/dev/null
check "the 25-byte text value is back byte for byte" cmp -s "$drive_c/sounds-before.reg" "$drive_c/sounds-after.reg"

# An archive that is not there: said on stderr, for every way of naming one.
for args in 'nosuch.zip' 'C:\nosuch.zip' 'nosuch.zip --item 1' 'nosuch.zip --list'; do
  e2e_wine "$qb" restore $args >"$E2E_DIR/out" && rc=0 || rc=$?
  check "restore $args: exit 2" test "$rc" -eq 2
  check "restore $args: stderr says it was not found" grep -qi "not found" "$E2E_DIR/stderr"
  check "restore $args: nothing on stdout" test ! -s "$E2E_DIR/out"
done
e2e_finish
