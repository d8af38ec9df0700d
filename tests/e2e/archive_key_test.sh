#!/usr/bin/env bash
# This account's archive key stops reading (damaged here; in life, the system no
# longer unlocks it after an administrator reset the password). The next clean
# keeps it aside, makes a new one, and says once which earlier archives can no
# longer be verified. Archives are checked against every key still held: when
# the old key reads again, its archives restore without a question again.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: archive_key_test.sh quillbane-cli.exe}"

e2e_clone
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
settings='HKCU\Software\Tarnwick'
sounds='HKCU\Control Panel\Sounds'
key_bytes() { e2e_reg_query "$settings" /v "$1" | awk -v n="$1" '$1 == n {print $3}'; }

e2e_wine reg add "$sounds" /v 'Qb First' /d 'C:\gone\first.wav' /f >/dev/null
run clean --sections 4 --json >"$E2E_DIR/first.json" || true
first=$(jq -r .archive "$E2E_DIR/first.json")
good=$(key_bytes ArchiveKey)
check "the first clean made a key and a tagged archive" test -n "$good" -a -n "$first"
first_name=$(run backups --json | jq -r --arg p "$first" '.[] | select(.path == $p) | .name')

e2e_wine reg add "$settings" /v ArchiveKey /t REG_BINARY /d 0badc0de /f >/dev/null
e2e_wine reg add "$sounds" /v 'Qb Second' /d 'C:\gone\second.wav' /f >/dev/null
run clean --sections 4 --json >"$E2E_DIR/second.json" || true
second=$(jq -r .archive "$E2E_DIR/second.json")
notice=$(jq -r '.archiveKeyNotice // empty' "$E2E_DIR/second.json")
check "the unreadable key is kept aside as it was" test "$(key_bytes ArchiveKey.1)" = 0BADC0DE
check "a new key took its place" test -n "$(key_bytes ArchiveKey)" -a "$(key_bytes ArchiveKey)" != 0BADC0DE
check "the user is told, naming the archive that can no longer be verified" \
  grep -qF "$first_name" <<<"$notice"
e2e_wine reg add "$sounds" /v 'Qb Third' /d 'C:\gone\third.wav' /f >/dev/null
out=$(run clean --sections 4 --json) || true
check "... once: the next archive is made with the new key, silently" \
  test -n "$(jq -r '.archive // empty' <<<"$out")" -a -z "$(jq -r '.archiveKeyNotice // empty' <<<"$out")"

run restore "$second" >/dev/null && rc=0 || rc=$?
check "the new archive restores without a question (exit 0)" test "$rc" -eq 0
run restore "$first" >/dev/null && rc=0 || rc=$?
check "the first one cannot be verified: nothing restored without --trust-archive (exit 2)" test "$rc" -eq 2
check "... so its value is not back" e2e_reg_lacks "$sounds" 'Qb First'

# The old key reads again: its archives check again.
e2e_wine reg add "$settings" /v ArchiveKey.1 /t REG_BINARY /d "$good" /f >/dev/null
run restore "$first" >/dev/null && rc=0 || rc=$?
check "with the old key readable again, the first archive restores (exit 0)" test "$rc" -eq 0
check "... and its value is back" e2e_reg_has "$sounds" 'Qb First'
e2e_finish
