# shellcheck shell=bash
# End to end under Wine: the Cleanup report section beside a stored clean-up
# (the Before and After columns of C:, a drive gone since without a row),
# restart and cancel through Wine's shutdown.exe, the repair console refused
# while it is open, and the functions guide read back line by line from its
# text box, opened twice as one box.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX and DISPLAY set);
# prints "PASS name" or "FAIL name: why" per check and sets E2E_PASSED and
# E2E_FAILED. VEXO_E2E_BUILD names another Windows build folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/report"
e2e_report_heading="تقرير التنظيف — قبل وبعد"
e2e_guide_heading="دليل الوظائف والحدود الفعلية"
# Where the guide's entry stands in the More menu (0 is the top).
e2e_guide_entry=7

# A clean-up made before this run: 10 GiB available on C: and on a drive Q:
# that is gone since.
e2e_report_json() {
    printf '\xef\xbb\xbf'
    cat <<'JSON'
{
  "At": "2024-05-01T10:00:00",
  "Kind": "ملفات",
  "LogicalRemoved": 1073741824,
  "Attempted": 2,
  "Success": 2,
  "Failed": 0,
  "Stopped": false,
  "Before": [
    { "Root": "C:\\", "Total": 107374182400, "Free": 10737418240, "Available": 10737418240, "Used": 96636764160 },
    { "Root": "Q:\\", "Total": 1073741824, "Free": 0, "Available": 0, "Used": 1073741824 }
  ],
  "After": [
    { "Root": "C:\\", "Total": 107374182400, "Free": 11811160064, "Available": 11811160064, "Used": 95563022336 }
  ]
}
JSON
}

# Clicks BUTTON, whose handler shows a message box, and answers the boxes
# that follow: "CAPTION=BUTTON" pairs, each box's "icon owner" line and text
# appended to e2e_report_boxes, one box per block. Returns 1 when a box does
# not come.
e2e_report_boxes=""
e2e_report_press() {
    local button="$1" pair caption answer box
    shift
    e2e_report_boxes=""
    [ "$(e2e_driver click "$e2e_title" "$button")" = pending ] || return 1
    for pair in "$@"; do
        caption="${pair%%=*}"
        answer="${pair#*=}"
        box=$(e2e_driver answer-box "$caption" "$answer" 20000) || return 1
        e2e_report_boxes+="$box"$'\n'
    done
}

# The guide as the product stores it, one line per line.
e2e_report_stored_guide() {
    sed -n '/kGuideText = R"guide(/,/)guide";/p' ui/tools/functions_guide.cpp |
        sed -e '1s/.*R"guide(//' -e '$d'
}

e2e_report_run() {
    e2e_launcher_ready "cleanup report" || return
    e2e_profile "cleanup report" || return
    local data="$e2e_user_dir/AppData/Local/VexoTolvik"
    mkdir -p "$data"
    e2e_report_json >"$data/LastCleanup.json"

    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 300
    e2e_wait_home "cleanup report opens" || return

    # ---- the table ------------------------------------------------------------------
    local name="cleanup report shows C: before and after, no row for a drive gone since"
    if [ "$(e2e_driver click "$e2e_title" "تقرير التنظيف")" != done ] ||
        ! e2e_driver wait-text "$e2e_title" "$e2e_report_heading" 10000 >/dev/null; then
        e2e_fail "$name" "the navigation button did not open it"
        e2e_abandon
        return
    fi
    e2e_driver wait-text-containing "$e2e_title" "ملخص ملفات عند 2024-05-01T10:00:00" 5000 \
        >/dev/null || e2e_fail "$name" "the summary does not describe the stored report"
    e2e_picture report-section || e2e_fail "$name" "no screenshot report-section.png"
    local cells
    cells=$(e2e_driver cells "$e2e_title")
    printf '%s\n' "$cells" >"$e2e_logs/cells.txt"
    # No tick box, then Root, Before, After, Delta: Before is the stored
    # 10 GiB, Delta is After minus Before; a drive that took no part has both
    # empty; Q: has no row.
    local why
    why=$(awk -F'\t' '
        $1 != "none" { print "row " NR " has a tick box (" $1 ")" }
        { gsub(",", "", $3); gsub(",", "", $4); gsub(",", "", $5) }
        $2 == "C:\\" { c = 1
            if ($3 != "10.00") print "C: Before reads " $3
            if ($4 !~ /^[0-9]+\.[0-9][0-9]$/) print "C: After reads " $4
            d = $4 - $3 - $5; if (d > 0.011 || d < -0.011) print "C: Delta " $5 " is not After - Before" }
        $2 == "Q:\\" { print "a row for Q:, gone since" }
        $2 != "C:\\" && ($3 != "" || $5 != "") { print $2 " has Before or Delta" }
        END { if (!c) print "no row for C:" }' <<<"$cells")
    if [ -z "$why" ]; then
        e2e_pass "$name"
    else
        e2e_fail "$name" "$(tr '\n' ';' <<<"$why")"
    fi

    # ---- restart and cancel through shutdown.exe ----------------------------------------
    name="restart asks, then hands /r /t 60 to shutdown.exe and tells its answer"
    if ! e2e_report_press "إعادة تشغيل" "إعادة التشغيل=Yes" "فيكسو=OK"; then
        e2e_fail "$name" "the question or the answer did not come"
        e2e_abandon
        return
    fi
    printf '%s' "$e2e_report_boxes" >"$e2e_logs/restart.txt"
    if [ "$(sed -n 1p <<<"$e2e_report_boxes")" != "icon=question owner=window" ]; then
        e2e_fail "$name" "the question shows $(sed -n 1p <<<"$e2e_report_boxes")"
    elif [ "$(sed -n 4p <<<"$e2e_report_boxes")" != \
        "تم طلب إعادة التشغيل بعد 60 ثانية. احفظ عملك؛ استخدم زر الإلغاء إذا غيّرت رأيك." ]; then
        e2e_fail "$name" "it says \"$(sed -n 4p <<<"$e2e_report_boxes")\""
    else
        e2e_pass "$name"
    fi
    name="cancel restart hands /a to shutdown.exe without asking"
    if ! e2e_report_press "إلغاء إعادة التشغيل" "فيكسو=OK"; then
        e2e_fail "$name" "no answer came"
        e2e_abandon
        return
    fi
    if [ "$(sed -n 2p <<<"$e2e_report_boxes")" = "تم إلغاء إعادة التشغيل." ]; then
        e2e_pass "$name"
    else
        e2e_fail "$name" "it says \"$(sed -n 2p <<<"$e2e_report_boxes")\""
    fi

    # ---- the functions guide --------------------------------------------------------------
    name="functions guide shows the stored guide line by line with CR LF"
    local round shown
    for round in 1 2; do
        if [ "$(e2e_driver click "$e2e_title" "المزيد  ▾")" != pending ] ||
            ! e2e_driver menu-choose "$e2e_title" "$e2e_guide_entry" 5000 >/dev/null ||
            ! e2e_driver wait-text "$e2e_title" "$e2e_guide_heading" 10000 >/dev/null; then
            e2e_fail "$name" "the More menu did not open the guide (round $round)"
            e2e_abandon
            return
        fi
    done
    e2e_picture functions-guide || e2e_fail "$name" "no screenshot functions-guide.png"
    local boxes
    boxes=$(e2e_driver texts "$e2e_title" | awk -F'\t' 'tolower($1) == "edit"' | wc -l)
    if [ "$boxes" = 0 ]; then
        e2e_fail "$name" "no text box on the stage"
        e2e_fail "the guide opened twice shows one text box" "no text box on the stage"
    else
        shown=$(e2e_driver edit-text "$e2e_title")
        printf '%s\n' "$shown" >"$e2e_logs/guide.txt"
        local settings expected got
        settings=$(sed -n 1p <<<"$shown")
        expected=$(e2e_report_stored_guide)
        # Every line of the box ends with CR LF, the last one included (its
        # LF went with the command substitution; its CR is still there).
        got=$(sed -n '2,$p' <<<"$shown")
        if [ "$settings" != "multiline readonly vscroll wrap rtl" ]; then
            e2e_fail "$name" "the text box is \"$settings\""
        elif grep -qv $'\r$' <<<"$got"; then
            e2e_fail "$name" "a line does not end with CR LF"
        elif [ "$(tr -d '\r' <<<"$got")" != "$expected" ]; then
            e2e_fail "$name" "the text differs: $(diff <(tr -d '\r' <<<"$got") <(printf '%s\n' "$expected") | head -5 | tr '\n' ';')"
        elif [ "$(wc -l <<<"$expected")" != 64 ]; then
            e2e_fail "$name" "the stored guide has $(wc -l <<<"$expected") lines, not 64"
        else
            e2e_pass "$name"
        fi
        if [ "$boxes" = 1 ]; then
            e2e_pass "the guide opened twice shows one text box"
        else
            e2e_fail "the guide opened twice shows one text box" "$boxes text boxes"
        fi
    fi

    # Last: its console stays open over the window.
    # ---- repair -----------------------------------------------------------------------------
    name="repair starts the console once and refuses a second while it is open"
    if [ "$(e2e_driver click "$e2e_title" "تقرير التنظيف")" != done ] ||
        ! e2e_driver wait-text "$e2e_title" "$e2e_report_heading" 10000 >/dev/null; then
        e2e_fail "$name" "the report section did not open again"
        e2e_abandon
        return
    fi
    if ! e2e_report_press "إصلاح ملفات ويندوز" "إصلاح ملفات النظام=Yes" "فيكسو=OK"; then
        e2e_fail "$name" "the question or the answer did not come"
        e2e_abandon
        return
    fi
    printf '%s' "$e2e_report_boxes" >"$e2e_logs/repair.txt"
    local started
    started=$(sed -n 4p <<<"$e2e_report_boxes")
    if [ "$(sed -n 1p <<<"$e2e_report_boxes")" != "icon=information owner=window" ]; then
        e2e_fail "$name" "the question shows $(sed -n 1p <<<"$e2e_report_boxes")"
    elif [ "$started" != "انفتح طلب صلاحية المسؤول. إذا وافقت، انتظر الأوامر بالنافذة. SFC يبدأ فقط إذا نجح DISM؛ اقرأ النتيجة النهائية قبل إعادة التشغيل." ]; then
        e2e_fail "$name" "it says \"$started\""
    elif ! e2e_report_press "إصلاح ملفات ويندوز" "فيكسو=OK"; then
        e2e_fail "$name" "the second press gave no answer"
    elif [ "$(sed -n 2p <<<"$e2e_report_boxes")" != "نافذة الإصلاح مفتوحة بالفعل؛ راجعها أولاً." ]; then
        e2e_fail "$name" "the second press says \"$(sed -n 2p <<<"$e2e_report_boxes")\""
    else
        e2e_pass "$name"
    fi

    e2e_close_main "main window closes after the report and the guide"
    # The repair console runs on by design (it stays open for the user): end
    # it with every other program of the prefix.
    e2e_abandon
}

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_report_run
