# shellcheck shell=bash
# End to end under Wine, and the product's contact sheet: a tour of every
# section with the demo profile (scripts/demo-profile.sh). The product is
# started once; the tour opens Home, My Files once its search has ended,
# Applications once its list has loaded, Disk space, the Cleanup report, and
# from the More menu the device browser once it has indexed every drive,
# folder analysis once it has measured D:, temporary files once they have
# been looked for, and the functions guide. Each stop fails when its section
# cannot be reached, does not get ready, or shows a message box; each is
# photographed to build/screenshots/tour/, and the pictures are laid out with
# their names on one sheet, build/screenshots/tour.png.
#
# The tour only looks: it removes, uninstalls and changes nothing in the
# profile (a folder analysis does save its rows, as it always does).
#
# Sourced by ./vexo (the e2e suite, and ./vexo tour) with the Wine harness
# loaded and a display up; works in the demo prefix and gives the harness its
# own prefix back at the end. Prints "PASS name" or "FAIL name: why" per stop
# and sets E2E_PASSED and E2E_FAILED. VEXO_E2E_BUILD names another Windows
# build folder; VEXO_TOUR_FRESH=--fresh makes the demo profile anew first
# (it is made anew anyway when a session has changed it).

. tests/wine/e2e-lib.sh
. scripts/demo-profile.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/tour"
e2e_tour_pictures="$VEXO_ROOT/build/screenshots/tour"
e2e_tour_sheet="$VEXO_ROOT/build/screenshots/tour.png"
e2e_tour_more="المزيد  ▾"

# The stops, in order: picture | its label on the sheet | the function that
# opens the section and waits until it is ready.
e2e_tour_stops=(
    "01-home|الرئيسية · Home|e2e_tour_home"
    "02-my-files|ملفاتي · My Files|e2e_tour_my_files"
    "03-applications|التطبيقات · Applications|e2e_tour_applications"
    "04-disk-space|مساحة القرص · Disk space|e2e_tour_disk_space"
    "05-cleanup-report|تقرير التنظيف · Cleanup report|e2e_tour_report"
    "06-device-browser|كل ملفات الجهاز · Device browser|e2e_tour_device_browser"
    "07-folder-analysis|تحليل المجلدات · Folder analysis|e2e_tour_folder_analysis"
    "08-temporary-files|ملفات مؤقتة · Temporary files|e2e_tour_temporary_files"
    "09-functions-guide|دليل الوظائف · Functions guide|e2e_tour_guide"
)

# Waits up to ROUNDS minutes (3 by default) for a control whose text holds
# TEXT: the machine may be shared with builds, and one wait of the driver is
# bounded at a minute.
e2e_tour_wait_for() {
    local text="$1" rounds="${2:-3}" round
    for ((round = 0; round < rounds; round++)); do
        e2e_driver wait-text-containing "$e2e_title" "$text" 60000 >/dev/null && return 0
    done
    return 1
}

# Waits up to a minute for the first grid to show rows: a page of results
# may arrive just after the line that says the work has ended.
e2e_tour_wait_rows() {
    local tries
    for ((tries = 0; tries < 120; tries++)); do
        [ "$(e2e_driver rows "$e2e_title" | tr -d '\r')" -gt 0 ] 2>/dev/null && return 0
        sleep 0.5
    done
    return 1
}

# A navigation button, then the section's heading.
e2e_tour_section() {
    [ "$(e2e_driver click "$e2e_title" "$1")" = "done" ] &&
        e2e_driver wait-text "$e2e_title" "$2" 10000 >/dev/null
}

# The More menu's entry INDEX (0 is the top), then the section's heading.
e2e_tour_more_entry() {
    [ "$(e2e_driver click "$e2e_title" "$e2e_tour_more")" = "pending" ] &&
        [ "$(e2e_driver menu-choose "$e2e_title" "$1" 10000)" = "done" ] &&
        e2e_driver wait-text "$e2e_title" "$2" 10000 >/dev/null
}

# ---- the stops --------------------------------------------------------------------
# Each prints why it failed, or nothing.

e2e_tour_home() {
    # The first section: the window opens on it. Its usage ring is read
    # once the window is up; the picture waits for its first frames.
    e2e_driver wait-text "$e2e_title" "تحكّم أذكى. مساحة أوسع." 10000 >/dev/null ||
        { echo "Home is not shown"; return; }
    sleep 2
}

e2e_tour_my_files() {
    e2e_tour_section "ملفاتي" "ملفاتي — حدّد وانقل للسلة" || { echo "no heading"; return; }
    e2e_tour_wait_for "جاهز للمراجعة | نتائج: " || { echo "the search did not end"; return; }
    e2e_tour_wait_rows || echo "no file is listed"
}

e2e_tour_applications() {
    e2e_tour_section "التطبيقات" "البرامج المثبّتة — إزالة بالتتابع" || { echo "no heading"; return; }
    e2e_tour_wait_for "تم تحميل " 1 && e2e_tour_wait_rows || echo "the list did not load"
}

e2e_tour_disk_space() {
    e2e_tour_section "مساحة القرص" "مساحة جهازك — أرقام فعلية" || echo "no heading"
}

e2e_tour_report() {
    e2e_tour_section "تقرير التنظيف" "تقرير التنظيف — قبل وبعد" || { echo "no heading"; return; }
    e2e_tour_wait_for "ملخص ملفات عند " 1 || echo "the earlier clean-up is not shown"
}

e2e_tour_device_browser() {
    e2e_tour_more_entry 0 "كل ملفات الجهاز" || { echo "the More menu did not open it"; return; }
    # Every local drive, the list's first choice.
    [ "$(e2e_driver click "$e2e_title" "بدء الفهرسة")" = "done" ] || { echo "no start button"; return; }
    e2e_tour_wait_for "اكتمل المتاح | " || { echo "the index did not finish"; return; }
    e2e_tour_wait_rows || echo "no file is listed"
}

e2e_tour_folder_analysis() {
    e2e_tour_more_entry 1 "تحليل المجلدات" || { echo "the More menu did not open it"; return; }
    [ "$(e2e_driver pick "$e2e_title" 'D:\')" = "done" ] || { echo "the drive list has no D:"; return; }
    e2e_driver click "$e2e_title" "تحليل القرص المحدد" >/dev/null
    e2e_tour_wait_for "اكتمل فحص العناصر المتاحة | " && e2e_tour_wait_rows ||
        echo "the analysis of D: did not end"
}

e2e_tour_temporary_files() {
    e2e_tour_more_entry 2 "ملفات مؤقتة — مراجعة قبل الحذف" ||
        { echo "the More menu did not open it"; return; }
    # The walk runs inside the click: "done" once it has ended.
    [ "$(e2e_driver click "$e2e_title" "بحث المؤقتات الأقدم من 7 أيام")" = "done" ] &&
        e2e_tour_wait_rows || echo "no old temporary file is listed"
}

e2e_tour_guide() {
    # Under Wine 8 the guide's text box may not be made (see report.e2e.sh);
    # the picture shows whatever the section shows.
    e2e_tour_more_entry 7 "دليل الوظائف والحدود الفعلية" || echo "the More menu did not open it"
}

# ---- boxes and pictures -------------------------------------------------------------

# Any other window of the product (a message box, an error) is a failure: its
# caption and text are printed and it is answered, so the tour can go on.
e2e_tour_boxes() {
    local strays line caption box
    strays=$(e2e_driver strays "$e2e_title" | tr -d '\r')
    [ -n "$strays" ] || return 0
    while IFS=$'\t' read -r _ _ caption; do
        box=$(e2e_driver answer-box "$caption" OK 2000 | tr -d '\r' | sed -n '2,$p')
        line+="\"$caption\": ${box:-(no text)}; "
    done <<<"$strays"
    printf 'a window besides the main one: %s' "$line"
    return 1
}

# Lays the pictures out three to a row, each with its label under it.
e2e_tour_compose() {
    local tiles="$e2e_logs/tiles" entry picture label fn n=0
    rm -rf "$tiles" && mkdir -p "$tiles"
    for entry in "${e2e_tour_stops[@]}"; do
        IFS='|' read -r picture label fn <<<"$entry"
        [ -s "$e2e_tour_pictures/$picture.png" ] || continue
        n=$((n + 1))
        convert "$e2e_tour_pictures/$picture.png" -resize 560x \
            \( -background white -size 560x32 -gravity center \
            pango:"<span font=\"DejaVu Sans Bold 14\" foreground=\"#173a6c\">$label</span>" \) \
            -background white -gravity center -append "$tiles/$picture.png" 2>>"$e2e_logs/compose.log" ||
            return 1
    done
    [ "$n" -gt 0 ] || return 1
    rm -f "$e2e_tour_sheet"
    montage "$tiles"/*.png -tile 3x -geometry +8+8 -background '#f2f6fc' \
        -colors 256 "PNG8:$e2e_tour_sheet" 2>>"$e2e_logs/compose.log" && [ -s "$e2e_tour_sheet" ]
}

# ---- the tour -----------------------------------------------------------------------

e2e_tour_walk() {
    local entry picture label fn why name
    for entry in "${e2e_tour_stops[@]}"; do
        IFS='|' read -r picture label fn <<<"$entry"
        name="tour: ${label#* · }"
        why=$("$fn")
        # Taken in every case: the picture tells most when a stop fails.
        e2e_picture "tour/$picture" || why="${why:-no picture taken}"
        if [ -z "$why" ]; then
            why=$(e2e_tour_boxes) && why=""
        else
            e2e_tour_boxes >/dev/null
        fi
        if [ -z "$why" ]; then
            e2e_pass "$name"
        else
            e2e_fail "$name" "$why"
        fi
        # Without its main window the tour cannot go on.
        e2e_driver window-rect "$e2e_title" >/dev/null 2>&1 || return 1
    done
}

e2e_tour_close() {
    local name="tour: the window closes and the launcher ends with status 0"
    e2e_driver close "$e2e_title"
    if ! e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_fail "$name" "the window is still open"
        e2e_abandon
        return
    fi
    e2e_wait
    if [ "$e2e_exit" = 0 ]; then
        e2e_pass "$name"
    else
        e2e_fail "$name" "status $e2e_exit"
    fi
}

e2e_tour_run() {
    local harness_prefix="${WINEPREFIX:-}" harness_trash="${XDG_DATA_HOME:-}" launcher
    mkdir -p "$e2e_logs" "$e2e_tour_pictures"
    : >"$e2e_logs/driver.log"
    rm -f "$e2e_tour_pictures"/*.png

    # The profile as it is made: remade first when a session has cleaned up
    # or uninstalled what the tour expects to show.
    if ! vexo_demo_profile "$e2e_build" "${VEXO_TOUR_FRESH:---intact}" \
        >"$e2e_logs/profile.log" 2>&1; then
        e2e_fail "tour: the demo profile" "$(tail -3 "$e2e_logs/profile.log" | tr '\n' ' ')"
    elif ! launcher=$(vexo_demo_install "$e2e_build"); then
        e2e_fail "tour: the demo profile" "$e2e_build/app/VexoSolvane.exe is not built"
    else
        # A program that crashes must end at once (and fail its stop), not
        # wait for Wine's debugger.
        wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f \
            >/dev/null 2>&1
        e2e_start "$launcher" "$e2e_logs/launcher.log" 900
        if e2e_wait_home "tour: the main window opens"; then
            if e2e_tour_walk; then
                e2e_tour_close
            else
                e2e_fail "tour" "the main window has gone"
                e2e_abandon
            fi
        fi
        if e2e_tour_compose; then
            e2e_pass "tour: the contact sheet build/screenshots/tour.png"
        else
            e2e_fail "tour: the contact sheet build/screenshots/tour.png" \
                "not made (see $e2e_logs/compose.log)"
        fi
    fi
    # The demo prefix's programs end; the harness gets its own prefix back.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    if [ -n "$harness_prefix" ]; then
        export WINEPREFIX="$harness_prefix" XDG_DATA_HOME="$harness_trash"
    fi
}

e2e_tour_run
