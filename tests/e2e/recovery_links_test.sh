#!/usr/bin/env bash
# A clean of 80 dead shortcuts is killed before its 66th item: by then it has
# saved items it did not get to delete. The next start packs only what was
# removed into the recovered archive, and that archive restores with exit 0:
# nothing in it is refused as "already there".
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: recovery_links_test.sh quillbane-cli.exe qb-make-shortcut.exe}"
make_shortcut="${2:?usage: recovery_links_test.sh quillbane-cli.exe qb-make-shortcut.exe}"

e2e_clone
drive="$WINEPREFIX/drive_c"
e2e_install "$cli" "$make_shortcut"
run() { e2e_wine 'C:\Quillbane\quillbane-cli.exe' "$@"; }
stage="$(e2e_temp_dir)/PlovenTemp"
hold="$drive/hold.flag"
count=80

mkdir -p "$drive/QbLinks" "$drive/QbGone"
printf 'MZ' >"$drive/QbGone/app.exe"
e2e_wine 'C:\Quillbane\make_shortcut.exe' 'C:\QbLinks\link01.lnk' 'C:\QbGone\app.exe' >/dev/null
rm -rf "$drive/QbGone"
for i in $(seq -w 2 $count); do cp "$drive/QbLinks/link01.lnk" "$drive/QbLinks/link$i.lnk"; done
present() { ls "$drive/QbLinks" | sort; }
present >"$E2E_DIR/all.txt"
# The shortcut names an archive's record file holds.
archived() {
  python3 -c 'import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).read("Config.ini").decode())' "$1" |
    tr -d '\r' | sed -n 's/^\[DEST_PATH:C:\\QbLinks\\\(.*\)\]$/\1/p' | sort
}

QUILLBANE_TEST_HOLD='C:\hold.flag' QUILLBANE_TEST_HOLD_AT=65 \
  wine 'C:\Quillbane\quillbane-cli.exe' clean --sections 14 </dev/null >/dev/null 2>&1 &
pid=$!
check "the clean holds before its 66th item" e2e_wait_for_size "$hold" 0 120
saved=$(tr -d '\r' <"$stage/Config.ini" | grep -c '^\[TYPE:FILE\]' || true)
kill -9 "$pid" || true
wait "$pid" 2>/dev/null || true
comm -23 "$E2E_DIR/all.txt" <(present) >"$E2E_DIR/gone.txt"
gone=$(wc -l <"$E2E_DIR/gone.txt")
echo "saved $saved, removed $gone before the kill"
check "shortcuts were removed before the kill" test "$gone" -gt 0

out=$(run backups --json) || true
recovered=$(jq -r '.[] | select(.name | endswith("(recovered)")) | .path' <<<"$out" | head -1)
check "the next start packed a recovered archive" test -n "$recovered"
check "it holds exactly the shortcuts that were removed" \
  cmp -s "$E2E_DIR/gone.txt" <(archived "$(e2e_wine winepath -u "$recovered")")
out=$(run restore "$recovered") && rc=0 || rc=$?
check "the recovered archive restores with exit 0" test "$rc" -eq 0
check "... nothing refused" bash -c '! grep -q "Refused" <<<"$1"' _ "$out"
check "every shortcut is back" cmp -s "$E2E_DIR/all.txt" <(present)
e2e_finish
