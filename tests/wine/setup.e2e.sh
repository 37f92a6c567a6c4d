# shellcheck shell=bash
# End to end under Wine: setup.exe against a stand-in for Windows PowerShell
# (tests/wine/standin), placed where the system folder's script host is in
# the test prefix. Each run checks the command line and working folder the
# installer gets, that the other three payloads lie next to Install.ps1 byte
# for byte the build's files, setup's status and message box, and what is
# left in the temporary folder afterwards: for an installer that succeeds,
# fails or ends with a code of its own, a missing script host, an installed
# program that keeps the extraction folder as its working folder, and a
# setup.exe built without one of its payloads.
#
# Sourced by ./vexo with the Wine harness up (WINEPREFIX and DISPLAY set);
# prints "PASS name" or "FAIL name: why" per check and sets E2E_PASSED and
# E2E_FAILED. VEXO_E2E_BUILD names another Windows build folder.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/setup"
e2e_setup_host="$WINEPREFIX/drive_c/windows/system32/WindowsPowerShell/v1.0/powershell.exe"
e2e_setup_standin="$e2e_build/tests/wine/vexo-powershell-standin.exe"
e2e_setup_record="$VEXO_ROOT/$e2e_logs/record"
e2e_setup_trace="$VEXO_ROOT/$e2e_logs/trace.log"
e2e_setup_failed="تعذر إكمال التثبيت؛ أرسل نص الخطأ."

# The payloads as the build made them, in their resource order.
e2e_setup_names=(Install.ps1 VexoSolvane.exe VexoSolvane.ico Uninstall.ps1)
e2e_setup_built() {
    case "$1" in
        Install.ps1 | Uninstall.ps1) printf '%s' "installer/$1" ;;
        VexoSolvane.exe) printf '%s' "$e2e_build/app/VexoSolvane.exe" ;;
        VexoSolvane.ico) printf '%s' "$e2e_build/resources/VexoSolvane.ico" ;;
    esac
}

# Every "vxr" folder or file under the profile folders of the prefix.
e2e_setup_leftovers() {
    find "$WINEPREFIX/drive_c/users" -iname 'vxr*.tmp' 2>/dev/null | sort
}

# The prefix's folder for a path on drive C: as Windows names it.
e2e_setup_unix_path() {
    local path="${1:3}"
    printf '%s/drive_c/%s' "$WINEPREFIX" "${path//\\//}"
}

# What the stand-in recorded contradicts the promises to the installer:
# prints why, or nothing.
e2e_setup_record_broken() {
    local record="$e2e_setup_record" folder line name
    if [ ! -f "$record/command-line.txt" ]; then
        printf 'the installer was not started'
        return
    fi
    folder=$(cat "$record/working-folder.txt")
    if ! grep -qiE '^C:\\.*\\vxr[0-9a-f]{1,4}\.tmp$' <<<"$folder"; then
        printf 'working folder "%s" is no vxr folder on C:' "$folder"
        return
    fi
    line=$(cat "$record/command-line.txt")
    local want="\"C:\\windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoProfile -STA -ExecutionPolicy Bypass -File \"$folder\\Install.ps1\""
    if [ "$line" != "$want" ]; then
        printf 'command line «%s», not «%s»' "$line" "$want"
        return
    fi
    for name in "${e2e_setup_names[@]}"; do
        if ! cmp -s "$record/$name" "$(e2e_setup_built "$name")"; then
            printf '%s next to Install.ps1 is not the build'"'"'s file' "$name"
            return
        fi
    done
}

# The trace of a damaged build: every payload but WITHOUT written in full
# into a vxr folder, WITHOUT not at all. Prints why not, or nothing.
e2e_setup_trace_broken() {
    local without="$1" name bytes want
    for name in "${e2e_setup_names[@]}"; do
        bytes=$(grep -E "^[0-9]+ +write\([0-9]+<[^>]*/vxr[0-9a-fA-F]+\.tmp/$name>" "$e2e_setup_trace" |
            grep -oE '= [0-9]+$' | awk '{ sum += $2 } END { print sum + 0 }')
        want=0
        [ "$name" != "$without" ] && want=$(stat -c %s "$(e2e_setup_built "$name")")
        if [ "$bytes" != "$want" ]; then
            printf '%s bytes written to %s, not %s' "$bytes" "$name" "$want"
            return
        fi
    done
}

# Puts the stand-in where the system folder's script host is, or takes it
# away. Wine's own host is kept aside and put back by e2e_setup_restore_host.
e2e_setup_place_host() {
    if [ "$1" = missing ]; then
        rm -f "$e2e_setup_host"
    else
        mkdir -p "$(dirname "$e2e_setup_host")"
        cp "$e2e_setup_standin" "$e2e_setup_host"
    fi
}

e2e_setup_keep_host() {
    if [ -f "$e2e_setup_host" ] && ! cmp -s "$e2e_setup_host" "$e2e_setup_standin"; then
        cp "$e2e_setup_host" "$e2e_logs/wine-powershell.exe"
    fi
}

e2e_setup_restore_host() {
    if [ -f "$e2e_logs/wine-powershell.exe" ]; then
        cp "$e2e_logs/wine-powershell.exe" "$e2e_setup_host"
    else
        rm -f "$e2e_setup_host"
    fi
}

# Lets a lingering child of the stand-in go and removes the folder it kept.
e2e_setup_release_child() {
    local folder="$1" i
    : >"$e2e_setup_record/stop"
    for i in $(seq 1 100); do
        [ -f "$e2e_setup_record/child-ended.txt" ] && break
        sleep 0.1
    done
    [ -n "$folder" ] && rmdir "$folder" 2>/dev/null
}

# One setup run per case:
#   name | setup program | host: standin or missing | VEXO_STANDIN_STATUS |
#   child: 1 to start one | status | message (empty: no box) | payload left out
e2e_setup_cases=(
    "installer ends with 0: nothing shown, everything removed|setup/setup.exe|standin|0||0||"
    "installer ends with 1: setup's message, status 1, everything removed|setup/setup.exe|standin|1||1|$e2e_setup_failed|"
    "installer ends with 7: setup's message, status 7, everything removed|setup/setup.exe|standin|7||7|$e2e_setup_failed|"
    "Windows PowerShell missing: setup's message, status 1, nothing left|setup/setup.exe|missing|0||1|$e2e_setup_failed|"
    "the started program keeps the extraction folder: it stays empty, status 0|setup/setup.exe|standin|0|1|0||"
    "a build without the icon payload: the others written and removed, no installer, setup's message|tests/wine/vexo-setup-without-icon.exe|standin|0||1|$e2e_setup_failed|VexoSolvane.ico"
)

e2e_setup_run_case() {
    # (read drops empty fields at the end of a line, so those may be unset)
    local name="$1" exe="$2" host="$3" status="$4" child="${5:-}" expected="$6" message="${7:-}"
    local without="${8:-}"
    local setup="$e2e_build/$exe" why="" before after left folder="" box
    if [ ! -f "$setup" ] || [ ! -f "$e2e_setup_standin" ]; then
        e2e_fail "$name" "$setup or the stand-in is not built"
        return
    fi
    rm -rf "$e2e_setup_record" "$e2e_setup_trace"
    mkdir -p "$e2e_setup_record"
    e2e_setup_place_host "$host"
    before=$(e2e_setup_leftovers)
    # The damaged build's writes are traced; a traced run would also wait for
    # any child, so the others run plain.
    [ -n "$without" ] && e2e_start_with=(strace -f -y -e trace=write -e signal=none -o "$e2e_setup_trace")
    VEXO_STANDIN_RECORD="$(winepath -w "$e2e_setup_record" 2>/dev/null)" \
        VEXO_STANDIN_STATUS="$status" VEXO_STANDIN_CHILD="$child" \
        e2e_start "$setup" "$e2e_logs/setup.log" 90
    e2e_start_with=()
    if [ -n "$message" ]; then
        if ! box=$(e2e_driver answer-box "VEXO SOLVANE Setup" OK 30000); then
            why="no message box captioned \"VEXO SOLVANE Setup\""
        elif [ "$(sed -n 1p <<<"$box")" != "icon=error owner=none" ]; then
            why="the box shows $(sed -n 1p <<<"$box"), not icon=error owner=none"
        elif [ "$(sed -n '2,$p' <<<"$box")" != "$message" ]; then
            why="the box says \"$(sed -n '2,$p' <<<"$box")\""
        fi
    fi
    if [ -z "$why" ]; then
        # Without a message, a box would keep setup from ending by itself.
        e2e_wait 60
        [ "$e2e_exit" != "$expected" ] && why="setup status $e2e_exit, not $expected"
    fi
    if [ -z "$why" ]; then
        if [ "$host" = standin ] && [ -z "$without" ]; then
            why=$(e2e_setup_record_broken)
            [ -f "$e2e_setup_record/working-folder.txt" ] &&
                folder=$(e2e_setup_unix_path "$(cat "$e2e_setup_record/working-folder.txt")")
        elif [ -f "$e2e_setup_record/command-line.txt" ]; then
            why="the installer was started"
        fi
    fi
    if [ -z "$why" ] && [ -n "$without" ]; then
        why=$(e2e_setup_trace_broken "$without")
    fi
    after=$(e2e_setup_leftovers)
    left=$(comm -13 <(printf '%s\n' "$before") <(printf '%s\n' "$after") | grep -v '^$')
    if [ -z "$why" ]; then
        if [ -n "$child" ]; then
            if [ "$left" != "$folder" ]; then
                why="left «${left}», not the extraction folder alone"
            elif [ -n "$(ls -A "$folder")" ]; then
                why="the extraction folder still holds $(ls -A "$folder" | tr '\n' ' ')"
            fi
        elif [ -n "$left" ]; then
            why="left $left"
        fi
    fi
    [ -n "$child" ] && e2e_setup_release_child "$folder"
    if [ -z "$why" ]; then
        e2e_pass "$name"
    else
        e2e_fail "$name" "$why"
        e2e_abandon
    fi
}

mkdir -p "$e2e_logs"
: >"$e2e_logs/driver.log"
e2e_setup_keep_host
for e2e_setup_case in "${e2e_setup_cases[@]}"; do
    IFS='|' read -r -a e2e_setup_fields <<<"$e2e_setup_case"
    e2e_setup_run_case "${e2e_setup_fields[@]}"
done
e2e_setup_restore_host
