#!/usr/bin/env bash
# Our in-process export and import of registry keys against the registry editor
# (regedit /e, regedit /S), on a generated corpus below a unique
# HKCU\Software\QuillbaneTests key: every value type, default and awkward names,
# non-ASCII and non-BMP names, a 1 MB value, a 200-deep tree, a 10,000-value key,
# empty keys. (a) Our export imported by the editor, (b) the editor's export
# imported by us, each give the key back exactly; (c) both exports read back to
# the same keys and values. Quirks (text data the editor cannot carry) must come
# back exactly through our own export and import. An 8-bit ("REGEDIT4") export
# is imported by us as by the editor.
. "$(dirname "$0")/../support/e2e.sh"
helper="${1:?usage: reg_differential_test.sh qb-reg-corpus.exe}"

e2e_clone
mkdir -p "$WINEPREFIX/drive_c/Quillbane"
cp "$helper" "$WINEPREFIX/drive_c/Quillbane/corpus.exe"
corpus() { e2e_wine 'C:\Quillbane\corpus.exe' "$@"; }
drop() { e2e_wine reg delete "HKCU\\$1" /f >/dev/null; }
base="Software\\QuillbaneTests\\Differential$$"
key="$base\\Corpus"
quirks="$base\\Quirks"
drive="$WINEPREFIX/drive_c"

check "the corpus is seeded" corpus seed "$base"
check "our export holds the corpus exactly" corpus export "$key" 'C:\ours.reg'
e2e_wine regedit /e 'C:\theirs.reg' "HKEY_CURRENT_USER\\$key"
check "the editor exported the corpus" test -s "$drive/theirs.reg"
check "(c) both exports read back to the same keys and values" corpus same 'C:\ours.reg' 'C:\theirs.reg'
# The bytes are the editor's but where Wine's editor escapes a line break in
# text ("sz lines"), which Windows' editor does not do: we write it as hex(1):.
diff <(iconv -f UTF-16 -t UTF-8 "$drive/ours.reg") <(iconv -f UTF-16 -t UTF-8 "$drive/theirs.reg") \
  >"$E2E_DIR/bytes.diff" || true
sed 's/^/  /' "$E2E_DIR/bytes.diff" | head -8
check "the exports differ only in that line" test "$(grep -c '^[<>]' "$E2E_DIR/bytes.diff")" -eq 2 -a \
  "$(grep '^[<>]' "$E2E_DIR/bytes.diff" | grep -c '^. "sz lines"=')" -eq 2

drop "$key"
check "the corpus is gone before the editor imports our export" e2e_reg_lacks "HKCU\\$key"
e2e_wine regedit /S 'C:\ours.reg'
check "(a) the editor gives the corpus back exactly from our export" corpus compare 'C:\ours.reg' "$key"

drop "$key"
check "we import the editor's export" corpus import 'C:\theirs.reg' "$key"
check "(b) our import gives the corpus back exactly" corpus compare 'C:\ours.reg' "$key"

check "our export holds the quirks exactly" corpus export "$quirks" 'C:\quirks.reg'
drop "$quirks"
check "we import our export of the quirks" corpus import 'C:\quirks.reg' "$quirks"
check "our import gives the quirks back exactly" corpus compare 'C:\quirks.reg' "$quirks"
drop "$quirks"
e2e_wine regedit /S 'C:\quirks.reg'
echo "  the editor's import of the quirks: $(corpus compare 'C:\quirks.reg' "$quirks" || true)"

# An 8-bit export, as older archives may hold: text in the system's code page.
narrow="$base\\Narrow"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n"caf\xe9"="\xe9t\xe9 \\"q\\" \\\\"\r\n"x"=hex(2):25,41,25,e9,00\r\n"m"=hex(7):61,e9,00,00\r\n"s"=hex(1):41,e9,00\r\n"b"=hex:e9\r\n\r\n' \
  "$narrow" >"$drive/narrow.reg"
e2e_wine regedit /S 'C:\narrow.reg'
check "our export holds the editor's import of an 8-bit export" corpus export "$narrow" 'C:\narrow-ours.reg'
drop "$narrow"
check "we import the 8-bit export" corpus import 'C:\narrow.reg' "$narrow"
check "as the editor does" corpus compare 'C:\narrow-ours.reg' "$narrow"

drop "$quirks"
refused() { ! corpus import "$@" >/dev/null; }
check "an import confined to another key is refused" refused 'C:\quirks.reg' "$key"
check "and writes nothing" e2e_reg_lacks "HKCU\\$quirks"
drop "$base"
check "the test keys are removed" e2e_reg_lacks "HKCU\\$base"
e2e_finish
