#!/usr/bin/env bash
# Two processes on one store (the second under Wine with WINDOWS_BIN) lose no update
# reported done; natively also random kills leave every file readable, no temporary
# file and no orphan folder, and a full disk keeps the old content.
#   store_processes_test.sh NATIVE_BIN [WINDOWS_BIN]     (ROUNDS=100 KILLS=200 by default)
set -uo pipefail
native=$1 windows=${2:-} rounds=${ROUNDS:-100} kills=${KILLS:-200}
wine_run=$(cd "$(dirname "$0")/../../cmake" && pwd)/wine-run work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
tool() { "$native/hotsync" --root "$root" "$@"; }
mine() { "$native/store_worker" "$@"; }
theirs() { if [ -n "$windows" ]; then VISTREL_HOTSYNC_ROOT="Z:$root" "$wine_run" "$windows/$1" "${@:2}"; else "$native/${1%.exe}" "${@:2}"; fi; }
fresh() { root=$work/$1; mkdir -p "$root"; export VISTREL_HOTSYNC_ROOT=$root; tool users add Ann >/dev/null; }
# The second starts first, the first once it has done something: Wine starts slowly.
pair() {
    theirs store_worker.exe "${@:2}" >"$work/theirs" & local pid=$!
    while [ ! -s "$work/theirs" ] && kill -0 $pid 2>/dev/null; do sleep 0.01; done
    mine $1 >"$work/mine"; wait $pid || fail "the second process ($2) ended with status $?"
    cat "$work/mine" "$work/theirs" | tr -d '\r' | sed -n 's/^done //p' | sort >"$work/done"  # Wine: CR LF
}
# Fails for each name in done that the store's names (stdin) lack.
lost() { local l; l=$(comm -23 "$work/done" <(sort)); [ -z "$l" ] || fail "$1 reported done and lost:" $l; }

fresh users
pair "users a $rounds" users b "$rounds"
tool users list | sed -n 's/ (ID.*//p' | lost users
tool users add -- -Dash >/dev/null && tool users list | grep -q '^-Dash (' || fail "a name that begins with -"

fresh settings
pair "settings Ann a $rounds" settings Ann b "$rounds"
tool settings Ann | sed -n 's/^\[Brennick\] \(.*\) = .*/\1/p' | lost settings

fresh queue
pair "sync Ann $rounds" queue Ann q "$rounds"
mine sync Ann 1 >>"$work/mine" && memory=$root/Ann/Handheld/Memory && sed -i 's/$/.pdb/' "$work/done"
sed -n 's/^installed //p' "$work/mine" | sort | uniq -d | grep . && fail "photographs installed twice"
ls "$memory" | lost "photographs in the handheld"
cmp -s <(ls "$memory" | sort) "$work/done" || fail "the handheld holds other files than those queued"
tool queue Ann | grep -q 'nothing queued' || fail "the queue is not empty after the last sync"

fresh fifo
rm "$root/users.txt" && mkfifo "$root/users.txt"
out=$(theirs hotsync.exe --root "Z:$root" users list </dev/null 2>&1)
[ $? = 1 ] && grep -q 'cannot be read' <<<"$out" || fail "a FIFO read as users.txt: $out"

# Regression: folders went through a conversion other than the system code page's, so a store with letters
# beyond ASCII in its path went astray. Wine's code page follows the locale: C.UTF-8 gives 1252, a Japanese
# one 932, where a character's second byte may be a backslash (ソ is 83 5C). Wine's GetEnvironmentVariableA
# cuts a double-byte value, so the photograph is queued through the variable in 1252 only.
for l in C ja_JP; do localedef -i $l -f UTF-8 "$work/$l.UTF-8" || fail "no locale $l"; done
export LOCPATH=$work
for case in "ja_JP.UTF-8 CP932 ソニー ソ表" "C.UTF-8 CP1252 Šárka Jürgen"; do
    set -- $case && export LC_ALL=$1 root=$work/$2/$3/store VISTREL_HOTSYNC_ROOT=$work/$2/$3/store 2>/dev/null
    code=${windows:+$2}  # what the Windows programs keep names in
    theirs hotsync.exe --root "Z:$root" users add "$4" --card SD >/dev/null && [ -f "$root/$4/slots.txt" ] &&
        [ "$(ls "$work/$2")" = "$3" ] && [ "$(tail -n1 "$root/users.txt" | cut -f3)" = "$(iconv -t "${code:-UTF-8}" <<<"$4")" ] ||
        fail "a store under $3 for $4 ($1)"
done
theirs store_worker.exe queue "$4" p 1 | grep -q '^done p0' && theirs hotsync.exe --root "Z:$root" sync "$4" >/dev/null &&
    [ -f "$root/$4/Handheld/Memory/p0.pdb" ] || fail "a photograph queued and delivered under $3 for $4"
unset LC_ALL LOCPATH

[ -n "$windows" ] && exit $((failures > 0))
fresh kills && tool users add Bob --card SD >/dev/null
for i in $(seq "$kills"); do
    case $((i % 4)) in
        0) set -- users "k$i-" 50 ;; 1) set -- settings Ann "s$i-" 50 ;; 2) set -- queue Ann "q$i-" 50 ;; 3) set -- sync Ann 50 ;;
    esac
    "$native/store_worker" "$@" >/dev/null 2>&1 & pid=$!
    sleep "0.0$((RANDOM % 40 + 10))"
    kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
done
for check in "users list" "settings Ann" "queue" "settings Bob"; do tool $check >/dev/null || fail "after the kills, $check"; done
for folder in "$root"/*/; do grep -q "	$(basename "$folder")	" "$root/users.txt" || fail "orphan folder $folder"; done
find "$root" -path '*Handheld*' -name '*.new' | grep . && fail "a temporary file in a handheld"
mine users last 1 >/dev/null && mine settings Ann last 1 >/dev/null && mine sync Ann 1 >/dev/null
find "$root" -name '*.new' | grep . && fail "temporary files left after the next update of their folder"

fresh full && cp "$root/users.txt" "$work/before"
# Through a pipe: the size limit would stop the message written to a file too.
(trap '' XFSZ; ulimit -f 0; "$native/hotsync" --root "$root" users add Carl 2>&1; echo "exit $?") | cat >"$work/out"
grep -q 'could not be written' "$work/out" && grep -q 'exit 1' "$work/out" || fail "full disk: $(cat "$work/out")"
cmp -s "$root/users.txt" "$work/before" && [ -z "$(find "$root" -name '*.new' -o -name Carl)" ] || fail "full disk: litter"
(trap '' XFSZ; ulimit -f 0; mine settings Ann full 1) | grep -q '^failed full0 -7' || fail "full disk: a setting reported stored"
[ $failures = 0 ] && echo "store processes: all passed"
