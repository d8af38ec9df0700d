#!/usr/bin/env bash
# An interrupted clean loses nothing, and a second one cannot spoil the first.
# 1,000 stale values; a clean is held in the middle of its removal (the test-only
# QUILLBANE_TEST_HOLD_AT pause), then:
#   - a second clean (also one with another TEMP folder, as another logon
#     session of the user has) and a restore are refused and touch nothing;
#   - Ctrl+C stops it before the next item: exit 3, and its archive holds exactly
#     the values that are gone;
#   - killed outright instead (kill -9), the next start packs what it had saved
#     into a "(recovered)" archive and says so: nothing is left only in the staging
#     folder, and no empty or unreadable archive is left behind;
#   - killed while it saves whole keys, the recovered archive holds each gone
#     key's export and gives the keys back.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: removal_interrupt_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
backup="$drive/Quillbane/Backup"
stage="$(e2e_temp_dir)/PlovenTemp"
hold="$drive/hold.flag"
count=1000

{ echo REGEDIT4; echo
  echo '[HKEY_CURRENT_USER\Software\QbMany]'
  for i in $(seq 1 $count); do echo "\"v$i\"=\"C:\\\\qbgone\\\\v$i.exe\""; done; } >"$drive/many.reg"
e2e_wine regedit /S 'C:\many.reg' >/dev/null
present() { e2e_wine reg query 'HKCU\Software\QbMany' | awk '$1 ~ /^v[0-9]+$/ {print $1}' | sort; }
gone() { comm -23 <(seq 1 $count | sed 's/^/v/' | sort) <(present); }
# The QbMany value names an archive's record file holds.
archived() {
  python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).read("Config.ini").decode())' "$1" |
    tr -d '\r' | sed -n 's/^\[VALUE_NAME:\(v[0-9]*\)\]$/\1/p' | sort
}
check "the seed is there" test "$(present | wc -l)" -eq "$count"
# Starts a clean (of SECTIONS, 13) that holds before its AT-th item (400), and
# waits for the hold.
start_clean() {
  QUILLBANE_TEST_HOLD='C:\hold.flag' QUILLBANE_TEST_HOLD_AT=${2:-400} \
    wine 'C:\Quillbane\quillbane-cli.exe' clean --sections "${1:-13}" --json </dev/null \
    >"$E2E_DIR/clean.json" 2>/dev/null &
  pid=$!
  e2e_wait_for_size "$hold" 0 120
}

check "a clean holds in the middle of its removal" start_clean
logs=$(ls "$drive/Quillbane/logs" | wc -l)
staged=$(stat -c %s "$stage/Config.ini" 2>/dev/null || echo 0)
out=$(run clean --sections 13) && rc=0 || rc=$?
check "a second clean exits 2" test "$rc" -eq 2
check "... saying another removal is running" grep -qx 'Another removal or restore is running' <<<"$out"
out=$(run restore 'C:\Quillbane\Backup\none.zip') && rc=0 || rc=$?
check "a restore exits 2, saying the same" test "$rc" -eq 2 -a "$out" = 'Another removal or restore is running'
# Another logon session of the same user has a TEMP folder of its own: one
# lock per user account covers it all the same.
mkdir -p "$drive/session2"
out=$(e2e_wine cmd /c 'set TEMP=C:\session2&& set TMP=C:\session2&& C:\Quillbane\quillbane-cli.exe clean --sections 13') || true
check "a clean with another TEMP folder (another session) is refused as well" \
  grep -qx 'Another removal or restore is running' <<<"$out"
check "... and neither wrote a scan log" test "$(ls "$drive/Quillbane/logs" | wc -l)" -eq "$logs"
check "... nor touched the first one's staging folder" test "$(stat -c %s "$stage/Config.ini")" -eq "$staged"

# Ctrl+C ends the hold itself: the program goes on only once it has seen it.
kill -INT "$pid" || true
wait "$pid" && rc=0 || rc=$?
rm -f "$hold"
tr -d '\r' <"$E2E_DIR/clean.json" >"$E2E_DIR/int.json"
check "Ctrl+C: exit 3" test "$rc" -eq 3
check "Ctrl+C: the report says the removal was aborted" test "$(jq -r .aborted "$E2E_DIR/int.json")" = true
gone >"$E2E_DIR/gone.txt"
check "Ctrl+C: the removal stopped where it was" test "$(wc -l <"$E2E_DIR/gone.txt")" -ge 399 -a "$(wc -l <"$E2E_DIR/gone.txt")" -le 400
archive=$(jq -r '.archive // empty' "$E2E_DIR/int.json")
check "Ctrl+C: the archive holds exactly the values that are gone" \
  cmp -s "$E2E_DIR/gone.txt" <(archived "$(e2e_wine winepath -u "$archive")")
check "Ctrl+C: nothing is left in the staging folder" test ! -e "$stage/Config.ini"
out=$(run restore "$archive") && rc=0 || rc=$?
check "Ctrl+C: the archive restores" test "$rc" -eq 0 -a "$(present | wc -l)" -eq "$count"

check "kill: a clean holds in the middle of its removal" start_clean
kill -9 "$pid" || true
wait "$pid" 2>/dev/null || true
gone >"$E2E_DIR/gone.txt"
check "kill: values were removed before the kill" test -s "$E2E_DIR/gone.txt"
check "kill: no empty or unreadable archive is left" \
  python3 -c 'import sys, zipfile; [zipfile.ZipFile(p).testzip() for p in sys.argv[1:]]' "$backup"/*.zip
out=$(run backups --json) && rc=0 || rc=$?
check "next start: it says it packed the interrupted run's items" grep -q 'interrupted.*(recovered)' "$E2E_DIR/stderr"
recovered=$(jq -r '.[] | select(.name | endswith("(recovered)")) | .path' <<<"$out" | head -1)
check "next start: every value that is gone is in the listed recovered archive" \
  test -n "$recovered" -a -z "$(comm -23 "$E2E_DIR/gone.txt" <(archived "$(e2e_wine winepath -u "$recovered")"))"
check "next start: the staging folder holds nothing" test -z "$(ls -A "$stage" 2>/dev/null)"
out=$(run restore "$recovered") && rc=0 || rc=$?
check "next start: the recovered archive restores every value" test "$rc" -eq 0 -a "$(present | wc -l)" -eq "$count"

# The same kill while whole keys are saved (their exports wait in one staging
# file): the recovered archive names each gone key, holds its export, and
# gives it back.
apps='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
{ echo REGEDIT4; echo
  for i in $(seq 101 300); do printf '[%s\\qbkill%d.exe]\n@="C:\\\\qbgone\\\\k%d.exe"\n\n' "$apps" "$i" "$i"; done
} >"$drive/keys.reg"
e2e_wine regedit /S 'C:\keys.reg' >/dev/null
keys() { e2e_wine reg query "$apps" | grep -o 'qbkill[0-9]*\.exe$' | sort; }
check "keys: the seed is there" test "$(keys | wc -l)" -eq 200
rm -f "$drive"/Quillbane/Backup/*.zip "$hold"
check "keys: a clean holds in the middle of its removal" start_clean 9 100
kill -9 "$pid" || true
wait "$pid" 2>/dev/null || true
comm -23 <(seq 101 300 | sed 's/.*/qbkill&.exe/' | sort) <(keys) >"$E2E_DIR/gone-keys.txt"
check "keys: keys were removed before the kill" test -s "$E2E_DIR/gone-keys.txt"
out=$(run backups --json) && rc=0 || rc=$?
recovered=$(jq -r '.[] | select(.name | endswith("(recovered)")) | .path' <<<"$out" | head -1)
# The gone keys the recovered archive names, each only when its export is in it.
exported_keys() {
  python3 -c 'import re, sys, zipfile
z = zipfile.ZipFile(sys.argv[1]); names = set(z.namelist())
text = z.read("Config.ini").decode().replace("\r", "")
for key, path in re.findall(r"\[NAME:.*\\(qbkill\d+\.exe)\]\n\[PATH:\\(RegKeyBkup\d+\.reg)\]", text):
    if path in names: print(key)' "$1" | sort
}
check "keys: every gone key and its export are in the recovered archive" \
  test -n "$recovered" -a -z "$(comm -23 "$E2E_DIR/gone-keys.txt" <(exported_keys "$(e2e_wine winepath -u "$recovered")"))"
out=$(run restore "$recovered") && rc=0 || rc=$?
check "keys: the recovered archive gives every key back" test "$rc" -eq 0 -a "$(keys | wc -l)" -eq 200

e2e_finish
