#!/usr/bin/env bash
# Two removals at once: while a clean of 3,000 stale values is removing, a second
# clean and a restore are refused ("Another removal or restore is running", exit 2)
# without touching anything, and the first clean's archive holds every value it
# removed.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: removal_concurrent_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Quillbane/Backup"
cp "$cli" "$drive/Quillbane/quillbane-cli.exe"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
stage="$(e2e_temp_dir)/PlovenTemp"
count=3000

{ echo REGEDIT4; echo
  echo '[HKEY_CURRENT_USER\Software\QbMany]'
  for i in $(seq 1 $count); do echo "\"v$i\"=\"C:\\\\qbgone\\\\v$i.exe\""; done; } >"$drive/many.reg"
e2e_wine regedit /S 'C:\many.reg' >/dev/null
present() { e2e_wine reg query 'HKCU\Software\QbMany' | awk '$1 ~ /^v[0-9]+$/ {print $1}' | sort; }
check "the seed is there" test "$(present | wc -l)" -eq "$count"

wine 'C:\Quillbane\quillbane-cli.exe' clean --sections 13 --json </dev/null \
  >"$E2E_DIR/first.json" 2>"$E2E_DIR/first.err" &
first=$!
check "the first clean is removing" e2e_wait_for_size "$stage/Config.ini" 4000 120
logs=$(ls "$drive/Quillbane/logs" | wc -l)
staged=$(stat -c %s "$stage/Config.ini")

out=$(run clean --sections 13 --json) && rc=0 || rc=$?
check "a second clean exits 2" test "$rc" -eq 2
check "... saying another removal is running (on stderr, beside --json)" grep -q '^Another removal or restore is running' "$E2E_DIR/stderr"
out=$(run restore 'C:\Quillbane\Backup\none.zip') && rc=0 || rc=$?
check "a restore exits 2" test "$rc" -eq 2
check "... saying another removal is running" grep -q '^Another removal or restore is running$' <<<"$out"
check "... and neither wrote a scan log" test "$(ls "$drive/Quillbane/logs" | wc -l)" -eq "$logs"
check "... nor emptied the first clean's staging folder" test "$(stat -c %s "$stage/Config.ini" 2>/dev/null || echo 0)" -ge "$staged"

wait "$first" && rc=0 || rc=$?
tr -d '\r' <"$E2E_DIR/first.json" >"$E2E_DIR/first-lf.json"
check "the first clean exits 0" test "$rc" -eq 0
check "the first clean removed every value" test -z "$(present)"
archive=$(winepath -u "$(jq -r '.archive // empty' "$E2E_DIR/first-lf.json")" 2>/dev/null || true)
archived=$(e2e_archived_values 'HKEY_CURRENT_USER\Software\QbMany' "$archive" | wc -l)
check "the first clean's archive holds every value it removed" test "$archived" -eq "$count"

e2e_finish
