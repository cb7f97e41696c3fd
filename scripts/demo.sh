#!/usr/bin/env bash
# The demo (README): builds dist/, installs a sample game (SETUP.INI, the installer's
# registry values, a save folder) in a private Wine prefix and runs each tool of the build
# there. On a display: leaves them to the user, and prints the stored values once all are
# closed. Without one, on Xvfb, a Wine desktop window each: shoots each tool
# (build/demo/<tool>.png), decides a choice other than the shown one and prints the values
# read back, then shoots the first tool's three warning boxes a player can meet, under
# the Japanese and a French locale (build/demo/warning-*.png, warning-*-fr.png).
#   --refresh-docs (unattended only): then copies all the shots over those in docs/.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
refresh_docs=
case "$*" in
    "") ;; --refresh-docs) refresh_docs=1 ;; *) echo "usage: demo.sh [--refresh-docs]" >&2; exit 2 ;;
esac
if [ -n "$refresh_docs" ] && [ -n "${DISPLAY:-}" ]; then
    echo "demo: --refresh-docs shoots unattended, on Xvfb; run it without a display: DISPLAY= bash scripts/demo.sh --refresh-docs" >&2
    exit 2
fi

# --- What is needed (before Wine may re-run this script in a namespace of its own) ---
if [ -z "${WINE_HOW:-}" ]; then
    if [ "$(id -u)" = 0 ]; then
        bash scripts/install-deps.sh
    else
        echo "demo: not root, so nothing is installed; scripts/install-deps.sh lists what is needed"
    fi
fi
. tests/wine/wine.sh
wine_enter "$repo/scripts/demo.sh" "$@"

echo "demo: building the product into dist/"
win_build product e2e_pilot facts >/dev/null
ls -l dist/*.exe | awk '{ print "demo:   " $NF " (" $5 " bytes)" }'
programs=$repo/dist pilot=$repo/build/win/tests/e2e/e2e_pilot.exe
shots=build/demo
# Only this run's pictures: an older one left here must not pass for one of them.
remove_owned "$shots"
mkdir -p "$shots"
taken=() failed=

session_start

unattended=
if [ -z "${DISPLAY:-}" ]; then
    unattended=1
    start_xvfb
    echo "demo: no display, so the tools run unattended on Xvfb $DISPLAY"
fi

# A fresh prefix each time: the demo starts from a known registry.
export WINEPREFIX=$repo/build/demo-prefix
remove_owned "$WINEPREFIX"
echo "demo: preparing the Wine prefix build/demo-prefix"
wine_prefix_setup ${unattended:+unmanaged}

reg_name=KzSampleGame
game=$WINEPREFIX/drive_c/KzSample
mkdir -p "$game/SAVE" "$game/DAT"
# fact TOOL FIELD: its values (tab-separated) in the suites' table, as the build wrote it.
fact() { awk -F'\t' -v tool="$1" -v field="$2" '$1 == tool && $2 == field { sub(/^[^\t]*\t[^\t]*\t/, ""); print }' build/win/facts.tsv; }
mapfile -t tool_names < <(awk -F'\t' '$1 != "-" && !seen[$1]++ { print $1 }' build/win/facts.tsv)
value_names=()
for name in "${tool_names[@]}"; do
    value_names+=("$(fact "$name" valueName)")
    cp "$programs/$name.exe" "$game/"
done
printf '[Setup Initial]\r\nREG_NAME=%s\r\n' "$reg_name" >"$game/SETUP.INI"
printf 'sample save\r\n' >"$game/SAVE/save01.dat"
# What the game's installer leaves, with every other tool's setting as a player had it
# (its first row) and the rest never set.
{
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\%s]\r\n' "$reg_name"
    for value in $(fact - installValues); do
        case $value in
            SAV_FOLDER) data='C:\\KzSample\\SAVE' ;;
            *_FOLDER) data="C:\\\\KzSample\\\\${value%_FOLDER}" ;;
            CD_DRIVE) data='D:\\' ;;
            DISK_MARK) data=KZSAMPLE01 ;;
            *) data=1 ;;
        esac
        printf '"%s"="%s"\r\n' "$value" "$data"
    done
    for ((i = 0; i < ${#tool_names[@]}; i += 2)); do
        printf '"%s"="%s"\r\n' "${value_names[i]}" "$(fact "${tool_names[i]}" rowWrites | cut -f1)"
    done
} >"$WINEPREFIX/drive_c/kzsample.reg"
wine regedit /S 'C:\kzsample.reg'
echo "demo: sample game in C:\\KzSample (SETUP.INI names $reg_name), save folder C:\\KzSample\\SAVE"

stored() {  # stored VALUE: its text under the game's key, or "(absent)"
    { wine reg query "HKCU\\Software\\$reg_name" /v "$1" 2>/dev/null || true; } | tr -d '\r' |
        awk -v value="$1" '$1 == value && $2 == "REG_SZ" { sub(/^ +[^ ]+ +REG_SZ +/, ""); text = "\"" $0 "\"" } END { print text ? text : "(absent)" }'
}

show_values() { for value in "${value_names[@]}"; do printf 'demo:   %-14s %s\n' "$value" "$(stored "$value")"; done; }

echo "demo: stored values before:"
show_values

# --- Unattended, one tool at a time, each in a Wine desktop that gives it a frame ---
pilot_win=$(wine_path "$pilot")
# in_desktop LOCALE EXE: EXE in a Wine desktop of its own, named $desktop (the caller's).
in_desktop() {
    wine_in_locale "$1" explorer "/desktop=$desktop,800x600" "$2" &
    explorer_pid=$!
}
pilot() { wine "$pilot_win" --desktop "$desktop" "$@" | tr -d '\r'; }  # pilot VERB CLASS [ID]

shoot() {  # shoot "LEFT TOP RIGHT BOTTOM" FILE: that part of the Wine desktop's window
    local file=$2 window origin ox oy left top right bottom margin=6
    # Wine titles the desktop window in the user's language ("… - Wine desktop", "… -
    # Wine デスクトップ"); explorer's class (capitalised by Wine 8 only) and the size
    # asked for do not change.
    window=$(xwininfo -root -children | awk 'tolower($0) ~ /\("explorer\.exe" "explorer\.exe"\) +800x600\+/ { print $1; exit }')
    if [ -z "$window" ]; then echo "demo: no 800x600 Wine desktop window on $DISPLAY"; return 1; fi
    # The desktop window's place on the screen, plus the rectangle's place in it.
    origin=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } END { print x, y }')
    read -r ox oy <<<"$origin"
    read -r left top right bottom <<<"$1"
    # Called where a failure does not stop the script: the crop must not take an
    # earlier screen.
    import -window root "$session/screen.png" || return 1
    convert "$session/screen.png" -crop "$((right - left + 2 * margin))x$((bottom - top + 2 * margin))+$((ox + left - margin))+$((oy + top - margin))" +repage "$file"
    taken+=("$file")
}

desktop_ends() {  # the desktop ends with the last program in it
    for _ in $(seq 100); do kill -0 "$explorer_pid" 2>/dev/null && sleep 0.1 || break; done
    kill "$explorer_pid" 2>/dev/null || true
}

run_tool() {  # run_tool EXE: picks the last row not checked at open, and decides
    local exe=$1 class desktop out rect checked choice choice_name i
    local -a rows texts
    class=$(fact "$exe" className)
    desktop=$(echo "$exe" | tr 'A-Z' 'a-z')
    in_desktop "$WINE_LOCALE" "C:\\KzSample\\$exe.exe"
    checked=$(pilot wait "$class" | sed -n 's/^checked //p')
    read -r -a rows <<<"$(fact "$exe" rows)"
    IFS=$'\t' read -r -a texts <<<"$(fact "$exe" rowTexts)"
    for i in "${!rows[@]}"; do
        if [ "${rows[i]}" != "${checked:-}" ]; then choice=${rows[i]} choice_name=${texts[i]}; fi
    done
    out=$(pilot click "$class" "$choice")
    rect=$(echo "$out" | sed -n 's/^rect //p')
    if [ -z "$rect" ]; then
        echo "demo: $exe: $out"
        kill "$explorer_pid" 2>/dev/null || true
        return 1
    fi
    echo "demo: $exe: picked $choice_name ($choice); checked now: $(echo "$out" | sed -n 's/^checked //p')"
    shoot "$rect" "$shots/$desktop.png"
    echo "demo: $exe: screenshot $shots/$desktop.png"
    out=$(pilot close "$class" "$(fact "$exe" decideId)")
    echo "demo: $exe: 決定 → $out; $(fact "$exe" valueName) is now $(stored "$(fact "$exe" valueName)")"
    desktop_ends
}

# warning_box FOLDER NAME LOCALE: the first tool from C:\FOLDER in LOCALE, its box shot as
# NAME.png, then OK
warning_box() {
    local desktop=$2 out rect
    in_desktop "$3" "C:\\$1\\${tool_names[0]}.exe"
    out=$(pilot wait '#32770')
    rect=$(echo "$out" | sed -n 's/^rect //p')
    if [ -n "$rect" ] && shoot "$rect" "$shots/$desktop.png"; then
        echo "demo: C:\\$1: warning box $shots/$desktop.png"
        out=$(pilot close '#32770' 1)
    fi
    if [ "$out" != closed ]; then
        echo "demo: C:\\$1: the warning box was not shot and closed: $out"
        failed=1
    fi
    desktop_ends
}

if [ -z "$unattended" ]; then
    echo "demo: starting the tools on $DISPLAY; close them (決定 stores, キャンセル does not)"
    for exe in "${tool_names[@]}"; do
        wine "C:\\KzSample\\$exe.exe" &
    done
    wait
else
    for name in "${tool_names[@]}"; do run_tool "$name"; done
fi
echo "demo: stored values after (read back from the registry):"
show_values
if [ -z "$unattended" ]; then exit 0; fi

# No SETUP.INI beside the tool; one without REG_NAME; one naming a game never set up.
for folder in KzNoIni KzNoRegName KzNotSetUp; do
    mkdir -p "$WINEPREFIX/drive_c/$folder"
    cp "$programs/${tool_names[0]}.exe" "$WINEPREFIX/drive_c/$folder/"
done
printf '[Setup Initial]\r\nINSTALL_TYPE=1\r\n' >"$WINEPREFIX/drive_c/KzNoRegName/SETUP.INI"
printf '[Setup Initial]\r\nREG_NAME=KzNeverSetUp\r\n' >"$WINEPREFIX/drive_c/KzNotSetUp/SETUP.INI"
# The boxes' texts are the program's own ANSI bytes, which a system of another code
# page reads as its own characters: what a French system shows, for the guide.
for locale in ja_JP.UTF-8:"" fr_FR.UTF-8:-fr; do
    for box in KzNoIni:no-setup-ini KzNoRegName:no-reg-name KzNotSetUp:not-set-up; do
        warning_box "${box%%:*}" "warning-${box#*:}${locale#*:}" "${locale%%:*}"
    done
done

if [ -n "$failed" ]; then
    echo "demo: failed: a warning box was not shot${refresh_docs:+; nothing was copied to docs/}"
    exit 1
fi
if [ -n "$refresh_docs" ]; then
    cp "${taken[@]}" docs/
    echo "demo: the screenshots in docs/ are now those of this run: ${taken[*]##*/}"
fi
