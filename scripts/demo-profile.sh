#!/usr/bin/env bash
# The demo profile: a lived-in Windows user in a Wine prefix of its own under
# build/demo/, for ./vexo run and ./vexo tour. Never the user's own prefix or
# home: the prefix's profile folders are real folders (Wine makes them links
# to the Unix home), and its drive Z: (Wine's view of the whole Unix file
# system) is taken away, so the product lists and touches nothing outside
# build/demo/.
#
# What it holds:
#   - personal folders with files of known, realistic sizes, sparse so that
#     they cost almost no disk: a 1.5 GB video, a 4 GB disk image, downloads,
#     photos, music, documents with Arabic names, dated over the last years;
#   - a temporary folder with files older and newer than seven days;
#   - programs registered under HKCU's uninstall key with the project's test
#     uninstaller: one that removes its own entry, one that hands off to a
#     second process, one the product refuses (it runs through cmd.exe), one
#     without an uninstall command; and two protected entries machine-wide;
#   - a second drive D: (a folder under build/demo/) with backups and media;
#   - in the data folder %LOCALAPPDATA%\VexoTolvik, the records of a session
#     three days ago, written by the product's own code: the removal log and
#     LastCleanup.json of a My Files clean-up, the diagnostics log's lines
#     for a memory card that could not be read then, and the saved folder
#     analysis of C: (storage-v10-C.xml).
#
# Made once and reused; a profile of an older version of this script, or
# --fresh, makes it anew, and so does --intact (the tour's) when a session
# has removed or changed a file or an uninstall entry it was made with.
#
#   scripts/demo-profile.sh [--fresh]     make the profile (for use by hand)
#   . scripts/demo-profile.sh             then: vexo_demo_profile BUILD [--fresh|--intact]
#
# vexo_demo_profile needs the Wine harness (scripts/wine-harness.sh) sourced;
# it leaves WINEPREFIX and XDG_DATA_HOME naming the demo prefix.

VEXO_ROOT="${VEXO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
VEXO_DEMO_DIR="$VEXO_ROOT/build/demo"
VEXO_DEMO_PREFIX="$VEXO_DEMO_DIR/wineprefix"
VEXO_DEMO_DRIVE_D="$VEXO_DEMO_DIR/drive-d"
# Raised whenever what the profile holds changes, so an older one is remade.
VEXO_DEMO_VERSION=3
# How long ago the earlier session was.
VEXO_DEMO_SESSION_DAYS=3

vexo_demo_say() { printf 'demo profile: %s\n' "$*"; }

# Sparse files: SIZE (bytes), DATE (for touch -d), then the paths.
vexo_demo_files() {
    local size="$1" date="$2" f
    shift 2
    for f in "$@"; do
        mkdir -p "$(dirname "$f")"
        truncate -s "$size" "$f"
        touch -d "$date" "$f"
    done
}

# A small text file with real content (CR LF, as Notepad writes it).
vexo_demo_text() {
    local file="$1" date="$2"
    shift 2
    mkdir -p "$(dirname "$file")"
    printf '%s\r\n' "$@" >"$file"
    touch -d "$date" "$file"
}

vexo_demo_personal_files() {
    local home="$1"
    # Videos: the largest personal files.
    vexo_demo_files 1610612736 2023-08-20 "$home/Videos/رحلة الصيف 2023.mp4"
    vexo_demo_files 734003200 2024-06-15 "$home/Videos/حفل تخرج أحمد.mov"
    vexo_demo_files 157286400 '40 days ago' "$home/Videos/تسجيل الشاشة - شرح الدرس.mp4"
    # Downloads: a disk image and the installers and archives people forget.
    vexo_demo_files 4294967296 2024-09-02 "$home/Downloads/debian-12.7.0-amd64-DVD-1.iso"
    vexo_demo_files 367001600 2023-09-01 "$home/Downloads/صور الرحلة.zip"
    vexo_demo_files 44040192 2024-07-11 "$home/Downloads/vlc-3.0.21-win64.exe"
    vexo_demo_files 17825792 2024-02-05 "$home/Downloads/ZoomInstaller.exe"
    vexo_demo_files 1363148 '12 days ago' "$home/Downloads/ChromeSetup.exe"
    vexo_demo_files 524288 '25 days ago' "$home/Downloads/كشف حساب - مارس.pdf"
    # Pictures: an album and a few loose ones.
    local i
    for i in 1 2 3 4 5 6 7 8; do
        vexo_demo_files "$((3145728 + i * 350000))" "2023-08-1$i 14:3$i" \
            "$home/Pictures/العطلة 2023/IMG_2023081${i}_143${i}12.jpg"
    done
    vexo_demo_files 8912896 2024-03-09 "$home/Pictures/عيد ميلاد سارة.png"
    vexo_demo_files 2516582 2022-12-30 "$home/Pictures/خلفية سطح المكتب.jpg"
    # Documents: papers, a phone backup, notes.
    vexo_demo_files 2362232012 2024-01-14 "$home/Documents/نسخة احتياطية للهاتف.zip"
    vexo_demo_files 1153433 2023-05-01 "$home/Documents/عقد الإيجار.pdf"
    vexo_demo_files 126976 2024-04-20 "$home/Documents/السيرة الذاتية 2024.docx"
    vexo_demo_files 48128 '9 days ago' "$home/Documents/ميزانية البيت 2024.xlsx"
    vexo_demo_text "$home/Documents/ملاحظات الاجتماع.txt" '2 days ago' \
        "اجتماع الفريق — الأحد" "- مراجعة خطة الربع القادم" "- تحديث الموقع قبل نهاية الشهر"
    # Music and the desktop.
    vexo_demo_files 6815744 2021-11-02 "$home/Music/فيروز - نسم علينا الهوا.mp3"
    vexo_demo_files 52428800 '60 days ago' "$home/Music/بودكاست - الحلقة 12.mp3"
    vexo_demo_files 1258291 '5 days ago' "$home/Desktop/لقطة شاشة 2024-11-02.png"
    vexo_demo_text "$home/Desktop/قائمة المهام.txt" yesterday \
        "- دفع فاتورة الكهرباء" "- حجز موعد الطبيب" "- تنظيف القرص قبل السفر"
}

# Temporary files the Temporary files section lists (older than seven days)
# and leaves out (newer).
vexo_demo_temporary_files() {
    local temp="$1"
    vexo_demo_files 67108864 '40 days ago' "$temp/~DF8C2A1B3E.tmp"
    vexo_demo_files 41943040 '20 days ago' "$temp/vlc-3.0.20-win64.msi"
    vexo_demo_files 99614720 '30 days ago' "$temp/chrome_installer/unpacked/chrome.7z"
    vexo_demo_files 12582912 '15 days ago' "$temp/crashpad_report_4f1a.dmp"
    vexo_demo_text "$temp/setup_2023-12-01.log" '90 days ago' \
        "Setup started" "Copying files" "Setup finished with code 0"
    vexo_demo_files 2097152 '2 hours ago' "$temp/tmpA3F2.tmp"
    vexo_demo_text "$temp/edge_installer.log" today "Update check: no update"
}

vexo_demo_drive_d() {
    local d="$1"
    rm -rf "$d"
    vexo_demo_files 6442450944 2024-01-31 "$d/نسخ احتياطية/Laptop backup 2024-01.zip"
    vexo_demo_files 2147483648 2023-06-30 "$d/نسخ احتياطية/Laptop backup 2023-06.zip"
    vexo_demo_files 2684354560 2023-10-05 "$d/Media/Movies/فيلم العائلة.mkv"
    vexo_demo_files 943718400 2022-04-18 "$d/Media/Movies/حفلة العيد.mp4"
    vexo_demo_files 3221225472 2024-05-22 "$d/Games/setup-game-data.bin"
    vexo_demo_text "$d/Projects/website/index.html" '14 days ago' \
        "<!doctype html>" "<html lang=\"ar\" dir=\"rtl\"><body>مرحبا</body></html>"
    vexo_demo_files 245760 '14 days ago' "$d/Projects/website/logo.png"
}

# The programs: HKCU entries whose uninstallers are the project's test
# uninstaller, and two machine-wide entries the product protects.
vexo_demo_programs() {
    local build="$1" home="$2" home_win="$3" log="$4"
    local uninstaller="$build/tests/wine/vexo-test-uninstaller.exe"
    [ -f "$uninstaller" ] || { vexo_demo_say "$uninstaller is not built"; return 1; }
    local programs="$home/AppData/Local/Programs" programs_win="$home_win\\AppData\\Local\\Programs"
    mkdir -p "$programs/Qalam Notes" "$programs/Sahm" "$programs/Nashra Reader" "$programs/Mizan"
    cp "$uninstaller" "$programs/Qalam Notes/uninstall.exe"
    cp "$uninstaller" "$programs/Sahm/unins000.exe"
    cp "$uninstaller" "$programs/Nashra Reader/uninstall.exe"

    local user_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    local machine_key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    #   key | DisplayName | Publisher | DisplayVersion | EstimatedSize (KB) | UninstallString
    local entries=(
        "$user_key\\QalamNotes|Qalam Notes|Qalam Labs|2.4.1|88064|\"$programs_win\\Qalam Notes\\uninstall.exe\" remove QalamNotes"
        "$user_key\\SahmDownloadManager|Sahm Download Manager|Sahm Software|6.1|24576|\"$programs_win\\Sahm\\unins000.exe\" handoff 0"
        "$user_key\\NashraReader|Nashra Reader|Nashra Media|3.2|12288|C:\\windows\\system32\\cmd.exe /c \"\"$programs_win\\Nashra Reader\\uninstall.exe\" remove NashraReader\""
        "$user_key\\MizanBudget|Mizan Budget|Mizan|1.0|3072|"
        "$machine_key\\{5F1E6C2B-3A4D-4B8E-9C7F-1A2B3C4D5E6F}|Microsoft Visual C++ 2015-2022 Redistributable (x64) - 14.38.33135|Microsoft Corporation|14.38.33135.0|20480|MsiExec.exe /X{5F1E6C2B-3A4D-4B8E-9C7F-1A2B3C4D5E6F}"
        "$machine_key\\NVIDIA Graphics Driver|NVIDIA Graphics Driver 546.33|NVIDIA Corporation|546.33|1048576|C:\\windows\\SysWOW64\\RunDll32.EXE \"C:\\Program Files\\NVIDIA Corporation\\Installer2\\InstallerCore\\NVI2.DLL\",UninstallPackage Display.Driver"
    )
    local lines=() entry key name publisher version size command
    for entry in "${entries[@]}"; do
        IFS='|' read -r key name publisher version size command <<<"$entry"
        lines+=("[$key]"
            "\"DisplayName\"=$(vexo_reg_text "$name")"
            "\"Publisher\"=$(vexo_reg_text "$publisher")"
            "\"DisplayVersion\"=$(vexo_reg_text "$version")"
            "\"EstimatedSize\"=dword:$(printf '%08x' "$size")")
        [ -n "$command" ] && lines+=("\"UninstallString\"=$(vexo_reg_text "$command")")
        lines+=("")
    done
    vexo_wine_reg_import "$log" "${lines[@]}"
}

# The records of the earlier session, written by the product's own code and
# read back by it (vexo-demo-records checks both): a My Files clean-up that
# moved six files to the Recycle Bin and left the phone backup in place (the
# user said no when the shell asked), and the folder analysis of C:.
vexo_demo_records() {
    local build="$1" home_win="$2" log="$3"
    local tool="$build/tests/wine/vexo-demo-records.exe"
    [ -f "$tool" ] || { vexo_demo_say "$tool is not built"; return 1; }
    timeout -k 5 120 wine "$tool" cleanup "$VEXO_DEMO_SESSION_DAYS" \
        "$home_win\\Documents\\نسخة احتياطية للهاتف.zip" \
        4932407296 "$home_win\\Downloads\\ubuntu-22.04.4-desktop-amd64.iso" \
        524288000 "$home_win\\Videos\\فيديو قديم 2019.mp4" \
        85983232 "$home_win\\Downloads\\setup-old-version.exe" \
        4718592 "$home_win\\Downloads\\OfficeSetup.exe" \
        2202009 "$home_win\\Documents\\نسخة قديمة من التقرير.docx" \
        3355443 "$home_win\\Pictures\\IMG_0001 (نسخة).jpg" >>"$log" 2>&1 &&
        timeout -k 5 300 wine "$tool" analysis "$VEXO_DEMO_SESSION_DAYS" 'C:\' >>"$log" 2>&1
}

# Puts the built launcher where the installer puts it for this user (the
# release folder under %LOCALAPPDATA%\Programs) and prints that Windows path;
# copied on every start, so that the profile always runs the latest build.
vexo_demo_install() {
    local launcher="$1/app/VexoSolvane.exe" d
    [ -f "$launcher" ] || return 1
    for d in "$WINEPREFIX"/drive_c/users/*/; do
        [ "$(basename "$d")" = Public ] && continue
        mkdir -p "$d/AppData/Local/Programs/VexoSolvane/app-23"
        cp "$launcher" "$d/AppData/Local/Programs/VexoSolvane/app-23/VexoSolvane.exe" || return 1
        printf 'C:\\users\\%s\\AppData\\Local\\Programs\\VexoSolvane\\app-23\\VexoSolvane.exe\n' \
            "$(basename "$d")"
        return 0
    done
    return 1
}

# What the profile was made with: every file of the personal folders, the
# temporary folder and drive D: with its size, and the user's uninstall
# entries, one per line.
vexo_demo_contents() {
    local home="$1" key
    find "$home"/{Desktop,Documents,Downloads,Music,Pictures,Videos,Temp} "$VEXO_DEMO_DRIVE_D" \
        -type f -printf 'file %s %p\n' | sort
    for key in QalamNotes SahmDownloadManager NashraReader MizanBudget; do
        printf 'entry %s\n' "$key"
    done
}

# Whether every file and entry the profile was made with is still there, as
# it was made (a session may have cleaned up or uninstalled some).
vexo_demo_intact() {
    local line kind size path
    [ -f "$VEXO_DEMO_DIR/contents" ] || return 1
    while IFS= read -r line; do
        kind="${line%% *}"
        if [ "$kind" = file ]; then
            size="${line#file }" && path="${size#* }" && size="${size%% *}"
            [ "$(stat -c %s "$path" 2>/dev/null)" = "$size" ] || return 1
        else
            grep -qF "Uninstall\\\\${line#entry }]" "$VEXO_DEMO_PREFIX/user.reg" || return 1
        fi
    done <"$VEXO_DEMO_DIR/contents"
}

# Makes the demo profile unless it is there already; BUILD is the Windows
# build folder (its test uninstaller and record writer are used). --fresh
# makes it anew in any case; --intact only when a session has changed what
# it was made with (the tour shows the profile as it is made).
vexo_demo_profile() {
    local build="$1" fresh="${2:-}"
    local marker="$VEXO_DEMO_DIR/.made-$VEXO_DEMO_VERSION"
    if [ "$fresh" = --intact ] && [ -f "$marker" ] && ! vexo_demo_intact; then
        vexo_demo_say "a session has changed it since it was made"
        fresh=--fresh
    fi
    if [ "$fresh" = --fresh ] || { [ -d "$VEXO_DEMO_DIR" ] && [ ! -f "$marker" ]; }; then
        vexo_demo_say "removing the old profile"
        WINEPREFIX="$VEXO_DEMO_PREFIX" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$VEXO_DEMO_PREFIX" wineserver -w >/dev/null 2>&1
        rm -rf "$VEXO_DEMO_DIR"
    fi
    mkdir -p "$VEXO_DEMO_DIR"
    vexo_wine_prepare_prefix "$VEXO_DEMO_PREFIX" || return 1
    [ -f "$marker" ] && return 0

    vexo_demo_say "making it under build/demo (once; --fresh makes it again)"
    local log="$VEXO_DEMO_DIR/make.log" home="" d
    : >"$log"
    for d in "$VEXO_DEMO_PREFIX"/drive_c/users/*/; do
        [ "$(basename "$d")" = Public ] || home="${d%/}"
    done
    [ -n "$home" ] || { vexo_demo_say "the prefix has no user profile"; return 1; }
    local home_win
    home_win="C:\\users\\$(basename "$home")"

    # Nothing of the profile may lead out of the prefix: every link Wine made
    # to the Unix home becomes a real folder, and drive Z: goes.
    local link
    while IFS= read -r -d '' link; do
        rm -f "$link" && mkdir -p "$link"
    done < <(find "$VEXO_DEMO_PREFIX/drive_c/users" -type l -print0)
    rm -f "$VEXO_DEMO_PREFIX/dosdevices/z:"
    vexo_demo_drive_d "$VEXO_DEMO_DRIVE_D"
    ln -sfn "$VEXO_DEMO_DRIVE_D" "$VEXO_DEMO_PREFIX/dosdevices/d:"

    vexo_demo_personal_files "$home"
    vexo_demo_temporary_files "$home/Temp"
    if ! vexo_demo_programs "$build" "$home" "$home_win" "$log" ||
        ! vexo_demo_records "$build" "$home_win" "$log"; then
        vexo_demo_say "could not be made (see $log)"
        return 1
    fi
    wineserver -w
    vexo_demo_contents "$home" >"$VEXO_DEMO_DIR/contents"
    touch "$marker"
    vexo_demo_say "ready"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -uo pipefail
    export VEXO_ROOT
    cd "$VEXO_ROOT" || exit 1
    # shellcheck source=scripts/wine-harness.sh
    . scripts/wine-harness.sh
    vexo_display_start || exit 1
    vexo_demo_profile "${VEXO_RUN_BUILD:-build/windows}" "${1:-}"
    status=$?
    vexo_wine_stop
    exit "$status"
fi
