#!/usr/bin/env bash
# The update checks against a real HTTPS server, run by updates.e2e.sh inside
# a private mount and network namespace (unshare --mount --net), so that
# everything it changes is seen by this script and its children only: the
# loopback it brings up, the hosts file that resolves the configured update
# host to 127.0.0.1, and the CA bundle that adds the test's own CA (Wine's
# certificate store takes its roots from that bundle). The host's own files
# stay as they are; the mounts end with the namespace.
#
# Prints "PASS name", "FAIL name: why" and "FIGURE text" lines; the caller
# counts them. Needs e2e_build, WINEPREFIX and DISPLAY in its environment,
# and no wineserver of the prefix running outside the namespace.
set -uo pipefail

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/updates"
work="$e2e_logs/tls"
E2E_PASSED=0
E2E_FAILED=0

# The host the build asks, as it was configured.
host=$(sed -n 's/^VEXO_UPDATE_HOST:STRING=//p' "$e2e_build/CMakeCache.txt")
page="https://$host/tolvik/index.html"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

setup_namespace() {
    if ! ip link set lo up; then
        e2e_fail "private loopback" "ip link set lo up failed"
        return 1
    fi
    rm -rf "$work"
    mkdir -p "$work/bin"
    # A CA and a server certificate for the host, made for this run only.
    if ! openssl req -x509 -newkey rsa:2048 -nodes -days 1 -keyout "$work/ca.key" \
        -out "$work/ca.crt" -subj "/CN=VEXO SOLVANE end-to-end test CA" \
        -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" >>"$work/openssl.log" 2>&1 ||
        ! openssl req -newkey rsa:2048 -nodes -keyout "$work/server.key" -out "$work/server.csr" \
            -subj "/CN=$host" >>"$work/openssl.log" 2>&1 ||
        ! printf 'subjectAltName=DNS:%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
            "$host" >"$work/server.ext" ||
        ! openssl x509 -req -in "$work/server.csr" -CA "$work/ca.crt" -CAkey "$work/ca.key" \
            -CAcreateserial -days 1 -extfile "$work/server.ext" -out "$work/server.crt" \
            >>"$work/openssl.log" 2>&1; then
        e2e_fail "test certificates" "openssl failed: $(tail -3 "$work/openssl.log")"
        return 1
    fi
    { cat /etc/hosts; printf '127.0.0.1 %s\n' "$host"; } >"$work/hosts"
    cat /etc/ssl/certs/ca-certificates.crt "$work/ca.crt" >"$work/ca-bundle.crt"
    if ! mount --bind "$work/hosts" /etc/hosts ||
        ! mount --bind "$work/ca-bundle.crt" /etc/ssl/certs/ca-certificates.crt; then
        e2e_fail "private hosts file and CA bundle" "bind mounts failed"
        return 1
    fi
    if [ "$(getent hosts "$host" | awk '{print $1; exit}')" != 127.0.0.1 ]; then
        e2e_fail "private hosts file and CA bundle" "$host does not resolve to 127.0.0.1"
        return 1
    fi
    e2e_pass "inside the test only, $host is 127.0.0.1 and the test CA is trusted"
    # The browser the shell hands the download page to: a stand-in that
    # writes down what it was asked to open.
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$PWD/$work/browser.log" >"$work/bin/xdg-open"
    chmod +x "$work/bin/xdg-open"
    export PATH="$PWD/$work/bin:$PATH"
    return 0
}

server_pid=""
start_server() {
    : >"$work/server.log"
    python3 tests/wine/update_server.py "$work/server.crt" "$work/server.key" \
        "$work/scenario" "$work/server.log" 2>>"$work/server.err" &
    server_pid=$!
    local i
    for i in $(seq 1 100); do
        grep -q '^listening' "$work/server.log" && return 0
        sleep 0.1
    done
    e2e_fail "update host" "the HTTPS server did not start: $(tail -3 "$work/server.err")"
    return 1
}
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
        server_pid=""
    fi
}

# Waits up to SECONDS for the stand-in browser to have been asked for the page.
browser_opened() {
    local i
    for i in $(seq 1 $(($1 * 10))); do
        grep -qxF "$page" "$work/browser.log" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

startup_prompt() {
    printf 'يتوفر إصدار أحدث v%s. نسختك الحالية v23.\r\nهل تريد فتح صفحة فيكسو لتحميل التحديث؟' "$1"
}
failure_head="تعذر فحص التحديث. تأكد من الإنترنت وحاول مجدداً. لم يتم تغيير التطبيق."

# One launch per body: the launcher's look (its prompt or none), the main
# window coming up afterwards, the in-app check from the More menu, then the
# window closed and the launcher's status.
#   case | scenario | startup: version prompted or "-" | answer to it |
#   in-app: kind (question, latest, invalid, status, failure) | answer
cases=(
    "24 CR LF|body crlf|24|Yes|question|No"
    "0024|body zeros|24|No|invalid|"
    "23|body current|-||latest|"
    "1000|body thousand|-||invalid|"
    "leading space|body leading-space|-||question|No"
    "trailing tab|body trailing-tab|-||question|No"
    "byte-order mark|body bom|-||question|Yes"
    "a second line|body second-line|-||invalid|"
    "24 and 40 spaces|body forty-spaces|24|No|question|No"
    "404|status 404|-||status|"
    "redirect to an error page|redirect|-||status|"
    "accepts and never answers|silent|-||failure|"
    "no server|none|-||failure|"
)

run_case() {
    local name="$1" scenario="$2" prompted="$3" startup_answer="$4" kind="$5" answer="$6"
    local key="${scenario// /-}" why="" box t0 t1 t2 t3
    [ "$scenario" = none ] || printf '%s\n' "$scenario" >"$work/scenario"
    : >"$work/browser.log"
    t0=$(now_ms)
    e2e_start "$e2e_launcher" "$e2e_logs/launcher-$key.log" 300

    # ---- the look at start
    if [ "$prompted" != - ]; then
        if ! box=$(e2e_driver answer-box "تحديث برنامج فيكسو" "$startup_answer" 40000); then
            why="no startup prompt"
        elif [ "$(sed -n 1p <<<"$box")" != "icon=information owner=none" ]; then
            why="the startup prompt shows $(sed -n 1p <<<"$box")"
        elif [ "$(sed -n '2,$p' <<<"$box")" != "$(startup_prompt "$prompted")" ]; then
            why="the startup prompt says \"$(sed -n '2,$p' <<<"$box")\""
        fi
    fi
    if [ -z "$why" ] && ! e2e_driver wait-window "$e2e_title" 60000; then
        why="the UI did not start"
    fi
    t1=$(now_ms)
    if [ -z "$why" ] && [ "$prompted" = - ] &&
        e2e_driver answer-box "تحديث برنامج فيكسو" No 1 >/dev/null 2>&1; then
        why="a startup prompt was shown"
    fi
    if [ -z "$why" ] && [ "$startup_answer" = Yes ] && ! browser_opened 15; then
        why="Yes did not open $page (browser: $(tr '\n' ' ' <"$work/browser.log"))"
    fi
    if [ -n "$why" ]; then
        e2e_fail "startup check, $name" "$why"
        e2e_abandon
        return
    fi
    e2e_pass "startup check, $name: $([ "$prompted" = - ] && echo "nothing shown" || echo "prompt for v$prompted, $startup_answer"), then the UI starts"
    printf 'FIGURE startup, %s: launcher start to main window %s ms\n' "$name" $((t1 - t0))

    # ---- the in-app check
    : >"$work/browser.log"
    (e2e_driver click "$e2e_title" "المزيد  ▾" >/dev/null) &
    local click=$!
    if ! e2e_driver menu-choose "$e2e_title" 5 15000 >/dev/null; then
        why="the More menu did not open"
    fi
    t2=$(now_ms)
    local caption=فيكسو button=OK
    if [ "$kind" = question ]; then
        caption="تحديث فيكسو"
        button="$answer"
    fi
    if [ -z "$why" ] && ! box=$(e2e_driver answer-box "$caption" "$button" 40000); then
        why="no message box captioned \"$caption\""
    fi
    t3=$(now_ms)
    wait "$click" 2>/dev/null
    local text first second
    text=$(sed -n '2,$p' <<<"$box")
    first=$(sed -n 1p <<<"$text" | tr -d '\r')
    second=$(sed -n 2p <<<"$text")
    if [ -z "$why" ]; then
        case "$kind" in
            question)
                [ "$text" = "نسختك v23، والإصدار المتاح v24. هل تريد فتح صفحة تحميل التحديث؟" ] &&
                    [ "$(sed -n 1p <<<"$box")" = "icon=information owner=window" ] ||
                    why="the question reads \"$text\" ($(sed -n 1p <<<"$box"))" ;;
            latest)
                [ "$text" = "نسختك v23 هي الأحدث حالياً." ] || why="it says \"$text\"" ;;
            invalid)
                [ "$first" = "$failure_head" ] && [ "$second" = "استجابة التحديث غير صالحة" ] ||
                    why="it says \"$text\"" ;;
            status)
                [ "$first" = "$failure_head" ] &&
                    [ "$second" = "The remote server returned an error: (404) Not Found." ] ||
                    why="it says \"$text\"" ;;
            failure)
                [ "$first" = "$failure_head" ] && [ -n "$second" ] || why="it says \"$text\"" ;;
        esac
        if [ "$kind" != question ] && [ "$(sed -n 1p <<<"$box")" != "icon=none owner=window" ]; then
            why="the message shows $(sed -n 1p <<<"$box"), not icon=none owner=window"
        fi
    fi
    if [ -z "$why" ] && [ "$answer" = Yes ] && ! browser_opened 15; then
        why="Yes did not open $page"
    fi
    if [ -n "$why" ]; then
        e2e_fail "in-app check, $name" "$why"
    else
        e2e_pass "in-app check, $name: $(tr '\r\n' '  ' <<<"$text" | sed 's/  */ /g')$([ -n "$answer" ] && echo " [$answer]")"
    fi
    printf 'FIGURE in-app, %s: menu entry to message %s ms\n' "$name" $((t3 - t2))

    # ---- closing
    e2e_driver close "$e2e_title"
    if ! e2e_driver wait-gone "$e2e_title" 20000; then
        e2e_fail "launcher ends after the window closes, $name" "the window is still open"
        e2e_abandon
        return
    fi
    e2e_wait 30
    if [ "$e2e_exit" != 0 ]; then
        e2e_fail "launcher ends after the window closes, $name" "status $e2e_exit"
        e2e_abandon
    fi
}

# What the host heard: the launcher's plain path, the in-app check's own
# address with its ticks and its cache refusal, both with the user agent.
check_requests() {
    local log="$work/server.log"
    if grep -qxF 'GET /tolvik/version.txt agent=VexoTolvik/23 cache-control=' "$log" &&
        grep -qE '^GET /tolvik/version\.txt\?t=[0-9]{18} agent=VexoTolvik/23 cache-control=no-cache, no-store$' "$log"; then
        e2e_pass "the host heard both checks with the user agent; the in-app one with ?t= ticks and no-cache, no-store"
    else
        e2e_fail "requests as sent" "the server log has: $(grep '^GET' "$log" | head -4 | tr '\n' ';')"
    fi
}

main() {
    mkdir -p "$e2e_logs"
    : >"$e2e_logs/driver.log"
    e2e_launcher_ready "update checks" || return
    setup_namespace || return
    start_server || return
    local entry name scenario prompted startup_answer kind answer
    for entry in "${cases[@]}"; do
        IFS='|' read -r name scenario prompted startup_answer kind answer <<<"$entry"
        if [ "$scenario" = none ]; then
            check_requests
            stop_server
        fi
        run_case "$name" "$scenario" "$prompted" "$startup_answer" "$kind" "$answer"
    done
    stop_server
}

main
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
