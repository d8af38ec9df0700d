#!/usr/bin/env bash
# A clone of the test prefix runs the console front end and keeps its registry
# changes to itself.
. "$(dirname "$0")/../support/e2e.sh"
cli="${1:?usage: prefix_clone_test.sh quillbane-cli.exe}"

e2e_clone

out=$(e2e_wine "$cli" --version) && rc=0 || rc=$?
check "--version prints the program and version" test "$out" = "Quillbane v2.1"
check "--version exits 0" test "$rc" -eq 0
e2e_wine "$cli" >/dev/null && rc=0 || rc=$?
check "no command is a usage error (exit 2)" test "$rc" -eq 2
e2e_wine "$cli" --frobnicate >/dev/null && rc=0 || rc=$?
check "an unknown option is a usage error (exit 2)" test "$rc" -eq 2

e2e_wine reg add 'HKCU\Software\QbCloneProbe' /v probe /d yes /f >/dev/null
e2e_flush_registry
check "the clone keeps its registry change" grep -q 'QbCloneProbe' "$WINEPREFIX/user.reg"
check "the template does not see it" bash -c "! grep -q QbCloneProbe '$QB_BUILD/wineprefix/user.reg'"
check "the clone has no Z: drive" test ! -e "$WINEPREFIX/dosdevices/z:"

e2e_finish
