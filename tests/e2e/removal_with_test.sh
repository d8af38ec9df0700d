#!/usr/bin/env bash
# The demo's leftovers, where sections overlap: Application Paths and Add Remove
# Programs report whole keys whose values the full registry scan reports too, and
# Installed Help Files and the full registry scan report the same value. A clean
# removes each key with its values, so the values are gone when their turn comes:
# they count as removed with the key (JSON "with"), nothing is kept, with a backup
# or without, and restoring the archive puts every value back byte for byte (from
# the key's export).
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: removal_with_test.sh quillbane-cli.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
e2e_install "$cli"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
cp "$QB_ROOT/scripts/demo-seed/seed.reg" "$drive/seed.reg"
e2e_wine regedit /S 'C:\seed.reg' >/dev/null

machine='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows'
keys=("$machine\\CurrentVersion\\App Paths" "$machine\\CurrentVersion\\Uninstall" "$machine\\Help"
      'HKEY_CURRENT_USER\Software\Larkspur')
export_keys() {  # export_keys SUFFIX
  local i
  for i in "${!keys[@]}"; do e2e_wine regedit /e "C:\\part$i-$1.reg" "${keys[$i]}" >/dev/null; done
}
export_keys before
check "the seed is there" bash -c "iconv -f UTF-16 -t UTF-8 '$drive/part0-before.reg' | grep -q HarborPhoto.exe"

app="$machine\\CurrentVersion\\App Paths\\HarborPhoto.exe"
# removed entries that went with another item, as "key|valueName|with" lines
went_with() { jq -r '.removed[] | select(.with) | "\(.key)|\(.valueName)|\(.with)"' <<<"$1" | LC_ALL=C sort; }
expected_with="Software\\Microsoft\\Windows\\Help|HarborPhoto.chm|$machine\\Help\\\\HarborPhoto.chm
Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\HarborPhoto.exe||$app
Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\HarborPhoto.exe|Path|$app
Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\HarborPhotoStudio|DisplayIcon|$machine\\CurrentVersion\\Uninstall\\HarborPhotoStudio
Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\HarborPhotoStudio|UninstallString|$machine\\CurrentVersion\\Uninstall\\HarborPhotoStudio"
expected_with=$(LC_ALL=C sort <<<"$expected_with")

for mode in --backup --no-backup; do
  json=$(run clean --sections 7,9,10,13 "$mode" --json) && rc=0 || rc=$?
  check "$mode: clean exits 0" test "$rc" -eq 0
  check "$mode: nothing is kept" test "$(jq -c .kept <<<"$json")" = '[]'
  check "$mode: everything found is removed" \
    test "$(jq '.removed | length' <<<"$json")" -eq "$(jq .totalProblems <<<"$json")"
  harbor_with=$(went_with "$json" | grep -i harbor || true)
  check_same "$mode: the values went with their keys, the help value with its twin" "$expected_with" "$harbor_with"
  check "$mode: the keys are gone" e2e_reg_lacks "$app"
  [ "$mode" = --backup ] || break
  out=$(run restore "$(jq -r .archive <<<"$json")") && rc=0 || rc=$?
  check "the archive restores" test "$rc" -eq 0
  export_keys after
  for i in "${!keys[@]}"; do
    check "${keys[$i]}: back byte for byte" cmp -s "$drive/part$i-before.reg" "$drive/part$i-after.reg"
  done
done

e2e_finish
