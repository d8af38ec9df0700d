#!/usr/bin/env bash
# A program removed by a clean and then installed again: restoring the clean's
# archive puts back nothing over the new data unless told to. The console keeps
# both items, names them and exits 2; --replace writes the saved data; a second
# restore finds everything there as saved (nothing to do, exit 0). The window
# asks once, No being the default: No keeps the new data, Yes replaces it -
# each answered by its button from another process.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: restore_newer_test.sh quillbane-cli.exe Quillbane.exe qb-drive.exe}"
app="${2:?Quillbane.exe missing}"
driver="${3:?qb-drive.exe missing}"

e2e_window_clone "$app" "$driver"
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QbHarbor'
sounds='HKCU\Control Panel\Sounds'

e2e_wine reg add "$entry" /v DisplayName /d 'Harbor Photo Studio' /f >/dev/null
e2e_wine reg add "$entry" /v DisplayVersion /d 4.2.1 /f >/dev/null
e2e_wine reg add "$entry" /v UninstallString /d 'C:\QbHarbor\uninst.exe' /f >/dev/null
e2e_wine reg add "$sounds" /v 'Qb Harbor Chime' /d 'C:\QbHarbor\chime.wav' /f >/dev/null
run clean --sections 4,10 --json >"$E2E_DIR/clean.json" || true
archive=$(jq -r .archive "$E2E_DIR/clean.json")
check "the clean removed the entry and the sound" test "$(jq '.removed | length' "$E2E_DIR/clean.json")" -eq 2

# Installed again: version 5.0, its own uninstaller and chime.
reinstall() {
  mkdir -p "$drive/QbHarbor"
  printf 'MZ' >"$drive/QbHarbor/uninst5.exe"
  printf 'RIFF' >"$drive/QbHarbor/chime5.wav"
  e2e_wine reg add "$entry" /v DisplayName /d 'Harbor Photo Studio' /f >/dev/null
  e2e_wine reg add "$entry" /v DisplayVersion /d 5.0 /f >/dev/null
  e2e_wine reg add "$entry" /v UninstallString /d 'C:\QbHarbor\uninst5.exe' /f >/dev/null
  e2e_wine reg add "$sounds" /v 'Qb Harbor Chime' /d 'C:\QbHarbor\chime5.wav' /f >/dev/null
}
version() { e2e_reg_query "$entry" /v DisplayVersion | awk '/DisplayVersion/ {print $3}'; }
chime() { e2e_reg_query "$sounds" /v 'Qb Harbor Chime' | awk -F'    ' '/Qb Harbor Chime/ {print $4}'; }
reinstall

out=$(run restore "$archive") && rc=0 || rc=$?
check "restore over the new install exits 2" test "$rc" -eq 2
check "... naming the entry as kept" \
  grep -qF 'QbHarbor: kept the current data: changed since the backup' <<<"$out"
check "... and the sound" grep -qF 'Qb Harbor Chime"): kept the current data' <<<"$out"
check "... and saying how to replace them" grep -q -- '--replace' <<<"$out"
check "the new version stays" test "$(version)" = 5.0
check "the new chime stays" test "$(chime)" = 'C:\QbHarbor\chime5.wav'

run restore "$archive" --json >"$E2E_DIR/kept.json" || true
check "the JSON names both items as kept, with the reason" test \
  "$(jq -c '[.result, (.items[] | [.outcome, .reason])]' "$E2E_DIR/kept.json")" = \
  '["errors",["kept","kept the current data: changed since the backup"],["kept","kept the current data: changed since the backup"]]'

run restore "$archive" --replace >/dev/null && rc=0 || rc=$?
check "--replace exits 0" test "$rc" -eq 0
check "... and puts back the saved version" test "$(version)" = 4.2.1
check "... and the saved chime" test "$(chime)" = 'C:\QbHarbor\chime.wav'
out=$(run restore "$archive") && rc=0 || rc=$?
check "restoring again finds both there as saved: exit 0" test "$rc" -eq 0
check "... nothing to do" grep -q '2 items were there already as saved' <<<"$out"

# The window: one question, answered No, then Yes.
reinstall
wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/window.log" 2>&1 &
window=$!
check "the window opens" d wait "$main" 30
restore_in_window() {  # restore_in_window BUTTON: prints the question and the result
  d click "$main" 1002 + until 10 1 count "$main" 1041 + select "$main" 1041 0 + click "$main" 1042 + \
    answer Quillbane "$1" 120 + answer Quillbane 1 120
}
out=$(restore_in_window 7)
check_same "the window asks once whether to replace" \
  '2 saved items exist now with other data. Replace them with the saved data?' "$(sed -n 2p <<<"$out")"
check "No: the result names what was kept" grep -q '^Not all backed items.*QbHarbor: kept the current data' <<<"$(sed -n 3p <<<"$out")"
check "No: the new version stays" test "$(version)" = 5.0
out=$(restore_in_window 6)
check "Yes: Items Restored" grep -q '^Items Restored .*2 items were replaced' <<<"$(sed -n 3p <<<"$out")"
check "Yes: the saved version is back" test "$(version)" = 4.2.1
check "Yes: the saved chime is back" test "$(chime)" = 'C:\QbHarbor\chime.wav'
check "the window closes" d close "$main" + gone "$main" 20
timeout 20 tail --pid="$window" -f /dev/null || true
e2e_finish
