# Helpers for end-to-end tests: each test works in its own clone of the test prefix
# with its own wineserver, so it may change the registry and the disk freely.
# Expects QB_ROOT (source tree) and QB_BUILD (build tree) in the environment.

set -euo pipefail
# A step that fails outside a check ends the test: say which, or the log is empty.
trap 'echo "e2e: stopped by a failing step at line $LINENO: $BASH_COMMAND" >&2' ERR

E2E_FAILURES=0

e2e_clone() {
  E2E_DIR="$(mktemp -d "${QB_BUILD}/e2e.XXXXXX")"
  export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  "$QB_ROOT/scripts/clone-prefix" "$QB_BUILD/wineprefix" "$WINEPREFIX" ||
    { echo "e2e: the test prefix could not be cloned" >&2; return 1; }
  wineserver -p </dev/null >/dev/null 2>&1 || true
  trap e2e_cleanup EXIT
  # Start Wine's background services with our streams out of their reach. Under
  # heavy load Wine now and then fails to start a program at all: try again.
  local attempt
  for attempt in 1 2 3; do
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 && return 0
    echo "e2e: Wine did not start in the clone (attempt $attempt)" >&2
    sleep 1
  done
  return 1
}

# Puts the console (and, when given, the shortcut maker) into C:\Quillbane of the
# clone, where the scripts run them from.
e2e_install() {
  local dir="$WINEPREFIX/drive_c/Quillbane"
  mkdir -p "$dir"
  cp "$1" "$dir/quillbane-cli.exe"
  [ -z "${2:-}" ] || cp "$2" "$dir/make_shortcut.exe"
}

# A clone for driving the window from another process: the program in
# C:\Quillbane, qb-drive in C:\, `main` its caption and `d` the driver (on
# failure its exit code, what it read and what it said are shown).
e2e_window_clone() {  # e2e_window_clone Quillbane.exe qb-drive.exe
  e2e_clone
  drive="$WINEPREFIX/drive_c"
  mkdir -p "$drive/Quillbane"
  cp "$1" "$drive/Quillbane/Quillbane.exe"
  cp "$2" "$drive/qb-drive.exe"
  main='Quillbane v2.1 '
}
d() {
  e2e_wine 'C:\qb-drive.exe' "$@" && return 0
  echo "qb-drive $1 ... exited $?, read: $(tr '\n' '|' <"$E2E_DIR/stdout")" >&2
  cat "$E2E_DIR/stderr" >&2
  return 1
}

# The window scans only the sections given (their ids), as its settings say.
e2e_window_sections() {  # e2e_window_sections ID...
  local id on wanted
  for id in 1 2 3 4 5 6 7 8 9 10 11 13 14; do
    on=0
    for wanted in "$@"; do [ "$id" = "$wanted" ] && on=1; done
    e2e_wine reg add 'HKCU\Software\Tarnwick' /v "$id" /t REG_DWORD /d "$on" /f >/dev/null
  done
}

e2e_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$E2E_DIR"
}

# Runs a Windows program in the clone; its stdout is kept, Wine's CR LF made LF.
# Under heavy load Wine now and then fails to start a program at all: its loader's
# start.exe fallback then prints "ShellExecuteEx failed: ...", and cmd.exe says it
# "Can't recognize" the command it was to run. The program never ran, so running
# it again is safe.
e2e_wine() {
  local attempt rc out="$E2E_DIR/stdout"
  for attempt in 1 2 3; do
    # (Taken here: a failing program must not end the caller's script before the
    # retry below has looked at it.)
    rc=0
    wine "$@" </dev/null 2>"$E2E_DIR/stderr" | tr -d '\r' >"$out" || rc=${PIPESTATUS[0]}
    grep -qE "^ShellExecuteEx failed|^Can't recognize '.*' as an internal or external command" \
      "$out" "$E2E_DIR/stderr" || break
    echo "e2e: Wine did not start '$1' (attempt $attempt): $(head -c 200 "$E2E_DIR/stderr" "$out" | tr '\n' ' ')" >&2
    sleep 1
  done
  cat "$out"
  return "$rc"
}

# `reg query` in the clone through the retrying runner: its output, and reg's exit
# code (0 found, 1 not there). A bare `wine reg query` that Wine failed to start
# would read as "not there" and fail a check that expects the entry.
e2e_reg_query() { e2e_wine reg query "$@" 2>/dev/null; }
e2e_reg_has() {  # e2e_reg_has KEY [VALUE]
  e2e_reg_query "$1" ${2:+/v "$2"} >/dev/null
}
e2e_reg_lacks() {  # e2e_reg_lacks KEY [VALUE]: reg answered, and it is not there
  local rc=0
  e2e_reg_query "$1" ${2:+/v "$2"} >/dev/null || rc=$?
  [ "$rc" -eq 1 ]
}

# Flushes the clone's registry to its .reg files (the server stays persistent).
e2e_flush_registry() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
}

check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; E2E_FAILURES=$((E2E_FAILURES + 1)); fi
}

# check_same DESCRIPTION EXPECTED ACTUAL: like check, and a failure shows how the
# two texts differ.
check_same() {
  if [ "$2" = "$3" ]; then echo "ok: $1"; return; fi
  echo "FAILED: $1"
  diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/  /' | head -40 || true
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

e2e_finish() {
  [ "$E2E_FAILURES" -eq 0 ] || { echo "$E2E_FAILURES check(s) failed"; exit 1; }
}

# True while a program whose command line matches PATTERN runs in this clone: Wine
# shows a program's Windows command line as its process's, and every process of
# the clone carries its WINEPREFIX.
e2e_running() {  # e2e_running PATTERN
  local pid
  for pid in $(pgrep -f -- "$1" || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

# The Unix path of the clone's %TEMP% folder.
e2e_temp_dir() {
  winepath -u "$(wine cmd.exe /c 'echo %TEMP%' </dev/null 2>/dev/null | tr -d '\r')" 2>/dev/null
}

# Waits until FILE holds at least MIN_BYTES bytes; false after TIMEOUT seconds.
e2e_wait_for_size() {  # e2e_wait_for_size FILE MIN_BYTES TIMEOUT
  local deadline=$((SECONDS + $3))
  while [ "$(stat -c %s "$1" 2>/dev/null || echo -1)" -lt "$2" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}
