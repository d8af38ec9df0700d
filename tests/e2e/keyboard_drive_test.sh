#!/usr/bin/env bash
# The window and a manager at the keyboard, driven from another process with
# real key presses (qb-drive keys: SendInput): Enter and Escape on every panel
# leave the program running, Tab reaches the navigation and Space and the access
# keys open its panels, Enter on a result opens its details, and Enter in a
# manager with a checked row removes nothing without asking.
. "$(dirname "$0")/../support/e2e.sh"
app="${1:?usage: keyboard_drive_test.sh Quillbane.exe qb-drive.exe}"
driver="${2:?qb-drive.exe missing}"

e2e_window_clone "$app" "$driver"
bho='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{51B0F00D-0000-4000-8000-0000000000B1}'
e2e_wine reg add 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts' /v 'Qb Keys (TrueType)' /d 'C:\gone\qbkeys.ttf' /f >/dev/null
e2e_wine reg add "$bho" /f >/dev/null
e2e_window_sections 3

wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/app.log" 2>&1 &
first=$!
check "the window opens" d wait "$main" 30
check "the focus starts on Scan Now" test "$(d until 10 1000 focus "$main")" = 1000

# Each step: keys, then a key whose effect shows (the focus moving on), read
# until it shows: the keys before it have been handled by then.
step() {  # step DESCRIPTION FOCUS_AFTER KEY...
  local what="$1" want="$2"; shift 2
  d keys "$main" "$@" >/dev/null
  check_same "$what" "$want" "$(d until 15 "$want" focus "$main")"
}
alive() { check "$1: the program still runs" test "$(d windows "$main")" = 1; }

step "Escape on Home, then Tab to Choose Sections" 1001 Escape Tab
alive "Home"
step "Tab reaches Restore Backup" 1002 Tab
step "Tab reaches Advanced Controls" 1003 Tab
step "Space on Advanced Controls opens its panel; Tab goes into it" 1057 Space Tab
check "the Advanced Controls panel shows" test "$(d until 10 1 visible "$main" 1037)" = 1
step "Tab to the log folder box" 1036 Tab Tab Tab Tab Tab Tab Tab
step "Enter and Escape in the log folder box" 1038 Enter Escape Tab
alive "Advanced Controls"
# An access key opens its entry's panel; the focus stays where it was, unless
# that control went with the panel it was on: then it is on the new panel.
step "Alt+S opens Scan Now; the focus goes to its list" 1008 Alt+S
step "Enter and Escape on the progress list" 1009 Enter Escape Tab
alive "Scan"
step "Alt+C opens Choose Sections; the hidden button's focus goes to its list" 1020 Alt+C
step "Enter and Escape on the sections list" 1021 Enter Escape Tab
alive "Choose Sections"
step "Alt+R opens Restore Backup; the focus goes to its date list" 1041 Alt+R
step "Enter and Escape on the date list" 1063 Enter Escape Tab
alive "Restore Backup"

# A scan from the keyboard, then Enter on its result row.
step "Alt+S, then Tab to Start Scan" 1009 Alt+S Tab
d keys "$main" Enter >/dev/null
check "Enter on Start Scan scans" test "$(d answer Quillbane 1 60)" = "Scan Complete"
check "the results take the focus" test "$(d until 15 1018 focus "$main")" = 1018
step "Escape on the results" 1018 Escape Down
alive "Results"
d keys "$main" Enter >/dev/null
check "Enter on a result row opens its details" d wait Details 20
d keys Details Escape >/dev/null
check "Escape closes the details" d gone Details 20
alive "Results after the details"

# The BHO Manager: Enter with a checked row closes it; Remove Checked asks first.
step "Alt+A, then Tab to BHO Manager" 1056 Alt+A Tab
manager='Browser Helper Object Manager'
for answer in close no; do
  d keys "$main" Space >/dev/null
  check "Space on BHO Manager opens it ($answer)" d wait "$manager" 20
  check "its one row" test "$(d until 10 1 count "$manager" 1023)" = 1
  d keys "$manager" Down Space >/dev/null
  check "the row is checked ($answer)" test "$(d until 10 1 checked "$manager" 1023 0)" = 1
  if [ "$answer" = close ]; then
    d keys "$manager" Enter >/dev/null
  else
    d keys "$manager" Tab Enter >/dev/null
    check "Remove Checked asks first" test "$(d answer Quillbane 7 20)" = "Remove 1 checked entry?"
    d keys "$manager" Escape >/dev/null
  fi
  check "the manager closes ($answer)" d gone "$manager" 20
  check "the entry is still there ($answer)" e2e_reg_has "$bho"
done

d keys "$main" Alt+F4 >/dev/null
check "Alt+F4 closes the window" d gone "$main" 20
check "the program has ended" timeout 20 tail --pid="$first" -f /dev/null
e2e_finish
