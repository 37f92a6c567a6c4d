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

# Puts the prefix's user profile folder (the one that is not Public) into
# e2e_user_dir; reports a failure under NAME and returns 1 when there is none.
e2e_profile() {
    local d
    e2e_user_dir=""
    for d in "$WINEPREFIX"/drive_c/users/*/; do
        [ "$(basename "$d")" = Public ] || e2e_user_dir="${d%/}"
    done
    [ -n "$e2e_user_dir" ] && return 0
    e2e_fail "$1" "the prefix has no user profile"
    return 1
}

# What a LastCleanup.json file records, on one line: Kind, LogicalRemoved,
# Attempted, Success, Failed, Stopped, and whether Before and After hold
# readings. Nothing when the file is missing or no JSON.
e2e_report_facts() {
    sed '1s/^\xEF\xBB\xBF//' "$1" 2>/dev/null |
        jq -r '[.Kind, .LogicalRemoved, .Attempted, .Success, .Failed, .Stopped,
                (.Before | length > 0), (.After | length > 0)] | map(tostring) | join(" ")' \
            2>/dev/null
}

# Waits for the main window to show Home, its first section: only then are
# the navigation buttons and Home's own there to click. Reports a failure
# under NAME, ends what runs and returns 1 when it does not come.
e2e_wait_home() {
    if ! e2e_driver wait-window "$e2e_title" 60000 >/dev/null ||
        ! e2e_driver wait-text "$e2e_title" "تحكّم أذكى. مساحة أوسع." 30000 >/dev/null; then
        e2e_fail "$1" "no main window showing Home"
        e2e_abandon
        return 1
    fi
}

# Closes the main window and waits for the launcher to end; reports a
# failure under NAME when the window stays open.
e2e_close_main() {
    e2e_driver close "$e2e_title"
    if e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_wait
    else
        e2e_fail "$1" "still open"
        e2e_abandon
    fi
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
