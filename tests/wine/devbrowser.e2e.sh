# shellcheck shell=bash
# End to end under Wine: the device browser over a small data drive and the
# bulk review over the profile. Drive D: is mapped in the prefix onto a folder
# with a known tree (media, documents with awkward names, 120 small files for
# paging); the personal folders hold two files and C:\vexo-db-outside one
# more. The user opens the browser from the More menu, indexes D:, sorts,
# pages, filters by category and age, exports the page and all results
# (both files' bytes are checked: byte-order mark, quoting, formula guard,
# CR LF), copies a path and the clipboard is read back; then indexes C:,
# searches, asks for the bulk removal, ticks the acknowledgement and
# confirms. The two personal files must be in Wine's trash, the outside one
# in place, and the "IndexRemoval-" log and LastCleanup.json must say so.
# Pictures of the browser with results and of the review before confirming
# go to build/screenshots/.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX, DISPLAY and
# XDG_DATA_HOME set); prints "PASS name" or "FAIL name: why" per check and
# sets E2E_PASSED and E2E_FAILED. VEXO_E2E_BUILD names another Windows build
# folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/devbrowser"
e2e_db_review="راجع حذف كل النتائج — v23"

# Saves a top-level window's client area to build/screenshots/NAME.png.
e2e_db_picture() {
    local title="$1" file="$VEXO_ROOT/build/screenshots/$2.png" rect x y w h cx cy cw ch
    rect=$(e2e_driver window-rect "$title") || return 1
    read -r x y w h cx cy cw ch <<<"$rect"
    rm -f "$file"
    timeout 30 import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$file" 2>/dev/null &&
        [ -s "$file" ]
}

e2e_db_texts() {
    e2e_driver texts "$e2e_title" | tr -d '\r'
}
e2e_db_metrics() {
    e2e_db_texts | grep -F ' | نتائج: ' | head -1 | cut -f3
}
# The text of a cell (ROW and COLUMN from 0) of the results grid, which has
# no tick boxes: "cells" puts "none" before each row's columns.
e2e_db_cell() {
    e2e_driver cells "$e2e_title" | tr -d '\r' | sed -n "$(($1 + 1))p" | cut -f"$(($2 + 2))"
}
e2e_db_rows() {
    e2e_driver rows "$e2e_title" | tr -d '\r'
}
# Waits until the metrics line holds TEXT.
e2e_db_wait_metrics() {
    e2e_driver wait-text-containing "$e2e_title" "$1" "${2:-30000}" >/dev/null
}
e2e_db_apply() {
    [ "$(e2e_driver click "$e2e_title" "تطبيق البحث")" = done ]
}
# Opens the reports menu and chooses entry INDEX.
e2e_db_report() {
    [ "$(e2e_driver click "$e2e_title" "التقارير ▾")" = pending ] &&
        e2e_driver menu-choose "$e2e_title" "$1" 10000
}
# Checks a CSV file written by the product: the byte-order mark, CR LF after
# every line, the header as given, and, read back with Python's csv module,
# the rows given as "name|size" in order ("all") or among the rows ("some").
# Prints "ok" or what differs.
e2e_db_check_csv() {
    python3 - "$@" <<'EOF'
import csv, io, sys
path, header, mode, *wanted = sys.argv[1:]
data = open(path, 'rb').read()
if not data.startswith(b'\xef\xbb\xbf'):
    sys.exit(print('no byte-order mark'))
text = data[3:].decode('utf-8')
if text.split('\r\n')[0] != header:
    sys.exit(print('header: ' + repr(text.split('\r\n')[0])))
if not text.endswith('\r\n') or text.replace('\r\n', '').count('\n') != 0:
    sys.exit(print('a line does not end in CR LF'))
rows = [r[0] + '|' + r[1] for r in list(csv.reader(io.StringIO(text, newline='')))[1:]]
if mode == 'all' and rows != wanted:
    sys.exit(print('rows: ' + repr(rows[:5])))
missing = [w for w in wanted if w not in rows]
if missing:
    sys.exit(print('missing: ' + repr(missing)))
print('ok')
EOF
}

e2e_db_run() {
    e2e_launcher_ready "device browser" || return

    # ---- the drives and the profile ----------------------------------------------
    local user_dir="" d
    for d in "$WINEPREFIX"/drive_c/users/*/; do
        [ "$(basename "$d")" = Public ] || user_dir="${d%/}"
    done
    if [ -z "$user_dir" ]; then
        e2e_fail "device browser" "the prefix has no user profile"
        return
    fi
    local folder
    for folder in Desktop Documents Downloads Music Pictures Videos; do
        rm -rf "${user_dir:?}/$folder"
        mkdir -p "$user_dir/$folder"
    done
    local drive_d="$VEXO_ROOT/$e2e_logs/drive-d"
    rm -rf "$drive_d"
    mkdir -p "$drive_d/media" "$drive_d/docs" "$drive_d/many"
    truncate -s 6M "$drive_d/media/vexo-film.mp4"
    truncate -s 2M "$drive_d/media/vexo-clip.mp4"
    touch -d 2020-01-01 "$drive_d/media/vexo-clip.mp4"
    printf 'formula\r\n' >"$drive_d/docs/=sum.txt"
    truncate -s 3K "$drive_d/docs/تقرير, ملخص.pdf"
    local i
    for i in $(seq -w 1 120); do
        truncate -s "$((10#$i * 100))" "$drive_d/many/n$i.dat"
    done
    local had_d=""
    had_d=$(readlink "$WINEPREFIX/dosdevices/d:" 2>/dev/null || true)
    rm -f "$WINEPREFIX/dosdevices/d:" "$WINEPREFIX/dosdevices/d::"
    ln -s "$drive_d" "$WINEPREFIX/dosdevices/d:"

    local report="$user_dir/Documents/vexo-db-report.pdf"
    local setup="$user_dir/Downloads/vexo-db-setup.exe"
    local outside="$WINEPREFIX/drive_c/vexo-db-outside/vexo-db-keep.txt"
    truncate -s 3M "$report"
    truncate -s 1M "$setup"
    mkdir -p "$(dirname "$outside")"
    printf 'stays\r\n' >"$outside"
    local trash="$XDG_DATA_HOME/Trash"
    rm -f "$trash"/files/vexo-db-* "$trash"/info/vexo-db-*
    local data="$user_dir/AppData/Local/VexoTolvik"
    rm -f "$data"/IndexRemoval-*.txt "$data/LastCleanup.json"
    local page_csv="$WINEPREFIX/drive_c/db-page.csv"
    local all_csv="$WINEPREFIX/drive_c/db-all.csv"
    rm -f "$page_csv" "$all_csv" "$WINEPREFIX"/drive_c/vexo-db-*.csv

    # ---- open the browser and index D: ---------------------------------------------
    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 600
    if ! e2e_driver wait-window "$e2e_title" 60000 >/dev/null; then
        e2e_fail "the browser opens" "no main window"
        e2e_db_restore "$had_d"
        e2e_abandon
        return
    fi
    if [ "$(e2e_driver click "$e2e_title" "المزيد  ▾")" = pending ] &&
        e2e_driver menu-choose "$e2e_title" 0 10000 &&
        e2e_driver wait-text "$e2e_title" "مستعرض الجهاز | ابدأ فهرسة الأقراص لعرض الملفات" 10000 \
            >/dev/null; then
        e2e_pass "the More menu opens the browser"
    else
        e2e_fail "the More menu opens the browser" "its first metrics line is not shown"
        e2e_db_picture "$e2e_title" devbrowser-open-failed || true
        e2e_db_restore "$had_d"
        e2e_abandon
        return
    fi

    if [ "$(e2e_driver pick "$e2e_title" 'D:\')" = done ] &&
        [ "$(e2e_driver click "$e2e_title" "بدء الفهرسة")" = done ] &&
        e2e_db_wait_metrics "اكتمل المتاح | 124 ملف | " 60000 &&
        e2e_db_wait_metrics "نتائج: 124" 10000 && [ "$(e2e_db_rows)" = 124 ] &&
        [ "$(e2e_db_cell 0 0)" = vexo-film.mp4 ]; then
        e2e_pass "indexing D: lists its 124 files, largest first"
    else
        e2e_fail "indexing D: lists its 124 files, largest first" \
            "metrics: $(e2e_db_metrics); rows: $(e2e_db_rows); first: $(e2e_db_cell 0 0)"
        e2e_db_picture "$e2e_title" devbrowser-index-failed || true
        e2e_db_restore "$had_d"
        e2e_abandon
        return
    fi

    # ---- sort, page, filter ------------------------------------------------------------
    if [ "$(e2e_driver pick "$e2e_title" "الأصغر أولاً")" = done ] && e2e_db_apply &&
        sleep 1 && [ "$(e2e_db_cell 0 0)" = "=sum.txt" ] && [ "$(e2e_db_cell 1 0)" = n001.dat ]; then
        e2e_pass "smallest first"
    else
        e2e_fail "smallest first" "rows begin with $(e2e_db_cell 0 0), $(e2e_db_cell 1 0)"
    fi
    if [ "$(e2e_driver pick "$e2e_title" 100)" = done ] && sleep 1 && [ "$(e2e_db_rows)" = 100 ] &&
        [ "$(e2e_driver click "$e2e_title" "التالي")" = done ] && sleep 1 &&
        [ "$(e2e_db_rows)" = 24 ] &&
        e2e_driver wait-text-containing "$e2e_title" "الصفحة 2 | " 5000 >/dev/null; then
        e2e_pass "pages of 100: the second holds 24"
    else
        e2e_fail "pages of 100: the second holds 24" "rows: $(e2e_db_rows)"
    fi
    e2e_driver pick "$e2e_title" 250 >/dev/null
    if [ "$(e2e_driver pick "$e2e_title" "فيديو")" = done ] && e2e_db_apply &&
        e2e_db_wait_metrics "نتائج: 2" 10000 &&
        e2e_driver type "$e2e_title" 30 4 && e2e_db_apply &&
        e2e_db_wait_metrics "نتائج: 1" 10000 && [ "$(e2e_db_cell 0 0)" = vexo-clip.mp4 ]; then
        e2e_pass "videos, then videos older than 30 days"
    else
        e2e_fail "videos, then videos older than 30 days" "metrics: $(e2e_db_metrics)"
    fi
    [ "$(e2e_driver click "$e2e_title" "إلغاء الفلاتر")" = done ] && e2e_db_wait_metrics "نتائج: 124"
    e2e_db_picture "$e2e_title" devbrowser-results || e2e_fail "picture of the results" "none taken"

    # ---- copy a path -------------------------------------------------------------------
    local path0
    path0=$(e2e_db_cell 0 4)
    if [ "$(e2e_driver select-row "$e2e_title" 0)" = done ] &&
        [ "$(e2e_driver click "$e2e_title" "نسخ المسار")" = done ] &&
        [ "$(e2e_driver clipboard | tr -d '\r')" = "$path0" ] && [ -n "$path0" ]; then
        e2e_pass "copying the path puts it on the clipboard"
    else
        e2e_fail "copying the path puts it on the clipboard" \
            "clipboard: $(e2e_driver clipboard), row: $path0, info: $(e2e_db_texts | grep -F 'الصفحة 1' | cut -f3)"
    fi

    # ---- the page export -------------------------------------------------------------------
    local dialog
    if e2e_db_report 0 && dialog=$(e2e_driver save-as 'C:\db-page' 10000) &&
        grep -q "name=Vexo-page.csv owner=window" <<<"$dialog" &&
        e2e_driver answer-box "فيكسو" OK 10000 | grep -qF "تم حفظ تقرير الصفحة."; then
        e2e_pass "the page export asks where, proposing Vexo-page.csv, and says it is saved"
    else
        e2e_fail "the page export asks where, proposing Vexo-page.csv, and says it is saved" \
            "the dialog: ${dialog:-none}"
        e2e_abandon_boxes
    fi
    local checked
    checked=$(e2e_db_check_csv "$page_csv" '"Name","Bytes","Extension","Modified","Path"' some \
        "'=sum.txt|9" "تقرير, ملخص.pdf|3072" "n001.dat|100" 2>&1)
    if [ "$checked" = ok ] && [ "$(grep -c $'\r$' "$page_csv")" = 125 ] &&
        grep -qF $'"\'=sum.txt","9",".txt","' "$page_csv"; then
        e2e_pass "the page file: BOM, quoted header and sizes, formula guard, CR LF"
    else
        e2e_fail "the page file: BOM, quoted header and sizes, formula guard, CR LF" \
            "${checked:-not written}"
    fi

    # ---- the all-results export ------------------------------------------------------------
    e2e_driver type "$e2e_title" mp4 3
    e2e_db_apply && e2e_db_wait_metrics "نتائج: 2" 10000
    # The result may be told while the first box is still open (the timer
    # keeps running under it), so the two boxes are taken in either order.
    local boxes=""
    if e2e_db_report 1 && dialog=$(e2e_driver save-as 'C:\db-all.csv' 10000) &&
        grep -q "name=Vexo-results.csv" <<<"$dialog" &&
        boxes=$(e2e_driver answer-box "فيكسو" OK 10000; e2e_driver answer-box "فيكسو" OK 20000) &&
        grep -qF "بدأ تصدير لقطة النتائج" <<<"$boxes" &&
        grep -qF 'تقرير التصدير: OK: C:\db-all.csv' <<<"$boxes"; then
        e2e_pass "the all-results export runs and reports OK"
    else
        e2e_fail "the all-results export runs and reports OK" \
            "the dialog: ${dialog:-none}; the boxes: $(tr '\r\n' '~|' <<<"$boxes")"
        e2e_abandon_boxes
    fi
    checked=$(e2e_db_check_csv "$all_csv" 'Name,Bytes,Extension,Modified,Path' all \
        "vexo-film.mp4|6291456" "vexo-clip.mp4|2097152" 2>&1)
    if [ "$checked" = ok ] &&
        grep -qxF "\"vexo-clip.mp4\",2097152,\".mp4\",\"2020-01-01T00:00:00\",\"D:\\media\\vexo-clip.mp4\""$'\r' "$all_csv"; then
        e2e_pass "the all-results file: BOM, plain header, sizes unquoted, every match"
    else
        e2e_fail "the all-results file: BOM, plain header, sizes unquoted, every match" \
            "${checked:-not written}: $(tr '\r\n' '~|' <"$all_csv" 2>/dev/null | head -c 300)"
    fi

    # ---- the bulk review over C: ---------------------------------------------------------
    e2e_driver type "$e2e_title" "" 3
    e2e_driver type "$e2e_title" "vexo-db-" 0
    if [ "$(e2e_driver pick "$e2e_title" 'C:\')" = done ] &&
        [ "$(e2e_driver click "$e2e_title" "بدء الفهرسة")" = done ] &&
        e2e_db_wait_metrics "اكتمل المتاح | " 180000 && e2e_db_wait_metrics "نتائج: 3" 20000; then
        e2e_pass "indexing C: finds the three files of the search"
    else
        e2e_fail "indexing C: finds the three files of the search" "metrics: $(e2e_db_metrics)"
        e2e_db_restore "$had_d"
        e2e_abandon
        return
    fi
    if [ "$(e2e_driver click "$e2e_title" "حذف كل النتائج القابلة للحذف")" = done ] &&
        e2e_driver wait-window "$e2e_db_review" 30000 >/dev/null &&
        e2e_driver wait-text-containing "$e2e_db_review" "مراجعة 2 ملف — 0.00 GB" 5000 >/dev/null; then
        e2e_pass "the review opens over the two personal files"
    else
        e2e_fail "the review opens over the two personal files" "no review window"
        e2e_db_restore "$had_d"
        e2e_abandon
        return
    fi
    e2e_db_picture "$e2e_db_review" devbrowser-review || e2e_fail "picture of the review" "none taken"
    # Confirming before the tick does nothing.
    e2e_driver click "$e2e_db_review" "تأكيد الحذف إلى السلة" >/dev/null
    sleep 1
    if [ -f "$report" ] && [ -f "$setup" ]; then
        e2e_pass "nothing moves before the acknowledgement"
    else
        e2e_fail "nothing moves before the acknowledgement" "a file is gone"
    fi
    local ack
    ack=$(e2e_driver texts "$e2e_db_review" | tr -d '\r' | cut -f3 | grep -F "راجعت الاختيار" | head -1)
    e2e_driver click "$e2e_db_review" "$ack" >/dev/null
    if [ "$(e2e_driver click "$e2e_db_review" "تأكيد الحذف إلى السلة")" = pending ]; then
        local answered=0 n
        for n in 1 2; do
            e2e_driver answer-box "$e2e_db_shell_caption" Yes 20000 >/dev/null &&
                answered=$((answered + 1))
        done
        if [ "$answered" = 2 ] && e2e_driver answer-box "فيكسو" OK 30000 >/dev/null &&
            e2e_driver wait-gone "$e2e_db_review" 20000; then
            e2e_pass "the acknowledged run asks the shell about each file and closes"
        else
            e2e_fail "the acknowledged run asks the shell about each file and closes" \
                "$answered of 2 prompts answered"
        fi
    else
        e2e_fail "the acknowledged run asks the shell about each file and closes" \
            "the confirm button did nothing"
    fi

    if [ -f "$trash/files/vexo-db-report.pdf" ] && [ -f "$trash/files/vexo-db-setup.exe" ] &&
        [ ! -e "$report" ] && [ ! -e "$setup" ] && [ -f "$outside" ]; then
        e2e_pass "both personal files are in the trash, the outside one in place"
    else
        e2e_fail "both personal files are in the trash, the outside one in place" \
            "trash: $(ls "$trash/files" 2>/dev/null | tr '\n' ' ')"
    fi
    local logs log
    logs=("$data"/IndexRemoval-*.txt)
    log="${logs[0]}"
    if [ "${#logs[@]}" = 1 ] && [ -f "$log" ] &&
        [ "$(tail -c +4 "$log" | grep -c '^RECYCLED ')" = 2 ] &&
        tail -c +4 "$log" | grep -qiE '^RECYCLED C:\\users\\[^\\]+\\Documents\\vexo-db-report\.pdf'$'\r''$'; then
        e2e_pass "the IndexRemoval- log names both files"
    else
        e2e_fail "the IndexRemoval- log names both files" "$(tr -d '\r' <"$log" 2>/dev/null | tr '\n' '|')"
    fi
    local facts
    facts=$(sed '1s/^\xEF\xBB\xBF//' "$data/LastCleanup.json" 2>/dev/null |
        jq -r '[.Kind, .LogicalRemoved, .Attempted, .Success, .Failed, .Stopped] |
               map(tostring) | join(" ")' 2>/dev/null)
    if [ "$facts" = "حذف نتائج الفهرسة $((4 * 1048576)) 2 2 0 false" ]; then
        e2e_pass "LastCleanup.json records the bulk removal"
    else
        e2e_fail "LastCleanup.json records the bulk removal" "it holds: ${facts:-nothing readable}"
    fi
    if e2e_db_wait_metrics "نتائج: 1" 10000; then
        e2e_pass "the search is asked again without the moved files"
    else
        e2e_fail "the search is asked again without the moved files" "metrics: $(e2e_db_metrics)"
    fi
    e2e_db_picture "$e2e_title" devbrowser-after || true

    e2e_driver close "$e2e_title"
    if e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_wait
    else
        e2e_fail "main window closes" "still open"
        e2e_abandon
    fi
    e2e_db_restore "$had_d"
}

# Answers whatever message box a failed step left open, so the next can run.
e2e_abandon_boxes() {
    e2e_driver answer-box "فيكسو" OK 2000 >/dev/null 2>&1 || true
}

# Puts drive D: of the prefix back as it was.
e2e_db_restore() {
    rm -f "$WINEPREFIX/dosdevices/d:"
    [ -n "$1" ] && ln -s "$1" "$WINEPREFIX/dosdevices/d:"
    return 0
}

# Wine's shell words its prompt in the prefix's language (English here).
e2e_db_shell_caption="${VEXO_E2E_SHELL_CAPTION:-Confirm file deletion}"

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_db_run
