# shellcheck shell=bash
# End to end under Wine: My Files cleans up a profile. The profile's personal
# folders hold four files of known sizes (one of 150 MiB, sparse); the user
# opens My Files, waits for the first page, ticks the two largest files,
# presses "حذف المحدد", confirms, and answers the shell's own prompt for each
# file. Both files must be in Wine's trash and gone from their folders, the
# "Removal-" log and LastCleanup.json in the data folder must say so, the
# summary box must show its six lines, and the refreshed page must hold the
# two files left. Pictures before and after go to build/screenshots/.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX, DISPLAY and
# XDG_DATA_HOME set); prints "PASS name" or "FAIL name: why" per check and
# sets E2E_PASSED and E2E_FAILED. VEXO_E2E_BUILD names another Windows build
# folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/files"
e2e_files_mib=1048576

# The texts of the main window's visible controls, one per line.
e2e_files_texts() {
    e2e_driver texts "$e2e_title" | tr -d '\r'
}

# The shell's own confirmation for one file, owned by the main window,
# answered with Yes. (Wine's dialog keeps its text where a message box does
# not, so only its caption and owner are read.)
e2e_files_answer_shell() {
    local box
    box=$(e2e_driver answer-box "$e2e_files_shell_caption" Yes 20000) || return 1
    grep -q "owner=window" <<<"$box"
}

e2e_files_run() {
    e2e_launcher_ready "my files" || return

    # ---- the profile -------------------------------------------------------------
    e2e_profile "my files" || return
    local user_dir="$e2e_user_dir"
    local folder
    for folder in Desktop Documents Downloads Music Pictures Videos; do
        rm -rf "${user_dir:?}/$folder"
        mkdir -p "$user_dir/$folder"
    done
    local big="$user_dir/Downloads/vexo-e2e-archive.iso"
    local report="$user_dir/Documents/vexo-e2e-report.pdf"
    local photo="$user_dir/Pictures/vexo-e2e-photo.jpg"
    local notes="$user_dir/Desktop/vexo-e2e-notes.txt"
    truncate -s 150M "$big"
    truncate -s 3M "$report"
    truncate -s 1M "$photo"
    printf 'notes\r\n' >"$notes"
    local trash="$XDG_DATA_HOME/Trash"
    rm -f "$trash"/files/vexo-e2e-* "$trash"/info/vexo-e2e-*
    local data="$user_dir/AppData/Local/VexoTolvik"
    rm -f "$data"/Removal-*.txt "$data/LastCleanup.json"

    # ---- open My Files and wait for the first page ---------------------------------
    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 300
    e2e_wait_home "my files opens" || return
    if [ "$(e2e_driver click "$e2e_title" "ملفاتي")" != done ] ||
        ! e2e_driver wait-text "$e2e_title" "ملفاتي — حدّد وانقل للسلة" 10000 \
            >/dev/null; then
        e2e_fail "my files opens" "the navigation button did not open it"
        e2e_abandon
        return
    fi
    if ! e2e_driver wait-text-containing "$e2e_title" \
        "جاهز للمراجعة | نتائج: 4 | صفحة 1 | المحدد: 0 ملف (0.00 GB)" 60000 >/dev/null; then
        e2e_fail "my files lists the four files" \
            "the summary reads: $(e2e_files_texts | grep -F 'نتائج' | head -1)"
        e2e_picture files-first-page-failed
        e2e_abandon
        return
    fi
    local rows
    rows=$(e2e_driver rows "$e2e_title" | tr -d '\r')
    if [ "$rows" = 4 ]; then
        e2e_pass "my files lists the four files"
    else
        e2e_fail "my files lists the four files" "the grid has $rows rows"
    fi
    e2e_picture files-first-page || e2e_fail "picture of the first page" "none taken"

    # ---- tick the two largest and remove them --------------------------------------
    if [ "$(e2e_driver tick-row "$e2e_title" 0)" = done ] &&
        [ "$(e2e_driver tick-row "$e2e_title" 1)" = done ] &&
        e2e_driver wait-text-containing "$e2e_title" "المحدد: 2 ملف (0.15 GB)" 10000 \
            >/dev/null; then
        e2e_pass "ticking two rows selects 153 MiB"
    else
        e2e_fail "ticking two rows selects 153 MiB" \
            "the summary reads: $(e2e_files_texts | grep -F 'نتائج' | head -1)"
        e2e_abandon
        return
    fi
    e2e_picture files-ticked || true

    if [ "$(e2e_driver click "$e2e_title" "حذف المحدد")" != pending ]; then
        e2e_fail "the removal asks first" "no prompt after \"حذف المحدد\""
        e2e_abandon
        return
    fi
    local prompt
    if prompt=$(e2e_driver answer-box "راجع اختيارك" Yes 10000) &&
        [ "$(sed -n 1p <<<"$prompt")" = "icon=warning owner=window" ] &&
        grep -qF "نقل 2 ملف (0.15 GB) إلى السلة؟" <<<"$prompt" &&
        grep -qF "vexo-e2e-archive.iso" <<<"$prompt" &&
        grep -qF "vexo-e2e-report.pdf" <<<"$prompt"; then
        e2e_pass "the removal asks first, naming both files"
    else
        e2e_fail "the removal asks first, naming both files" "the prompt: $prompt"
        e2e_abandon
        return
    fi

    # The shell asks about each file itself, in its own words and language.
    local file answered=0
    for file in 1 2; do
        if e2e_files_answer_shell; then
            answered=$((answered + 1))
        fi
    done
    if [ "$answered" = 2 ]; then
        e2e_pass "the shell asks about each file"
    else
        e2e_fail "the shell asks about each file" "$answered of 2 prompts answered"
    fi

    local summary
    if summary=$(e2e_driver answer-box "فيكسو" OK 30000); then
        local lines
        lines=$(sed -n '2,$p' <<<"$summary" | tr -d '\r' | grep -c .)
        if [ "$lines" = 6 ]; then
            e2e_pass "the summary box shows six lines"
        else
            e2e_fail "the summary box shows six lines" "it shows $lines: $summary"
        fi
    else
        e2e_fail "the summary box shows six lines" "no summary box"
        e2e_abandon
        return
    fi

    # ---- what the run left ---------------------------------------------------------
    if [ -f "$trash/files/vexo-e2e-archive.iso" ] && [ -f "$trash/files/vexo-e2e-report.pdf" ] &&
        [ ! -e "$big" ] && [ ! -e "$report" ] && [ -f "$photo" ] && [ -f "$notes" ]; then
        e2e_pass "both files are in the trash, the others in place"
    else
        e2e_fail "both files are in the trash, the others in place" \
            "trash: $(ls "$trash/files" 2>/dev/null | tr '\n' ' ')"
    fi

    local logs log
    logs=("$data"/Removal-*.txt)
    log="${logs[0]}"
    if [ "${#logs[@]}" = 1 ] && [ -f "$log" ] &&
        [ "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
        [ "$(tail -c +4 "$log" | grep -c $'\r$')" = 2 ] &&
        tail -c +4 "$log" | sed -n 1p | grep -qiE '^REMOVED C:\\users\\[^\\]+\\Downloads\\vexo-e2e-archive\.iso'$'\r''$' &&
        tail -c +4 "$log" | sed -n 2p | grep -qiE '^REMOVED C:\\users\\[^\\]+\\Documents\\vexo-e2e-report\.pdf'$'\r''$'; then
        e2e_pass "the Removal- log names both files"
    else
        e2e_fail "the Removal- log names both files" \
            "$(basename "$log"): $(tr -d '\r' <"$log" 2>/dev/null | tr '\n' '|')"
    fi

    local json="$data/LastCleanup.json" facts
    facts=$(e2e_report_facts "$json")
    if [ "$facts" = "ملفات $((153 * e2e_files_mib)) 2 2 0 false true true" ]; then
        e2e_pass "LastCleanup.json records the run"
    else
        e2e_fail "LastCleanup.json records the run" "it holds: ${facts:-nothing readable}"
    fi

    if e2e_driver wait-text-containing "$e2e_title" \
        "جاهز للمراجعة | نتائج: 2 | صفحة 1 | المحدد: 0 ملف (0.00 GB)" 10000 >/dev/null &&
        [ "$(e2e_driver rows "$e2e_title" | tr -d '\r')" = 2 ]; then
        e2e_pass "the first page is asked for again without them"
    else
        e2e_fail "the first page is asked for again without them" \
            "the summary reads: $(e2e_files_texts | grep -F 'نتائج' | head -1)"
    fi
    e2e_picture files-after || e2e_fail "picture after the run" "none taken"

    e2e_close_main "main window closes after the run"
}

# Wine's shell words its prompt in the prefix's language (English here).
e2e_files_shell_caption="${VEXO_E2E_SHELL_CAPTION:-Confirm file deletion}"

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_files_run
