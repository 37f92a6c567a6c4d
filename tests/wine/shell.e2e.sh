# shellcheck shell=bash
# End to end under Wine: the launcher starts the UI application, the main
# window comes up with its title and size, every visible section button and
# the colour-motion toggle answer a click, the window closes and the launcher
# ends with status 0 leaving no "vxt" file behind; and the launcher's two
# failures (the program cannot be started; it ends with a non-zero status)
# show their message boxes.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX and DISPLAY set);
# prints "PASS name" or "FAIL name: why" per check and sets E2E_PASSED and
# E2E_FAILED. VEXO_E2E_BUILD names another Windows build folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/shell"
e2e_shell_nav_left=0

# Every "vxt" file under the profile folders of the prefix, one per line.
e2e_shell_vxt_files() {
    find "$WINEPREFIX/drive_c/users" -iname 'vxt*.tmp' 2>/dev/null | sort
}

# The launcher's files left in the temporary folder since `before`.
e2e_shell_left_behind() {
    comm -13 <(printf '%s\n' "$1") <(e2e_shell_vxt_files) | grep -v '^$'
}

# ---- the main window ----------------------------------------------------------

# Waits for HEADING and checks that it is the header's heading: a label above
# the header's 98-px line, left of the 185-px navigation column. Reports a
# failure under NAME and returns 1 otherwise.
e2e_shell_heading() {
    local name="$1" heading="$2" found class hx hy hw hh
    if ! found=$(e2e_driver wait-text "$e2e_title" "$heading" 10000); then
        e2e_fail "$name" "the heading does not read \"$heading\""
        return 1
    fi
    read -r class hx hy hw hh <<<"$found"
    if [ "${class,,}" != static ] || [ "$((hy + hh))" -gt 98 ] ||
        [ "$((hx + hw))" -gt "$e2e_shell_nav_left" ]; then
        e2e_fail "$name" "\"$heading\" is not the header's heading ($found)"
        return 1
    fi
    return 0
}

# Checks what every section change must leave: no window of the UI outside
# the main window (a control taken off the stage must not surface on the
# desktop) and, when WANT_CONTENT is set, text shown on the stage, below the
# 98-px header and left of the navigation column.
e2e_shell_aftermath() {
    local name="$1" want_content="$2" strays
    strays=$(e2e_driver strays "$e2e_title")
    if [ -n "$strays" ]; then
        e2e_fail "$name" "windows outside the main window: $(tr '\t\n' ' ;' <<<"$strays")"
        return 1
    fi
    if [ -n "$want_content" ] &&
        ! e2e_driver texts "$e2e_title" |
        awk -F'\t' -v right="$e2e_shell_nav_left" '
            $3 != "" { split($2, r, " "); if (r[2] >= 98 && r[1] + r[3] <= right) found = 1 }
            END { exit !found }'; then
        e2e_fail "$name" "the stage shows no text"
        return 1
    fi
    return 0
}

# The text of the header's heading label (below the brand line, above the
# 98-px line, left of the navigation column).
e2e_shell_current_heading() {
    e2e_driver texts "$e2e_title" |
        awk -F'\t' -v right="$e2e_shell_nav_left" '
            tolower($1) == "static" && $3 != "VEXO / SOLVANE 23" {
                split($2, r, " ")
                if (r[2] + r[4] <= 98 && r[1] + r[3] <= right) { print $3; exit }
            }'
}

# Clicks a section button. While a section's work runs, the busy protocol
# refuses with its message box: that box is checked, answered and the click
# repeated, a bounded number of times. Reports a failure under NAME and
# returns 1 when the click cannot be made.
e2e_shell_click_section() {
    local name="$1" button="$2" clicked box tries=0
    local refusal="أوقف الفحص أو أكمل إزالة البرنامج الجاري قبل تغيير القسم."
    if ! clicked=$(e2e_driver click "$e2e_title" "$button"); then
        e2e_fail "$name" "no visible button \"$button\""
        return 1
    fi
    while [ "$clicked" = pending ]; do
        if ! box=$(e2e_driver answer-box "فيكسو" OK 5000); then
            e2e_fail "$name" "the click never finished and no message box is shown"
            return 1
        fi
        if [ "$(sed -n '2,$p' <<<"$box")" != "$refusal" ]; then
            e2e_fail "$name" "unexpected message \"$(sed -n '2,$p' <<<"$box")\""
            return 1
        fi
        tries=$((tries + 1))
        if [ "$tries" -ge 15 ]; then
            e2e_fail "$name" "still refused as busy after $tries tries"
            return 1
        fi
        clicked=$(e2e_driver click "$e2e_title" "$button")
    done
    return 0
}

e2e_shell_main_window() {
    e2e_launcher_ready "launcher" || return
    local before
    before=$(e2e_shell_vxt_files)

    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 300
    if ! e2e_driver wait-window "$e2e_title" 60000; then
        e2e_fail "main window appears with its title" "no window titled \"$e2e_title\""
        e2e_abandon
        return
    fi
    e2e_pass "main window appears with its title"

    # The screen of the harness is 1280 x 800 without a taskbar, so the size
    # rule gives min(1180, 1280 - 24) x min(780, 800 - 24), centred.
    local rect x y width height cx cy client_width client_height
    rect=$(e2e_driver window-rect "$e2e_title")
    read -r x y width height cx cy client_width client_height <<<"$rect"
    if [ "$width" = 1180 ] && [ "$height" = 776 ]; then
        e2e_pass "main window is 1180 x 776 on a 1280 x 800 screen"
    else
        e2e_fail "main window is 1180 x 776 on a 1280 x 800 screen" \
            "the window is ${width} x ${height} (client ${client_width} x ${client_height})"
    fi
    if [ "$x" = 50 ] && [ "$y" = 12 ]; then
        e2e_pass "main window is centred on the screen"
    else
        e2e_fail "main window is centred on the screen" \
            "its top-left corner is at ${x},${y}, not 50,12"
    fi
    e2e_shell_nav_left=$((client_width - 185))

    if e2e_shell_heading "first show opens Home" "تحكّم أذكى. مساحة أوسع." &&
        e2e_shell_aftermath "first show opens Home" content; then
        e2e_pass "first show opens Home"
    fi
    e2e_picture shell-first-show

    # Every visible section button, one click each:
    #   button | its heading | picture | content on the stage | "later" when its
    #   section may not be part of this build yet (its button then opens
    #   nothing and the heading stays)
    local sections=(
        "مساحة القرص|مساحة جهازك — أرقام فعلية|space|content|"
        "ملفاتي|ملفاتي — حدّد وانقل للسلة|files||later"
        "التطبيقات|البرامج المثبّتة — إزالة بالتتابع|applications||later"
        "تقرير التنظيف|تقرير التنظيف — قبل وبعد|report||later"
        "الرئيسية|تحكّم أذكى. مساحة أوسع.|home|content|"
        "مساحة القرص|مساحة جهازك — أرقام فعلية|space-again|content|"
    )
    local entry button heading picture content later clicked previous now
    for entry in "${sections[@]}"; do
        IFS='|' read -r button heading picture content later <<<"$entry"
        local name="section button \"$button\" ($picture)"
        previous=$(e2e_shell_current_heading)
        if ! e2e_shell_click_section "$name" "$button"; then
            continue
        fi
        if [ -n "$later" ]; then
            now=$(e2e_shell_current_heading)
            if [ "$now" = "$previous" ] && [ "$now" != "$heading" ]; then
                e2e_pass "$name: not built yet, opens nothing"
                continue
            fi
        fi
        e2e_shell_heading "$name" "$heading" || continue
        # Taken first: the picture tells most when a check below fails.
        if ! e2e_picture "shell-$picture"; then
            e2e_fail "$name" "no screenshot build/screenshots/shell-$picture.png"
            continue
        fi
        e2e_shell_aftermath "$name" "$content" && e2e_pass "$name"
    done

    # The colour-motion toggle names what a click would do next.
    local toggle_off="إيقاف حركة الألوان" toggle_on="تشغيل حركة الألوان"
    if e2e_driver click "$e2e_title" "$toggle_off" >/dev/null &&
        e2e_driver wait-text "$e2e_title" "$toggle_on" 10000 >/dev/null &&
        e2e_picture shell-motion-off &&
        e2e_driver click "$e2e_title" "$toggle_on" >/dev/null &&
        e2e_driver wait-text "$e2e_title" "$toggle_off" 10000 >/dev/null; then
        e2e_pass "colour-motion toggle stops and restarts the motion"
    else
        e2e_fail "colour-motion toggle stops and restarts the motion" \
            "its text did not go \"$toggle_off\" -> \"$toggle_on\" -> \"$toggle_off\""
    fi

    e2e_driver close "$e2e_title"
    if e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_pass "main window closes"
    else
        e2e_fail "main window closes" "still open 20 s after the close request"
        e2e_abandon
        return
    fi
    # The launcher ends as soon as the UI process has. A UI that fails on its
    # way out makes the launcher show its second message instead: that is
    # read out and answered, so the failure is reported rather than waited out.
    local name="launcher ends with status 0 once the window has closed" box="" round
    e2e_exit=""
    for round in 1 2 3 4 5 6 7 8 9 10; do
        if read -r -t 2 -u "$e2e_fd" e2e_exit; then
            break
        fi
        if box=$(e2e_driver answer-box Vexo OK 1000); then
            break
        fi
    done
    if [ -n "$box" ]; then
        e2e_fail "$name" "it says \"$(sed -n '2,$p' <<<"$box")\""
        e2e_wait
    elif [ -z "$e2e_exit" ]; then
        e2e_fail "$name" "the UI or the launcher is still running after the window closed"
        e2e_wait 1
    else
        e2e_forget_launcher
        if [ "$e2e_exit" = 0 ]; then
            e2e_pass "$name"
        else
            e2e_fail "$name" "status $e2e_exit"
        fi
    fi
    if [ "$e2e_exit" != 0 ]; then
        e2e_abandon
    fi
    local left
    left=$(e2e_shell_left_behind "$before")
    if [ -z "$left" ]; then
        e2e_pass "launcher leaves no vxt file"
    else
        e2e_fail "launcher leaves no vxt file" "$left"
    fi
}

# ---- the launcher's own outcomes ------------------------------------------------

# One launcher run against a stand-in payload: its status, the message box it
# shows (or none) and the temporary file it must not leave.
#   name | launcher | VEXO_PROBE_STATUS | status | message (empty: no box)
e2e_shell_launcher_cases=(
    "UI ends with status 0: no message, status 0|vexo-launcher-probe|0|0|"
    "UI ends with status 23: second message, status 23|vexo-launcher-probe|23|23|تعذر بدء الواجهة. أرسل صورة الرسالة للمتابعة."
    "UI cannot be started: first message, status 1|vexo-launcher-not-a-program||1|تعذر تشغيل واجهة البرنامج"
)

# What the probe's statuses 91 to 93 mean: a promise the launcher broke.
e2e_shell_probe_broke() {
    case "$1" in
        91) printf 'VEXO_UI_FILE_V23 does not name the running program' ;;
        92) printf 'VEXO_APP_EXE23 does not name the launcher' ;;
        93) printf 'the program does not run from a vxt file in the temporary folder' ;;
        *) printf 'status %s' "$1" ;;
    esac
}

e2e_shell_launcher_outcomes() {
    local entry name exe probe_status expected message
    for entry in "${e2e_shell_launcher_cases[@]}"; do
        IFS='|' read -r name exe probe_status expected message <<<"$entry"
        local launcher="$e2e_build/tests/wine/$exe.exe"
        if [ ! -f "$launcher" ]; then
            e2e_fail "$name" "$launcher is not built"
            continue
        fi
        local before
        before=$(e2e_shell_vxt_files)
        VEXO_PROBE_STATUS="$probe_status" e2e_start "$launcher" "$e2e_logs/$exe.log" 60
        local why=""
        if [ -n "$message" ]; then
            local box
            if ! box=$(e2e_driver answer-box Vexo OK 30000); then
                why="no message box captioned \"Vexo\""
            elif [ "$(sed -n 1p <<<"$box")" != "icon=error owner=none" ]; then
                why="the box shows $(sed -n 1p <<<"$box"), not icon=error owner=none"
            elif [ "$(sed -n '2,$p' <<<"$box")" != "$message" ]; then
                why="the box says \"$(sed -n '2,$p' <<<"$box")\""
            fi
        fi
        local left
        if [ -z "$why" ]; then
            e2e_wait
            if [ "$e2e_exit" != "$expected" ]; then
                why="launcher status $e2e_exit ($(e2e_shell_probe_broke "$e2e_exit"))"
            fi
        fi
        left=$(e2e_shell_left_behind "$before")
        if [ -z "$why" ] && [ -n "$left" ]; then
            why="left $left"
        fi
        if [ -z "$why" ]; then
            e2e_pass "$name"
        else
            e2e_fail "$name" "$why"
            e2e_abandon
        fi
    done
}

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
# A program that crashes must end at once (and fail its check), not wait
# for Wine's debugger until the bound runs out.
wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
    >/dev/null 2>&1
e2e_shell_main_window
e2e_shell_launcher_outcomes
