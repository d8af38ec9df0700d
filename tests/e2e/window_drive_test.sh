#!/usr/bin/env bash
# The window driven from another process, as a user drives it: qb-drive finds
# Quillbane.exe's window by its caption, clicks navigation entries and buttons
# with posted messages, answers the real message boxes with their buttons and
# reads counts and texts. Path: preferences, the three managers, scan, results,
# remove (with the backup question), restore, and a second start that only brings
# the first forward.
. "$(dirname "$0")/../support/e2e.sh"
app="${1:?usage: window_drive_test.sh Quillbane.exe qb-drive.exe}"
driver="${2:?qb-drive.exe missing}"

e2e_window_clone "$app" "$driver"

fonts='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
app_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\qbgone.exe'
settings='HKCU\Software\Tarnwick'
e2e_wine reg add "$fonts" /v 'Qb Gone (TrueType)' /d 'C:\gone\qbgone.ttf' /f >/dev/null
e2e_wine reg add "$fonts" /v 'Qb Ignore (TrueType)' /d 'C:\gone\qbignore.ttf' /f >/dev/null
e2e_wine reg add "$app_key" /ve /d 'C:\gone\qbgone.exe' /f >/dev/null
# Only Installed Fonts and Application Paths take part.
e2e_window_sections 3 9

wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/first.log" 2>&1 &
first=$!
check "the window opens" d wait "$main" 30
check "it opens on Home" test "$(d until 5 1 visible "$main" 1051)" = 1

# A second start ends at once and shows nothing.
timeout 30 wine 'C:\Quillbane\Quillbane.exe' </dev/null >/dev/null 2>&1 && rc=0 || rc=$?
check "a second start ends by itself" test "$rc" -eq 0
check "one window only" test "$(d windows "$main")" = 1

# Preferences: select every problem after a scan.
out=$(d click "$main" 1003 + press "$main" 1027 + click "$main" 1037 + answer Quillbane 1)
check "preferences are saved" test "$out" = "Preferences Saved"
check "Select All is stored" grep -q 0x1 <<<"$(e2e_reg_query "$settings" /v 'Select All')"

# Each manager opens from Advanced Controls, lists its entries and closes.
for manager in '1055 Startup Programs Manager' '1056 Browser Helper Object Manager' \
               '1057 Add Remove Programs Manager'; do
  id=${manager%% *}; caption=${manager#* }
  out=$(d click "$main" "$id" + wait "$caption" 20 + count "$caption" 1059 + click "$caption" 2 + gone "$caption" 20)
  check "$caption opens, lists its entries and closes" grep -Eq '^[0-9]+$' <<<"$out"
done

# The rows, the button's text and the cells are set one after another: each is
# read until it shows, so a read between two of them is not taken for a fault.
out=$(d click "$main" 1000 + until 10 2 count "$main" 1008 + until 10 'Start Scan' text "$main" 1009 + \
      until 10 Ready cell "$main" 1008 1 2)
check "Scan Now shows two Ready rows" test "$out" = "$(printf '2\nStart Scan\nReady')"
out=$(d click "$main" 1009 + answer Quillbane 1 60)
check "the scan completes" test "$out" = "Scan Complete"
out=$(d until 10 2 count "$main" 1018 + text "$main" 1054 + checked "$main" 1018 0 + cell "$main" 1008 1 2)
rows=$(sed -n 1p <<<"$out"); total=$(sed -n 2p <<<"$out")
check "one results row per affected section" test "$rows" = 2
check "the total is shown" grep -Eq '^Total Problems : [0-9]+$' <<<"$total"
check "rows start checked" test "$(sed -n 3p <<<"$out")" = 1
check "the progress rows finished" test "$(sed -n 4p <<<"$out")" = Finished

# The fonts' details (through "View Details"; the prefix has stale fonts of its
# own): one of ours is ignored for good, every other stays checked for removal.
out=$(d rowclick "$main" 1018 0 50 46 + wait Details 20 + count Details 1023 + find Details 1023 'Qb Ignore (TrueType)')
fonts_rows=$(head -1 <<<"$out"); row=$(tail -1 <<<"$out")
check "View Details lists the fonts" test "$fonts_rows" -ge 2
# (Rows start checked: Deselect All has been handled once the row reads unchecked.)
out=$(d click Details 1040 + until 10 0 checked Details 1023 "$row" + check Details 1023 "$row" + click Details 1060 + \
      until 10 $((fonts_rows - 1)) count Details 1023 + click Details 1039 + click Details 2 + gone Details 20 + \
      until 10 "Total Problems : $((${total##* } - 1))" text "$main" 1054)
check "Ignore Checked takes the checked row away" test "$(sed -n 2p <<<"$out")" = $((fonts_rows - 1))
check "the results total drops" test "$(tail -1 <<<"$out")" = "Total Problems : $((${total##* } - 1))"
check "the ignored value is on the list" grep -qF 'Qb Ignore (TrueType)' <<<"$(e2e_reg_query "$settings\Ignore")"

out=$(d click "$main" 1019 + answer Tarnwick 6 + answer Quillbane 1 120)
check "asked about the backup, then removed" test "$(tail -1 <<<"$out")" = "Selected Items Removed"
check "the font value is gone" e2e_reg_lacks "$fonts" 'Qb Gone (TrueType)'
check "the App Paths key is gone" e2e_reg_lacks "$app_key"
check "back on Home" test "$(d until 10 1 visible "$main" 1051)" = 1

# Show Items...: the archive's items; only the App Paths key is put back.
out=$(d click "$main" 1002 + until 10 1 count "$main" 1041 + select "$main" 1041 0 + click "$main" 1063 + \
      wait 'Backup Items' 20 + find 'Backup Items' 1023 Key)
key_row=$(tail -1 <<<"$out")
out=$(d check 'Backup Items' 1023 "$key_row" + click 'Backup Items' 1061 + answer Quillbane 1 120 + \
      click 'Backup Items' 2 + gone 'Backup Items' 20)
check "Restore Checked restores the checked item" test "$out" = "Items Restored"
check "the App Paths key is back alone" grep -qi 'qbgone.exe' <<<"$(e2e_reg_query "$app_key" /ve)"
check "the font value is still away" e2e_reg_lacks "$fonts" 'Qb Gone (TrueType)'

out=$(d click "$main" 1002 + until 10 1 count "$main" 1041 + select "$main" 1041 0 + click "$main" 1042 + answer Quillbane 1 120)
check "one backup is listed" test "$(head -1 <<<"$out")" = 1
# (The key restored above is there as saved: the message says so after its
# first line.)
[ "$(sed -n 2p <<<"$out" | cut -c1-14)" = "Items Restored" ] || echo "the driver read: $out"
check "the backup is restored" test "$(sed -n 2p <<<"$out" | cut -c1-14)" = "Items Restored"
check "the font value is back" e2e_reg_has "$fonts" 'Qb Gone (TrueType)'
check "the App Paths key is back" grep -qi 'qbgone.exe' <<<"$(e2e_reg_query "$app_key" /ve)"

# Advanced Controls: the ignore list, and taking its entry off.
out=$(d click "$main" 1003 + click "$main" 1062 + wait 'Ignored Items' 20 + count 'Ignored Items' 1023 + \
      cell 'Ignored Items' 1023 0 2 + check 'Ignored Items' 1023 0 + click 'Ignored Items' 1061 + \
      until 10 0 count 'Ignored Items' 1023 + click 'Ignored Items' 2 + gone 'Ignored Items' 20)
check "Ignored Items lists the value" test "$(sed -n 1,2p <<<"$out")" = $'1\nQb Ignore (TrueType)'
check "Remove Checked empties the list" test "$(sed -n 3p <<<"$out")" = 0
check "the entry left the registry" bash -c "! grep -qF 'Qb Ignore' <<<\"\$1\"" _ "$(e2e_reg_query "$settings\Ignore")"
check "the ignored value was never removed" e2e_reg_has "$fonts" 'Qb Ignore (TrueType)'

check "the close box ends the program" d close "$main" + gone "$main" 20
check "the program has ended" timeout 20 tail --pid="$first" -f /dev/null
e2e_finish
