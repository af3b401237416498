#!/usr/bin/env bash
# vistrel.exe run black-box under Wine, as a person would use it: a HotSync store with
# one user and one card, a photograph on the desktop; the program starts, shows the
# desktop in its tree and the photograph in its list, picks the only user, loads the
# photograph when its name is typed, sends it, shows its guide on F1 and ends with code 0.
#
#   blackbox_test.sh BIN_DIR WORK_DIR SCREENSHOT_DIR
#
# BIN_DIR holds vistrel.exe, Vistrel.hlp, the two libraries, hotsync.exe, blackbox_driver.exe and
# demo_photo.exe. WORK_DIR keeps the Wine prefix between runs (making it takes about
# 20 s); everything else in it is made again on every run.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BIN_DIR WORK_DIR SCREENSHOT_DIR" >&2; exit 2; }
bin=$1 work=$2 shots=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine_session.sh
source "$here/wine_session.sh"

photo=harbour.jpg
user=Tester
card="SD card"
photos=$work/photos
store=$work/store
log=$work/log
program_pid=

say() { echo "blackbox: $*"; }

# Shows what the program and the driver said, so that a failure explains itself.
fail() {
    echo "blackbox: FAILED: $*" >&2
    for f in "$log"/show.txt "$log"/vistrel.txt; do
        [ -s "$f" ] && { echo "--- ${f##*/}" >&2; cat "$f" >&2; }
    done
    exit 1
}

clean_up() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        kill "$program_pid" 2>/dev/null || true
    fi
    stop_wine
    stop_virtual_display
}
trap clean_up EXIT

run() {
    local program=$1
    shift
    wine_run "$bin/$program" "$@"
}

# expect FILE LINE: FILE has exactly that line.
expect() {
    grep -qxF -- "$2" "$1" || fail "expected the line \"$2\" in ${1##*/}"
}

for f in vistrel.exe Vistrel.hlp UserData.dll INSTAIDE.dll hotsync.exe blackbox_driver.exe demo_photo.exe; do
    [ -f "$bin/$f" ] || fail "$bin/$f is missing: build the win32 preset first"
done
mkdir -p "$work" "$shots"
rm -rf "$photos" "$store" "$log"
mkdir -p "$photos" "$log"

wine_session_env "$work/wineprefix" "$work/home"
start_virtual_display "$log/xvfb.txt" || fail "no display"
stop_wine   # what a run that was killed may have left
prepare_prefix "$photos" || fail "cannot prepare the Wine prefix"

say "a store with user $user and the card \"$card\"; $photo on the desktop"
run demo_photo.exe "$(windows_path "$photos/$photo")" || fail "demo_photo.exe could not write the photograph"
# The same photograph declaring 64250 x 64250 pixels in its frame header: refused.
bomb=bomb.jpg && cp "$photos/$photo" "$photos/$bomb"
frame=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$photos/$bomb" | head -n 1 | cut -d: -f1)
printf '\xFA\xFA\xFA\xFA' | dd of="$photos/$bomb" bs=1 seek=$((frame + 5)) conv=notrunc status=none
run hotsync.exe --root "$(windows_path "$store")" users add "$user" --card "$card" >"$log/hotsync.txt" \
    || fail "hotsync.exe could not make the store"
export VISTREL_HOTSYNC_ROOT
VISTREL_HOTSYNC_ROOT=$(windows_path "$store")

say "starting vistrel.exe on display $DISPLAY"
# From its own folder, where the help engine finds the bare name Vistrel.hlp.
(cd "$bin" && exec wine vistrel.exe) >"$log/vistrel.txt" 2>&1 &
program_pid=$!
wait_for_window "$bin/blackbox_driver.exe" "$program_pid" 60 || fail "the window \"Vistrel Desktop\" did not appear"

# What a person sees at start: the desktop in the tree, its contents in the list,
# the only user chosen, so that sending is possible at once.
run blackbox_driver.exe show >"$log/show.txt" || fail "cannot read the window"
expect "$log/show.txt" "title: Vistrel Desktop"
expect "$log/show.txt" "tree root: Desktop"
expect "$log/show.txt" "tree selected: Desktop"
expect "$log/show.txt" "list item: $photo"
expect "$log/show.txt" "list selected: (none)"
expect "$log/show.txt" "device entries: 1"
expect "$log/show.txt" "device selected: $user"
expect "$log/show.txt" "storage entries: 2"
expect "$log/show.txt" "send button: Send to Vistrel (enabled)"
grep -q '^tree items: [1-9]' "$log/show.txt" || fail "the tree is empty"
say "the window shows the desktop and $photo"
import -window root "$shots/vistrel.png" || fail "cannot take the screenshot"

run blackbox_driver.exe select "$photo" >"$log/select.txt" || fail "cannot select $photo"
grep -q '^status: Selection : ' "$log/select.txt" || fail "the status line does not show a selection: $(cat "$log/select.txt")"

run blackbox_driver.exe send >"$log/send.txt" || fail "sending did not show a message box"
expect "$log/send.txt" "message: Photo ''${photo%.jpg}.pdb'' will be installed on ''$user'' Internal memory at next HotSync(r)"
import -window root "$shots/vistrel-sent.png" || fail "cannot take the second screenshot"
run blackbox_driver.exe ok || fail "cannot press OK in the message box"
[ -f "$store/$user/Vistrel/${photo%.jpg}.pdb" ] || fail "no ${photo%.jpg}.pdb in the user's folder"
run hotsync.exe queue "$user" >"$log/queue.txt" || fail "hotsync.exe cannot read the queue"
expect "$log/queue.txt" "  internal memory: $(windows_path "$store/$user/Vistrel/${photo%.jpg}.pdb")"
say "sent ${photo}: the file is in the user's folder and in the install queue"

# F1 as a key press to the focused window, then a click on a jump of the contents page.
check_help() {
    xdotool key F1
    run blackbox_driver.exe help "Vistrel Desktop User's Guide" >"$log/help.txt" || fail "F1 did not show the guide"
    local at
    at=$(run blackbox_driver.exe help "Choosing a photograph" | sed -n 's/^help text at: //p') || fail "no jump"
    xdotool mousemove "${at% *}" "${at#* }" click 1
    run blackbox_driver.exe help "Pick a folder in the folder tree" >>"$log/help.txt" || fail "the jump led nowhere"
    import -window root "$shots/help.png" || fail "cannot take the help screenshot"
}
check_help

# A refused photograph after the good one: the status line names it and says why.
run blackbox_driver.exe select "$bomb" >"$log/bomb.txt" || fail "cannot select $bomb"
run blackbox_driver.exe status "Can't show $bomb" >"$log/bomb-status.txt" || fail "$(cat "$log/bomb-status.txt")"
expect "$log/bomb-status.txt" "status: Can't show $bomb: 64250 x 64250 pixels is more than the 400 megapixels accepted"
import -window root "$shots/vistrel-refused.png" || fail "cannot take the screenshot of the refusal"
say "$bomb refused on the status line"

run blackbox_driver.exe close || fail "cannot close the window"
status=0
wait_for_exit "$program_pid" 30 || status=$?
[ $status -ne 124 ] || fail "vistrel.exe still runs 30 s after WM_CLOSE"
program_pid=
[ $status -eq 0 ] || fail "vistrel.exe ended with exit code $status"
# Closing tells the help engine to quit; the viewer's own exit may come a moment later.
waited=0
until [ "$(run blackbox_driver.exe processes winhlp32.exe)" = "processes winhlp32.exe: 0" ]; do
    [ $((waited += 1)) -le 10 ] || fail "the help viewer still runs 10 s after the program closed"
    sleep 1
done
say "closed with exit code 0; screenshots in $shots"
