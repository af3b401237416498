#!/usr/bin/env bash
# What browsing costs in the real program under Wine, by hand (not in scripts/test); needs the win32 build.
# On a folder of ten large photographs (made once, in build/bench-browse), with real key events (xdotool)
# in the file list:
# - a single press of Down, against nine presses 33 ms apart, as separate presses ("taps") and as a held
#   key's auto-repeat ("held"): the program's processor time from the first press until it was idle,
#   and how long after the last press it was busy (goal: nine presses at most 1.5 x one press, idle
#   within 1.3 x one load after the last press); each RUNS times, one line a run;
# - the longest the window leaves a message unanswered while a 200 MP photograph loads.
#   bench/browse/browse_burst.sh [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-3}
bin=$top/build/win32/bin work=$top/build/bench-browse
log=$work/log photos=$work/photos big=$work/big
[ -x "$bin/vistrel.exe" ] && [ -x "$bin/browse_probe.exe" ] || { echo "build the win32 preset first" >&2; exit 1; }
# shellcheck source=../../tests/e2e/blackbox/wine_session.sh
source "$top/tests/e2e/blackbox/wine_session.sh"
mkdir -p "$log" "$photos" "$big"
wine_session "$work" || fail "no display"
trap 'stop_wine; stop_virtual_display' EXIT
stop_wine
watch() { python3 "$top/bench/browse/cpu_watch.py" "$WINEPREFIX" "$@"; }
probe() { wine_run "$bin/browse_probe.exe" "$@"; }

# start_on FOLDER: the program with FOLDER as its Desktop, its list focused by a click on the first row.
start_on() {
    prepare_prefix "$1" || fail "cannot prepare the Wine prefix"
    (cd "$bin" && exec wine vistrel.exe) >"$log/vistrel-${1##*/}.txt" 2>&1 &
    local rect left top_
    rect=$(probe list) || fail "no program window"
    read -r left top_ _ _ <<<"$rect"
    xdotool search --sync --name '^Vistrel Desktop$' windowfocus --sync mousemove $((left + 30)) $((top_ + 9)) click 1
    watch quiet
}

# first: the first photograph selected (typed, as the black-box tests do) and loaded.
first() { drive select p01.jpg "Selection : " && watch quiet; }
# measure MODE [COUNT]: one line of cpu_watch.py, with the row the presses ended on.
measure() {
    local line
    line=$(watch "$@")
    drive show
    echo "$line; ends on $(sed -n 's/^list selected: //p' "$log/show.txt")"
}

[ -f "$photos/p10.jpg" ] || probe photos "$(windows_path "$photos")" p 10 5184 3456 || fail "cannot make the photographs"
[ -f "$big/big01.jpg" ] || probe photos "$(windows_path "$big")" big 1 16000 12500 || fail "cannot make the 200 MP photograph"

echo "ten photographs of 5184 x 3456 (18 MP), baseline"
start_on "$photos"
for _ in $(seq "$runs"); do
    first
    measure press
    for mode in taps held; do
        first
        measure "$mode" 9
    done
done
xdotool key alt+F4
timeout 60 wineserver -w || fail "the program did not end"

echo "one photograph of 16000 x 12500 (200 MP), baseline"
start_on "$big"
probe answers 120 >"$log/answers.txt" &
answers=$!
sleep 0.5
drive select big01.jpg
wait "$answers" || fail "no answers: $(cat "$log/answers.txt")"
cat "$log/answers.txt"
xdotool key alt+F4
timeout 60 wineserver -w || fail "the program did not end"
