# shellcheck shell=bash
# End to end under Wine: the temporary files section cleans up the user's
# temporary folder. The folder holds two files written weeks ago, one
# written today, a nested folder with an old file, another old file, and a
# junction to a folder outside with an old file in it. The user opens the
# section from the More menu, scans, filters the rows down to the two old
# files at the top, ticks both, presses "حذف المحدد", confirms and answers
# the shell's own prompt for each. Both files must be in Wine's trash; the
# new file, the nested one, the other one and everything behind the junction
# stay; the "Removal-" log and LastCleanup.json say so; and the grid shows
# the rest once the filter is emptied. Pictures go to build/screenshots/.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX, DISPLAY and
# XDG_DATA_HOME set); prints "PASS name" or "FAIL name: why" per check and
# sets E2E_PASSED and E2E_FAILED. VEXO_E2E_BUILD names another Windows build
# folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/tempfiles"

# The More menu's entry "ملفات مؤقتة", counted from the top.
e2e_temp_menu_entry=2

e2e_temp_rows() {
    e2e_driver rows "$e2e_title" | tr -d '\r'
}

# Waits up to $2 tenths of a second for the grid to show $1 rows.
e2e_temp_wait_rows() {
    local want="$1" tries="${2:-100}" i
    for ((i = 0; i < tries; i++)); do
        [ "$(e2e_temp_rows)" = "$want" ] && return 0
        sleep 0.1
    done
    return 1
}

e2e_temp_run() {
    e2e_launcher_ready "temporary files" || return

    # ---- the temporary folder -------------------------------------------------------
    local temp_win temp
    temp_win=$(timeout 60 wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
    temp=$(winepath -u "$temp_win" 2>/dev/null)
    temp="${temp%/}"
    if [ -z "$temp" ] || [ ! -d "$temp" ] || [ -L "$temp" ]; then
        e2e_fail "temporary files" "no real temporary folder in the prefix ($temp_win)"
        return
    fi
    e2e_profile "temporary files" || return
    local user_dir="$e2e_user_dir"
    rm -rf "$temp"/vexo-e2e-* "$user_dir/vexo-e2e-outside"
    local big="$temp/vexo-e2e-old-big.tmp" small="$temp/vexo-e2e-old-small.log"
    local fresh="$temp/vexo-e2e-new.tmp" other="$temp/vexo-e2e-other.dat"
    local deep="$temp/vexo-e2e-nested/inner/vexo-e2e-deep.tmp"
    local outside="$user_dir/vexo-e2e-outside/vexo-e2e-outside.tmp"
    mkdir -p "$(dirname "$deep")" "$(dirname "$outside")"
    truncate -s 3M "$big"
    printf 'log\r\n' >"$small"
    printf 'new\r\n' >"$fresh"
    printf 'other\r\n' >"$other"
    printf 'deep\r\n' >"$deep"
    printf 'outside\r\n' >"$outside"
    touch -d '30 days ago' "$big" "$deep" "$other" "$outside"
    touch -d '8 days ago' "$small"
    ln -s "$user_dir/vexo-e2e-outside" "$temp/vexo-e2e-junction"
    local trash="$XDG_DATA_HOME/Trash"
    rm -f "$trash"/files/vexo-e2e-* "$trash"/info/vexo-e2e-*
    local data="$user_dir/AppData/Local/VexoTolvik"
    rm -f "$data"/Removal-*.txt "$data/LastCleanup.json"

    # ---- open the section from the More menu ---------------------------------------
    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 300
    e2e_wait_home "the section opens from the More menu" || return
    # The menu runs its own loop until an entry is chosen: the click stays
    # pending meanwhile.
    if [ "$(e2e_driver click "$e2e_title" "المزيد  ▾")" = pending ] &&
        [ "$(e2e_driver menu-choose "$e2e_title" "$e2e_temp_menu_entry")" = done ] &&
        e2e_driver wait-text "$e2e_title" "ملفات مؤقتة — مراجعة قبل الحذف" 10000 >/dev/null; then
        e2e_pass "the section opens from the More menu"
    else
        e2e_fail "the section opens from the More menu" "the section did not open"
        e2e_picture tempfiles-menu-failed
        e2e_abandon
        return
    fi
    e2e_picture tempfiles-empty || e2e_fail "picture of the empty section" "none taken"

    # ---- scan ----------------------------------------------------------------------
    # Other programs of the prefix may have left old files of their own: only
    # this suite's files are counted, through the filter.
    # The walk runs inside the click: "done" once it has ended.
    if [ "$(e2e_driver click "$e2e_title" "بحث المؤقتات الأقدم من 7 أيام")" != done ] ||
        ! e2e_driver type "$e2e_title" "vexo-e2e" || ! e2e_temp_wait_rows 4; then
        e2e_fail "the scan lists the four old files" \
            "the grid shows $(e2e_temp_rows) rows for \"vexo-e2e\""
        e2e_picture tempfiles-scan-failed
        e2e_abandon
        return
    fi
    e2e_pass "the scan lists the four old files, nothing behind the junction"
    e2e_picture tempfiles-scanned || e2e_fail "picture after the scan" "none taken"

    # ---- filter, tick, remove ------------------------------------------------------
    if e2e_driver type "$e2e_title" "VEXO-E2E-OLD" && e2e_temp_wait_rows 2; then
        e2e_pass "the filter keeps the two old files at the top, case ignored"
    else
        e2e_fail "the filter keeps the two old files at the top, case ignored" \
            "the grid shows $(e2e_temp_rows) rows"
        e2e_abandon
        return
    fi
    if [ "$(e2e_driver tick-row "$e2e_title" 0)" != done ] ||
        [ "$(e2e_driver tick-row "$e2e_title" 1)" != done ]; then
        e2e_fail "both rows tick" "a tick box did not answer"
        e2e_abandon
        return
    fi
    e2e_picture tempfiles-ticked || true

    if [ "$(e2e_driver click "$e2e_title" "حذف المحدد")" != pending ]; then
        e2e_fail "the removal asks first" "no prompt after \"حذف المحدد\""
        e2e_abandon
        return
    fi
    local prompt
    if prompt=$(e2e_driver answer-box "تأكيد الملفات المحددة" Yes 10000) &&
        [ "$(sed -n 1p <<<"$prompt")" = "icon=warning owner=window" ] &&
        grep -qF "نقل 2 ملف بحجم 0.00 GB إلى السلة؟ راجع المسارات قبل الموافقة." <<<"$prompt"; then
        e2e_pass "the removal asks first, with the count and size"
    else
        e2e_fail "the removal asks first, with the count and size" "the prompt: $prompt"
        e2e_abandon
        return
    fi

    local answered=0 file
    for file in 1 2; do
        if e2e_driver answer-box "$e2e_temp_shell_caption" Yes 20000 | grep -q "owner=window"; then
            answered=$((answered + 1))
        fi
    done
    if [ "$answered" = 2 ]; then
        e2e_pass "the shell asks about each file"
    else
        e2e_fail "the shell asks about each file" "$answered of 2 prompts answered"
    fi

    local summary
    if summary=$(e2e_driver answer-box "فيكسو" OK 30000) &&
        grep -qF "ملخص ملفات عند " <<<"$summary" &&
        grep -qF "اكتملت المعالجة: 2 | لم تكتمل: 0" <<<"$summary"; then
        e2e_pass "the summary counts both files"
    else
        e2e_fail "the summary counts both files" "the box: ${summary:-none}"
        e2e_abandon
        return
    fi

    # ---- what the run left ---------------------------------------------------------
    if [ -f "$trash/files/vexo-e2e-old-big.tmp" ] && [ -f "$trash/files/vexo-e2e-old-small.log" ] &&
        [ ! -e "$big" ] && [ ! -e "$small" ] && [ -f "$fresh" ] && [ -f "$deep" ] &&
        [ -f "$other" ] && [ -f "$outside" ]; then
        e2e_pass "both files are in the trash, everything else in place"
    else
        e2e_fail "both files are in the trash, everything else in place" \
            "trash: $(ls "$trash/files" 2>/dev/null | tr '\n' ' ')"
    fi

    local logs log
    logs=("$data"/Removal-*.txt)
    log="${logs[0]}"
    if [ "${#logs[@]}" = 1 ] && [ -f "$log" ] &&
        [ "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
        [ "$(tail -c +4 "$log" | grep -c $'\r$')" = 2 ] &&
        tail -c +4 "$log" | grep -qiE '^REMOVED C:\\.*\\vexo-e2e-old-big\.tmp'$'\r''$' &&
        tail -c +4 "$log" | grep -qiE '^REMOVED C:\\.*\\vexo-e2e-old-small\.log'$'\r''$'; then
        e2e_pass "the Removal- log names both files"
    else
        e2e_fail "the Removal- log names both files" \
            "$(basename "$log"): $(tr -d '\r' <"$log" 2>/dev/null | tr '\n' '|')"
    fi

    local facts
    facts=$(e2e_report_facts "$data/LastCleanup.json")
    if [ "$facts" = "ملفات $((3 * 1048576 + 5)) 2 2 0 false true true" ]; then
        e2e_pass "LastCleanup.json records the run"
    else
        e2e_fail "LastCleanup.json records the run" "it holds: ${facts:-nothing readable}"
    fi

    if e2e_temp_wait_rows 0 &&
        e2e_driver type "$e2e_title" "vexo-e2e" && e2e_temp_wait_rows 2; then
        e2e_pass "the removed rows are gone, the other two remain"
    else
        e2e_fail "the removed rows are gone, the other two remain" \
            "the grid shows $(e2e_temp_rows) rows"
    fi
    e2e_picture tempfiles-after || e2e_fail "picture after the run" "none taken"

    e2e_close_main "main window closes after the run"
}

# Wine's shell words its prompt in the prefix's language (English here).
e2e_temp_shell_caption="${VEXO_E2E_SHELL_CAPTION:-Confirm file deletion}"

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_temp_run
