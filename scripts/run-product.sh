#!/usr/bin/env bash
# Starts the built product (VexoSolvane.exe) with the demo profile
# (scripts/demo-profile.sh: a lived-in user in a Wine prefix of its own under
# build/demo/); ./vexo run calls it after the Windows build.
#
#   scripts/run-product.sh [--fresh]     --fresh makes the demo profile anew
#
# With a display the product runs until the user closes its window, and the
# script ends with the launcher's status. Without one it runs under Xvfb:
# once the main window is up it is photographed to build/screenshots/run.png,
# closed, and the script ends with 0 when the launcher ended with 0.
#
# VEXO_RUN_BUILD names another Windows build folder.
set -uo pipefail

VEXO_ROOT="${VEXO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export VEXO_ROOT
cd "$VEXO_ROOT" || exit 1

build="${VEXO_RUN_BUILD:-build/windows}"
driver="$build/tests/wine/vexo-driver.exe"
title="VEXO SOLVANE | إدارة الجهاز — v23"
first_heading="تحكّم أذكى. مساحة أوسع."
picture="build/screenshots/run.png"
fresh=""
case "${1:-}" in
    --fresh) fresh=--fresh ;;
    "") ;;
    *) printf 'usage: run-product.sh [--fresh]\n' >&2; exit 2 ;;
esac

say() { printf 'run: %s\n' "$*"; }

headless=1
[ -n "${DISPLAY:-}" ] && headless=0

# shellcheck source=scripts/wine-harness.sh
. scripts/wine-harness.sh
# shellcheck source=scripts/demo-profile.sh
. scripts/demo-profile.sh
vexo_display_start || exit 1
trap vexo_wine_stop EXIT
vexo_demo_profile "$build" "$fresh" || exit 1
launcher=$(vexo_demo_install "$build") || { say "$build/app/VexoSolvane.exe is not built"; exit 1; }
say "the demo profile: build/demo/ (its records: %LOCALAPPDATA%\\VexoTolvik in the prefix)"

if [ "$headless" -eq 0 ]; then
    say "starting $launcher on $DISPLAY; close its window to end"
    # From a folder Wine can name, so it starts there without a warning.
    (cd "$WINEPREFIX/drive_c" && exec wine "$launcher")
    status=$?
    say "the launcher ended with status $status"
    exit "$status"
fi

drive() { timeout -k 5 60 wine "$driver" "$@"; }

mkdir -p build/screenshots build/e2e
# The launcher's status comes back through a pipe, so that waiting for it
# can be bounded.
fifo=$(mktemp -u "${TMPDIR:-/tmp}/vexo-run.XXXXXX")
mkfifo "$fifo"
exec {status_fd}<>"$fifo"
rm -f "$fifo"
(
    timeout -k 5 300 wine "$launcher" >build/e2e/run-launcher.log 2>&1
    echo "$?" >&"$status_fd"
) &
launcher_pid=$!

fail() {
    say "$*"
    wineserver -k >/dev/null 2>&1
    wait "$launcher_pid" 2>/dev/null
    exit 1
}

drive wait-window "$title" 60000 || fail "the main window did not appear (see build/e2e/run-launcher.log)"
drive wait-text "$title" "$first_heading" 30000 >/dev/null || fail "Home did not open"
# Home's drive reading and the first frames of the banner land just after it
# opens; the picture is for people, so it waits for them.
sleep 2
read -r _ _ _ _ cx cy cw ch < <(drive window-rect "$title")
rm -f "$picture"
if timeout 30 import -window root -crop "${cw}x${ch}+${cx}+${cy}" +repage "$picture" 2>/dev/null &&
    [ -s "$picture" ]; then
    say "the main window is up; picture saved to $picture"
else
    say "the main window is up, but no picture could be taken"
fi

drive close "$title"
drive wait-gone "$title" 20000 || fail "the main window did not close"
# The launcher ends right after the UI; should it report a failure instead,
# its message is read out and answered.
if box=$(drive answer-box Vexo OK 3000 2>/dev/null); then
    fail "the launcher reports: $(sed -n '2,$p' <<<"$box")"
fi
read -r -t 30 -u "$status_fd" status || fail "the launcher did not end after its window closed"
wait "$launcher_pid"
[ "$status" -eq 0 ] || fail "the launcher ended with status $status"
say "the main window closed and the launcher ended with status 0"
exit 0
