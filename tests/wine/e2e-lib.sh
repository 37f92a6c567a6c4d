# shellcheck shell=bash
# What every end-to-end script shares: result lines, the bounded driver, the
# launcher started and waited for within bounds, and pictures of the main
# window. A script sets e2e_build (the Windows build folder) and e2e_logs
# (where the driver's complaints and the launcher's output go) before it
# calls these.

# The main window's title, as the product shows it.
e2e_title="VEXO SOLVANE | إدارة الجهاز — v23"
e2e_pid=""
e2e_exit=""
e2e_fd=""
e2e_launcher=""
# Words put before "wine" when e2e_start starts a launcher (none by default).
e2e_start_with=()

e2e_pass() {
    printf 'PASS %s\n' "$1"
    E2E_PASSED=$((E2E_PASSED + 1))
}

e2e_fail() {
    printf 'FAIL %s: %s\n' "$1" "$2"
    E2E_FAILED=$((E2E_FAILED + 1))
}

# The driver, bounded; its complaints go to the log, its answer to stdout.
# The bound is longer than the longest wait a script asks of it (60 s), so
# that a wait ends by its own answer rather than by the bound.
e2e_driver() {
    LC_ALL=C.UTF-8 timeout -k 5 90 wine "$e2e_build/tests/wine/vexo-driver.exe" "$@" \
        2>>"$e2e_logs/driver.log"
}

# Puts the product's launcher into e2e_launcher and makes the pictures'
# folder; reports a failure under NAME and returns 1 when it is not built.
e2e_launcher_ready() {
    e2e_launcher="$e2e_build/app/VexoSolvane.exe"
    if [ ! -f "$e2e_launcher" ]; then
        e2e_fail "$1" "$e2e_launcher is not built"
        return 1
    fi
    mkdir -p "$VEXO_ROOT/build/screenshots"
}

# Starts a launcher EXE in the background, bounded (SECONDS) so that nothing
# outlives the suite, its output to LOG. Its status arrives through a pipe,
# so that waiting for it can be bounded too.
e2e_start() {
    local exe="$1" log="$2" seconds="$3" fifo="$e2e_logs/status.fifo"
    rm -f "$fifo"
    mkfifo "$fifo"
    exec {e2e_fd}<>"$fifo"
    (
        timeout -k 5 "$seconds" "${e2e_start_with[@]}" wine "$exe" >"$log" 2>&1
        echo "$?" >"$fifo"
    ) &
    e2e_pid=$!
}

# Waits at most SECONDS (30 by default) for the launcher started last to end
# and puts its status into e2e_exit; one that does not end in time is ended
# with every program of the prefix and counts as 124.
e2e_wait() {
    if ! read -r -t "${1:-30}" -u "$e2e_fd" e2e_exit; then
        wineserver -k >/dev/null 2>&1
        read -r -t 30 -u "$e2e_fd" _ || true
        e2e_exit=124
    fi
    e2e_forget_launcher
}

# Once the launcher's status has been read: reaps it and closes the pipe.
e2e_forget_launcher() {
    wait "$e2e_pid" 2>/dev/null
    exec {e2e_fd}>&-
    e2e_pid=""
    rm -f "$e2e_logs/status.fifo"
}

# After a failed check that may have left windows open: end the launcher and
# every Windows process of the prefix, so the next check starts clean.
e2e_abandon() {
    wineserver -k >/dev/null 2>&1
    if [ -n "$e2e_pid" ]; then
        e2e_wait 30
    fi
    wineserver -w >/dev/null 2>&1
}

# Asks the main window to close and waits for the launcher; a window still
# open after 20 s fails NAME and is ended with the prefix's programs.
e2e_close_main() {
    e2e_driver close "$e2e_title"
    if e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_wait
    else
        e2e_fail "$1" "still open"
        e2e_abandon
    fi
}

# Saves the main window's client area, as the X display shows it, to
# build/screenshots/NAME.png.
e2e_picture() {
    local file="$VEXO_ROOT/build/screenshots/$1.png" rect x y w h cx cy cw ch
    rect=$(e2e_driver window-rect "$e2e_title") || return 1
    read -r x y w h cx cy cw ch <<<"$rect"
    rm -f "$file"
    timeout 30 import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$file" 2>/dev/null &&
        [ -s "$file" ]
}
