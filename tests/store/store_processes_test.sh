#!/usr/bin/env bash
# Processes sharing one store. Two updating it at once lose no update reported done
# (users, settings, photographs queued while syncs run); with WINDOWS_BIN one of each
# pair is the Windows program under Wine. Natively also: random kills leave every file
# readable, no temporary file and no orphan folder; a full disk keeps the old content.
#   store_processes_test.sh NATIVE_BIN [WINDOWS_BIN]     (ROUNDS=100 KILLS=200 by default)
set -uo pipefail
native=$1 windows=${2:-}
rounds=${ROUNDS:-100} kills=${KILLS:-200}
wine_run=$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
tool() { "$native/hotsync" --root "$root" "$@"; }
mine() { "$native/store_worker" "$@"; }
# The second process of a pair: the Windows worker under Wine, or another native one.
theirs() {
    if [ -n "$windows" ]; then VISTREL_HOTSYNC_ROOT="Z:$root" "$wine_run" "$windows/store_worker.exe" "$@"
    else mine "$@"; fi
}
fresh() { root=$work/$1; mkdir -p "$root"; export VISTREL_HOTSYNC_ROOT=$root; tool users add Ann >/dev/null; }
# Starts the second process first and the first once the second has done something
# (Wine takes a while to start), so that the two overlap.
pair() {
    theirs "${@:3}" >"$work/$2" & local pid=$!
    while [ ! -s "$work/$2" ] && kill -0 $pid 2>/dev/null; do sleep 0.01; done
    mine $1 >"$work/mine"; wait $pid
}
done_names() { cat "$@" | tr -d '\r' | sed -n 's/^done //p' | sort; }  # Wine prints CR LF
# lost WHAT REPORTED_FILE: fails for each name reported done that the store lacks (stdin).
lost() { local l; l=$(comm -23 "$2" <(sort)); [ -z "$l" ] || fail "$1 reported done and lost:" $l; }

fresh users
pair "users a $rounds" theirs users b "$rounds"
done_names "$work/mine" "$work/theirs" >"$work/done"
tool users list | sed -n 's/ (ID.*//p' | lost users "$work/done"
echo "users: $(wc -l <"$work/done") added at once, $(tool users list | grep -c '^[ab][0-9]') listed"

fresh settings
pair "settings Ann a $rounds" theirs settings Ann b "$rounds"
done_names "$work/mine" "$work/theirs" >"$work/done"
tool settings Ann | sed -n 's/^\[Brennick\] \(.*\) = .*/\1/p' | lost settings "$work/done"
echo "settings: $(wc -l <"$work/done") written at once, $(tool settings Ann | grep -c ' = ') stored"

fresh queue
pair "sync Ann $rounds" theirs queue Ann q "$rounds"
mine sync Ann 1 >>"$work/mine"
memory=$root/Ann/Handheld/Memory
done_names "$work/theirs" | sed 's/$/.pdb/' >"$work/done"
sed -n 's/^installed //p' "$work/mine" | sort | uniq -d | grep . && fail "photographs installed twice"
ls "$memory" | lost "photographs in the handheld" "$work/done"
cmp -s <(ls "$memory" | sort) "$work/done" || fail "the handheld holds other files than those queued"
tool queue Ann | grep -q 'nothing queued' || fail "the queue is not empty after the last sync"
echo "queue: $(wc -l <"$work/done") queued during syncs, $(ls "$memory" | wc -l) delivered"

fresh fifo
rm "$root/users.txt" && mkfifo "$root/users.txt"
if [ -n "$windows" ]; then
    "$wine_run" "$windows/hotsync.exe" --root "Z:$root" users list >"$work/list" 2>&1 </dev/null
else tool users list >"$work/list" 2>&1 </dev/null; fi
[ $? = 1 ] && grep -q 'cannot be read' "$work/list" || fail "a FIFO for users.txt: $(cat "$work/list")"

if [ -z "$windows" ]; then
    fresh kills
    tool users add Bob --card SD >/dev/null
    for i in $(seq "$kills"); do
        case $((i % 4)) in
            0) set -- users "k$i-" 50 ;; 1) set -- settings Ann "s$i-" 50 ;;
            2) set -- queue Ann "q$i-" 50 ;; 3) set -- sync Ann 50 ;;
        esac
        "$native/store_worker" "$@" >/dev/null 2>&1 & pid=$!
        sleep "0.0$((RANDOM % 40 + 10))"
        kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
    done
    for check in "users list" "settings Ann" "queue" "settings Bob"; do
        tool $check >/dev/null || fail "after the kills, $check fails"
    done
    for folder in "$root"/*/; do
        grep -q "	$(basename "$folder")	" "$root/users.txt" || fail "orphan folder $folder"
    done
    find "$root" -path '*Handheld*' -name '*.new' | grep -q . && fail "a temporary file in a handheld"
    strays=$(find "$root" -name '*.new' | wc -l)
    # The next update of each folder removes what a killed one left.
    mine users last 1 >/dev/null && mine settings Ann last 1 >/dev/null && mine sync Ann 1 >/dev/null
    find "$root" -name '*.new' | grep . && fail "temporary files left after the next updates"
    echo "kills: $kills, $(grep -c '^[0-9]' "$root/users.txt") users, $strays temporary files until the next update"

    fresh full
    cp "$root/users.txt" "$work/before"
    # Through a pipe: the size limit would stop the message written to a file too.
    (trap '' XFSZ; ulimit -f 0; "$native/hotsync" --root "$root" users add Carl 2>&1; echo "exit $?") |
        cat >"$work/list"
    grep -q 'could not be written' "$work/list" && grep -q 'exit 1' "$work/list" || fail "full disk: $(cat "$work/list")"
    cmp -s "$root/users.txt" "$work/before" || fail "full disk: users.txt changed"
    [ -z "$(find "$root" -name '*.new' -o -name Carl)" ] || fail "full disk: litter left"
    (trap '' XFSZ; ulimit -f 0; exec "$native/store_worker" settings Ann full 1) | grep -q '^failed full0 -7' ||
        fail "full disk: a setting was reported stored"
fi
[ $failures = 0 ] && echo "store processes: all passed"
