# Sourced by blackbox_test.sh and scripts/run: a Wine prefix of our own whose Desktop
# is a folder we choose (what the program lists first), a virtual display when there
# is none, and bounded waits for Wine processes.
#
# Every Wine process runs with HOME set to a folder beside the prefix: a new prefix
# links Desktop, Documents and the rest to HOME, and a Wine update re-makes those links,
# so the person's real home is never shown, linked or written to.

# wine_session_env PREFIX HOME: the environment every Wine process of the session gets.
wine_session_env() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    # No offer to download Mono or Gecko (there is no network), no menu entries in HOME,
    # no crash debugger (a crash ends the program at once).
    export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;winedbg.exe=d"
    # The X server's cookie stays reachable when HOME changes.
    if [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
        export XAUTHORITY=$HOME/.Xauthority
    fi
    mkdir -p "$2"
    export HOME=$2
}

# start_virtual_display LOG: starts Xvfb on a display it finds free, when DISPLAY is unset.
started_xvfb_pid=
start_virtual_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local log=$1 number_file
    number_file=$(mktemp)
    # -displayfd lets the server pick a free display and say which once it is ready,
    # with no race against other servers starting at the same moment.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number_file" >"$log" 2>&1 &
    started_xvfb_pid=$!
    local waited=0
    while [ ! -s "$number_file" ]; do
        if ! kill -0 "$started_xvfb_pid" 2>/dev/null || [ $waited -ge 100 ]; then
            rm -f "$number_file"
            echo "Xvfb did not start (see $log)" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    export DISPLAY=":$(tr -d '\n' <"$number_file")"
    rm -f "$number_file"
}

stop_virtual_display() {
    if [ -n "$started_xvfb_pid" ]; then
        kill "$started_xvfb_pid" 2>/dev/null || true
        wait "$started_xvfb_pid" 2>/dev/null || true
        started_xvfb_pid=
    fi
}

# prepare_prefix DESKTOP: makes $WINEPREFIX the first time (about 20 s), then links its
# Desktop to DESKTOP, so that the shell's desktop lists what DESKTOP holds.
prepare_prefix() {
    local desktop=$1 profile
    mkdir -p "$desktop"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "making the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        timeout -k 10 300 wineboot -i >/dev/null 2>&1 || true
        timeout -k 10 120 wineserver -w || true
        [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot could not make $WINEPREFIX" >&2; return 1; }
    fi
    for profile in "$WINEPREFIX"/drive_c/users/*/; do
        profile=${profile%/}
        [ "${profile##*/}" = Public ] && continue
        # A link made by Wine, or by us before; a real folder would be Wine's own choice
        # for a home without a Desktop, which this prefix never had.
        if [ -L "$profile/Desktop" ] || [ ! -e "$profile/Desktop" ]; then
            ln -sfn "$desktop" "$profile/Desktop"
        else
            echo "$profile/Desktop is not a link; leaving it" >&2
            return 1
        fi
    done
}

# stop_wine: ends every process of $WINEPREFIX. The prefix is the session's own, so
# this reaches nothing else; a left-over server would keep a display that is gone.
stop_wine() {
    timeout -k 5 30 wineserver -k >/dev/null 2>&1 || true
}

# wine_run PROGRAM ARGS...: a Windows console program of ours, bounded in time; its
# output comes with the console's CR LF line ends made LF (pipefail keeps its status).
# The limit is above the driver's own longest wait.
wine_run() {
    timeout -k 5 120 wine "$@" | tr -d '\r'
}

# windows_path PATH: the Windows name of a Linux path, through drive Z:.
windows_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# wait_for_window DRIVER PID SECONDS: waits until the program PID shows its window.
# Returns 0 when it does, 1 when the program ends first (its status goes to stderr),
# 124 when it is still without a window after SECONDS.
wait_for_window() {
    local driver=$1 pid=$2 rounds=$((($3 + 4) / 5)) status
    while [ $rounds -gt 0 ]; do
        wine_run "$driver" wait 5 >/dev/null 2>&1 && return 0
        if ! kill -0 "$pid" 2>/dev/null; then
            status=0
            wait "$pid" || status=$?
            echo "the program ended with exit code $status before its window appeared" >&2
            return 1
        fi
        rounds=$((rounds - 1))
    done
    return 124
}

# wait_for_exit PID SECONDS: waits for a background process and returns its exit
# status, or 124 when it is still running after SECONDS (it is left running).
wait_for_exit() {
    local pid=$1 limit=$(($2 * 10)) waited=0
    while kill -0 "$pid" 2>/dev/null; do
        [ $waited -ge $limit ] && return 124
        sleep 0.1
        waited=$((waited + 1))
    done
    local status=0
    wait "$pid" || status=$?
    return $status
}
