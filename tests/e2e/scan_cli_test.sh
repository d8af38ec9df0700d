#!/usr/bin/env bash
# quillbane-cli scan on a cloned prefix seeded with a stale and a healthy entry for
# every section: the problems it adds to what the prefix already holds, its JSON,
# exit codes and the scan log, against what each section is meant to find.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: scan_cli_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: scan_cli_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
here="$(cd "$(dirname "$0")" && pwd)"

e2e_clone
# Saving a shell link must not start Wine's menu builder.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
drive_c="$WINEPREFIX/drive_c"
e2e_install "$cli" "$make_shortcut"
qb='C:\Quillbane\quillbane-cli.exe'

# One problem per line: id|type|root|key|valueName|valueData|view|message, or
# id|FILE|link|target|message for shortcuts.
problem_lines() {
  jq -r '.sections[] | .id as $id | .problems[] |
    if .type == "FILE" then [$id, .type, .linkPath, .targetPath, .message]
    else [$id, .type, .root, .key, .valueName, .valueData, .view, .message] end
    | map(tostring) | join("|")' "$1" | sort
}

# The registry problems that name one entry twice within a section: the same root,
# key (in any case, and reached through Wow6432Node or not: the seed gives its
# 32-bit entries names of their own) and value name. Only a help folder's two
# messages for one key differ by design, so the message counts too.
duplicate_problems() {
  jq -r '.sections[] | .id as $id | .problems[] | select(.type != "FILE") |
    [$id, .root, (.key | ascii_downcase | gsub("\\\\wow6432node(?=\\\\|$)"; "") | sub("^wow6432node\\\\"; "")), .valueName, .message]
    | @json' "$1" | sort | uniq -d
}

# First run: no settings key yet. Only the key itself counts: suites running beside
# this one keep their sandboxed settings below Software\QuillbaneTests in the template.
check "the clone starts without settings" bash -c "! grep -q '^\\[Software\\\\\\\\Tarnwick\\]' '$WINEPREFIX/user.reg'"
e2e_wine "$qb" scan --json >"$E2E_DIR/baseline.json" && rc=0 || rc=$?
check "the baseline scan runs (exit 0 or 1)" test "$rc" -le 1
check "the baseline JSON lists all thirteen sections" test "$(jq '.sections | length' "$E2E_DIR/baseline.json")" -eq 13
check "the baseline scan completes" test "$(jq -r .status "$E2E_DIR/baseline.json")" = "Scan Complete"
e2e_flush_registry
check "the first run wrote the settings" grep -q '"Version"="v2.1"' "$WINEPREFIX/user.reg"

# Seed: files, registry entries, shortcuts (one on the CD-ROM drive).
mkdir -p "$drive_c/QbSeed/Links" "$drive_c/QbSeed/McAfee" "$WINEPREFIX/media/cdrom/Links"
for f in present.ttf ok.wav present.hlp present.dll ok.exe gone-target.exe; do echo x >"$drive_c/QbSeed/$f"; done
# The 32-bit programs' files: in SysWOW64 and Program Files (x86) only.
mkdir -p "$drive_c/Program Files (x86)/QbPf32"
for f in windows/syswow64/qb32only.dll windows/syswow64/qb32only.exe windows/syswow64/qb32only.hlp \
         "Program Files (x86)/QbPf32/lib.dll"; do echo x >"$drive_c/$f"; done
e2e_wine "C:\\Quillbane\\make_shortcut.exe" \
  'C:\QbSeed\Links\dead.lnk' 'C:\QbSeed\gone-target.exe' \
  'C:\QbSeed\Links\good.lnk' 'C:\QbSeed\ok.exe' \
  'C:\QbSeed\Links\folder.lnk' 'C:\QbSeed' \
  'C:\QbSeed\McAfee\dead.lnk' 'C:\QbSeed\gone-target.exe' \
  'D:\Links\dead.lnk' 'C:\QbSeed\gone-target.exe' >/dev/null
rm -f "$drive_c/QbSeed/gone-target.exe"
check "the shortcuts were written" test -s "$drive_c/QbSeed/Links/dead.lnk" -a -s "$WINEPREFIX/media/cdrom/Links/dead.lnk"
cp "$here/scan_seed.reg" "$drive_c/seed.reg"
e2e_wine regedit /S 'C:\seed.reg' >/dev/null
e2e_flush_registry
check "the seed reached the registry" grep -q 'QbGoneApp' "$WINEPREFIX/system.reg"

e2e_wine "$qb" scan --json >"$E2E_DIR/seeded.json" && rc=0 || rc=$?
check "problems found: exit 1" test "$rc" -eq 1
comm -13 <(problem_lines "$E2E_DIR/baseline.json") <(problem_lines "$E2E_DIR/seeded.json") >"$E2E_DIR/new.txt"
sort "$here/scan_expected.txt" >"$E2E_DIR/expected.txt"
if ! diff -u "$E2E_DIR/expected.txt" "$E2E_DIR/new.txt"; then echo "(the seeded problems differ from the expected ones)"; fi
check "the seed adds exactly the expected problems" cmp -s "$E2E_DIR/expected.txt" "$E2E_DIR/new.txt"
check "no entry is reported twice" test -z "$(duplicate_problems "$E2E_DIR/seeded.json" | tee "$E2E_DIR/dups.txt")"
check "nor in the untouched prefix" test -z "$(duplicate_problems "$E2E_DIR/baseline.json")"
check "the totals add up" test "$(jq '[.sections[].count] | add' "$E2E_DIR/seeded.json")" -eq "$(jq .totalProblems "$E2E_DIR/seeded.json")"
check "affected sections count the non-empty ones" test "$(jq '[.sections[] | select(.count > 0)] | length' "$E2E_DIR/seeded.json")" -eq "$(jq .affectedSections "$E2E_DIR/seeded.json")"
check "sections come in catalogue order with severities" test "$(jq -c '[.sections[] | [.id, .severity, .status]]' "$E2E_DIR/seeded.json")" = \
  '[[1,"Moderate","Finished"],[2,"Critical","Finished"],[3,"Severe","Finished"],[4,"Severe","Finished"],[5,"Critical","Finished"],[6,"Critical","Finished"],[7,"Severe","Finished"],[8,"Severe","Finished"],[9,"Moderate","Finished"],[10,"Severe","Finished"],[11,"Critical","Finished"],[13,"Severe","Finished"],[14,"Critical","Finished"]]'

# The scan log of that scan: header, one block per problem, CR CR LF line ends.
log=$(ls -t "$drive_c/Quillbane/logs/"Date*.txt | head -1)
check "the log is named by date and time" bash -c "basename '$log' | grep -Eq '^Date\([0-9]+-[0-9]+-[0-9]{4}\) Time\([0-9]+-[0-9]+-[0-9]+\)\.txt$'"
check "every log line ends in CR CR LF" test "$(grep -vc $'\r\r$' "$log")" -eq 0
tr -d '\r' <"$log" >"$E2E_DIR/log.txt"
check "the log header" test "$(head -3 "$E2E_DIR/log.txt")" = $'Quillbane v2.1\nOS : Windows 7 Service Pack 1\n---------------------'
check "one log block per problem" test "$(grep -c '^Section : ' "$E2E_DIR/log.txt")" -eq "$(jq .totalProblems "$E2E_DIR/seeded.json")"
check "a registry block" grep -qzF $'Section : Installed Fonts \nKey : HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts\nValueName : QbGone (TrueType)\nValue : qbgone.ttf\n\n' "$E2E_DIR/log.txt"
check "a shortcut block" grep -qzF $'Section : Invalid Program Shortcuts\nLink Path = C:\\QbSeed\\Links\\dead.lnk\nTarget Path = C:\\QbSeed\\gone-target.exe\n\n' "$E2E_DIR/log.txt"

# Section choice, text report and usage errors.
out=$(e2e_wine "$qb" scan --sections 1 --json) && rc=0 || rc=$?
check "--sections 1: exit 0" test "$rc" -eq 0
check "--sections 1: one finished row" test "$(echo "$out" | jq -c '[.sections[] | [.id, .status, .count]]')" = '[[1,"Finished",0]]'
out=$(e2e_wine "$qb" scan --sections 4,3) && rc=0 || rc=$?
check "--sections 4,3: exit 1" test "$rc" -eq 1
check "the text report groups by section in catalogue order" bash -c 'grep -n "^Installed" <<<"$0" | cut -d: -f2 | tr "\n" "|" | grep -q "^Installed Fonts  \[Severe\]  Finished, .*|Installed Sound Files  \[Severe\]  Finished, "' "$out"
check "the text report names the problem" grep -qF 'The File (qbgone.wav) cannot be found at the specified location.' <<<"$out"
e2e_wine "$qb" scan --sections 12 >/dev/null && rc=0 || rc=$?
check "--sections 12 is a usage error (exit 2)" test "$rc" -eq 2
e2e_flush_registry
check "--sections does not change the stored choice" grep -q '"3"=dword:00000001' "$WINEPREFIX/user.reg"

# A report that cannot be written whole is a failure, not a finding.
wine "$qb" scan --sections 3,4 --json </dev/null >/dev/full 2>"$E2E_DIR/full.err" && rc=0 || rc=$?
check "a report to a full disk: exit 2" test "$rc" -eq 2
check "a report to a full disk: said on stderr" grep -q "could not be written" "$E2E_DIR/full.err"
e2e_wine "$qb" scan --pause-ms 1001 >/dev/null 2>&1 && rc=0 || rc=$?
check "--pause-ms above 1000 is a usage error" test "$rc" -eq 2

# Ctrl+C aborts at the next item like the Abort button: a font list (with the
# window's pause of 5 ms a value asked for) is interrupted once the scan holds
# after its first problem (the test-only QUILLBANE_TEST_SCAN_HOLD pause, which
# Ctrl+C ends); Fonts ends "Aborted", Sounds keeps "Ready", exit 3.
{ echo REGEDIT4; echo
  echo '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts]'
  for i in $(seq 1 100); do echo "\"QbSlow$i\"=\"qbslow$i.ttf\""; done; } >"$drive_c/slow.reg"
e2e_wine regedit /S 'C:\slow.reg' >/dev/null
QUILLBANE_TEST_SCAN_HOLD='C:\scan-hold.flag' \
  wine "$qb" scan --sections 3,4 --json --pause-ms 5 </dev/null >"$E2E_DIR/aborted.json" 2>/dev/null &
pid=$!
check "the scan holds after its first problem" e2e_wait_for_size "$drive_c/scan-hold.flag" 0 120
kill -INT "$pid" 2>/dev/null || true
wait "$pid" && rc=0 || rc=$?
check "Ctrl+C: exit 3" test "$rc" -eq 3
check "Ctrl+C: the JSON reports the abort" test "$(jq -c '[.status, [.sections[] | [.id, .status]]]' "$E2E_DIR/aborted.json")" = '["Scan Aborted",[[3,"Aborted"],[4,"Ready"]]]'
check "Ctrl+C: what was found is reported" test "$(jq '.sections[0].count' "$E2E_DIR/aborted.json")" -gt 0

e2e_finish
