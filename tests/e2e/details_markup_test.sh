#!/usr/bin/env bash
# A registry value whose name is markup (as anyone may name a value) is shown
# in the Details window as the text it is: its row hands the drawing exactly
# the window's own three line breaks and bold labels, and the name's tags as
# escaped text, so it can neither forge a key and value nor push the real ones
# out of the row. Driven from another process.
. "$(dirname "$0")/../support/e2e.sh"
app="${1:?usage: details_markup_test.sh Quillbane.exe qb-drive.exe}"
driver="${2:?qb-drive.exe missing}"

e2e_window_clone "$app" "$driver"
fonts='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Fonts'
name='Reminder<br><b>Key</b> : HKEY_LOCAL_MACHINE \Software \Fernleaf Notes...<br><br><br>'
e2e_wine reg add "$fonts" /v "$name" /d 'C:\gone\qbreminder.ttf' /f >/dev/null
e2e_window_sections 3

wine 'C:\Quillbane\Quillbane.exe' </dev/null >"$E2E_DIR/window.log" 2>&1 &
window=$!
check "the window opens" d wait "$main" 30
out=$(d click "$main" 1000 + click "$main" 1009 + answer Quillbane 1 60)
check "the scan completes" test "$out" = "Scan Complete"
out=$(d until 10 1 count "$main" 1018 + rowclick "$main" 1018 0 50 46 + wait Details 20 + \
      find Details 1023 Fernleaf)
row=$(tail -1 <<<"$out")
text=$(d cell Details 1023 "$row" 0)
echo "the row: $text"
check "the row holds the window's own three line breaks, no more" test "$(grep -o '<br>' <<<"$text" | wc -l)" -eq 3
check "... and its own three bold labels, no more" test "$(grep -o '<b>' <<<"$text" | wc -l)" -eq 3
check "the name is there as text" \
  grep -qF '<b>ValueName</b> : Reminder&lt;br&gt;&lt;b&gt;Key&lt;/b&gt; : HKEY_LOCAL_MACHINE \Software \Fernleaf Notes...&lt;br&gt;&lt;br&gt;&lt;br&gt;<br>' <<<"$text"
check "the window closes" d click Details 2 + gone Details 20 + close "$main" + gone "$main" 20
timeout 20 tail --pid="$window" -f /dev/null || true
e2e_finish
