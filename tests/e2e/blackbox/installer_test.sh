#!/usr/bin/env bash
# VistrelSetup.exe under Wine, in a prefix made anew. Found: beside a stand-in HotSync software in Program Files
# (our libraries, their store of one user), silent setup installs into its folder, the program sends into that store,
# and uninstall leaves every other file there as it was. Not found: a folder of its own with the sample libraries and
# a store in the account's AppData. The pages are kept as screenshots.   installer_test.sh BIN_DIR SETUP WORK_DIR
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BIN_DIR SETUP WORK_DIR" >&2; exit 2; }
bin=$1 setup=$2 work=$3 log=$3/log shots=$3/log
version=${setup##*-} && version=${version%.exe}
# shellcheck source=wine_session.sh
source "$(dirname "$0")/wine_session.sh"
key() { wine reg query "$@" >"$log/reg.txt" 2>&1; }
uninstaller='Uninstall Vistrel Desktop.exe'
# setup_pages NAME DIRECTORY COMPONENTS FINISH: Next on each page once it shows that text; "Start" left ticked.
setup_pages() {
    wine "$setup" >/dev/null 2>&1 &
    drive setup "Welcome to" next && drive setup "Press Page Down" next && drive setup "$2" next
    drive setup "$3" && shot "setup-$1-components" && drive setup "$3" next
    drive setup "$4" && shot "setup-$1-finish" && drive setup "$4" next
}

rm -rf "$work" && mkdir -p "$log"
test_session "$work" "$work/photos"
c=$WINEPREFIX/drive_c && hs=$WINEPREFIX/drive_c/Program\ Files/Pilot/HotSync
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel Desktop'
help_key='HKLM\Software\Microsoft\Windows\Help'
mkdir -p "$hs/Store" && cp "$bin"/{UserData.dll,INSTAIDE.dll,hotsync.exe} "$hs/" && echo theirs >"$hs/Uninstall.exe"
printf '[HotSync]\r\nRoot=Store\r\n' >"$hs/HotSync.ini"
wine_run "$hs/hotsync.exe" users add Ann >/dev/null || fail "cannot make the HotSync software's store"
theirs() { (cd "$hs" && find . -type f ! -path './Store/*' | sort); }
(cd "$hs" && find . -type f -exec sha256sum {} +) >"$log/hashes.txt" && theirs >"$log/theirs.txt"
unchanged() { (cd "$hs" && sha256sum --quiet -c "$log/hashes.txt") || fail "$1 changed the HotSync software's files"; }

timeout 120 wine "$setup" /S || fail "the silent install of $setup ended with $?"
unchanged "the install"
[ "$(tr -d '\r' <"$hs/VistrelFiles.txt" | grep -v '^;')" = "$(printf '%s\n' vistrel.exe vistrel-send.exe Vistrel.hlp Vistrel.cnt \
    Vistrel.chm "$uninstaller")" ] && [ -f "$hs/vistrel.exe" ] || fail "installed beside the HotSync software: $(ls "$hs")"
strings -el "$hs/vistrel.exe" | grep -qxF "$version" || fail "vistrel.exe's version is not $version"
key "$uninstall_key" || fail "no uninstall entry"
for v in "DisplayName REG_SZ Vistrel Desktop" "DisplayVersion REG_SZ $version" "Publisher REG_SZ Vistrel" EstimatedSize \
         "UninstallString REG_SZ \"C:\\Program Files\\Pilot\\HotSync\\$uninstaller\"" "DisplayIcon REG_SZ"; do
    tr -s ' \r' ' ' <"$log/reg.txt" | grep -qF " $v" || fail "the uninstall entry lacks $v: $(cat "$log/reg.txt")"
done
key "$help_key" /v Vistrel.hlp && grep -qF 'C:\Program Files\Pilot\HotSync' "$log/reg.txt" \
    || fail "the help folder is not registered: $(cat "$log/reg.txt")"

# Installed again through its pages, over the first; its finish page starts the program through the shell.
setup_pages beside-hotsync "The HotSync desktop software is in this folder" \
    "The HotSync desktop software is in C:\\Program Files\\Pilot\\HotSync." "beside the HotSync desktop software."
drive show && expect show "device selected: Ann"
send_photo harbour.jpg Ann
wine_run "$hs/hotsync.exe" queue Ann >"$log/queue.txt" || fail "hotsync.exe cannot read the queue"
expect queue "  internal memory: C:\\Program Files\\Pilot\\HotSync\\Store\\Ann\\Vistrel\\harbour.pdb"
# Both refused while the program runs; the uninstaller in place (_?=, last and unquoted), so its exit code is its own.
w=$(winepath -w "$hs") && printf '@"%s\\%s" /S _?=%s\r\n@exit %%errorlevel%%\r\n' "$w" "$uninstaller" "$w" >"$c/u.bat"
s1=0 s2=0 && { timeout 60 wine cmd /c 'C:\u.bat' || s1=$?; } && { timeout 60 wine "$setup" /S || s2=$?; }
[ "$s1 $s2" = "2 2" ] && [ -f "$hs/vistrel.exe" ] || fail "uninstall, setup while the program runs ended with $s1, $s2"
# The help engine finds the bare name in the shortcut's working folder.
check_help
close_program

# The uninstaller runs on from a copy of itself.
timeout 60 wine "$hs/$uninstaller" /S && timeout 60 wineserver -w || fail "the silent uninstall ended with $?"
unchanged "the uninstall"
[ "$(theirs)" = "$(cat "$log/theirs.txt")" ] || fail "left beside the HotSync software: $(theirs)"
[ ! -e "$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vistrel Desktop.lnk" ] && ! key "$uninstall_key" \
    && ! key "$help_key" /v Vistrel.hlp || fail "the shortcut, the uninstall entry or the help folder's entry is left"
[ -f "$hs/Store/Ann/Vistrel/harbour.pdb" ] || fail "the photograph sent is gone"
status=0 && timeout 60 wine "$setup" /S '/HOTSYNCDIR=C:\windows' || status=$?
[ $status -eq 2 ] || fail "/HOTSYNCDIR= naming a folder without the libraries ended with $status"

# Not found: the program's own folder, with the sample libraries and a store of the account's own.
rm -rf "$c/Program Files/Pilot"
folder=$c/Program\ Files/Vistrel\ Desktop
store=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")/Vistrel\ Desktop/HotSync
setup_pages own-folder "Setup did not find the HotSync desktop software" "No HotSync desktop software in" \
    "The sample store is for trying the program: photographs sent into it reach no handheld."
drive show && expect show "device selected: Sample"
send_photo harbour.jpg Sample
[ -f "$store/Sample/Vistrel/harbour.pdb" ] || fail "the photograph is not in the account's own store"
grep -qxF 'Root=%APPDATA%\Vistrel Desktop\HotSync' <(tr -d '\r' <"$folder/HotSync.ini") \
    || fail "HotSync.ini names no store of each account's own"
close_program
timeout 60 wine "$folder/$uninstaller" /S && timeout 60 wineserver -w || fail "the uninstall ended with $?"
[ ! -e "$folder" ] || fail "left in the install folder: $(ls "$folder")"
[ -f "$store/users.txt" ] && [ -f "$store/Sample/Vistrel/harbour.pdb" ] || fail "the store or the photograph is gone"

# Without the sample libraries, in the folder asked for: the program, started from the folder that has ours, says so.
timeout 120 wine "$setup" /S /NOHOTSYNC '/D=C:\Vistrel' || fail "the install with /NOHOTSYNC ended with $?"
for f in UserData.dll INSTAIDE.dll hotsync.exe HotSync.ini; do [ ! -e "$c/Vistrel/$f" ] || fail "/NOHOTSYNC installed $f"; done
(cd "$bin" && exec wine 'C:\Vistrel\vistrel.exe') >"$log/vistrel.txt" 2>&1 &
drive show && expect show "device entries: 0" "send button: (No device to send to) (disabled)" \
    "status: The HotSync desktop software was not found: install Vistrel Desktop into its folder"
close_program
echo "installer: beside the HotSync software and in a folder of its own; screenshots in $shots"
