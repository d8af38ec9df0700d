#!/usr/bin/env bash
# What Windows starts at log-on, from the console: a user's and the machine's
# Run value and a Startup-folder shortcut are disabled and enabled again as
# Windows does it (only their StartupApproved values change, to exactly the
# bytes Windows writes), removed with a backup and restored byte for byte; an
# orphaned StartupApproved value is reported by the scan, removed and restored;
# a crafted Startup backup that names another key is refused; and the window's
# Startup Programs Manager, driven from another process, disables a checked row.
. "$(dirname "$0")/../support/e2e.sh"
usage="usage: startup_manager_test.sh quillbane-cli.exe qb-make-shortcut.exe Quillbane.exe qb-drive.exe"
cli="${1:?$usage}"; make_shortcut="${2:?$usage}"; app="${3:?$usage}"; driver="${4:?$usage}"

e2e_clone
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/QbSeed"
e2e_install "$cli" "$make_shortcut"
qb='C:\Quillbane\quillbane-cli.exe'
backup="$drive_c/Quillbane/Backup"
run='Software\Microsoft\Windows\CurrentVersion\Run'
approved='Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved'

echo x >"$drive_c/QbSeed/user.exe"
echo x >"$drive_c/QbSeed/link.exe"
e2e_wine reg add "HKCU\\$run" /v 'Qb User' /d '"C:\QbSeed\user.exe" /tray' /f >/dev/null
e2e_wine reg add "HKLM\\$run" /v 'Qb Machine' /t REG_EXPAND_SZ /d '%SystemRoot%\qbmachine.exe' /f >/dev/null
startup_win=$(e2e_wine cmd /c 'echo %APPDATA%\Microsoft\Windows\Start Menu\Programs\Startup')
startup=$(winepath -u "$startup_win" 2>/dev/null)
mkdir -p "$startup"
e2e_wine 'C:\Quillbane\make_shortcut.exe' "$startup_win\\Qb Link.lnk" 'C:\QbSeed\link.exe' >/dev/null
check "the Startup shortcut was written" test -s "$startup/Qb Link.lnk"
# The first scan writes the settings, and with them this account's archive key.
e2e_wine "$qb" scan --sections 1 --json >"$E2E_DIR/first.json" || true
check "a machine without StartupApproved values has no startup problems" \
  test "$(jq '.sections[] | select(.id == 1) | .count' "$E2E_DIR/first.json")" = 0

list() { e2e_wine "$qb" startup list --json; }
id_of() { jq -r --arg n "$2" '.[] | select(.name == $n) | .id' <<<"$1"; }
state() { jq -r --arg n "$2" '.[] | select(.name == $n) | .enabled' <<<"$1"; }
# A value's data as `reg query` shows it (type and hex digits or text).
value() { e2e_reg_query "$1" /v "$2" | awk -v n="$2" 'index($0, n) { sub(/^ *[^\t ]+( [^\t ]+)* +REG_/, "REG_"); print }'; }

before=$(list)
user=$(id_of "$before" 'Qb User'); machine=$(id_of "$before" 'Qb Machine'); link=$(id_of "$before" 'Qb Link')
check "the list holds both Run values and the shortcut" test -n "$user" -a -n "$machine" -a -n "$link"
check_same "what the list says of them" \
  "$(printf '%s\n' 'Qb User|"C:\QbSeed\user.exe" /tray|64|true|true' \
    'Qb Machine|C:\windows\qbmachine.exe|64|true|false' "Qb Link|C:\\QbSeed\\link.exe|null|true|true")" \
  "$(jq -r '.[] | select(.name | startswith("Qb")) | [.name, .command, (.bits // "null"), .enabled, .fileExists] | map(tostring) | join("|")' <<<"$before")"
run_user=$(value "HKCU\\$run" 'Qb User'); run_machine=$(value "HKLM\\$run" 'Qb Machine')
link_sum=$(md5sum <"$startup/Qb Link.lnk")

e2e_wine "$qb" startup disable --id "$user,$machine,$link" >"$E2E_DIR/disable.txt"
for entry in "HKCU\\$approved\\Run|Qb User" "HKLM\\$approved\\Run|Qb Machine" "HKCU\\$approved\\StartupFolder|Qb Link.lnk"; do
  data=$(value "${entry%%|*}" "${entry#*|}")
  check "${entry#*|} is disabled as Windows writes it (03, 0, the time)" \
    grep -Eq '^REG_BINARY +03000000[0-9A-F]{16}$' <<<"$data"
  check "${entry#*|}: the time is set" bash -c "! grep -q '0000000000000000\$' <<<'$data'"
done
after=$(list)
check "the list reads them disabled" test "$(state "$after" 'Qb User')$(state "$after" 'Qb Machine')$(state "$after" 'Qb Link')" = falsefalsefalse
check "the Run values are untouched" test "$(value "HKCU\\$run" 'Qb User')|$(value "HKLM\\$run" 'Qb Machine')" = "$run_user|$run_machine"
check "the shortcut is untouched" test "$(md5sum <"$startup/Qb Link.lnk")" = "$link_sum"

e2e_wine "$qb" startup enable --id "$user,$machine,$link" --json >"$E2E_DIR/enable.json"
check "each was changed" test "$(jq -r '[.items[].outcome] | join(",")' "$E2E_DIR/enable.json")" = changed,changed,changed
for entry in "HKCU\\$approved\\Run|Qb User" "HKLM\\$approved\\Run|Qb Machine" "HKCU\\$approved\\StartupFolder|Qb Link.lnk"; do
  check "${entry#*|} is enabled as Windows writes it (02 and zeros)" \
    test "$(value "${entry%%|*}" "${entry#*|}")" = 'REG_BINARY    020000000000000000000000'
done
check "enabling again changes nothing" \
  test "$(e2e_wine "$qb" startup enable --id "$user" --json | jq -r '.items[0].outcome')" = unchanged

# Removal: the user's entry while disabled, so its state travels with it.
e2e_wine "$qb" startup disable --id "$user" >/dev/null
disabled=$(value "HKCU\\$approved\\Run" 'Qb User')
e2e_wine "$qb" startup remove --id "$user,$link" --json >"$E2E_DIR/remove.json"
check "both are removed" test "$(jq -r '[.items[].outcome] | join(",")' "$E2E_DIR/remove.json")" = removed,removed
check "the Run value is gone" e2e_reg_lacks "HKCU\\$run" 'Qb User'
check "its state is gone with it" e2e_reg_lacks "HKCU\\$approved\\Run" 'Qb User'
check "the shortcut is gone" test ! -e "$startup/Qb Link.lnk"
e2e_wine "$qb" backups --json >"$E2E_DIR/backups.json"
check_same "the backups list both, by what they hold" "$(printf 'startup|Qb Link.lnk\nstartup|Qb User')" \
  "$(jq -r '.[] | select(.kind == "startup") | [.kind, .holds] | join("|")' "$E2E_DIR/backups.json" | sort)"
for holds in 'Qb User' 'Qb Link.lnk'; do
  path=$(jq -r --arg h "$holds" '.[] | select(.holds == $h) | .path' "$E2E_DIR/backups.json")
  e2e_wine "$qb" restore "$path" --list >/dev/null && rc=0 || rc=$?
  check "--list refuses a manager's backup as one, not as invalid (exit $rc)" \
    grep -q "manager's backup" "$E2E_DIR/stderr"
  e2e_wine "$qb" restore "$path" --json >"$E2E_DIR/restore.json" && rc=0 || rc=$?
  check "$holds is restored (exit $rc)" test "$(jq -r .result "$E2E_DIR/restore.json")" = restored
done
check "the Run value is back byte for byte" test "$(value "HKCU\\$run" 'Qb User')" = "$run_user"
check "its disabled state is back byte for byte" test "$(value "HKCU\\$approved\\Run" 'Qb User')" = "$disabled"
check "the shortcut is back byte for byte" test "$(md5sum <"$startup/Qb Link.lnk" 2>/dev/null)" = "$link_sum"

# An orphan: a state whose entry is gone, as Windows leaves one behind.
e2e_wine reg add "HKCU\\$approved\\Run" /v 'Qb Orphan' /t REG_BINARY /d 030000001122334455667788 /f >/dev/null
e2e_wine "$qb" scan --sections 1 --json >"$E2E_DIR/orphan.json" || true
check_same "the scan reports the orphan, not the live entries" "HKEY_CURRENT_USER|$approved\\Run|Qb Orphan|Disabled" \
  "$(jq -r '.sections[] | select(.id == 1) | .problems[] | [.root, .key, .valueName, .valueData] | join("|")' "$E2E_DIR/orphan.json")"
e2e_wine "$qb" clean --sections 1 --backup --json >"$E2E_DIR/clean.json" || true
check "it is removed" e2e_reg_lacks "HKCU\\$approved\\Run" 'Qb Orphan'
e2e_wine "$qb" restore "$(jq -r .archive "$E2E_DIR/clean.json")" >/dev/null || true
check "and restored byte for byte" \
  test "$(value "HKCU\\$approved\\Run" 'Qb Orphan')" = 'REG_BINARY    030000001122334455667788'

# A crafted Startup backup: another key beside a Run value. Untagged, it is
# declined; trusted, it is refused whole, and nothing of it is written.
crafted='C:\Quillbane\Backup\StartupBackup\1,1,2030_0,0,0.reg'
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n"Qb Crafted"="x.exe"\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Evil]\r\n"x"="y"\r\n\r\n' "$run" |
  iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$backup/StartupBackup/1,1,2030_0,0,0.reg"
e2e_wine "$qb" restore "$crafted" --json >"$E2E_DIR/declined.json" 2>/dev/null && rc=0 || rc=$?
check "an untagged backup is declined (exit $rc)" test "$rc" -eq 2 -a "$(jq -r .result "$E2E_DIR/declined.json")" = declined
e2e_wine "$qb" restore "$crafted" --trust-archive --json >"$E2E_DIR/crafted.json" && rc=0 || rc=$?
check "trusted, it is refused (exit $rc)" test "$rc" -eq 2 -a "$(jq -r '[.items[].outcome] | unique | join(",")' "$E2E_DIR/crafted.json")" = refused
check "HKLM\\SOFTWARE\\Evil was not written" e2e_reg_lacks 'HKLM\SOFTWARE\Evil'
check "nor the Run value beside it" e2e_reg_lacks "HKCU\\$run" 'Qb Crafted'

# The window: Advanced Controls, Startup Manager; check a row, Disable Checked.
cp "$app" "$drive_c/Quillbane/Quillbane.exe"
cp "$driver" "$drive_c/qb-drive.exe"
d() {
  e2e_wine 'C:\qb-drive.exe' "$@" && return 0
  echo "qb-drive $1 ... exited $?, read: $(tr '\n' '|' <"$E2E_DIR/stdout")" >&2
  return 1
}
main='Quillbane v2.1 '; manager='Startup Programs Manager'
wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/window.log" 2>&1 &
check "the window opens" d wait "$main" 30
row=$(d click "$main" 1003 + click "$main" 1055 + wait "$manager" 20 + find "$manager" 1023 'Qb Machine')
check "the manager lists the machine's entry" test -n "$row"
check "its state reads Enabled" test "$(d cell "$manager" 1023 "$row" 2)" = Enabled
out=$(d check "$manager" 1023 "$row" + click "$manager" 1066 + answer Quillbane 1 30)
check_same "Disable Checked says what it did" "1 entry disabled." "$out"
check "the list reads it Disabled" \
  test "$(d find "$manager" 1023 'Qb Machine' >/dev/null && d cell "$manager" 1023 "$(d find "$manager" 1023 'Qb Machine')" 2)" = Disabled
check "the registry says so as Windows writes it" \
  grep -Eq '^REG_BINARY +03000000[0-9A-F]{16}$' <<<"$(value "HKLM\\$approved\\Run" 'Qb Machine')"
d click "$manager" 2 + gone "$manager" 20 + close "$main" >/dev/null || true

e2e_finish
