# shellcheck shell=bash disable=SC2154,SC2046
# Sourced by the black-box tests and scripts/run: a Wine session of our own whose Desktop is a folder
# we choose, and a person's steps through blackbox_driver.exe, using $bin, $log and $shots. Waits are bounded.

fail() {  # with what the program wrote, so that a failure explains itself
    echo "${0##*/}: FAILED: $*" >&2
    [ ! -s "$log/vistrel.txt" ] || { echo "--- vistrel.exe wrote:" && cat "$log/vistrel.txt"; } >&2
    exit 1
}

# wine_session WORK: prefix and HOME in WORK (a new prefix links its Desktop and the rest to HOME: the
# person's real home is never shown or written to), and a display.
started_xvfb_pid=
wine_session() {
    export WINEPREFIX=$1/wineprefix WINEDEBUG=-all
    # No offer to download Mono or Gecko, no menu entries in HOME, no crash debugger.
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;winedbg.exe=d"
    # The X server's cookie stays reachable when HOME changes.
    [ -n "${XAUTHORITY:-}" ] || [ ! -f "$HOME/.Xauthority" ] || export XAUTHORITY=$HOME/.Xauthority
    mkdir -p "$1/home" && export HOME=$1/home
    [ -z "${DISPLAY:-}" ] || return 0
    # -displayfd: the server picks a free display and names it once ready, with no race.
    local number=$1/xvfb.display
    rm -f "$number"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >"$1/xvfb.txt" 2>&1 &
    started_xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$number" ] || sleep 0.1; done
    [ -s "$number" ] || { echo "Xvfb did not start (see $1/xvfb.txt)" >&2 && return 1; }
    export DISPLAY=":$(tr -d '\n' <"$number")"
}

stop_virtual_display() {
    [ -z "$started_xvfb_pid" ] || { kill "$started_xvfb_pid"; wait "$started_xvfb_pid"; } 2>/dev/null || true
    started_xvfb_pid=
}

# Every process of the session's own prefix; a left-over server would keep a display that is gone.
stop_wine() { timeout -k 5 30 wineserver -k >/dev/null 2>&1 || true; }

# prepare_prefix DESKTOP: makes $WINEPREFIX the first time (about 20 s), its Desktop a link to DESKTOP.
prepare_prefix() {
    mkdir -p "$1" "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "making the Wine prefix $WINEPREFIX"
        timeout -k 10 300 wineboot -i >/dev/null 2>&1 || true
        timeout -k 10 120 wineserver -w || true
    fi
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot could not make $WINEPREFIX" >&2 && return 1; }
    local profile
    for profile in "$WINEPREFIX"/drive_c/users/*/; do
        profile=${profile%/}
        [ "${profile##*/}" != Public ] || continue
        # A real folder would be Wine's own, for a home without a Desktop: never this prefix's.
        [ -L "$profile/Desktop" ] || [ ! -e "$profile/Desktop" ] || { echo "$profile/Desktop is not a link" >&2 && return 1; }
        ln -sfn "$1" "$profile/Desktop"
    done
}

# wine_run PROGRAM ARGS...: bounded above the driver's longest wait, CR LF made LF (pipefail keeps the status).
wine_run() { timeout -k 5 120 wine "$@" | tr -d '\r'; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# drive COMMAND ARGS...: blackbox_driver.exe, its output kept in $log/COMMAND.txt.
drive() { wine_run "$bin/blackbox_driver.exe" "$@" >"$log/$1.txt" 2>&1 || fail "driver $*: $(cat "$log/$1.txt")"; }

# expect NAME LINE...: $log/NAME.txt has each LINE (its line ends as Windows writes them, or not).
expect() {
    local file=$log/$1.txt line
    shift
    for line; do tr -d '\r' <"$file" | grep -qxF -- "$line" || fail "expected \"$line\" in: $(cat "$file")"; done
}

# test_session WORK DESKTOP: a test's session, ended with the script, and harbour.jpg on its desktop.
test_session() {
    wine_session "$1" || fail "no display"
    trap 'stop_wine; stop_virtual_display' EXIT
    stop_wine  # what a killed run may have left
    prepare_prefix "$2" || fail "cannot prepare the Wine prefix"
    wine_run "$bin/demo_photo.exe" "$(windows_path "$2/harbour.jpg")" || fail "cannot write the photograph"
}

shot() { import -window root "$shots/$1.png" || fail "cannot take the screenshot $1.png"; }

# send_photo PHOTO USER: selected in the list, sent to USER's internal memory, the message read, OK pressed.
send_photo() {
    drive select "$1" "Selection : "
    drive send
    expect send "message: Photo ''${1%.*}.pdb'' will be installed on ''$2'' Internal memory at next HotSync(r)"
    shot vistrel-sent
    drive ok
}

# keys XDOTOOL_KEY_ARGS...: real key presses into the program's window.
keys() { xdotool search --limit 1 --name '^Vistrel Desktop$' windowfocus --sync key "$@" || fail "cannot press $*"; }

# colour_of IMAGE X Y: "R G B" of that pixel.
colour_of() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }

# colour_near "R G B" R G B: within 24 on each channel (JPEG blurs a colour a little).
colour_near() {
    local got=($1) want=("$2" "$3" "$4") i
    for i in 0 1 2; do (( got[i] - want[i] <= 24 && want[i] - got[i] <= 24 )) || return 1; done
}

# picture_shows SHOT [R G B]: a screenshot, in whose picture area the photograph shown is of that colour
# (sampled clear of the selection frame), or, with no colour, the area is empty: of one colour.
picture_shows() {
    drive show
    shot "$1"
    local area=($(sed -n 's/^picture area: //p' "$log/show.txt"))
    local width=$((area[2] - area[0] - 4)) height=$((area[3] - area[1] - 4))
    if [ $# -eq 1 ]; then
        [ "$(convert "$shots/$1.png" -crop "${width}x${height}+$((area[0] + 2))+$((area[1] + 2))" -format %k info:)" = 1 ] ||
            fail "the picture area of $1.png is not empty"
    else
        colour_near "$(colour_of "$shots/$1.png" $((area[0] + width / 3)) $((area[1] + height / 2)))" "$2" "$3" "$4" ||
            fail "the picture area of $1.png does not show the photograph of colour $2 $3 $4"
    fi
}

# F1 pressed in the program's window shows the guide: up to Windows XP in WinHelp, where a jump on its
# contents page leads to its topic; from Vista on in HTML Help, whose contents list every topic.
check_help() {
    xdotool windowfocus "$(xdotool search --limit 1 --name '^Vistrel Desktop$')" sleep 0.5 key F1 || fail "no F1"
    if [ "$(wine winecfg -v | tr -d '\r')" != winxp ]; then
        drive help "When a photograph is refused"
        expect help "help viewer: HTML Help" "help topic: Vistrel Desktop User's Guide" "help topic: The six verdicts"
        shot help-html && return
    fi
    drive help "Choosing a photograph"
    expect help "help viewer: WinHelp"
    xdotool mousemove $(sed -n 's/^help text at: //p' "$log/help.txt") click 1  # "X Y", split on purpose
    drive help "Pick a folder in the folder tree"
    shot help
}

# The program, its help viewer and all of the session end when the window is closed.
close_program() {
    drive close
    timeout 60 wineserver -w || fail "the program or its help viewer still runs 60 s after closing"
}
