#!/usr/bin/env bash
# The demo as a newcomer runs it: every section with a scanner reports at least
# one leftover of the badly removed program and nothing of the healthy one, the
# clean and the restore run, and the machine ends as it started (a second scan
# finds exactly what the first one found).
. "$(dirname "$0")/../support/e2e.sh"

E2E_DIR="$(mktemp -d "${QB_BUILD}/ship.XXXXXX")"
trap 'rm -rf "$E2E_DIR"' EXIT
export DEMO_PREFIX="$E2E_DIR/prefix" DEMO_JSON="$E2E_DIR/first.json"
out=$("$QB_ROOT/scripts/demo" "$QB_BUILD" 2>&1) && rc=0 || rc=$?
check "the demo runs to its end" test "$rc" -eq 0
check "it ends by naming the window's command" grep -q 'make run PREFIX=' <<<"$out"
check "clean wrote a backup" grep -q '^Backup: C:\\Program Files\\Quillbane\\Backup\\' <<<"$out"
# The leftovers' values the full registry scan also reports go with their keys.
check "clean removes everything it found and keeps nothing" grep -qE '^Removed [1-9][0-9]*, kept 0\.$' <<<"$out"
check "restore put it back" grep -q '^Items Restored$' <<<"$out"

# Per section: [id, status, leftovers found, healthy entries reported].
found=$(jq -c '[.sections[] | [.id, .status,
  ([.problems[] | tostring | ascii_downcase | select(contains("harbor"))] | length),
  ([.problems[] | tostring | ascii_downcase | select(contains("fernleaf"))] | length)]]' "$DEMO_JSON")
echo "sections: $found"
check "the scan completes" test "$(jq -r .status "$DEMO_JSON")" = "Scan Complete"
check "every section with a scanner finds a leftover" \
  test "$(jq '[.[] | select(.[0] != 1 and .[2] == 0)] | length' <<<"$found")" -eq 0
check "no section reports a healthy entry" test "$(jq '[.[] | select(.[3] > 0)] | length' <<<"$found")" -eq 0
check "all thirteen sections finish" test "$(jq '[.[] | select(.[1] == "Finished")] | length' <<<"$found")" -eq 13

# The healthy program is really there to be looked at.
export WINEPREFIX="$DEMO_PREFIX" WINEDEBUG=-all
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$E2E_DIR"' EXIT
check "the healthy entries are in the registry" \
  bash -c "wine reg query 'HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\FernleafNotes' </dev/null 2>/dev/null | grep -q 'Fernleaf Notes 3.0'"
check "the healthy shortcuts are there" test -s "$DEMO_PREFIX/drive_c/users/Public/Desktop/Fernleaf Notes.lnk"

problems() { jq -c '[.sections[] | .problems[]] | sort' "$1"; }
(cd "$DEMO_PREFIX/drive_c" && wine 'C:\Program Files\Quillbane\quillbane-cli.exe' scan --json </dev/null 2>/dev/null |
  tr -d '\r' >"$E2E_DIR/again.json") || true
check "after the restore the machine is as it was" test "$(problems "$DEMO_JSON")" = "$(problems "$E2E_DIR/again.json")"
e2e_finish
