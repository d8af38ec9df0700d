#!/usr/bin/env bash
# An interrupted clean loses nothing. 3,000 stale values under one key; a clean is
# stopped mid-removal, once with Ctrl+C (SIGINT) and once killed outright (kill -9):
#   - Ctrl+C stops before the next item, finishes the archive and exits 3; the
#     archive holds exactly the values that are gone;
#   - after a kill, the next start packs the staged items into a "(recovered)"
#     archive and says so: every value that is gone is in an archive, nothing is
#     left only in the staging folder, and no empty or unreadable archive is left.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: removal_interrupt_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/Quillbane"
cp "$cli" "$drive/Quillbane/quillbane-cli.exe"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
backup="$drive/Quillbane/Backup"
stage="$(e2e_temp_dir)/PlovenTemp"
count=3000

{ echo REGEDIT4; echo
  echo '[HKEY_CURRENT_USER\Software\QbMany]'
  for i in $(seq 1 $count); do echo "\"v$i\"=\"C:\\\\qbgone\\\\v$i.exe\""; done; } >"$drive/many.reg"
seed() { e2e_wine regedit /S 'C:\many.reg' >/dev/null; }
# The value names still in the registry, one a line, sorted.
present() { e2e_wine reg query 'HKCU\Software\QbMany' | awk '$1 ~ /^v[0-9]+$/ {print $1}' | sort; }
# The QbMany value names recorded in archives' record files.
archived() { e2e_archived_values 'HKEY_CURRENT_USER\Software\QbMany' "$@"; }
# Starts a clean in the background; returns once it has staged at least 40 records.
start_clean() {
  rm -f "$E2E_DIR/clean.json"
  wine 'C:\Quillbane\quillbane-cli.exe' clean --sections 13 --json </dev/null \
    >"$E2E_DIR/clean.json" 2>"$E2E_DIR/clean.err" &
  pid=$!
  e2e_wait_for_size "$stage/Config.ini" 4000 120
}
seed
check "the seed is there" test "$(present | wc -l)" -eq "$count"

# Ctrl+C mid-removal.
start_clean
kill -INT "$pid" 2>/dev/null || true
wait "$pid" && rc=0 || rc=$?
tr -d '\r' <"$E2E_DIR/clean.json" >"$E2E_DIR/int.json"
check "Ctrl+C: exit 3" test "$rc" -eq 3
check "Ctrl+C: the report says the removal was aborted" test "$(jq -r .aborted "$E2E_DIR/int.json")" = true
archive=$(jq -r '.archive // empty' "$E2E_DIR/int.json" 2>/dev/null || true)
archive_unix=$(winepath -u "$archive" 2>/dev/null || true)
present >"$E2E_DIR/left.txt"
gone=$((count - $(wc -l <"$E2E_DIR/left.txt")))
check "Ctrl+C: the removal stopped part way" test "$gone" -gt 0 -a "$gone" -lt "$count"
check "Ctrl+C: the archive was finished" test -s "$archive_unix"
comm -23 <(seq 1 $count | sed 's/^/v/' | sort) "$E2E_DIR/left.txt" >"$E2E_DIR/gone.txt"
archived "$archive_unix" | sort >"$E2E_DIR/archived.txt" || true
check "Ctrl+C: the archive holds exactly the values that are gone" cmp -s "$E2E_DIR/gone.txt" "$E2E_DIR/archived.txt"
reported=$(jq '[.removed[] | select(.key == "Software\\QbMany")] | length' "$E2E_DIR/int.json" || echo -1)
check "Ctrl+C: the report counts them" test "$reported" -eq "$gone"
check "Ctrl+C: nothing is left in the staging folder" test ! -e "$stage/Config.ini"
out=$(run restore "$archive") && rc=0 || rc=$?
check "Ctrl+C: the archive restores" test "$rc" -eq 0 -a "$(present | wc -l)" -eq "$count"

# Killed mid-removal: no chance to finish anything.
start_clean
kill -9 "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
present >"$E2E_DIR/left.txt"
comm -23 <(seq 1 $count | sed 's/^/v/' | sort) "$E2E_DIR/left.txt" >"$E2E_DIR/gone.txt"
check "kill: some values were removed before the kill" test -s "$E2E_DIR/gone.txt"
check "kill: no empty or unreadable archive is left" \
  python3 -c 'import sys, zipfile; [zipfile.ZipFile(p).testzip() for p in sys.argv[1:]]' "$backup"/*.zip
before=$(ls "$backup"/*.zip 2>/dev/null | wc -l)

# The next start packs what the killed run had saved, and says so.
out=$(run backups --json) && rc=0 || rc=$?
check "next start: backups exits 0" test "$rc" -eq 0
check "next start: it says it recovered the interrupted run" grep -q 'interrupted.*(recovered)' "$E2E_DIR/stderr"
check "next start: one archive more" test "$(ls "$backup"/*.zip | wc -l)" -eq $((before + 1))
recovered=$(jq -r '.[] | select(.name | endswith("(recovered)")) | .path' <<<"$out" | head -1)
check "next start: the new archive is listed as recovered" test -n "$recovered"
recovered_unix=$(winepath -u "$recovered" 2>/dev/null || true)
archived "$recovered_unix" | sort >"$E2E_DIR/archived.txt" || true
check "next start: every value that is gone is in the recovered archive" \
  test -z "$(comm -23 "$E2E_DIR/gone.txt" "$E2E_DIR/archived.txt")"
check "next start: the staging folder holds nothing" test -z "$(ls -A "$stage" 2>/dev/null)"
out=$(run restore "$recovered") && rc=0 || rc=$?
check "next start: the recovered archive restores every value" test "$rc" -eq 0 -a "$(present | wc -l)" -eq "$count"

e2e_finish
