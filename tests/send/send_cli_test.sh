#!/usr/bin/env bash
# vistrel-send as a person runs it, natively or (given WINDOWS_BIN) under Wine over our HotSync
# libraries: --help, the exit statuses, and Ctrl-C in the middle of a batch, after which every
# file is whole, named and queued, and nothing else is left in the folder.
#   send_cli_test.sh NATIVE_BIN [WINDOWS_BIN]
set -uo pipefail
native=$1 windows=${2:-}
wine_run=$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
root=$work/store photos=$work/photos folder=$work/store/Ann/Vistrel
mkdir -p "$root" "$photos"
tool() { "$native/hotsync" --root "$root" "$@"; }
if [ -n "$windows" ]; then
    program=("$wine_run" "$windows/vistrel-send.exe") drive=Z:
else
    program=("$native/vistrel-send") drive=
fi
send() { VISTREL_HOTSYNC_ROOT=$drive$root "${program[@]}" "$@"; }
status() { send "$@" >"$work/out" 2>&1; echo $?; }

[ "$(status --help)" = 0 ] && grep -q '^Example:' "$work/out" || fail "--help: $(cat "$work/out")"
[ "$(status --jobs 0 x.jpg)" = 2 ] || fail "a usage error: $(cat "$work/out")"
[ "$(status x.jpg)" = 2 ] && grep -q 'no HotSync user' "$work/out" || fail "no user: $(cat "$work/out")"
tool users add Ann >/dev/null
convert -size 1600x1200 xc:gray +noise Random -quality 90 "$photos/100.jpg" || fail "no photograph made"
for i in $(seq 101 159); do cp "$photos/100.jpg" "$photos/$i.jpg"; done
[ "$(status "$drive$photos/100.jpg" "$drive$photos/x.txt")" = 1 ] || fail "one refused: $(cat "$work/out")"

# Ctrl-C once the first photograph is named. With job control, so that the batch is not
# started with the interrupt ignored (as a shell starts what runs in the background), and
# exec'd, so that the process ID is the program's.
set -m
(export VISTREL_HOTSYNC_ROOT=$drive$root; exec "${program[@]}" --jobs 1 "$drive$photos") >"$work/out" 2>&1 & pid=$!
while ! grep -q "Photo ''" "$work/out" && kill -0 $pid 2>/dev/null; do sleep 0.05; done
kill -INT $pid
wait $pid
[ $? = 1 ] && grep -q 'Stopping after the photographs in progress' "$work/out" || fail "the stop: $(cat "$work/out")"
files=$(ls "$folder" | wc -l)
[ "$(ls "$folder" | grep -vc '^1[0-5][0-9]\(([0-9])\)\?\.pdb$')" = 0 ] || fail "left in the folder: $(ls "$folder")"
[ "$(tool queue Ann | grep -c 'internal memory:')" = "$files" ] || fail "$files files, queued: $(tool queue Ann)"
[ "$files" -gt 1 ] && [ "$files" -lt 61 ] || fail "$files files after the stop"
tool sync Ann >"$work/sync" || fail "a file the handheld refuses: $(cat "$work/sync")"
exit $((failures > 0))
