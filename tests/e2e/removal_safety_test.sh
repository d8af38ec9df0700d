#!/usr/bin/env bash
# What `clean` must never get wrong, on a cloned prefix with the real console:
#   - a value whose data changed (or that vanished, or whose program was installed
#     again) between scan and removal is kept, with the reason (the scan is held
#     before the removal by the test-only QUILLBANE_TEST_HOLD pause, while this
#     script changes the registry);
#   - a value below a 300-character key path is removed, and restored;
#   - a read-only hidden shortcut whose name is 255 bytes of UTF-8 is removed and
#     restored byte for byte with its attributes;
#   - an uninstall key named `QBPair" "x` (which would split the registry editor's
#     command line) is removed and restored like any other, and its neighbour
#     `QBPair` is untouched.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: removal_safety_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: removal_safety_test.sh quillbane-cli.exe qb-make-shortcut.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/links" "$drive/qbok"
e2e_install "$cli" "$make_shortcut"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }

part=$(printf 'x%.0s' $(seq 1 95))
deep="Software\\QbDeep\\a$part\\b$part\\c$part"
link_name="qb$(printf '报%.0s' $(seq 1 83)).lnk"
echo ok >"$drive/qbok/uninst.exe"
uninstall='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
cat >"$drive/seed.reg" <<EOF
REGEDIT4

[HKEY_CURRENT_USER\\Software\\QbChange]
"changes"="C:\\\\qbgone\\\\old.exe"
"vanishes"="C:\\\\qbgone\\\\vanishes.exe"
"reinstalled"="C:\\\\qbgone\\\\reinstalled.exe"

[HKEY_CURRENT_USER\\$deep]
"deep"="C:\\\\qbgone\\\\deep.exe"

[$uninstall\\QBPair]
"DisplayName"="QB Pair"
"UninstallString"="C:\\\\qbok\\\\uninst.exe"

[$uninstall\\QBPair" "x]
"DisplayName"="QB Pair stale"
"UninstallString"="C:\\\\qbgone\\\\uninst.exe"
EOF
e2e_wine regedit /S 'C:\seed.reg' >/dev/null
e2e_wine 'C:\Quillbane\make_shortcut.exe' "C:\\links\\$link_name" 'C:\qbgone\target.exe' >/dev/null
for flag in +h +r; do e2e_wine cmd.exe /c attrib $flag "C:\\links\\$link_name" >/dev/null; done
cp "$drive/links/$link_name" "$E2E_DIR/link.bin"
attributes() { e2e_wine cmd.exe /c attrib "C:\\links\\$link_name" | cut -c1-10 | tr -d ' '; }
link_attributes=$(attributes)
check "the shortcut is read-only and hidden" grep -q 'HR' <<<"$link_attributes"
e2e_wine regedit /e 'C:\deep-before.reg' 'HKEY_CURRENT_USER\Software\QbDeep'
check "the deep value is there" grep -q '"deep"' <(iconv -f UTF-16LE -t UTF-8 "$drive/deep-before.reg")

# Scan, then hold before the removal while the registry changes under it.
hold="$drive/hold.flag"
QUILLBANE_TEST_HOLD='C:\hold.flag' wine 'C:\Quillbane\quillbane-cli.exe' clean --sections 13,14 --json \
  </dev/null >"$E2E_DIR/clean.json" 2>"$E2E_DIR/clean.err" &
pid=$!
check "clean holds before the removal" e2e_wait_for_size "$hold" 0 180
e2e_wine reg add 'HKCU\Software\QbChange' /v changes /d 'C:\qbgone\new.exe' /f >/dev/null
e2e_wine reg delete 'HKCU\Software\QbChange' /v vanishes /f >/dev/null || true
mkdir -p "$drive/qbgone" && echo reinstalled >"$drive/qbgone/reinstalled.exe"
rm -f "$hold"
wait "$pid" && rc=0 || rc=$?
tr -d '\r' <"$E2E_DIR/clean.json" >"$E2E_DIR/clean-lf.json"
check "clean exits 0" test "$rc" -eq 0
reason() { jq -r --arg n "$1" '.kept[] | select(.valueName == $n) | .reason' "$E2E_DIR/clean-lf.json"; }
check "the changed value is kept: changed since the scan" test "$(reason changes)" = 'changed since the scan'
check "the vanished value is kept: no longer present" test "$(reason vanishes)" = 'no longer present'
check "the reinstalled program's value is kept: changed since the scan" test "$(reason reinstalled)" = 'changed since the scan'
check "... and is still there" grep -qF reinstalled.exe <<<"$(e2e_wine reg query 'HKCU\Software\QbChange' /v reinstalled)"
out=$(e2e_wine reg query 'HKCU\Software\QbChange' /v changes) || true
check "the changed value keeps its new data" grep -qF 'C:\qbgone\new.exe' <<<"$out"
if ! grep -qF 'C:\qbgone\new.exe' <<<"$out"; then
  echo "read: $out ($(cat "$E2E_DIR/stderr")); removed: $(jq -c '[.removed[] | .valueName // .linkPath]' "$E2E_DIR/clean-lf.json")" >&2
fi
removed() { jq -r '.removed[] | .valueName // .linkPath' "$E2E_DIR/clean-lf.json"; }
check "the deep value was removed" grep -qx deep <<<"$(removed)"
check "... and is gone" e2e_reg_lacks "HKCU\\$deep" deep
check "the 255-byte shortcut was removed" grep -qxF "C:\\links\\$link_name" <<<"$(removed)"
check "... and is gone" test ! -e "$drive/links/$link_name"

archive=$(jq -r '.archive // empty' "$E2E_DIR/clean-lf.json")
out=$(run restore "$archive") && rc=0 || rc=$?
check "restore exits 0" test "$rc" -eq 0
e2e_wine regedit /e 'C:\deep-after.reg' 'HKEY_CURRENT_USER\Software\QbDeep'
check "the deep key is back byte for byte" cmp -s "$drive/deep-before.reg" "$drive/deep-after.reg"
check "the shortcut is back byte for byte" cmp -s "$E2E_DIR/link.bin" "$drive/links/$link_name"
check_same "... with its attributes" "$link_attributes" "$(attributes)"

# The key whose name would split the registry editor's command line.
out=$(run clean --sections 10 --json) && rc=0 || rc=$?
check "clean of the uninstall keys exits 0" test "$rc" -eq 0
check "the odd key is removed" jq -e '.removed | any(.key | endswith("QBPair\" \"x"))' <<<"$out"
check "the odd key is gone" e2e_reg_lacks "$uninstall\\QBPair\" \"x"
check "its neighbour is untouched" grep -qF 'QB Pair' <<<"$(e2e_wine reg query "$uninstall\\QBPair" /v DisplayName)"
out=$(run restore "$(jq -r '.archive' <<<"$out")") && rc=0 || rc=$?
check "restore of the odd key exits 0" test "$rc" -eq 0
check "the odd key is back" grep -qF 'QB Pair stale' <<<"$(e2e_wine reg query "$uninstall\\QBPair\" \"x" 2>&1)"

e2e_finish
