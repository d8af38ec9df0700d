#!/usr/bin/env bash
# Archives far larger unpacked than any backup: a 1 MB zip whose export entry
# unpacks to 1 GB, and one of forty entries that unpack to 400 MB. Even trusted
# by the user, restore takes nothing out of them: it says why and exits 2, the
# staging folder stays empty, and the console's memory stays small (sampled by
# peak-run; the figures are printed).
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: restore_bomb_test.sh quillbane-cli.exe peak-run.exe}"
peak="${2:?peak-run.exe missing}"

e2e_clone
drive="$WINEPREFIX/drive_c"
e2e_install "$cli"
cp "$peak" "$drive/peak-run.exe"
stage="$(e2e_temp_dir)/PlovenTemp"

python3 - "$drive" <<'EOF'
import sys, zipfile
drive = sys.argv[1]
records = ("[TYPE:REG_VALUE]\r\n[MAIN_KEY:HKEY_CURRENT_USER\\Software\\QbBomb]\r\n"
           "[VALUE_NAME:v]\r\n[VALUE:x]\r\n")
block = bytes(1 << 20)
with zipfile.ZipFile(drive + "/bomb.zip", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr("Config.ini", records)
    with z.open("RegKeyBkup0.reg", "w", force_zip64=True) as entry:
        for _ in range(1024):
            entry.write(block)
with zipfile.ZipFile(drive + "/many.zip", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr("Config.ini", records)
    for n in range(40):
        with z.open("%08x_part%d.lnk" % (n, n), "w") as entry:
            for _ in range(10):
                entry.write(block)
EOF
check "the bomb is a 1 MB file" test "$(stat -c %s "$drive/bomb.zip")" -lt $((3 << 19))

# restore_measured ZIP: runs restore under peak-run while the staging folder's
# files are sampled; prints peak-run's line, then the most bytes seen there.
restore_measured() {
  wine 'C:\peak-run.exe' 'C:\restore.txt' 'C:\Quillbane\quillbane-cli.exe' restore "C:\\$1" \
    --trust-archive </dev/null 2>/dev/null | tr -d '\r' >"$E2E_DIR/figures" &
  local pid=$! largest=0 size
  while kill -0 "$pid" 2>/dev/null; do
    size=$(find "$stage" -type f -printf '%s\n' 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
    [ "$size" -le "$largest" ] || largest=$size
  done
  wait "$pid" || true
  echo "$(cat "$E2E_DIR/figures"), staging at most $largest bytes"
}
field() { sed -E "s/.*$1 ([0-9.]+).*/\\1/" <<<"$2"; }

baseline=$(wine 'C:\peak-run.exe' 'C:\version.txt' 'C:\Quillbane\quillbane-cli.exe' --version \
  </dev/null 2>/dev/null | tr -d '\r')
echo "start-up (--version): $baseline"
for zip in bomb.zip many.zip; do
  figures=$(restore_measured "$zip")
  echo "restore $zip: $figures"
  said=$(tr -d '\r' <"$drive/restore.txt")
  check "$zip: refused, exit 2" test "$(field exit "$figures")" = 2
  check "$zip: it says why" grep -q 'Backup is Invalid.*Nothing was taken out of it: it would unpack to' <<<"$(tr '\n' ' ' <<<"$said")"
  check "$zip: nothing was written into the staging folder" test "$(field 'most' "$figures")" -eq 0
  check "$zip: peak private memory stays under 100 MB" \
    awk -v m="$(field 'peak private' "$figures")" 'BEGIN { exit !(m < 100) }'
  check "$zip: nothing was restored" e2e_reg_lacks 'HKCU\Software\QbBomb'
done
e2e_finish
