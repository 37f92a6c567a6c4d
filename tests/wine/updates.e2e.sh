# shellcheck shell=bash
# End to end under Wine: both update checks against a real HTTPS server on
# this machine. The launcher's silent look at start and the More menu's
# check run against every body of the list in updates-namespace.sh, which
# runs inside a private mount and network namespace: the update host the
# build was configured with resolves to 127.0.0.1 and the test's CA is
# trusted there only. The host's /etc/hosts and CA store are checked to be
# untouched afterwards.
#
# Sourced by ./vexo with the Wine harness up; prints "PASS name" or
# "FAIL name: why" per check, the measured waits as "figure" lines, and sets
# E2E_PASSED and E2E_FAILED.

. tests/wine/e2e-lib.sh
e2e_build="${VEXO_E2E_BUILD:-build/windows}"
e2e_logs="build/e2e/updates"

e2e_updates_host_files() {
    sha256sum /etc/hosts /etc/ssl/certs/ca-certificates.crt 2>/dev/null
}

e2e_updates() {
    mkdir -p "$e2e_logs"
    local tool
    for tool in unshare ip openssl python3 getent; do
        if ! command -v "$tool" >/dev/null; then
            e2e_fail "update checks" "$tool is not installed"
            return
        fi
    done
    if ! unshare --mount --net true 2>/dev/null; then
        e2e_fail "update checks" "no private namespaces here (unshare --mount --net)"
        return
    fi
    local before line
    before=$(e2e_updates_host_files)
    # The programs inside must talk to a wineserver of their own, started in
    # the namespace: sockets are made by the server, so one started outside
    # would connect to the host's network.
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    VEXO_E2E_BUILD="$e2e_build" timeout -k 10 1500 unshare --mount --net \
        bash tests/wine/updates-namespace.sh >"$e2e_logs/namespace.out" 2>"$e2e_logs/namespace.err"
    local rc=$?
    while IFS= read -r line; do
        case "$line" in
            "PASS "*) e2e_pass "${line#PASS }" ;;
            "FAIL "*)
                local rest="${line#FAIL }"
                e2e_fail "${rest%%: *}" "${rest#*: }"
                ;;
            "FIGURE "*) printf '  figure: %s\n' "${line#FIGURE }" ;;
        esac
    done <"$e2e_logs/namespace.out"
    if [ "$rc" -ne 0 ]; then
        e2e_fail "update checks" "the namespace's script ended with status $rc"
    fi
    if [ "$(e2e_updates_host_files)" = "$before" ] &&
        ! getent hosts "$(sed -n 's/^VEXO_UPDATE_HOST:STRING=//p' "$e2e_build/CMakeCache.txt")" \
            >/dev/null; then
        e2e_pass "the host's hosts file and CA bundle are untouched; the update host resolves nowhere outside"
    else
        e2e_fail "host left untouched" "/etc/hosts or the CA bundle changed, or the host resolves"
    fi
}

e2e_updates
