#!/usr/bin/env bash
# Shortcuts whose folder went after the clean (the emptied Start menu folder of
# a program, removed by hand) come back into that folder, made again as plain
# folders. An item that cannot come back is named with its reason, in the text
# and in the JSON; the others are restored all the same.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: restore_folder_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: restore_folder_test.sh quillbane-cli.exe qb-make-shortcut.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
e2e_install "$cli" "$make_shortcut"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
folder="$drive/QbStart/Harbor Photo Studio"
mkdir -p "$folder" "$drive/QbBlocked" "$drive/QbGone"
printf 'MZ' >"$drive/QbGone/harbor.exe"
printf 'MZ' >"$drive/QbGone/help.exe"
e2e_wine 'C:\Quillbane\make_shortcut.exe' \
  'C:\QbStart\Harbor Photo Studio\Harbor Photo Studio.lnk' 'C:\QbGone\harbor.exe' \
  'C:\QbStart\Harbor Photo Studio\Harbor Help.lnk' 'C:\QbGone\help.exe' \
  'C:\QbBlocked\Harbor Tools.lnk' 'C:\QbGone\harbor.exe' >/dev/null
rm -rf "$drive/QbGone"
cp "$folder/Harbor Photo Studio.lnk" "$E2E_DIR/studio.lnk"
cp "$folder/Harbor Help.lnk" "$E2E_DIR/help.lnk"

run clean --sections 14 --json >"$E2E_DIR/clean.json" || true
archive=$(jq -r .archive "$E2E_DIR/clean.json")
check "the clean removed the three shortcuts" test "$(jq '.removed | length' "$E2E_DIR/clean.json")" -eq 3
check "... and left the program's folder empty" test -d "$folder" -a -z "$(ls -A "$folder")"
# The user tidies up: the empty folder and its parent go; where the third
# shortcut lived there is now a file.
rm -rf "$drive/QbStart" "$drive/QbBlocked"
printf 'not a folder' >"$drive/QbBlocked"

out=$(run restore "$archive") && rc=0 || rc=$?
check "restore exits 2 (one item could not come back)" test "$rc" -eq 2
check "the shortcut is back in its folder, made again" cmp -s "$E2E_DIR/studio.lnk" "$folder/Harbor Photo Studio.lnk"
check "... and the second one" cmp -s "$E2E_DIR/help.lnk" "$folder/Harbor Help.lnk"
check "the one that cannot come back is named, with its reason" \
  grep -qF 'C:\QbBlocked\Harbor Tools.lnk: a part of its path is not a folder' <<<"$out"
check "... and nothing was written over the file" test "$(cat "$drive/QbBlocked")" = 'not a folder'

run restore "$archive" --json >"$E2E_DIR/again.json" || true
check "restored again: the two are there as saved, the third named with its reason" test \
  "$(jq -c '[.items | sort_by(.linkPath)[] | [.linkPath, .outcome, .reason]]' "$E2E_DIR/again.json")" = \
  "$(printf '%s' '[["C:\\QbBlocked\\Harbor Tools.lnk","refused","a part of its path is not a folder"],["C:\\QbStart\\Harbor Photo Studio\\Harbor Help.lnk","unchanged",null],["C:\\QbStart\\Harbor Photo Studio\\Harbor Photo Studio.lnk","unchanged",null]]')"
e2e_finish
