#!/usr/bin/env bash
# Nothing healthy is reported and no leftover hides: a generated corpus of some
# four hundred entries in every section's shapes (path_corpus.py) is scanned with
# every file present, when nothing of it may be reported, and again with the
# files deleted, when every entry must be. QB_CORPUS_SEED draws another corpus; a
# failure names the seed that reproduces it.
. "$(dirname "$0")/../support/e2e.sh"
usage="usage: path_corpus_test.sh quillbane-cli.exe qb-make-shortcut.exe"
cli="${1:?$usage}" make_shortcut="${2:?$usage}"
seed="${QB_CORPUS_SEED:-32}"

e2e_clone
e2e_install "$cli" "$make_shortcut"
drive="$WINEPREFIX/drive_c"
/usr/bin/python3 "$(dirname "$0")/path_corpus.py" "$seed" "$drive" "$E2E_DIR" >/dev/null
cp "$E2E_DIR/corpus.reg" "$drive/corpus.reg"
e2e_wine regedit /S 'C:\corpus.reg' >/dev/null
check "the corpus reached the registry" e2e_reg_has 'HKLM\Software\Wow6432Node\QbCorpus\Group 1'
links=()
while IFS=$'\t' read -r link target; do links+=("$link" "$target"); done <"$E2E_DIR/links.txt"
# Writing a link again is harmless: a second run makes up for one that failed.
e2e_wine 'C:\Quillbane\make_shortcut.exe' "${links[@]}" >/dev/null ||
  e2e_wine 'C:\Quillbane\make_shortcut.exe' "${links[@]}" >/dev/null || cat "$E2E_DIR/stderr"
check "every shortcut was written" test "$(ls "$drive/QbCorpusLinks" | wc -l)" -eq $((${#links[@]} / 2))

# Every problem as "section|key|value name|link path|data|target".
scan() {
  local rc=0
  e2e_wine 'C:\Quillbane\quillbane-cli.exe' scan --sections 2,3,4,5,6,7,8,9,10,11,13,14 --json \
    >"$E2E_DIR/$1.json" || rc=$?
  [ "$rc" -le 1 ] || { echo "the scan '$1' ended with exit code $rc:"; head -c 2000 "$E2E_DIR/stderr"; }
  jq -r '.sections[] | .id as $id | .problems[] |
    [$id, .key, .valueName, .linkPath, .valueData, .targetPath] | map(. // "" | tostring) | join("|")' \
    "$E2E_DIR/$1.json" >"$E2E_DIR/$1.txt"
}

scan present
grep -iE 'qbc[0-9]{4}q|qbcorpus|51b0c0c0' "$E2E_DIR/present.txt" >"$E2E_DIR/healthy-reported.txt" || true
check "with every file there, nothing of the corpus is reported" test ! -s "$E2E_DIR/healthy-reported.txt"
head -20 "$E2E_DIR/healthy-reported.txt"

while IFS= read -r path; do rm -rf -- "$path"; done <"$E2E_DIR/gone.txt"
scan absent
# Each entry's needle in a problem of its own section (key, value name or link path).
/usr/bin/python3 - "$E2E_DIR/expected.txt" "$E2E_DIR/absent.txt" >"$E2E_DIR/hidden.txt" <<'PY'
import sys
reported = [line.lower().split("|") for line in open(sys.argv[2], encoding="utf-8").read().splitlines()]
for line in open(sys.argv[1], encoding="utf-8").read().splitlines():
    section, needle = line.lower().split("|", 1)
    if not any(r[0] == section and any(needle in field for field in r[1:4]) for r in reported):
        print(line)
PY
check "with the files deleted, every entry of the corpus is reported" test ! -s "$E2E_DIR/hidden.txt"
head -20 "$E2E_DIR/hidden.txt"
[ "$E2E_FAILURES" -eq 0 ] || echo "corpus seed: $seed (QB_CORPUS_SEED=$seed draws it again)"
e2e_finish
