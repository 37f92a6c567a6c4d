# What every end-to-end script shares: result lines and the bounded driver.
# A script sets e2e_build (the Windows build folder) and e2e_logs (where the
# driver's complaints go) before it calls these.

e2e_pass() {
    printf 'PASS %s\n' "$1"
    E2E_PASSED=$((E2E_PASSED + 1))
}

e2e_fail() {
    printf 'FAIL %s: %s\n' "$1" "$2"
    E2E_FAILED=$((E2E_FAILED + 1))
}

# The driver, bounded; its complaints go to the log, its answer to stdout.
e2e_driver() {
    LC_ALL=C.UTF-8 timeout -k 5 60 wine "$e2e_build/tests/wine/vexo-driver.exe" "$@" \
        2>>"$e2e_logs/driver.log"
}
