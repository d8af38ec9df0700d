#!/usr/bin/env bash
# The window during a removal of 60 keys held before its third item (the test
# hold: the window creates C:\hold.txt and goes on answering until the file is
# deleted or the user stops the removal), driven from another process: a double click on Remove
# Problems starts one removal, not two; while it runs the window answers and
# shows where it is; Abort stops it before the next item with its archive
# finished; Close asks, and Yes stops it the same way and closes the window.
. "$(dirname "$0")/../support/e2e.sh"
app="${1:?usage: window_removal_test.sh Quillbane.exe qb-drive.exe}"
driver="${2:?qb-drive.exe missing}"

e2e_window_clone "$app" "$driver"
paths='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
settings='HKCU\Software\Tarnwick'
backup="$drive/Quillbane/Backup"
count=60
{ echo REGEDIT4; echo
  for i in $(seq -w 1 $count); do echo "[$paths\\qbslow$i.exe]"; echo "@=\"C:\\\\qbgone\\\\qbslow$i.exe\""; echo; done
} >"$drive/slow.reg"
e2e_wine regedit /S 'C:\slow.reg' >/dev/null
e2e_window_sections 9
e2e_wine reg add "$settings" /v AutoBackup /t REG_DWORD /d 1 /f >/dev/null
e2e_wine reg add "$settings" /v 'Select All' /t REG_DWORD /d 1 /f >/dev/null
present() { e2e_reg_query "$paths" | grep -c 'qbslow' || true; }
# The keys an archive's record file holds.
archived() {
  python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).read("Config.ini").decode())' "$1" |
    tr -d '\r' | grep -c '^\[NAME:.*qbslow' || true
}

# Waits until the removal holds (a minute at most).
hold="$drive/hold.txt"
held() {
  local deadline=$((SECONDS + 60))
  while [ ! -e "$hold" ]; do [ "$SECONDS" -lt "$deadline" ] || return 1; sleep 0.1; done
}

QUILLBANE_TEST_HOLD='C:\hold.txt' QUILLBANE_TEST_HOLD_AT=2 \
  wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/window.log" 2>&1 &
window=$!
check "the window opens" d wait "$main" 30
scan() { d click "$main" 1000 + click "$main" 1009 + answer Quillbane 1 60 + until 10 1 count "$main" 1018; }

check "the scan finds the keys" scan
# A fast double click: two clicks posted at once.
d click "$main" 1019 + click "$main" 1019 >/dev/null
check "the removal runs" held
check "while it runs, Abort shows" test "$(d visible "$main" 1064)" = 1
status=$(d text "$main" 1013)
check "... the window answers and shows where the removal is" grep -q '^Removing item [0-9]* of '"$count" <<<"$status"
out=$(d click "$main" 1064 + answer Quillbane 1 120)
check "Abort stops it before the next item" grep -q '^The removal was stopped\.' <<<"$out"
check "... back on Home, no second removal" d until 10 1 visible "$main" 1051
check "no other message came" test "$(d windows Quillbane)" = 0
archives=("$backup"/*.zip)
check "one archive was written" test "${#archives[@]}" -eq 1
removed=$((count - $(present)))
check "some keys were removed, not all" test "$removed" -gt 0 -a "$removed" -lt "$count"
check "the archive holds exactly the keys removed" test "$(archived "${archives[0]}")" -eq "$removed"

check "a second scan finds the rest" scan
rm -f "$hold"
d click "$main" 1019 >/dev/null
check "the second removal runs" held
out=$(d close "$main" + answer Quillbane 6 120 + answer Quillbane 1 120)
check "Close asks first" grep -q '^A removal is running' <<<"$out"
check "... then the removal stops before the next item" grep -q '^The removal was stopped\.' <<<"$(tail -1 <<<"$out")"
check "... and the window closes" d gone "$main" 30
check "the program has ended" timeout 20 tail --pid="$window" -f /dev/null
check "two archives now, each readable" \
  python3 -c 'import sys, zipfile; assert len(sys.argv) == 3; [zipfile.ZipFile(p).testzip() for p in sys.argv[1:]]' "$backup"/*.zip
check "together they hold every key removed" \
  test "$(( $(for a in "$backup"/*.zip; do archived "$a"; done | paste -sd+ | bc) ))" -eq "$((count - $(present)))"
e2e_finish
