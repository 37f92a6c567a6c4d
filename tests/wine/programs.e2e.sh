# shellcheck shell=bash
# End to end under Wine: the Programs section removes programs by their own
# uninstallers. The prefix's per-user uninstall entries hold seven programs
# of the publisher "Vexo E2E": a stand-in uninstaller that deletes its own
# entry; one that hands its work to a second process and ends at once (its
# entry stays); a command that runs cmd.exe; the protected "NVIDIA Graphics
# Driver"; one without a command; one like the product's own entry, whose
# command starts with powershell.exe; and a Windows Installer package
# removed with MsiExec.exe /I and its product code.
#
# The user opens the section from Home's programs button, waits for the
# list, finds the seven by typing in the search box, tries to tick the
# protected and the command-less rows (they stay clear), and presses the bulk
# button, which ticks the five others and runs the queue: the confirmation
# names them, the two refusals and the two continue prompts are answered, and
# the summary box closes the run. Checked: the rows' states, the "Apps-"
# log, LastCleanup.json, the summary box, which entries are left, and the
# list the navigation entry loads afterwards. Pictures of the loaded list
# and of the end state go to build/screenshots/.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX and DISPLAY set);
# prints "PASS name" or "FAIL name: why" per check and sets E2E_PASSED and
# E2E_FAILED. VEXO_E2E_BUILD names another Windows build folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/programs"
e2e_programs_location='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall'
e2e_programs_tools='C:\Program Files\Vexo E2E Tools'
e2e_programs_msi_code='{6F1C2E4A-3B5D-4C7E-9A8B-1D2E3F405162}'

# The seven entries, in the order the list sorts them by name. All share the
# publisher "Vexo E2E", which the search box finds them by, so that the
# product's own entry, once installed in the prefix, stays out of the way.
#   subkey | DisplayName | Publisher | EstimatedSize | value type | UninstallString
e2e_programs_entries=(
    "VexoE2E.Protected|NVIDIA Graphics Driver|Vexo E2E|204800|sz|\"$e2e_programs_tools\\uninstall.exe\" remove VexoE2E.Protected"
    "VexoE2E.CommandPrompt|Vexo E2E Command Prompt Cleaner|Vexo E2E||expand|%SystemRoot%\\System32\\cmd.exe /c exit 0"
    "VexoE2E.Handoff|Vexo E2E Handoff Tool|Vexo E2E|52|sz|$e2e_programs_tools\\handoff\\unins000.exe handoff -1"
    "VexoE2E.Installer|Vexo E2E Installer Package|Vexo E2E|10240|sz|MsiExec.exe /I$e2e_programs_msi_code"
    "VexoE2E.NoCommand|Vexo E2E Notes|Vexo E2E|||"
    "VexoE2E.SelfRemoving|Vexo E2E Self Removing Tool|Vexo E2E|1536|sz|\"$e2e_programs_tools\\uninstall.exe\" remove VexoE2E.SelfRemoving"
    "VexoE2E.Product|VEXO SOLVANE|Vexo E2E|640|sz|\"C:\\windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoProfile -STA -ExecutionPolicy Bypass -File \"C:\\users\\Public\\VexoSolvane\\Uninstall.ps1\""
)

# ---- the registry ---------------------------------------------------------------

# A REG_EXPAND_SZ value as a registry file spells it: UTF-16 bytes in hex.
e2e_programs_reg_expand() {
    printf 'hex(2):%s' "$(printf '%s\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v |
        tr -s ' \n' ',' | sed 's/^,//; s/,$//')"
}

e2e_programs_import() {
    vexo_wine_reg_import "$e2e_logs/reg.log" "$@"
}

# Lines that delete every entry of the suite (a missing one is no error).
e2e_programs_deletions() {
    local entry
    for entry in "${e2e_programs_entries[@]}"; do
        printf '%s\n' "[-$e2e_programs_location\\${entry%%|*}]"
    done
}

# Replaces the suite's entries with fresh ones.
e2e_programs_seed() {
    local lines=() entry subkey name publisher size kind command
    mapfile -t lines < <(e2e_programs_deletions)
    for entry in "${e2e_programs_entries[@]}"; do
        IFS='|' read -r subkey name publisher size kind command <<<"$entry"
        lines+=("" "[$e2e_programs_location\\$subkey]"
            "\"DisplayName\"=$(vexo_reg_text "$name")"
            "\"Publisher\"=$(vexo_reg_text "$publisher")")
        [ -n "$size" ] && lines+=("\"EstimatedSize\"=dword:$(printf '%08x' "$size")")
        case "$kind" in
            sz) lines+=("\"UninstallString\"=$(vexo_reg_text "$command")") ;;
            expand) lines+=("\"UninstallString\"=$(e2e_programs_reg_expand "$command")") ;;
        esac
    done
    e2e_programs_import "${lines[@]}"
}

# The subkeys of the suite that are still there, one per line.
e2e_programs_left() {
    timeout -k 5 60 wine reg query "$e2e_programs_location" 2>/dev/null | tr -d '\r' |
        grep -o 'VexoE2E\.[A-Za-z]*$' | sort
}

# ---- the section ------------------------------------------------------------------

# The rows as the grid shows them: tick, then the columns name, publisher,
# size and state, tab-separated.
e2e_programs_cells() {
    e2e_driver cells "$e2e_title" | tr -d '\r'
}

# The number (0 is the top) of the row whose name is NAME.
e2e_programs_row() {
    e2e_programs_cells | awk -F'\t' -v name="$1" '$2 == name { print NR - 1; exit }'
}

# The footer once a load has ended (it then begins "تم تحميل").
e2e_programs_wait_loaded() {
    e2e_driver wait-text-containing "$e2e_title" "تم تحميل " 60000 >/dev/null
}

# The tool bar's controls in the order a reader of Arabic meets them: row by
# row from the top, each row from the right. The search box is the one
# edit box.
e2e_programs_toolbar_order() {
    e2e_driver texts "$e2e_title" | tr -d '\r' | awk -F'\t' '
        BEGIN {
            split("تحديث قائمة البرامج|تحديد كل الظاهر القابل للإزالة|إلغاء التحديد|إزالة البرامج المحددة|إيقاف بعد البرنامج الحالي|إزالة كل الظاهر القابل للإزالة|قائمة برامج ويندوز", names, "|")
            for (i in names) known[names[i]] = 1
        }
        {
            split($2, r, " ")
            if (tolower($1) == "edit") text = "[search " r[3] "]"
            else if ($3 in known) text = $3
            else next
            print r[2] "\t" r[1] + r[3] "\t" text
        }' | sort -t$'\t' -k1,1n -k2,2nr | awk -F'\t' '
        # Controls of one row of the flow may sit a few pixels apart.
        NR == 1 || $1 - top > 16 { top = $1 }
        { print top "\t" $2 "\t" $3 }' | sort -t$'\t' -k1,1n -k2,2nr | cut -f3
}

e2e_programs_run() {
    e2e_launcher_ready "programs" || return
    e2e_profile "programs" || return
    local data="$e2e_user_dir/AppData/Local/VexoTolvik"
    rm -f "$data"/Apps-*.txt "$data/LastCleanup.json"

    # ---- the uninstallers and their entries ------------------------------------------
    local tools="$WINEPREFIX/drive_c/Program Files/Vexo E2E Tools"
    mkdir -p "$tools/handoff"
    if ! cp "$e2e_build/tests/wine/vexo-test-uninstaller.exe" "$tools/uninstall.exe" ||
        ! cp "$e2e_build/tests/wine/vexo-test-uninstaller.exe" "$tools/handoff/unins000.exe"; then
        e2e_fail "programs" "the test uninstaller is not built"
        return
    fi
    if ! e2e_programs_seed || [ "$(e2e_programs_left | wc -l)" != 7 ]; then
        e2e_fail "programs: the entries are seeded" \
            "the location holds: $(e2e_programs_left | tr '\n' ' ') (see $e2e_logs/reg.log)"
        return
    fi

    # ---- Home's programs button, and the list --------------------------------------------
    e2e_start "$e2e_launcher" "$e2e_logs/launcher.log" 400
    e2e_wait_home "programs opens from Home" || return
    if [ "$(e2e_driver click-containing "$e2e_title" "عرض البرامج المثبتة وإزالتها بالتتابع")" = "done" ] &&
        e2e_driver wait-text "$e2e_title" "تطبيقاتك — اختار ثم أزل" 10000 >/dev/null; then
        e2e_pass "programs opens from Home's button with its heading"
    else
        e2e_fail "programs opens from Home's button with its heading" "no heading"
        e2e_abandon
        return
    fi
    if ! e2e_programs_wait_loaded; then
        e2e_fail "the list loads" "the footer reads: $(e2e_driver texts "$e2e_title" | grep -F 'البرامج' | tail -1)"
        e2e_picture programs-load-failed
        e2e_abandon
        return
    fi
    local all
    all=$(e2e_programs_cells | wc -l)
    if e2e_driver wait-text "$e2e_title" "تم تحميل $all برنامج. راجع الاختيار قبل الإزالة. تطبيقات Microsoft Store غير مشمولة؛ زر قائمة ويندوز يعرض خيارات النظام." 1000 >/dev/null &&
        [ "$all" -ge 7 ]; then
        e2e_pass "the list loads and the footer counts its $all rows"
    else
        e2e_fail "the list loads and the footer counts its $all rows" \
            "$(e2e_driver texts "$e2e_title" | grep -F 'تم تحميل')"
    fi

    local order expected_order
    order=$(e2e_programs_toolbar_order | paste -sd'|')
    expected_order="تحديث قائمة البرامج|تحديد كل الظاهر القابل للإزالة|إلغاء التحديد|إزالة البرامج المحددة|إيقاف بعد البرنامج الحالي|[search 220]|إزالة كل الظاهر القابل للإزالة|قائمة برامج ويندوز"
    if [ "$order" = "$expected_order" ]; then
        e2e_pass "the tool bar flows from the right in its order"
    else
        e2e_fail "the tool bar flows from the right in its order" "it reads: $order"
    fi

    # Tool bar on top, footer at the bottom, the grid between them, all as
    # wide as the section.
    local frame
    frame=$(e2e_driver texts "$e2e_title" | tr -d '\r' | awk -F'\t' '
        { split($2, r, " ") }
        $1 == "SysListView32" { gx = r[1]; gy = r[2]; gw = r[3]; gh = r[4] }
        $1 == "Static" && index($3, "تم تحميل ") == 1 { fx = r[1]; fy = r[2]; fw = r[3]; fh = r[4] }
        $1 == "VexoWindow" { panes[NR] = $2 }
        END {
            for (i in panes) {
                split(panes[i], p, " ")
                if (p[1] == gx && p[3] == gw && p[2] + p[4] == gy) bar = p[4]
            }
            print "bar " bar " grid " gx "," gw " footer " fx "," fw " high " fh (fy == gy + gh ? " below" : " apart")
        }')
    if [[ "$frame" =~ ^bar\ 115\ grid\ ([0-9]+,[0-9]+)\ footer\ ([0-9]+,[0-9]+)\ high\ 75\ below$ ]] &&
        [ "${BASH_REMATCH[1]}" = "${BASH_REMATCH[2]}" ]; then
        e2e_pass "tool bar 115 high, grid, footer 75 high, top to bottom"
    else
        e2e_fail "tool bar 115 high, grid, footer 75 high, top to bottom" "$frame"
    fi

    # ---- finding the seven ---------------------------------------------------------------
    e2e_driver type "$e2e_title" "e2e"
    local seen
    seen=$(e2e_programs_cells | cut -f2- | cut -f1-4)
    local want_seen
    want_seen=$(printf '%s\n' \
        $'NVIDIA Graphics Driver\tVexo E2E\t200\tمكون محمي' \
        $'Vexo E2E Command Prompt Cleaner\tVexo E2E\t\tجاهز للمراجعة' \
        $'Vexo E2E Handoff Tool\tVexo E2E\t0.1\tجاهز للمراجعة' \
        $'Vexo E2E Installer Package\tVexo E2E\t10\tجاهز للمراجعة' \
        $'Vexo E2E Notes\tVexo E2E\t\tلا يوجد أمر إزالة' \
        $'Vexo E2E Self Removing Tool\tVexo E2E\t1.5\tجاهز للمراجعة' \
        $'VEXO SOLVANE\tVexo E2E\t0.6\tجاهز للمراجعة')
    if [ "$seen" = "$want_seen" ]; then
        e2e_pass "typing \"e2e\" shows the seven, sorted by name, with sizes and states"
    else
        e2e_fail "typing \"e2e\" shows the seven, sorted by name, with sizes and states" \
            "the grid shows: $(tr '\t\n' ',|' <<<"$seen")"
    fi
    e2e_picture programs-loaded || e2e_fail "picture of the loaded list" "none taken"

    # A click on a locked tick box leaves it clear; on another, ticks it.
    local name row tick
    for name in "NVIDIA Graphics Driver" "Vexo E2E Notes"; do
        row=$(e2e_programs_row "$name")
        e2e_driver tick-row "$e2e_title" "$row" >/dev/null
        tick=$(e2e_programs_cells | awk -F'\t' -v name="$name" '$2 == name { print $1 }')
        if [ "$tick" = clear ]; then
            e2e_pass "a click does not tick \"$name\""
        else
            e2e_fail "a click does not tick \"$name\"" "its tick box is $tick"
        fi
    done
    row=$(e2e_programs_row "Vexo E2E Handoff Tool")
    e2e_driver tick-row "$e2e_title" "$row" >/dev/null
    tick=$(e2e_programs_cells | awk -F'\t' '$2 == "Vexo E2E Handoff Tool" { print $1 }')
    if [ "$tick" = ticked ]; then
        e2e_pass "a click ticks \"Vexo E2E Handoff Tool\""
    else
        e2e_fail "a click ticks \"Vexo E2E Handoff Tool\"" "its tick box is $tick"
    fi
    # Hidden by the filter, the ticked row loses its tick for good.
    e2e_driver type "$e2e_title" "self removing"
    local narrowed
    narrowed=$(e2e_programs_cells | cut -f2 | paste -sd'|')
    e2e_driver type "$e2e_title" "e2e"
    tick=$(e2e_programs_cells | awk -F'\t' '$2 == "Vexo E2E Handoff Tool" { print $1 }')
    if [ "$narrowed" = "Vexo E2E Self Removing Tool" ] && [ "$tick" = clear ]; then
        e2e_pass "a ticked row hidden by the filter comes back clear"
    else
        e2e_fail "a ticked row hidden by the filter comes back clear" \
            "\"self removing\" shows: $narrowed; the handoff row's tick box is $tick"
    fi

    # ---- the bulk button: tick the five others and run them ------------------------------
    if [ "$(e2e_driver click "$e2e_title" "إزالة كل الظاهر القابل للإزالة")" != pending ]; then
        e2e_fail "the bulk button asks first" "no prompt"
        e2e_abandon
        return
    fi
    local chosen=("Vexo E2E Command Prompt Cleaner" "Vexo E2E Handoff Tool"
        "Vexo E2E Installer Package" "Vexo E2E Self Removing Tool" "VEXO SOLVANE")
    local prompt want_prompt
    want_prompt=$(printf '%s\n' "icon=warning owner=window" \
        "إزالة هذه البرامج؟ ملفات إعداداتها قد تتأثر. راجع القائمة:" "${chosen[@]}")
    if prompt=$(e2e_driver answer-box "تأكيد قائمة الإزالة" Yes 10000) &&
        [ "$(tr -d '\r' <<<"$prompt")" = "$want_prompt" ]; then
        e2e_pass "the bulk button asks first, naming the five it ticked"
    else
        e2e_fail "the bulk button asks first, naming the five it ticked" \
            "the prompt: $(tr -d '\r' <<<"$prompt" | tr '\n' '|')"
        e2e_abandon
        return
    fi

    # The queue's boxes, in queue order: caption | button | text wanted.
    local refused="يتطلب الإزالة من قائمة ويندوز"
    local go_on="قد يكون برنامج الإزالة فتح نافذة أخرى. أكملها أولاً. هل انتهيت وتريد متابعة البرنامج التالي؟ اختر لا لإيقاف الطابور."
    local boxes=(
        "لم تكتمل الإزالة|OK|Vexo E2E Command Prompt Cleaner"$'\n'"$refused|refusal of cmd.exe"
        "متابعة|Yes|$go_on|continue prompt after the handoff"
        "متابعة|Yes|$go_on|continue prompt after msiexec"
        "لم تكتمل الإزالة|OK|VEXO SOLVANE"$'\n'"$refused|refusal of powershell.exe"
    )
    local entry caption button text what box
    for entry in "${boxes[@]}"; do
        IFS='|' read -r -d '' caption button text what <<<"$entry"
        what="${what%$'\n'}"
        if box=$(e2e_driver answer-box "$caption" "$button" 60000) &&
            [ "$(tr -d '\r' <<<"$box")" = "icon=none owner=window"$'\n'"$text" ]; then
            e2e_pass "the queue shows the $what"
        else
            e2e_fail "the queue shows the $what" \
                "box \"$caption\": $(tr -d '\r' <<<"$box" | tr '\n' '|')"
            [ -n "$box" ] || {
                e2e_picture programs-queue-stuck
                e2e_abandon
                return
            }
        fi
    done

    local summary
    if summary=$(e2e_driver answer-box "فيكسو" OK 30000); then
        summary=$(tr -d '\r' <<<"$summary")
        if [ "$(sed -n '2,$p' <<<"$summary" | grep -c .)" = 6 ] &&
            sed -n 2p <<<"$summary" | grep -q '^ملخص برامج عند ' &&
            [ "$(sed -n 3p <<<"$summary")" = "اكتملت المعالجة: 1 | لم تكتمل: 4" ] &&
            [ "$(sed -n 4p <<<"$summary")" = "حجم ملفات البرامج المحذوفة غير مقاس؛ المساحة تقاس من القرص." ]; then
            e2e_pass "the summary box counts one removal of five"
        else
            e2e_fail "the summary box counts one removal of five" "it shows: $(tr '\n' '|' <<<"$summary")"
        fi
    else
        e2e_fail "the summary box counts one removal of five" "no summary box"
        e2e_abandon
        return
    fi

    # ---- what the run left ---------------------------------------------------------------
    local states want_states
    states=$(e2e_programs_cells | cut -f1,2,5)
    want_states=$(printf '%s\n' \
        $'clear\tNVIDIA Graphics Driver\tمكون محمي' \
        $'ticked\tVexo E2E Command Prompt Cleaner\tتعذر/ألغي' \
        $'ticked\tVexo E2E Handoff Tool\tراجع القائمة بعد التحديث' \
        $'ticked\tVexo E2E Installer Package\tراجع القائمة بعد التحديث' \
        $'clear\tVexo E2E Notes\tلا يوجد أمر إزالة' \
        $'ticked\tVexo E2E Self Removing Tool\tأزيل من قائمة البرامج' \
        $'ticked\tVEXO SOLVANE\tتعذر/ألغي')
    if [ "$states" = "$want_states" ]; then
        e2e_pass "each row shows how its removal went"
    else
        e2e_fail "each row shows how its removal went" "the grid shows: $(tr '\t\n' ',|' <<<"$states")"
    fi
    e2e_picture programs-end || e2e_fail "picture of the end state" "none taken"

    local left
    left=$(e2e_programs_left | paste -sd' ')
    if [ "$left" = "VexoE2E.CommandPrompt VexoE2E.Handoff VexoE2E.Installer VexoE2E.NoCommand VexoE2E.Product VexoE2E.Protected" ]; then
        e2e_pass "only the self-removing uninstaller's entry is gone"
    else
        e2e_fail "only the self-removing uninstaller's entry is gone" "left: $left"
    fi

    local logs log lines want_log
    logs=("$data"/Apps-*.txt)
    log="${logs[0]}"
    lines=$(tail -c +4 "$log" 2>/dev/null | tr -d '\r')
    want_log=$(printf '%s\n' "Vexo E2E Command Prompt Cleaner : $refused" \
        "Vexo E2E Handoff Tool : launched; exit=-1" \
        "Vexo E2E Installer Package : launched; exit=@" \
        "Vexo E2E Self Removing Tool : launched; exit=0" \
        "VEXO SOLVANE : $refused")
    # msiexec's own code for an unknown product is Wine's to choose.
    if [ "${#logs[@]}" = 1 ] && [ -f "$log" ] &&
        [ "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" = efbbbf ] &&
        [ "$(tail -c +4 "$log" | grep -c $'\r$')" = 5 ] &&
        [ "$(sed -E 's/^(Vexo E2E Installer Package : launched; exit=)-?[0-9]+$/\1@/' <<<"$lines")" = "$want_log" ]; then
        e2e_pass "the Apps- log has one line per program, in queue order"
    else
        e2e_fail "the Apps- log has one line per program, in queue order" \
            "$(basename "$log"): $(tr '\n' '|' <<<"$lines")"
    fi

    local facts
    facts=$(e2e_report_facts "$data/LastCleanup.json")
    if [ "$facts" = "برامج 0 5 1 4 false true true" ]; then
        e2e_pass "LastCleanup.json records the run"
    else
        e2e_fail "LastCleanup.json records the run" "it holds: ${facts:-nothing readable}"
    fi

    # ---- the navigation entry loads the list afresh -----------------------------------
    if [ "$(e2e_driver click "$e2e_title" "التطبيقات")" = "done" ] &&
        e2e_driver wait-text "$e2e_title" "البرامج المثبّتة — إزالة بالتتابع" 10000 >/dev/null &&
        e2e_programs_wait_loaded; then
        e2e_driver type "$e2e_title" "e2e"
        states=$(e2e_programs_cells | cut -f1,2,5 | paste -sd'|')
        if [ "$states" = $'clear\tNVIDIA Graphics Driver\tمكون محمي|clear\tVexo E2E Command Prompt Cleaner\tجاهز للمراجعة|clear\tVexo E2E Handoff Tool\tجاهز للمراجعة|clear\tVexo E2E Installer Package\tجاهز للمراجعة|clear\tVexo E2E Notes\tلا يوجد أمر إزالة|clear\tVEXO SOLVANE\tجاهز للمراجعة' ]; then
            e2e_pass "the navigation entry opens a fresh list without the removed program"
        else
            e2e_fail "the navigation entry opens a fresh list without the removed program" \
                "the grid shows: $(tr '\t' ',' <<<"$states")"
        fi
    else
        e2e_fail "the navigation entry opens a fresh list without the removed program" \
            "no heading or no list"
    fi

    e2e_close_main "main window closes after the run"
}

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
: >"$e2e_logs/reg.log"
e2e_programs_run
# The entries go, so that no other suite meets them.
mapfile -t e2e_programs_cleanup < <(e2e_programs_deletions)
e2e_programs_import "${e2e_programs_cleanup[@]}" || true
