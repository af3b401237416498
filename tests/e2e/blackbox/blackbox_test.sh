#!/usr/bin/env bash
# vistrel.exe used under Wine as a person would, over a store of one user and one card: the window shows them, a
# photograph is sent, a refused one is named on the status line, keys pressed fast, Esc and a newer row leave only what
# the list rests on shown, a name in Japanese is sent, Set over a busy store says so, F1 shows the guide as on Windows XP
# and 10, and closing ends the program (code 0) and its help viewer.   blackbox_test.sh BIN WORK SHOTS
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BIN_DIR WORK_DIR SCREENSHOT_DIR" >&2; exit 2; }
bin=$1 work=$2 shots=$3 log=$2/log photos=$2/photos store=$2/store user=Tester
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
export LC_ALL=C.UTF-8  # Wine's Windows is then a Western one: its code page cannot spell Japanese
rm -rf "$photos" "$store" "$log" && mkdir -p "$log" "$shots"
test_session "$work" "$photos"  # the prefix is kept between runs (making it takes about 20 s)
# Six of one colour each (1 red to 6 magenta), one large enough to take a second, one named in Japanese.
colours=("255 0 0" "0 255 0" "0 0 255" "255 255 0" "0 255 255" "255 0 255")
for i in 1 2 3 4 5 6; do convert -size 1200x900 "xc:rgb(${colours[i - 1]// /,})" "$photos/c$i.jpg"; done
wine_run "$bin/demo_photo.exe" "$(windows_path "$photos/c0-big.jpg")" 8000 6000 progressive || fail "no large photograph"
cp "$photos/harbour.jpg" "$photos/港の写真.jpg"
# The same photograph declaring 64250 x 64250 pixels in its frame header: refused.
cp "$photos/harbour.jpg" "$photos/bomb.jpg"
frame=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$photos/bomb.jpg" | head -n 1 | cut -d: -f1)
printf '\xFA\xFA\xFA\xFA' | dd of="$photos/bomb.jpg" bs=1 seek=$((frame + 5)) conv=notrunc status=none
wine_run "$bin/hotsync.exe" --root "$(windows_path "$store")" users add $user --card "SD card" >"$log/hotsync.txt" \
    || fail "cannot make the store"
export VISTREL_HOTSYNC_ROOT && VISTREL_HOTSYNC_ROOT=$(windows_path "$store")

# start_program VERSION: as on that Windows, and from another folder: the guide is found beside it all the same.
start_program() { wine winecfg -v "$1" && { (cd "$work" && exec wine "$bin/vistrel.exe") >>"$log/vistrel.txt" 2>&1 & }; }
start_program winxp
program_pid=$!
# At start: the desktop in the tree, its photographs in the list, the only user chosen.
drive show
expect show "title: Vistrel Desktop" "tree root: Desktop" "tree selected: Desktop" "list item: harbour.jpg" \
    "list selected: (none)" "device entries: 1" "device selected: $user" "storage entries: 2" \
    "send button: Send to Vistrel (enabled)"
shot vistrel
send_photo harbour.jpg $user
[ -f "$store/$user/Vistrel/harbour.pdb" ] || fail "no harbour.pdb in the user's folder"
wine_run "$bin/hotsync.exe" queue $user >"$log/queue.txt" || fail "hotsync.exe cannot read the queue"
expect queue "  internal memory: $(windows_path "$store/$user/Vistrel/harbour.pdb")"
# A refused photograph after the good one: the status line names it and says why.
drive select bomb.jpg "Can't show bomb.jpg"
expect select "status: Can't show bomb.jpg: 64250 x 64250 pixels is more than the 400 megapixels accepted"
shot vistrel-refused
# Presses of Down 33 ms apart, as fast as a key repeats: the row they end on is shown and sent.
drive select c1.jpg "Selection : "
keys --delay 33 Down Down Down Down Down
drive select c6.jpg "Selection : "
picture_shows vistrel-burst 255 0 255
drive send
expect send "message: Photo ''c6.pdb'' will be installed on ''$user'' Internal memory at next HotSync(r)"
drive ok
tail -c +89 "$store/$user/Vistrel/c6.pdb" >"$log/c6.jpg"
colour_near "$(colour_of "$log/c6.jpg" 100 100)" 255 0 255 || fail "c6.pdb holds another photograph"
# Esc stops a long load: the status line says so, the picture area stays empty.
drive select c0-big.jpg "Opening c0-big.jpg ..."
keys Escape
drive select c0-big.jpg "Stopped opening c0-big.jpg: click it in the list to open it again."
picture_shows vistrel-stopped
# A newer choice stops it too, and only the newer photograph shows.
drive select c0-big.jpg "Opening c0-big.jpg ..."
keys Down
drive select c1.jpg "Selection : "
picture_shows vistrel-superseded 255 0 0
# A name the code page cannot spell opens, and is sent with "_" in its place.
drive select "????.jpg" "Selection : "
drive send
expect send "message: Photo ''____.pdb'' will be installed on ''$user'' Internal memory at next HotSync(r)"
drive ok
# Set while another program holds the store (a lock as Wine makes them): the status line says it was not kept, and why.
python3 -c 'import fcntl, subprocess, sys; f = open(sys.argv[1], "r+"); fcntl.lockf(f, fcntl.LOCK_EX); sys.exit(
subprocess.call(sys.argv[2:]))' "$store/store.lock" timeout 60 wine "$bin/blackbox_driver.exe" set 240 160 >"$log/set.txt" || fail Set
expect set "status: The settings were not saved (error -13): the HotSync store is busy (is a HotSync running?). Press \
Set to try again"
check_help
close_program
status=0 && wait "$program_pid" || status=$?
[ $status -eq 0 ] || fail "vistrel.exe ended with exit code $status"
# As on Windows 10: the guide in HTML Help.
start_program win10
drive wait
check_help
close_program
echo "blackbox: passed; screenshots in $shots"
