#!/usr/bin/env bash
# The ignore list from the console: a value, a whole key and a shortcut added
# with `ignore add` leave exactly those problems out of the next scan (siblings
# whose names start the same are still reported) and are counted as ignored;
# junk in the Ignore key is passed over; `ignore remove` brings them back. The
# JSON shapes of `ignore list` and of the scan's "ignored" are checked here.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: ignore_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: ignore_test.sh quillbane-cli.exe qb-make-shortcut.exe}"

e2e_clone
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/QbSeed"
e2e_install "$cli" "$make_shortcut"
qb='C:\Quillbane\quillbane-cli.exe'
fonts='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
paths='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
ignore='HKCU\Software\Tarnwick\Ignore'

echo x >"$drive_c/QbSeed/target.exe"
e2e_wine 'C:\Quillbane\make_shortcut.exe' 'C:\QbSeed\dead.lnk' 'C:\QbSeed\target.exe' \
  'C:\QbSeed\dead2.lnk' 'C:\QbSeed\target.exe' >/dev/null
rm -f "$drive_c/QbSeed/target.exe"
check "the shortcuts were written" test -s "$drive_c/QbSeed/dead.lnk" -a -s "$drive_c/QbSeed/dead2.lnk"
e2e_wine reg add "$fonts" /v 'Qb Gone' /d 'C:\gone\a.ttf' /f >/dev/null
e2e_wine reg add "$fonts" /v 'Qb Gone 2' /d 'C:\gone\b.ttf' /f >/dev/null
e2e_wine reg add "$paths\\qbgone.exe" /ve /d 'C:\gone\a.exe' /f >/dev/null
e2e_wine reg add "$paths\\qbgone.exe2" /ve /d 'C:\gone\b.exe' /f >/dev/null

# Our seeded problems as "section|item" lines, and the ignored counts.
seeded() {
  jq -r '.sections[] | .id as $id | .problems[] |
    [$id, (.linkPath // (.key + "|" + .valueName))] | map(tostring) | join("|")' "$1" |
    grep -E 'Qb Gone|qbgone|QbSeed' | LC_ALL=C sort
}
scan() {  # scan NAME: a console scan of the three sections into NAME.json
  local rc=0
  e2e_wine "$qb" scan --sections 3,9,14 --json >"$E2E_DIR/$1.json" || rc=$?
  [ "$rc" -eq 1 ] || { echo "the scan '$1' ended with exit code $rc:"; cat "$E2E_DIR/stderr"; }
}
all=$'14|C:\\QbSeed\\dead.lnk\n14|C:\\QbSeed\\dead2.lnk\n3|SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts|Qb Gone\n3|SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts|Qb Gone 2\n9|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe2|\n9|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe|'

scan before
# Should the seeded set differ, how each section ended (and which shortcuts the
# walk did report) says why.
[ "$(seeded "$E2E_DIR/before.json")" = "$all" ] || {
  jq -c '[.status, (.sections[] | [.id, .status, .count, .ignored])]' "$E2E_DIR/before.json"
  jq -c '[.sections[] | select(.id == 14) | .problems[].linkPath][:10]' "$E2E_DIR/before.json"
  ls -la "$drive_c/QbSeed"
}
check_same "all six seeded problems are found" "$all" "$(seeded "$E2E_DIR/before.json")"
check "nothing is ignored without a list" test "$(jq -c '[.sections[].ignored]' "$E2E_DIR/before.json")" = '[0,0,0]'
e2e_wine "$qb" scan --sections 3 >"$E2E_DIR/before.txt" || true
check "the text report says nothing of ignoring" bash -c "! grep -qi ignored '$E2E_DIR/before.txt'"

out=$(e2e_wine "$qb" ignore add --key "$fonts" --value 'Qb Gone')
check "a value is added" test "$out" = "Ignored: Value: $fonts\\\\Qb Gone"
e2e_wine "$qb" ignore add --key 'hklm\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\qbgone.exe\' >/dev/null
e2e_wine "$qb" ignore add --link 'C:\QbSeed\dead.lnk' >/dev/null
out=$(e2e_wine "$qb" ignore add --link 'c:\qbseed\DEAD.lnk')
check "the same shortcut in other letters is there already" grep -q '^Already ignored: ' <<<"$out"
e2e_wine "$qb" ignore add --key 'HKEY_USERS\.DEFAULT\x' >/dev/null 2>&1 && rc=0 || rc=$?
check "another root is refused (exit 2)" test "$rc" -eq 2

# Junk beside the entries: other types, an empty text, a 16,383-character name.
long=$(printf 'n%.0s' $(seq 16383))
e2e_wine reg add "$ignore" /v 900 /t REG_DWORD /d 5 /f >/dev/null
e2e_wine reg add "$ignore" /v empty /d '' /f >/dev/null
e2e_wine reg add "$ignore" /v bin /t REG_BINARY /d 00ff /f >/dev/null
e2e_wine reg add "$ignore" /v "$long" /d 'Key: nowhere' /f >/dev/null
check "the long name is stored" bash -c "wine reg query '$ignore' </dev/null 2>/dev/null | grep -q nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"

e2e_wine "$qb" ignore list --json >"$E2E_DIR/list.json"
check "ignore list --json: the three entries and their shapes" test \
  "$(jq -c '[.[] | [.id, .type, .root, .key, .valueName, .linkPath]]' "$E2E_DIR/list.json")" = \
  '[["1","REG_VALUE","HKEY_LOCAL_MACHINE","SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts","Qb Gone",null],["2","REG_KEY","HKEY_LOCAL_MACHINE","SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qbgone.exe",null,null],["3","FILE",null,null,null,"C:\\QbSeed\\dead.lnk"]]'
check "each entry carries its identity text" test "$(jq -r '.[2].text' "$E2E_DIR/list.json")" = 'Shortcut: C:\QbSeed\dead.lnk'

scan ignoring
check_same "exactly the three ignored problems are left out" \
  "$(grep -v -e '|Qb Gone$' -e 'qbgone.exe|$' -e 'dead.lnk$' <<<"$all")" "$(seeded "$E2E_DIR/ignoring.json")"
check_same "each section counts its ignored problem" '[[3,1],[9,1],[14,1]]' \
  "$(jq -c '[.sections[] | [.id, .ignored]]' "$E2E_DIR/ignoring.json")"
check "the counts are of the problems reported" test \
  "$(jq '[.sections[].count] | add' "$E2E_DIR/ignoring.json")" -eq "$(jq .totalProblems "$E2E_DIR/ignoring.json")"
e2e_wine "$qb" scan --sections 3,9 >"$E2E_DIR/ignoring.txt" || true
check "the text report counts them per section" grep -q '^Installed Fonts .*problems\?, 1 ignored$' "$E2E_DIR/ignoring.txt"
check "and in all" grep -qxF 'Ignored : 2 ignored (Installed Fonts : 1, Application Paths : 1)' "$E2E_DIR/ignoring.txt"
# Scans within the same second share a log file: the last scan's part starts at
# the last header.
log=$(ls -t "$drive_c/Quillbane/logs/"Date*.txt | head -1)
tr -d '\r' <"$log" | awk '/^Quillbane / { part = "" } { part = part $0 "\n" } END { printf "%s", part }' \
  >"$E2E_DIR/log.txt"
check "the log header says how many were ignored" grep -qzF \
  $'OS : Windows 7 Service Pack 1\n2 ignored (Installed Fonts : 1, Application Paths : 1)\n---------------------' "$E2E_DIR/log.txt"
check "the log has no block for them" bash -c "! grep -q 'ValueName : Qb Gone$' '$E2E_DIR/log.txt'"

out=$(e2e_wine "$qb" ignore remove --key "$fonts" --value 'Qb Gone')
check "a value is taken off" test "$out" = "Removed from the ignore list: Value: $fonts\\\\Qb Gone"
e2e_wine "$qb" ignore remove --id 3 >/dev/null
e2e_wine "$qb" ignore remove --link 'C:\QbSeed\dead.lnk' >/dev/null 2>&1 && rc=0 || rc=$?
check "removing what is not there fails (exit 2)" test "$rc" -eq 2
scan after
check_same "the removed entries are reported again, the key stays ignored" \
  "$(grep -v 'qbgone.exe|$' <<<"$all")" "$(seeded "$E2E_DIR/after.json")"

# An entry stored as the Ignore key's default value (it has no name) lists with
# an id all the same, and that id takes it off.
e2e_wine reg add "$ignore" /ve /d 'Shortcut: C:\QbSeed\default.lnk' /f >/dev/null
id=$(e2e_wine "$qb" ignore list --json | jq -r '.[] | select(.linkPath == "C:\\QbSeed\\default.lnk") | .id')
check "the default value's entry has an id" test "$id" = '(Default)'
e2e_wine "$qb" ignore remove --id "$id" >/dev/null && rc=0 || rc=$?
check "... which removes it" test "$rc" -eq 0 -a -z "$(e2e_wine "$qb" ignore list --json | jq -r '.[] | select(.linkPath == "C:\\QbSeed\\default.lnk") | .id')"
e2e_finish
