#!/usr/bin/env bash
# What users download, tried on a cloned machine as they would use it.
# The portable zip: unpacked anywhere, its console program runs and scans, and
# keeps its logs in its own folder. The installer, silent: the files, the
# shortcuts (read back with IShellLink: targets there, the window's started as
# administrator; the Start menu one opens the window), the installed-programs entry; our own scan finds nothing wrong
# with what it wrote; the silent uninstaller removes all it installed and keeps
# the user's backups.
# PACKAGE_FROM names another build folder to package (default: the test's build).
. "$(dirname "$0")/../support/e2e.sh"
usage="usage: package_test.sh quillbane-cli.exe qb-read-shortcut.exe qb-drive.exe"
cli="${1:?$usage}"
reader="${2:?$usage}"
driver="${3:?$usage}"
from="${PACKAGE_FROM:-$QB_BUILD}"
if [ ! -f "$from/bin/Quillbane.exe" ]; then
  echo "skipped: $from/bin/Quillbane.exe is not built, and the package needs the window"
  exit 77
fi

e2e_clone
drive="$WINEPREFIX/drive_c"
"$QB_ROOT/scripts/package" "$from" "$E2E_DIR/dist" >/dev/null
version=$(sed -n 's/^project(Quillbane VERSION \([0-9.]*\).*/\1/p' "$QB_ROOT/CMakeLists.txt")
zip="$E2E_DIR/dist/Quillbane-$version-portable.zip"
setup="$E2E_DIR/dist/QuillbaneSetup-$version.exe"
check "the package names carry the project version" test -s "$zip" -a -s "$setup"

# --- The portable zip ---
mkdir -p "$drive/Tools" "$E2E_DIR/unpacked"
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$drive/Tools"
check "the zip holds the programs, the manual, README and licence" test \
  "$(cd "$drive/Tools" && find . -type f | sort | tr '\n' ' ')" = \
  "./Quillbane/LICENSE.txt ./Quillbane/Quillbane.exe ./Quillbane/README.md ./Quillbane/Skelda.chm ./Quillbane/quillbane-cli.exe "
check "the manual in the zip is the built one" cmp -s "$from/bin/Skelda.chm" "$drive/Tools/Quillbane/Skelda.chm"
portable='C:\Tools\Quillbane\quillbane-cli.exe'
check "the portable console program tells its version" test "$(e2e_wine "$portable" --version)" = "Quillbane v$version"
(cd "$drive" && e2e_wine "$portable" scan --sections 3,9 --json >"$E2E_DIR/portable.json") && rc=0 || rc=$?
check "a scan runs from the unpacked folder" test "$rc" -le 1 -a "$(jq -r .status "$E2E_DIR/portable.json")" = "Scan Complete"
check "its log stays in the unpacked folder" bash -c "ls '$drive/Tools/Quillbane/logs/'Date*.txt >/dev/null"

# --- The installer ---
mkdir -p "$drive/Check"
cp "$cli" "$drive/Check/quillbane-cli.exe"
cp "$reader" "$drive/Check/read_shortcut.exe"
cp "$driver" "$drive/Check/qb-drive.exe"
scan_sections() { (cd "$drive" && e2e_wine "$1" scan --sections 9,10,13,14 --json) || true; }
problem_lines() { jq -c '.sections[] | .problems[] | del(.message)' | sort; }
scan_sections 'C:\Check\quillbane-cli.exe' | problem_lines >"$E2E_DIR/before.txt"

cp "$setup" "$drive/setup.exe"
e2e_wine 'C:\setup.exe' /S >/dev/null && rc=0 || rc=$?
check "the silent install succeeds" test "$rc" -eq 0
dir="$drive/Program Files/Quillbane"
for file in Quillbane.exe quillbane-cli.exe Skelda.chm README.md LICENSE.txt; do
  check "installed: $file" cmp -s "$drive/Tools/Quillbane/$file" "$dir/$file"
done
check "installed: the uninstaller" test -s "$dir/uninstall.exe"

menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillbane"
links=("$menu/Quillbane.lnk" "$menu/Quillbane Help Manual.lnk" "$menu/Uninstall Quillbane.lnk"
       "$drive/users/Public/Desktop/Quillbane.lnk")
windows_links=()
for link in "${links[@]}"; do windows_links+=("C:\\$(sed 's|/|\\|g' <<<"${link#"$drive/"}")"); done
e2e_wine 'C:\Check\read_shortcut.exe' "${windows_links[@]}" >"$E2E_DIR/links.txt" || true
cat "$E2E_DIR/links.txt"
check "the shortcuts read back as written" test "$(cat "$E2E_DIR/links.txt")" = "$(printf '%s\n' \
  $'C:\\Program Files\\Quillbane\\Quillbane.exe\t1\t1' \
  $'C:\\Program Files\\Quillbane\\Skelda.chm\t0\t1' \
  $'C:\\Program Files\\Quillbane\\uninstall.exe\t0\t1' \
  $'C:\\Program Files\\Quillbane\\Quillbane.exe\t1\t1')"

# The Start menu shortcut opens the installed window, as a user's click on it does.
main="Quillbane v$version "
e2e_wine start "${windows_links[0]}" >/dev/null || true
check "the Start menu shortcut opens the window" e2e_wine 'C:\Check\qb-drive.exe' wait "$main" 30
check "... which closes with its close box" e2e_wine 'C:\Check\qb-drive.exe' close "$main" + gone "$main" 20

entry=$(e2e_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbane') || true
value() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" <<<"$entry"; }
check "uninstall entry: DisplayName" test "$(value DisplayName)" = "Quillbane"
check "uninstall entry: DisplayVersion" test "$(value DisplayVersion)" = "$version"
check "uninstall entry: Publisher" test "$(value Publisher)" = "Tarnwick"
check "uninstall entry: DisplayIcon" test "$(value DisplayIcon)" = 'C:\Program Files\Quillbane\Quillbane.exe,0'
check "uninstall entry: InstallLocation" test "$(value InstallLocation)" = 'C:\Program Files\Quillbane'
check "uninstall entry: quoted UninstallString" test "$(value UninstallString)" = '"C:\Program Files\Quillbane\uninstall.exe"'
size=$(value EstimatedSize)
check "uninstall entry: EstimatedSize in KB" test "$(( ${size:-0} ))" -ge "$(( $(du -sk "$dir" | cut -f1) / 2 ))"

# Our own scan, run by the installed program, finds nothing the installation caused.
scan_sections 'C:\Program Files\Quillbane\quillbane-cli.exe' | problem_lines >"$E2E_DIR/after.txt"
comm -13 "$E2E_DIR/before.txt" "$E2E_DIR/after.txt" >"$E2E_DIR/caused.txt"
cat "$E2E_DIR/caused.txt"
check "the scan finds nothing wrong with the installation" test ! -s "$E2E_DIR/caused.txt"

# A removal with a backup, so that the user has something to keep.
e2e_wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\Gone\shared.dll' /t REG_DWORD /d 1 /f >/dev/null
(cd "$drive" && e2e_wine 'C:\Program Files\Quillbane\quillbane-cli.exe' clean --sections 8 >/dev/null) || true
check "the removal wrote an archive" bash -c "ls '$dir/Backup/'*.zip >/dev/null"

# The uninstaller copies itself into a "~nsu" folder of %TEMP% and runs from there:
# wait until the copy has deleted the original and then ended.
e2e_wine 'C:\Program Files\Quillbane\uninstall.exe' /S >/dev/null || true
deadline=$((SECONDS + 60))
while [ -e "$dir/uninstall.exe" ] || e2e_running '~nsu'; do
  [ "$SECONDS" -lt "$deadline" ] || break
  sleep 0.2
done
for file in Quillbane.exe quillbane-cli.exe Skelda.chm README.md LICENSE.txt uninstall.exe; do
  check "uninstalled: $file" test ! -e "$dir/$file"
done
check "uninstalled: the Start menu folder" test ! -e "$menu"
check "uninstalled: the desktop shortcut" test ! -e "$drive/users/Public/Desktop/Quillbane.lnk"
check "uninstalled: the installed-programs entry" bash -c \
  "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillbane' </dev/null >/dev/null 2>&1"
check "uninstalled: the application path" bash -c \
  "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Quillbane.exe' </dev/null >/dev/null 2>&1"
check "the silent uninstall keeps the backups" bash -c "ls '$dir/Backup/'*.zip >/dev/null"
check "... and the logs" bash -c "ls '$dir/logs/'Date*.txt >/dev/null"
e2e_finish
