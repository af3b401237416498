#!/usr/bin/env bash
# VistrelSetup.exe under Wine, in a prefix made anew: a silent install, the program started through its
# shortcut sends a photograph and opens its help, a silent uninstall removes all of ours and keeps the
# store and the photograph.   installer_test.sh BIN_DIR SETUP WORK_DIR
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BIN_DIR SETUP WORK_DIR" >&2; exit 2; }
bin=$1 setup=$2 work=$3 log=$3/log shots=$3/log
version=${setup##*-} && version=${version%.exe}
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
key() { wine reg query "$@" >"$log/reg.txt" 2>&1; }

rm -rf "$work"
mkdir -p "$log"
test_session "$work" "$work/photos"
c=$WINEPREFIX/drive_c
folder=$c/Program\ Files/Vistrel\ Desktop
shortcut='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Vistrel Desktop.lnk'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel Desktop'
help_key='HKLM\Software\Microsoft\Windows\Help'

timeout 120 wine "$setup" /S || fail "the silent install of $setup ended with $?"
for f in vistrel.exe Vistrel.hlp UserData.dll INSTAIDE.dll hotsync.exe HotSync.ini Uninstall.exe; do
    [ -f "$folder/$f" ] || fail "$f was not installed"
done
strings -el "$folder/vistrel.exe" | grep -qxF "$version" || fail "vistrel.exe's version is not $version"
[ -f "$(winepath -u "$shortcut")" ] || fail "no Start-menu shortcut"
key "$uninstall_key" || fail "no uninstall entry"
for v in "DisplayName REG_SZ Vistrel Desktop" "DisplayVersion REG_SZ $version" "Publisher REG_SZ Vistrel" \
         'UninstallString REG_SZ "C:\Program Files\Vistrel Desktop\Uninstall.exe"' "DisplayIcon REG_SZ" "EstimatedSize"; do
    tr -s ' \r' ' ' <"$log/reg.txt" | grep -qF " $v" || fail "the uninstall entry lacks $v: $(cat "$log/reg.txt")"
done
key "$help_key" /v Vistrel.hlp && grep -qF 'C:\Program Files\Vistrel Desktop' "$log/reg.txt" \
    || fail "the help folder is not registered: $(cat "$log/reg.txt")"
store=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Vistrel\ Desktop/HotSync
echo "installer: installed $version"

wine start "$shortcut"
drive show
expect show "device selected: Sample"
send_photo harbour.jpg Sample
[ -f "$store/Sample/Vistrel/harbour.pdb" ] || fail "the photograph is not in the installed store"
status=0 && timeout 60 wine "$setup" /S || status=$?
[ $status -eq 2 ] || fail "installing over the running program ended with $status"
# The help engine finds the bare name in the shortcut's working folder.
check_help
close_program
echo "installer: the installed program sent harbour.jpg and showed its help"

timeout 60 wine "$folder/Uninstall.exe" /S || fail "the silent uninstall ended with $?"
# The uninstaller runs on from a copy of itself.
timeout 60 wineserver -w || fail "the uninstaller still runs"
[ ! -e "$folder" ] || fail "left in the install folder: $(ls "$folder")"
[ ! -e "$(winepath -u "$shortcut")" ] || fail "the shortcut is left"
! key "$uninstall_key" || fail "the uninstall entry is left"
! key "$help_key" /v Vistrel.hlp || fail "the help folder is still registered"
[ -f "$store/users.txt" ] && [ -f "$store/Sample/Vistrel/harbour.pdb" ] || fail "the store or the photograph is gone"

# A machine with the HotSync software: the program alone, in the folder asked for.
timeout 120 wine "$setup" /S /NOHOTSYNC '/D=C:\Vistrel' || fail "the install with /NOHOTSYNC ended with $?"
[ -f "$c/Vistrel/vistrel.exe" ] || fail "/D= was not followed"
for f in UserData.dll INSTAIDE.dll hotsync.exe HotSync.ini; do [ ! -e "$c/Vistrel/$f" ] || fail "/NOHOTSYNC installed $f"; done
echo "installer: uninstalled, the store kept; /NOHOTSYNC and /D= followed"
