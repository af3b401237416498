#!/usr/bin/env bash
# Checks the Windows binaries we ship against the Windows XP SP3 floor: every function they import is
# in LIST with a Windows version up to XP SP3 (a function missing from it fails: look its version up
# and add it), the PE subsystem version is at most 5.01, and each carries the project's VERSION. A
# program also carries its manifest: as the user who starts it, Windows Vista to 10/11, without a code
# page or the common controls 6 of its own. With --stripped no debug information is left in a binary
# and it links to its kept <file>.debug.
#   binaries_test.sh OBJDUMP LIST VERSION [--stripped] BINARY...
set -uo pipefail
objdump=$1 list=$2 version=$3 stripped=
shift 3
[ "${1:-}" != --stripped ] || { stripped=1 && shift; }
failed=0
fail() { echo "check-binaries: $name $*" >&2; failed=1; }

for binary; do
    name=${binary##*/}
    headers=$("$objdump" -p "$binary") || { fail "cannot be read"; continue; }
    # The import tables: a "DLL Name:" line, then one "<address> <hint> <function>" row per import.
    imports=$(awk '/^The |^There / {dll = ""} /DLL Name:/ {dll = tolower($3)}
                   dll && /^\t[0-9a-f]+\t/ {print dll "!" ($3 == "" ? "(ordinal " $2 ")" : $3)}' <<<"$headers")
    [ -n "$imports" ] || fail "has no imports that can be read"
    while read -r import; do
        since=$(awk -v f="$import" 'tolower($1) == tolower(f) {print $2; exit}' "$list")
        case $since in
            2000 | XP | XP-SP1 | XP-SP2 | XP-SP3) ;;
            "") fail "imports $import, which $list does not give" ;;
            *) fail "imports $import, from Windows $since on" ;;
        esac
    done <<<"$imports"
    subsystem=$(awk '/^MajorSubsystemVersion/ {major = $2} /^MinorSubsystemVersion/ {print major * 100 + $2}' <<<"$headers")
    [ "${subsystem:-999}" -le 501 ] || fail "has the subsystem version $((subsystem / 100)).$((subsystem % 100))"
    strings -el "$binary" | grep -qxF "$version" || fail "does not carry the version $version"
    if [ "${name##*.}" = exe ]; then
        # The resource of type 24 (a manifest) with the identifier 1, which a program's is read from.
        awk '/Entry: ID: 0x000018,/ {type = 1; next} type && /Entry: ID:/ {found = /ID: 0x000001,/; exit} END {exit !found}' \
            <<<"$headers" || fail "has no manifest"
        for wanted in 'level="asInvoker"' '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
            grep -aqF "$wanted" "$binary" || fail "has no $wanted in its manifest"
        done
        for unwanted in '<activeCodePage' 'Microsoft.Windows.Common-Controls'; do
            ! grep -aqF "$unwanted" "$binary" || fail "has $unwanted in its manifest"
        done
    fi
    if [ -n "$stripped" ]; then
        sections=$("$objdump" -h "$binary")
        ! grep -qF ' .debug_' <<<"$sections" || fail "still carries debug information"
        grep -qF ' .gnu_debuglink' <<<"$sections" && [ -s "$binary.debug" ] || fail "has no debug file linked"
    fi
done
[ $failed -eq 0 ] && echo "check-binaries: $# binaries at the Windows XP SP3 floor, with version $version"
exit $failed
