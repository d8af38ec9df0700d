#!/usr/bin/env bash
# The console on an untidy machine: scan logs that cannot be written (said on
# stderr, the scan's result standing), two scans in one second (a log each, never
# one shared), Windows-style help and letter case, and non-ASCII names read in a
# real console window (Wine's console host on a terminal, read back from tmux)
# as they read redirected to a file.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: console_log_test.sh quillbane-cli.exe}"

e2e_clone
e2e_install "$cli"
qb='C:\Quillbane\quillbane-cli.exe'
drive_c="$WINEPREFIX/drive_c"
settings='HKCU\Software\Tarnwick'
fonts='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
logs="$drive_c/Quillbane/logs"

e2e_wine "$qb" scan --sections 3 >/dev/null || true  # first run: the settings
{ printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n'
  for i in $(seq 1 300); do printf '"QbGone%d"="qbgone%d.ttf"\r\n' "$i" "$i"; done; } >"$drive_c/fonts.reg"
e2e_wine regedit /S 'C:\fonts.reg' >/dev/null
e2e_wine reg add "$fonts" /v 'Qb José Ünal' /d 'qbjose.ttf' /f >/dev/null

# Log folders no log can be written to: a missing parent, a file in the way, a
# path past the system's limit. The scan and its exit code stand; stderr says
# where the log could not be written.
echo x >"$drive_c/infile"
long='C:\'$(printf 'x%.0s' $(seq 1 300))
for folder in 'C:\QbMissing\parent\logs' 'C:\infile' "$long"; do
  e2e_wine reg add "$settings" /v LogFilePath /d "$folder" /f >/dev/null
  e2e_wine "$qb" scan --sections 3 --json >"$E2E_DIR/scan.json" && rc=0 || rc=$?
  check "unwritable log ${folder:0:24}: the scan's exit code stands" test "$rc" -eq 1
  check "unwritable log ${folder:0:24}: the scan is whole" test "$(jq .totalProblems "$E2E_DIR/scan.json")" -ge 301
  check "unwritable log ${folder:0:24}: stderr says where" grep -qF "The scan log could not be written to $folder" "$E2E_DIR/stderr"
done
e2e_wine reg delete "$settings" /v LogFilePath /f >/dev/null

# Two scans at once. Every dated name of the coming minutes is taken (by files
# that are no logs), so both must take numbered names, and neither may write
# into another's file.
rm -rf "$logs"; mkdir -p "$logs"
now=$(date +%s)
for t in $(seq $((now - 2)) $((now + 240))); do
  : >"$logs/$(date -d "@$t" '+Date(%-d-%-m-%Y) Time(%-H-%-M-%-S).txt')"
done
decoys=$(ls "$logs" | wc -l)
wine "$qb" scan --sections 3 --json </dev/null >"$E2E_DIR/a.json" 2>/dev/null &
a=$!
wine "$qb" scan --sections 3 --json </dev/null >"$E2E_DIR/b.json" 2>/dev/null &
b=$!
wait "$a" || true
wait "$b" || true
check "two scans: both reports are whole" test "$(jq -s '[.[].totalProblems] | min' "$E2E_DIR/a.json" "$E2E_DIR/b.json")" -ge 301
check "two scans: no taken name was written into" test -z "$(find "$logs" -name 'Date*).txt' ! -name '*) (*' -size +0)"
mapfile -t made < <(find "$logs" -name 'Date*) (*).txt')
check "two scans: two logs of their own" test "${#made[@]}" -eq 2 -a "$(ls "$logs" | wc -l)" -eq $((decoys + 2))
total=$(jq .totalProblems "$E2E_DIR/a.json")
for log in "${made[@]}"; do
  check "two scans: $(basename "$log") has one header" test "$(grep -c '^Quillbane v2.1' "$log")" -eq 1
  check "two scans: $(basename "$log") has every problem" test "$(grep -c '^Section : ' "$log")" -eq "$total"
done

# Help and letter case as in a Windows console.
for help in '/?' '-?'; do
  out=$(e2e_wine "$qb" "$help") && rc=0 || rc=$?
  check "$help prints the help" test "$rc" -eq 0 -a -n "$(grep -F 'Exit codes' <<<"$out")"
done
out=$(e2e_wine "$qb" scan '/?') && rc=0 || rc=$?
check "scan /? prints the scan's help" test "$rc" -eq 0 -a -n "$(grep -F -- '--sections' <<<"$out")"
e2e_wine "$qb" SCAN --sections 3 --json >"$E2E_DIR/upper.json" && rc=0 || rc=$?
check "SCAN is scan" test "$rc" -eq 1 -a "$(jq .totalProblems "$E2E_DIR/upper.json")" -ge 301

# Through a real console: Wine's console host on a terminal that tmux keeps, read
# back from its screen, against the same report redirected to a file.
e2e_wine "$qb" scan --sections 3 >"$E2E_DIR/file.txt" || true
expected=$(grep -F 'Qb Jos' "$E2E_DIR/file.txt" | sed 's/ *$//')
check "redirected, the name is UTF-8" test "$expected" = '            Qb José Ünal = qbjose.ttf'
socket="qb-e2e-$$"
tmux -L "$socket" new-session -d -x 200 -y 50 \
  "wine '$qb' scan --sections 3 2>/dev/null; touch '$E2E_DIR/console.done'; sleep 600"
for _ in $(seq 1 600); do [ -e "$E2E_DIR/console.done" ] && break; sleep 0.2; done
screen=$(tmux -L "$socket" capture-pane -p -J -S - | grep -F 'Qb Jos' | sed 's/ *$//')
tmux -L "$socket" kill-server 2>/dev/null || true
check_same "in a console window the name reads as in the file" "$expected" "$screen"
e2e_finish
