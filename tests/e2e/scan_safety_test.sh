#!/usr/bin/env bash
# Entries that only look stale must survive scan and clean on a cloned prefix:
# shortcuts whose targets exist but are long, in CJK or stored in an older code
# page, or on a share; a type library code path longer than 255 bytes; services
# started from a share. An extension key whose program identifier is stale but
# which holds more (an open-with list, a content type) loses the identifier alone,
# and restoring the archive gives the key back byte for byte.
. "$(dirname "$0")/../support/e2e.sh"
usage="usage: scan_safety_test.sh quillbane-cli.exe qb-make-shortcut.exe qb-make-shortcut-1252.exe"
cli="${1:?$usage}" make_shortcut="${2:?$usage}" make_shortcut_1252="${3:?$usage}"

e2e_clone
drive="$WINEPREFIX/drive_c"
mkdir -p "$drive/QbSafe/Links"
e2e_install "$cli" "$make_shortcut"
cp "$make_shortcut_1252" "$drive/Quillbane/make_shortcut_1252.exe"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }

# Targets that exist: 86 CJK characters (268 bytes of UTF-8), accented names, and
# a 289-byte path for the type library.
repeat() { local i out=""; for ((i = 0; i < $2; i++)); do out+="$1"; done; printf '%s' "$out"; }
cjk_dir="$(repeat 报 40)" cjk_file="$(repeat 告 46).exe"
mkdir -p "$drive/t/$cjk_dir" "$drive/QbSafe/Données"
echo x >"$drive/t/$cjk_dir/$cjk_file"
echo x >"$drive/QbSafe/Données/Résumé.txt"
long_dir="QbSafe\\$(repeat a 120)\\$(repeat b 120)" long_file="lib$(repeat c 30).dll"
mkdir -p "$drive/${long_dir//\\//}"
echo x >"$drive/${long_dir//\\//}/$long_file"
long_path="C:\\$long_dir\\$long_file"
check "the type library path is 289 bytes" test "${#long_path}" -eq 289
echo x >"$drive/QbSafe/gone.exe"

e2e_wine 'C:\Quillbane\make_shortcut.exe' \
  'C:\QbSafe\Links\cjk.lnk' "C:\\t\\$cjk_dir\\$cjk_file" \
  'C:\QbSafe\Links\share.lnk' '\\fileserver\tools\app.exe' \
  'C:\QbSafe\Links\dead.lnk' 'C:\QbSafe\gone.exe' >/dev/null
e2e_wine 'C:\Quillbane\make_shortcut_1252.exe' --ansi \
  'C:\QbSafe\Links\resume.lnk' 'C:\QbSafe\Données\Résumé.txt' >/dev/null
rm -f "$drive/QbSafe/gone.exe"
for link in cjk share dead resume; do
  check "the $link shortcut was written" test -s "$drive/QbSafe/Links/$link.lnk"
done

{ echo REGEDIT4; echo
  echo '[HKEY_CLASSES_ROOT\TypeLib\{51B0F00D-0000-4000-8000-0000000000AA}\1.0\0\win32]'
  echo "@=\"${long_path//\\/\\\\}\""
  echo '[HKEY_CLASSES_ROOT\.qbmixed]'
  echo '@="QbGone.Mixed.1"'
  echo '"Content Type"="text/x-qbmixed"'
  echo '[HKEY_CLASSES_ROOT\.qbmixed\OpenWithProgids]'
  echo '"txtfile"=""'
  echo '[HKEY_CLASSES_ROOT\.qbmixed\ShellNew]'
  echo '"NullFile"=""'
  echo '[HKEY_CLASSES_ROOT\.qbonly]'
  echo '@="QbGone.Only.1"'
  echo '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QbShareSvc]'
  echo '"ImagePath"="\\\\fileserver\\share\\svc.exe"'
  echo '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QbNtShareSvc]'
  echo '"ImagePath"="\\??\\UNC\\fileserver\\share\\svc.sys"'
} >"$drive/seed.reg"
e2e_wine regedit /S 'C:\seed.reg' >/dev/null
e2e_flush_registry
check "the seed reached the registry" grep -q 'QbShareSvc' "$WINEPREFIX/system.reg"

sections=5,6,11,14
run scan --sections "$sections" --json >"$E2E_DIR/scan.json" || true
problems() { jq -r '.sections[].problems[] | [.type, .key // .linkPath, .valueName // .targetPath] | join("|")' "$1"; }
problems "$E2E_DIR/scan.json" >"$E2E_DIR/scan.txt"
check "the stale shortcut is found" grep -qxF 'FILE|C:\QbSafe\Links\dead.lnk|C:\QbSafe\gone.exe' "$E2E_DIR/scan.txt"
check "no shortcut to an existing or shared target is reported" bash -c "! grep -E 'cjk|resume|share' '$E2E_DIR/scan.txt'"
check "the long type library path is not reported" bash -c "! grep -F '0000000000AA' '$E2E_DIR/scan.txt'"
check "services on a share are not reported" bash -c "! grep -F 'ShareSvc' '$E2E_DIR/scan.txt'"
check "a key holding more loses only its identifier" grep -qxF 'REG_VALUE|.qbmixed|' "$E2E_DIR/scan.txt"
check "a key holding nothing else goes whole" grep -qxF 'REG_KEY|.qbonly|' "$E2E_DIR/scan.txt"

export_mixed() { e2e_wine regedit /e "C:\\mixed-$1.reg" 'HKEY_LOCAL_MACHINE\Software\Classes\.qbmixed' >/dev/null; }
export_mixed before
run clean --sections "$sections" --json >"$E2E_DIR/clean.json" && rc=0 || rc=$?
check "clean exits 0" test "$rc" -eq 0
check "the stale shortcut was removed" test ! -e "$drive/QbSafe/Links/dead.lnk"
for link in cjk share resume; do
  check "the $link shortcut is still there" test -e "$drive/QbSafe/Links/$link.lnk"
done
export_mixed cleaned
tr -d '\0' <"$drive/mixed-cleaned.reg" >"$E2E_DIR/mixed-cleaned.txt" 2>/dev/null || true
check "the identifier was removed" bash -c "! grep -q '^@=' '$E2E_DIR/mixed-cleaned.txt'"
check "the open-with list and content type stay" bash -c "grep -q 'OpenWithProgids' '$E2E_DIR/mixed-cleaned.txt' && grep -q 'Content Type' '$E2E_DIR/mixed-cleaned.txt'"
e2e_flush_registry
check "the type library and share services stay" bash -c "grep -q '0000000000AA' '$WINEPREFIX/system.reg' && grep -q 'QbShareSvc' '$WINEPREFIX/system.reg' && grep -q 'QbNtShareSvc' '$WINEPREFIX/system.reg'"

archive=$(jq -r '.archive // empty' "$E2E_DIR/clean.json")
check "clean wrote an archive" test -n "$archive"
run restore "$archive" >/dev/null && rc=0 || rc=$?
check "restore exits 0" test "$rc" -eq 0
export_mixed after
check "the extension key is back byte for byte" cmp -s "$drive/mixed-before.reg" "$drive/mixed-after.reg"

e2e_finish
