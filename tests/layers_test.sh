#!/usr/bin/env bash
# Each folder under ui/ is one layer; a file may include its own layer and the
# ones below it, never one above. The index engine and the records also stay
# clear of the widget set, so they run where no window exists.
# Usage: tests/layers_test.sh [UI_FOLDER]; prints every include that points
# up and exits 1 if there is one.
set -uo pipefail
ui="${1:-$(dirname "$0")/../ui}"

rank_of() {
    case "$1" in
        base) echo 0 ;;
        platform) echo 1 ;;
        toolkit) echo 2 ;;
        diagnostics) echo 3 ;;
        index | records) echo 4 ;;
        shell) echo 5 ;;
        files | programs | space | tools) echo 6 ;;
        *) echo 7 ;; # the application object and the Windows entry point
    esac
}

faults=0
while IFS= read -r file; do
    relative="${file#"$ui"/}"
    folder="${relative%%/*}"
    [ "$folder" = "$relative" ] && folder=top
    own=$(rank_of "$folder")
    while IFS= read -r included; do
        target="${included%%/*}"
        [ "$target" = "$included" ] && target=top
        theirs=$(rank_of "$target")
        if [ "$theirs" -gt "$own" ]; then
            echo "up: ui/$relative includes \"$included\""
            faults=$((faults + 1))
        elif [ "$target" = toolkit ] && { [ "$folder" = index ] || [ "$folder" = records ]; }; then
            echo "widgets: ui/$relative includes \"$included\""
            faults=$((faults + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$ui" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' \) | sort)

if [ "$faults" -gt 0 ]; then
    echo "$faults include(s) point up or across"
    exit 1
fi
echo "every include under ui/ points down or within its own layer"
