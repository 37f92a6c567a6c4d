# Wine harness, sourced by ./vexo and the Wine test scripts.
#
# One isolated prefix under build/ (never the user's own), created once and
# reused; Xvfb on a free display when none is set; "Segoe UI" replaced by a font
# with Arabic glyphs that Wine's edit control can shape (scripts/wine_test_font.py
# says why DejaVu Sans itself will not do); the profile folders made real
# folders instead of the links Wine makes, which the product's path guard
# rightly refuses.
#
#   vexo_wine_start [PREFIX]   prepare the prefix and the display
#   vexo_wine_run ARGS...      run a Windows program in that prefix
#   vexo_wine_stop             shut wineserver and our Xvfb down
#   vexo_wine_reg_import LOG LINE...   import registry lines into the prefix
#   vexo_reg_text TEXT         TEXT quoted as a registry file's string value

VEXO_WINE_PREFIX_DEFAULT="${VEXO_ROOT:?}/build/wineprefix"
VEXO_XVFB_PID=""

vexo_wine_prepare_prefix() {
    local prefix="$1"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # Keep the test trash out of the home folder: Wine's recycle bin follows it.
    export XDG_DATA_HOME="$prefix/xdg-data"
    mkdir -p "$XDG_DATA_HOME"
    # The marker names the prefix's make-up: a prefix of ours made before a
    # change to it is made again.
    [ -f "$prefix/.vexo-ready-2" ] && return 0
    [ -f "$prefix/.vexo-ready" ] && rm -rf "$prefix"
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1 || { echo "wine: could not create the prefix $prefix" >&2; return 1; }
    /usr/bin/python3 "$VEXO_ROOT/scripts/wine_test_font.py" "$prefix/drive_c/windows/Fonts" ||
        { echo "wine: could not make the test font" >&2; return 1; }
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v "Segoe UI" /d "Vexo Test Sans" /f >/dev/null 2>&1
    local user_dir
    for user_dir in "$prefix"/drive_c/users/*/; do
        [ "$(basename "$user_dir")" = Public ] && continue
        local folder
        for folder in Desktop Documents Downloads Music Pictures Videos; do
            if [ -L "$user_dir$folder" ]; then
                rm -f "$user_dir$folder"
            fi
            mkdir -p "$user_dir$folder"
        done
    done
    wineserver -w
    touch "$prefix/.vexo-ready-2"
}

vexo_display_start() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
            VEXO_XVFB_PID=$!
            export DISPLAY=":$n"
            local i
            for i in $(seq 1 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && return 0
                sleep 0.1
            done
            echo "Xvfb did not start on :$n" >&2
            return 1
        fi
    done
    echo "no free display for Xvfb" >&2
    return 1
}

vexo_wine_start() {
    vexo_display_start || return 1
    vexo_wine_prepare_prefix "${1:-$VEXO_WINE_PREFIX_DEFAULT}"
}

vexo_wine_run() {
    wine "$@"
}

# A registry file's string value: quoted, its backslashes and quotes escaped.
vexo_reg_text() {
    local s="${1//\\/\\\\}"
    printf '"%s"' "${s//\"/\\\"}"
}

# Imports one registry file (UTF-16 with byte-order mark) made of the given
# lines, written inside the prefix so that any prefix can read it; reg's
# output is appended to LOG.
vexo_wine_reg_import() {
    local log="$1" file="$WINEPREFIX/drive_c/windows/temp/vexo-import.reg" line status
    shift
    mkdir -p "$(dirname "$file")"
    {
        printf '\xff\xfe'
        for line in "Windows Registry Editor Version 5.00" "" "$@"; do
            printf '%s\r\n' "$line"
        done | iconv -f UTF-8 -t UTF-16LE
    } >"$file"
    timeout -k 5 60 wine reg import 'C:\windows\temp\vexo-import.reg' >>"$log" 2>&1
    status=$?
    rm -f "$file"
    return "$status"
}

vexo_wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    if [ -n "$VEXO_XVFB_PID" ]; then
        kill "$VEXO_XVFB_PID" 2>/dev/null
        wait "$VEXO_XVFB_PID" 2>/dev/null
        VEXO_XVFB_PID=""
        unset DISPLAY
    fi
    return 0
}
