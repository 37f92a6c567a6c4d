# shellcheck shell=bash
# End to end under Wine: Folder analysis of a small mapped drive. Drive M is a
# host folder holding two folders of known sizes (sparse files), a link at the
# top level (a junction, as Wine reports it), a folder the user may not read
# inside one of them, a file, and a wide tree of 20,000 folders that keeps a
# scan busy for a few seconds. The user opens the section from the More menu,
# picks M:, starts an analysis and stops it at once, then runs a complete one,
# then shows the drives and the saved analysis again. The rows, notes, labels
# and the saved file are checked; pictures of the drives view, the stopped,
# the complete and the saved analysis go to build/screenshots/.
#
# We run as root, which reads any folder: the prefix's server is restarted
# without the capabilities that override permissions, so that the folder
# without any permission refuses the scan as it would refuse a user.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX, DISPLAY set); prints
# "PASS name" or "FAIL name: why" per check and sets E2E_PASSED and
# E2E_FAILED. VEXO_E2E_BUILD names another Windows build folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/analysis"
e2e_analysis_drive="$VEXO_ROOT/build/e2e/analysis-drive"
e2e_analysis_reminder=" | الأحجام منطقية وقد تختلف عن المستخدم الفعلي. لا تحذف مجلدات النظام يدوياً."

# The drive's tree, made once (the wide part takes a few seconds) and reused.
e2e_analysis_tree() {
    local d="$e2e_analysis_drive"
    [ -d "$d/Users/Secret" ] && chmod 755 "$d/Users/Secret"
    # The marker names the tree's width, so that another width is made anew.
    if [ ! -f "$d.20000" ]; then
        rm -rf "$d"
        python3 - "$d/Wide" <<'EOF' || return 1
import os, sys
for a in range(20):
    for b in range(1000):
        folder = os.path.join(sys.argv[1], "a%02d" % a, "b%03d" % b)
        os.makedirs(folder)
        open(os.path.join(folder, "f"), "w").close()
EOF
        touch "$d.20000"
    fi
    rm -rf "$d/Apps" "$d/Users" "$d/Junction" "$d/top.txt"
    mkdir -p "$d/Apps/sub" "$d/Users/ali" "$d/Users/Secret"
    truncate -s 3G "$d/Apps/app.bin"
    truncate -s 1G "$d/Apps/sub/lib.bin"
    truncate -s 2560M "$d/Users/ali/doc.bin"
    truncate -s 5G "$d/Users/Secret/hidden.bin"
    chmod 000 "$d/Users/Secret"
    ln -s "$d/Apps" "$d/Junction"
    printf 'top\r\n' >"$d/top.txt"
}

# Waits up to three minutes for a control with exactly TEXT: the machine may
# be shared with builds, and one wait of the driver is bounded at a minute.
e2e_analysis_wait_long() {
    local round
    for round in 1 2 3; do
        e2e_driver wait-text "$e2e_title" "$1" 60000 >/dev/null && return 0
    done
    return 1
}

e2e_analysis_texts() {
    e2e_driver texts "$e2e_title" | tr -d '\r'
}

# The bottom label's text (the control whose text holds PART).
e2e_analysis_label() {
    e2e_analysis_texts | grep -F "$1" | head -1 | cut -f3
}

# The grid's rows without the tick-box field (the analysis has none).
e2e_analysis_cells() {
    e2e_driver cells "$e2e_title" | tr -d '\r' | cut -f2-
}

e2e_analysis_run() {
    e2e_launcher_ready "folder analysis" || return
    e2e_profile "folder analysis" || return
    local saved="$e2e_user_dir/AppData/Local/VexoTolvik/storage-v10-M.xml"
    rm -f "$saved" "$saved.tmp"
    if ! e2e_analysis_tree; then
        e2e_fail "folder analysis" "the drive's tree could not be made"
        return
    fi
    ln -sfn "$e2e_analysis_drive" "$WINEPREFIX/dosdevices/m:"

    # ---- open the section with the prefix's server honouring permissions ---------
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    e2e_start_with=(setpriv --bounding-set -dac_override,-dac_read_search
        --inh-caps -dac_override,-dac_read_search)
    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 300
    e2e_start_with=()
    e2e_wait_home "folder analysis opens" || return
    if [ "$(e2e_driver click "$e2e_title" "المزيد  ▾")" != pending ] ||
        [ "$(e2e_driver menu-choose "$e2e_title" 1)" != done ] ||
        ! e2e_driver wait-text "$e2e_title" "تحليل القرص المحدد" 10000 >/dev/null; then
        e2e_fail "folder analysis opens from the More menu" "the section did not open"
        e2e_abandon
        return
    fi
    e2e_pass "folder analysis opens from the More menu"

    local cells
    cells=$(e2e_analysis_cells)
    if grep -qE $'^M:\\\\\t[0-9]+(\\.[0-9]{1,2})?\t[0-9]+(\\.[0-9]{1,2})?\tM:\\\\\tمستخدم [0-9]+(\\.[0-9]{1,2})? GB$' \
        <<<"$cells" &&
        grep -qE $'^C:\\\\\t' <<<"$cells"; then
        e2e_pass "the drives view lists M: with its figures and note"
    else
        e2e_fail "the drives view lists M: with its figures and note" "rows: $(tr '\n\t' '|,' <<<"$cells")"
    fi
    e2e_picture analysis-drives || e2e_fail "picture of the drives view" "none taken"

    # ---- a run stopped at once ------------------------------------------------------
    if [ "$(e2e_driver pick "$e2e_title" 'M:\')" != done ]; then
        e2e_fail "the drive list offers M:" "no entry M:\\"
        e2e_abandon
        return
    fi
    e2e_driver click "$e2e_title" "تحليل القرص المحدد" >/dev/null
    e2e_driver click "$e2e_title" "إيقاف التحليل" >/dev/null
    if e2e_driver wait-text-containing "$e2e_title" "توقف بطلبك؛ النتائج جزئية | ملفات: " 60000 \
        >/dev/null; then
        e2e_pass "a stopped run ends with partial results"
    else
        e2e_fail "a stopped run ends with partial results" \
            "the label reads: $(e2e_analysis_label "ملفات")"
        e2e_abandon
        return
    fi
    cells=$(e2e_analysis_cells)
    local partial
    partial=$(grep -c $'\tجزئي — توقف$' <<<"$cells")
    if [ "$partial" = 1 ] && [ "$(grep -c . <<<"$cells")" -le 4 ] &&
        ! grep -q "Junction" <<<"$cells" && [ ! -e "$saved" ]; then
        e2e_pass "the stopped run shows one partial row and saves nothing"
    else
        e2e_fail "the stopped run shows one partial row and saves nothing" \
            "rows: $(tr '\n\t' '|,' <<<"$cells"); saved: $([ -e "$saved" ] && echo yes || echo no)"
    fi
    e2e_picture analysis-stopped || e2e_fail "picture of the stopped analysis" "none taken"

    # ---- a complete run -------------------------------------------------------------
    e2e_driver click "$e2e_title" "تحليل القرص المحدد" >/dev/null
    local done_label="اكتمل فحص العناصر المتاحة | ملفات: 20004 | متجاوز: 2$e2e_analysis_reminder"
    if e2e_analysis_wait_long "$done_label"; then
        e2e_pass "a complete run counts every file and skips the link and the closed folder"
    else
        e2e_fail "a complete run counts every file and skips the link and the closed folder" \
            "the label reads: $(e2e_analysis_label "ملفات")"
        e2e_abandon
        return
    fi
    cells=$(e2e_analysis_cells)
    local sorted_head
    sorted_head=$(head -2 <<<"$cells")
    if [ "$sorted_head" = $'Apps\t4\t\tM:\\Apps\tحجم منطقي — عرض فقط\nUsers\t2.5\t\tM:\\Users\tمتجاوز/غير متاح: 1' ] &&
        [ "$(cut -f1 <<<"$cells" | sort | tr '\n' ' ')" = "Apps Users Wide top.txt " ]; then
        e2e_pass "the rows are sorted largest first with their notes"
    else
        e2e_fail "the rows are sorted largest first with their notes" \
            "rows: $(tr '\n\t' '|,' <<<"$cells")"
    fi
    e2e_picture analysis-complete || e2e_fail "picture of the complete analysis" "none taken"

    # The saved file: our XML record, the rows in the order they arrived.
    local saved_rows
    saved_rows=$(sed -n 's/^  <Row Name="\([^"]*\)" GB="\([^"]*\)".*Notes="\([^"]*\)"\/>\r$/\1\t\2\t\3/p' \
        "$saved" 2>/dev/null)
    if [ "$(head -c 3 "$saved" 2>/dev/null | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
        grep -qE '<StorageAnalysis At="[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+" Files="20004" Skipped="2">' \
            "$saved" &&
        [ "$(cut -f1 <<<"$saved_rows" | sort | tr '\n' ' ')" = "Apps Users Wide top.txt " ] &&
        grep -qxF $'Users\t2.5\tمتجاوز/غير متاح: 1' <<<"$saved_rows" && [ ! -e "$saved.tmp" ]; then
        e2e_pass "the complete run is saved as storage-v10-M.xml"
    else
        e2e_fail "the complete run is saved as storage-v10-M.xml" \
            "$(tr -d '\r' <"$saved" 2>/dev/null | tr '\n' '|')"
    fi

    # ---- the drives, then the saved analysis again ----------------------------------
    e2e_driver click "$e2e_title" "عرض الأقراص والمساحة" >/dev/null
    cells=$(e2e_analysis_cells)
    if grep -qE $'^M:\\\\\t' <<<"$cells" && ! grep -q "^Apps" <<<"$cells"; then
        e2e_pass "the drives view replaces the analysis"
    else
        e2e_fail "the drives view replaces the analysis" "rows: $(tr '\n\t' '|,' <<<"$cells")"
    fi
    e2e_driver click "$e2e_title" "آخر تحليل محفوظ" >/dev/null
    local minute
    minute=$(sed -n 's/.*At="\([0-9-]*\)T\([0-9]*:[0-9]*\).*/\1 \2/p' "$saved" | head -1)
    cells=$(e2e_analysis_cells)
    if e2e_driver wait-text "$e2e_title" \
        "نتائج محفوظة من $minute — مو فحص حي؛ أعد التحليل لتحديثها." 10000 >/dev/null &&
        [ "$(cut -f1,2,5 <<<"$cells")" = "$saved_rows" ] &&
        [ "$(cut -f3 <<<"$cells" | tr -d '\n')" = "" ]; then
        e2e_pass "the saved analysis shows again in arrival order with its minute"
    else
        e2e_fail "the saved analysis shows again in arrival order with its minute" \
            "label: $(e2e_analysis_label "نتائج محفوظة"); rows: $(tr '\n\t' '|,' <<<"$cells")"
    fi
    e2e_picture analysis-saved || e2e_fail "picture of the saved analysis" "none taken"

    e2e_close_main "main window closes after the analysis"
    # The next suites get a server of their own, as the harness starts it.
    wineserver -w >/dev/null 2>&1
    chmod 755 "$e2e_analysis_drive/Users/Secret"
    rm -f "$WINEPREFIX/dosdevices/m:"
}

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_analysis_run
